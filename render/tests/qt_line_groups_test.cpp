// Wide lines on a raster are painted in groups that cannot share a pixel: the pixels must be
// those of painting every queued line at once.
#include <gtest/gtest.h>

#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <vector>

#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"

namespace {

struct SurfaceLine {
    int x1, y1, x2, y2;
};

QImage Blank() {
    QImage image(600, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The device at 100 dpi (one pixel is 10 surface units), pen `width` units wide.
QImage ThroughDevice(const std::vector<SurfaceLine>& lines, int width, QTransform origin = {}) {
    QImage image = Blank();
    QPainter painter(&image);
    painter.setTransform(origin);
    CQtPainterDevice device(painter, 100, 100);
    device.Begin();
    device.SetPenColor(0x0000C0);  // dark red
    device.SetPenWidth(width);
    for (const SurfaceLine& l : lines) device.Line(l.x1, l.y1, l.x2, l.y2);
    device.End();
    return image;
}

// The same lines handed to QPainter in one call with the device's pen.
QImage InOneCall(const std::vector<SurfaceLine>& lines, int width, QTransform origin = {}) {
    QImage image = Blank();
    QPainter painter(&image);
    painter.setTransform(origin);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(QColor(0xC0, 0, 0));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setWidthF(width / 10.0);
    painter.setPen(pen);
    std::vector<QLineF> device;
    for (const SurfaceLine& l : lines)
        device.emplace_back(l.x1 / 10.0, -l.y1 / 10.0, l.x2 / 10.0, -l.y2 / 10.0);
    painter.drawLines(device.data(), static_cast<int>(device.size()));
    return image;
}

int DifferingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return n;
}

class LineGroupsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
};

// Scattered ticks (their own groups), a crossing pair, a chain of touching segments and
// near-parallel lines whose antialiased edges share pixels without touching.
const std::vector<SurfaceLine> kMixed = {
    {300, -300, 900, -700},
    {300, -700, 900, -300},  // crossing
    {1200, -200, 1500, -900},
    {1500, -900, 1900, -250},
    {1900, -250, 2300, -800},  // chain
    {2600, -200, 3600, -1200},
    {2650, -200, 3650, -1200},  // 0.5 px gap
    {4000, -300, 4100, -320},
    {4400, -300, 4500, -330},
    {4800, -300, 4900, -340},  // ticks
    {500, -2000, 5500, -3500},
    {500, -3600, 5500, -2100},   // long X
    {5000, -1500, 5003, -1900},  // steep
    // Apart by less than a pen's width: the boxes of the lines alone do not meet.
    {600, -1500, 1600, -1510},
    {600, -1540, 1600, -1550},
};

TEST_F(LineGroupsTest, WideObliqueLinesMatchOnePaintOfTheBatch) {
    for (const int width : {12, 30, 55}) {
        EXPECT_EQ(DifferingPixels(InOneCall(kMixed, width), ThroughDevice(kMixed, width)), 0)
            << "pen width " << width;
    }
}

// A painter that already scales (a zoomed or shrunk view) changes what a pixel is in the
// device's units: shrunk to 0.15, wide lines 160 units apart share pixels.
TEST_F(LineGroupsTest, ScaledPaintersKeepTheSamePixels) {
    std::vector<SurfaceLine> shrunk;
    for (int i = 0; i < 12; ++i) shrunk.push_back({500, -500 - 160 * i, 30000, -515 - 160 * i});
    const QTransform zoom = QTransform::fromScale(2.5, 2.5);
    const QTransform shrink = QTransform::fromTranslate(7, 3).scale(0.15, 0.15);
    EXPECT_EQ(DifferingPixels(InOneCall(kMixed, 30, zoom), ThroughDevice(kMixed, 30, zoom)), 0);
    EXPECT_EQ(DifferingPixels(InOneCall(shrunk, 100, shrink), ThroughDevice(shrunk, 100, shrink)),
              0);
}

// Axis-aligned lines go without antialiasing; a grid's touching lines are one group.
TEST_F(LineGroupsTest, GridsAndAxisAlignedLinesMatchToo) {
    std::vector<SurfaceLine> grid;
    for (int i = 0; i < 6; ++i) grid.push_back({500, -500 - 400 * i, 4500, -500 - 400 * i});
    for (int i = 0; i < 6; ++i) grid.push_back({500 + 800 * i, -500, 500 + 800 * i, -2500});
    grid.push_back({5200, -500, 5600, -500});  // apart
    QImage expected = Blank();
    {
        QPainter painter(&expected);
        QPen pen(QColor(0xC0, 0, 0));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setWidthF(3.0);
        painter.setPen(pen);
        std::vector<QLineF> lines;
        for (const SurfaceLine& l : grid)
            lines.emplace_back(l.x1 / 10.0, -l.y1 / 10.0, l.x2 / 10.0, -l.y2 / 10.0);
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
    }
    EXPECT_EQ(DifferingPixels(expected, ThroughDevice(grid, 30)), 0);
}

}  // namespace

// Flat ends stop a wide line at its end points; round ends reach half the pen beyond them.
// Every drawing starts round again, whatever the last one asked for.
TEST_F(LineGroupsTest, FlatEndsStopAtTheEndPointsUntilTheNextDrawing) {
    QImage image = Blank();
    QPainter painter(&image);
    CQtPainterDevice device(painter, 100, 100);
    const auto draw = [&](int y, bool flat) {
        device.Begin();
        device.SetPenColor(0x0000C0);
        device.SetPenWidth(80);  // 8 pixels
        if (flat) device.SetPenEnds(CDrawingDevice::PenEnds::Flat);
        device.Line(1000, y, 3000, y);  // pixels 100 to 300
        device.End();
    };
    draw(-1000, true);
    draw(-2000, false);
    painter.end();
    const auto ink = [&](int x, int y) { return image.pixel(x, y) != qRgb(255, 255, 255); };
    EXPECT_TRUE(ink(102, 100));
    EXPECT_TRUE(ink(298, 100));
    EXPECT_FALSE(ink(97, 100));
    EXPECT_FALSE(ink(303, 100));
    // The second drawing did not ask: its ends are round again.
    EXPECT_TRUE(ink(97, 200));
    EXPECT_TRUE(ink(303, 200));
}
