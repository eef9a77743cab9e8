// The QPainter device and the page writers: where things land on a raster, pen widths, text
// anchoring and size, and the files written.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>

#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "platform/host_services.h"
#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

class QtRenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }

    // A white 100 dpi raster: one pixel is 10 surface units.
    static QImage Blank(int width = 850, int height = 1100) {
        QImage image(width, height, QImage::Format_RGB32);
        image.setDotsPerMeterX(3937);
        image.setDotsPerMeterY(3937);
        image.fill(Qt::white);
        return image;
    }

    template <class Draw>
    static QImage Paint(Draw draw) {
        QImage image = Blank();
        QPainter painter(&image);
        CQtPainterDevice device(painter, 100, 100);
        device.Begin();
        draw(device);
        device.End();
        return image;
    }

    // Rows [top, bottom] and columns [left, right] holding anything but white.
    struct Ink {
        int left = -1, top = -1, right = -1, bottom = -1;
    };
    static Ink InkOf(const QImage& image) {
        Ink ink;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) == kWhite) continue;
                if (ink.top < 0) ink.top = y;
                ink.bottom = y;
                if (ink.left < 0 || x < ink.left) ink.left = x;
                if (x > ink.right) ink.right = x;
            }
        }
        return ink;
    }
};

TEST_F(QtRenderTest, SurfaceUnitsWithYUpLandOnDevicePixels) {
    const QImage image = Paint([](CQtPainterDevice& d) {
        d.SetPenColor(0x0000FF);  // red
        d.Circle(2000, -3000, 200, 1);
    });
    EXPECT_EQ(QColor(image.pixel(200, 300)), QColor(255, 0, 0));
    EXPECT_EQ(image.pixel(200, 300 - 25), kWhite);
    const Ink ink = InkOf(image);  // a disc of radius 20 pixels around (200, 300)
    EXPECT_NEAR(ink.top, 280, 2);
    EXPECT_NEAR(ink.bottom, 320, 2);
    EXPECT_NEAR(ink.left, 180, 2);
    EXPECT_NEAR(ink.right, 220, 2);
}

TEST_F(QtRenderTest, HollowCircleLeavesTheInsideAndFilledCirclePaintsIt) {
    const QImage image = Paint([](CQtPainterDevice& d) {
        d.SetPenColor(0xFF0000);  // blue
        d.Circle(4000, -4000, 100, 1);
        d.SetPenColor(0x00FF00);  // green
        d.Circle(4000, -4000, 1000, 0);
    });
    EXPECT_EQ(QColor(image.pixel(400, 400)), QColor(0, 0, 255));  // the blue disc stays
    EXPECT_EQ(image.pixel(400 + 50, 400), kWhite);                // inside, unpainted
    EXPECT_EQ(QColor(image.pixel(500, 400)).green(), 255);        // the green ring
}

TEST_F(QtRenderTest, PenWidthsInSurfaceUnitsNeverBelowOnePixel) {
    struct Case {
        int width;
        int minRows, maxRows;
    };
    const Case cases[] = {{1, 1, 1}, {8, 1, 1}, {20, 2, 3}, {100, 10, 11}};
    for (const Case& c : cases) {
        const QImage image = Paint([&c](CQtPainterDevice& d) {
            d.SetPenWidth(c.width);
            d.Line(1000, -5000, 6000, -5000);
        });
        int rows = 0;
        for (int y = 480; y < 520; ++y)
            if (image.pixel(350, y) != kWhite) ++rows;
        EXPECT_GE(rows, c.minRows) << "width " << c.width;
        EXPECT_LE(rows, c.maxRows) << "width " << c.width;
    }
}

// The font height is the character cell (ascent + descent), and text hangs from the top left
// corner of its cell: the baseline sits about four fifths of the cell below the given point.
TEST_F(QtRenderTest, TextHangsFromTheTopLeftOfItsCharacterCell) {
    const QImage image = Paint([](CQtPainterDevice& d) {
        d.SelectFont("Arial", 1000, 1);
        d.Text(1000, -1000, "HHH");
    });
    const Ink ink = InkOf(image);
    ASSERT_GE(ink.top, 0);
    EXPECT_GE(ink.top, 100);     // nothing above the cell
    EXPECT_LE(ink.bottom, 200);  // nor below it
    EXPECT_NEAR(ink.left, 100, 12);
    const double baseline = (ink.bottom + 1 - 100) / 100.0;
    EXPECT_GT(baseline, 0.75);
    EXPECT_LT(baseline, 0.86);  // a cell height passed through as the em would put it near 0.9
}

