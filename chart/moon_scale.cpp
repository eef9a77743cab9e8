// The Moon inclination scale with its ball, and the new-Moon, full-Moon and eclipse notes.
#include "chart/moon_scale.h"

#include <algorithm>

#include "chart/chart_dc.h"
#include "chart/chart_math.h"
#include "chart/chart_state.h"
#include "chart/page_elements.h"
#include "ephemeris/positions.h"
#include "job/caelvane_doc.h"

namespace {
constexpr int kAxisX = 7350;
constexpr int kZeroY = 1700;  // latitude 0
constexpr int kUnitsPerDegree = 200;
constexpr double kEclipseLimit = 1.1;  // degrees of latitude, either side
}  // namespace

void DrawMoonScaleFor(CChartDC& dc, const ChartState& state, double latitude, double phase,
                      int notesX) {
    // The scale keeps the pen width the elements before it left.
    dc.SetColor(state.ElementColor(state.colorWheelLines));
    dc.DrawLine(kAxisX, 700, kAxisX, 2700);
    for (int y : {700, 1700, 2700}) dc.DrawLine(7250, y, 7450, y);
    for (int y : {900, 1100, 1300, 1500, 1900, 2100, 2300, 2500}) dc.DrawLine(7300, y, 7400, y);

    // Not clamped to the scale: beyond 5 degrees the ball lies past the end ticks. Only an
    // impossible latitude is held within reach of the page so that the sum stays an int.
    dc.SetColor(state.ElementColor(state.colorMoonBall));
    const double offset = std::clamp(kUnitsPerDegree * latitude, -1e6, 1e6);
    dc.DrawCircle(kAxisX, kZeroY + TruncToInt(offset), 50, 1);

    dc.SetColor(state.ElementColor(state.colorWheelText));
    dc.SelectChartFont("Arial", 160, 1);
    dc.DrawText(6400, 1500, "Moon Inc.");

    const bool nearEcliptic = latitude >= -kEclipseLimit && latitude <= kEclipseLimit;
    if (phase > 172.0 && phase < 188.0) {
        dc.DrawText(notesX, 4000, "NEW MOON");
        if (nearEcliptic) dc.DrawText(notesX, 3800, "SOLAR ECLIPSE");
    }
    if ((phase >= 0.0 && phase < 8.0) || (phase >= 352.0 && phase <= 360.0)) {
        dc.DrawText(notesX, 4000, "FULL MOON");
        if (nearEcliptic) dc.DrawText(notesX, 3800, "LUNAR ECLIPSE");
    }
}

void DrawMoonScale(CChartDC& dc, const ChartState& state, const PagePositions& positions,
                   const PriceAngles& price) {
    double latitude = positions.moonLatitude;
    if (latitude > 180.0) latitude -= 360.0;
    const double phase = ArcForward(positions.heliocentric[3], positions.heliocentric[10]);
    DrawMoonScaleFor(dc, state, latitude, phase, MoonNotesX(price));
}
