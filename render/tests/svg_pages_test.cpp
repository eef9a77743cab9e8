// Our SVG drawings against the SVG that Qt's generator makes of the same drawing (what the
// program wrote before it had its own writer), through an independent renderer: the classic and
// the modern page, a price chart and a sky chart rasterised by rsvg-convert look the same, give
// the same words, and are well-formed XML. Each check is skipped where its tool is missing.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "chart/chart_state.h"
#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "platform/host_services.h"
#include "prices/price_chart.h"
#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"
#include "render/qt_surface_writer.h"
#include "sky/sky_chart.h"

namespace {

class CFixedHost : public caelvane::CHostServices {
public:
    caelvane::LocalDate Today() const override { return {1, 18, 2000}; }
    caelvane::TimeZoneRule ZoneRule() const override { return {}; }
    void MessageBox(const std::string&) override {}
};

bool HaveTool(const char* name) {
    return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

// What Qt's generator made of a drawing: `dpi` painter pixels to the inch, the view box in
// those pixels.
std::string QtSvg(int widthPixels, int heightPixels, int dpi,
                  const std::function<void(QPainter&)>& paint) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setResolution(dpi);
    generator.setSize(QSize(widthPixels, heightPixels));
    generator.setViewBox(QRect(0, 0, widthPixels, heightPixels));
    QPainter painter(&generator);
    paint(painter);
    painter.end();
    return buffer.data().toStdString();
}

struct Gray {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
    int At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The drawing rasterised by rsvg-convert to width x height pixels, in grey levels on white.
Gray Raster(const std::string& svg, const QString& folder, const char* name, int width,
            int height) {
    const std::string source = (folder + "/" + name + ".svg").toStdString();
    const std::string png = (folder + "/" + name + ".png").toStdString();
    std::ofstream(source, std::ios::binary) << svg;
    const std::string command = "rsvg-convert -b white -w " + std::to_string(width) + " -h " +
                                std::to_string(height) + " -o '" + png + "' '" + source + "'";
    if (std::system(command.c_str()) != 0) return {};
    const QImage image =
        QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_Grayscale8);
    Gray gray;
    gray.width = image.width();
    gray.height = image.height();
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        gray.pixels.insert(gray.pixels.end(), row, row + image.width());
    }
    return gray;
}

// Pixels of `a` that no pixel of `b` within one pixel comes near (by more than a quarter of
// the grey scale): a difference that an edge moved by a pixel, or antialiased another way,
// does not explain.
int UnexplainedPixels(const Gray& a, const Gray& b) {
    int count = 0;
    for (int y = 1; y + 1 < a.height; ++y) {
        for (int x = 1; x + 1 < a.width; ++x) {
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx)
                    near = std::abs(a.At(x, y) - b.At(x + dx, y + dy)) <= 64;
            if (!near) ++count;
        }
    }
    return count;
}

int InkPixels(const Gray& gray) {
    return static_cast<int>(std::count_if(gray.pixels.begin(), gray.pixels.end(),
                                          [](unsigned char v) { return v < 192; }));
}

// The words of every <text> element, sorted: a text split into runs of one font by the one
// writer and kept whole by the other gives the same words.
std::vector<std::string> Words(const std::string& svg) {
    static const QRegularExpression element(QStringLiteral("<text[^>]*>([^<]*)</text>"));
    std::vector<std::string> words;
    auto match = element.globalMatch(QString::fromStdString(svg));
    while (match.hasNext()) {
        std::istringstream in(match.next().captured(1).toStdString());
        for (std::string word; in >> word;) words.push_back(word);
    }
    std::sort(words.begin(), words.end());
    return words;
}