TEST_F(QtRenderTest, DrawingOrderSurvivesBatching) {
    // A red line, then a blue disc over it, then a green line over the disc.
    const QImage image = Paint([](CQtPainterDevice& d) {
        d.SetPenWidth(40);
        d.SetPenColor(0x0000FF);
        d.Line(1000, -5000, 8000, -5000);
        d.SetPenColor(0xFF0000);
        d.Circle(4000, -5000, 500, 1);
        d.SetPenColor(0x00FF00);
        d.Line(4000, -4000, 4000, -6000);
    });
    EXPECT_EQ(QColor(image.pixel(150, 500)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(420, 500)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(image.pixel(400, 500)), QColor(0, 255, 0));
}

// A page drawer that frames the chart area like the border does.
bool DrawFrame(int, CDrawingDevice& device) {
    device.Begin();
    device.SetPenColor(0xFF0000);
    device.SetPenWidth(20);
    device.Line(700, -9800, 7700, -9800);
    device.SelectFont("Arial", 420, 1);
    device.Text(1200, -350, "Caelvane");
    device.End();
    return false;
}

TEST_F(QtRenderTest, PngIsALetterPageOnWhite) {
    QTemporaryDir folder;
    const std::string path = folder.filePath("page.png").toStdString();
    std::string error;
    ASSERT_TRUE(WritePngFile(path, 0, kDefaultPngDpi, DrawFrame, error)) << error;
    QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 1275);
    EXPECT_EQ(image.height(), 1650);
    EXPECT_EQ(image.pixel(5, 5) | 0xFF000000, kWhite);
    EXPECT_EQ(QColor(image.pixel(630, 1470)).blue(), 255);  // page (500, 500)..(7500, 500)
    EXPECT_EQ(QColor(image.pixel(630, 1470)).red(), 0);
}

TEST_F(QtRenderTest, PdfHoldsEveryPageOnUsLetter) {
    QTemporaryDir folder;
    const std::string path = folder.filePath("pages.pdf").toStdString();
    std::string error;
    int drawn = 0;
    ASSERT_TRUE(WritePdfFile(
        path, "three pages",
        [&drawn](int index, CDrawingDevice& device) {
            ++drawn;
            DrawFrame(index, device);
            return index < 2;
        },
        error))
        << error;
    EXPECT_EQ(drawn, 3);
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_EQ(bytes.count("/Type /Page") - bytes.count("/Type /Pages"), 3);
    EXPECT_EQ(bytes.count("/MediaBox [0 0 612 792]"), 3);
}

TEST_F(QtRenderTest, SvgIsEightAndAHalfByElevenInches) {
    QTemporaryDir folder;
    const std::string path = folder.filePath("page.svg").toStdString();
    std::string error;
    ASSERT_TRUE(WriteSvgFile(path, "svg page", 0, DrawFrame, error)) << error;
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("width=\"215.9mm\" height=\"279.4mm\""));
    EXPECT_TRUE(bytes.contains("viewBox=\"0 0 8500 11000\""));
    EXPECT_TRUE(bytes.contains(">Caelvane</text>"));
}

// Nothing is left behind when a page cannot be written, and an existing file survives.
TEST_F(QtRenderTest, FailedWritesLeaveNothingBehind) {
    QTemporaryDir folder;
    const QString existing = folder.filePath("keep.png");
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old contents");
    }
    std::string error;
    EXPECT_FALSE(WritePngFile(existing.toStdString(), 0, 0, DrawFrame, error));
    EXPECT_FALSE(error.empty());
    const std::string missing = folder.filePath("no/such/folder/page.pdf").toStdString();
    error.clear();
    EXPECT_FALSE(WritePdfFile(missing, "t", DrawFrame, error));
    EXPECT_NE(error.find("no/such/folder"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(
        WriteSvgFile(folder.filePath("no/page.svg").toStdString(), "t", 0, DrawFrame, error));

    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old contents"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"keep.png"}));
}

class CFixedHost : public caelvane::CHostServices {
public:
    caelvane::LocalDate Today() const override { return {1, 18, 2000}; }
    caelvane::TimeZoneRule ZoneRule() const override { return {}; }
    void MessageBox(const std::string&) override {}
};

// The default job's page at 150 dpi, kept where CAELVANE_RENDER_OUT points for a look.
TEST_F(QtRenderTest, DefaultPageHasItsColouredLandmarks) {
    CCaelvaneDoc doc;
    doc.SetTitle("job.cvj");
    CFixedHost host;
    QTemporaryDir folder;
    const char* keep = std::getenv("CAELVANE_RENDER_OUT");
    const std::string path = keep ? std::string(keep) + "/default-page.png"
                                  : folder.filePath("default-page.png").toStdString();
    std::string error;
    ChartState chart;
    ASSERT_TRUE(WritePngFile(
        path, 0, kDefaultPngDpi,
        [&](int, CDrawingDevice& device) {
            DrawChartPage(doc, chart, device, host);
            return false;
        },
        error))
        << error;
    const QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    auto count = [&image](QRect area, QColor colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (QColor(image.pixel(x, y)) == colour) ++n;
        return n;
    };
    // Page (x, y) is pixel ((x + 200) * 0.15, (10300 - y) * 0.15).
    EXPECT_GT(count(QRect(180, 53, 1000, 63), QColor(255, 0, 255)), 2000);  // the title
    EXPECT_GT(count(QRect(105, 1469, 1050, 3), QColor(0, 0, 255)), 1000);   // bottom border
    EXPECT_EQ(count(QRect(0, 0, 1275, 45), QColor(255, 0, 255)), 0);      // nothing above the title
    EXPECT_EQ(count(QRect(105, 1500, 1050, 100), QColor(0, 0, 255)), 0);  // below the border
    EXPECT_GT(count(QRect(540, 135, 220, 40), QColor(0, 255, 0)), 200);   // HELIOCENTRIC
}

}  // namespace
