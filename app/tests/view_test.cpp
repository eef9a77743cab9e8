// The chart view: its size, the page keys and the repaints they cause.
#include <QDialog>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/command_ids.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "chart/chart_state.h"
#include "chart/paging.h"
#include "job/caelvane_doc.h"

using apptest::AppFixture;
using apptest::ShownTitle;

namespace {

// Counts the repaint requests a document sends to its views.
class CountingView : public CView {
public:
    void OnUpdate(CView*, long) override { ++updates; }
    int updates = 0;
};

}  // namespace

class ViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void scrollsOverALetterPageAtTheScreenResolution() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        CCaelvaneView* view = fixture.ActiveView();
        const int dpiX = view->viewport()->logicalDpiX();
        const int dpiY = view->viewport()->logicalDpiY();
        QCOMPARE(view->ScrollSize(), QSize(8500 * dpiX / 1000, 11000 * dpiY / 1000));
        view->resize(300, 400);
        QCOMPARE(view->verticalScrollBar()->maximum(),
                 view->ScrollSize().height() - view->viewport()->height());
        QCOMPARE(view->verticalScrollBar()->pageStep(), view->viewport()->height());
    }

    void pageKeysStepAThreePageJob_data() {
        QTest::addColumn<int>("startPage");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expectedPage");
        QTest::newRow("page down on 3 wraps to 1") << 3 << int(Qt::Key_PageDown) << 1;
        QTest::newRow("page down on 1") << 1 << int(Qt::Key_PageDown) << 2;
        QTest::newRow("page up on 1 wraps to 3") << 1 << int(Qt::Key_PageUp) << 3;
        QTest::newRow("page up on 3") << 3 << int(Qt::Key_PageUp) << 2;
        QTest::newRow("home on 3") << 3 << int(Qt::Key_Home) << 1;
        QTest::newRow("home on 1") << 1 << int(Qt::Key_Home) << 1;
        QTest::newRow("another key") << 2 << int(Qt::Key_A) << 2;
    }
    void pageKeysStepAThreePageJob() {
        QFETCH(int, startPage);
        QFETCH(int, key);
        QFETCH(int, expectedPage);
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        const QString path = apptest::WriteJob(m_dir, "three.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
        doc->m_currentPage = startPage;
        fixture.PaintActiveView();
        QCOMPARE(doc->m_pageCount, 3);
        CountingView counter;
        doc->AddView(&counter);
        CCaelvaneView* view = fixture.ActiveView();
        // The page changes on release, not on press.
        QTest::keyPress(view, Qt::Key(key));
        QCOMPARE(doc->m_currentPage, startPage);
        QTest::keyRelease(view, Qt::Key(key));
        QCOMPARE(doc->m_currentPage, expectedPage);
        QCOMPARE(view->State().currentPage, expectedPage);
        QCOMPARE(counter.updates, 1);  // every key release repaints every view of the job
        doc->RemoveView(&counter);
        // The page keys do not scroll.
        QCOMPARE(view->verticalScrollBar()->value(), 0);
        // The next paint shows the new page.
        fixture.PaintActiveView();
        QCOMPARE(doc->m_currentPage, expectedPage);
    }

    void heldKeyStepsOnceOnRelease() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 5);
        const QString path = apptest::WriteJob(m_dir, "five.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        fixture.PaintActiveView();
        CCaelvaneView* view = fixture.ActiveView();
        for (int i = 0; i < 3; ++i) {
            QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier, QString(), true);
            QCoreApplication::sendEvent(view, &repeat);
        }
        QCOMPARE(fixture.Frame().GetActiveJobDocument()->m_currentPage, 1);
        QTest::keyRelease(view, Qt::Key_PageDown);
        QCOMPARE(fixture.Frame().GetActiveJobDocument()->m_currentPage, 2);
    }

    void oneDateJobsOnlyRepaint_data() {
        QTest::addColumn<int>("jobType");
        QTest::newRow("TODAY") << 0;
        QTest::newRow("starting date") << 1;
    }
    void oneDateJobsOnlyRepaint() {
        QFETCH(int, jobType);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
        doc->m_jobType = jobType;
        fixture.PaintActiveView();
        CountingView counter;
        doc->AddView(&counter);
        for (Qt::Key key : {Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home}) {
            QTest::keyRelease(fixture.ActiveView(), key);
        }
        QCOMPARE(doc->m_currentPage, 1);
        QCOMPARE(counter.updates, 3);
        doc->RemoveView(&counter);
    }

    void everyWindowOnTheJobFollowsThePage() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        const QString path = apptest::WriteJob(m_dir, "shared.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        CCaelvaneView* first = fixture.ActiveView();
        fixture.App().OnCommand(cmd::kWindowNew);
        CCaelvaneView* second = fixture.ActiveView();
        QVERIFY(first != second);
        QCOMPARE(fixture.Windows().size(), 2);
        QCOMPARE(ShownTitle(*fixture.Windows().at(0)), QString("shared.cvj:1"));
        QCOMPARE(ShownTitle(*fixture.Windows().at(1)), QString("shared.cvj:2"));
        fixture.PaintActiveView();
        const int firstPaints = first->PaintCount();
        QTest::keyRelease(second, Qt::Key_PageDown);
        QTRY_VERIFY(first->PaintCount() > firstPaints);
    }

    void keysFollowTheirOwnJobWhenAnotherWasDrawnLast() {
        // Job A has three pages, job B ten. B is drawn last; Page Down in A on its last page
        // must wrap to 1 by A's count, not step on to 4 by B's.
        CCaelvaneDoc a;
        apptest::MakeRangeJob(a, 3);
        CCaelvaneDoc b;
        apptest::MakeRangeJob(b, 10);
        const QString pathA = apptest::WriteJob(m_dir, "a.cvj", a);
        const QString pathB = apptest::WriteJob(m_dir, "b.cvj", b);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({pathA}), std::nullopt);
        CCaelvaneView* viewA = fixture.ActiveView();
        CCaelvaneDoc* docA = viewA->GetJobDocument();
        docA->m_currentPage = 3;
        apptest::Paint(viewA);
        fixture.App().OpenDocumentFile(pathB);
        CCaelvaneView* viewB = fixture.ActiveView();
        viewB->GetJobDocument()->m_currentPage = 3;
        apptest::Paint(viewB);
        QCOMPARE(viewB->State().pageCount, 10);
        viewA->OnKeyUp(PageKey::PageDown);
        QCOMPARE(docA->m_currentPage, 1);
        QCOMPARE(viewB->GetJobDocument()->m_currentPage, 3);
    }

    void reversedDatesAreReportedOncePerRepaintRequest() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
        doc->m_jobType = 3;
        doc->m_endYear = 1999;
        doc->UpdateAllViews(nullptr, 0);
        fixture.PaintActiveView();
        QTRY_COMPARE(fixture.host.messages.size(), 1);
        QCOMPARE(fixture.host.messages.front(),
                 QString("The ending date is before the starting date\n"
                         "Go to Job Options Menu and Reenter"));
        // Uncovering the window repaints it without asking again...
        fixture.PaintActiveView();
        // Everything the repaint queued has run once a zero timer queued after it has.
        bool drained = false;
        QTimer::singleShot(0, [&] { drained = true; });
        QTRY_VERIFY(drained);
        QCOMPARE(fixture.host.messages.size(), 1);
        // ...while every repaint the program asks for does.
        doc->UpdateAllViews(nullptr, 0);
        fixture.PaintActiveView();
        QTRY_COMPARE(fixture.host.messages.size(), 2);
    }

    void getActiveJobDocumentFollowsTheActiveWindowAlsoUnderADialog() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        CCaelvaneDoc* job1 = fixture.Frame().GetActiveJobDocument();
        QCOMPARE(fixture.Frame().GetActiveJobDocument(), job1);
        CCaelvaneDoc* job2 = fixture.App().OnFileNew();
        QCOMPARE(fixture.Frame().GetActiveJobDocument(), job2);
        // A modal dialog of the program takes the focus; the job window stays the active one.
        CCaelvaneDoc* seen = nullptr;
        QDialog dialog(&fixture.Frame());
        QTimer::singleShot(0, &dialog, [&] {
            dialog.activateWindow();
            seen = fixture.Frame().GetActiveJobDocument();
            dialog.accept();
        });
        dialog.exec();
        QCOMPARE(seen, job2);
        // AdvancePage acts on that job.
        job2->m_jobType = 3;
        job2->m_endDay = 20;
        fixture.PaintActiveView();
        AdvancePage(fixture.Frame().GetActiveJobDocument());
        QCOMPARE(job2->m_currentPage, 2);
        QCOMPARE(job1->m_currentPage, 1);
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<ViewTest> registration;
#include "view_test.moc"
