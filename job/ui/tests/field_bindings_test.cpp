// The dialogs' controls against the job's table of fields: every control that holds a value is
// bound to a real field element of a kind it can show, every field a dialog is meant to edit
// has a control, and a value put in each field shows in exactly its control and comes back
// from it on OK. The colour commands cover the colour rows the same way.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "job/caelvane_doc.h"
#include "job/job_fields.h"
#include "job/ui/aspects_dlg.h"
#include "job/ui/color_commands.h"
#include "job/ui/job_data_dlg.h"
#include "test_support.h"

namespace {

// A control and the field element it shows; a radio button stands for one value of its field.
struct Binding {
    std::string control;
    std::string field;  // the row's name
    std::size_t index;  // element; 0 for a plain member
    int radioValue;     // -1 unless the control is a radio button
};

std::vector<Binding> JobDataBindings() {
    std::vector<Binding> bindings = {
        {"jobTypeToday", "jobType", 0, 0},          {"jobTypeStart", "jobType", 0, 1},
        {"jobTypeTodayRange", "jobType", 0, 2},     {"jobTypeStartEnd", "jobType", 0, 3},
        {"enableOverlay", "overlayEnabled", 0, -1},
    };
    for (const char* same : {"includeNatal",
                             "includeAspects",
                             "reversePrintOrder",
                             "useColor",
                             "useDaylightTime",
                             "printToDib",
                             "note",
                             "daysBefore",
                             "daysAfter",
                             "startMonth",
                             "startDay",
                             "startYear",
                             "endMonth",
                             "endDay",
                             "endYear",
                             "natalMonth",
                             "natalDay",
                             "natalYear",
                             "overlayParts",
                             "overlayStartDegree",
                             "overlayFirstValue",
                             "overlayStepSize"}) {
        bindings.push_back({same, same, 0, -1});
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string n = std::to_string(i + 1);
        bindings.push_back({"hotSpot" + n, "hotSpotDegree", i, -1});
        bindings.push_back({"hotSpotLabel" + n, "hotSpotLabel", i, -1});
    }
    return bindings;
}

std::vector<Binding> AspectsBindings() {
    std::vector<Binding> bindings;
    for (std::size_t i = 0; i < 20; ++i) {
        bindings.push_back(
            {"aspect" + std::to_string(kAspectAngleByIndex[i]), "aspectSelected", i, -1});
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string n = std::to_string(i + 1);
        bindings.push_back({"customAspect" + n, "customAspect", i, -1});
        bindings.push_back({"enable" + n, "customAspectEnabled", i, -1});
    }
    return bindings;
}

// What each control that holds a value shows: an edit its text, a box or radio its state.
std::map<std::string, QString> Shown(QWidget* dlg) {
    std::map<std::string, QString> shown;
    for (QLineEdit* edit : dlg->findChildren<QLineEdit*>()) {
        shown[edit->objectName().toStdString()] = edit->text();
    }
    for (QAbstractButton* button : dlg->findChildren<QAbstractButton*>()) {
        if (button->isCheckable()) {
            shown[button->objectName().toStdString()] = button->isChecked() ? "on" : "off";
        }
    }
    return shown;
}

QString Names(const std::set<std::string>& names) {
    QStringList list;
    for (const std::string& name : names) list << QString::fromStdString(name);
    return list.join(' ');
}

// A value of the same type that a dialog accepts back: a box toggles, a number steps up by one
// (every default is at least one below its range's top), a text becomes one that fits every
// limit.
std::int32_t Other(std::int32_t value, bool toggle) {
    return toggle ? 1 - value : value + 1;
}
std::uint8_t Other(std::uint8_t value, bool toggle) {
    return static_cast<std::uint8_t>(toggle ? 1 - value : value + 1);
}
double Other(double value, bool) {
    return value + 1.0;
}
COLORREF Other(COLORREF value, bool) {
    return value ^ 0x00808080u;
}
std::string Other(const std::string& value, bool) {
    return value == "Q" ? "R" : "Q";
}

// Element names whose values differ between the two jobs.
std::set<std::string> Differences(const CCaelvaneDoc& a, const CCaelvaneDoc& b) {
    std::set<std::string> names;
    ForEachJobField(a, [&](const auto& row, auto values) {
        const auto others = row.Values(b);
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!(values[i] == others[i])) names.insert(row.ElementName(i));
        }
    });
    return names;
}

