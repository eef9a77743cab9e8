// The Events window: opened from the Job menu on the active job, its filters, going to a page,
// exports, and searches that run in the background.
#include "app/events_window.h"

#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <string_view>

#include "app/command_ids.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "job/caelvane_doc.h"

#ifdef CAELVANE_WITH_NATAL
#include "natal/chart_file.h"
#endif

using apptest::AppFixture;
using events::EventKind;
using events::SkyEvent;

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
        window->SetKindFilter(events::KindBit(EventKind::Lunation));
        int fullRow = -1;
        const auto shown = window->ShownEvents();
        for (std::size_t row = 0; row < shown.size(); ++row) {
            QCOMPARE(shown[row].kind, EventKind::Lunation);
            if (shown[row].detail == events::EventDetail::FullMoon) fullRow = static_cast<int>(row);
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
        window.SetBodyFilter({"Mars"});
        window.SetFrameFilter(1);
        const auto helioMars = window.ShownEvents();
        QVERIFY(!helioMars.empty());
        QVERIFY(static_cast<int>(helioMars.size()) < all);
        for (const auto& event : helioMars) {
            QCOMPARE(event.frame, Frame::Heliocentric);
            QVERIFY(event.body1 == 4 || event.body2 == 4);
        }
        QVERIFY2(window.Note().startsWith(
                     QString("%1 of %2 events shown; positions: ").arg(helioMars.size()).arg(all)),
                 qPrintable(window.Note()));
        window.SetBodyFilter({});
        window.SetFrameFilter(-1);
        QCOMPARE(window.Rows()->rowCount(), all);
        QVERIFY2(window.Note().startsWith(QString("%1 events; positions: ").arg(all)),
                 qPrintable(window.Note()));

        // The Kinds menu: boxes ticked one by one, then all of them again.
        QMenu* kinds = window.findChildren<QToolButton*>().first()->menu();
        QVERIFY(kinds != nullptr);
        const auto action = [&](const QString& text) {
            for (QAction* a : kinds->actions())
                if (a->text() == text) return a;
            return static_cast<QAction*>(nullptr);
        };
        action("Check none")->trigger();
        QCOMPARE(window.Rows()->rowCount(), 0);
        action("station")->trigger();
        action("lunation")->trigger();
        for (const auto& event : window.ShownEvents())
            QVERIFY(event.kind == EventKind::Station || event.kind == EventKind::Lunation);
        QVERIFY(window.Rows()->rowCount() > 0);
        action("Check all")->trigger();
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
        window.SetKindFilter(events::KindBit(EventKind::Lunation));
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

    // The table against the list it shows: half a million events, filtered and sorted on the
    // list itself; the row counts and orders are those of the same filter and sort done by hand.
    void modelFollowsTheListAtHalfAMillionEvents() {
        using events::KindBit;
        const std::vector<SkyEvent> events = Synthetic(500000);
        CEventsTableModel model;
        model.SetEvents(events);
        QCOMPARE(model.rowCount(), 500000);
        QCOMPARE(model.columnCount(), static_cast<int>(CEventsTableModel::kColumns));

        const auto count = [&](auto keep) {
            return static_cast<int>(std::count_if(events.begin(), events.end(), keep));
        };
        const auto names = [](const SkyEvent& e, const char* body) {
            return std::string_view(events::BodyName(e.body1)) == body ||
                   std::string_view(events::BodyName(e.body2)) == body;
        };
        struct Case {
            const char* name;
            events::KindSet kinds;
            unsigned bodies;
            int frame;
            std::function<bool(const SkyEvent&)> keep;
        };
        const unsigned mars = 1u << 5, moon = 1u << 1;
        const std::vector<Case> cases = {
            {"everything", events::kAllKinds, CEventsTableModel::kAllBodies, -1,
             [](const SkyEvent&) { return true; }},
            {"aspects and stations", KindBit(EventKind::Aspect) | KindBit(EventKind::Station),
             CEventsTableModel::kAllBodies, -1,
             [](const SkyEvent& e) {
                 return e.kind == EventKind::Aspect || e.kind == EventKind::Station;
             }},
            {"Mars or the Moon, helio", events::kAllKinds, mars | moon, 1,
             [&](const SkyEvent& e) {
                 return e.frame == Frame::Heliocentric && (names(e, "Mars") || names(e, "Moon"));
             }},
            {"no kinds", 0, CEventsTableModel::kAllBodies, -1,
             [](const SkyEvent&) { return false; }},
        };
        for (const Case& c : cases) {
            model.SetKinds(c.kinds);
            model.SetBodies(c.bodies);
            model.SetFrame(c.frame);
            QVERIFY2(model.rowCount() == count(c.keep), c.name);
            for (int row = 0; row < model.rowCount(); row += 997)
                QVERIFY2(c.keep(model.EventAt(row)), c.name);
        }
        model.SetKinds(events::kAllKinds);
        model.SetBodies(CEventsTableModel::kAllBodies);
        model.SetFrame(-1);

        // Sorting orders the rows by the column, equals staying in time order.
        model.sort(CEventsTableModel::kKind, Qt::DescendingOrder);
        for (int row = 1; row < model.rowCount(); ++row) {
            const SkyEvent& a = model.EventAt(row - 1);
            const SkyEvent& b = model.EventAt(row);
            const QString ka = model.index(row - 1, CEventsTableModel::kKind).data().toString();
            const QString kb = model.index(row, CEventsTableModel::kKind).data().toString();
            QVERIFY(ka >= kb);
            if (ka == kb) QVERIFY(a.jed < b.jed);
        }
        model.sort(CEventsTableModel::kAngle, Qt::AscendingOrder);
        for (int row = 1; row < model.rowCount(); ++row)
            QVERIFY(model.EventAt(row - 1).angle <= model.EventAt(row).angle);
        model.sort(CEventsTableModel::kTime, Qt::DescendingOrder);
        QCOMPARE(model.EventAt(0).jed, events.back().jed);
        QCOMPARE(model.rowCount(), 500000);
    }

    // Body 1 and Body 2 in the order the summary names them; the angle as found and by name.
    void columnsReadAsTheSummary() {
        SkyEvent sextile;
        sextile.kind = EventKind::Aspect;
        sextile.jed = 2460400.5;
        sextile.body1 = -6;  // Saturn, the slower
        sextile.body2 = -4;  // Mars
        sextile.angle = 300;
        SkyEvent odd = sextile;
        odd.angle = 22.5;
        SkyEvent full;
        full.kind = EventKind::Lunation;
        full.body1 = -3;
        full.body2 = -10;
        full.angle = 180;
        full.detail = events::EventDetail::FullMoon;
        CEventsTableModel model;
        model.SetEvents({sextile, odd, full});
        const auto cell = [&](int row, int column) {
            return model.index(row, column).data().toString();
        };
        QCOMPARE(cell(0, CEventsTableModel::kSummary), QString("Mars sextile Saturn (geo)"));
        QCOMPARE(cell(0, CEventsTableModel::kBody1), QString("Mars"));
        QCOMPARE(cell(0, CEventsTableModel::kBody2), QString("Saturn"));
        QCOMPARE(cell(0, CEventsTableModel::kAngle), QString("300 (sextile)"));
        QCOMPARE(cell(1, CEventsTableModel::kAngle), QString("22.5"));
        QCOMPARE(cell(2, CEventsTableModel::kBody1), QString("Sun"));
        QCOMPARE(cell(2, CEventsTableModel::kAngle), QString("180"));
    }

#ifdef CAELVANE_WITH_NATAL
    // A chart chosen in the window adds its transits to the next search; a file or a name that
    // cannot be had is named and the chart before stays.
    void transitsToAChosenChart() {
        natal::Horoscope london;
        london.name = "London birth";
        london.local = {1975, 6, 14, 8, 30, 0};
        london.place = {"London", 51.50853, -0.12574};
        london.zone = "Europe/London";
        natal::Horoscope other = london;
        other.name = "Other";
        const QString path = m_dir.filePath("charts.json");
        std::string failure;
        QVERIFY(natal::SaveChartFile(path.toStdString(), {london, other}, failure));
        const QString damaged = m_dir.filePath("damaged.json");
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"format\": \"caelvane-horoscopes\", \"charts\": [");
        file.close();

        AppFixture fixture(m_dir.filePath("profile.ini"));
        OpenMarch(fixture);
        fixture.App().OnCommand(cmd::kSkyEvents);
        auto* window = fixture.ActiveView()->findChild<CEventsWindow*>();
        QVERIFY(window != nullptr);
        QTRY_VERIFY(!window->Searching());
        QString error;
        QVERIFY2(window->SetNatalChart(path, QStringLiteral("London birth"), error),
                 qPrintable(error));
        QCOMPARE(window->NatalChartName(), QStringLiteral("London birth"));
        const struct {
            QString path, name, expected;
        } kBad[] = {
            {path, QStringLiteral("Nobody"), QStringLiteral("'Nobody'")},
            {path, QString(), QStringLiteral("2 charts")},
            {damaged, QString(), damaged},
            {m_dir.filePath("missing.json"), QString(), m_dir.filePath("missing.json")},
        };
        for (const auto& bad : kBad) {
            QVERIFY(!window->SetNatalChart(bad.path, bad.name, error));
            QVERIFY2(error.contains(bad.expected), qPrintable(error));
            QCOMPARE(window->NatalChartName(), QStringLiteral("London birth"));
        }

        window->Search(true);
        window->SetKindFilter(events::KindBit(EventKind::Transit));
        const auto shown = window->ShownEvents();
        QVERIFY2(shown.size() > 20, qPrintable(QString::number(shown.size())));
        for (const SkyEvent& event : shown) QCOMPARE(event.kind, EventKind::Transit);
        const auto* model = window->Rows();
        QVERIFY(model->index(0, CEventsTableModel::kBody2).data().toString().startsWith("natal "));
        // The job's aspects are the angles transits are found at.
        for (const SkyEvent& event : shown) QVERIFY(event.angle == 90 || event.angle == 180);

        window->ClearNatalChart();
        window->Search(true);
        QVERIFY(std::none_of(window->Events().begin(), window->Events().end(),
                             [](const SkyEvent& e) { return e.kind == EventKind::Transit; }));
    }
