#include "job/ui/job_data_dlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <optional>

#include "job/caelvane_doc.h"
#include "job/job_checks.h"
#include "job/job_text.h"
#include "test_support.h"

namespace {

// The groups the visibility rules show and hide: start, end, relative, hint, natal, overlay.
const char* const kGroups[] = {
    "startMonth startDay startYear startMonthSpin startDaySpin startYearSpin startLabel",
    "endMonth endDay endYear endMonthSpin endDaySpin endYearSpin endLabel",
    "todayMinusLabel toPlusLabel daysBefore daysAfter daysBeforeSpin daysAfterSpin",
    "noDataLabel",
    "natalMonth natalDay natalYear natalMonthSpin natalDaySpin natalYearSpin natalLabel",
    "overlayParts overlayStartDegree overlayFirstValue overlayStepSize overlayPartsSpin "
    "overlayStartDegreeSpin overlayFirstValueSpin overlayStepSizeSpin overlayPartsLabel "
    "overlayStartDegreeLabel overlayFirstValueLabel overlayStepSizeLabel"};
const char* const kJobTypeRadios[] = {"jobTypeToday", "jobTypeStart", "jobTypeTodayRange",
                                      "jobTypeStartEnd"};

// A job and its dialog, opened the way the command opens it.
struct OpenedDialog {
    std::unique_ptr<CCaelvaneDoc> doc = std::make_unique<CCaelvaneDoc>();
    std::unique_ptr<CJobDataDlg> dlg;

    template <typename Setup>
    explicit OpenedDialog(Setup setup) {
        setup(*doc);
        dlg = std::make_unique<CJobDataDlg>(doc.get());
        dlg->LoadFrom(*doc);
        dlg->show();
    }
    OpenedDialog() : OpenedDialog([](CCaelvaneDoc&) {}) {}
};

// One word per group: "shown", "hidden" or "mixed".
QString Visibility(QWidget* dlg) {
    QStringList states;
    for (const char* group : kGroups) {
        const QStringList names = QString(group).split(' ');
        int shown = 0;
        for (const QString& name : names) {
            if (Child<QWidget>(dlg, name.toLatin1().constData())->isVisibleTo(dlg)) ++shown;
        }
        states << (shown == 0 ? "hidden" : shown == names.size() ? "shown" : "mixed");
    }
    return states.join(' ');
}

// "name=text name=text ..." typed into the dialog's edits.
void Type(QWidget* dlg, const QString& assignments) {
    for (const QString& assignment : assignments.split(' ', Qt::SkipEmptyParts)) {
        SetText(dlg, assignment.section('=', 0, 0).toLatin1().constData(),
                assignment.section('=', 1));
    }
}

}  // namespace

class JobDataDlgTest : public QObject {
    Q_OBJECT

private slots:
    void defaultJobShowsStartDateOnly() {
        OpenedDialog opened;
        QWidget* dlg = opened.dlg.get();
        QCOMPARE(dlg->windowTitle(), QString("Enter Job Data "));
        QCOMPARE(Visibility(dlg), QString("shown hidden hidden hidden hidden hidden"));
        QVERIFY(!Child<QCheckBox>(dlg, "printToDib")->isVisibleTo(dlg));
        QVERIFY(Child<QRadioButton>(dlg, "jobTypeStart")->isChecked());
        QStringList checked;
        for (QCheckBox* box : dlg->findChildren<QCheckBox*>()) {
            if (box->isChecked()) checked << box->objectName();
        }
        checked.sort();
        QCOMPARE(checked.join(' '),
                 QString("includeAspects reversePrintOrder useColor useDaylightTime"));
        QStringList texts;
        for (const char* name : {"startMonth", "startDay", "startYear", "hotSpot1", "hotSpot2",
                                 "hotSpot3", "hotSpot4", "hotSpotLabel1", "overlayParts",
                                 "overlayStartDegree", "overlayFirstValue", "overlayStepSize"}) {
            texts << Child<QLineEdit>(dlg, name)->text();
        }
        QCOMPARE(texts.join(' '), QString("1 18 2000 0 90 180 270 HotSpot1 4 0 10 5"));
    }