prices::PriceSeries Bars() {
    prices::PriceSeries series;
    series.name = "bars.csv";
    series.hasOhlc = true;
    const std::int64_t first = DaysFromCivil(2023, 1, 2);
    double price = 100;
    for (int i = 0; i < 200; ++i) {
        prices::Bar bar;
        bar.time = (first + i) * 86400;
        bar.open = price;
        price += (i % 7 < 4 ? 0.9 : -1.1) + (i % 3 == 0 ? -0.5 : 0.3);
        bar.close = price;
        bar.high = std::max(bar.open, bar.close) + 0.8;
        bar.low = std::min(bar.open, bar.close) - 0.6;
        bar.volume = 1000 + 13 * i;
        series.bars.push_back(bar);
    }
    return series;
}

double Seconds(int year, int month, int day) {
    return static_cast<double>(DaysFromCivil(year, month, day)) * 86400.0;
}

struct DrawingCase {
    const char* name;
    std::function<std::string()> ours;
    std::function<std::string()> qt;
    int rasterWidth, rasterHeight;
};

void PrintTo(const DrawingCase& drawing, std::ostream* out) {
    *out << drawing.name;
}

class SvgLooksTest : public ::testing::TestWithParam<DrawingCase> {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
    void SetUp() override {
        m_ours = GetParam().ours();
        m_qt = GetParam().qt();
        ASSERT_FALSE(m_ours.empty());
        ASSERT_FALSE(m_qt.empty());
    }
    QTemporaryDir m_folder;
    std::string m_ours, m_qt;
};

TEST_P(SvgLooksTest, LooksAsQtDrewIt) {
    if (!HaveTool("rsvg-convert")) GTEST_SKIP() << "rsvg-convert is not installed";
    const int width = GetParam().rasterWidth, height = GetParam().rasterHeight;
    const Gray ours = Raster(m_ours, m_folder.path(), "ours", width, height);
    const Gray qt = Raster(m_qt, m_folder.path(), "qt", width, height);
    ASSERT_EQ(ours.width, width);
    ASSERT_EQ(ours.height, height);
    ASSERT_EQ(qt.width, width);
    ASSERT_EQ(qt.height, height);
    const int ink = InkPixels(qt);
    const int unexplained = std::max(UnexplainedPixels(ours, qt), UnexplainedPixels(qt, ours));
    RecordProperty("unexplained_pixels", unexplained);
    RecordProperty("ink_pixels", ink);
    // A drawing that lost or moved a text or a line differs in hundreds of pixels.
    EXPECT_LE(unexplained * 1000, ink)
        << unexplained << " of " << ink << " ink pixels differ beyond a pixel's shift";
    EXPECT_GE(InkPixels(ours) * 100, ink * 99);
    EXPECT_LE(InkPixels(ours) * 100, ink * 101);
}

TEST_P(SvgLooksTest, TextStaysText) {
    const std::vector<std::string> ours = Words(m_ours);
    EXPECT_GT(ours.size(), 20u);
    EXPECT_EQ(ours, Words(m_qt));
}

TEST_P(SvgLooksTest, WellFormed) {
    if (!HaveTool("xmllint")) GTEST_SKIP() << "xmllint is not installed";
    const std::string path = m_folder.filePath("ours.svg").toStdString();
    std::ofstream(path, std::ios::binary) << m_ours;
    EXPECT_EQ(std::system(("xmllint --noout '" + path + "'").c_str()), 0);
}

// A page as the command line draws it, with our writer and with Qt's generator at 1000 dpi.
DrawingCase PageCase(const char* name, PageStyle style) {
    struct Page {
        CCaelvaneDoc doc;
        ChartState state;
        CFixedHost host;
    };
    const auto page = std::make_shared<Page>();
    page->doc.SetTitle("pages.cvj");
    page->doc.m_jobType = 1;
    page->doc.m_startMonth = 1, page->doc.m_startDay = 18, page->doc.m_startYear = 2000;
    page->doc.m_currentPage = 1;
    page->doc.m_includeNatal = 1;
    page->doc.m_overlayEnabled = 1;
    page->doc.m_natalMonth = 7, page->doc.m_natalDay = 4, page->doc.m_natalYear = 1976;
    page->doc.m_note = "Note: <brackets> & caf\xE9";
    page->state.pageStyle = style;
    const PageDrawer draw = [page](int, CDrawingDevice& device) {
        DrawChartPage(page->doc, page->state, device, page->host);
        return false;
    };
    return {name, [draw] { return SvgPageBytes("pages.cvj", 0, draw); },
            [draw] {
                return QtSvg(kPageWidthMils, kPageHeightMils, 1000, [&draw](QPainter& painter) {
                    CQtPainterDevice device(painter, 1000, 1000);
                    draw(0, device);
                });
            },
            816, 1056};
}

