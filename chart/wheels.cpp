// The frame of the page and the two zodiac wheels: border, circles, ticks, sign letters,
// degree labels and the bodies of the page's date. 0 degrees points right, longitudes grow
// anticlockwise; the heliocentric wheel is the upper one.
#include <array>
#include <cmath>
#include <cstdio>
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

// One character every 5 degrees from 0; only the first 72 are drawn.
constexpr char kSignString[] =
    "  IRA   UAT   MEG   NAC   OEL   RIV   LIB   SCO   SAG   CAP   AQU   PIS    ";
constexpr char kHelioGlyphs[] = "-MVERJSUNPTOC1234";
constexpr char kGeoGlyphs[] = "-MVHRJSUNPTOC1234";

// A tick on both wheels at `angle`, from the inner to the outer radius: upper wheel first.
void DrawTickPair(CChartDC& dc, int angle, int inner, int outer) {
    for (int cy : {kUpperCentreY, kLowerCentreY}) {
        dc.DrawLine(PolarX(kCentreX, inner, angle), PolarY(cy, inner, angle),
                    PolarX(kCentreX, outer, angle), PolarY(cy, outer, angle));
    }
}

void DrawTickPass(CChartDC& dc, int step, int inner, int outer) {
    for (int angle = 0; angle < 360; angle += step) DrawTickPair(dc, angle, inner, outer);
}

// Label offsets of the degree labels, so that each sits clear of the outer circle.
void DegreeLabelOffset(int angle, double& dx, double& dy) {
    if (angle > 105 && angle < 195) {
        dx = 125;
        dy = 82.5;
    } else if (angle > 195 && angle < 255) {
        dx = 125;
        dy = 52.5;
    } else if (angle > 255 && angle < 345) {
        dx = 40;
        dy = 42.5;
    } else {
        dx = 40;
        dy = 50;
    }
}

// Line and glyph of every body of one wheel; fills `longitudes[1..12]`.
void DrawWheelBodies(CChartDC& dc, const ChartState& state, const std::array<double, 13>& positions,
                     int centreY, const char* glyphs, double* longitudes) {
    for (int n = 1; n <= 12; ++n) {
        const double longitude = positions[n];
        longitudes[n] = longitude;

        dc.SetColor(state.ElementColor(state.colorCurrentLines));
        const int px = PolarX(0, 1100, longitude);
        const int py = PolarY(0, 1100, longitude);
        dc.DrawLine(kCentreX + px, centreY + py, kCentreX, centreY);

        // A thin cyan line to the opposite point, shown only in colour.
        dc.SetPenWidth(1);
        dc.SetColor(state.useColor == 1 ? 0xFFFF00 : 0);
        if (state.useColor == 1) dc.DrawLine(kCentreX - px, centreY - py, kCentreX, centreY);

        dc.SetPenWidth(8);
        dc.SetColor(state.ElementColor(state.colorCurrentText));
        // Each body has its own radius, so glyphs of bodies at one longitude stack along the ray.
        const int radius = 1170 - 55 * n;
        const char glyph[2] = {glyphs[n], '\0'};
        dc.DrawText(PolarX(kCentreX, radius, longitude), PolarY(centreY + 25, radius, longitude),
                    glyph);
    }
}

// ---- the modern style ----------------------------------------------------------------------

// The rings of a modern wheel, from the centre out: the hour dial (to 450), the positions, the
// body symbols, the natal symbols and hot spots (hot_spots.cpp), the ticks from 1150.
constexpr double kSpokeEnd = 450;     // current lines end at the hour dial
constexpr double kGlyphOuter = 960;   // outer edge of the body symbols
constexpr double kGlyphToLabel = 20;  // gap between a symbol and its position
constexpr int kGlyphFont = 140;
constexpr int kLabelFont = 90;
constexpr int kSignFont = 100;

// A body's symbol and, inside it on the same ray, its position.
struct BodyStack {
    WheelText glyph;
    WheelText label;
    double GlyphCentre(double angle) const { return kGlyphOuter - glyph.Reach(angle); }
    double LabelCentre(double angle) const {
        return GlyphCentre(angle) - glyph.Reach(angle) - kGlyphToLabel - label.Reach(angle);
    }
    double InnerEdge(double angle) const { return LabelCentre(angle) - label.Reach(angle); }
};

