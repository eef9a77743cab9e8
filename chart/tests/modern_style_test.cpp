// The modern page style: what it draws differently from the classic page, and the layout
// helpers it measures with. Fonts here are the estimate (no font system in these tests); the
// real fonts are measured in the render tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "chart/chart_dc.h"
#include "chart/chart_state.h"
#include "chart/modern_layout.h"
#include "chart/tests/test_host.h"
#include "ephemeris/bodies.h"
#include "job/caelvane_doc.h"
#include "render/trace_device.h"

namespace {

std::string Quoted(const std::string& text) {
    return CTraceDevice::Quote(text);
}

std::string DrawPage(CCaelvaneDoc& doc, PageStyle style) {
    chart_test::CTestHost host;
    ChartState state;
    state.pageStyle = style;
    return chart_test::DrawToTrace(doc, state, host);
}

void OneDay(CCaelvaneDoc& doc, int month, int day, int year) {
    doc.m_jobType = 1;
    doc.m_startMonth = month;
    doc.m_startDay = day;
    doc.m_startYear = year;
    doc.m_includeAspects = 1;
    doc.SetTitle("job.cvj");
}

// The texts of the trace, in drawing order (the quoted part of each text record).
std::vector<std::string> Texts(const std::string& trace) {
    std::vector<std::string> texts;
    for (const std::string& line : chart_test::SplitLines(trace)) {
        if (line.rfind("text ", 0) != 0) continue;
        texts.push_back(line.substr(line.find('"')));
    }
    return texts;
}

TEST(ModernStyle, ClassicTraceHasNoBoxesAndModernBoxesEveryText) {
    CCaelvaneDoc doc;
    OneDay(doc, 4, 5, 2024);
    const std::vector<std::string> classic =
        chart_test::SplitLines(DrawPage(doc, PageStyle::Classic));
    for (const std::string& line : classic) EXPECT_NE(line.rfind("box ", 0), 0u) << line;

    const std::vector<std::string> modern =
        chart_test::SplitLines(DrawPage(doc, PageStyle::Modern));
    int texts = 0;
    for (std::size_t i = 0; i < modern.size(); ++i) {
        if (modern[i].rfind("text ", 0) != 0) continue;
        ++texts;
        ASSERT_LT(i + 1, modern.size());
        EXPECT_EQ(modern[i + 1].rfind("box ", 0), 0u) << modern[i];
    }
    EXPECT_GT(texts, 100);
}

// Every body and sign symbol the page uses stands in the key with its name beside it.
TEST(ModernStyle, KeyNamesEverySymbol) {
    CCaelvaneDoc doc;
    OneDay(doc, 4, 5, 2024);
    const std::vector<std::string> texts = Texts(DrawPage(doc, PageStyle::Modern));
    const auto keyHas = [&](const std::string& symbol, const std::string& name) {
        for (std::size_t i = 0; i + 1 < texts.size(); ++i)
            if (texts[i] == Quoted(symbol) && texts[i + 1] == Quoted(name)) return true;
        return false;
    };
    for (const Body& body : Bodies()) EXPECT_TRUE(keyHas(body.glyph, body.name)) << body.name;
    for (int sign = 0; sign < 12; ++sign)
        EXPECT_TRUE(keyHas(ZodiacSignGlyph(sign), ZodiacSignName(sign))) << ZodiacSignName(sign);
    EXPECT_TRUE(keyHas("\u211E", "retrograde"));
    for (int k = 0; k < 4; ++k) {  // all four hot spots, with their labels and places
        char place[32];
        std::snprintf(place, sizeof place, " at %.2f", doc.m_hotSpotDegree[k]);
        const std::string label =
            doc.m_hotSpotLabel[k].empty() ? "hot spot" : doc.m_hotSpotLabel[k];
        EXPECT_TRUE(keyHas(std::string(1, static_cast<char>('1' + k)), label + place)) << k;
    }
}

// The geocentric positions (the second wheel's, in body-code order) carry the retrograde
// mark exactly while the body moves backwards.
TEST(ModernStyle, RetrogradeMarksOnKnownDates) {
    struct Row {
        int month, day, year;
        int code;  // 1 Mercury .. 12 Chiron, as the wheel orders them
        bool retrograde;
    };
    const Row rows[] = {
        {4, 5, 2024, 1, true},    // Mercury retrograde 1 to 25 April 2024
        {3, 1, 2024, 1, false},   // .. and direct before it
        {4, 5, 2024, 4, false},   // Mars direct
        {8, 1, 2024, 6, true},    // Saturn retrograde from 29 June 2024
        {4, 5, 2024, 3, false},   // the Sun never
        {4, 5, 2024, 10, false},  // nor the Moon
        {4, 5, 2024, 11, true},   // the mean node always
        {12, 20, 2023, 1, true},  // Mercury retrograde 13 December 2023 to 1 January 2024
    };
    for (const Row& row : rows) {
        CCaelvaneDoc doc;
        OneDay(doc, row.month, row.day, row.year);
        const std::vector<std::string> lines =
            chart_test::SplitLines(DrawPage(doc, PageStyle::Modern));
        // The positions are the texts after the second wheel's "font DejaVu Sans 90 0".
        int fonts = 0;
        std::vector<std::string> labels;
        for (const std::string& line : lines) {
            if (line == "font DejaVu Sans 90 0") ++fonts;
            if (fonts == 2 && line.rfind("text ", 0) == 0 && labels.size() < 12)
                labels.push_back(line);
        }
        ASSERT_EQ(labels.size(), 12u);
        const std::string& label = labels[row.code - 1];
        EXPECT_EQ(label.find(Quoted("\u211E").substr(1, 12)) != std::string::npos, row.retrograde)
            << row.year << "-" << row.month << "-" << row.day << " code " << row.code << ": "
            << label;
    }
}

// A conjunction whose arc rounds up to a whole turn reads 0 on the modern page, 360 on the
// classic.
TEST(ModernStyle, ConjunctionReadsZero) {
    for (const PageStyle style : {PageStyle::Classic, PageStyle::Modern}) {
        CCaelvaneDoc doc;
        OneDay(doc, 4, 5, 2024);
        doc.m_hotSpotDegree[0] = 15.0;  // within half a degree: the arc rounds to a whole turn
        doc.m_hotSpotDegree[1] = 15.3;
        const std::string trace = DrawPage(doc, style);
        // Entry 14 against entry 13: row 14, column 13 of the upper table.
        const std::string cell = "text " + std::to_string(750 + 400 * 12) + " " +
                                 std::to_string(4500 + 3620 - 200 * 13) + " ";
        const std::size_t at = trace.find(cell);
        ASSERT_NE(at, std::string::npos);
        const std::string number = trace.substr(at + cell.size(), 5);
        EXPECT_EQ(number, style == PageStyle::Modern ? "\"  0\"" : "\"360\"");
    }
}

TEST(ModernStyle, TextsInFaintColoursAreShadedToRead) {
    struct Row {
        COLORREF color;
        bool kept;
    };
    const Row rows[] = {{0x000000, true},  {0xFF0000, true},  {0x0000FF, true},
                        {0x00FFFF, false}, {0xFFFFFF, false}, {0x00FF00, false},
                        {0xC0C0C0, false}, {0x808080, true},  {0xFFFF00, false}};
    for (const Row& row : rows) {
        const COLORREF readable = ReadableOnWhite(row.color);
        EXPECT_GE(ContrastOnWhite(readable), 3.0) << std::hex << row.color;
        EXPECT_EQ(readable == row.color, row.kept) << std::hex << row.color;
        // A shade of the same colour: no channel grows, the order of channels stays.
        EXPECT_LE(GetRValue(readable), GetRValue(row.color));
        EXPECT_LE(GetGValue(readable), GetGValue(row.color));
        EXPECT_LE(GetBValue(readable), GetBValue(row.color));
    }
    // On the page: a yellow note is written in the shade, and the pen goes back to yellow.
    CCaelvaneDoc doc;
    OneDay(doc, 4, 5, 2024);
    doc.m_note = "yellow";
    doc.m_colorNoteText = 0x00FFFF;
    const std::string trace = DrawPage(doc, PageStyle::Modern);
    char shade[40];
    std::snprintf(shade, sizeof shade, "color %08X\ntext ", ReadableOnWhite(0x00FFFF));
    const std::size_t at = trace.find("\"Note: yellow\"");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(trace.rfind(shade, at), std::string::npos);
    EXPECT_EQ(trace.find("color 0000FFFF", at), trace.find('\n', trace.find('\n', at) + 1) + 1);
}

// The texts of a modern trace that touch one another, one pair a line, where one of them is
// `wanted` (the estimated metrics of these tests are too rough to hold the page's fixed texts
// apart; the real fonts are measured in the render tests).
template <class Wanted>
std::string TouchingTexts(const std::string& trace, Wanted wanted) {
    struct Boxed {
        std::string line;
        PageBox box;
    };
    std::vector<Boxed> texts;
    const std::vector<std::string> lines = chart_test::SplitLines(trace);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        int x = 0, y = 0, w = 0, h = 0;
        if (lines[i].rfind("text ", 0) == 0 &&
            std::sscanf(lines[i + 1].c_str(), "box %d %d %d %d", &x, &y, &w, &h) == 4)
            texts.push_back({lines[i], {x, y - h, x + w, y}});
    }
    std::string found;
    for (std::size_t a = 0; a < texts.size(); ++a)
        for (std::size_t b = a + 1; b < texts.size(); ++b)
            if ((wanted(texts[a].line) || wanted(texts[b].line)) &&
                texts[a].box.Intersects(texts[b].box))
                found += texts[a].line + "  <->  " + texts[b].line + "\n";
    return found;
}

