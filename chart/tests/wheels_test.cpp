// Border, zodiac wheels, sign letters, degree labels and body placement.
// Coordinates are page units (mils, y up) of the page layout: the wheel centres stand at
// (5700, 7800) upper and (5700, 3300) lower; expected positions are worked out from the layout
// by hand, to whole units, unless a comment says otherwise.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "chart/page_elements.h"
#include "chart/tests/element_fixture.h"
#include "ephemeris/positions.h"

namespace {

struct TextAt {
    int x = 0, y = 0;
    std::string text;
};

bool ParseText(const std::string& line, TextAt& out) {
    char text[128] = {};
    if (std::sscanf(line.c_str(), "text %d %d \"%127[^\"]\"", &out.x, &out.y, text) < 2) {
        return false;
    }
    out.text = text;
    return true;
}

struct Segment {
    int x1, y1, x2, y2;
};

std::vector<Segment> Segments(const std::vector<std::string>& lines) {
    std::vector<Segment> out;
    for (const std::string& line : lines) {
        Segment s{};
        if (std::sscanf(line.c_str(), "line %d %d %d %d", &s.x1, &s.y1, &s.x2, &s.y2) == 4)
            out.push_back(s);
    }
    return out;
}

double AngleOf(double dx, double dy) {
    double a = std::atan2(dy, dx) * 180.0 / M_PI;
    return a < 0 ? a + 360 : a;
}

double AngleDifference(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

class WheelsTest : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        doc.m_colorBorder = 0x0000CC;
        LoadStateFromDoc();  // the colour reaches the element through the state
    }
};

TEST_F(WheelsTest, BorderDividingLineAndCirclesInTheirOrder) {
    const std::vector<std::string> lines =
        Run([&](CChartDC& dc) { DrawBorderAndWheels(dc, state); });
    const std::vector<std::string> head(lines.begin(), lines.begin() + 15);
    const std::vector<std::string> expected = {
        ColorLine(0x0000CC),
        "width 20",
        "line 500 500 7500 500",
        "line 7500 500 7500 9500",
        "line 7500 9500 500 9500",
        "line 500 9500 500 500",
        "line 500 5000 7500 5000",
        "width 8",
        ColorLine(ElementColors::kWheelLines),
        "circle 5700 3300 1460 0",
        "circle 5700 7800 1350 0",
        "circle 5700 3300 1350 0",
        "circle 5700 7800 1250 0",
        "circle 5700 3300 1250 0",
        "circle 5700 7800 1460 0",
    };
    EXPECT_EQ(head, expected);
}

TEST_F(WheelsTest, TickPassesCoverBothWheels) {
    const std::vector<std::string> lines =
        Run([&](CChartDC& dc) { DrawBorderAndWheels(dc, state); });
    const std::vector<Segment> segments = Segments(lines);
    // 5 border lines, then 180 + 36 + 12 ticks on each wheel.
    ASSERT_EQ(segments.size(), 5u + 2u * (180 + 36 + 12));
    struct Case {
        std::size_t index;
        Segment expected;
    };
    const Case cases[] = {
        {5, {6950, 7800, 7050, 7800}},             // 2-degree pass, 0 degrees, upper wheel
        {6, {6950, 3300, 7050, 3300}},             // then the lower wheel
        {5 + 360, {6850, 7800, 6950, 7800}},       // 10-degree pass
        {5 + 360 + 72, {7050, 7800, 7160, 7800}},  // 30-degree pass
    };
    for (const Case& c : cases) {
        const Segment& s = segments[c.index];
        EXPECT_EQ(std::vector<int>({s.x1, s.y1, s.x2, s.y2}),
                  std::vector<int>({c.expected.x1, c.expected.y1, c.expected.x2, c.expected.y2}))
            << "segment " << c.index;
    }
    // Every tick is radial and has the length of its pass.
    for (std::size_t i = 5; i < segments.size(); ++i) {
        const Segment& s = segments[i];
        const int cy = (i - 5) % 2 == 0 ? 7800 : 3300;
        const double inner = std::hypot(s.x1 - 5700, s.y1 - cy);
        const double outer = std::hypot(s.x2 - 5700, s.y2 - cy);
        const double length = i < 5 + 360 ? 100 : i < 5 + 432 ? 100 : 110;
        EXPECT_NEAR(outer - inner, length, 2.0) << "segment " << i;
    }
    EXPECT_EQ(Count(lines, "width "), 2);
}

TEST_F(WheelsTest, SignLettersReadLeftToRightInBothHalves) {
    const std::vector<std::string> lines =
        Run([&](CChartDC& dc) { DrawSignLettersAndDegreeLabels(dc, state, scratch.textBuffer); });
    EXPECT_EQ(lines[0], "font Arial 110 1");
    EXPECT_EQ(lines[1], ColorLine(ElementColors::kWheelText));
    std::vector<TextAt> texts;
    for (const std::string& line : lines) {
        TextAt t;
        if (ParseText(line, t)) texts.push_back(t);
    }
    // 72 letters (blanks included) on each wheel, then 12 labels on each.
    ASSERT_EQ(texts.size(), 2u * 72 + 2u * 12);
    const char* const names[12] = {"ARI", "TAU", "GEM", "CAN", "LEO", "VIR",
                                   "LIB", "SCO", "SAG", "CAP", "AQU", "PIS"};
    for (int wheel = 0; wheel < 2; ++wheel) {
        for (int sign = 0; sign < 12; ++sign) {
            std::vector<TextAt> letters;
            for (int k = 6 * sign + 2; k <= 6 * sign + 4; ++k)
                letters.push_back(texts[2 * k + wheel]);
            std::sort(letters.begin(), letters.end(),
                      [](const TextAt& a, const TextAt& b) { return a.x < b.x; });
            std::string read;
            for (const TextAt& t : letters) read += t.text;
            EXPECT_EQ(read, names[sign]) << "wheel " << wheel;
        }
    }
    // The upper wheel's letters stand around (5700, 7800), the lower ones 4500 below.
    for (int k = 0; k < 72; ++k) {
        EXPECT_EQ(texts[2 * k].x, texts[2 * k + 1].x);
        EXPECT_EQ(texts[2 * k].y - texts[2 * k + 1].y, 4500);
    }
}