// Whether each body moves backwards (its longitude falls) in this frame at the page's date.
std::array<bool, 13> Retrograde(const std::array<double, 13>& before,
                                const std::array<double, 13>& after) {
    std::array<bool, 13> result{};
    for (int n = 1; n <= 12; ++n) {
        double change = std::fmod(after[n] - before[n], 360.0);
        if (change > 180.0) change -= 360.0;
        if (change < -180.0) change += 360.0;
        result[n] = change < 0.0;
    }
    return result;
}

void DrawModernWheelBodies(CChartDC& dc, const ChartState& state,
                           const std::array<double, 13>& positions,
                           const std::array<bool, 13>& retrograde, int centreY, bool helio,
                           double* longitudes) {
    std::vector<BodyStack> stacks(12);
    std::vector<double> trueAngles(12);
    for (int n = 1; n <= 12; ++n) {
        const double longitude = positions[n];
        longitudes[n] = longitude;
        double angle = std::fmod(longitude, 360.0);
        if (!(angle >= 0.0)) angle = std::isnan(angle) ? 0.0 : angle + 360.0;
        trueAngles[n - 1] = angle;
        BodyStack& stack = stacks[n - 1];
        const Body* body = BodyOfCode(helio ? n : -n);
        stack.glyph.text = body ? body->glyph : "?";
        stack.glyph.ink = dc.MeasureTextIn(kSymbolFace, kGlyphFont, 0, stack.glyph.text, true);
        stack.label.text = ZodiacPosition(longitude, retrograde[n]);
        stack.label.ink = dc.MeasureTextIn(kSymbolFace, kLabelFont, 0, stack.label.text, true);
    }
    const auto boxes = [&](std::size_t i, double angle) {
        const BodyStack& stack = stacks[i];
        return std::array<PageBox, 2>{
            WheelBox(stack.glyph, kCentreX, centreY, stack.GlyphCentre(angle), angle),
            WheelBox(stack.label, kCentreX, centreY, stack.LabelCentre(angle), angle)};
    };
    const std::vector<double> shown =
        SpreadAngles(trueAngles, [&](std::size_t i, double ai, std::size_t j, double aj) {
            for (const PageBox& a : boxes(i, ai))
                for (const PageBox& b : boxes(j, aj))
                    if (a.Grown(12).Intersects(b)) return true;
            return false;
        });

    for (std::size_t i = 0; i < 12; ++i) {
        const double angle = trueAngles[i];
        dc.SetColor(state.ElementColor(state.colorCurrentLines));
        dc.SetPenWidth(8);
        dc.DrawLine(kCentreX, centreY, PolarX(kCentreX, kSpokeEnd, angle),
                    PolarY(centreY, kSpokeEnd, angle));
        // From the true place to the shown one, ending short of the position.
        const double inner = stacks[i].InnerEdge(shown[i]) - 15;
        dc.DrawLine(PolarX(kCentreX, kSpokeEnd, angle), PolarY(centreY, kSpokeEnd, angle),
                    PolarX(kCentreX, inner, shown[i]), PolarY(centreY, inner, shown[i]));
        if (state.useColor == 1) {
            dc.SetPenWidth(1);
            dc.SetColor(0xFFFF00);
            dc.DrawLine(kCentreX, centreY, PolarX(kCentreX, kSpokeEnd, angle + 180.0),
                        PolarY(centreY, kSpokeEnd, angle + 180.0));
        }
    }
    dc.SetColor(state.ElementColor(state.colorCurrentText));
    dc.SelectChartFont(kSymbolFace, kGlyphFont, 0);
    for (std::size_t i = 0; i < 12; ++i) {
        const double r = stacks[i].GlyphCentre(shown[i]);
        const double a = shown[i] * kChartDegToRad;
        int x = 0, y = 0;
        CentreText(stacks[i].glyph.ink, kCentreX + r * std::cos(a), centreY + r * std::sin(a), x,
                   y);
        dc.DrawTextUtf8(x, y, stacks[i].glyph.text);
    }
    dc.SelectChartFont(kSymbolFace, kLabelFont, 0);
    for (std::size_t i = 0; i < 12; ++i) {
        const double r = stacks[i].LabelCentre(shown[i]);
        const double a = shown[i] * kChartDegToRad;
        int x = 0, y = 0;
        CentreText(stacks[i].label.ink, kCentreX + r * std::cos(a), centreY + r * std::sin(a), x,
                   y);
        dc.DrawTextUtf8(x, y, stacks[i].label.text);
    }
}

