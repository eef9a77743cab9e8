#include "job/ui/job_commands.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "job/caelvane_doc.h"
#include "job/job_text.h"
#include "job/ui/color_commands.h"
#include "test_support.h"

namespace {

// Answers the colour chooser with `answer` (nothing: Cancel) and records what it was asked;
// handed to the commands as their hooks.
class ChooserAnswer {
public:
    explicit ChooserAnswer(std::optional<COLORREF> answer) {
        hooks.chooseColor = [this, answer](QWidget*, COLORREF initial) {
            ++calls;
            lastInitial = initial;
            return answer;
        };
    }
    ChooserAnswer(const ChooserAnswer&) = delete;
    ChooserAnswer& operator=(const ChooserAnswer&) = delete;
    int calls = 0;
    COLORREF lastInitial = 0xFFFFFFFF;
    JobCommandHooks hooks;
};

// A job with a view that counts its repaint requests.
struct ViewedJob {
    CCaelvaneDoc doc;
    CountingView view;
    ViewedJob() { doc.AddView(&view); }
    ~ViewedJob() { doc.RemoveView(&view); }
    bool RepaintedOnceFully() const {
        return view.updates == 1 && view.lastSender == nullptr && view.lastHint == 0;
    }
};

struct ColorItem {
    int id;
    COLORREF CCaelvaneDoc::*field;
};
const ColorItem kColorItems[] = {
    {32773, &CCaelvaneDoc::m_colorTitleText},     {32774, &CCaelvaneDoc::m_colorHeaderText},
    {32775, &CCaelvaneDoc::m_colorBorder},        {32776, &CCaelvaneDoc::m_colorWheelLines},
    {32777, &CCaelvaneDoc::m_colorWheelText},     {32778, &CCaelvaneDoc::m_colorCurrentLines},
    {32779, &CCaelvaneDoc::m_colorCurrentText},   {32781, &CCaelvaneDoc::m_colorNatalDots},
    {32782, &CCaelvaneDoc::m_colorNatalText},     {32783, &CCaelvaneDoc::m_colorJobData},
    {32784, &CCaelvaneDoc::m_colorNoteText},      {32785, &CCaelvaneDoc::m_colorAspectLines},
    {32786, &CCaelvaneDoc::m_colorAspectText},    {32787, &CCaelvaneDoc::m_colorAspectHighlights},
    {32788, &CCaelvaneDoc::m_colorNotice},        {32789, &CCaelvaneDoc::m_colorMoonBall},
    {32796, &CCaelvaneDoc::m_colorOverlayCircle},
};

}  // namespace

class JobCommandsTest : public QObject {
    Q_OBJECT

private slots:
    // Each item sets its own field and no other; the chooser opens on black whatever the
    // field holds.
    void eachColorItemSetsItsField() {
        for (const ColorItem& item : kColorItems) {
            ViewedJob job;
            CCaelvaneDoc reference;
            ChooserAnswer answer(RGB(1, 2, 3));
            QVERIFY(RunJobCommand(nullptr, job.doc, item.id, answer.hooks));
            QCOMPARE(answer.calls, 1);
            QCOMPARE(answer.lastInitial, COLORREF{0});
            reference.*item.field = RGB(1, 2, 3);
            QCOMPARE(JobToText(job.doc), JobToText(reference));
            QVERIFY(job.doc.IsModified());
            QVERIFY(job.RepaintedOnceFully());
        }
    }

    void cancelledColorStillMarksTheJob() {
        ViewedJob job;
        ChooserAnswer cancel(std::nullopt);
        QVERIFY(RunJobCommand(nullptr, job.doc, 32789, cancel.hooks));
        QCOMPARE(cancel.calls, 1);
        QCOMPARE(job.doc.m_colorMoonBall, RGB(255, 0, 0));
        QVERIFY(job.doc.IsModified());
        QVERIFY(job.RepaintedOnceFully());
    }

    void allToBlackThenStandardDefault() {
        ViewedJob job;
        CCaelvaneDoc black;
        black.SetAllColorsToBlack();
        QCOMPARE(black.m_colorSpare, COLORREF{0});
        QVERIFY(RunJobCommand(nullptr, job.doc, 32790));
        QCOMPARE(JobToText(job.doc), JobToText(black));
        QVERIFY(job.doc.IsModified());
        QVERIFY(job.RepaintedOnceFully());

        job.doc.SetModifiedFlag(false);
        job.view.updates = 0;
        QVERIFY(RunJobCommand(nullptr, job.doc, 32791));
        QCOMPARE(job.doc.m_colorSpare, COLORREF{0x00FFFF00});
        CCaelvaneDoc fresh;
        QCOMPARE(JobToText(job.doc), JobToText(fresh));
        QVERIFY(job.doc.IsModified());
        QVERIFY(job.RepaintedOnceFully());
    }