// With the price display on, the marks on the spokes, the two price lines and the Moon's
// notes find room among the bodies, the job block and the tables.
TEST(ModernStyle, PriceDisplayTouchesNoOtherText) {
    struct Row {
        const char* name;
        int month, day, year;
        double price;
        int hour, minute;
        bool aspects, natal, overlay;
        const char* note;  // a Moon note the page must show, or ""
    };
    const Row rows[] = {
        {"solar eclipse", 4, 8, 2024, 5123.25, 14, 30, true, false, false, "SOLAR ECLIPSE"},
        {"lunar eclipse", 3, 14, 2025, 98765.4321, 29, 59, true, true, true, "LUNAR ECLIPSE"},
        {"full Moon, no tables", 1, 25, 2024, 0.0, 0, 0, false, false, true, "FULL MOON"},
        {"a huge price", 4, 5, 2024, 1.0e12, 10, 5, true, true, true, ""},
        {"a negative price", 4, 5, 2024, -345.5, 10, 5, true, false, false, ""},
        {"crowded sky", 2, 5, 1962, 360.0, 12, 0, true, true, true, ""},
    };
    for (const Row& row : rows) {
        CCaelvaneDoc doc;
        OneDay(doc, row.month, row.day, row.year);
        doc.m_includeAspects = row.aspects;
        doc.m_includeNatal = row.natal;
        doc.m_overlayEnabled = row.overlay;
        doc.m_overlayParts = 72;
        doc.m_overlayStepSize = 250;
        doc.m_priceMonitorOn = 1;
        doc.m_price = row.price;
        doc.m_priceDegree = std::fmod(std::abs(row.price), 72.0) * 5.0;
        doc.m_priceHour = row.hour;
        doc.m_priceMinute = row.minute;
        const std::string trace = DrawPage(doc, PageStyle::Modern);
        const auto priceOrMoon = [](const std::string& line) {
            for (const char* text :
                 {"\"$\"", "\"X\"", "\"Price ", "\"Time ", " MOON\"", "ECLIPSE\""})
                if (line.find(text) != std::string::npos) return true;
            return false;
        };
        EXPECT_EQ(TouchingTexts(trace, priceOrMoon), "") << row.name;
        const std::vector<std::string> texts = Texts(trace);
        EXPECT_EQ(std::count(texts.begin(), texts.end(), Quoted("$")), 2) << row.name;
        EXPECT_EQ(std::count(texts.begin(), texts.end(), Quoted("X")), 2) << row.name;
        EXPECT_EQ(trace.find("\"Price "), trace.find("text 550 4100 \"Price ") + 14) << row.name;
        EXPECT_NE(trace.find("text 550 3900 \"Time "), std::string::npos) << row.name;
        if (*row.note) {
            EXPECT_NE(std::find(texts.begin(), texts.end(), Quoted(row.note)), texts.end())
                << row.name;
        }
    }
}

