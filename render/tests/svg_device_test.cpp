// The SVG writer's own parts, without Qt: the document a small drawing makes (a golden, read by
// eye), texts as XML holds them, the same bytes on every run and in every locale, baselines
// placed by the faces' metrics, and files written whole or not at all.
#include "render/svg/svg_device.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "render/svg/svg_writer.h"

namespace {

std::string FontFile(const char* name) {
    for (const char* folder :
         {"/usr/share/fonts/truetype/liberation/", "/usr/share/fonts/truetype/liberation2/",
          "/usr/share/fonts/truetype/dejavu/"}) {
        const std::string path = std::string(folder) + name;
        if (::access(path.c_str(), R_OK) == 0) return path;
    }
    return {};
}

PdfFontFiles SystemFonts() {
    return {FontFile("LiberationSans-Regular.ttf"), FontFile("LiberationSans-Bold.ttf"),
            FontFile("DejaVuSans.ttf"), FontFile("DejaVuSans-Bold.ttf")};
}

bool HaveAllFonts(const PdfFontFiles& fonts) {
    return !fonts.regular.empty() && !fonts.bold.empty() && !fonts.symbol.empty() &&
           !fonts.symbolBold.empty();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Every call of the device once or more: runs of lines that continue (through a pen set again
// as it was) and that do not, the thinnest pen, flat ends, circles and discs, a thin filled
// rectangle, texts in both faces and weights, with characters XML must escape and ones it
// cannot hold.
void DrawSampler(CDrawingDevice& d) {
    d.Begin();
    d.SetPenColor(RGB(0, 0, 255));
    d.SetPenWidth(20);
    d.Line(500, -500, 8000, -500);
    d.SetPenColor(RGB(0, 0, 255));  // the same pen again: the path goes on
    d.SetPenWidth(20);
    d.Line(8000, -500, 8000, -10500);
    d.Line(8000, -10500, 500, -10500);
    d.Line(500, -5000, 8000, -5500);
    d.SetPenWidth(0);
    d.Line(1000, -1000, 2000, -2000);
    d.SetPenColor(RGB(255, 0, 0));
    d.Circle(4000, -3000, 500, 0);
    d.Circle(4000, -3000, 40, 1);
    d.SetPenEnds(CDrawingDevice::PenEnds::Flat);
    d.SetPenWidth(8);
    d.Line(1000, -4000, 3000, -4000);
    d.SetPenEnds(CDrawingDevice::PenEnds::Round);
    d.SetPenColor(RGB(0, 128, 0));
    d.FillRect(6000, -6000, 6000, -7000);
    d.FillRect(6200, -7000, 6800, -6000);
    d.SelectFont("Arial", 200, 1);
    d.Text(700, -700, "Job: a&b <c> caf\xE9");
    d.Text(700, -900, "   ");  // blanks leave no mark
    d.SelectFont("Arial", 160, 0);
    d.Text(700, -1100, "01 18 2000  17:00\x01 UT");
    d.SelectFont("DejaVu Sans", 150, 0);
    d.SetScalableText(true);
    d.TextUtf8(700, -1300, "\xE2\x98\x89 12\xC2\xB0");
    d.End();
}

std::string Sampler(const PdfFontFiles& fonts) {
    return SvgDocument(ChartPageSvgGeometry(), "sampler <1> & \xE2\x98\x89", fonts, nullptr,
                       DrawSampler);
}

// With no font files the faces' own metrics place the texts: the same document on every
// system. The golden is read by eye against the drawing above; regenerate it with
// SVG_GOLDEN_UPDATE=1 only on purpose.
TEST(SvgDocument, SamplerMatchesGolden) {
    const std::string bytes = Sampler({});
    const std::string golden = std::string(SVG_TEST_DATA) + "/sampler.svg";
    if (const char* update = std::getenv("SVG_GOLDEN_UPDATE"); update && *update == '1') {
        std::ofstream(golden, std::ios::binary) << bytes;
    }
    EXPECT_EQ(bytes, ReadFile(golden));
}

TEST(SvgDocument, SameBytesOnEveryRunAndInEveryLocale) {
    const PdfFontFiles fonts = SystemFonts();
    const std::string first = Sampler(fonts);
    EXPECT_EQ(Sampler(fonts), first);
    // A locale that writes decimal commas must not reach the numbers.
    const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!german) german = std::setlocale(LC_ALL, "C.UTF-8");
    EXPECT_EQ(Sampler(fonts), first);
    std::setlocale(LC_ALL, "C");
}

TEST(SvgDocument, WellFormedForXmllint) {
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmllint is not installed";
    const std::string path = testing::TempDir() + "svg_sampler.svg";
    std::string error;
    ASSERT_TRUE(WriteSvgDocument(path, Sampler(SystemFonts()), error)) << error;
    EXPECT_EQ(std::system(("xmllint --noout '" + path + "'").c_str()), 0);
    std::remove(path.c_str());
}

TEST(SvgText, EscapedAndWithoutWhatXmlCannotHold) {
    const struct {
        const char* text;
        bool utf8;
        const char* expected;  // the element's content; nullptr: no element
    } cases[] = {
        {"a&b <c> \"d\" 'e'", false, "a&amp;b &lt;c&gt; \"d\" 'e'"},
        {"caf\xE9 \xB0", false, "caf\xC3\xA9 \xC2\xB0"},  // Latin-1 into UTF-8
        {"tab\there\x7F\x85", false, "tabhere"},          // controls show nothing
        {"\x01\x02", false, nullptr},
        {"  ", false, nullptr},
        {"\xE2\x98\x89\xE2\x99\x82", true, "\xE2\x98\x89\xE2\x99\x82"},
        {"bad \xFF byte", true, "bad \xC3\xBF byte"},  // a stray byte stands for itself
        {"\xEF\xBF\xBF!", true, "!"},                  // U+FFFF is no XML character
        {"\xF0\x9F\x9C\x81", true, "\xF0\x9F\x9C\x81"},
    };
    for (const auto& c : cases) {
        const std::string bytes =
            SvgDocument(ChartPageSvgGeometry(), "t", {}, nullptr, [&c](CDrawingDevice& d) {
                d.Begin();
                d.SelectFont("Arial", 200, 0);
                c.utf8 ? d.TextUtf8(0, 0, c.text) : d.Text(0, 0, c.text);
                d.End();
            });
        const std::size_t open = bytes.find("<text ");
        if (!c.expected) {
            EXPECT_EQ(open, std::string::npos) << c.text;
            EXPECT_EQ(bytes.find("font-size"), std::string::npos) << c.text;
            continue;
        }
        ASSERT_NE(open, std::string::npos) << c.text;
        const std::size_t begin = bytes.find('>', open) + 1;
        EXPECT_EQ(bytes.substr(begin, bytes.find("</text>", begin) - begin), c.expected) << c.text;
    }
}

// Coordinates are written as they come, to the ends of their range.
TEST(SvgDocument, ExtremeCoordinates) {
    constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
    const std::string bytes =
        SvgDocument(ChartPageSvgGeometry(), "t", {}, nullptr, [](CDrawingDevice& d) {
            d.Begin();
            d.Line(kMin, kMin, kMax, kMax);
            d.Circle(kMin, kMin, kMin, 1);
            d.FillRect(kMin, kMin, kMax, kMax);
            d.SelectFont("Arial", kMin, 1);
            d.Text(kMin, kMin, "x");
            d.End();
        });
    EXPECT_NE(bytes.find("<path d=\"M-2147483648 2147483648L2147483647 -2147483647\"/>"),
              std::string::npos)
        << bytes;
    EXPECT_NE(bytes.find("<circle cx=\"-2147483648\" cy=\"2147483648\" r=\"2147483648\""),
              std::string::npos);
    EXPECT_NE(bytes.find("<text x=\"-2147483648\""), std::string::npos);
    EXPECT_NE(bytes.find("</svg>"), std::string::npos);
}

double BaselineOf(const std::string& bytes) {
    const std::size_t at = bytes.find("<text x=\"");
    if (at == std::string::npos) return -1;
    return std::atof(bytes.c_str() + bytes.find("y=\"", at) + 3);
}

// The baseline lies the face's ascent below the top of the character cell: measured by the em
// in whole pixels of the raster the drawing stands for, or, for texts laid out to the design
// metrics, by the em in whole units and the tallest face that draws a character of the text.
TEST(SvgText, BaselinesByTheFacesMetrics) {
    const PdfFontFiles fonts = SystemFonts();
    if (!HaveAllFonts(fonts)) GTEST_SKIP() << "Liberation Sans and DejaVu Sans are not installed";
    const double liberation = 1854.0 / 2048, dejaVu = 1901.0 / 2048;
    const double liberationEm = 2048.0 / (1854 + 434);
    const struct {
        const char* name;
        int unitsPerPixel;
        const char* face;
        int height;
        bool scalable;
        const char* text;
        double expected;  // below the top of the cell, in units
    } cases[] = {
        {"page, fraction of a unit", 1, "Arial", 200, false, "Job", 179 * liberation},
        {"96 dpi, whole pixels", 4, "Arial", 52, false, "Job", 12 * 4 * liberation},
        {"scalable, whole units", 1, "Arial", 200, true, "Job", 179 * liberation},
        {"scalable, symbol from the other face", 1, "Arial", 200, true, "Sun \xE2\x98\x89",
         179 * dejaVu},
        {"symbol face", 1, "DejaVu Sans", 120, true, "\xE2\x98\x89", 103 * dejaVu},
    };
    EXPECT_NEAR(200 * liberationEm, 179.02, 0.01);
    for (const auto& c : cases) {
        const SvgGeometry geometry = c.unitsPerPixel == 1
                                         ? ChartPageSvgGeometry()
                                         : SurfaceSvgGeometry(1000, 1000, c.unitsPerPixel);
        const std::string bytes =
            SvgDocument(geometry, "t", fonts, nullptr, [&c](CDrawingDevice& d) {
                d.Begin();
                d.SetScalableText(c.scalable);
                d.SelectFont(c.face, c.height, 0);
                d.TextUtf8(100, -1000, c.text);
                d.End();
            });
        EXPECT_NEAR(BaselineOf(bytes) - 1000, c.expected, 0.011) << c.name;
    }
}

// The built-in metrics stand for the faces' files where those are missing: they must be theirs.
TEST(SvgFonts, BuiltInMetricsAreTheFilesOwn) {
    const PdfFontFiles files = SystemFonts();
    if (!HaveAllFonts(files)) GTEST_SKIP() << "Liberation Sans and DejaVu Sans are not installed";
    CSvgFonts fonts(files);
    for (const PdfFontSlot slot :
         {PdfFontSlot::Regular, PdfFontSlot::Bold, PdfFontSlot::Symbol, PdfFontSlot::SymbolBold}) {
        const SvgFaceMetrics built = BuiltInFaceMetrics(slot);
        EXPECT_DOUBLE_EQ(fonts.Metrics(slot).ascent, built.ascent) << static_cast<int>(slot);
        EXPECT_DOUBLE_EQ(fonts.Metrics(slot).descent, built.descent) << static_cast<int>(slot);
    }
    EXPECT_TRUE(fonts.Has(PdfFontSlot::Regular, U'A'));
    EXPECT_FALSE(fonts.Has(PdfFontSlot::Regular, U'\u2609'));
    EXPECT_TRUE(fonts.Has(PdfFontSlot::Symbol, U'\u2609'));
    // A file that is no font leaves the face's own metrics.
    CSvgFonts broken({"/dev/null", "", "/no/such/file.ttf", ""});
    EXPECT_DOUBLE_EQ(broken.Metrics(PdfFontSlot::Regular).ascent,
                     BuiltInFaceMetrics(PdfFontSlot::Regular).ascent);
    EXPECT_TRUE(broken.Has(PdfFontSlot::Symbol, U'\u2609'));
}

class SvgFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = testing::TempDir() + "svg_files_" + std::to_string(::getpid());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string m_folder;
};

TEST_F(SvgFileTest, FailuresLeaveTheOldFileAndNothingElse) {
    const std::string keep = m_folder + "/keep.svg";
    std::ofstream(keep) << "old contents";
    std::string error;
    // A folder where the file should be, and a missing folder: named in the message.
    std::filesystem::create_directory(m_folder + "/folder.svg");
    EXPECT_FALSE(WriteSvgDocument(m_folder + "/folder.svg", "<svg/>", error));
    EXPECT_NE(error.find("folder.svg"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(WriteSvgDocument(m_folder + "/no/page.svg", "<svg/>", error));
    EXPECT_NE(error.find("no/page.svg"), std::string::npos) << error;
    // A set that fails on its second file keeps none of them.
    {
        caelvane::CAtomicFileSet set;
        ASSERT_TRUE(WriteSvgDocument(keep, "new contents", error, &set)) << error;
        EXPECT_FALSE(WriteSvgDocument(m_folder + "/folder.svg", "x", error, &set));
        EXPECT_NE(error.find("folder.svg"), std::string::npos) << error;
    }
    EXPECT_EQ(ReadFile(keep), "old contents");
    EXPECT_EQ(Files(), (std::vector<std::string>{"folder.svg", "keep.svg"}));
    // And a set that succeeds replaces the file only on Commit.
    caelvane::CAtomicFileSet set;
    ASSERT_TRUE(WriteSvgDocument(keep, "new contents", error, &set)) << error;
    EXPECT_EQ(ReadFile(keep), "old contents");
    ASSERT_TRUE(set.Commit());
    EXPECT_EQ(ReadFile(keep), "new contents");
}

}  // namespace
