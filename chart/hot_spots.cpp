// The first three hot spots on both wheels and, with a natal date, the natal positions.
#include <cmath>
#include <string_view>

#include "chart/chart_dc.h"
#include "chart/chart_math.h"
#include "chart/chart_state.h"
#include "chart/page_elements.h"
#include "ephemeris/page_positions.h"
#include "ephemeris/position_source.h"
#include "job/caelvane_doc.h"

namespace {

constexpr int kCentreX = 5700;
constexpr int kUpperCentreY = 7800;
constexpr int kLowerCentreY = 3300;
constexpr int kDotRadius = 30;
constexpr double kDotDistance = 1200;  // just inside the innermost wheel circle (1250)

constexpr const char* kHotSpotDigits = "1234";
constexpr const char* kHelioGlyphs = "-MVERJSUNPTOC1234";
constexpr const char* kGeoGlyphs = "-MVHRJSUNPTOC1234";

double Cos(double degrees) {
    return std::cos(degrees * kChartDegToRad);
}
double Sin(double degrees) {
    return std::sin(degrees * kChartDegToRad);
}

void DrawHotSpot(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state, int k) {
    const double a = state.hotSpotDegree[k];
    dc.SetColor(state.ElementColor(doc.m_colorCurrentLines));
    dc.DrawCircle(PolarX(kCentreX, kDotDistance, a), PolarY(kLowerCentreY, kDotDistance, a),
                  kDotRadius, 1);
    dc.DrawCircle(PolarX(kCentreX, kDotDistance, a), PolarY(kUpperCentreY, kDotDistance, a),
                  kDotRadius, 1);

    // The digit sits inside the dot ring, shifted so that it clears the dot on either side.
    const double dx = 1120 * Cos(a);
    const int tx = TruncToInt(dx);
    const int ty = TruncToInt(1120 * Sin(a));
    const std::string_view digit(kHotSpotDigits + k, 1);
    dc.SetColor(state.ElementColor(doc.m_colorCurrentText));
    if (dx > 0) {
        dc.DrawText(5645 + tx, 3345 + ty, digit);
        dc.DrawText(5645 + tx, 7825 + ty, digit);
    } else {
        dc.DrawText(5725 + tx, 3325 + ty, digit);
        dc.DrawText(5725 + tx, 7845 + ty, digit);
    }
}

void DrawNatalMark(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state, int centreY,
                   double a, char glyph) {
    dc.SetColor(state.ElementColor(doc.m_colorNatalDots));
    dc.DrawCircle(PolarX(kCentreX, kDotDistance, a), PolarY(centreY, kDotDistance, a), kDotRadius,
                  1);
    const double dx = 1080 * Cos(a);
    const int x = (dx > 0 ? 5675 : 5725) + TruncToInt(dx);
    dc.SetColor(state.ElementColor(doc.m_colorNatalText));
    dc.DrawText(x, centreY + TruncToInt(1080 * Sin(a)), std::string_view(&glyph, 1));
}

}  // namespace

void DrawHotSpotsAndNatalMarks(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                               EntryLongitudes& natal) {
    dc.SelectChartFont("Arial", 130, 0);
    // The job's fourth hot spot is kept in the job but never drawn.
    for (int k = 0; k < 3; ++k) DrawHotSpot(dc, doc, state, k);

    if (state.includeNatal != 1) return;
    dc.SelectChartFont("Arial", 110, 0);
    dc.SetPenWidth(8);
    const WheelLongitudes positions = ComputeWheelLongitudes(state.natalJed, state.positionSource);
    for (int k = 1; k <= 12; ++k) {
        natal.helio[k] = positions.heliocentric[k];
        DrawNatalMark(dc, doc, state, kUpperCentreY, natal.helio[k], kHelioGlyphs[k]);
    }
    for (int k = 1; k <= 12; ++k) {
        natal.geo[k] = positions.geocentric[k];
        DrawNatalMark(dc, doc, state, kLowerCentreY, natal.geo[k], kGeoGlyphs[k]);
    }
}
