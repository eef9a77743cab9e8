// The PDF writer's own parts: numbers and strings as PDF spells them, the document's structure
// (every offset of the cross-reference table lands on its object), the content stream's
// economy (state written only on change, lines batched, one string per text), font subsets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "render/pdf/pdf_device.h"
#include "render/pdf/pdf_document.h"
#include "render/pdf/pdf_font.h"

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

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(PdfNumber, ShortestExactSpelling) {
    const struct {
        double value;
        int decimals;
        const char* expected;
    } cases[] = {
        {0, 3, "0"},           {612, 3, "612"},
        {1.5, 3, "1.5"},       {-0.25, 3, "-0.25"},
        {0.0004, 3, "0"},      {-0.0004, 3, "0"},
        {2.0005, 3, "2.001"},  {-10045.339, 2, "-10045.34"},
        {0.072, 6, "0.072"},   {1e12, 0, "1000000000000"},
        {0.1 + 0.2, 3, "0.3"}, {-7, 2, "-7"},
    };
    for (const auto& c : cases) {
        std::string out;
        AppendPdfNumber(out, c.value, c.decimals);
        EXPECT_EQ(out, c.expected) << c.value << " to " << c.decimals << " places";
    }
}

TEST(PdfText, Utf8DecodedAndStrayBytesKept) {
    const struct {
        std::string utf8;
        std::u32string expected;
    } cases[] = {
        {"Aries", U"Aries"},
        {"\xE2\x99\x88 \xE2\x84\x9E 10\xC2\xB0", U"\u2648 \u211E 10\u00B0"},
        {"caf\xE9", U"caf\u00E9"},                          // Latin-1 byte: itself
        {"\xC0\xAF", U"\u00C0\u00AF"},                      // overlong slash
        {"\xED\xA0\x80", U"\u00ED\u00A0\u0080"},            // a surrogate
        {"\xE2\x99", U"\u00E2\u0099"},                      // cut short
        {"\xF0\x9F\x9C\x81", U"\U0001F701"},                // beyond the basic plane
        {"\xF4\x90\x80\x80", U"\u00F4\u0090\u0080\u0080"},  // beyond Unicode
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeUtf8(c.utf8), c.expected) << c.utf8;
}

TEST(PdfText, InformationStrings) {
    EXPECT_EQ(PdfTextString("job.cvj"), "(job.cvj)");
    EXPECT_EQ(PdfTextString("a(b)\\c"), "(a\\(b\\)\\\\c)");
    EXPECT_EQ(PdfTextString("caf\xC3\xA9"), "<FEFF00630061006600E9>");
    EXPECT_EQ(PdfTextString("\xF0\x9F\x9C\x81"), "<FEFFD83DDF01>");
    EXPECT_EQ(PdfTextString("a\nb"), "<FEFF0061000A0062>");
}

// Every object the cross-reference table names starts where it says, the table lists them
// all, and startxref points at the table.
void ExpectSoundStructure(const std::string& pdf) {
    ASSERT_EQ(pdf.rfind("%PDF-1.4\n", 0), 0u);
    const std::size_t startxref = pdf.rfind("startxref\n");
    ASSERT_NE(startxref, std::string::npos);
    const std::size_t xref = std::stoul(pdf.substr(startxref + 10));
    ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
    std::size_t first = 0, count = 0;
    ASSERT_EQ(std::sscanf(pdf.c_str() + xref, "xref\n%zu %zu", &first, &count), 2);
    const std::size_t entries = pdf.find('\n', xref + 5) + 1;
    for (std::size_t number = 1; number < count; ++number) {
        const std::size_t offset = std::stoul(pdf.substr(entries + number * 20, 10));
        const std::string header = std::to_string(number) + " 0 obj\n";
        EXPECT_EQ(pdf.compare(offset, header.size(), header), 0) << "object " << number;
    }
    EXPECT_NE(pdf.find("/Size " + std::to_string(count) + "/Root 1 0 R"), std::string::npos);
    EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
}

