#include "job/ui/job_data_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "job/caelvane_doc.h"
#include "job/job_text.h"
#include "test_support.h"

namespace {

const char* const kStartGroup[] = {"startMonth",   "startDay",      "startYear", "startMonthSpin",
                                   "startDaySpin", "startYearSpin", "startLabel"};
const char* const kEndGroup[] = {"endMonth",   "endDay",      "endYear", "endMonthSpin",
                                 "endDaySpin", "endYearSpin", "endLabel"};
const char* const kRelativeGroup[] = {"todayMinusLabel", "toPlusLabel",    "daysBefore",
                                      "daysAfter",       "daysBeforeSpin", "daysAfterSpin"};
const char* const kHint[] = {"noDataLabel"};
const char* const kNatalGroup[] = {"natalMonth",   "natalDay",      "natalYear", "natalMonthSpin",
                                   "natalDaySpin", "natalYearSpin", "natalLabel"};
const char* const kOverlayGroup[] = {"overlayParts",           "overlayStartDegree",
                                     "overlayFirstValue",      "overlayStepSize",
                                     "overlayPartsSpin",       "overlayStartDegreeSpin",
                                     "overlayFirstValueSpin",  "overlayStepSizeSpin",
                                     "overlayPartsLabel",      "overlayStartDegreeLabel",
                                     "overlayFirstValueLabel", "overlayStepSizeLabel"};
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
    bool Accepted() const { return !dlg->isVisible() && dlg->result() == QDialog::Accepted; }
};

// "all", "none" or "mixed" for a group of controls.
QString GroupState(QWidget* dlg, const char* const* names, std::size_t count) {
    int shown = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (Child<QWidget>(dlg, names[i])->isVisibleTo(dlg)) ++shown;
    }
    return shown == 0 ? "hidden" : shown == int(count) ? "shown" : "mixed";
}
template <std::size_t N>
QString GroupState(QWidget* dlg, const char* const (&names)[N]) {
    return GroupState(dlg, names, N);
}