template <typename Dialog>
std::unique_ptr<Dialog> Open(const CCaelvaneDoc& doc) {
    auto dlg = std::make_unique<Dialog>(nullptr);
    dlg->LoadFrom(doc);
    dlg->show();
    return dlg;
}

// Problems with the bindings' names and kinds, one line each.
template <typename Dialog>
QStringList CheckNamesAndKinds(JobFieldEditor editor, const std::vector<Binding>& bindings) {
    QStringList problems;
    const CCaelvaneDoc doc;
    const std::unique_ptr<Dialog> dlg = Open<Dialog>(doc);
    std::set<std::string> bound;
    for (const Binding& binding : bindings) {
        const QString where = QString::fromStdString(binding.control + " -> " + binding.field);
        if (!bound.insert(binding.control).second) problems << where + ": control bound twice";
        const JobFieldInfo* info = FindJobField(binding.field);
        if (info == nullptr) {
            problems << where + ": no such field";
            continue;
        }
        if (binding.index >= info->count) problems << where + ": index past the field";
        if (info->editor != editor) problems << where + ": the field's row names another editor";
        QWidget* control =
            dlg->template findChild<QWidget*>(QString::fromStdString(binding.control));
        const JobFieldKind kind = info->kind;
        const bool integer = kind == JobFieldKind::Int32 || kind == JobFieldKind::Byte;
        if (control == nullptr) {
            problems << where + ": no such control";
        } else if (qobject_cast<QRadioButton*>(control) != nullptr) {
            if (kind != JobFieldKind::Int32 || binding.radioValue < 0) {
                problems << where + ": a radio button needs an integer field and a value";
            }
        } else if (qobject_cast<QCheckBox*>(control) != nullptr) {
            if (!integer || binding.radioValue >= 0) problems << where + ": a box needs a flag";
        } else if (qobject_cast<QLineEdit*>(control) != nullptr) {
            if (kind == JobFieldKind::Color || binding.radioValue >= 0) {
                problems << where + ": an edit needs a number or a text";
            }
        } else {
            problems << where + ": the control holds no value";
        }
    }
    for (const auto& [name, text] : Shown(dlg.get())) {
        if (bound.count(name) == 0) {
            problems << QString::fromStdString(name) + ": a control bound to no field";
        }
    }
    for (const JobFieldInfo& info : kJobFieldInfos) {
        if (info.editor != editor) continue;
        if (!info.Has(JobFieldUse::Saved)) problems << QString(info.name) + ": edited, not saved";
        for (std::size_t i = 0; i < info.count; ++i) {
            bool covered = false;
            for (const Binding& binding : bindings) {
                covered = covered || (binding.field == info.name && binding.index == i);
            }
            if (!covered) problems << QString("%1[%2]: no control edits it").arg(info.name).arg(i);
        }
    }
    return problems;
}

