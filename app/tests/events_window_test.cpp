// The Events window: opened from the Job menu on the active job, its filters, going to a page,
// exports, and searches that run in the background.
#include "app/events_window.h"

#include <QFile>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_ids.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "job/caelvane_doc.h"

using apptest::AppFixture;
using caelvane::events::EventKind;

class EventsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    // A range job of March 2024 with the square and the opposition only.
    void opensOnTheJobsRangeAndAspects() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        CCaelvaneDoc* doc = OpenMarch(fixture);
        fixture.App().OnCommand(cmd::kSkyEvents);
        auto* window = fixture.ActiveView()->findChild<CEventsWindow*>();
        QVERIFY(window != nullptr);
        QTRY_VERIFY(!window->Searching() && !window->Events().empty());
        for (const auto& event : window->Events()) {
            QVERIFY(event.jed >= 2460370.5 && event.jed < 2460401.5);  // 2024-03-01 .. 03-31
            if (event.kind == EventKind::Aspect)
                QVERIFY2(event.angle == 90 || event.angle == 180,
                         qPrintable(QString::number(event.angle)));
        }
        // The full Moon of 2024-03-25 is page 25 of the job.
        window->SetKindFilter(static_cast<int>(EventKind::Lunation));
        int fullRow = -1;
        const auto shown = window->ShownEvents();
        for (std::size_t row = 0; row < shown.size(); ++row) {
            QCOMPARE(shown[row].kind, EventKind::Lunation);
            if (shown[row].detail == caelvane::events::EventDetail::FullMoon)
                fullRow = static_cast<int>(row);
        }
        QVERIFY(fullRow >= 0);
        QVERIFY(window->GoToRow(fullRow));
        QCOMPARE(doc->m_currentPage, 25);
    }

    void filtersAndTimes() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        OpenMarch(fixture);
        CEventsWindow window(*fixture.Frame().GetActiveJobDocument(), nullptr);
        window.Search(true);
        const int all = window.Rows()->rowCount();
        QVERIFY(all > 40);
        window.SetBodyFilter("Mars");
        window.SetFrameFilter(1);
        const auto helioMars = window.ShownEvents();
        QVERIFY(!helioMars.empty());
        QVERIFY(static_cast<int>(helioMars.size()) < all);
        for (const auto& event : helioMars) {
            QCOMPARE(event.frame, caelvane::events::Frame::Helio);
            QVERIFY(event.body1 == 4 || event.body2 == 4);
        }
        window.SetBodyFilter(QString());
        window.SetFrameFilter(-1);
        QCOMPARE(window.Rows()->rowCount(), all);

        // Sorting by another column and back keeps every row.
        window.Table()->sortByColumn(CEventsWindow::kSummary, Qt::DescendingOrder);
        QCOMPARE(window.Rows()->rowCount(), all);
        window.Table()->sortByColumn(CEventsWindow::kTime, Qt::AscendingOrder);
        const auto ordered = window.ShownEvents();
        QVERIFY(std::is_sorted(ordered.begin(), ordered.end(),
                               [](const auto& a, const auto& b) { return a.jed < b.jed; }));

        qputenv("TZ", "America/New_York");
        const QModelIndex first = window.Rows()->index(0, CEventsWindow::kTime);
        QVERIFY(first.data().toString().endsWith(" UTC"));
        window.SetLocalTimes(true);
        QVERIFY(!first.data().toString().endsWith(" UTC"));
        window.SetLocalTimes(false);
        qunsetenv("TZ");
    }

    void exportsWholeFilesOrNone() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        OpenMarch(fixture);
        CEventsWindow window(*fixture.Frame().GetActiveJobDocument(), nullptr);
        window.Search(true);
        window.SetKindFilter(static_cast<int>(EventKind::Lunation));
        QString error;
        const QString csv = m_dir.filePath("march.csv");
        QVERIFY(window.ExportTo(csv, false, error));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.first(), QByteArray("time_utc,kind,frame,body1,body2,angle,sign,detail"));
        QCOMPARE(lines.size(), 1 + 4 + 1);  // header, four phases, the empty end
        const QString ics = m_dir.filePath("march.ics");
        QVERIFY(window.ExportTo(ics, true, error));
        QFile calendar(ics);
        QVERIFY(calendar.open(QIODevice::ReadOnly));
        QCOMPARE(calendar.readAll().count("BEGIN:VEVENT"), 4);
        // A folder cannot be written over: the message names it.
        QVERIFY(!window.ExportTo(m_dir.path(), false, error));
        QVERIFY2(error.contains(m_dir.path()), qPrintable(error));
    }

    // A long search in the background, ended by closing the window, stops and leaves nothing
    // running; a short one reports its end.
    void backgroundSearches() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        OpenMarch(fixture);
        CCaelvaneDoc& doc = *fixture.Frame().GetActiveJobDocument();
        {
            CEventsWindow window(doc, nullptr);
            window.SetRange(QDate(1500, 1, 1), QDate(2399, 12, 31));
            window.Search();
            QVERIFY(window.Searching());
        }
        CEventsWindow window(doc, nullptr);
        QSignalSpy finished(&window, &CEventsWindow::searchFinished);
        window.Search();
        QVERIFY(finished.wait(20000));
        QVERIFY(!window.Events().empty());
        window.SetRange(QDate(2024, 3, 2), QDate(2024, 3, 1));
        window.Search(true);
        QCOMPARE(window.Note(), QString("The range ends before it starts."));
    }

private:
    CCaelvaneDoc* OpenMarch(AppFixture& fixture) {
        CCaelvaneDoc job;
        job.m_jobType = 3;
        job.m_startMonth = 3, job.m_startDay = 1, job.m_startYear = 2024;
        job.m_endMonth = 3, job.m_endDay = 31, job.m_endYear = 2024;
        for (auto& flag : job.m_aspectSelected) flag = 0;
        job.m_aspectSelected[19] = 1;  // 90
        job.m_aspectSelected[5] = 1;   // 180
        for (auto& enabled : job.m_customAspectEnabled) enabled = 0;
        const QString path = apptest::WriteJob(m_dir, "march.cvj", job);
        if (fixture.App().InitInstance({path}) != std::nullopt) return nullptr;
        return fixture.Frame().GetActiveJobDocument();
    }

    QTemporaryDir m_dir;
};

static apptest::Register<EventsWindowTest> registration;
#include "events_window_test.moc"
