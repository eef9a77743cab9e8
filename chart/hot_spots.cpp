// The first three hot spots on both wheels and, with a natal date, the natal positions.
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "chart/chart_dc.h"
#include "chart/chart_math.h"
#include "chart/chart_state.h"
#include "chart/modern_layout.h"
#include "chart/page_elements.h"
#include "ephemeris/bodies.h"
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

void DrawHotSpot(CChartDC& dc, const ChartState& state, int k) {
    const double a = state.hotSpotDegree[k];
    dc.SetColor(state.ElementColor(state.colorCurrentLines));
    dc.DrawCircle(PolarX(kCentreX, kDotDistance, a), PolarY(kLowerCentreY, kDotDistance, a),
                  kDotRadius, 1);
    dc.DrawCircle(PolarX(kCentreX, kDotDistance, a), PolarY(kUpperCentreY, kDotDistance, a),
                  kDotRadius, 1);

    // The digit sits inside the dot ring, shifted so that it clears the dot on either side.
    const double dx = 1120 * Cos(a);
    const int tx = TruncToInt(dx);
    const int ty = TruncToInt(1120 * Sin(a));
    const std::string_view digit(kHotSpotDigits + k, 1);
    dc.SetColor(state.ElementColor(state.colorCurrentText));
    if (dx > 0) {
        dc.DrawText(5645 + tx, 3345 + ty, digit);
        dc.DrawText(5645 + tx, 7825 + ty, digit);
    } else {
        dc.DrawText(5725 + tx, 3325 + ty, digit);
        dc.DrawText(5725 + tx, 7845 + ty, digit);
    }
}

void DrawNatalMark(CChartDC& dc, const ChartState& state, int centreY, double a, char glyph) {
    dc.SetColor(state.ElementColor(state.colorNatalDots));
    dc.DrawCircle(PolarX(kCentreX, kDotDistance, a), PolarY(centreY, kDotDistance, a), kDotRadius,
                  1);
    const double dx = 1080 * Cos(a);
    const int x = (dx > 0 ? 5675 : 5725) + TruncToInt(dx);
    dc.SetColor(state.ElementColor(state.colorNatalText));
    dc.DrawText(x, centreY + TruncToInt(1080 * Sin(a)), std::string_view(&glyph, 1));
}

// ---- the modern style ----------------------------------------------------------------------

// The natal symbols and all four hot spots share one ring just inside the ticks, spread
// apart, each joined to its dot on the true place.
constexpr double kRingOuter = 1135;
constexpr int kNatalFont = 100;
constexpr int kDigitFont = 120;

struct RingMark {
    WheelText text;
    double angle = 0;
    COLORREF dotColor = 0;
    COLORREF textColor = 0;
    int font = kNatalFont;
    int bold = 0;
    const char* face = kSymbolFace;
    double Centre(double a) const { return kRingOuter - text.Reach(a); }
};

double Fold(double angle) {
    double a = std::fmod(angle, 360.0);
    if (!(a >= 0.0)) a = std::isnan(a) ? 0.0 : a + 360.0;
    return a;
}

