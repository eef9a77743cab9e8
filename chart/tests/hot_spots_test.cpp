// Hot spots and natal marks.
// Coordinates are page units (mils, y up) of the page layout: the wheel centres stand at
// (5700, 7800) upper and (5700, 3300) lower; expected positions are worked out from the layout
// by hand, to whole units, unless a comment says otherwise.
// Dots stand 1200 units from a centre (45 degrees: 5700 + 1200 cos 45 = 6548).
#include <cmath>

#include "chart/page_elements.h"
#include "chart/tests/element_fixture.h"
#include "ephemeris/positions.h"

namespace {

class HotSpotsTest : public ElementTest {
protected:
    std::vector<std::string> Draw() {
        return Run([&](CChartDC& dc) { DrawHotSpotsAndNatalMarks(dc, state, scratch.natal); });
    }
};

TEST_F(HotSpotsTest, DefaultHotSpotsDrawThreeOfFour) {
    // The job's defaults 0, 90, 180, 270; the fourth is never drawn.
    const std::vector<std::string> expected = {
        "font Arial 130 0",      ColorLine(ElementColors::kCurrentLines), "circle 6900 3300 30 1",
        "circle 6900 7800 30 1", ColorLine(ElementColors::kCurrentText),  R"(text 6765 3345 "1")",
        R"(text 6765 7825 "1")", ColorLine(ElementColors::kCurrentLines), "circle 5700 4500 30 1",
        "circle 5700 9000 30 1", ColorLine(ElementColors::kCurrentText),
        R"(text 5725 4445 "2")",  // at 90 the cosine is a tiny negative number
        R"(text 5725 8965 "2")", ColorLine(ElementColors::kCurrentLines), "circle 4500 3300 30 1",
        "circle 4500 7800 30 1", ColorLine(ElementColors::kCurrentText),  R"(text 4605 3325 "3")",
        R"(text 4605 7845 "3")",
    };
    EXPECT_EQ(Draw(), expected);
}

struct SpotCase {
    const char* name;
    double degree;
    std::vector<std::string> marks;  // dots lower, upper; digits lower, upper
};

TEST_F(HotSpotsTest, DigitAnchorsSwapWithTheSide) {
    const SpotCase cases[] = {
        {"270: the cosine is a tiny positive number",
         270,
         {"circle 5700 2100 30 1", "circle 5700 6600 30 1", R"(text 5645 2225 "1")",
          R"(text 5645 6705 "1")"}},
        {"45",
         45,
         {"circle 6548 4148 30 1", "circle 6548 8648 30 1", R"(text 6436 4136 "1")",
          R"(text 6436 8616 "1")"}},
        {"a degree beyond 360 is drawn where its sine and cosine put it",
         405,
         {"circle 6548 4148 30 1", "circle 6548 8648 30 1", R"(text 6436 4136 "1")",
          R"(text 6436 8616 "1")"}},
        {"not a number: at the centre, dx <= 0 side",
         std::nan(""),
         {"circle 5700 3300 30 1", "circle 5700 7800 30 1", R"(text 5725 3325 "1")",
          R"(text 5725 7845 "1")"}},
    };
    for (const SpotCase& c : cases) {
        SCOPED_TRACE(c.name);
        state.hotSpotDegree[0] = c.degree;
        std::vector<std::string> marks;
        const std::vector<std::string> lines = Draw();
        for (int n = 0; n < 6; ++n)
            if (lines[2 + n].rfind("color", 0) != 0) marks.push_back(lines[2 + n]);
        EXPECT_EQ(marks, c.marks);
    }
}

TEST_F(HotSpotsTest, NatalMarksFillTheNatalLists) {
    state.includeNatal = 1;
    state.natalJed = 2451545.0;
    const std::vector<std::string> lines = Draw();
    for (int k = 1; k <= 12; ++k) {
        EXPECT_DOUBLE_EQ(scratch.natal.helio[k], BodyLongitude(state.natalJed, k)) << k;
        EXPECT_DOUBLE_EQ(scratch.natal.geo[k], BodyLongitude(state.natalJed, -k)) << k;
    }
    // The example longitudes of the body codes at J2000.
    EXPECT_NEAR(scratch.natal.geo[3], 280.3774, 1e-3);  // the Sun
    EXPECT_NEAR(scratch.natal.geo[1], 271.8958, 1e-3);  // Mercury
    EXPECT_NEAR(scratch.natal.geo[2], 241.5250, 1e-3);  // Venus

    // After the three hot spots (19 lines): the natal font and pen, then dot and letter per body.
    ASSERT_EQ(lines.size(), 19u + 2 + 24 * 4);
    EXPECT_EQ(lines[19], "font Arial 110 0");
    EXPECT_EQ(lines[20], "width 8");
    const std::vector<std::string> upperEarth(lines.begin() + 21 + 2 * 4,
                                              lines.begin() + 21 + 3 * 4);
    EXPECT_EQ(upperEarth[0], ColorLine(ElementColors::kNatalDots));
    EXPECT_EQ(upperEarth[2], ColorLine(ElementColors::kNatalText));
    EXPECT_EQ(upperEarth[3].substr(upperEarth[3].size() - 3), R"("E")");

    // The lower wheel: Mercury and the Sun on the dx > 0 side, Venus on the other.
    const std::vector<std::string> lower(lines.begin() + 21 + 12 * 4, lines.end());
    const std::vector<std::string> expected = {
        ColorLine(ElementColors::kNatalDots), "circle 5739 2101 30 1",
        ColorLine(ElementColors::kNatalText), R"(text 5710 2221 "M")",
        ColorLine(ElementColors::kNatalDots), "circle 5128 2246 30 1",
        ColorLine(ElementColors::kNatalText), R"(text 5211 2351 "V")",
        ColorLine(ElementColors::kNatalDots), "circle 5916 2120 30 1",
        ColorLine(ElementColors::kNatalText), R"(text 5869 2238 "H")",
    };
    EXPECT_EQ(std::vector<std::string>(lower.begin(), lower.begin() + 12), expected);

    // Letters in body order: heliocentric on the upper wheel, geocentric on the lower.
    std::string upperLetters;
    std::string lowerLetters;
    for (int n = 0; n < 12; ++n) {
        upperLetters += lines[21 + 4 * n + 3][lines[21 + 4 * n + 3].size() - 2];
        lowerLetters += lower[4 * n + 3][lower[4 * n + 3].size() - 2];
    }
    EXPECT_EQ(upperLetters, "MVERJSUNPTOC");
    EXPECT_EQ(lowerLetters, "MVHRJSUNPTOC");
}

TEST_F(HotSpotsTest, NoNatalDateLeavesTheNatalListsAlone) {
    state.includeNatal = 0;
    scratch.natal.helio[5] = -1.0;
    scratch.natal.geo[5] = -2.0;
    EXPECT_EQ(Draw().size(), 19u);
    EXPECT_DOUBLE_EQ(scratch.natal.helio[5], -1.0);
    EXPECT_DOUBLE_EQ(scratch.natal.geo[5], -2.0);
}

TEST_F(HotSpotsTest, UseColorOffDrawsAllBlack) {
    doc.m_useColor = 0;
    LoadStateFromDoc();
    state.includeNatal = 1;
    ExpectAllBlack(Draw());
}

}  // namespace