    void otherCommandsAreNotTheJobs_data() {
        QTest::addColumn<int>("id");
        QTest::newRow("unused colour prompt") << 32780;
        QTest::newRow("between the colour commands") << 32792;
        QTest::newRow("AutoRun") << 32794;
        QTest::newRow("help") << 32795;
        QTest::newRow("price monitor") << 32798;
        QTest::newRow("zero") << 0;
    }
    void otherCommandsAreNotTheJobs() {
        QFETCH(int, id);
        ViewedJob job;
        ChooserAnswer answer(RGB(1, 2, 3));
        QVERIFY(!RunJobCommand(nullptr, job.doc, id, answer.hooks));
        QCOMPARE(answer.calls, 0);
        QVERIFY(!job.doc.IsModified());
        QCOMPARE(job.view.updates, 0);
    }

    void jobDescriptionCancelKeepsTheJob() {
        ViewedJob job;
        const std::string before = JobToText(job.doc);
        WhenModalOpens([](QWidget* dlg) {
            SetText(dlg, "note", "changed");
            SetText(dlg, "startYear", "1990");
            Child<QCheckBox>(dlg, "includeNatal")->click();
            Child<QPushButton>(dlg, "cancel")->click();
        });
        QVERIFY(RunJobCommand(nullptr, job.doc, 32771));
        QCOMPARE(JobToText(job.doc), before);
        QVERIFY(!job.doc.IsModified());
        QVERIFY(job.RepaintedOnceFully());
    }

    void jobDescriptionOkWithoutChangeMarksTheJob() {
        ViewedJob job;
        const std::string before = JobToText(job.doc);
        WhenModalOpens([](QWidget* dlg) { Child<QPushButton>(dlg, "ok")->click(); });
        QVERIFY(RunJobCommand(nullptr, job.doc, 32771));
        QCOMPARE(JobToText(job.doc), before);
        QVERIFY(job.doc.IsModified());
        QVERIFY(job.RepaintedOnceFully());
    }

    // A failed OK keeps the dialog open; the values reach the job with the OK that passes.
    void jobDescriptionCopiesBackOnOk() {
        ViewedJob job;
        job.doc.m_note = "old";
        MessageCapture capture;
        WhenModalOpens([&capture](QWidget* dlg) {
            SetText(dlg, "note", "Q3 \xC3\xA9t\xC3\xA9");
            SetText(dlg, "endYear", "3000");
            Child<QPushButton>(dlg, "ok")->click();
            if (capture.messages.size() != 1 || !dlg->isVisible()) qFatal("OK was not refused");
            SetText(dlg, "endYear", "2010");
            Child<QCheckBox>(dlg, "reversePrintOrder")->click();
            Child<QPushButton>(dlg, "ok")->click();
        });
        QVERIFY(RunJobCommand(nullptr, job.doc, 32771, {{}, capture.Hook()}));
        QCOMPARE(job.doc.m_note, std::string("Q3 \xE9t\xE9"));
        QCOMPARE(job.doc.m_endYear, 2010);
        QCOMPARE(job.doc.m_reversePrintOrder, std::uint8_t{0});
        QVERIFY(job.RepaintedOnceFully());
    }

    void aspectsCancelAndOk() {
        ViewedJob job;
        const std::string before = JobToText(job.doc);
        WhenModalOpens([](QWidget* dlg) {
            Child<QCheckBox>(dlg, "aspect30")->click();
            Child<QPushButton>(dlg, "cancel")->click();
        });
        QVERIFY(RunJobCommand(nullptr, job.doc, 32793));
        QCOMPARE(JobToText(job.doc), before);
        QVERIFY(!job.doc.IsModified());
        QVERIFY(job.RepaintedOnceFully());

        WhenModalOpens([](QWidget* dlg) {
            Child<QCheckBox>(dlg, "aspect30")->click();
            SetText(dlg, "customAspect2", "22.5");
            Child<QCheckBox>(dlg, "enable2")->click();
            Child<QPushButton>(dlg, "ok")->click();
        });
        QVERIFY(RunJobCommand(nullptr, job.doc, 32793));
        QCOMPARE(job.doc.m_aspectSelected[12], 0);
        QCOMPARE(job.doc.m_aspectSelected[1], 1);
        QCOMPARE(job.doc.m_customAspect[1], 22.5);
        QCOMPARE(job.doc.m_customAspectEnabled[1], 1);
        QVERIFY(job.doc.IsModified());
        QCOMPARE(job.view.updates, 2);
    }
};

static TestRegistration<JobCommandsTest> registration;

#include "job_commands_test.moc"
