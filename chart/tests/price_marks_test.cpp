// Price and time marks, overlay ring.
// Coordinates are page units (mils, y up) of the page layout: the wheel centres stand at
// (5700, 7800) upper and (5700, 3300) lower; expected positions are worked out from the layout
// by hand, to whole units, unless a comment says otherwise.
#include <climits>
#include <cmath>
#include <cstdio>

#include "chart/page_elements.h"
#include "chart/tests/element_fixture.h"
#include "ephemeris/calendar.h"
#include "ephemeris/positions.h"

namespace {

class PriceMarksTest : public ElementTest {
protected:
    std::vector<std::string> Draw() {
        return Run([&](CChartDC& dc) {
            DrawPriceMarksAndOverlay(dc, doc, state, scratch.daylightOffset, scratch.price);
        });
    }

    void SetOverlay(int enabled, int parts, double start, int first, int step) {
        state.overlayEnabled = enabled;
        state.overlayParts = parts;
        state.overlayStartDegree = start;
        state.overlayFirstValue = first;
        state.overlayStepSize = step;
    }

    void SetPriceDisplay(double price, double degree) {
        doc.m_priceMonitorOn = 1;
        doc.m_price = price;
        doc.m_priceDegree = degree;
    }
};

// ---- overlay ring ----------------------------------------------------------------------------

struct LabelCase {
    const char* name;
    double start;
    int parts;
    int first;
    int step;
    std::vector<std::string> labels;  // lower wheel, then upper wheel, label by label
};

TEST_F(PriceMarksTest, OverlayLabelsStandInTheirQuadrants) {
    const LabelCase cases[] = {
        {"start 350, four parts",
         350,
         4,
         10,
         5,
         {R"(text 7175 3103 "10")", R"(text 7175 7603 "10")", R"(text 5877 4905 "15")",
          R"(text 5877 9405 "15")", R"(text 4095 3607 "20")", R"(text 4095 8107 "20")",
          R"(text 5393 1805 "25")", R"(text 5393 6305 "25")"}},
        {"negative step counts down",
         0,
         4,
         10,
         -5,
         {R"(text 7200 3330 "10")", R"(text 7200 7830 "10")", R"(text 5670 4930 "5")",
          R"(text 5670 9430 "5")", R"(text 4070 3380 "0")", R"(text 4070 7880 "0")",
          R"(text 5600 1780 "-5")", R"(text 5600 6280 "-5")"}},
        {"one part: step 360, one label",
         45,
         1,
         7,
         3,
         {R"(text 6731 4461 "7")", R"(text 6731 8961 "7")"}},
        // An angle below 0 gets no label, but its value is counted: -70, then 20, 110, 200.
        {"start below zero",
         -70,
         4,
         1,
         1,
         {R"(text 7103 3877 "2")", R"(text 7103 8377 "2")", R"(text 5123 4833 "3")",
          R"(text 5123 9333 "3")", R"(text 4167 2833 "4")", R"(text 4167 7333 "4")"}},
        // The last tick lands on exactly 360 degrees, which is 0 again: its label stands there.
        {"start 90, four parts: the fourth at 360",
         90,
         4,
         1,
         1,
         {R"(text 5670 4930 "1")", R"(text 5670 9430 "1")", R"(text 4070 3380 "2")",
          R"(text 4070 7880 "2")", R"(text 5600 1780 "3")", R"(text 5600 6280 "3")",
          R"(text 7200 3330 "4")", R"(text 7200 7830 "4")"}},
        {"start 180, four parts: the third at 360",
         180,
         4,
         1,
         1,
         {R"(text 4070 3380 "1")", R"(text 4070 7880 "1")", R"(text 5600 1780 "2")",
          R"(text 5600 6280 "2")", R"(text 7200 3330 "3")", R"(text 7200 7830 "3")",
          R"(text 5670 4930 "4")", R"(text 5670 9430 "4")"}},
        {"start 270, four parts: the second at 360",
         270,
         4,
         1,
         1,
         {R"(text 5600 1780 "1")", R"(text 5600 6280 "1")", R"(text 7200 3330 "2")",
          R"(text 7200 7830 "2")", R"(text 5670 4930 "3")", R"(text 5670 9430 "3")",
          R"(text 4070 3380 "4")", R"(text 4070 7880 "4")"}},
        {"step size beyond the int range keeps counting",
         0,
         2,
         INT_MAX,
         INT_MAX,
         {R"(text 7200 3330 "2147483647")", R"(text 7200 7830 "2147483647")",
          R"(text 4070 3380 "4294967294")", R"(text 4070 7880 "4294967294")"}},
    };
    for (const LabelCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetOverlay(1, c.parts, c.start, c.first, c.step);
        EXPECT_EQ(Matching(Draw(), "text "), c.labels);
    }
}

TEST_F(PriceMarksTest, OnePartOverlayDrawsOneThickTick) {
    SetOverlay(1, 1, 0, 10, 5);
    const std::vector<std::string> expected = {
        ColorLine(ElementColors::kOverlayCircle),
        "width 8",
        "circle 5700 3300 1710 0",
        "circle 5700 7800 1710 0",
        "width 18",
        "line 7410 7800 7350 7800",
        "line 7410 3300 7350 3300",
        "font Arial 110 0",
        R"(text 7200 3330 "10")",
        R"(text 7200 7830 "10")",
    };
    EXPECT_EQ(Draw(), expected);
}

TEST_F(PriceMarksTest, FirstTickIsThickTheOthersThin) {
    SetOverlay(1, 4, 350, 10, 5);
    const std::vector<std::string> lines = Draw();
    EXPECT_EQ(Matching(lines, "width "),
              (std::vector<std::string>{"width 8", "width 18", "width 8", "width 8", "width 8"}));
    const std::vector<std::string> ticks = Matching(lines, "line ");
    ASSERT_EQ(ticks.size(), 8u);
    EXPECT_EQ(ticks[0], "line 7384 7504 7324 7514");  // upper wheel first
    EXPECT_EQ(ticks[1], "line 7384 3004 7324 3014");
}

struct CountCase {
    const char* name;
    int parts;
    int ticks;
};

TEST_F(PriceMarksTest, PartCountsOutsideTheDialogRangeStayBounded) {
    const CountCase cases[] = {
        {"zero parts: circles only", 0, 0},
        {"negative parts: circles only", -7, 0},
        {"INT_MIN parts: circles only", INT_MIN, 0},
        {"the dialog's largest", 90, 90},
        {"far beyond the dialog: bounded", INT_MAX, 3600},
        {"just beyond the bound", 3601, 3600},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetOverlay(1, c.parts, 0, 1, 1);
        const std::vector<std::string> lines = Draw();
        EXPECT_EQ(Count(lines, "circle "), 2);
        EXPECT_EQ(Count(lines, "line "), 2 * c.ticks);
        EXPECT_EQ(Count(lines, "text "), 2 * c.ticks);
    }
}

TEST_F(PriceMarksTest, DisabledOverlayStillSetsItsColour) {
    SetOverlay(0, 4, 0, 10, 5);
    EXPECT_EQ(Draw(), (std::vector<std::string>{ColorLine(ElementColors::kOverlayCircle)}));
    SetOverlay(2, 4, 0, 10, 5);  // only 1 enables it
    EXPECT_EQ(Draw(), (std::vector<std::string>{ColorLine(ElementColors::kOverlayCircle)}));
}

// ---- price and time marks --------------------------------------------------------------------

TEST_F(PriceMarksTest, PriceDisplayOffDrawsNoMarks) {
    doc.m_priceMonitorOn = 0;
    doc.m_priceDegree = 320;
    SetOverlay(0, 4, 0, 10, 5);
    EXPECT_EQ(Draw(), (std::vector<std::string>{ColorLine(ElementColors::kOverlayCircle)}));
}

TEST_F(PriceMarksTest, PriceAndTimeMarksOnBothWheels) {
    // 2000-01-01 12:00 UT: the daily point is the Sun's geocentric longitude, 280.3774.
    SetPage(1, 1, 2000, 12, 0);
    const double daily = BodyLongitude(state.pageJed, 2000);
    ASSERT_NEAR(daily, 280.3774, 1e-3);
    SetPriceDisplay(1000.0, 90.0);
    SetOverlay(0, 4, 0, 10, 5);
    const std::vector<std::string> lines = Draw();

    const double t = daily + 30.0;  // 310.38
    const auto at = [](int cx, int cy, double r, double a) {
        const double k = 0.017453292520882225;
        return std::to_string(cx + static_cast<int>(r * std::cos(a * k))) + " " +
               std::to_string(cy + static_cast<int>(r * std::sin(a * k)));
    };
    const std::vector<std::string> expected = {
        "width 15",
        "color 000000FF",
        "line 5700 8900 5700 7800",
        "line 5700 4400 5700 3300",
        ColorLine(ElementColors::kCurrentText),
        "font Arial 200 1",
        R"(text 5700 8525 "$")",
        R"(text 5700 4025 "$")",
        "color 00FF0000",
        "line " + at(5700, 7800, 900, t) + " 5700 7800",
        "line " + at(5700, 3300, 900, t) + " 5700 3300",
        ColorLine(ElementColors::kCurrentText),
        "text " + at(5700, 7825, 700, t) + R"( "X")",
        "text " + at(5700, 3325, 700, t) + R"( "X")",
        "font Arial 200 1",
        R"(text 550 4100 "Price=1000.000 at  90.00 degrees")",
        R"(text 550 3900 "Time= 14:00 Eastern =  310.38 degrees ")",
        ColorLine(ElementColors::kOverlayCircle),
    };
    EXPECT_EQ(lines, expected);
    EXPECT_DOUBLE_EQ(scratch.price.priceAngle, 90.0);
    EXPECT_DOUBLE_EQ(scratch.price.timeAngle, t);
}

TEST_F(PriceMarksTest, TimeAngleOfExactly360Stays) {
    SetPage(1, 2, 2000, 12, 0);
    const double daily = BodyLongitude(state.pageJed, 2000);
    scratch.daylightOffset = 330.0 - daily;
    ASSERT_EQ(daily + scratch.daylightOffset + 30.0, 360.0) << "the sum must land on 360 exactly";
    SetPriceDisplay(1.0, 5.0);
    const std::vector<std::string> lines = Draw();
    EXPECT_EQ(scratch.price.timeAngle, 360.0);
    EXPECT_EQ(Matching(lines, "text 550 3900").at(0),
              R"(text 550 3900 "Time= 14:00 Eastern =  360.00 degrees ")");
}

TEST_F(PriceMarksTest, UseColorOffDrawsTheSpokesBlack) {
    doc.m_useColor = 0;
    LoadStateFromDoc();
    SetPriceDisplay(1000.0, 320.0);
    SetOverlay(1, 4, 0, 10, 5);
    const std::vector<std::string> lines = Draw();
    ExpectAllBlack(lines);
    EXPECT_EQ(Count(lines, "line "), 4 + 8);
}

// Values a job file may hold but no dialog allows: every element draws, in bounded time, with
// no undefined arithmetic (run under the sanitizers).
TEST_F(PriceMarksTest, ExtremeJobValuesDrawEveryElementWithoutFault) {
    const double odd[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e308, -1e308, 0.0};
    for (double value : odd) {
        SCOPED_TRACE(value);
        SetUp();
        doc.m_priceMonitorOn = 1;
        doc.m_price = value;
        doc.m_priceDegree = value;
        for (int i = 0; i < 4; ++i) {
            doc.m_hotSpotDegree[i] = value;
            doc.m_customAspect[i] = value;
            doc.m_customAspectEnabled[i] = INT_MIN + i;
            doc.m_hotSpotLabel[i] = std::string(300, 'L');
        }
        for (std::int32_t& flag : doc.m_aspectSelected) flag = INT_MAX;
        doc.m_includeAspects = 1;
        doc.m_includeNatal = 1;
        doc.m_overlayEnabled = 1;
        doc.m_overlayParts = INT_MAX;
        doc.m_overlayStartDegree = value;
        doc.m_overlayFirstValue = INT_MIN;
        doc.m_overlayStepSize = INT_MIN;
        LoadStateFromDoc();
        state.pageHour = INT_MAX - 7;
        state.pageMinute = INT_MIN;
        scratch.daylightOffset = value;
        state.natalJed = 1e12;
        for (int k = 1; k <= 12; ++k) scratch.current.helio[k] = scratch.current.geo[k] = value;
        const std::vector<std::string> lines = Run([&](CChartDC& dc) {
            DrawPriceMarksAndOverlay(dc, doc, state, scratch.daylightOffset, scratch.price);
            DrawLatitudeColumnAndEntryLabels(dc, doc, state, ComputePagePositions(state.pageJed),
                                             scratch.price);
            DrawHotSpotsAndNatalMarks(dc, state, scratch.natal);
            DrawAspectTables(dc, doc, state, scratch.current, scratch.natal);
            DrawMoonScale(dc, state, ComputePagePositions(state.pageJed), scratch.price);
        });
        EXPECT_EQ(Count(lines, "circle 5700 3300 1710 0"), 1);
        EXPECT_EQ(Count(lines, "line "), 4 + 2 * 3600 + 2 * 120 * 4 + 12);
        EXPECT_EQ(Count(lines, "text 550 3900 \"Time= 2147483642:"), 1);
    }
}

}  // namespace
