// The hour dial: ring geometry, the daylight turn, and zones whose daylight time spans the
// new year.
// Coordinates are page units (mils, y up) of the page layout: the wheel centres stand at
// (5700, 7800) upper and (5700, 3300) lower; expected positions are worked out from the layout
// by hand, to whole units, unless a comment says otherwise.
// The daylight dates of the example rule (first Sunday of April to last Sunday of October) are
// JED 2451637.0 and 2451847.0 in 2000.
#include "chart/hour_dial.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "chart/page_elements.h"
#include "chart/tests/element_fixture.h"
#include "chart/tests/test_host.h"
#include "ephemeris/calendar.h"
#include "ephemeris/positions.h"

namespace {

using chart_test::NoDaylightRule;
using chart_test::NorthernRule;
using chart_test::SouthernRule;

class HourDialTest : public ElementTest {};

TEST_F(HourDialTest, HourZeroOnThePositiveXAxis) {
    const std::vector<std::string> lines = Run([&](CChartDC& dc) { DrawHourRing(dc, state, 0.0); });
    const std::vector<std::string> head(lines.begin(), lines.begin() + 7);
    const std::vector<std::string> expected = {
        ColorLine(ElementColors::kWheelLines),
        "width 18",
        "line 6150 7800 6100 7800",
        "line 6150 3300 6100 3300",
        "font Arial 110 0",
        "text 5970 3330 \"0\"",
        "text 5970 7830 \"0\"",
    };
    EXPECT_EQ(head, expected);
    EXPECT_EQ(Count(lines, "text 5370 7830 \"12\""), 1);
    EXPECT_EQ(Count(lines, "text 5370 3330 \"12\""), 1);
    EXPECT_EQ(Count(lines, "text 5670 8130 \"6\""), 1);
    EXPECT_EQ(Count(lines, "text 5670 7530 \"18\""), 1);
    EXPECT_EQ(Count(lines, "text "), 8);
    EXPECT_EQ(Count(lines, "line "), 48);
    EXPECT_EQ(Count(lines, "font Arial 110 0"), 24);
    // Thick ticks every three hours.
    std::vector<std::string> widths = Matching(lines, "width ");
    ASSERT_EQ(widths.size(), 24u);
    for (int hour = 0; hour < 24; ++hour)
        EXPECT_EQ(widths[hour], hour % 3 == 0 ? "width 18" : "width 8") << hour;
}

// Hours run anticlockwise: hour 6 a quarter turn after hour 0.
TEST_F(HourDialTest, HoursRunAnticlockwiseFromAnyStart) {
    for (double start : {0.0, 10.0, 200.0, 359.5}) {
        const std::vector<std::string> lines =
            Run([&](CChartDC& dc) { DrawHourRing(dc, state, start); });
        const std::vector<std::string> ticks = Matching(lines, "line ");
        for (int hour = 0; hour < 24; ++hour) {
            int x1, y1, x2, y2;
            ASSERT_EQ(std::sscanf(ticks[2 * hour].c_str(), "line %d %d %d %d", &x1, &y1, &x2, &y2),
                      4);
            double angle = std::atan2(y1 - 7800, x1 - 5700) * 180 / M_PI;
            double expected = std::fmod(start + 15 * hour, 360);
            double diff = std::fmod(std::fabs(angle - expected) + 360, 360);
            if (diff > 180) diff = 360 - diff;
            EXPECT_LT(diff, 0.2) << "start " << start << " hour " << hour;
        }
    }
}

struct DaylightCase {
    const char* name;
    caelvane::TimeZoneRule rule;
    int month, day, year;
    double dayFraction;  // added to 0h UT of the date; < 0: the exact start or end itself
    bool useDaylightTime;
    double offset;
};

TEST(DaylightOffset, NorthernSouthernAndNoDaylightZones) {
    const DaylightCase cases[] = {
        {"north, summer", NorthernRule(), 7, 1, 2000, 17.0 / 24, true, -15},
        {"north, winter", NorthernRule(), 1, 18, 2000, 17.0 / 24, true, 0},
        {"north, summer, job without daylight time", NorthernRule(), 7, 1, 2000, 17.0 / 24, false,
         0},
        {"north, late December", NorthernRule(), 12, 20, 2000, 17.0 / 24, true, 0},
        {"south, January", SouthernRule(), 1, 18, 2000, 17.0 / 24, true, -15},
        {"south, July", SouthernRule(), 7, 1, 2000, 17.0 / 24, true, 0},
        {"south, December", SouthernRule(), 12, 20, 2000, 17.0 / 24, true, -15},
        {"south, January, job without daylight time", SouthernRule(), 1, 18, 2000, 17.0 / 24, false,
         0},
        {"no daylight saving, January", NoDaylightRule(), 1, 18, 2000, 17.0 / 24, true, 0},
        {"no daylight saving, July", NoDaylightRule(), 7, 1, 2000, 17.0 / 24, true, 0},
        {"no daylight saving, 31 December", NoDaylightRule(), 12, 31, 2000, 17.0 / 24, true, 0},
    };
    for (const DaylightCase& c : cases) {
        SCOPED_TRACE(c.name);
        const double jed = JulianDate(c.month, c.day, c.year, 0, 0) + c.dayFraction;
        const double start = DaylightStartDate(c.year, c.rule);
        const double end = DaylightEndDate(c.year, c.rule);
        EXPECT_EQ(DaylightOffsetForPage(jed, start, end, c.useDaylightTime, c.rule), c.offset);
    }
}

// The start instant counts as daylight time, the end instant does not, on both hemispheres.
TEST(DaylightOffset, StartIncludedEndExcluded) {
    for (const caelvane::TimeZoneRule& rule : {NorthernRule(), SouthernRule()}) {
        const double start = DaylightStartDate(2000, rule);
        const double end = DaylightEndDate(2000, rule);
        EXPECT_EQ(DaylightOffsetForPage(start, start, end, true, rule), -15);
        EXPECT_EQ(DaylightOffsetForPage(end, start, end, true, rule), 0);
        EXPECT_EQ(DaylightOffsetForPage(std::nextafter(end, 0.0), start, end, true, rule), -15);
        EXPECT_EQ(DaylightOffsetForPage(std::nextafter(start, 0.0), start, end, true, rule), 0);
    }
    EXPECT_EQ(DaylightStartDate(2000, NorthernRule()), 2451637.0);
    EXPECT_EQ(DaylightEndDate(2000, NorthernRule()), 2451847.0);
}

// A summer page in a daylight-saving zone shows hour 0 one hour (15 degrees) clockwise of the
// Earth's longitude; a winter page shows it at the Earth's longitude.
TEST_F(HourDialTest, DaylightTimeTurnsTheRingBackOneHour) {
    struct Case {
        int month;
        caelvane::TimeZoneRule rule;
        double offset;
    };
    const Case cases[] = {{7, NorthernRule(), -15},
                          {1, NorthernRule(), 0},
                          {1, SouthernRule(), -15},
                          {7, SouthernRule(), 0}};
    for (const Case& c : cases) {
        SetPage(c.month, 10, 2003, 17, 0);
        state.useDaylightTime = 1;
        const caelvane::TimeZoneRule rule = c.rule;
        const std::vector<std::string> lines = Run([&](CChartDC& dc) {
            scratch.daylightOffset =
                DrawHourDial(dc, state, rule, ComputePagePositions(state.pageJed));
        });
        EXPECT_EQ(scratch.daylightOffset, c.offset);
        EXPECT_EQ(state.daylightStartJed, DaylightStartDate(2003, rule));
        EXPECT_EQ(state.daylightEndJed, DaylightEndDate(2003, rule));
        const std::vector<std::string> head(lines.begin(), lines.begin() + 4);
        EXPECT_EQ(head,
                  std::vector<std::string>({ColorLine(ElementColors::kCurrentLines), "width 8",
                                            "circle 5700 3300 450 0", "circle 5700 7800 450 0"}));
        const std::vector<std::string> ticks = Matching(lines, "line ");
        int x1, y1, x2, y2;
        ASSERT_EQ(std::sscanf(ticks[0].c_str(), "line %d %d %d %d", &x1, &y1, &x2, &y2), 4);
        const double angle = std::atan2(y1 - 7800, x1 - 5700) * 180 / M_PI;
        double diff = std::fmod(angle - (BodyLongitude(state.pageJed, 3) + c.offset) + 720, 360);
        if (diff > 180) diff = 360 - diff;
        EXPECT_LT(diff, 0.2) << "month " << c.month;
    }
}

TEST_F(HourDialTest, WithoutColorTheDialIsBlack) {
    state.useColor = 0;
    ExpectAllBlack(Run([&](CChartDC& dc) {
        scratch.daylightOffset = DrawHourDial(dc, state, chart_test::NorthernRule(),
                                              ComputePagePositions(state.pageJed));
    }));
}

}  // namespace