#endif

    // While a long search runs the window's thread goes on (a timer of its own keeps firing),
    // the progress shows in the window, and Cancel ends the search and leaves the list as it was.
    void searchLeavesTheProgramFreeAndCancelEndsIt() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        OpenMarch(fixture);
        CEventsWindow window(*fixture.Frame().GetActiveJobDocument(), nullptr);
        window.Search(true);
        const std::size_t before = window.Events().size();
        QVERIFY(before > 0);
        window.SetRange(QDate(1600, 1, 1), QDate(2499, 12, 31));
        QSignalSpy finished(&window, &CEventsWindow::searchFinished);
        QTimer ticker;
        QSignalSpy ticks(&ticker, &QTimer::timeout);
        ticker.start(10);
        window.Search();
        QVERIFY(window.Searching());
        QTRY_VERIFY(ticks.count() >= 10);
        QVERIFY(window.Searching());
        QVERIFY(window.CancelButton()->isVisible() || !window.isVisible());
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
        qInfo("search ended %lld ms after Cancel", static_cast<long long>(clock.elapsed()));
        QVERIFY(!window.Searching());
        QCOMPARE(window.Events().size(), before);
        QCOMPARE(window.Note(), QString("Search cancelled; the list is as it was."));
    }

    // Ranges the search cannot take are refused at once, saying what it can take; the year of
    // the dates is typed.
    void rangesAndTypedYears() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        OpenMarch(fixture);
        CEventsWindow window(*fixture.Frame().GetActiveJobDocument(), nullptr);
        window.SetRange(QDate(1000, 1, 1), QDate(9999, 12, 31));
        window.Search();
        QVERIFY(!window.Searching());
        QVERIFY2(window.Note().contains("9000 years") && window.Note().contains("1000 years"),
                 qPrintable(window.Note()));

        window.show();
        QDateEdit* from = window.FromEdit();
        from->setFocus();
        from->setSelectedSection(QDateTimeEdit::YearSection);
        QTest::keyClicks(from, "1987");
        QCOMPARE(from->date(), QDate(1987, 1, 1));  // the month and day set above

        // Days before the Gregorian reform also show their Julian names; later days do not.
        const auto julianNames = [&window] {
            QStringList names;
            for (const QLabel* label : window.findChildren<QLabel*>())
                if (label->text().startsWith("Julian")) names << label->text();
            return names;
        };
        QVERIFY2(julianNames().isEmpty(), qPrintable(julianNames().join(',')));
        window.SetRange(QDate(1500, 6, 15), QDate(1582, 10, 15));
        QCOMPARE(julianNames(), QStringList{"Julian 1500-06-05"});
        window.SetRange(QDate(1582, 10, 14), QDate(1582, 10, 14));
        QCOMPARE(julianNames(), (QStringList{"Julian 1582-10-04", "Julian 1582-10-04"}));
    }

    // The precise source unless the program's choice says otherwise, named in the note.
    void positionsSourceIsChosenAndNamed() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        OpenMarch(fixture);
        CCaelvaneDoc& doc = *fixture.Frame().GetActiveJobDocument();
        CEventsWindow defaults(doc, nullptr);
        QCOMPARE(defaults.Source(), events::DefaultEventSource());
        CEventsWindow series(doc, nullptr, PositionSource::Series);
        QCOMPARE(series.Source(), PositionSource::Series);
        series.SetKindFilter(events::KindBit(EventKind::Eclipse));
        series.Search(true);
        QVERIFY2(series.Note().contains("positions: classic series"), qPrintable(series.Note()));
        if (PrecisePositionsAvailable()) {
            CEventsWindow precise(doc, nullptr, PositionSource::Precise);
            precise.Search(true);
            QVERIFY2(precise.Note().contains("positions: Swiss Ephemeris"),
                     qPrintable(precise.Note()));
        }
    }

    // The window opens whole on the screen of the view it belongs to.
    void opensWholeOnTheScreen() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        OpenMarch(fixture);
        fixture.App().OnCommand(cmd::kSkyEvents);
        auto* window = fixture.ActiveView()->findChild<CEventsWindow*>();
        QVERIFY(window != nullptr);
        const QRect available = window->screen()->availableGeometry();
        QVERIFY2(available.contains(window->geometry()),
                 qPrintable(QString("%1,%2 %3x%4 outside %5x%6")
                                .arg(window->x())
                                .arg(window->y())
                                .arg(window->width())
                                .arg(window->height())
                                .arg(available.width())
                                .arg(available.height())));
        QTRY_VERIFY(!window->Searching());
    }

