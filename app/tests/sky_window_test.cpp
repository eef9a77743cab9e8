// The Sky Chart window: drawn on opening, redrawn without antialiasing while dragged and with it
// once the mouse rests, the crosshair's reading, export by name, and the price chart's panes.
#include <QCheckBox>
#include <QFile>
#include <QMouseEvent>
#include <QPrinter>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/chart_printing.h"
#include "app/chart_surface.h"
#include "app/price_chart_view.h"
#include "app/price_chart_window.h"
#include "app/sky_chart_settings.h"
#include "app/sky_chart_window.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "prices/ohlc.h"

namespace {

double Seconds(int year, int month, int day) {
    return static_cast<double>(prices::DaysFromCivil(year, month, day)) * 86400.0;
}

void Drag(QWidget* view, QPoint to) {
    QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
}

class SkyWindowTest : public QObject {
    Q_OBJECT
private slots:
    void aDragDrawsPlainFramesThenTheRestingChart() {
        std::unique_ptr<CSkyChartWindow> window(new CSkyChartWindow(
            Seconds(2020, 1, 1), Seconds(2030, 1, 1), {{45.0, "HS1", RGB(200, 90, 0)}}));
        window->show();
        CSkyChartView* view = window->View();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTRY_VERIFY_WITH_TIMEOUT(view->ChartDraws() >= 1, 5000);
        QCOMPARE(view->Options().levels.size(), 1u);
        QCOMPARE(view->Options().bodies.size(), 4u);  // Jupiter, Saturn, Uranus, Pluto
        const double left = view->ChartWindow().timeLeft;
        const int draws = view->ChartDraws();
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 200));
        Drag(view, QPoint(380, 200));
        Drag(view, QPoint(300, 200));
        QVERIFY(view->Moving());
        QVERIFY(view->ChartWindow().timeLeft > left);  // dragged left: later dates come in
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
        QTRY_VERIFY_WITH_TIMEOUT(!view->Moving(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(view->ChartDraws() > draws, 5000);
    }

    void theCrosshairReadsEveryBody() {
        std::unique_ptr<CSkyChartWindow> window(
            new CSkyChartWindow(Seconds(2020, 1, 1), Seconds(2030, 1, 1), {}));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        CSkyChartView* view = window->View();
        QString reading;
        connect(view, &CSkyChartView::readoutChanged, this,
                [&reading](const QString& text) { reading = text; });
        QTest::mouseMove(view, QPoint(300, 150));
        QTRY_VERIFY_WITH_TIMEOUT(!reading.isEmpty(), 5000);
        for (const char* name : {"Jupiter", "Saturn", "Uranus", "Pluto", "UT", "dial"}) {
            QVERIFY2(reading.contains(QLatin1String(name)), qPrintable(reading));
        }
    }

    // A crosshair over twelve bodies reads a line longer than the screen is wide: the window
    // keeps its width.
    void aLongReadingLeavesTheWindowsWidth() {
        std::unique_ptr<CSkyChartWindow> window(
            new CSkyChartWindow(Seconds(2020, 1, 1), Seconds(2030, 1, 1), {}));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const int width = window->width();
        CSkyChartView* view = window->View();
        emit view->readoutChanged(QStringLiteral("Jupiter 26 Sco 36 (236.60)   ").repeated(30));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(window->width(), width);
        QVERIFY(window->minimumSizeHint().width() <= width);
    }

    // The markers are found on a worker: the window's own timers run meanwhile; a new range
    // replaces the search under way, and only its markers are shown.
    void theMarkerSearchLeavesTheWindowResponsive() {
        std::unique_ptr<CSkyChartWindow> window(
            new CSkyChartWindow(Seconds(1000, 1, 1), Seconds(1800, 1, 1), {}));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        CMarkerSearch& search = window->MarkerSearch();
        QSignalSpy found(&search, &CMarkerSearch::finished);
        window->SetMarkersOn(true);
        QVERIFY(search.Searching());
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&ticks] { ++ticks; });
        tick.start(5);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 5000);
        QVERIFY(search.Searching());
        QCOMPARE(found.count(), 0);

        // Dates far from those searched: a new search.
        CSkyChartView* view = window->View();
        const double from = Seconds(2020, 1, 1), to = Seconds(2024, 1, 1);
        view->SetChartWindow(sky::DialWindow(from, to, 360.0));
        QTRY_COMPARE_WITH_TIMEOUT(found.count(), 1, 120000);
        QVERIFY(!search.Searching());
        // Only the search of the new range reports; the one it replaced was cancelled.
        const auto result = found.takeFirst().at(0).value<prices::SkyMarkers>();
        QVERIFY2(result.error.empty(), result.error.c_str());
        const auto& markers = view->Options().markers;
        QVERIFY(!markers.empty());
        for (const prices::ChartMarker& marker : markers) {
            // Half a screen either side of the dates shown, and no more.
            QVERIFY2(marker.time >= from - (to - from) && marker.time <= to + (to - from),
                     qPrintable(QString::fromStdString(marker.label)));
        }
        // Off: the markers go and nothing is searched.
        window->SetMarkersOn(false);
        QVERIFY(!search.Searching());
        QVERIFY(view->Options().markers.empty());
    }

    // Each damaged value of the [SkyChart] group falls back to its own default; the others
    // are read as kept.
    void damagedSettingsFallBackToTheirDefaults_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("unknown body") << "Bodies"
                                      << "Jupiter,Vulcan";
        QTest::newRow("body list of commas") << "Bodies"
                                             << ";;;";
        QTest::newRow("unknown frame") << "Frame"
                                       << "topocentric";
        QTest::newRow("unknown source") << "Positions"
                                        << "almanac";
        QTest::newRow("dial not in the list") << "Dial"
                                              << "72";
        QTest::newRow("dial not a number") << "Dial"
                                           << "ninety";
        QTest::newRow("dial NaN") << "Dial"
                                  << "nan";
        QTest::newRow("unknown pane") << "Panes"
                                      << "speed,colour";
        QTest::newRow("markers neither 0 nor 1") << "Markers"
                                                 << "yes";
        QTest::newRow("binary junk") << "Dial" << QString::fromLatin1("\x01\xff");
    }
    void damagedSettingsFallBackToTheirDefaults() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QTemporaryDir dir;
        QSettings profile(dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
        SkyChartSettings kept;
        kept.bodies = {"Mars", "Venus"};
        kept.frame = Frame::Heliocentric;
        kept.source = PositionSource::Series;
        kept.dial = 45.0;
        kept.panes = {prices::PaneKind::Speed, prices::PaneKind::Latitude};
        kept.markers = true;
        SaveSkyChartSettings(profile, kept);
        QCOMPARE(LoadSkyChartSettings(profile), kept);

        profile.setValue(QStringLiteral("SkyChart/") + key, value);
        const SkyChartSettings read = LoadSkyChartSettings(profile);
        const SkyChartSettings defaults;
        SkyChartSettings expected = kept;
        if (key == QLatin1String("Bodies")) expected.bodies = defaults.bodies;
        if (key == QLatin1String("Frame")) expected.frame = defaults.frame;
        if (key == QLatin1String("Positions")) expected.source = defaults.source;
        if (key == QLatin1String("Dial")) expected.dial = defaults.dial;
        if (key == QLatin1String("Panes")) expected.panes = defaults.panes;
        if (key == QLatin1String("Markers")) expected.markers = defaults.markers;
        QVERIFY2(read == expected, qPrintable(key + QLatin1Char('=') + value));
    }

    // The window opens with the choices the last one kept, and keeps each change.
    void theWindowKeepsItsChoicesInTheProfile() {
        QTemporaryDir dir;
        QSettings profile(dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
        SkyChartSettings kept;
        kept.bodies = {"Mars", "Saturn"};
        kept.dial = 90.0;
        kept.panes = {};
        SaveSkyChartSettings(profile, kept);
        {
            CSkyChartWindow window(Seconds(2020, 1, 1), Seconds(2021, 1, 1), {}, nullptr, &profile);
            const sky::SkyChartOptions& options = window.View()->Options();
            QCOMPARE(options.dial, 90.0);
            QCOMPARE(options.bodies.size(), 2u);
            QVERIFY(options.panes.empty());
            auto* latitude = window.findChild<QCheckBox*>(QStringLiteral("pane_latitude"));
            QVERIFY(latitude != nullptr);
            latitude->setChecked(true);
        }
        QCOMPARE(LoadSkyChartSettings(profile).panes,
                 std::vector<prices::PaneKind>{prices::PaneKind::Latitude});
        QCOMPARE(LoadSkyChartSettings(profile).bodies, kept.bodies);
    }

    void exportsByTheNamesEnding() {
        QTemporaryDir dir;
        std::unique_ptr<CSkyChartWindow> window(
            new CSkyChartWindow(Seconds(2024, 1, 1), Seconds(2025, 1, 1), {}));
        window->resize(700, 500);
        QString error;
        for (const char* name : {"sky.png", "sky.svg", "sky.pdf"}) {
            const QString path = dir.filePath(QLatin1String(name));
            QVERIFY2(window->ExportTo(path, error), qPrintable(error));
            QVERIFY(QFile(path).size() > 100);
        }
        const QString bad = dir.filePath(QStringLiteral("sky.gif"));
        QVERIFY(!window->ExportTo(bad, error));
        QVERIFY(error.contains(bad));
        QVERIFY(!QFile::exists(bad));
    }

    // A printer that cannot be opened is a failure named to the user, not a print that
    // silently did nothing.
    void aPrinterThatCannotBeOpenedIsTold() {
        QTemporaryDir dir;
        QWidget window;
        int drawn = 0;
        CChartPrinting printing(&window, QPageLayout::Landscape, [&drawn](QPrinter& printer) {
            return PrintChart(printer, [&drawn](CDrawingDevice&, int width, int height) {
                drawn += width > 0 && height > 0;
            });
        });
        QPrinter& printer = printing.Printer();
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString missing = dir.filePath(QStringLiteral("no-such-folder/sky.pdf"));
        printer.setOutputFileName(missing);
        QString error;
        QVERIFY(!printing.PrintTo(printer, error));
        QVERIFY2(error.contains(missing), qPrintable(error));
        QCOMPARE(drawn, 0);
        const QString good = dir.filePath(QStringLiteral("sky.pdf"));
        printer.setOutputFileName(good);
        QVERIFY(printing.PrintTo(printer, error));
        QCOMPARE(drawn, 1);
        QVERIFY(QFile(good).size() > 100);
    }

    void thePriceChartTakesThePanesFromItsPanel() {
        QTemporaryDir dir;
        apptest::AppFixture fixture(dir.filePath(QStringLiteral("profile.ini")));
        CPriceChartWindow* window = fixture.App().OpenPriceFile(
            QStringLiteral(CAELVANE_EXAMPLES_DIR "/eustockmarkets_dax.csv"));
        QVERIFY(window != nullptr);
        auto* speed = window->findChild<QCheckBox*>(QStringLiteral("pane_speed"));
        QVERIFY(speed != nullptr);
        speed->setChecked(true);
        QCOMPARE(window->View()->Options().panes,
                 std::vector<prices::PaneKind>{prices::PaneKind::Speed});
        QCOMPARE(window->View()->Frame().PaneCount(), 1);
    }
};

}  // namespace

static apptest::Register<SkyWindowTest> registration;
#include "sky_window_test.moc"
