// One-pixel horizontal and vertical lines on an image are written straight into its pixels:
// they must be exactly the pixels the raster paints for the same lines with the device's pen.
#include <gtest/gtest.h>

#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QTransform>
#include <algorithm>
#include <random>
#include <vector>

#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"

namespace {

constexpr int kDpi = 96;
// An eight-unit pen is 0.77 pixel here: a one-pixel line.
constexpr int kThinPen = 8;

struct SurfaceLine {
    int x1, y1, x2, y2;
    COLORREF color;
};

QImage Blank(QImage::Format format) {
    QImage image(816, 1056, format);
    image.fill(Qt::white);
    return image;
}

QImage ThroughDevice(const std::vector<SurfaceLine>& lines, QImage::Format format,
                     const QTransform& origin, int dpi = kDpi) {
    QImage image = Blank(format);
    QPainter painter(&image);
    painter.setTransform(origin);
    CQtPainterDevice device(painter, dpi, dpi);
    device.Begin();
    device.SetPenWidth(kThinPen);
    for (const SurfaceLine& l : lines) {
        device.SetPenColor(l.color);
        device.Line(l.x1, l.y1, l.x2, l.y2);
    }
    device.End();
    return image;
}

// What the raster itself paints: a cosmetic one-pixel pen with round ends, no antialiasing,
// each run of one colour in one call.
QImage ByTheRaster(const std::vector<SurfaceLine>& lines, QImage::Format format,
                   const QTransform& origin, int dpi = kDpi) {
    QImage image = Blank(format);
    QPainter painter(&image);
    painter.setTransform(origin);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const double scale = dpi / 1000.0;
    std::vector<QLineF> run;
    const auto paint = [&](COLORREF color) {
        if (run.empty()) return;
        QPen pen(QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
        painter.setPen(pen);
        painter.drawLines(run.data(), static_cast<int>(run.size()));
        run.clear();
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const SurfaceLine& l = lines[i];
        if (i > 0 && l.color != lines[i - 1].color) paint(lines[i - 1].color);
        run.emplace_back(l.x1 * scale, -static_cast<double>(l.y1) * scale, l.x2 * scale,
                         -static_cast<double>(l.y2) * scale);
    }
    if (!lines.empty()) paint(lines.back().color);
    return image;
}

int DifferingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return n;
}

// Rows and columns at every fraction of a pixel, both ways round, some a single unit long,
// in runs of a few lines per colour.
std::vector<SurfaceLine> RandomRowsAndColumns(unsigned seed, int count) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> x(100, 8200), y(-10800, -100), length(0, 2500);
    const COLORREF colors[] = {0x000000, 0x0000FF, 0xFF0000, 0x00C000};
    std::vector<SurfaceLine> lines;
    for (int i = 0; i < count; ++i) {
        const COLORREF color = colors[(i / 5) % 4];
        const int x1 = x(random), y1 = y(random);
        int reach = length(random);
        if (i % 7 == 0) reach = 1;
        if (i % 2 == 0) {
            const int x2 = std::min(8300, x1 + reach);
            lines.push_back(i % 4 == 0 ? SurfaceLine{x1, y1, x2, y1, color}
                                       : SurfaceLine{x2, y1, x1, y1, color});
        } else {
            const int y2 = std::max(-10900, y1 - reach);
            lines.push_back(i % 3 == 0 ? SurfaceLine{x1, y1, x1, y2, color}
                                       : SurfaceLine{x1, y2, x1, y1, color});
        }
    }
    return lines;
}

class HairlinesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
};

TEST_F(HairlinesTest, RowsAndColumnsAreTheRastersOwnPixels) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        const std::vector<SurfaceLine> lines = RandomRowsAndColumns(seed, 600);
        for (const QImage::Format format :
             {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
            for (const QTransform& origin : {QTransform(), QTransform::fromTranslate(-37, 12)}) {
                EXPECT_EQ(DifferingPixels(ByTheRaster(lines, format, origin),
                                          ThroughDevice(lines, format, origin)),
                          0)
                    << "seed " << seed << ", format " << format << ", origin " << origin.dx();
            }
        }
    }
}

// At 96 dpi no end comes within 1/128 pixel of a pixel's edge; at 71 dpi many do, where
// rounding the ends to 1/64 pixel instead of truncating them would pick the next pixel.
TEST_F(HairlinesTest, EndsJustShortOfAPixelEdgeStayInTheirPixel) {
    const std::vector<SurfaceLine> lines = RandomRowsAndColumns(5, 1500);
    EXPECT_EQ(DifferingPixels(ByTheRaster(lines, QImage::Format_RGB32, {}, 71),
                              ThroughDevice(lines, QImage::Format_RGB32, {}, 71)),
              0);
}

