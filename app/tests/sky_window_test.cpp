// The Sky Chart window: drawn on opening, redrawn without antialiasing while dragged and with it
// once the mouse rests, the crosshair's reading, export by name, and the price chart's panes.
#include <QCheckBox>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/price_chart_view.h"
#include "app/price_chart_window.h"
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
