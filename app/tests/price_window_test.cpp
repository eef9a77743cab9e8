// The price chart window: opening bar files (also by dropping them), the crosshair's readout,
// zoom and pan as the chart core defines them, the panel's choices kept per file, bad files
// and bad values, export and print.
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <cmath>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "app/menu_bars.h"
#include "app/positions_choice.h"
#include "app/price_chart_settings.h"
#include "app/price_chart_view.h"
#include "app/price_chart_window.h"
#include "app/price_readout.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "ephemeris/position_source.h"
#include "prices/ohlc_reader.h"
#include "prices/price_lines.h"

using apptest::AppFixture;
using Answer = caelvane::CQtHostServices::Answer;

namespace {

const QString kExample = QStringLiteral(CAELVANE_EXAMPLES_DIR "/eustockmarkets_dax.csv");

void CompareWindows(const prices::ChartWindow& a, const prices::ChartWindow& b) {
    QCOMPARE(a.timeLeft, b.timeLeft);
    QCOMPARE(a.timeRight, b.timeRight);
    QCOMPARE(a.priceLow, b.priceLow);
    QCOMPARE(a.priceHigh, b.priceHigh);
}

QListWidgetItem* BodyItem(CPriceChartWindow& window, const QString& name) {
    auto* list = window.findChild<QListWidget*>(QStringLiteral("bodies"));
    const auto found = list->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
}

void Check(CPriceChartWindow& window, const QString& name) {
    QListWidgetItem* item = BodyItem(window, name);
    QVERIFY2(item != nullptr, qPrintable(name));
    item->setCheckState(Qt::Checked);
}

void SetHarmonics(CPriceChartWindow& window, const QString& text) {
    auto* edit = window.findChild<QLineEdit*>(QStringLiteral("harmonics"));
    edit->setText(text);
    emit edit->editingFinished();
}

QString WriteText(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(text);
    return path;
}

void SendWheel(QWidget* widget, QPointF at, int delta, Qt::KeyboardModifiers keys) {
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, keys,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

class PriceWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void opensTheExampleAndDrawsItsBars() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        fixture.App().OnCommand(cmd::kFileOpenPrices);  // the dialog cancelled: nothing opens
        QVERIFY(fixture.Frame().findChildren<CPriceChartWindow*>().isEmpty());
        fixture.priceFilePath = kExample;
        fixture.App().OnCommand(cmd::kFileOpenPrices);
        QCOMPARE(fixture.Frame().findChildren<CPriceChartWindow*>().size(), 1);
        CPriceChartWindow* window = fixture.Frame().findChildren<CPriceChartWindow*>().front();
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QString("Prices - eustockmarkets_dax.csv"));
        QVERIFY(fixture.host.messages.isEmpty());
        CPriceChartView* view = window->View();
        QCOMPARE(view->Series().bars.size(), std::size_t{1860});
        // Closes only: the file has no open, high and low to draw candles from.
        QCOMPARE(view->Options().style, prices::BarStyle::CloseLine);
        CompareWindows(view->ChartWindow(), prices::FitWindow(view->Series(), false));

        // The screen shows what an export of the same size holds, pixel for pixel.
        const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QString error;
        const QString png = m_dir.filePath("shown.png");
        QVERIFY2(window->ExportTo(png, view->size(), error), qPrintable(error));
        const QImage exported = QImage(png).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(exported.size(), shown.size());
        QVERIFY(exported == shown);
        // The closes are drawn: a run of near-black pixels down some column inside the plot
        // (the axes' labels are black too, but short and outside it).
        const prices::CChartFrame frame = view->Frame();
        int longest = 0;
        for (int x = static_cast<int>(frame.Left()) + 2; x < static_cast<int>(frame.Right()) - 2;
             ++x) {
            int run = 0;
            for (int y = static_cast<int>(frame.Top()) + 2;
                 y < static_cast<int>(frame.Bottom()) - 2; ++y) {
                run = shown.pixelColor(x, y).lightness() < 90 ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        }
        QVERIFY2(longest >= 3, qPrintable(QString::number(longest)));

        // The same file again raises its window rather than opening another.
        QCOMPARE(fixture.App().OpenPriceFile(kExample), window);
        QCOMPARE(fixture.Frame().findChildren<CPriceChartWindow*>().size(), 1);
    }