    // Expected: start, end, relative, hint, natal, overlay.
    void visibilityRules_data() {
        QTest::addColumn<int>("jobType");
        QTest::addColumn<bool>("natal");
        QTest::addColumn<bool>("overlay");
        QTest::addColumn<QString>("expected");
        QTest::newRow("TODAY") << 0 << false << false << "hidden hidden hidden shown hidden hidden";
        QTest::newRow("start") << 1 << false << false << "shown hidden hidden hidden hidden hidden";
        QTest::newRow("TODAY -/+")
            << 2 << false << false << "hidden hidden shown hidden hidden hidden";
        QTest::newRow("start to end")
            << 3 << false << false << "shown shown hidden hidden hidden hidden";
        QTest::newRow("TODAY, natal")
            << 0 << true << false << "hidden hidden hidden shown shown hidden";
        QTest::newRow("range, natal, overlay")
            << 3 << true << true << "shown shown hidden hidden shown shown";
    }
    // The same rules whether the job comes with the settings or the user clicks them in, and
    // clicking the boxes again hides their fields again.
    void visibilityRules() {
        QFETCH(int, jobType);
        QFETCH(bool, natal);
        QFETCH(bool, overlay);
        QFETCH(QString, expected);
        OpenedDialog opened([&](CCaelvaneDoc& doc) {
            doc.m_jobType = jobType;
            doc.m_includeNatal = natal;
            doc.m_overlayEnabled = overlay;
        });
        QCOMPARE(Visibility(opened.dlg.get()), expected);

        OpenedDialog clicked;
        QWidget* dlg = clicked.dlg.get();
        Child<QRadioButton>(dlg, kJobTypeRadios[jobType])->click();
        if (natal) Child<QCheckBox>(dlg, "includeNatal")->click();
        if (overlay) Child<QCheckBox>(dlg, "enableOverlay")->click();
        QCOMPARE(Visibility(dlg), expected);
        Child<QCheckBox>(dlg, "includeNatal")->click();
        Child<QCheckBox>(dlg, "enableOverlay")->click();
        QCOMPARE(Visibility(dlg).section(' ', 4),
                 QString(natal ? "hidden" : "shown") + ' ' + (overlay ? "hidden" : "shown"));
    }

    // Text typed into a job of the given type, then OK: the one message of the first failing
    // check in the exchange order (none: OK passes).
    void validationOrder_data() {
        QTest::addColumn<int>("jobType");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const QString years = "Please enter an integer between 1400 and 2600.";
        const QString days = "Please enter an integer between 1 and 31.";
        const QString integer = "Please enter an integer.";
        const QString hotSpot = "Please enter a number between 0 and 360.";
        struct Row {
            const char* name;
            int jobType;
            const char* typed;
            QString message;
            const char* focus;
        };
        const Row rows[] = {
            {"start year 3000 accepted", 1, "startYear=3000", "", ""},
            {"hidden end year blocks OK", 1, "endYear=3000", years, "endYear"},
            {"hidden natal year", 1, "natalYear=1399", years, "natalYear"},
            {"end day before end month", 3, "endMonth=13 endDay=32", days, "endDay"},
            {"hot spot 360 typed", 1, "hotSpot1=360", "", ""},
            {"hot spot past 360", 1, "hotSpot4=360.001", hotSpot, "hotSpot4"},
            {"hot spots before days before", 2, "daysBefore=x hotSpot3=-1", hotSpot, "hotSpot3"},
            {"days before not whole", 2, "daysBefore=1.5", integer, "daysBefore"},
            {"natal before days after", 1, "daysAfter=x natalDay=0", days, "natalDay"},
            {"start day before start month", 1, "startMonth=0 startDay=40", days, "startDay"},
            {"start year not whole", 1, "startYear=2000.5", integer, "startYear"},
            {"first value before parts", 1, "overlayParts=0 overlayFirstValue=100001",
             "Please enter an integer between -100000 and 100000.", "overlayFirstValue"},
            {"parts before step size", 1, "overlayStepSize=-100001 overlayParts=91",
             "Please enter an integer between 1 and 90.", "overlayParts"},
            {"starting degree 359.5", 1, "overlayStartDegree=359.5",
             "Please enter a number between 0 and 359.", "overlayStartDegree"},
        };
        for (const Row& row : rows) {
            QTest::newRow(row.name) << row.jobType << row.typed << row.message << row.focus;
        }
    }
    void validationOrder() {
        QFETCH(int, jobType);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        OpenedDialog opened([&](CCaelvaneDoc& doc) { doc.m_jobType = jobType; });
        QWidget* dlg = opened.dlg.get();
        Type(dlg, typed);
        const std::string before = JobToText(*opened.doc);
        MessageCapture capture(opened.dlg.get());
        Child<QPushButton>(dlg, "ok")->click();
        QVERIFY(opened.doc->IsModified());         // marked before the fields are checked
        QCOMPARE(JobToText(*opened.doc), before);  // the dialog never writes the job itself
        QCOMPARE(capture.messages.join('|'), message);
        QCOMPARE(dlg->isVisible(), !message.isEmpty());
        if (message.isEmpty()) return;
        // A hidden control takes the focus only once it shows.
        auto* failed = Child<QLineEdit>(dlg, focus.toLatin1().constData());
        if (failed->isVisibleTo(dlg)) {
            QCOMPARE(dlg->focusWidget(), failed);
            QCOMPARE(failed->selectedText(), failed->text());
        }
    }