TEST_F(WheelsTest, DegreeLabels) {
    const std::vector<std::string> lines =
        Run([&](CChartDC& dc) { DrawSignLettersAndDegreeLabels(dc, state, scratch.textBuffer); });
    // The sine of 180 degrees comes out a tiny negative number: 82.5 is cut to 82.
    EXPECT_EQ(Count(lines, "text 4065 7882 \"180\""), 1);
    EXPECT_EQ(Count(lines, "text 4065 3382 \"180\""), 1);
    EXPECT_EQ(Count(lines, "text 7170 7850 \"000\""), 1);
    EXPECT_EQ(Count(lines, "text 7170 3350 \"000\""), 1);
    for (int a = 0; a < 360; a += 30) {
        char label[8];
        std::snprintf(label, sizeof label, "\"%03d\"", a);
        int found = 0;
        for (const std::string& line : lines)
            if (line.size() > 5 && line.compare(line.size() - 5, 5, label) == 0) ++found;
        EXPECT_EQ(found, 2) << label;
    }
}

// Each body's line runs from radius 1100 at its longitude to the centre, the thin opposite
// line from the opposite point, and its glyph stands on its own radius 1170 - 55 n.
TEST_F(WheelsTest, BodiesPointAtTheirLongitudes) {
    SetPage(3, 5, 2011, 17, 0);
    const std::vector<std::string> lines = Run([&](CChartDC& dc) {
        DrawBodies(dc, state, ComputePagePositions(state.pageJed), scratch.current);
    });
    EXPECT_EQ(lines[0], "font Arial 130 0");
    EXPECT_EQ(lines[1], "width 8");
    const std::vector<Segment> segments = Segments(lines);
    std::vector<TextAt> glyphs;
    for (const std::string& line : lines) {
        TextAt t;
        if (ParseText(line, t)) glyphs.push_back(t);
    }
    ASSERT_EQ(segments.size(), 48u);
    ASSERT_EQ(glyphs.size(), 24u);
    const char* const letters[2] = {"MVERJSUNPTOC", "MVHRJSUNPTOC"};
    for (int wheel = 0; wheel < 2; ++wheel) {
        const int cy = wheel == 0 ? 7800 : 3300;
        for (int n = 1; n <= 12; ++n) {
            SCOPED_TRACE("wheel " + std::to_string(wheel) + " body " + std::to_string(n));
            const double longitude = wheel == 0 ? scratch.current.helio[n] : scratch.current.geo[n];
            EXPECT_EQ(longitude, BodyLongitude(state.pageJed, wheel == 0 ? n : -n));
            const Segment& body = segments[24 * wheel + 2 * (n - 1)];
            const Segment& opposite = segments[24 * wheel + 2 * (n - 1) + 1];
            EXPECT_EQ(body.x2, 5700);
            EXPECT_EQ(body.y2, cy);
            EXPECT_NEAR(std::hypot(body.x1 - 5700, body.y1 - cy), 1100, 1.5);
            EXPECT_LT(AngleDifference(AngleOf(body.x1 - 5700, body.y1 - cy), longitude), 0.1);
            EXPECT_EQ(opposite.x1 - 5700, 5700 - body.x1);
            EXPECT_EQ(opposite.y1 - cy, cy - body.y1);
            const TextAt& glyph = glyphs[12 * wheel + n - 1];
            EXPECT_EQ(glyph.text, std::string(1, letters[wheel][n - 1]));
            EXPECT_NEAR(std::hypot(glyph.x - 5700, glyph.y - (cy + 25)), 1170 - 55 * n, 1.5);
        }
    }
    // The Earth seen from the Sun and the Sun seen from the Earth stand opposite.
    EXPECT_NEAR(AngleDifference(scratch.current.helio[3], scratch.current.geo[3]), 180.0, 1e-6);
    // Body line, opposite line (cyan, one unit), glyph: the pen and colour of each.
    const std::vector<std::string> first(lines.begin() + 2, lines.begin() + 10);
    EXPECT_EQ(first[0], ColorLine(ElementColors::kCurrentLines));
    EXPECT_EQ(first[2], "width 1");
    EXPECT_EQ(first[3], ColorLine(0xFFFF00));
    EXPECT_EQ(first[5], "width 8");
    EXPECT_EQ(first[6], ColorLine(ElementColors::kCurrentText));
}

TEST_F(WheelsTest, WithoutColorNoOppositeLinesAndAllBlack) {
    state.useColor = 0;
    const std::vector<std::string> lines = Run([&](CChartDC& dc) {
        DrawBodies(dc, state, ComputePagePositions(state.pageJed), scratch.current);
    });
    EXPECT_EQ(Segments(lines).size(), 24u);
    ExpectAllBlack(lines);
    ExpectAllBlack(Run([&](CChartDC& dc) { DrawBorderAndWheels(dc, state); }));
    ExpectAllBlack(
        Run([&](CChartDC& dc) { DrawSignLettersAndDegreeLabels(dc, state, scratch.textBuffer); }));
}

}  // namespace