TEST(PdfDocument, CrossReferencesFindEveryObject) {
    for (const bool withText : {false, true}) {
        const PdfFontFiles fonts = SystemFonts();
        if (withText && fonts.regular.empty()) continue;
        std::string pdf;
        CPdfDocument document(
            [&pdf](std::string_view bytes) {
                pdf.append(bytes);
                return true;
            },
            fonts, "t\xC3\xADtulo");
        CPdfDevice device(document, nullptr);
        for (int page = 0; page < 3; ++page) {
            device.BeginPage(ChartPageGeometry());
            device.Begin();
            device.Line(0, 0, 100, -100);
            if (withText) {
                device.SelectFont("Arial", 200, 1);
                device.Text(100, -100, "page");
            }
            device.End();
            ASSERT_TRUE(device.EndPage());
        }
        ASSERT_TRUE(document.Finish()) << document.Error();
        ExpectSoundStructure(pdf);
        EXPECT_EQ(Count(pdf, "/Type /Page "), 3u);
        EXPECT_NE(pdf.find("/Count 3>>"), std::string::npos);
        EXPECT_NE(pdf.find("/Title<FEFF007400ED00740075006C006F>"), std::string::npos);
        EXPECT_EQ(Count(pdf, "/FontFile2"), withText ? 1u : 0u);
    }
}

// A sink that takes no more stops the document, and the document says so.
TEST(PdfDocument, FailedWriteIsReported) {
    for (const std::size_t room : {0, 5, 100, 600}) {
        std::size_t taken = 0;
        CPdfDocument document(
            [&taken, room](std::string_view bytes) {
                taken += bytes.size();
                return taken <= room;
            },
            {}, "t");
        CPdfDevice device(document, nullptr);
        device.BeginPage(ChartPageGeometry());
        device.Begin();
        for (int i = 0; i < 50; ++i) device.Line(i, 0, i, -1000);
        device.End();
        const bool ended = device.EndPage();
        EXPECT_FALSE(ended && document.Finish()) << room;
        EXPECT_FALSE(document.Error().empty()) << room;
    }
}

TEST(PdfDocument, TextWithoutAnyFontFails) {
    CPdfDocument document([](std::string_view) { return true; }, {"", "", "", "/no/such.ttf"}, "t");
    CPdfDevice device(document, nullptr);
    device.BeginPage(ChartPageGeometry());
    device.Begin();
    device.SelectFont("Arial", 200, 0);
    device.Text(0, 0, "lost");
    device.End();
    EXPECT_FALSE(device.EndPage() && document.Finish());
    EXPECT_NE(document.Error().find("/no/such.ttf"), std::string::npos) << document.Error();
}

// What the device writes for a page, without the page's opening transformation.
class PdfContentTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_document = std::make_unique<CPdfDocument>([](std::string_view) { return true; },
                                                    SystemFonts(), "t");
        m_device = std::make_unique<CPdfDevice>(*m_document, nullptr);
        m_device->BeginPage(ChartPageGeometry());
        m_device->Begin();
    }
    std::string Content() {
        m_device->End();
        const std::string& content = m_document->Content();
        return content.substr(content.find('\n') + 1);
    }
    std::unique_ptr<CPdfDocument> m_document;
    std::unique_ptr<CPdfDevice> m_device;
};

TEST_F(PdfContentTest, LinesOfOnePenAreOnePath) {
    CDrawingDevice& d = *m_device;
    d.SetPenColor(0x0000FF);
    d.SetPenWidth(20);
    d.Line(0, 0, 10, 0);
    d.Line(10, 0, 10, -10);   // continues the last
    d.Line(50, 0, 60, 0);     // starts afresh, same path
    d.SetPenColor(0x0000FF);  // no change
    d.SetPenWidth(20);
    d.Line(60, 0, 70, 0);
    d.SetPenColor(0xFF0000);
    d.Line(0, 0, 1, 1);
    EXPECT_EQ(Content(),
              "20 w 1 J 1 0 0 RG \n0 0 m 10 0 l\n10 -10 l\n50 0 m 60 0 l\n70 0 l\nS\n"
              "0 0 1 RG \n0 0 m 1 1 l\nS\n");
}

