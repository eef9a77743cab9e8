// Moving through a date range: End, Previous and Next, Go to Date, and the status bar's page
// and date following every page change, whoever makes it.
#include <QDateEdit>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_ids.h"
#include "app/go_to_date_dlg.h"
#include "app/page_navigation.h"
#include "app/status_bar.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "chart/paging.h"
#include "job/caelvane_doc.h"
#include "testing/modal_dialog.h"

using apptest::AppFixture;

namespace {

QString PageText(AppFixture& fixture) {
    return fixture.Frame().StatusBar()->PageIndicator()->text();
}
QString DateText(AppFixture& fixture) {
    return fixture.Frame().StatusBar()->DateIndicator()->text();
}

}  // namespace

class NavigationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void pageForDateMapsTheRangeAndRefusesTheRest() {
        CCaelvaneDoc doc;
        apptest::MakeRangeJob(doc, 10);  // 2000-01-18 .. 2000-01-27
        apptest::RecordingHost host;
        QString error;
        QCOMPARE(PageForDate(doc, host, QDate(2000, 1, 18), error), std::optional<int>(1));
        QCOMPARE(PageForDate(doc, host, QDate(2000, 1, 27), error), std::optional<int>(10));
        QCOMPARE(PageForDate(doc, host, QDate(2000, 1, 20), error), std::optional<int>(3));
        for (QDate outside : {QDate(2000, 1, 17), QDate(2000, 1, 28), QDate(1999, 1, 20)}) {
            error.clear();
            QCOMPARE(PageForDate(doc, host, outside, error), std::nullopt);
            QCOMPARE(error, QString("%1 is outside the job's dates, 2000-01-18 to 2000-01-27.")
                                .arg(outside.toString("yyyy-MM-dd")));
        }
        const std::optional<PageDateRange> range = JobPageDates(doc, host);
        QVERIFY(range.has_value());
        QCOMPARE(range->first, QDate(2000, 1, 18));
        QCOMPARE(range->last, QDate(2000, 1, 27));

        // TODAY -/+ days: the range moves with the host's date.
        doc.m_jobType = 2;
        doc.m_daysBefore = 2;
        doc.m_daysAfter = 3;
        host.today = {3, 1, 2024};
        QCOMPARE(PageForDate(doc, host, QDate(2024, 2, 28), error), std::optional<int>(1));
        QCOMPARE(PageForDate(doc, host, QDate(2024, 3, 4), error), std::optional<int>(6));
        QCOMPARE(PageForDate(doc, host, QDate(2024, 3, 5), error), std::nullopt);

