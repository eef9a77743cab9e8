// The frame of the page and the two zodiac wheels: border, circles, ticks, sign letters,
// degree labels and the bodies of the page's date. 0 degrees points right, longitudes grow
// anticlockwise; the heliocentric wheel is the upper one.
#include <array>
#include <cstdio>

#include "chart/chart_dc.h"
#include "chart/chart_math.h"
#include "chart/chart_state.h"
#include "chart/page_elements.h"
#include "ephemeris/page_positions.h"
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
void DrawWheelBodies(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                     const std::array<double, 13>& positions, int centreY, const char* glyphs,
                     double* longitudes) {
    for (int n = 1; n <= 12; ++n) {
        const double longitude = positions[n];
        longitudes[n] = longitude;

        dc.SetColor(state.ElementColor(doc.m_colorCurrentLines));
        const int px = PolarX(0, 1100, longitude);
        const int py = PolarY(0, 1100, longitude);
        dc.DrawLine(kCentreX + px, centreY + py, kCentreX, centreY);

        // A thin cyan line to the opposite point, shown only in colour.
        dc.SetPenWidth(1);
        dc.SetColor(state.useColor == 1 ? 0xFFFF00 : 0);
        if (state.useColor == 1) dc.DrawLine(kCentreX - px, centreY - py, kCentreX, centreY);

        dc.SetPenWidth(8);
        dc.SetColor(state.ElementColor(doc.m_colorCurrentText));
        // Each body has its own radius, so glyphs of bodies at one longitude stack along the ray.
        const int radius = 1170 - 55 * n;
        const char glyph[2] = {glyphs[n], '\0'};
        dc.DrawText(PolarX(kCentreX, radius, longitude), PolarY(centreY + 25, radius, longitude),
                    glyph);
    }
}

}  // namespace

void DrawBorderAndWheels(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state) {
    dc.SetColor(state.ElementColor(doc.m_colorBorder));
    dc.SetPenWidth(20);
    dc.DrawLine(500, 500, 7500, 500);
    dc.DrawLine(7500, 500, 7500, 9500);
    dc.DrawLine(7500, 9500, 500, 9500);
    dc.DrawLine(500, 9500, 500, 500);
    dc.DrawLine(500, 5000, 7500, 5000);

    dc.SetPenWidth(8);
    dc.SetColor(state.ElementColor(doc.m_colorWheelLines));
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

void DrawSignLettersAndDegreeLabels(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                                    char (&textBuffer)[100]) {
    dc.SelectChartFont("Arial", 110, 1);
    dc.SetColor(state.ElementColor(doc.m_colorWheelText));

    for (int k = 0; k < 72; ++k) {
        const int angle = 5 * k;
        std::snprintf(textBuffer, sizeof textBuffer, "%c%c", kSignString[k], '\0');
        const int x = PolarX(kCentreX, 1400, angle, -30);
        dc.DrawText(x, PolarY(kUpperCentreY, 1400, angle, 62.5), textBuffer);
        dc.DrawText(x, PolarY(kLowerCentreY, 1400, angle, 62.5), textBuffer);
    }

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

void DrawBodies(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                const WheelLongitudes& positions, EntryLongitudes& current) {
    dc.SelectChartFont("Arial", 130, 0);
    dc.SetPenWidth(8);
    DrawWheelBodies(dc, doc, state, positions.heliocentric, kUpperCentreY, kHelioGlyphs,
                    current.helio);
    DrawWheelBodies(dc, doc, state, positions.geocentric, kLowerCentreY, kGeoGlyphs, current.geo);
}
