// The hour dial inside both wheels: 24 ticks, hour 0 pointing at the Earth's heliocentric
// longitude (so hour 12 points at the Sun), hours running anticlockwise 15 degrees apart, the
// whole ring turned back one hour while the page is in daylight time.
#include "chart/hour_dial.h"

#include <cstdio>

#include "chart/chart_dc.h"
#include "chart/chart_math.h"
#include "chart/chart_state.h"
#include "chart/page_elements.h"
#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"

namespace {

constexpr int kCentreX = 5700;
constexpr int kUpperCentreY = 7800;
constexpr int kLowerCentreY = 3300;

// Brings an angle into 0..360 with at most one turn, as the dial does.
double FoldOnce(double angle) {
    if (angle < 0) return angle + 360;
    if (angle >= 360) return angle - 360;
    return angle;
}

}  // namespace

double DaylightOffsetForPage(double pageJed, double startJed, double endJed, bool useDaylightTime,
                             const caelvane::TimeZoneRule& rule) {
    if (!useDaylightTime) return 0.0;
    const bool hasDaylightSaving = rule.standardDate.month != 0;
    const bool inDaylightTime = hasDaylightSaving && startJed > endJed
                                    ? pageJed >= startJed || pageJed < endJed
                                    : pageJed >= startJed && pageJed < endJed;
    return inDaylightTime ? -15.0 : 0.0;
}

void DrawHourRing(CChartDC& dc, const ChartState& state, double hourZero) {
    double dialAngle = FoldOnce(hourZero - 15);
    dc.SetColor(state.ElementColor(state.colorWheelLines));
    for (int hour = 0; hour < 24; ++hour) {
        dialAngle += 15;  // hour i stands at hourZero + 15 i, past 360 where it comes to that
        dc.SetPenWidth(hour % 3 == 0 ? 18 : 8);
        for (int cy : {kUpperCentreY, kLowerCentreY}) {
            dc.DrawLine(PolarX(kCentreX, 450, dialAngle), PolarY(cy, 450, dialAngle),
                        PolarX(kCentreX, 400, dialAngle), PolarY(cy, 400, dialAngle));
        }
        dc.SelectChartFont("Arial", 110, 0);
        if (hour % 6 == 0) {
            char number[8];
            std::snprintf(number, sizeof number, "%d", hour);
            const int x = PolarX(5670, 300, dialAngle);
            dc.DrawText(x, PolarY(3330, 300, dialAngle), number);
            dc.DrawText(x, PolarY(7830, 300, dialAngle), number);
        }
    }
}

double DrawHourDial(CChartDC& dc, ChartState& state, const caelvane::TimeZoneRule& rule,
                    const WheelLongitudes& positions) {
    dc.SetColor(state.ElementColor(state.colorCurrentLines));
    dc.SetPenWidth(8);
    dc.DrawCircle(kCentreX, kLowerCentreY, 450, 0);
    dc.DrawCircle(kCentreX, kUpperCentreY, 450, 0);

    state.daylightEndJed = DaylightEndDate(state.pageYear, rule);
    state.daylightStartJed = DaylightStartDate(state.pageYear, rule);
    const double daylightOffset =
        DaylightOffsetForPage(state.pageJed, state.daylightStartJed, state.daylightEndJed,
                              state.useDaylightTime != 0, rule);

    // Hour 0 points at the Earth's heliocentric longitude, the direction opposite the Sun.
    DrawHourRing(dc, state, FoldOnce(positions.heliocentric[3] + daylightOffset));
    return daylightOffset;
}