        // Backward dates and one-day jobs have no page to go to.
        doc.m_jobType = 3;
        doc.m_endYear = 1999;
        QCOMPARE(PageForDate(doc, host, QDate(2000, 1, 18), error), std::nullopt);
        QCOMPARE(error, QString("The job's end date comes before its start date."));
        QCOMPARE(JobPageDates(doc, host), std::nullopt);
        doc.m_jobType = 1;
        QCOMPARE(PageForDate(doc, host, QDate(2000, 1, 18), error), std::nullopt);
        QCOMPARE(error, QString("This job shows a single day; it has no pages to go to."));
    }

    void statusBarFollowsKeysCommandsAndAdvance() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 5);
        const QString path = apptest::WriteJob(m_dir, "five.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        CCaelvaneView* view = fixture.ActiveView();
        CCaelvaneDoc* doc = view->GetJobDocument();
        QCOMPARE(PageText(fixture), QString("Page 1 of 5"));
        QCOMPARE(DateText(fixture), QString("Tue Jan 18, 2000"));

        QTest::keyRelease(view, Qt::Key_End);
        QCOMPARE(doc->m_currentPage, 5);
        QCOMPARE(PageText(fixture), QString("Page 5 of 5"));
        QCOMPARE(DateText(fixture), QString("Sat Jan 22, 2000"));
        // Next wraps as Page Down does; Previous steps back.
        fixture.App().OnCommand(cmd::kPageNext);
        QCOMPARE(PageText(fixture), QString("Page 1 of 5"));
        fixture.App().OnCommand(cmd::kPagePrevious);
        fixture.App().OnCommand(cmd::kPagePrevious);
        QCOMPARE(PageText(fixture), QString("Page 4 of 5"));
        // AutoRun and the price monitor step through AdvancePage.
        AdvancePage(doc);
        QCOMPARE(PageText(fixture), QString("Page 5 of 5"));
        QTest::keyRelease(view, Qt::Key_Home);
        QCOMPARE(PageText(fixture), QString("Page 1 of 5"));

        // A job changed to one day: one page, the navigation greyed.
        doc->m_jobType = 1;
        doc->UpdateAllViews(nullptr, 0);
        QCOMPARE(PageText(fixture), QString("Page 1 of 1"));
        for (int id : {cmd::kPageNext, cmd::kPagePrevious, cmd::kGoToDate}) {
            QVERIFY(!fixture.Frame().Actions().Action(id)->isEnabled());
        }
        // Another job window becoming active shows its own page.
        fixture.App().OnFileNew();
        QCOMPARE(DateText(fixture), QString("Tue Jan 18, 2000"));
        fixture.App().OnCommand(cmd::kFileClose);
        fixture.App().OnCommand(cmd::kFileClose);
        QTRY_VERIFY(fixture.Windows().isEmpty());
        QVERIFY(fixture.Frame().StatusBar()->PageIndicator()->isHidden());
    }

    void goToDateJumpsAndRefusesDaysOutsideTheJob() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 10);
        const QString path = apptest::WriteJob(m_dir, "ten.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();

        bool refusedAndStayedOpen = false;
        caelvane::testing::WhenModalOpens([&](QWidget* widget) {
            auto* dialog = qobject_cast<CGoToDateDlg*>(widget);
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->windowTitle(), QString("Go to Date"));
            QCOMPARE(dialog->SelectedDate(), QDate(2000, 1, 18));  // the page on show
            dialog->DateEdit()->setDate(QDate(2000, 2, 1));
            dialog->accept();
            refusedAndStayedOpen = dialog->isVisible();
            dialog->DateEdit()->setDate(QDate(2000, 1, 25));
            dialog->accept();
        });
        fixture.App().OnCommand(cmd::kGoToDate);
        QVERIFY(refusedAndStayedOpen);
        QCOMPARE(fixture.host.messages,
                 QStringList{"2000-02-01 is outside the job's dates, 2000-01-18 to 2000-01-27."});
        QCOMPARE(doc->m_currentPage, 8);
        QCOMPARE(PageText(fixture), QString("Page 8 of 10"));

        // Cancel keeps the page.
        caelvane::testing::WhenModalOpens([](QWidget* widget) {
            qobject_cast<CGoToDateDlg*>(widget)->DateEdit()->setDate(QDate(2000, 1, 19));
            QTest::keyClick(widget, Qt::Key_Escape);
        });
        fixture.App().OnCommand(cmd::kGoToDate);
        QCOMPARE(doc->m_currentPage, 8);

        // A one-day job says why there is nothing to go to, without a dialog.
        fixture.host.messages.clear();
        doc->m_jobType = 1;
        fixture.App().OnGoToDate(*fixture.ActiveView());
        QCOMPARE(fixture.host.messages,
                 QStringList{"This job shows a single day; it has no pages to go to."});
    }

    void ctrlGOpensGoToDate() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        const QString path = apptest::WriteJob(m_dir, "three.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        fixture.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.Frame()));
        QString opened;
        caelvane::testing::WhenModalOpens([&](QWidget* widget) {
            opened = widget->windowTitle();
            QTest::keyClick(widget, Qt::Key_Escape);
        });
        QTest::keyClick(fixture.ActiveView(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(opened, QString("Go to Date"));
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<NavigationTest> registration;
#include "navigation_test.moc"
