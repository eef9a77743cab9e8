// Our PDF pages against the pages Qt's PDF engine makes of the same drawing, through the
// system's PDF tools: the same look at 150 dpi, the same text, the fonts embedded as subsets, a
// sound file. Each check is skipped where its tool is not installed.
#include <gtest/gtest.h>

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "chart/chart_state.h"
#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "platform/host_services.h"
#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"

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

// Standard output of a command, and whether it exited with 0.
bool RunCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return false;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    return ::pclose(pipe) == 0;
}

// The page as Qt's PDF engine draws it: what the program wrote before it had its own writer.
void WriteQtPdf(const std::string& path, const PageDrawer& draw) {
    QPdfWriter writer(QString::fromStdString(path));
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Inch));
    QPainter painter(&writer);
    CQtPainterDevice device(painter, 1200, 1200);
    draw(0, device);
}

struct Gray {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
    int At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The first page at 150 dpi in grey levels (pdftoppm's PGM).
Gray Raster(const std::string& pdf, const std::string& prefix) {
    std::string output;
    Gray gray;
    if (!RunCommand("pdftoppm -r 150 -gray -singlefile '" + pdf + "' '" + prefix + "'", output))
        return gray;
    std::ifstream in(prefix + ".pgm", std::ios::binary);
    std::string magic;
    int maximum = 0;
    in >> magic >> gray.width >> gray.height >> maximum;
    in.get();
    if (magic != "P5" || maximum != 255 || gray.width <= 0 || gray.height <= 0) return {};
    gray.pixels.resize(static_cast<std::size_t>(gray.width) * gray.height);
    in.read(reinterpret_cast<char*>(gray.pixels.data()),
            static_cast<std::streamsize>(gray.pixels.size()));
    return in ? gray : Gray{};
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

std::vector<std::string> Words(const std::string& pdf) {
    std::string text;
    RunCommand("pdftotext '" + pdf + "' -", text);
    std::istringstream in(text);
    std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
    std::sort(words.begin(), words.end());
    return words;
}

struct PageCase {
    const char* name;
    PageStyle style;
    int jobType;
    bool natal;
};

class PdfPagesTest : public ::testing::TestWithParam<PageCase> {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }

    void SetUp() override {
        const PageCase& page = GetParam();
        m_doc.SetTitle("pages.cvj");
        m_doc.m_jobType = page.jobType;
        m_doc.m_startMonth = 1, m_doc.m_startDay = 18, m_doc.m_startYear = 2000;
        m_doc.m_endMonth = 2, m_doc.m_endDay = 18, m_doc.m_endYear = 2000;
        m_doc.m_currentPage = 1;
        m_doc.m_includeNatal = page.natal;
        m_doc.m_natalMonth = 7, m_doc.m_natalDay = 4, m_doc.m_natalYear = 1976;
        m_doc.m_note = "Note: (brackets) and \\ and caf\xE9";
        m_state.pageStyle = page.style;
        m_draw = [this](int, CDrawingDevice& device) {
            DrawChartPage(m_doc, m_state, device, m_host);
            return false;
        };
        m_ours = m_folder.filePath("ours.pdf").toStdString();
        m_qt = m_folder.filePath("qt.pdf").toStdString();
        std::string error;
        ASSERT_TRUE(WritePdfFile(m_ours, "pages.cvj", m_draw, error)) << error;
        WriteQtPdf(m_qt, m_draw);
    }

    QTemporaryDir m_folder;
    CCaelvaneDoc m_doc;
    ChartState m_state;
    CFixedHost m_host;
    PageDrawer m_draw;
    std::string m_ours, m_qt;
};

TEST_P(PdfPagesTest, LooksAsQtDrewIt) {
    if (!HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
    const Gray ours = Raster(m_ours, m_folder.filePath("ours").toStdString());
    const Gray qt = Raster(m_qt, m_folder.filePath("qt").toStdString());
    ASSERT_EQ(ours.width, 1275);
    ASSERT_EQ(ours.height, 1650);
    ASSERT_EQ(qt.width, ours.width);
    ASSERT_EQ(qt.height, ours.height);
    const int ink = InkPixels(qt);
    const int unexplained = std::max(UnexplainedPixels(ours, qt), UnexplainedPixels(qt, ours));
    RecordProperty("unexplained_pixels", unexplained);
    RecordProperty("ink_pixels", ink);
    // A page that lost or moved a text or a line differs in thousands of pixels.
    EXPECT_LE(unexplained * 1000, ink * 3)
        << unexplained << " of " << ink << " ink pixels differ beyond a pixel's shift";
    EXPECT_GE(InkPixels(ours) * 100, ink * 97);
    EXPECT_LE(InkPixels(ours) * 100, ink * 103);
}

TEST_P(PdfPagesTest, GivesTheSameText) {
    if (!HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
    const std::vector<std::string> ours = Words(m_ours);
    EXPECT_GT(ours.size(), 50u);
    EXPECT_EQ(ours, Words(m_qt));
}

TEST_P(PdfPagesTest, EmbedsItsFontsAsSubsets) {
    if (!HaveTool("pdffonts")) GTEST_SKIP() << "pdffonts is not installed";
    std::string listing;
    ASSERT_TRUE(RunCommand("pdffonts '" + m_ours + "'", listing));
    std::istringstream in(listing);
    std::string line;
    int fonts = 0;
    for (int row = 0; std::getline(in, line); ++row) {
        if (row < 2) continue;  // the heading and its rule
        ++fonts;
        EXPECT_NE(line.find("+Liberation"), line.find("+DejaVu")) << line;
        EXPECT_NE(line.find("Identity-H       yes yes yes"), std::string::npos) << line;
    }
    EXPECT_GE(fonts, 2);
}

TEST_P(PdfPagesTest, PassesQpdfCheck) {
    if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf is not installed";
    std::string report;
    EXPECT_TRUE(RunCommand("qpdf --check '" + m_ours + "' 2>&1", report)) << report;
}

INSTANTIATE_TEST_SUITE_P(Pages, PdfPagesTest,
                         ::testing::Values(PageCase{"classic_natal", PageStyle::Classic, 1, true},
                                           PageCase{"classic_range", PageStyle::Classic, 3, false},
                                           PageCase{"modern_natal", PageStyle::Modern, 1, true},
                                           PageCase{"modern_range", PageStyle::Modern, 3, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