// Points, lines running off the image, a translation by part of a pixel, a zoom and a
// format of another pixel size go the raster's own way: the same pixels again.
TEST_F(HairlinesTest, LinesTheRasterTreatsOtherwiseKeepTheirPixels) {
    std::vector<SurfaceLine> lines = RandomRowsAndColumns(4, 200);
    const std::vector<SurfaceLine> edges = {
        {3000, -3000, 3000, -3000, 0x0000FF},    // a point
        {-500, -2000, 2000, -2000, 0x0000FF},    // off the left edge
        {4000, -10500, 4000, -11500, 0x0000FF},  // off the bottom
        {0, -5000, 8500, -5000, 0x0000FF},       // edge to edge
    };
    for (const SurfaceLine& e : edges) {
        std::vector<SurfaceLine> withEdge = lines;
        withEdge.insert(withEdge.begin() + 100, e);
        EXPECT_EQ(DifferingPixels(ByTheRaster(withEdge, QImage::Format_RGB32, {}),
                                  ThroughDevice(withEdge, QImage::Format_RGB32, {})),
                  0);
    }
    const QTransform origins[] = {QTransform::fromTranslate(0.25, -0.5),
                                  QTransform::fromScale(0.75, 0.75)};
    for (const QTransform& origin : origins) {
        EXPECT_EQ(DifferingPixels(ByTheRaster(lines, QImage::Format_RGB32, origin),
                                  ThroughDevice(lines, QImage::Format_RGB32, origin)),
                  0);
    }
    EXPECT_EQ(DifferingPixels(ByTheRaster(lines, QImage::Format_RGB16, {}),
                              ThroughDevice(lines, QImage::Format_RGB16, {})),
              0);
}

// Pixels go to the image the painter paints, in drawing order: a later colour covers an
// earlier one where they cross, and antialiased work drawn after them lands on top.
TEST_F(HairlinesTest, LaterDrawingCoversEarlierHairlines) {
    QImage image = Blank(QImage::Format_RGB32);
    {
        QPainter painter(&image);
        CQtPainterDevice device(painter, kDpi, kDpi);
        device.Begin();
        device.SetPenWidth(kThinPen);
        device.SetPenColor(0x0000FF);  // red
        device.Line(1000, -1000, 3000, -1000);
        device.SetPenColor(0xFF0000);  // blue
        device.Line(2000, -500, 2000, -1500);
        device.SetPenColor(0x00C000);
        device.Circle(2000, -1000, 200, 1);
        device.SetPenColor(0x000000);
        device.Line(2000, -3000, 3000, -3000);
        device.End();
    }
    const int row = static_cast<int>(1000 * 0.096 * 64) >> 6;
    const int column = static_cast<int>(2000 * 0.096 * 64) >> 6;
    EXPECT_EQ(image.pixelColor(column - 30, row), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(column, row - 30), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(column, row), QColor(0, 0xC0, 0));  // the filled circle's middle
    const int lower = static_cast<int>(3000 * 0.096 * 64) >> 6;
    EXPECT_EQ(image.pixelColor(column + 20, lower), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(column + 20, lower + 1), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(column + 20, lower - 1), QColor(Qt::white));
}

// Frames drawn without antialiasing (while a chart is dragged) step oblique one-pixel lines
// into the image themselves. Every pixel either side paints must lie next to one the other
// paints in the same colour: the stepping may pick the neighbouring pixel where a line passes
// halfway between two, never another place or colour, and it must miss no stretch of a line.
TEST_F(HairlinesTest, ObliqueLinesOfMovingFramesKeepToTheRastersPixels) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> x(200, 8200), y(-10800, -200), reach(-1500, 1500);
    const COLORREF colors[] = {0x0000FF, 0xFF0000, 0x00C000};
    std::vector<SurfaceLine> lines;
    for (int i = 0; i < 400; ++i) {
        const int x1 = x(random), y1 = y(random);
        // Shallow, steep and diagonal, both ways round.
        int dx = reach(random), dy = reach(random);
        if (i % 3 == 0) dy = dx;
        if (dx == 0 || dy == 0) dx = dy = 301;
        lines.push_back({x1, y1, std::clamp(x1 + dx, 100, 8300), std::clamp(y1 + dy, -10900, -100),
                         colors[(i / 10) % 3]});
    }
    const auto moving = [&](const QTransform& origin) {
        QImage image = Blank(QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setTransform(origin);
        CQtPainterDevice device(painter, kDpi, kDpi);
        device.SetAntialiased(false);
        device.Begin();
        device.SetPenWidth(kThinPen);
        for (const SurfaceLine& l : lines) {
            device.SetPenColor(l.color);
            device.Line(l.x1, l.y1, l.x2, l.y2);
        }
        device.End();
        return image;
    };
    const auto strays = [](const QImage& from, const QImage& in) {
        int n = 0;
        for (int py = 1; py + 1 < from.height(); ++py) {
            for (int px = 1; px + 1 < from.width(); ++px) {
                const QRgb color = from.pixel(px, py);
                if (color == qRgb(255, 255, 255)) continue;
                bool near = false;
                for (int ny = py - 1; ny <= py + 1 && !near; ++ny)
                    for (int nx = px - 1; nx <= px + 1 && !near; ++nx)
                        near = in.pixel(nx, ny) != qRgb(255, 255, 255);
                n += near ? 0 : 1;
            }
        }
        return n;
    };
    for (const QTransform& origin : {QTransform(), QTransform::fromTranslate(-37.5, 12.25)}) {
        const QImage ours = moving(origin);
        const QImage raster = ByTheRaster(lines, QImage::Format_RGB32, origin);
        EXPECT_EQ(strays(ours, raster), 0) << "origin " << origin.dx();
        EXPECT_EQ(strays(raster, ours), 0) << "origin " << origin.dx();
        // The same ink, give or take the pixels where a line passes between two.
        int ink = 0;
        for (int py = 0; py < raster.height(); ++py)
            for (int px = 0; px < raster.width(); ++px)
                ink += raster.pixel(px, py) != qRgb(255, 255, 255);
        EXPECT_LT(DifferingPixels(ours, raster), ink) << "origin " << origin.dx();
    }
}

}  // namespace