// A surface as the command line draws it, with our writer and with Qt's generator at 96 dpi.
DrawingCase SurfaceCase(const char* name, int width, int height, const SurfaceDrawer& draw) {
    const SurfaceSize size{width, height, prices::kUnitsPerPixel};
    return {name,
            [size, draw] {
                QTemporaryDir folder;
                const std::string path = folder.filePath("surface.svg").toStdString();
                std::string error;
                if (!WriteSurfaceSvg(path, "surface", size, draw, error)) return std::string();
                std::ifstream in(path, std::ios::binary);
                std::ostringstream bytes;
                bytes << in.rdbuf();
                return bytes.str();
            },
            [size, draw] {
                return QtSvg(size.width, size.height, 96,
                             [&](QPainter& painter) { PaintSurface(painter, size, 1.0, draw); });
            },
            width, height};
}

DrawingCase PriceCase() {
    const auto series = std::make_shared<prices::PriceSeries>(Bars());
    auto options = std::make_shared<prices::ChartOptions>();
    options->title = "bars.csv";
    options->lines.source = PositionSource::Series;
    options->lines.harmonics = {0.0, 90.0};
    options->bodies = {{-3, prices::DefaultBodyColor(-3)}, {-4, prices::DefaultBodyColor(-4)}};
    options->lineLabels = true;
    options->volumePane = true;
    options->markers = {{Seconds(2023, 4, 21), "Mer R", RGB(190, 0, 120)}};
    options->spans = {{Seconds(2023, 4, 21), Seconds(2023, 5, 15), "Mer Rx", RGB(0, 150, 160)}};
    const auto frame = std::make_shared<prices::CChartFrame>(
        900, 500, prices::FitWindow(*series, false), false, nullptr, true);
    return SurfaceCase("price_chart", 900, 500, [series, options, frame](CDrawingDevice& device) {
        prices::ChartCache cache;
        device.Begin();
        prices::DrawPriceChart(device, *series, *options, *frame, cache);
        device.End();
    });
}

DrawingCase SkyCase() {
    auto options = std::make_shared<sky::SkyChartOptions>();
    options->source = PositionSource::Series;
    options->dial = 90.0;
    options->bodies = {{-3, RGB(230, 150, 0)}, {-4, RGB(220, 20, 20)}, {-10, RGB(110, 110, 130)}};
    options->panes = {prices::PaneKind::Declination, prices::PaneKind::Speed};
    options->levels = {{45.0, "HS1", RGB(0, 120, 0)}};
    options->title = "Sky 2024";
    const prices::ChartWindow window =
        sky::DialWindow(Seconds(2024, 1, 1), Seconds(2024, 12, 31), 90.0);
    const auto frame = std::make_shared<prices::CChartFrame>(
        sky::SkyFrame(900, 600, window, options->panes.size()));
    return SurfaceCase("sky_chart", 900, 600, [options, frame](CDrawingDevice& device) {
        sky::SkyCache cache;
        device.Begin();
        sky::DrawSkyChart(device, *options, *frame, cache);
        device.End();
    });
}

INSTANTIATE_TEST_SUITE_P(Drawings, SvgLooksTest,
                         ::testing::Values(PageCase("classic_page", PageStyle::Classic),
                                           PageCase("modern_page", PageStyle::Modern), PriceCase(),
                                           SkyCase()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