    // Text over the limits can only come from a file: it shows whole and OK refuses it.
    void overlongLoadedTextIsRefused() {
        OpenedDialog opened([](CCaelvaneDoc& doc) {
            doc.m_note = std::string(81, 'n');
            doc.m_hotSpotLabel[2] = "Resistance";
        });
        QWidget* dlg = opened.dlg.get();
        QCOMPARE(Child<QLineEdit>(dlg, "note")->text().size(), 81);
        MessageCapture capture(opened.dlg.get());
        opened.dlg->accept();
        QCOMPARE(dlg->focusWidget()->objectName(), QString("note"));
        SetText(dlg, "note", "short");
        opened.dlg->accept();
        QCOMPARE(dlg->focusWidget()->objectName(), QString("hotSpotLabel3"));
        QCOMPARE(capture.messages, (QStringList{"Please enter no more than 80 characters.",
                                                "Please enter no more than 8 characters."}));
    }

    // The checks that the command line applies without the dialog are the dialog's own: for a
    // job with bad fields, the dialog's OK shows first what CheckJobFields reports first.
    void checksWithoutTheDialogMatchIt_data() {
        QTest::addColumn<QString>("text");
        const char* rows[][2] = {
            {"end day", "endDay=0"},
            {"end year", "endYear=2601"},
            {"hot spot", "hotSpotDegree[1]=360.5"},
            {"natal month", "natalMonth=13"},
            {"start day", "startDay=32"},
            {"note",
             "note="
             "12345678901234567890123456789012345678901234567890123456789012345678901234567890X"},
            {"label", "hotSpotLabel[3]=123456789"},
            {"overlay first value", "overlayFirstValue=-100001"},
            {"overlay parts", "overlayParts=0"},
            {"overlay step", "overlayStepSize=100001"},
            {"overlay start", "overlayStartDegree=-0.5"},
            {"two at once: the dialog's order", "overlayParts=0 natalYear=1399"},
            {"two at once: end before note",
             "note="
             "12345678901234567890123456789012345678901234567890123456789012345678901234567890X "
             "endDay=40"},
        };
        for (const auto& row : rows) QTest::newRow(row[0]) << QString(row[1]);
    }
    void checksWithoutTheDialogMatchIt() {
        QFETCH(QString, text);
        OpenedDialog opened([&](CCaelvaneDoc& doc) {
            for (const QString& assignment : text.split(' ')) {
                std::string error;
                QVERIFY2(SetJobField(doc, assignment.toStdString(), error), error.c_str());
            }
        });
        const std::optional<JobCheckFailure> failure = CheckJobFields(*opened.doc);
        QVERIFY(failure.has_value());
        MessageCapture capture(opened.dlg.get());
        opened.dlg->accept();
        QCOMPARE(capture.messages.value(0), QString::fromStdString(failure->message));
        const QString field = QString::fromStdString(failure->field);
        QVERIFY2(text.startsWith(field + '=') || text.contains(' ' + field + '='),
                 qPrintable(field));
    }