// Changes every element of every row of the table, one at a time, and checks what the dialog
// shows and what OK gives back.
template <typename Dialog>
QStringList CheckRoundTrips(const std::vector<Binding>& bindings) {
    QStringList problems;
    const CCaelvaneDoc defaults;
    const std::map<std::string, QString> shownByDefault = Shown(Open<Dialog>(defaults).get());

    // `element` is the name of the one element `changed` differs in; `label` says how.
    auto check = [&](const std::string& element, const std::string& label,
                     const std::set<std::string>& expectedControls, const CCaelvaneDoc& changed) {
        const QString where = QString::fromStdString(label);
        const std::unique_ptr<Dialog> dlg = Open<Dialog>(changed);
        std::set<std::string> controls;
        for (const auto& [name, text] : Shown(dlg.get())) {
            if (shownByDefault.at(name) != text) controls.insert(name);
        }
        if (controls != expectedControls) {
            problems << where + " shows in \"" + Names(controls) + "\", expected \"" +
                            Names(expectedControls) + "\"";
        }
        MessageCapture capture(dlg.get());
        dlg->accept();
        if (!capture.messages.isEmpty() || dlg->result() != QDialog::Accepted) {
            problems << where + ": OK refused: " + capture.messages.join('|');
            return;
        }
        CCaelvaneDoc stored;
        dlg->StoreTo(stored);
        const std::set<std::string> expectedBack =
            expectedControls.empty() ? std::set<std::string>() : std::set<std::string>{element};
        const std::set<std::string> back = Differences(stored, defaults);
        if (back != expectedBack || (!back.empty() && !Differences(stored, changed).empty())) {
            problems << where + ": OK gave back \"" + Names(back) + "\"";
        }
    };

    ForEachJobField(defaults, [&](const auto& row, auto values) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::string element = row.ElementName(i);
            std::vector<const Binding*> found;
            for (const Binding& binding : bindings) {
                if (binding.field == row.name && binding.index == i) found.push_back(&binding);
            }
            std::map<int, std::string> radios;
            for (const Binding* binding : found) {
                if (binding->radioValue >= 0) radios[binding->radioValue] = binding->control;
            }
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(values[i])>, std::int32_t>) {
                if (!radios.empty()) {
                    // Each other value moves the check from the default's radio to its own.
                    for (const auto& [value, control] : radios) {
                        if (value == values[i]) continue;
                        CCaelvaneDoc changed;
                        row.Values(changed)[i] = value;
                        check(element, element + "=" + std::to_string(value),
                              {control, radios[values[i]]}, changed);
                    }
                    continue;
                }
            }
            const bool box = found.size() == 1 &&
                             shownByDefault.count(found.front()->control) != 0 &&
                             (shownByDefault.at(found.front()->control) == "on" ||
                              shownByDefault.at(found.front()->control) == "off");
            CCaelvaneDoc changed;
            row.Values(changed)[i] = Other(values[i], box);
            std::set<std::string> expected;
            for (const Binding* binding : found) expected.insert(binding->control);
            check(element, element, expected, changed);
        }
    });
    return problems;
}

}  // namespace

class FieldBindingsTest : public QObject {
    Q_OBJECT

private slots:
    void controlsNameFieldsOfTheirKind() {
        QCOMPARE(
            CheckNamesAndKinds<CJobDataDlg>(JobFieldEditor::JobData, JobDataBindings()).join('\n'),
            QString());
        QCOMPARE(
            CheckNamesAndKinds<CAspectsDlg>(JobFieldEditor::Aspects, AspectsBindings()).join('\n'),
            QString());
    }

    void eachFieldShowsInItsControlAndComesBack() {
        QCOMPARE(CheckRoundTrips<CJobDataDlg>(JobDataBindings()).join('\n'), QString());
        QCOMPARE(CheckRoundTrips<CAspectsDlg>(AspectsBindings()).join('\n'), QString());
    }

    // Each colour row with a command of its own has exactly one, and no command sets a field
    // outside those rows.
    void colourCommandsCoverTheColourRows() {
        std::map<std::string, int> commands;
        for (int id = 32768; id < 33024; ++id) {
            COLORREF CCaelvaneDoc::*field = ColorFieldOfCommand(id);
            if (field == nullptr) continue;
            std::string name = "(not a row)";
            ForEachJobField([&](const auto& row) {
                using Row = std::remove_cvref_t<decltype(row)>;
                if constexpr (std::is_same_v<std::remove_const_t<decltype(Row::kMember)>,
                                             COLORREF CCaelvaneDoc::*>) {
                    if (Row::kMember == field) name = row.name;
                }
            });
            ++commands[name];
        }
        QStringList expected;
        for (const JobFieldInfo& info : kJobFieldInfos) {
            if (info.editor == JobFieldEditor::ColorMenu)
                expected << QString("%1:1").arg(info.name);
        }
        QStringList actual;
        for (const auto& [name, count] : commands) {
            actual << QString("%1:%2").arg(QString::fromStdString(name)).arg(count);
        }
        expected.sort();
        QCOMPARE(actual.join(' '), expected.join(' '));
    }
};

static TestRegistration<FieldBindingsTest> registration;

#include "field_bindings_test.moc"