TEST_F(PdfContentTest, PensNeverThinnerThanADevicePixel) {
    CDrawingDevice& d = *m_device;
    d.SetPenWidth(0);
    d.Line(0, 0, 1, 0);
    d.SetPenWidth(-3);
    d.SetPenEnds(CDrawingDevice::PenEnds::Flat);
    d.Line(0, 0, 1, 0);
    EXPECT_EQ(Content(), "0.833 w 1 J \n0 0 m 1 0 l\nS\n3 w 0 J \n0 0 m 1 0 l\nS\n");
}

TEST_F(PdfContentTest, ShapesInThePenColour) {
    CDrawingDevice& d = *m_device;
    d.SetPenColor(0x00FF00);
    d.Circle(100, -100, 50, 1);
    d.FillRect(10, -10, 0, 0);
    d.FillRect(5, -5, 5, -5);  // a point: a device pixel
    const std::string content = Content();
    EXPECT_EQ(Count(content, "0 1 0 rg"), 1u) << content;
    EXPECT_EQ(Count(content, " c "), 4u) << content;
    EXPECT_NE(content.find("h B\n"), std::string::npos) << content;
    EXPECT_NE(content.find("0 -10 10 10 re f\n"), std::string::npos) << content;
    EXPECT_NE(content.find("4.58 -5.42 0.83 0.83 re f\n"), std::string::npos) << content;
}

TEST_F(PdfContentTest, OneStringPerTextAndFontsOnlyOnChange) {
    if (SystemFonts().regular.empty() || SystemFonts().symbol.empty())
        GTEST_SKIP() << "Liberation Sans and DejaVu Sans are not installed";
    CDrawingDevice& d = *m_device;
    d.SelectFont("Arial", 120, 0);
    d.Text(100, -200, "Sun 10");
    d.Text(100, -400, "Moon");
    d.Text(100, -600, "   ");                     // blanks: no mark
    d.TextUtf8(100, -800, "\xE2\x99\x88 Aries");  // the sign from the symbol face
    const std::string content = Content();
    EXPECT_EQ(Count(content, "BT"), 1u) << content;
    EXPECT_EQ(Count(content, "Tj"), 4u) << content;
    EXPECT_EQ(Count(content, " Tf"), 3u) << content;  // F0, then F2 for the sign, F0 again
    EXPECT_EQ(Count(content, "/F2 "), 1u) << content;
    EXPECT_EQ(Count(content, "Tm"), 3u) << content;
}

// Six glyphs and their components, by hand: 0 simple, 1 built of 2 and 3 (word arguments,
// a scale), 3 built of 4 and of 9 (past the end), 4 of itself, 5 simple.
struct Glyphs {
    std::string glyf, loca;
};

void Add16(std::string& s, unsigned v) {
    s += static_cast<char>(v >> 8);
    s += static_cast<char>(v & 0xFF);
}

Glyphs HandMadeGlyphs() {
    std::vector<std::string> glyph(6);
    const auto simple = [] { return std::string("\x00\x01", 2) + std::string(10, '\0'); };
    const auto composite = [](std::vector<std::pair<unsigned, unsigned>> parts) {
        std::string g("\xFF\xFF", 2);
        g += std::string(8, '\0');
        for (std::size_t i = 0; i < parts.size(); ++i) {
            unsigned flags = parts[i].second | (i + 1 < parts.size() ? 0x0020 : 0);
            Add16(g, flags);
            Add16(g, parts[i].first);
            g += std::string((flags & 1) ? 4 : 2, '\0');
            if (flags & 0x0008) g += std::string(2, '\0');
        }
        return g;
    };
    glyph[0] = simple();
    glyph[1] = composite({{2, 0x0001 | 0x0008}, {3, 0}});
    glyph[3] = composite({{4, 0}, {9, 0x0001}});
    glyph[4] = composite({{4, 0}});
    glyph[5] = simple();
    Glyphs out;
    for (const std::string& g : glyph) {
        Add16(out.loca, static_cast<unsigned>(out.glyf.size() / 2));
        out.glyf += g;
    }
    Add16(out.loca, static_cast<unsigned>(out.glyf.size() / 2));
    return out;
}

