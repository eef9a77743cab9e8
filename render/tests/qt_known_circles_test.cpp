// Hollow circles seen before are written from their kept pixels where the image is still
// white: every page must come out as the raster draws it, the first time and every time after.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QTransform>
#include <functional>
#include <vector>

#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"

namespace {

struct SurfaceCircle {
    int x, y, radius;
    COLORREF color;
    int width;
};

struct SurfaceLine {
    int x1, y1, x2, y2;
};

struct Page {
    std::vector<SurfaceLine> linesFirst;  // black, drawn before the circles
    std::vector<SurfaceCircle> circles;
};

QImage Blank() {
    QImage image(816, 1056, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage ThroughDevice(const Page& page, int dpi, const QTransform& origin = {}) {
    QImage image = Blank();
    QPainter painter(&image);
    painter.setTransform(origin);
    CQtPainterDevice device(painter, dpi, dpi);
    device.Begin();
    device.SetPenColor(0x000000);
    device.SetPenWidth(8);
    for (const SurfaceLine& l : page.linesFirst) device.Line(l.x1, l.y1, l.x2, l.y2);
    for (const SurfaceCircle& c : page.circles) {
        device.SetPenColor(c.color);
        device.SetPenWidth(c.width);
        device.Circle(c.x, c.y, c.radius, 0);
    }
    device.End();
    return image;
}

QPen DevicePen(COLORREF color, int width, double scale) {
    QPen pen(QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (width * scale < 1.0) {
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
    } else {
        pen.setWidthF(width * scale);
    }
    return pen;
}

// The raster's own drawing of the same page, as the device hands it over.
QImage ByTheRaster(const Page& page, int dpi, const QTransform& origin = {}) {
    QImage image = Blank();
    QPainter painter(&image);
    painter.setTransform(origin);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double scale = dpi / 1000.0;
    const auto X = [scale](int x) { return x * scale; };
    const auto Y = [scale](int y) { return -static_cast<double>(y) * scale; };
    painter.setPen(DevicePen(0x000000, 8, scale));
    for (const SurfaceLine& l : page.linesFirst) {
        painter.setRenderHint(QPainter::Antialiasing, !(l.x1 == l.x2 || l.y1 == l.y2));
        painter.drawLine(QPointF(X(l.x1), Y(l.y1)), QPointF(X(l.x2), Y(l.y2)));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (const SurfaceCircle& c : page.circles) {
        painter.setPen(DevicePen(c.color, c.width, scale));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(X(c.x), Y(c.y)), c.radius * scale, c.radius * scale);
    }
    return image;
}

int DifferingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return n;
}

// Three pages in a row: the circles are new, then seen once, then kept.
void ExpectSameEveryTime(const Page& page, int dpi, const QTransform& origin = {}) {
    const QImage expected = ByTheRaster(page, dpi, origin);
    for (int time = 1; time <= 3; ++time) {
        EXPECT_EQ(DifferingPixels(expected, ThroughDevice(page, dpi, origin)), 0)
            << "page " << time << " at " << dpi << " dpi";
    }
}

// Wheels of a chart: concentric rings apart and rings that touch, in several colours, thin
// and wide pens, centres at every fraction of a pixel.
Page Wheels(int shift) {
    Page page;
    const COLORREF colors[] = {0xFF0000, 0x0000FF, 0x000000, 0x00A000};
    for (int i = 0; i < 6; ++i) {
        const int radius = 400 + 230 * i + shift;
        page.circles.push_back(
            {4100 + shift, -5300 - shift, radius, colors[i % 4], i % 3 ? 8 : 30});
    }
    page.circles.push_back({2000 + 7 * shift, -2000, 500, 0x0000FF, 8});
    page.circles.push_back({2000 + 7 * shift, -2000, 505, 0xFF0000, 8});  // on the ring before
    page.circles.push_back({8000, -10600, 900, 0x000000, 8});             // off the page's edge
    return page;
}

class KnownCirclesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
};

TEST_F(KnownCirclesTest, RepeatedRingsOnWhiteAreTheRastersOwn) {
    for (const int dpi : {96, 150, 71}) {
        for (const int shift : {0, 3, 11}) ExpectSameEveryTime(Wheels(shift), dpi);
    }
}

// Ink under a ring (spokes through it, a ring drawn before) leaves it to the raster; the
// same ring elsewhere on white is still taken as kept.
TEST_F(KnownCirclesTest, RingsOverInkAreDrawnAsEver) {
    Page page = Wheels(5);
    for (int i = 0; i < 12; ++i) page.linesFirst.push_back({4105, -5305, 4105 + 300 * i, -2000});
    page.linesFirst.push_back({0, -5305, 8500, -5305});
    ExpectSameEveryTime(page, 96);
    ExpectSameEveryTime(Wheels(5), 96);
    ExpectSameEveryTime(page, 96);
}

// Another origin or scale of the painter is another circle on the device.
TEST_F(KnownCirclesTest, PaintersThatMoveOrScaleKeepTheirPixels) {
    const Page page = Wheels(2);
    ExpectSameEveryTime(page, 96, QTransform::fromTranslate(-13, 7));
    ExpectSameEveryTime(page, 96, QTransform::fromTranslate(0.375, -0.5));
    ExpectSameEveryTime(page, 96, QTransform::fromScale(0.6, 0.6));
}

}  // namespace