QString Visibility(QWidget* dlg) {
    return QStringList{GroupState(dlg, kStartGroup),    GroupState(dlg, kEndGroup),
                       GroupState(dlg, kRelativeGroup), GroupState(dlg, kHint),
                       GroupState(dlg, kNatalGroup),    GroupState(dlg, kOverlayGroup)}
        .join(' ');
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
        for (const char* name :
             {"includeAspects", "reversePrintOrder", "useColor", "useDaylightTime"}) {
            QVERIFY2(Child<QCheckBox>(dlg, name)->isChecked(), name);
        }
        for (const char* name : {"includeNatal", "enableOverlay"}) {
            QVERIFY2(!Child<QCheckBox>(dlg, name)->isChecked(), name);
        }
        const QStringList texts = {"startMonth=1",
                                   "startDay=18",
                                   "startYear=2000",
                                   "hotSpot1=0",
                                   "hotSpot2=90",
                                   "hotSpot3=180",
                                   "hotSpot4=270",
                                   "hotSpotLabel1=HotSpot1",
                                   "hotSpotLabel4=HotSpot4",
                                   "overlayParts=4",
                                   "overlayStartDegree=0",
                                   "overlayFirstValue=10",
                                   "overlayStepSize=5",
                                   "note=",
                                   "daysBefore=0"};
        for (const QString& expected : texts) {
            const QString name = expected.section('=', 0, 0);
            QCOMPARE(name + '=' + Child<QLineEdit>(dlg, name.toLatin1().constData())->text(),
                     expected);
        }
    }

    // Columns of the visibility string: start, end, relative, hint, natal, overlay.
    void visibilityRules_data() {
        QTest::addColumn<int>("jobType");
        QTest::addColumn<bool>("natal");
        QTest::addColumn<bool>("overlay");
        QTest::addColumn<QString>("expected");
        QTest::newRow("TODAY") << 0 << false << false << "hidden hidden hidden shown hidden hidden";
        QTest::newRow("starting MDY")
            << 1 << false << false << "shown hidden hidden hidden hidden hidden";
        QTest::newRow("TODAY -/+")
            << 2 << false << false << "hidden hidden shown hidden hidden hidden";
        QTest::newRow("starting to ending")
            << 3 << false << false << "shown shown hidden hidden hidden hidden";
        QTest::newRow("TODAY with natal")
            << 0 << true << false << "hidden hidden hidden shown shown hidden";
        QTest::newRow("range with natal and overlay")
            << 3 << true << true << "shown shown hidden hidden shown shown";
        QTest::newRow("TODAY -/+ with overlay")
            << 2 << false << true << "hidden hidden shown hidden hidden shown";
    }
    // The same rules whether the job comes with the settings or the user clicks them in.
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
    }

    void uncheckingHidesNatalAndOverlayAgain() {
        OpenedDialog opened([](CCaelvaneDoc& doc) {
            doc.m_includeNatal = 1;
            doc.m_overlayEnabled = 1;
        });
        QWidget* dlg = opened.dlg.get();
        Child<QCheckBox>(dlg, "includeNatal")->click();
        Child<QCheckBox>(dlg, "enableOverlay")->click();
        QCOMPARE(Visibility(dlg), QString("shown hidden hidden hidden hidden hidden"));
    }

    // Each row: edits typed into a default job with the given type, then OK. An empty message
    // means OK passes.
    void validationOrder_data() {
        QTest::addColumn<int>("jobType");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const QString years = "Please enter an integer between 1400 and 2600.";
        const QString days = "Please enter an integer between 1 and 31.";
        const QString integer = "Please enter an integer.";
        const QString number = "Please enter a number.";
        const QString hotSpot = "Please enter a number between 0 and 360.";
        const QString values = "Please enter an integer between -100000 and 100000.";
        QTest::newRow("start year 3000 accepted") << 1 << QStringList{"startYear=3000"} << ""
                                                  << "";
        QTest::newRow("hidden end year blocks OK")
            << 1 << QStringList{"endYear=3000"} << years << "endYear";
        QTest::newRow("shown end year 3000")
            << 3 << QStringList{"endYear=3000"} << years << "endYear";
        QTest::newRow("hidden natal year")
            << 1 << QStringList{"natalYear=1399"} << years << "natalYear";
        QTest::newRow("end day before end month")
            << 3 << QStringList{"endMonth=13", "endDay=32"} << days << "endDay";
        QTest::newRow("end date before hot spots")
            << 3 << QStringList{"hotSpot1=x", "endYear=0"} << years << "endYear";
        QTest::newRow("hot spot 360 typed") << 1 << QStringList{"hotSpot1=360"} << ""
                                            << "";
        QTest::newRow("hot spot past 360")
            << 1 << QStringList{"hotSpot4=360.001"} << hotSpot << "hotSpot4";
        QTest::newRow("hot spot in words")
            << 1 << QStringList{"hotSpot2=ninety"} << number << "hotSpot2";
        QTest::newRow("hot spots before days before")
            << 2 << QStringList{"daysBefore=x", "hotSpot3=-1"} << hotSpot << "hotSpot3";
        QTest::newRow("days before not whole")
            << 2 << QStringList{"daysBefore=1.5"} << integer << "daysBefore";
        QTest::newRow("days before has no range") << 2 << QStringList{"daysBefore=-500000"} << ""
                                                  << "";
        QTest::newRow("natal before days after")
            << 1 << QStringList{"daysAfter=x", "natalDay=0"} << days << "natalDay";
        QTest::newRow("start day before start month")
            << 1 << QStringList{"startMonth=0", "startDay=40"} << days << "startDay";
        QTest::newRow("start month")
            << 1 << QStringList{"startMonth=13"} << "Please enter an integer between 1 and 12."
            << "startMonth";
        QTest::newRow("start year not whole")
            << 1 << QStringList{"startYear=2000.5"} << integer << "startYear";
        QTest::newRow("start date before overlay")
            << 1 << QStringList{"overlayParts=0", "startYear=x"} << integer << "startYear";
        QTest::newRow("first value before parts")
            << 1 << QStringList{"overlayParts=0", "overlayFirstValue=100001"} << values
            << "overlayFirstValue";
        QTest::newRow("parts before step size")
            << 1 << QStringList{"overlayStepSize=-100001", "overlayParts=91"}
            << "Please enter an integer between 1 and 90."
            << "overlayParts";
        QTest::newRow("step size before starting degree")
            << 1 << QStringList{"overlayStartDegree=400", "overlayStepSize=200000"} << values
            << "overlayStepSize";
        QTest::newRow("starting degree 359.5") << 1 << QStringList{"overlayStartDegree=359.5"}
                                               << "Please enter a number between 0 and 359."
                                               << "overlayStartDegree";
        QTest::newRow("starting degree 359") << 1 << QStringList{"overlayStartDegree=359"} << ""
                                             << "";
    }
    void validationOrder() {
        QFETCH(int, jobType);
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        OpenedDialog opened([&](CCaelvaneDoc& doc) { doc.m_jobType = jobType; });
        QWidget* dlg = opened.dlg.get();
        for (const QString& assignment : typed) {
            SetText(dlg, assignment.section('=', 0, 0).toLatin1().constData(),
                    assignment.section('=', 1));
        }
        const std::string before = JobToText(*opened.doc);
        MessageCapture capture;
        Child<QPushButton>(dlg, "ok")->click();
        QVERIFY(opened.doc->IsModified());         // marked before the fields are checked
        QCOMPARE(JobToText(*opened.doc), before);  // the dialog never writes the job itself
        if (message.isEmpty()) {
            QVERIFY(capture.messages.isEmpty());
            QVERIFY(opened.Accepted());
        } else {
            QCOMPARE(capture.messages, QStringList{message});
            QVERIFY(dlg->isVisible());
            // A hidden control takes the focus only once it shows.
            QWidget* failed = Child<QWidget>(dlg, focus.toLatin1().constData());
            if (failed->isVisibleTo(dlg)) QCOMPARE(dlg->focusWidget(), failed);
        }
    }

    void acceptedValuesReachTheMembers() {
        OpenedDialog opened;
        CJobDataDlg* dlg = opened.dlg.get();
        SetText(dlg, "startYear", " 3000 ");
        SetText(dlg, "hotSpot1", "360");
        SetText(dlg, "hotSpot2", "12.5");
        SetText(dlg, "note", "Quarterly review");
        Child<QRadioButton>(dlg, "jobTypeStartEnd")->click();
        Child<QCheckBox>(dlg, "useColor")->click();
        dlg->accept();
        QVERIFY(opened.Accepted());
        QCOMPARE(dlg->m_startYear, 3000);
        QCOMPARE(dlg->m_hotSpotDegree[0], 360.0);
        QCOMPARE(dlg->m_hotSpotDegree[1], 12.5);
        QCOMPARE(dlg->m_note, std::string("Quarterly review"));
        QCOMPARE(dlg->m_jobType, 3);
        QCOMPARE(dlg->m_useColor, 0);
    }

    // Text longer than the limits can only come from a file; OK refuses it, note first.
    void overlongLoadedTextIsRefused() {
        OpenedDialog opened([](CCaelvaneDoc& doc) {
            doc.m_note = std::string(81, 'n');
            doc.m_hotSpotLabel[2] = "Resistance";
        });
        QWidget* dlg = opened.dlg.get();
        QCOMPARE(Child<QLineEdit>(dlg, "note")->text().size(), 81);
        MessageCapture capture;
        opened.dlg->accept();
        QCOMPARE(dlg->focusWidget()->objectName(), QString("note"));
        SetText(dlg, "note", "short");
        opened.dlg->accept();
        QCOMPARE(dlg->focusWidget()->objectName(), QString("hotSpotLabel3"));
        QCOMPARE(capture.messages, (QStringList{"Please enter no more than 80 characters.",
                                                "Please enter no more than 8 characters."}));
    }

    void typingStopsAtTheLimits() {
        OpenedDialog opened;
        QWidget* dlg = opened.dlg.get();
        auto* note = Child<QLineEdit>(dlg, "note");
        QTest::keyClicks(note, QString(81, 'a'));
        QCOMPARE(note->text().size(), 80);
        auto* label = Child<QLineEdit>(dlg, "hotSpotLabel2");
        label->clear();
        QTest::keyClicks(label, "Support99");
        QCOMPARE(label->text(), QString("Support9"));
    }

    // The spin ranges of the dialog, through the arrow keys in each buddy.
    void spinsWrapAtTheirRanges_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("shown");
        const int up = Qt::Key_Up;
        const int down = Qt::Key_Down;
        QTest::newRow("hot spot 359 up") << "hotSpot1"
                                         << "359" << up << "0";
        QTest::newRow("hot spot 360 typed, up") << "hotSpot4"
                                                << "360" << up << "0";
        QTest::newRow("hot spot 0 down") << "hotSpot2"
                                         << "0" << down << "359";
        QTest::newRow("days before -10 down") << "daysBefore"
                                              << "-10" << down << "10000";
        QTest::newRow("days after 10000 up") << "daysAfter"
                                             << "10000" << up << "0";
        QTest::newRow("start month 12 up") << "startMonth"
                                           << "12" << up << "1";
        QTest::newRow("end day 1 down") << "endDay"
                                        << "1" << down << "31";
        QTest::newRow("natal year 2600 up") << "natalYear"
                                            << "2600" << up << "1400";
        QTest::newRow("start year 3000 down") << "startYear"
                                              << "3000" << down << "2599";
        QTest::newRow("parts 90 up") << "overlayParts"
                                     << "90" << up << "1";
        QTest::newRow("starting degree 12.5 up") << "overlayStartDegree"
                                                 << "12.5" << up << "1";
        QTest::newRow("first value down") << "overlayFirstValue"
                                          << "-100000" << down << "100000";
    }
    void spinsWrapAtTheirRanges() {
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, shown);
        OpenedDialog opened;
        auto* buddy = Child<QLineEdit>(opened.dlg.get(), edit.toLatin1().constData());
        buddy->setText(typed);
        QTest::keyClick(buddy, Qt::Key(key));
        QCOMPARE(buddy->text(), shown);
    }

    // The check boxes read every field back and so report a bad one at once; the radios and
    // repaints apply their rules silently.
    void readBackOnlyOnTheCheckBoxes() {
        OpenedDialog opened;
        CJobDataDlg* dlg = opened.dlg.get();
        SetText(dlg, "endYear", "3000");
        SetText(dlg, "startYear", "1999");
        MessageCapture capture;
        Child<QRadioButton>(dlg, "jobTypeToday")->click();
        dlg->repaint();
        QVERIFY(capture.messages.isEmpty());

        Child<QCheckBox>(dlg, "includeNatal")->click();
        QCOMPARE(capture.messages, QStringList{"Please enter an integer between 1400 and 2600."});
        QCOMPARE(GroupState(dlg, kNatalGroup), QString("shown"));
        QCOMPARE(dlg->m_startYear, 2000);  // the pass stopped before the start date

        SetText(dlg, "endYear", "2001");
        Child<QCheckBox>(dlg, "enableOverlay")->click();
        QCOMPARE(capture.messages.size(), 1);
        QCOMPARE(dlg->m_startYear, 1999);
        QCOMPARE(dlg->m_endYear, 2001);
        QCOMPARE(dlg->m_jobType, 0);
        QCOMPARE(dlg->m_includeNatal, 1);
        QCOMPARE(dlg->m_overlayEnabled, 1);
        QCOMPARE(GroupState(dlg, kOverlayGroup), QString("shown"));
    }

    void hiddenPrintToDibKeepsItsValue() {
        OpenedDialog opened([](CCaelvaneDoc& doc) { doc.m_printToDib = 1; });
        QVERIFY(!Child<QCheckBox>(opened.dlg.get(), "printToDib")->isVisibleTo(opened.dlg.get()));
        opened.dlg->m_printToDib = 0;
        opened.dlg->accept();
        QCOMPARE(opened.dlg->m_printToDib, 1);
    }

    // A job type from a file that no radio stands for: none is checked, the template's set of
    // date fields stays, and OK passes the type on as -1 (no radio checked).
    void unknownJobTypeChecksNoRadio() {
        OpenedDialog opened([](CCaelvaneDoc& doc) { doc.m_jobType = 7; });
        QWidget* dlg = opened.dlg.get();
        for (const char* name : kJobTypeRadios) {
            QVERIFY(!Child<QRadioButton>(dlg, name)->isChecked());
        }
        QCOMPARE(Visibility(dlg), QString("shown hidden mixed hidden hidden hidden"));
        opened.dlg->accept();
        QCOMPARE(opened.dlg->m_jobType, -1);
    }
};

static TestRegistration<JobDataDlgTest> registration;

#include "job_data_dlg_test.moc"