void DrawRing(CChartDC& dc, std::vector<RingMark>& marks, int centreY) {
    std::vector<double> angles;
    for (const RingMark& mark : marks) angles.push_back(mark.angle);
    const std::vector<double> shown =
        SpreadAngles(angles, [&](std::size_t i, double ai, std::size_t j, double aj) {
            const PageBox a = WheelBox(marks[i].text, kCentreX, centreY, marks[i].Centre(ai), ai);
            const PageBox b = WheelBox(marks[j].text, kCentreX, centreY, marks[j].Centre(aj), aj);
            return a.Grown(12).Intersects(b);
        });
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const RingMark& mark = marks[i];
        dc.SetColor(mark.dotColor);
        dc.SetPenWidth(8);
        dc.DrawCircle(PolarX(kCentreX, kDotDistance, mark.angle),
                      PolarY(centreY, kDotDistance, mark.angle), kDotRadius, 1);
        const double inner = kDotDistance - kDotRadius;
        const double outer = mark.Centre(shown[i]) + mark.text.Reach(shown[i]) + 5;
        if (std::abs(shown[i] - mark.angle) > 0.5) {
            dc.DrawLine(PolarX(kCentreX, inner, mark.angle), PolarY(centreY, inner, mark.angle),
                        PolarX(kCentreX, outer, shown[i]), PolarY(centreY, outer, shown[i]));
        }
    }
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const RingMark& mark = marks[i];
        dc.SelectChartFont(mark.face, mark.font, mark.bold);
        dc.SetColor(mark.textColor);
        const double r = mark.Centre(shown[i]);
        int x = 0, y = 0;
        CentreText(mark.text.ink, kCentreX + r * Cos(shown[i]), centreY + r * Sin(shown[i]), x, y);
        dc.DrawTextUtf8(x, y, mark.text.text);
    }
}

void DrawModernHotSpotsAndNatalMarks(CChartDC& dc, const ChartState& state,
                                     EntryLongitudes& natal) {
    WheelLongitudes positions;
    if (state.includeNatal == 1) {
        positions = ComputeWheelLongitudes(state.natalJed, state.positionSource);
        for (int k = 1; k <= 12; ++k) {
            natal.helio[k] = positions.heliocentric[k];
            natal.geo[k] = positions.geocentric[k];
        }
    }
    for (const bool helio : {false, true}) {
        std::vector<RingMark> marks;
        for (int k = 0; k < 4; ++k) {
            RingMark mark;
            mark.text.text = std::string(1, kHotSpotDigits[k]);
            mark.face = "Arial";
            mark.font = kDigitFont;
            mark.bold = 1;
            mark.text.ink = dc.MeasureTextIn(mark.face, mark.font, 1, mark.text.text, true);
            mark.angle = Fold(state.hotSpotDegree[k]);
            mark.dotColor = state.ElementColor(state.colorCurrentLines);
            mark.textColor = state.ElementColor(state.colorCurrentText);
            marks.push_back(mark);
        }
        if (state.includeNatal == 1) {
            for (int k = 1; k <= 12; ++k) {
                RingMark mark;
                const Body* body = BodyOfCode(helio ? k : -k);
                mark.text.text = body ? body->glyph : "?";
                mark.text.ink = dc.MeasureTextIn(kSymbolFace, kNatalFont, 0, mark.text.text, true);
                mark.angle = Fold(helio ? natal.helio[k] : natal.geo[k]);
                mark.dotColor = state.ElementColor(state.colorNatalDots);
                mark.textColor = state.ElementColor(state.colorNatalText);
                marks.push_back(mark);
            }
        }
        DrawRing(dc, marks, helio ? kUpperCentreY : kLowerCentreY);
    }
}

}  // namespace

void DrawHotSpotsAndNatalMarks(CChartDC& dc, const ChartState& state, EntryLongitudes& natal) {
    dc.SelectChartFont("Arial", 130, 0);
    if (dc.Modern()) {
        DrawModernHotSpotsAndNatalMarks(dc, state, natal);
        return;
    }
    // The job's fourth hot spot is kept in the job but never drawn.
    for (int k = 0; k < 3; ++k) DrawHotSpot(dc, state, k);

    if (state.includeNatal != 1) return;
    dc.SelectChartFont("Arial", 110, 0);
    dc.SetPenWidth(8);
    const WheelLongitudes positions = ComputeWheelLongitudes(state.natalJed, state.positionSource);
    for (int k = 1; k <= 12; ++k) {
        natal.helio[k] = positions.heliocentric[k];
        DrawNatalMark(dc, state, kUpperCentreY, natal.helio[k], kHelioGlyphs[k]);
    }
    for (int k = 1; k <= 12; ++k) {
        natal.geo[k] = positions.geocentric[k];
        DrawNatalMark(dc, state, kLowerCentreY, natal.geo[k], kGeoGlyphs[k]);
    }
}