private:
    // Events of every kind in both frames, an hour or two apart, in time order.
    static std::vector<SkyEvent> Synthetic(std::size_t count) {
        static const double kAngles[] = {0, 30, 45, 60, 72, 90, 120, 135, 144, 150, 180, 300};
        std::vector<SkyEvent> events(count);
        for (std::size_t i = 0; i < count; ++i) {
            SkyEvent& e = events[i];
            e.jed = 2415020.5 + static_cast<double>(i) * 0.073;
            e.kind = static_cast<EventKind>(i % 5);
            const bool helio =
                i % 3 == 0 && e.kind != EventKind::Lunation && e.kind != EventKind::Eclipse;
            e.frame = helio ? Frame::Heliocentric : Frame::Geocentric;
            const int planet = 1 + static_cast<int>(i % 9);  // Mercury .. Pluto
            e.body1 = helio ? planet : -planet;
            if (e.kind == EventKind::Aspect) {
                e.body2 = helio ? 1 + static_cast<int>((i / 9) % 9)
                                : -(1 + static_cast<int>((i / 9) % 9));
                e.angle = kAngles[i % 12];
            } else if (e.kind == EventKind::Ingress) {
                e.sign = static_cast<int>(i % 12);
            } else if (e.kind != EventKind::Station) {
                e.body1 = -3;
                e.body2 = -10;
                e.angle = e.kind == EventKind::Lunation ? 90.0 * static_cast<double>(i % 4) : -1;
            }
        }
        return events;
    }

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