TEST(PdfFontSubset, CompositesBringTheirComponents) {
    const Glyphs font = HandMadeGlyphs();
    const struct {
        std::vector<unsigned> drawn;
        std::vector<unsigned> expected;
    } cases[] = {
        {{0}, {0}},          {{1}, {1, 2, 3, 4}},
        {{3, 5}, {3, 4, 5}}, {{4}, {4}},  // refers to itself: no endless loop
        {{2, 42}, {2}},                   // past the font: left out
    };
    for (const auto& c : cases)
        EXPECT_EQ(CloseOverComposites(c.drawn, font.glyf, font.loca, 0, 6), c.expected);
}

TEST(PdfFontSubset, TruncatedTablesAreNoTrouble) {
    const Glyphs font = HandMadeGlyphs();
    for (std::size_t size = 0; size <= font.glyf.size(); ++size) {
        const std::vector<unsigned> found =
            CloseOverComposites({1, 3}, font.glyf.substr(0, size), font.loca, 0, 6);
        EXPECT_LE(found.size(), 4u) << size;
    }
    for (std::size_t size = 0; size <= font.loca.size(); ++size) {
        const std::vector<unsigned> found =
            CloseOverComposites({1, 3}, font.glyf, font.loca.substr(0, size), 0, 6);
        EXPECT_LE(found.size(), 4u) << size;
    }
}

TEST(PdfFontSubset, SubsetKeepsTheDrawnGlyphsOnly) {
    for (const char* name : {"LiberationSans-Regular.ttf", "DejaVuSans-Bold.ttf"}) {
        const std::string path = FontFile(name);
        if (path.empty()) continue;
        std::string error;
        std::unique_ptr<CPdfFont> font = CPdfFont::Open(path, error);
        ASSERT_TRUE(font) << error;
        const std::u32string drawn = U"Ab\u00B0\u00E9";  // é is built of parts in some fonts
        for (const char32_t c : drawn) font->Use(font->Glyph(c), c);
        const std::string subset = font->SubsetBytes(error);
        ASSERT_FALSE(subset.empty()) << error;
        const std::string file = ::testing::TempDir() + "subset.ttf";
        std::ofstream(file, std::ios::binary) << subset;
        std::unique_ptr<CPdfFont> reread = CPdfFont::Open(file, error);
        ASSERT_TRUE(reread) << error;
        for (const char32_t c : drawn) {
            const unsigned glyph = font->Glyph(c);
            EXPECT_EQ(reread->Advance(glyph), font->Advance(glyph)) << name << " " << glyph;
            EXPECT_EQ(reread->GlyphBox(glyph).xMax, font->GlyphBox(glyph).xMax) << name;
        }
        EXPECT_EQ(reread->GlyphBox(font->Glyph(U'Z')).xMax, 0) << name << ": Z not drawn";
        EXPECT_LT(subset.size() * 4, std::ifstream(path, std::ios::ate).tellg()) << name;
        EXPECT_EQ(font->SubsetTag().size(), 6u);
        std::remove(file.c_str());
    }
}

TEST(PdfFontSubset, BrokenFilesAreRefused) {
    const std::string file = ::testing::TempDir() + "broken.ttf";
    for (const std::string& bytes :
         {std::string(), std::string("\x00\x01\x00\x00", 4), std::string(200, 'x')}) {
        std::ofstream(file, std::ios::binary) << bytes;
        std::string error;
        EXPECT_FALSE(CPdfFont::Open(file, error));
        EXPECT_NE(error.find(file), std::string::npos) << error;
    }
    std::remove(file.c_str());
}

}  // namespace
