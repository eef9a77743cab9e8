// Moon inclination scale, phase and eclipse notes.
// The ball stands at x 7350, y 1700 + 200 units per degree of latitude (page units of the
// layout); the other positions are those of the layout's scale and notes.
#include "chart/moon_scale.h"

#include <cmath>

#include "chart/page_elements.h"
#include "chart/tests/element_fixture.h"
#include "ephemeris/calendar.h"

namespace {

class MoonScaleTest : public ElementTest {
protected:
    std::vector<std::string> DrawFor(double latitude, double phase) {
        return Run([&](CChartDC& dc) { DrawMoonScaleFor(dc, state, latitude, phase); });
    }

    static std::vector<std::string> Notes(const std::vector<std::string>& lines) {
        std::vector<std::string> notes;
        for (const std::string& line : Matching(lines, "text 2000 ")) notes.push_back(line);
        return notes;
    }
};

TEST_F(MoonScaleTest, ScaleBallAndCaption) {
    const std::vector<std::string> expected = {
        ColorLine(ElementColors::kWheelLines),
        "line 7350 700 7350 2700",
        "line 7250 700 7450 700",
        "line 7250 1700 7450 1700",
        "line 7250 2700 7450 2700",
        "line 7300 900 7400 900",
        "line 7300 1100 7400 1100",
        "line 7300 1300 7400 1300",
        "line 7300 1500 7400 1500",
        "line 7300 1900 7400 1900",
        "line 7300 2100 7400 2100",
        "line 7300 2300 7400 2300",
        "line 7300 2500 7400 2500",
        ColorLine(ElementColors::kMoonBall),
        "circle 7350 2740 50 1",  // +5.2 degrees: 40 above the top tick, not clamped
        ColorLine(ElementColors::kWheelText),
        "font Arial 160 1",
        R"(text 6400 1500 "Moon Inc.")",
    };
    // No width of its own: the scale keeps the pen the elements before it left.
    EXPECT_EQ(DrawFor(5.2, 100.0), expected);
}

struct BallCase {
    double latitude;
    const char* circle;
};

TEST_F(MoonScaleTest, BallStandsTwoHundredUnitsADegree) {
    const BallCase cases[] = {
        {0.0, "circle 7350 1700 50 1"},         {0.5, "circle 7350 1800 50 1"},
        {-2.25, "circle 7350 1250 50 1"},       {-5.2, "circle 7350 660 50 1"},
        {0.004, "circle 7350 1700 50 1"},  // 0.8 units: cut toward zero
        {-0.004, "circle 7350 1700 50 1"},      {std::nan(""), "circle 7350 1700 50 1"},
        {HUGE_VAL, "circle 7350 1001700 50 1"},
    };
    for (const BallCase& c : cases) {
        SCOPED_TRACE(c.latitude);
        EXPECT_EQ(Matching(DrawFor(c.latitude, 100.0), "circle ").at(0), c.circle);
    }
}

struct NoteCase {
    const char* name;
    double phase;
    double latitude;
    std::vector<std::string> notes;
};

const std::string kNew = R"(text 2000 4000 "NEW MOON")";
const std::string kFull = R"(text 2000 4000 "FULL MOON")";
const std::string kSolar = R"(text 2000 3800 "SOLAR ECLIPSE")";
const std::string kLunar = R"(text 2000 3800 "LUNAR ECLIPSE")";

TEST_F(MoonScaleTest, PhaseWindowsAndEclipseLimits) {
    const NoteCase cases[] = {
        {"new Moon on the node", 180.0, 0.0, {kNew, kSolar}},
        {"172 is outside", 172.0, 0.0, {}},
        {"188 is outside", 188.0, 0.0, {}},
        {"just inside 172", 172.001, 0.0, {kNew, kSolar}},
        {"just inside 188", 187.999, 0.0, {kNew, kSolar}},
        {"latitude 1.1 still eclipses", 180.0, 1.1, {kNew, kSolar}},
        {"latitude -1.1 still eclipses", 180.0, -1.1, {kNew, kSolar}},
        {"latitude 1.1001 does not", 180.0, 1.1001, {kNew}},
        {"full Moon at 0", 0.0, 0.0, {kFull, kLunar}},
        {"8 is outside", 8.0, 0.0, {}},
        {"just below 8", 7.999, 0.0, {kFull, kLunar}},
        {"352 is inside", 352.0, 0.0, {kFull, kLunar}},
        {"just below 352", 351.999, 0.0, {}},
        {"360 is inside", 360.0, -1.1, {kFull, kLunar}},
        {"full Moon far from the node", 355.0, -4.0, {kFull}},
        {"quarter Moon", 90.0, 0.0, {}},
    };
    for (const NoteCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Notes(DrawFor(c.latitude, c.phase)), c.notes);
    }
}

TEST_F(MoonScaleTest, UseColorOffDrawsAllBlack) {
    doc.m_useColor = 0;
    LoadStateFromDoc();
    ExpectAllBlack(DrawFor(0.0, 180.0));
}

struct DateCase {
    const char* name;
    int month, day, year;
    std::vector<std::string> notes;
};

// Pages at 17:00 UT near known eclipses, with the Moon from the ephemeris.
TEST_F(MoonScaleTest, EclipseDatesFromTheEphemeris) {
    const DateCase cases[] = {
        {"total lunar eclipse of 2000-01-21 (full Moon 04:40 UT)", 1, 20, 2000, {kFull, kLunar}},
        {"total solar eclipse of 2001-06-21 (new Moon 11:58 UT)", 6, 21, 2001, {kNew, kSolar}},
        {"first quarter 2000-01-14", 1, 14, 2000, {}},
    };
    for (const DateCase& c : cases) {
        SCOPED_TRACE(c.name);
        state.pageJed = JulianDate(c.month, c.day, c.year, 17, 0);
        EXPECT_EQ(Notes(Run([&](CChartDC& dc) {
                      DrawMoonScale(dc, state, ComputePagePositions(state.pageJed), scratch.price);
                  })),
                  c.notes);
    }
}

}  // namespace