TEST(ModernLayout, ZodiacPositions) {
    struct Row {
        double longitude;
        bool retrograde;
        const char* text;
    };
    const Row rows[] = {
        {0.0, false, "0\u00B0\u264800\u2032"},          {15.5, false, "15\u00B0\u264830\u2032"},
        {29.9999, false, "0\u00B0\u264900\u2032"},   // rounds into the next sign
        {359.9999, false, "0\u00B0\u264800\u2032"},  // and round the circle
        {-1.0, true, "29\u00B0\u265300\u2032 \u211E"},  {725.25, false, "5\u00B0\u264815\u2032"},
        {std::nan(""), false, "0\u00B0\u264800\u2032"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ZodiacPosition(row.longitude, row.retrograde), row.text) << row.longitude;
}

TEST(ModernLayout, Declinations) {
    const double j2000 = 2451545.0;
    EXPECT_NEAR(DeclinationOf(0.0, 0.0, j2000), 0.0, 1e-9);
    EXPECT_NEAR(DeclinationOf(90.0, 0.0, j2000), 23.439, 0.001);
    EXPECT_NEAR(DeclinationOf(270.0, 0.0, j2000), -23.439, 0.001);
    EXPECT_NEAR(DeclinationOf(90.0, 5.0, j2000), 28.439, 0.001);
    EXPECT_NEAR(DeclinationOf(0.0, 90.0, j2000), 90.0 - 23.439, 0.001);
}

class LayoutTest : public ::testing::Test {
protected:
    CTraceDevice device;  // no font system: the estimate measures
};

TEST_F(LayoutTest, ElidedAndWrappedTextsFit) {
    CChartDC dc(device, PageStyle::Modern);
    dc.SelectChartFont("Arial", 180, 1);
    const std::string text = "Note: a long note that will not fit into the room beside the wheel";
    struct Row {
        int width;
    };
    for (const int width : {100000, 3600, 1500, 400, 200, 50}) {
        const std::string cut = ElideToWidth(dc, text, width);
        EXPECT_LE(dc.MeasureText(cut).width, width) << width;
        if (cut != text && !cut.empty()) {
            EXPECT_EQ(cut.substr(cut.size() - 3), "...");
            EXPECT_EQ(text.rfind(cut.substr(0, cut.size() - 3), 0), 0u);
        }
        const std::vector<std::string> lines = WrapToWidth(dc, text, width);
        std::string joined;
        for (const std::string& line : lines) {
            if (line.size() > 1) {  // a single character is as narrow as a line gets
                EXPECT_LE(dc.MeasureText(line).width, width) << width << ": " << line;
            }
            joined += line;
        }
        std::string compact = text;
        std::erase(compact, ' ');
        std::erase(joined, ' ');
        EXPECT_EQ(joined, compact) << width;  // nothing lost
    }
    EXPECT_EQ(ElideToWidth(dc, text, 100000), text);
    EXPECT_EQ(ElideToWidth(dc, text, 10), "");
    // A text no page line could hold (an odd job file's) is cut, never measured whole.
    const std::string huge(5'000'000, 'W');
    const std::string cut = ElideToWidth(dc, huge, 100000);
    EXPECT_LE(cut.size(), 1003u);
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
    EXPECT_LE(WrapToWidth(dc, huge, 3000).size(), 4000u);
}

TEST(ModernLayout, SpreadKeepsItemsApartAndInOrder) {
    // Items 8 degrees wide: five within 10 degrees, one alone, two across 0.
    const std::vector<double> angles = {100, 102, 104, 106, 109, 200, 358, 1};
    const auto clash = [](std::size_t, double a, std::size_t, double b) {
        double d = std::fmod(std::abs(a - b), 360.0);
        return std::min(d, 360.0 - d) < 8.0;
    };
    const std::vector<double> shown = SpreadAngles(angles, clash);
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (std::size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(clash(i, shown[i], j, shown[j])) << i << " " << j;
    EXPECT_DOUBLE_EQ(shown[5], 200.0);  // the one alone stays where it is
    for (std::size_t i = 0; i + 1 < 5; ++i) EXPECT_LT(shown[i], shown[i + 1]);
    EXPECT_LT(std::abs(shown[2] - 104.0), 1.0);  // the middle of the crowd stays near
}

}  // namespace