    void typingStopsAtTheLimits() {
        OpenedDialog opened;
        auto* note = Child<QLineEdit>(opened.dlg.get(), "note");
        QTest::keyClicks(note, QString(81, 'a'));
        QCOMPARE(note->text().size(), 80);
        auto* label = Child<QLineEdit>(opened.dlg.get(), "hotSpotLabel2");
        label->clear();
        QTest::keyClicks(label, "Support99");
        QCOMPARE(label->text(), QString("Support9"));
    }

    // The spin ranges, through the arrow keys in each buddy: "edit typed key -> shown".
    void spinsWrapAtTheirRanges() {
        for (const char* row :
             {"hotSpot1 359 Up 0", "hotSpot4 360 Up 0", "daysBefore -10 Down 10000",
              "natalYear 2600 Up 1400", "startYear 3000 Down 2599", "overlayParts 90 Up 1",
              "overlayStartDegree 12.5 Up 1"}) {
            const QStringList parts = QString(row).split(' ');
            OpenedDialog opened;
            auto* buddy = Child<QLineEdit>(opened.dlg.get(), parts[0].toLatin1().constData());
            buddy->setText(parts[1]);
            QTest::keyClick(buddy, parts[2] == "Up" ? Qt::Key_Up : Qt::Key_Down);
            QVERIFY2(buddy->text() == parts[3], row);
        }
    }

    // The radios and check boxes read every field back and so report a bad one at once, yet
    // still apply their rules; repaints apply the rules silently.
    void readBackOnClicksNotOnRepaints() {
        OpenedDialog opened;
        CJobDataDlg* dlg = opened.dlg.get();
        Type(dlg, "endYear=3000 startYear=1999");
        MessageCapture capture(opened.dlg.get());
        dlg->repaint();
        QVERIFY(capture.messages.isEmpty());

        const QString years = "Please enter an integer between 1400 and 2600.";
        Child<QRadioButton>(dlg, "jobTypeToday")->click();
        QCOMPARE(capture.messages, QStringList{years});
        QCOMPARE(Visibility(dlg), QString("hidden hidden hidden shown hidden hidden"));
        QCOMPARE(dlg->m_startYear, 2000);  // the pass stopped before the start date

        Child<QCheckBox>(dlg, "includeNatal")->click();
        QCOMPARE(capture.messages, (QStringList{years, years}));
        QCOMPARE(Visibility(dlg).section(' ', 4, 4), QString("shown"));
        dlg->repaint();
        QCOMPARE(capture.messages.size(), 2);

        Type(dlg, "endYear=2001");
        Child<QCheckBox>(dlg, "enableOverlay")->click();
        QCOMPARE(capture.messages.size(), 2);
        QCOMPARE(dlg->m_startYear, 1999);
        QCOMPARE(dlg->m_jobType, 0);
        QCOMPARE(dlg->m_overlayEnabled, 1);

        Child<QRadioButton>(dlg, "jobTypeStartEnd")->click();
        QCOMPARE(capture.messages.size(), 2);
        QCOMPARE(dlg->m_jobType, 3);
        QCOMPARE(Visibility(dlg), QString("shown shown hidden hidden shown shown"));
    }

    void hiddenPrintToDibKeepsItsValue() {
        OpenedDialog opened([](CCaelvaneDoc& doc) { doc.m_printToDib = 1; });
        opened.dlg->m_printToDib = 0;
        opened.dlg->accept();
        QCOMPARE(opened.dlg->m_printToDib, 1);
    }
};

static TestRegistration<JobDataDlgTest> registration;

#include "job_data_dlg_test.moc"