// Sign symbols in the middle of each sign's stretch of the sign ring.
void DrawModernSigns(CChartDC& dc) {
    dc.SelectChartFont(kSymbolFace, kSignFont, 0);
    for (int sign = 0; sign < 12; ++sign) {
        WheelText text{ZodiacSignGlyph(sign), {}};
        text.ink = dc.MeasureText(text.text, true);
        const double angle = 15.0 + 30.0 * sign;
        for (int cy : {kUpperCentreY, kLowerCentreY}) {
            int x = 0, y = 0;
            CentreText(text.ink, kCentreX + 1405 * std::cos(angle * kChartDegToRad),
                       cy + 1405 * std::sin(angle * kChartDegToRad), x, y);
            dc.DrawTextUtf8(x, y, text.text);
        }
    }
}

}  // namespace

void DrawBorderAndWheels(CChartDC& dc, const ChartState& state) {
    dc.SetColor(state.ElementColor(state.colorBorder));
    dc.SetPenWidth(20);
    dc.DrawLine(500, 500, 7500, 500);
    dc.DrawLine(7500, 500, 7500, 9500);
    dc.DrawLine(7500, 9500, 500, 9500);
    dc.DrawLine(500, 9500, 500, 500);
    dc.DrawLine(500, 5000, 7500, 5000);

    dc.SetPenWidth(8);
    dc.SetColor(state.ElementColor(state.colorWheelLines));
    dc.DrawCircle(kCentreX, kLowerCentreY, 1460, 0);
    dc.DrawCircle(kCentreX, kUpperCentreY, 1350, 0);
    dc.DrawCircle(kCentreX, kLowerCentreY, 1350, 0);
    dc.DrawCircle(kCentreX, kUpperCentreY, 1250, 0);
    dc.DrawCircle(kCentreX, kLowerCentreY, 1250, 0);
    dc.DrawCircle(kCentreX, kUpperCentreY, 1460, 0);

    DrawTickPass(dc, 2, 1250, 1350);
    DrawTickPass(dc, 10, 1150, 1250);
    DrawTickPass(dc, 30, 1350, 1460);
}

void DrawSignLettersAndDegreeLabels(CChartDC& dc, const ChartState& state,
                                    char (&textBuffer)[100]) {
    dc.SelectChartFont("Arial", 110, 1);
    dc.SetColor(state.ElementColor(state.colorWheelText));

    if (dc.Modern()) DrawModernSigns(dc);
    for (int k = 0; k < 72 && !dc.Modern(); ++k) {
        const int angle = 5 * k;
        std::snprintf(textBuffer, sizeof textBuffer, "%c%c", kSignString[k], '\0');
        const int x = PolarX(kCentreX, 1400, angle, -30);
        dc.DrawText(x, PolarY(kUpperCentreY, 1400, angle, 62.5), textBuffer);
        dc.DrawText(x, PolarY(kLowerCentreY, 1400, angle, 62.5), textBuffer);
    }

    if (dc.Modern()) dc.SelectChartFont("Arial", 110, 1);
    for (int angle = 0; angle < 360; angle += 30) {
        double dx = 0;
        double dy = 0;
        DegreeLabelOffset(angle, dx, dy);
        std::snprintf(textBuffer, sizeof textBuffer, "%03d%c", angle, '\0');
        const int x = PolarX(kCentreX, 1510, angle, -dx);
        dc.DrawText(x, PolarY(kUpperCentreY, 1510, angle, dy), textBuffer);
        dc.DrawText(x, PolarY(kLowerCentreY, 1510, angle, dy), textBuffer);
    }
}

void DrawBodies(CChartDC& dc, const ChartState& state, const WheelLongitudes& positions,
                EntryLongitudes& current) {
    if (dc.Modern()) {
        // Retrograde: the longitude half a day later is smaller than half a day before.
        const WheelLongitudes before =
            ComputeWheelLongitudes(positions.jed - 0.5, state.positionSource);
        const WheelLongitudes after =
            ComputeWheelLongitudes(positions.jed + 0.5, state.positionSource);
        DrawModernWheelBodies(dc, state, positions.heliocentric,
                              Retrograde(before.heliocentric, after.heliocentric), kUpperCentreY,
                              true, current.helio);
        DrawModernWheelBodies(dc, state, positions.geocentric,
                              Retrograde(before.geocentric, after.geocentric), kLowerCentreY, false,
                              current.geo);
        return;
    }
    dc.SelectChartFont("Arial", 130, 0);
    dc.SetPenWidth(8);
    DrawWheelBodies(dc, state, positions.heliocentric, kUpperCentreY, kHelioGlyphs, current.helio);
    DrawWheelBodies(dc, state, positions.geocentric, kLowerCentreY, kGeoGlyphs, current.geo);
}