    void droppedFilesOpenByTheirKind() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        // A text file of bars opens as prices; one of notes is passed over, as a .doc is.
        const QString bars = WriteText(m_dir, "bars.txt", "2020-01-02;10,5\n2020-01-03;11\n");
        const QString notes = WriteText(m_dir, "notes.txt", "call the broker\n");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(kExample), QUrl::fromLocalFile(m_dir.filePath("x.doc")),
                      QUrl::fromLocalFile(notes), QUrl::fromLocalFile(bars)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&fixture.Frame(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&fixture.Frame(), &drop);
        QTRY_COMPARE(fixture.Frame().findChildren<CPriceChartWindow*>().size(), 2);
        const CPriceChartWindow* text = fixture.Frame().findChildren<CPriceChartWindow*>().back();
        QCOMPARE(text->windowTitle(), QString("Prices - bars.txt"));
        QCOMPARE(text->View()->Series().bars.at(0).close, 10.5);
        QVERIFY(fixture.Windows().isEmpty());  // no job was opened for them
        QVERIFY(fixture.host.messages.isEmpty());
    }

    void aCsvFileNamedAtStartOpensAsPrices() {
        {
            AppFixture fixture(m_dir.filePath("profile.ini"));
            QCOMPARE(fixture.App().InitInstance({kExample}), std::nullopt);
            QCOMPARE(fixture.Frame().findChildren<CPriceChartWindow*>().size(), 1);
            QVERIFY(fixture.Windows().isEmpty());  // no job beside it
            QVERIFY(fixture.host.messages.isEmpty());
        }
        // One that cannot be read is reported, and the usual new job comes up.
        const QString bad = WriteText(m_dir, "bad.CSV", "no columns here\n");
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({bad}), std::nullopt);
        QVERIFY(fixture.Frame().findChildren<CPriceChartWindow*>().isEmpty());
        QCOMPARE(fixture.host.messages.size(), 1);
        QVERIFY2(fixture.host.messages.front().contains("bad.CSV"),
                 qPrintable(fixture.host.messages.front()));
        QCOMPARE(fixture.Windows().size(), 1);
    }

    // A crosshair reading many bodies is longer than the screen is wide: the window keeps its
    // width (the status bar cuts the line).
    void aLongReadingLeavesTheWindowsWidth() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
        QVERIFY(window != nullptr);
        const int width = window->width();
        emit window->View()->readoutChanged(
            QStringLiteral("Jupiter 26 Sco 36 (236.60)   ").repeated(30));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(window->width(), width);
        QVERIFY(window->minimumSizeHint().width() <= width);
    }

    void crosshairReadsDatePriceDegreeAndBodies() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
        QVERIFY(window != nullptr);
        Check(*window, "Mars");
        Check(*window, "Jupiter");
        CPriceChartView* view = window->View();
        QCOMPARE(view->Options().bodies.size(), std::size_t{2});
        QCOMPARE(view->Options().lines.unitsPerCircle, 72.0);

        const prices::CChartFrame frame = view->Frame();
        const QPoint at(static_cast<int>(frame.XOfTime(794'059'200.0)),  // 1995-03-01
                        static_cast<int>(frame.YOfPrice(2100.0)));
        QTest::mouseMove(view, at);
        QVERIFY(view->Crosshair().has_value());
        const pricewin::ChartReadout& readout = view->Readout();
        QCOMPARE(readout.time, frame.TimeOfX(at.x()));
        QCOMPARE(readout.price, frame.PriceOfY(at.y()));
        QCOMPARE(readout.degree, prices::PriceDegree(readout.price, 72.0));
        // The monitor's rule, by hand: five degrees to the price unit.
        QVERIFY(std::fabs(readout.degree - std::fmod(readout.price, 72.0) * 5.0) < 1e-9);
        QVERIFY(std::fabs(readout.price - 2100.0) < 10.0);
        QCOMPARE(readout.bodies.size(), std::size_t{2});
        const double jed = prices::JedOfSeconds(readout.time);
        const int mars = BodyCode(*FindBody("Mars"), Frame::Geocentric);
        QCOMPARE(readout.bodies[0].code, mars);
        QCOMPARE(readout.bodies[0].longitude,
                 BodyLongitude(jed, mars, view->Options().lines.source));

        const QString text = window->ReadoutText();
        QCOMPARE(text, view->ReadoutText());
        QVERIFY2(
            text.startsWith(QString::fromStdString(prices::FormatBarTime(readout.time, false))),
            qPrintable(text));
        QVERIFY2(text.contains("Mars " + QString::fromStdString(pricewin::FormatLongitude(
                                             readout.bodies[0].longitude))),
                 qPrintable(text));
        QVERIFY(text.contains("Jupiter "));
        QVERIFY(text.contains(QStringLiteral("%1\u00B0").arg(readout.degree, 0, 'f', 2)));

        // Heliocentric: the same instant from the Sun.
        window->findChild<QComboBox*>(QStringLiteral("frame"))->setCurrentIndex(1);
        QCOMPARE(view->Options().lines.frame, Frame::Heliocentric);
        const int helioMars = BodyCode(*FindBody("Mars"), Frame::Heliocentric);
        QCOMPARE(view->Readout().bodies.at(0).longitude,
                 BodyLongitude(jed, helioMars, view->Options().lines.source));

        // Leaving the chart ends the readout.
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view, &leave);
        QVERIFY(window->ReadoutText().isEmpty());
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("readout"))->text(),
                 CPriceChartView::Hint());
    }

    void positionsFollowTheProgramUntilChosenForTheFile() {
        if (!PrecisePositionsAvailable()) QSKIP("this build has no precise source");
        // A profile of its own: the other tests have kept choices for the example.
        AppFixture fixture(m_dir.filePath("precise/profile.ini"));
        fixture.App().Positions().Choose(PositionSource::Precise);
        CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
        QCOMPARE(window->Options().lines.source, PositionSource::Precise);
        Check(*window, "Saturn");
        CPriceChartView* view = window->View();
        view->SetCrosshair(QPointF(300, 200));
        const int saturn = BodyCode(*FindBody("Saturn"), Frame::Geocentric);
        QCOMPARE(view->Readout().bodies.at(0).longitude,
                 BodyLongitude(prices::JedOfSeconds(view->Readout().time), saturn,
                               PositionSource::Precise));
        window->findChild<QComboBox*>(QStringLiteral("positions"))->setCurrentIndex(0);
        QCOMPARE(view->Readout().bodies.at(0).longitude,
                 BodyLongitude(prices::JedOfSeconds(view->Readout().time), saturn,
                               PositionSource::Series));
    }

    void wheelDragAndKeysMoveTheWindowAsTheCoreSays() {
        CPriceChartView view;
        auto series = std::make_shared<prices::PriceSeries>();
        QVERIFY(prices::ReadOhlcFile(kExample.toStdString(), {}, *series).ok);
        view.SetSeries(series);
        // The core's zoom and pan as they stand: the prices not fitted to the bars.
        view.SetFitPrices(false);
        view.resize(800, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QPointF at(300, 200);

        struct Case {
            Qt::KeyboardModifiers keys;
            QPointF at;
            bool times, prices;
        };
        const double priceAxis = view.Frame().Right() + 20;
        for (const Case& c :
             {Case{Qt::NoModifier, at, true, false}, Case{Qt::ControlModifier, at, true, true},
              Case{Qt::ShiftModifier, at, false, true},
              Case{Qt::NoModifier, QPointF(priceAxis, 200), false, true}}) {
            const prices::ChartWindow expected = prices::ZoomWindow(
                view.Frame(), c.at.x(), c.at.y(), CPriceChartView::kZoomStep, c.times, c.prices);
            SendWheel(&view, c.at, 120, c.keys);
            CompareWindows(view.ChartWindow(), expected);
        }
        // A notch back the other way zooms out by the same factor.
        const prices::ChartWindow out = prices::ZoomWindow(
            view.Frame(), at.x(), at.y(), 1.0 / CPriceChartView::kZoomStep, true, false);
        SendWheel(&view, at, -120, Qt::NoModifier);
        const prices::ChartWindow got = view.ChartWindow();
        QVERIFY(std::fabs(got.timeLeft - out.timeLeft) < 1e-3);
        QVERIFY(std::fabs(got.timeRight - out.timeRight) < 1e-3);

        const int drawsBefore = view.ChartDraws();
        // Dragging pans both axes step by step.
        prices::ChartWindow expected = view.ChartWindow();
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 250));
        for (const QPoint& step : {QPoint(380, 260), QPoint(330, 300)}) {
            const QPoint from = step == QPoint(380, 260) ? QPoint(400, 250) : QPoint(380, 260);
            expected =
                prices::PanWindow(prices::CChartFrame(view.width(), view.height(), expected, false),
                                  from.x(), from.y(), step.x(), step.y());
            QMouseEvent move(QEvent::MouseMove, step, view.mapToGlobal(step), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&view, &move);
            CompareWindows(view.ChartWindow(), expected);
        }
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(330, 300));

        // Keys: an arrow moves a tenth of the plot, Home shows everything.
        const prices::CChartFrame frame = view.Frame();
        const double cx = (frame.Left() + frame.Right()) / 2,
                     cy = (frame.Top() + frame.Bottom()) / 2;
        const prices::ChartWindow right = prices::PanWindow(
            frame, cx, cy, cx - (frame.Right() - frame.Left()) * CPriceChartView::kPanShare, cy);
        QTest::keyClick(&view, Qt::Key_Right);
        CompareWindows(view.ChartWindow(), right);
        QTest::keyClick(&view, Qt::Key_Home);
        CompareWindows(view.ChartWindow(), prices::FitWindow(*series, false));

        // A moving crosshair is painted over the kept chart: no redraw of the chart itself.
        QTRY_VERIFY(view.ChartDraws() > drawsBefore);
        const int draws = view.ChartDraws();
        for (int x = 100; x < 600; x += 50) {
            QTest::mouseMove(&view, QPoint(x, 220));
            view.repaint();
        }
        QCOMPARE(view.ChartDraws(), draws);
    }

    void aDragShowsTheLastDrawingMovedUntilTheMouseRests() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
        Check(*window, "Mars");
        // A drag moves the prices too only while they are not fitted to the bars.
        window->FitPricesAction()->setChecked(false);
        CPriceChartView* view = window->View();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QImage before = view->grab().toImage();
        const int draws = view->ChartDraws();

        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 250));
        const auto drag = [&](QPoint to) {
            QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(view, &move);
        };
        drag(QPoint(380, 260));
        drag(QPoint(330, 300));
        const QImage during = view->grab().toImage();
        QCOMPARE(view->ChartDraws(), draws);
        QVERIFY(view->Previewing());
        QCOMPARE(view->PreviewTransform(), QTransform::fromTranslate(-70, 50));
        // Inside the plot, away from the crosshair, each pixel is the one drawn 70 pixels to
        // the right of it and 50 above; the strip the drag uncovered is blank.
        const prices::CChartFrame frame = view->Frame();
        int compared = 0;
        for (int y = static_cast<int>(frame.Top()) + 51; y < frame.Bottom(); y += 7) {
            for (int x = static_cast<int>(frame.Left()) + 1; x < frame.Right() - 70; x += 5) {
                if (std::abs(x - 330) < 3 || std::abs(y - 300) < 3) continue;
                QCOMPARE(during.pixel(x, y), before.pixel(x + 70, y - 50));
                ++compared;
            }
        }
        QVERIFY(compared > 1000);
        // Nothing of the axes or the border comes into the plot: the strips the drag uncovered,
        // where the price labels and the border would have come, are blank.
        int marked = 0;
        for (int y = static_cast<int>(frame.Top()) + 2; y < frame.Bottom() - 1; ++y) {
            if (std::abs(y - 300) < 3) continue;  // the crosshair
            for (int x = static_cast<int>(frame.Left()) + 2; x < frame.Right() - 1; ++x) {
                if (std::abs(x - 330) < 3) continue;
                if ((x > frame.Right() - 69 || y < frame.Top() + 49) &&
                    QColor(during.pixel(x, y)) != QColor(Qt::white))
                    ++marked;
            }
        }
        QCOMPARE(marked, 0);

        // Resting, the chart is drawn where the drag took it; letting go draws nothing more.
        QTRY_VERIFY(!view->Previewing());
        view->repaint();
        QCOMPARE(view->ChartDraws(), draws + 1);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(330, 300));
        view->repaint();
        QCOMPARE(view->ChartDraws(), draws + 1);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view, &leave);
        QString error;
        const QString png = m_dir.filePath("dragged.png");
        QVERIFY2(window->ExportTo(png, view->size(), error), qPrintable(error));
        QVERIFY(QImage(png).convertToFormat(QImage::Format_RGB32) ==
                view->grab().toImage().convertToFormat(QImage::Format_RGB32));

        // Letting go at once draws at once.
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
        drag(QPoint(320, 280));
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(320, 280));
        QVERIFY(!view->Previewing());
        view->repaint();
        QCOMPARE(view->ChartDraws(), draws + 2);

        // The wheel stretches the last drawing about the cursor, and draws when it rests.
        SendWheel(view, QPointF(250, 200), 120, Qt::NoModifier);
        SendWheel(view, QPointF(250, 200), 120, Qt::ControlModifier);
        view->repaint();
        QCOMPARE(view->ChartDraws(), draws + 2);
        const QTransform stretch = view->PreviewTransform();
        QVERIFY(std::fabs(stretch.m11() - 1.0 / (0.8 * 0.8)) < 1e-9);
        QVERIFY(std::fabs(stretch.m22() - 1.0 / 0.8) < 1e-9);
        const QPointF still = stretch.map(QPointF(250, 200));
        QVERIFY(std::fabs(still.x() - 250) < 1e-6 && std::fabs(still.y() - 200) < 1e-6);
        QTRY_VERIFY(!view->Previewing());
        view->repaint();
        QCOMPARE(view->ChartDraws(), draws + 3);
    }

    void choicesAreKeptPerFile() {
        const QString first = m_dir.filePath("first.csv"), second = m_dir.filePath("second.csv");
        QFile::remove(first);
        QFile::remove(second);
        QVERIFY(QFile::copy(kExample, first));
        QVERIFY(QFile::copy(kExample, second));
        const QString profile = m_dir.filePath("kept.ini");
        prices::ChartWindow zoomed;
        {
            AppFixture fixture(profile);
            CPriceChartWindow* window = fixture.App().OpenPriceFile(first);
            QVERIFY(window != nullptr);
            window->findChild<QComboBox*>(QStringLiteral("frame"))->setCurrentIndex(1);
            Check(*window, "Mars");
            Check(*window, "Earth");
            window->SetBodyColor("Mars", RGB(1, 2, 3));
            window->findChild<QComboBox*>(QStringLiteral("style"))->setCurrentIndex(1);
            window->findChild<QDoubleSpinBox*>(QStringLiteral("unitsPerCircle"))->setValue(360);
            window->findChild<QDoubleSpinBox*>(QStringLiteral("offset"))->setValue(12.5);
            SetHarmonics(*window, "0, 90, 180");
            window->findChild<QCheckBox*>(QStringLiteral("logScale"))->setChecked(true);
            window->View()->ZoomAtCenter(0.5, true, false);
            zoomed = window->View()->ChartWindow();
            window->close();
            // The other file has kept nothing.
            CPriceChartWindow* other = fixture.App().OpenPriceFile(second);
            QVERIFY(other->Options().bodies.empty());
            QCOMPARE(other->Options().lines.frame, Frame::Geocentric);
        }
        AppFixture fixture(profile);
        CPriceChartWindow* window = fixture.App().OpenPriceFile(first);
        const prices::ChartOptions& options = window->Options();
        QCOMPARE(options.style, prices::BarStyle::OhlcBars);
        QVERIFY(options.logScale);
        QCOMPARE(options.lines.frame, Frame::Heliocentric);
        QCOMPARE(options.lines.unitsPerCircle, 360.0);
        QCOMPARE(options.lines.offset, 12.5);
        QCOMPARE(options.lines.harmonics, (std::vector<double>{0, 90, 180}));
        QCOMPARE(options.bodies.size(), std::size_t{2});
        // In the list's order: Earth before Mars.
        QCOMPARE(options.bodies[0].code, BodyCode(*FindBody("Earth"), Frame::Heliocentric));
        QCOMPARE(options.bodies[0].color,
                 prices::DefaultBodyColor(BodyCode(*FindBody("Earth"), Frame::Heliocentric)));
        QCOMPARE(options.bodies[1].color, RGB(1, 2, 3));
        CompareWindows(window->View()->ChartWindow(), zoomed);
        QVERIFY(window->findChild<QCheckBox*>(QStringLiteral("logScale"))->isChecked());
        QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("harmonics"))->text(),
                 QString("0, 90, 180"));
    }

    void theStoreKeepsTheMostRecentFiles() {
        CPriceChartSettingsStore store(m_dir.filePath("bounded.ini"));
        PriceChartSettings settings;
        settings.options.lines.unitsPerCircle = 90;
        for (int i = 0; i <= CPriceChartSettingsStore::kMaxFiles; ++i)
            QVERIFY(store.Save(m_dir.filePath(QStringLiteral("f%1.csv").arg(i)), settings));
        QVERIFY(!store.Load(m_dir.filePath("f0.csv")).has_value());
        QVERIFY(store.Load(m_dir.filePath("f1.csv")).has_value());
        // Saving again makes a file the most recent.
        QVERIFY(store.Save(m_dir.filePath("f1.csv"), settings));
        QVERIFY(store.Save(m_dir.filePath("g.csv"), settings));
        QVERIFY(store.Load(m_dir.filePath("f1.csv")).has_value());
        QVERIFY(!store.Load(m_dir.filePath("f2.csv")).has_value());
        QCOMPARE(store.Load(m_dir.filePath("g.csv"))->options.lines.unitsPerCircle, 90.0);
    }

    void aBadRowMayBeLeftOut() {
        const QString path = WriteText(m_dir, "bad.csv",
                                       "Date,Close\n2020-01-02,10\n2020-01-03,11\n"
                                       "2020-01-06,abc\n2020-01-07,12\n2020-01-08,0\n");
        AppFixture fixture(m_dir.filePath("profile.ini"));
        fixture.host.answers = {Answer::No, Answer::Yes};
        QCOMPARE(fixture.App().OpenPriceFile(path), nullptr);
        QCOMPARE(fixture.host.questions.size(), 1);
        QVERIFY2(fixture.host.questions[0].startsWith(path + ":4: column 2 (Close): "),
                 qPrintable(fixture.host.questions[0]));
        QVERIFY(fixture.host.questions[0].contains("'abc'"));
        QVERIFY(fixture.host.questions[0].contains("Keep the good rows"));
        QVERIFY(fixture.host.messages.isEmpty());

        CPriceChartWindow* window = fixture.App().OpenPriceFile(path);
        QVERIFY(window != nullptr);
        QCOMPARE(window->View()->Series().bars.size(), std::size_t{4});
        QCOMPARE(fixture.host.messages.size(), 1);
        QVERIFY2(fixture.host.messages[0].startsWith(
                     path + ": left out 1 bad row; the first: " + path + ":4: column 2 (Close)"),
                 qPrintable(fixture.host.messages[0]));

        // A price of 0 has no logarithm: the axis stays linear, and the message says why.
        auto* log = window->findChild<QCheckBox*>(QStringLiteral("logScale"));
        log->setChecked(true);
        QVERIFY(!log->isChecked());
        QVERIFY(!window->Options().logScale);
        QCOMPARE(fixture.host.messages.size(), 2);
        QCOMPARE(fixture.host.messages[1].toStdString(),
                 prices::CheckChart(window->View()->Series(), window->View()->ChartWindow(), true));
    }

    void aFileWithoutColumnsIsOnlyReported() {
        const QString path = WriteText(m_dir, "empty.txt", "\n\n");
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().OpenPriceFile(path), nullptr);
        QVERIFY(fixture.host.questions.isEmpty());
        QCOMPARE(fixture.host.messages.size(), 1);
        QVERIFY2(fixture.host.messages[0].startsWith(path + ": "),
                 qPrintable(fixture.host.messages[0]));
        const QString missing = m_dir.filePath("missing.csv");
        QCOMPARE(fixture.App().OpenPriceFile(missing), nullptr);
        QVERIFY(fixture.host.messages.last().contains(missing));
    }

    // Without a choice under View > Positions the chart takes the precise source where the
    // build has it, and says which; a choice made there still selects the series.
    void chartsArePreciseByDefaultAndSaySo() {
        {
            AppFixture fixture(m_dir.filePath("default/profile.ini"));
            CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
            QVERIFY(window != nullptr);
            const PositionSource expected = PriceChartSource(std::nullopt);
            QCOMPARE(window->Options().lines.source, expected);
            QCOMPARE(
                window->SourceNote(),
                expected == PositionSource::Precise
                    ? "Positions: precise (" + QString::fromStdString(PreciseSourceName()) + ")"
                    : QString("Positions: classic series"));
        }
        if (!PrecisePositionsAvailable()) return;
        AppFixture fixture(m_dir.filePath("chosen/profile.ini"));
        fixture.App().Positions().Choose(PositionSource::Precise);
        fixture.App().Positions().Choose(PositionSource::Series);
        CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
        QCOMPARE(window->Options().lines.source, PositionSource::Series);
        QCOMPARE(window->SourceNote(), QString("Positions: classic series"));
    }

    // Zoomed into two months, the prices fill the plot; zooming the prices by hand locks the
    // axis until fitting is turned on again.
    void thePriceAxisFitsTheBarsInView() {
        AppFixture fixture(m_dir.filePath("fit/profile.ini"));
        CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
        CPriceChartView* view = window->View();
        QVERIFY(view->FitPrices());
        QVERIFY(window->FitPricesAction()->isChecked());
        const prices::PriceSeries& series = view->Series();
        prices::ChartWindow months = view->ChartWindow();
        months.timeLeft = 757'382'400.0;  // 1994-01-01
        months.timeRight = months.timeLeft + 61 * 86400.0;
        view->SetChartWindow(months);
        CompareWindows(view->ChartWindow(), prices::FitPricesToTimes(series, months, false));
        QVERIFY(view->ChartWindow().priceHigh - view->ChartWindow().priceLow <
                (prices::FitWindow(series, false).priceHigh -
                 prices::FitWindow(series, false).priceLow) /
                    4);
        // A wheel over the dates keeps fitting.
        SendWheel(view, QPointF(300, 200), 120, Qt::NoModifier);
        CompareWindows(view->ChartWindow(),
                       prices::FitPricesToTimes(series, view->ChartWindow(), false));
        // Over the price axis: the user's own prices, kept.
        SendWheel(view, QPointF(view->Frame().Right() + 20, 200), 120, Qt::NoModifier);
        QVERIFY(!view->FitPrices());
        QVERIFY(!window->FitPricesAction()->isChecked());
        const prices::ChartWindow locked = view->ChartWindow();
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(view->ChartWindow().priceLow, locked.priceLow);
        window->FitPricesAction()->setChecked(true);
        CompareWindows(view->ChartWindow(),
                       prices::FitPricesToTimes(series, view->ChartWindow(), false));
    }

    // A newest-first export as finance sites give it, with a repeated day in another.
    void newestFirstFilesAreReadInTimeOrder() {
        const QString path = WriteText(m_dir, "newest.csv",
                                       "Date,Open,High,Low,Close,Adj Close,Volume\n"
                                       "2024-03-06,12,13,11.5,12.5,12.4,3000\n"
                                       "2024-03-05,11,12.5,10.5,12,11.9,2000\n"
                                       "2024-03-04,10,11.5,9.5,11,10.9,1000\n");
        AppFixture fixture(m_dir.filePath("newest/profile.ini"));
        CPriceChartWindow* window = fixture.App().OpenPriceFile(path);
        QVERIFY(window != nullptr);
        const prices::PriceSeries& series = window->View()->Series();
        QCOMPARE(series.bars.size(), std::size_t{3});
        QVERIFY(series.bars[0].time < series.bars[2].time);
        QCOMPARE(series.bars[0].volume, 1000.0);
        QCOMPARE(window->FileNote(), QString("Rows newest first: shown in time order"));
        QVERIFY(window->View()->Options().volumePane);
        // The crosshair reads the bar under it.
        const prices::CChartFrame frame = window->View()->Frame();
        window->View()->SetCrosshair(
            QPointF(frame.XOfTime(static_cast<double>(series.bars[1].time)),
                    (frame.Top() + frame.Bottom()) / 2));
        QVERIFY2(window->ReadoutText().contains("bar 2024-03-05 O 11"),
                 qPrintable(window->ReadoutText()));
        QVERIFY2(
            window->ReadoutText().contains(" C 12") && window->ReadoutText().contains(" V 2000"),
            qPrintable(window->ReadoutText()));

        const QString twice =
            WriteText(m_dir, "twice.csv", "Date,Close\n2024-03-06,1\n2024-03-05,2\n2024-03-05,3\n");
        fixture.host.answers = {Answer::No};
        QCOMPARE(fixture.App().OpenPriceFile(twice), nullptr);
        QCOMPARE(fixture.host.questions.size(), 1);
        QVERIFY2(fixture.host.questions[0].startsWith(
                     twice + ":4: column 1 (Date): repeats the time of line 3"),
                 qPrintable(fixture.host.questions[0]));
    }

    // A file of a million rows is read behind the window's progress while the program goes on
    // answering; Cancel ends the reading and the window.
    void aLargeFileIsReadWithoutHoldingUpTheProgram() {
        QByteArray text = "Date,Time,Open,High,Low,Close,Volume\n";
        const std::int64_t first = prices::DaysFromCivil(2000, 1, 3);
        for (int i = 0; i < 1'000'000; ++i) {
            const std::int64_t minute = i;
            int y = 0, m = 0, d = 0;
            prices::CivilFromDays(first + minute / 1440, y, m, d);
            char row[96];
            const int length =
                std::snprintf(row, sizeof row, "%04d-%02d-%02d,%02d:%02d,%d,%d,%d,%d,%d\n", y, m, d,
                              static_cast<int>(minute / 60 % 24), static_cast<int>(minute % 60),
                              100 + i % 7, 108 + i % 5, 95 - i % 3, 101 + i % 6, 10 + i % 9);
            text.append(row, length);
        }
        const QString path = WriteText(m_dir, "million.csv", text);
        QVERIFY(text.size() >= kReadInWorkerBytes);
        AppFixture fixture(m_dir.filePath("large/profile.ini"));
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start(5);
        CPriceChartWindow* window = fixture.App().OpenPriceFile(path);
        QVERIFY(window != nullptr);
        QVERIFY(window->Reading());
        QSignalSpy finished(window, &CPriceChartWindow::readingFinished);
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QVERIFY2(ticks >= 2, qPrintable(QString::number(ticks)));  // the main thread ran
        QCOMPARE(window->View()->Series().bars.size(), std::size_t{1'000'000});
        QVERIFY(window->View()->Series().hasVolume);
        window->close();

        // Opened again, and cancelled at once: the window goes, nothing is said.
        fixture.host.messages.clear();
        QPointer<CPriceChartWindow> again = fixture.App().OpenPriceFile(path);
        QVERIFY(!again.isNull());
        again->CancelReading();
        QTRY_VERIFY_WITH_TIMEOUT(again.isNull(), 20000);
        QVERIFY(fixture.host.messages.isEmpty());

        // Two gigabytes of a sparse file: refused at its first megabyte, in the background.
        const QString sparse = m_dir.filePath("sparse.csv");
        {
            QFile file(sparse);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(qint64{2} << 30));
        }
        QPointer<CPriceChartWindow> holes = fixture.App().OpenPriceFile(sparse);
        QVERIFY(!holes.isNull());
        QVERIFY(holes->Reading());
        QTRY_VERIFY_WITH_TIMEOUT(holes.isNull(), 20000);
        QCOMPARE(fixture.host.messages.size(), 1);
        QCOMPARE(fixture.host.messages[0], sparse + ":1: the line is longer than 1048576 bytes");
    }

    // A pipe named like a price file is refused at once, not waited on.
    void aPipeIsRefusedWithoutWaiting() {
        const QString path = m_dir.filePath("pipe.csv");
        QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        AppFixture fixture(m_dir.filePath("pipe/profile.ini"));
        QCOMPARE(fixture.App().OpenPriceFile(path), nullptr);
        QCOMPARE(fixture.host.messages.size(), 1);
        QCOMPARE(fixture.host.messages[0], path + ": not a regular file");
    }

    // The sky's events are found off the GUI thread and drawn as markers at their times.
    void skyEventsAreMarkedOnTheChart() {
        AppFixture fixture(m_dir.filePath("sky/profile.ini"));
        CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
        QVERIFY(window != nullptr);
        namespace ev = events;
        const int mercury = BodyCode(*FindBody("Mercury"), Frame::Geocentric);
        QSignalSpy found(window, &CPriceChartWindow::skySearchFinished);
        window->SetSkyEvents(ev::KindBit(ev::EventKind::Station), {mercury}, {mercury});
        QVERIFY(window->SearchingSky());
        QVERIFY(found.wait(60000));
        QVERIFY2(!window->Sky().markers.empty(), qPrintable(window->SkyMessage()));
        // 1991-1998: Mercury stations three or four times a year, each a start or end of a span.
        QVERIFY(window->Sky().markers.size() >= 40);
        QVERIFY(window->Sky().spans.size() >= 20);
        QCOMPARE(window->View()->Options().markers.size(), window->Sky().markers.size());
        QVERIFY2(window->SkyMessage().contains("events"), qPrintable(window->SkyMessage()));
        for (const prices::ChartMarker& marker : window->Sky().markers) {
            QVERIFY(marker.label == "Mer R" || marker.label == "Mer D");
        }
        // Nothing chosen: no search and no markers.
        window->SetSkyEvents(0, {}, {});
        QVERIFY(!window->SearchingSky());
        QVERIFY(window->View()->Options().markers.empty());
    }

    // Open price charts are listed in the Window menu beside the job windows, and price files
    // join the recent-file list.
    void priceChartsAreListedAndRemembered() {
        AppFixture fixture(m_dir.filePath("listed/profile.ini"));
        fixture.App().OnCommand(cmd::kFileNew);
        CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
        QVERIFY(window != nullptr);
        QMenu* menu = fixture.Frame().MenuBars().WindowMenu();
        emit menu->aboutToShow();
        QStringList texts;
        for (QAction* action : menu->actions()) texts.append(action->text());
        QVERIFY2(texts.join('|').contains("Prices - eustockmarkets_dax.csv"),
                 qPrintable(texts.join('|')));
        QCOMPARE(fixture.App().Profile().value("Recent File List/File1").toString(), kExample);
        // The price window's File menu opens other price files as the main one does.
        QMenu* file = window->menuBar()->findChildren<QMenu*>().value(0);
        QVERIFY(file != nullptr);
        bool hasOpenPrices = false;
        for (QAction* action : window->findChildren<QMenu*>().value(0)->actions())
            hasOpenPrices = hasOpenPrices || action->text().startsWith("Open Pr&ices");
        QVERIFY(hasOpenPrices);
    }

    void badHarmonicsAreRefusedByName() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
        SetHarmonics(*window, "0 90,180");
        QCOMPARE(window->Options().lines.harmonics, (std::vector<double>{0, 90, 180}));
        QVERIFY(window->PanelMessage().isEmpty());
        SetHarmonics(*window, "0, 9o");
        QCOMPARE(window->PanelMessage(), QString("harmonics: '9o' is not a number of degrees"));
        QCOMPARE(window->Options().lines.harmonics, (std::vector<double>{0, 90, 180}));
        SetHarmonics(*window, "400");
        QCOMPARE(window->PanelMessage(), QString("harmonics: 400 is outside 0 to 360 degrees"));
        SetHarmonics(*window, "");
        QCOMPARE(window->Options().lines.harmonics, (std::vector<double>{0}));
        QVERIFY(window->PanelMessage().isEmpty());
    }

    void exportsAndPrints() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        CPriceChartWindow* window = fixture.App().OpenPriceFile(kExample);
        Check(*window, "Mars");
        QString error;
        const QString png = m_dir.filePath("chart.png");
        QVERIFY2(window->ExportTo(png, QSize(640, 400), error), qPrintable(error));
        QCOMPARE(QImage(png).size(), QSize(640, 400));
        const QString svg = m_dir.filePath("chart.svg");
        QVERIFY2(window->ExportTo(svg, QSize(640, 400), error), qPrintable(error));
        QVERIFY(QSvgRenderer(svg).isValid());
        const QString pdf = m_dir.filePath("chart.pdf");
        QVERIFY2(window->ExportTo(pdf, {}, error), qPrintable(error));
        QFile pdfFile(pdf);
        QVERIFY(pdfFile.open(QIODevice::ReadOnly));
        QVERIFY(pdfFile.read(5) == "%PDF-");
        QVERIFY(apptest::PdfPageText(pdf, 1).contains("Mars"));

        const QString other = m_dir.filePath("chart.bmp");
        QVERIFY(!window->ExportTo(other, {}, error));
        QVERIFY2(error.contains(other), qPrintable(error));
        QVERIFY(!QFile::exists(other));

        // Copy puts the chart on the clipboard as the screen shows it.
        QGuiApplication::clipboard()->clear();
        QAction* copy = nullptr;
        for (QAction* action : window->findChildren<QAction*>())
            if (action->text() == QLatin1String("&Copy")) copy = action;
        QVERIFY(copy != nullptr);
        QCOMPARE(copy->shortcut(), QKeySequence(QKeySequence::Copy));
        copy->trigger();
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), window->View()->size());
        QVERIFY(copied.convertToFormat(QImage::Format_RGB32) ==
                window->View()->grab().toImage().convertToFormat(QImage::Format_RGB32));

        QPrinter& printer = window->Printer();
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString printed = m_dir.filePath("printed.pdf");
        printer.setOutputFileName(printed);
        window->PrintTo(printer);
        QCOMPARE(apptest::PdfPageCount(printed), 1);
        QVERIFY(apptest::PdfPageText(printed, 1).contains("eustockmarkets_dax.csv"));
    }

    void readoutTexts() {
        QCOMPARE(pricewin::FormatLongitude(123.456), std::string("123.45\u00B0 (Leo 3\u00B027')"));
        QCOMPARE(pricewin::FormatLongitude(359.999), std::string("359.99\u00B0 (Pis 29\u00B059')"));
        QCOMPARE(pricewin::FormatLongitude(-30.0), std::string("330.00\u00B0 (Pis 0\u00B000')"));
        std::vector<double> harmonics;
        std::string error;
        QVERIFY(pricewin::ParseHarmonics(" 0,\t120 , 240 ", harmonics, error));
        QCOMPARE(harmonics, (std::vector<double>{0, 120, 240}));
        QCOMPARE(pricewin::FormatHarmonics(harmonics), std::string("0, 120, 240"));
        QVERIFY(!pricewin::ParseHarmonics("90,nan", harmonics, error));
        QCOMPARE(error, std::string("harmonics: 'nan' is not a number of degrees"));
        QVERIFY(!pricewin::ParseHarmonics("-90", harmonics, error));
        QCOMPARE(harmonics, (std::vector<double>{0, 120, 240}));  // untouched when refused
        std::string many;
        for (int i = 0; i <= 360; ++i) many += "1 ";
        QVERIFY(!pricewin::ParseHarmonics(many, harmonics, error));
        QCOMPARE(error, std::string("harmonics: more than 360"));
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<PriceWindowTest> registration;
#include "price_window_test.moc"
