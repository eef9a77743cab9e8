// Zoom and fit: the geometry on its own, then the view drawing at the zoom, centring a small
// page, following Ctrl+wheel and keeping the choice in the profile.
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "app/command_ids.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "app/zoom_geometry.h"

using apptest::AppFixture;

class ZoomTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void ladderStepsThroughActualSizeAndHoldsAtItsEnds() {
        QCOMPARE(ZoomInStep(1.0), 1.1);
        QCOMPARE(ZoomOutStep(1.0), 0.9);
        // A fitted factor between steps goes to the neighbouring steps, not past them.
        QCOMPARE(ZoomInStep(0.62), 0.67);
        QCOMPARE(ZoomOutStep(0.62), 0.5);
        // Just under a step counts as the step itself.
        QCOMPARE(ZoomInStep(0.9999), 1.1);
        QCOMPARE(ZoomInStep(kMaxZoom), kMaxZoom);
        QCOMPARE(ZoomOutStep(kMinZoom), kMinZoom);
        double factor = kMinZoom;
        int steps = 0;
        while (factor < kMaxZoom && steps < 100) {
            const double next = ZoomInStep(factor);
            QVERIFY(next > factor);
            QCOMPARE(ZoomOutStep(next), factor);
            factor = next;
            ++steps;
        }
        QVERIFY(steps < 100);
    }

    void fitsThePageWholeOrByItsWidth() {
        const QSize page(850, 1100);
        // Limited by the height in a wide window, by the width in a tall one.
        QCOMPARE(FitPageZoom(page, QSize(2000, 550)), 0.5);
        QCOMPARE(FitPageZoom(page, QSize(425, 4000)), 0.5);
        // By width: taller than the window, so a vertical scroll bar takes its part.
        QCOMPARE(FitWidthZoom(page, QSize(850 + 20, 500), 20), 1.0);
        // Short enough to need no scroll bar: the whole width.
        QCOMPARE(FitWidthZoom(page, QSize(425, 600), 20), 0.5);
        // Empty sizes (a window not laid out yet) leave the actual size.
        QCOMPARE(FitPageZoom(page, QSize(0, 0)), 1.0);
        QCOMPARE(FitWidthZoom(QSize(), QSize(100, 100), 20), 1.0);
        // The effective factor stays within the limits whatever the window.
        QCOMPARE(EffectiveZoom({ZoomMode::FitPage, 1.0}, page, QSize(1, 1), 0), kMinZoom);
        QCOMPARE(EffectiveZoom({ZoomMode::FitPage, 1.0}, page, QSize(85000, 110000), 0), kMaxZoom);
        QCOMPARE(EffectiveZoom({ZoomMode::Factor, 2.5}, page, QSize(1, 1), 0), 2.5);
        // A fitted page never spills over by a rounding pixel.
        const QSize viewport(777, 613);
        const QSize fitted = ZoomedSize(page, FitPageZoom(page, viewport));
        QVERIFY(fitted.width() <= viewport.width() && fitted.height() <= viewport.height());
        QVERIFY(fitted.width() == viewport.width() || fitted.height() == viewport.height());
    }

    void smallPagesAreCentredLargeOnesScroll() {
        // Centred along both axes.
        QCOMPARE(PageOrigin(QSize(400, 500), QSize(1000, 700), QPoint(30, 40)), QPoint(300, 100));
        // Scrolled along the axis where the page is larger, centred along the other.
        QCOMPARE(PageOrigin(QSize(400, 1500), QSize(1000, 700), QPoint(0, 120)), QPoint(300, -120));
        // The point under the anchor stays there: from page pixel 200 at zoom 1 to 400 at 2.
        QCOMPARE(ScrollKeepingAnchor(QPoint(-100, 0), QPoint(100, 50), 1.0, 2.0), QPoint(300, 50));
        QCOMPARE(ScrollKeepingAnchor(QPoint(-100, -20), QPoint(0, 0), 1.0, 0.0), QPoint(100, 20));
    }

    void profileTextRoundTripsAndRefusesDamage() {
        for (const ZoomChoice& choice :
             {ZoomChoice{ZoomMode::FitPage, 1.0}, ZoomChoice{ZoomMode::FitWidth, 1.0},
              ZoomChoice{ZoomMode::Factor, 1.5}, ZoomChoice{ZoomMode::Factor, 0.33}}) {
            ZoomChoice read;
            QVERIFY(ParseZoomChoice(ZoomChoiceText(choice), read));
            QCOMPARE(read.mode, choice.mode);
            if (choice.mode == ZoomMode::Factor) QCOMPARE(read.factor, choice.factor);
        }
        for (const char* bad : {"", "fit", "nan", "inf", "-1", "0", "100", "1.5x"}) {
            ZoomChoice kept{ZoomMode::FitWidth, 2.0};
            QVERIFY2(!ParseZoomChoice(QString::fromLatin1(bad), kept), bad);
            QCOMPARE(kept.mode, ZoomMode::FitWidth);
            QCOMPARE(kept.factor, 2.0);
        }
    }

    void actualSizeIsTheDefaultAndFitPageShowsTheWholePageCentred() {
        AppFixture fixture(m_dir.filePath("zoom-default.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        CCaelvaneView* view = fixture.ActiveView();
        QCOMPARE(view->ZoomFactor(), 1.0);
        QCOMPARE(view->ScrollSize(), view->PageSize());
        fixture.Windows().front()->showMaximized();
        QCoreApplication::processEvents();

        fixture.App().OnCommand(cmd::kViewFitPage);
        QCoreApplication::processEvents();
        const QSize shown = view->ScrollSize();
        const QSize area = view->viewport()->size();
        QVERIFY(shown.width() <= area.width() && shown.height() <= area.height());
        QVERIFY(shown.width() == area.width() || shown.height() == area.height());
        QCOMPARE(view->verticalScrollBar()->maximum(), 0);
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
        const QPoint origin = view->PageOrigin();
        QVERIFY(qAbs(origin.x() * 2 + shown.width() - area.width()) <= 1);
        QVERIFY(qAbs(origin.y() * 2 + shown.height() - area.height()) <= 1);
        QVERIFY(fixture.Frame().Actions().Action(cmd::kViewFitPage)->isChecked());
        QVERIFY(!fixture.Frame().Actions().Action(cmd::kViewActualSize)->isChecked());

        // A fitted page follows the window.
        fixture.Windows().front()->showNormal();
        fixture.Windows().front()->resize(300, 300);
        QCoreApplication::processEvents();
        QVERIFY(view->ScrollSize().height() <= view->viewport()->height());

        fixture.App().OnCommand(cmd::kViewActualSize);
        QCOMPARE(view->ScrollSize(), view->PageSize());
        QVERIFY(fixture.Frame().Actions().Action(cmd::kViewActualSize)->isChecked());
    }

    void thePageIsDrawnAtTheZoomNotScaled() {
        AppFixture fixture(m_dir.filePath("zoom-draw.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        CCaelvaneView* view = fixture.ActiveView();
        view->resize(400, 400);
        auto grab = [&] {
            apptest::Paint(view);
            return view->viewport()->grab().toImage();
        };
        const QImage actual = grab();
        view->SetZoom({ZoomMode::Factor, 2.0});
        QCOMPARE(view->ScrollSize(), view->PageSize() * 2);
        view->horizontalScrollBar()->setValue(0);
        view->verticalScrollBar()->setValue(0);
        const QImage doubled = grab();
        // The top-left corner at twice the size shows less of the page: the title, which
        // starts within the first 400 pixels at zoom 1, is further right and down at zoom 2.
        QVERIFY(actual != doubled);
        auto firstInk = [](const QImage& image) {
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixel(x, y) != qRgb(255, 255, 255)) return y;
                }
            }
            return -1;
        };
        const int inkAt1 = firstInk(actual);
        const int inkAt2 = firstInk(doubled);
        QVERIFY(inkAt1 > 0);
        QVERIFY2(qAbs(inkAt2 - 2 * inkAt1) <= 3,
                 qPrintable(QString("%1 vs %2").arg(inkAt1).arg(inkAt2)));
    }

    void ctrlWheelZoomsAroundThePointerAndPlainWheelScrolls() {
        AppFixture fixture(m_dir.filePath("zoom-wheel.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        CCaelvaneView* view = fixture.ActiveView();
        view->resize(500, 400);
        QCoreApplication::processEvents();
        auto wheel = [&](QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
            QWheelEvent event(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                              Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(view->viewport(), &event);
        };
        const QPoint at(200, 100);
        const QPoint pageBefore = at - view->PageOrigin();
        wheel(at, 120, Qt::ControlModifier);
        QCOMPARE(view->ZoomFactor(), 1.1);
        const QPoint pageAfter = at - view->PageOrigin();
        QVERIFY(qAbs(pageAfter.x() - pageBefore.x() * 1.1) <= 1);
        QVERIFY(qAbs(pageAfter.y() - pageBefore.y() * 1.1) <= 1);
        // Half notches add up to one step.
        wheel(at, -60, Qt::ControlModifier);
        QCOMPARE(view->ZoomFactor(), 1.1);
        wheel(at, -60, Qt::ControlModifier);
        QCOMPARE(view->ZoomFactor(), 1.0);
        // Without Ctrl the wheel scrolls and keeps the zoom.
        wheel(at, -120, Qt::NoModifier);
        QCOMPARE(view->ZoomFactor(), 1.0);
        QVERIFY(view->verticalScrollBar()->value() > 0);
    }

    void theChoiceIsKeptInTheProfileForNewWindows() {
        const QString profile = m_dir.filePath("zoom-kept.ini");
        {
            AppFixture fixture(profile);
            QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
            fixture.App().OnCommand(cmd::kViewZoomIn);
            fixture.App().OnCommand(cmd::kViewZoomIn);
            QCOMPARE(fixture.ActiveView()->ZoomFactor(), 1.25);
            fixture.App().OnFileNew();
            QCOMPARE(fixture.ActiveView()->ZoomFactor(), 1.25);
            fixture.App().OnCommand(cmd::kViewFitWidth);
        }
        QCOMPARE(QSettings(profile, QSettings::IniFormat).value("View/Zoom").toString(),
                 QString("fit-width"));
        {
            AppFixture fixture(profile);
            QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
            QCOMPARE(fixture.ActiveView()->Zoom().mode, ZoomMode::FitWidth);
        }
        // A damaged entry starts at the actual size.
        QSettings(profile, QSettings::IniFormat).setValue("View/Zoom", "huge");
        AppFixture fixture(profile);
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        QCOMPARE(fixture.ActiveView()->Zoom().mode, ZoomMode::Factor);
        QCOMPARE(fixture.ActiveView()->ZoomFactor(), 1.0);
    }

    void tileAndCascadeShowWholePages() {
        AppFixture fixture(m_dir.filePath("zoom-tile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnFileNew();
        fixture.App().OnFileNew();
        for (int command : {cmd::kWindowTile, cmd::kWindowCascade}) {
            for (QMdiSubWindow* window : fixture.Windows()) {
                qobject_cast<CChildFrame*>(window)->View()->SetZoom({ZoomMode::Factor, 1.0});
            }
            fixture.App().OnCommand(command);
            QCoreApplication::processEvents();
            for (QMdiSubWindow* window : fixture.Windows()) {
                CCaelvaneView* view = qobject_cast<CChildFrame*>(window)->View();
                QCOMPARE(view->Zoom().mode, ZoomMode::FitPage);
                QVERIFY(view->ScrollSize().width() <= view->viewport()->width());
                QVERIFY(view->ScrollSize().height() <= view->viewport()->height());
            }
        }
        // Arranging is not a choice of zoom: new windows keep the profile's.
        QVERIFY(!QSettings(m_dir.filePath("zoom-tile.ini"), QSettings::IniFormat)
                     .contains("View/Zoom"));
    }

    void keysZoomTheActiveView() {
        AppFixture fixture(m_dir.filePath("zoom-keys.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.Frame()));
        CCaelvaneView* view = fixture.ActiveView();
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(view->ZoomFactor(), 1.1);
        QTest::keyClick(view, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(view->ZoomFactor(), 1.25);
        QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(view->ZoomFactor(), 1.1);
        QTest::keyClick(view, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(view->ZoomFactor(), 1.0);
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<ZoomTest> registration;
#include "zoom_test.moc"
