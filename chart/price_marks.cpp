// Price and time marks (while the price display is on) and the overlay ring, on both wheels.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/chart_dc.h"
#include "chart/chart_math.h"
#include "chart/chart_state.h"
#include "chart/modern_layout.h"
#include "chart/moon_scale.h"
#include "chart/page_elements.h"
#include "ephemeris/calendar.h"
#include "ephemeris/position_source.h"
#include "ephemeris/positions.h"
#include "job/caelvane_doc.h"

namespace {

constexpr int kCentreX = 5700;
constexpr int kUpperCentreY = 7800;
constexpr int kLowerCentreY = 3300;

constexpr COLORREF kPriceSpokeColor = 0x0000FF;  // red
constexpr COLORREF kTimeSpokeColor = 0xFF0000;   // blue

// The dialog allows 1..90 parts; a job file may hold any count. Beyond this many the ticks
// and labels would merge into a solid ring anyway, and an unbounded count would keep a page
// drawing for minutes, so larger counts draw this many parts.
constexpr int kMaxOverlayParts = 3600;

void DrawSpokes(CChartDC& dc, double radius, double angle) {
    dc.DrawLine(PolarX(kCentreX, radius, angle), PolarY(kUpperCentreY, radius, angle), kCentreX,
                kUpperCentreY);
    dc.DrawLine(PolarX(kCentreX, radius, angle), PolarY(kLowerCentreY, radius, angle), kCentreX,
                kLowerCentreY);
}

// "$" and "X" stand at radius 700 around a point 25 above the wheel centre.
void DrawMarkLetters(CChartDC& dc, double angle, const char* letter) {
    dc.DrawText(PolarX(kCentreX, 700, angle), PolarY(kUpperCentreY + 25, 700, angle), letter);
    dc.DrawText(PolarX(kCentreX, 700, angle), PolarY(kLowerCentreY + 25, 700, angle), letter);
}

// ---- the modern style ----------------------------------------------------------------------

constexpr int kModernMarkFont = 160;
constexpr int kModernLineFont = 160;
constexpr int kModernLinesRight = 2700;  // the new and full Moon notes stand to the right

// A mark's letter on its spoke, centred where it touches no text drawn so far (the bodies'
// symbols and positions and the dial's hours come before it): from the classic radius inwards,
// then outwards up to the natal ring; where the spoke has no room, a little to either side of
// it, further each time. Where nothing is clear it keeps the classic place.
void DrawModernMarkLetter(CChartDC& dc, int centreY, double angle, const char* letter) {
    const TextInk ink = dc.MeasureText(letter);
    int x = 0, y = 0;
    const auto clearAt = [&](double r, double degrees) {
        const double a = degrees * kChartDegToRad;
        CentreText(ink, kCentreX + r * std::cos(a), centreY + r * std::sin(a), x, y);
        return dc.IsClear(InkBox(x, y, ink), 15);
    };
    for (int turn = 0; turn <= 40; turn += 4) {
        for (const int side : {1, -1}) {
            const double degrees = angle + side * turn;
            for (int r = 700; r >= 100; r -= 20)
                if (clearAt(r, degrees)) return dc.DrawText(x, y, letter);
            for (int r = 720; r <= 880; r += 20)
                if (clearAt(r, degrees)) return dc.DrawText(x, y, letter);
            if (turn == 0) break;
        }
    }
    clearAt(700, angle);
    dc.DrawText(x, y, letter);
}

void DrawModernMarkLetters(CChartDC& dc, double angle, const char* letter) {
    DrawModernMarkLetter(dc, kUpperCentreY, angle, letter);
    DrawModernMarkLetter(dc, kLowerCentreY, angle, letter);
}

// The two lines a size smaller and cut to their room; returns where their ink ends.
int DrawModernPriceLines(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                         double timeAngle) {
    dc.SelectChartFont("Arial", kModernLineFont, 1);
    char line[100];
    std::snprintf(line, sizeof line, "Price %.3f at %.2f\xB0", doc.m_price, doc.m_priceDegree);
    const std::string price = ElideToWidth(dc, line, kModernLinesRight - 550);
    std::snprintf(line, sizeof line, "Time %02lld:%02d Eastern at %.2f\xB0",
                  static_cast<long long>(state.pageHour) + 2, state.pageMinute, timeAngle);
    const std::string time = ElideToWidth(dc, line, kModernLinesRight - 550);
    dc.DrawText(550, 4100, price);
    dc.DrawText(550, 3900, time);
    const TextInk priceInk = dc.MeasureText(price);
    const TextInk timeInk = dc.MeasureText(time);
    return 550 + std::max(priceInk.left + priceInk.width, timeInk.left + timeInk.width);
}

// ---- both styles ---------------------------------------------------------------------------

void DrawPriceAndTimeMarks(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                           double daylightOffset, PriceAngles& angles) {
    dc.SetPenWidth(15);
    angles.priceAngle = doc.m_priceDegree;
    dc.SetColor(state.ElementColor(kPriceSpokeColor));
    DrawSpokes(dc, 1100, angles.priceAngle);

    dc.SetColor(state.ElementColor(state.colorCurrentText));
    dc.SelectChartFont("Arial", dc.Modern() ? kModernMarkFont : 200, 1);
    dc.Modern() ? DrawModernMarkLetters(dc, angles.priceAngle, "$")
                : DrawMarkLetters(dc, angles.priceAngle, "$");

    // The daily point stands where the hour dial shows the UT time of day; the time mark turns
    // with the dial's daylight offset and two hours (30 degrees) further on.
    double t = BodyLongitude(JulianDate(state.pageMonth, state.pageDay, state.pageYear,
                                        state.pageHour, state.pageMinute),
                             2000, state.positionSource) +
               daylightOffset + 30.0;
    if (t > 360.0) t -= 360.0;
    angles.timeAngle = t;
    if (t < 0.0) t += 360.0;

    dc.SetColor(state.ElementColor(kTimeSpokeColor));
    DrawSpokes(dc, 900, t);

    dc.SetColor(state.ElementColor(state.colorCurrentText));
    dc.Modern() ? DrawModernMarkLetters(dc, t, "X") : DrawMarkLetters(dc, t, "X");

    if (dc.Modern()) {
        angles.linesRight = DrawModernPriceLines(dc, doc, state, t);
        return;
    }
    dc.SelectChartFont("Arial", 200, 1);
    char line[100];
    std::snprintf(line, sizeof line, "Price=%8.3lf at %6.2lf degrees", doc.m_price,
                  doc.m_priceDegree);
    dc.DrawText(550, 4100, line);
    // The page hour is the price hour less 7; the line shows it two hours on, as Eastern
    // time. Summed in 64 bits so that no stored hour can overflow.
    std::snprintf(line, sizeof line, "Time= %02lld:%02d Eastern =  %6.2lf degrees ",
                  static_cast<long long>(state.pageHour) + 2, state.pageMinute, t);
    dc.DrawText(550, 3900, line);
}

// Label anchors by quadrant, so that each number stands clear outside its tick.
struct LabelAnchor {
    int x, lowerY, upperY;
};
constexpr LabelAnchor kLabelAnchors[4] = {
    {5600, 3330, 7830}, {5670, 3330, 7830}, {5670, 3380, 7880}, {5600, 3380, 7880}};

void DrawOverlayLabel(CChartDC& dc, double a, long long value) {
    if (!(a >= 0.0 && a < 360.0)) return;  // no label outside [0, 360)
    const LabelAnchor& anchor = kLabelAnchors[a < 90.0 ? 0 : a < 180.0 ? 1 : a < 270.0 ? 2 : 3];
    char text[32];
    std::snprintf(text, sizeof text, "%lld", value);
    // The modern page leaves out a label that would land on another text.
    dc.TryDrawText(PolarX(anchor.x, 1600, a), PolarY(anchor.lowerY, 1600, a), text);
    dc.TryDrawText(PolarX(anchor.x, 1600, a), PolarY(anchor.upperY, 1600, a), text);
}

// On the modern page the texts drawn after the overlay (the aspect tables with their latitude
// and declination columns and entry labels, the Moon scale's notes) are kept free of its
// labels: their places are taken before the labels look for room.
void ReserveLaterTexts(CChartDC& dc, const ChartState& state, const PriceAngles& angles) {
    if (state.includeAspects == 1) {
        for (const int base : {4500, 0}) {
            for (int i = 1; i <= 15; ++i) {
                const int top = base + 3650 - 200 * (i - 1);
                const int right = i <= 12 ? 1100 + 400 * i + 50 : 7450;
                dc.Reserve({500, top - 200, right, top});
            }
            dc.Reserve({500, base + 450, 6700, base + 650});  // the entries' names
        }
    }
    dc.Reserve({6350, 1300, 7500, 1500});   // "Moon Inc."
    const int notesX = MoonNotesX(angles);  // new and full Moon, eclipses
    dc.Reserve({notesX - 50, 3600, notesX + 1600, 4000});
}

void DrawOverlayRing(CChartDC& dc, const ChartState& state, const PriceAngles& angles) {
    dc.SetColor(state.ElementColor(state.colorOverlayCircle));
    if (state.overlayEnabled != 1) return;

    dc.SetPenWidth(8);
    dc.DrawCircle(kCentreX, kLowerCentreY, 1710, 0);
    dc.DrawCircle(kCentreX, kUpperCentreY, 1710, 0);

    const int parts = state.overlayParts > kMaxOverlayParts ? kMaxOverlayParts : state.overlayParts;
    if (parts < 1) return;
    const double step = 360.0 / parts;

    // The tick angle is left to grow past 360: only its sine and cosine are used.
    double a = state.overlayStartDegree;
    for (int i = 1; i <= parts; ++i) {
        dc.SetPenWidth(i == 1 ? 18 : 8);
        dc.DrawLine(PolarX(kCentreX, 1710, a), PolarY(kUpperCentreY, 1710, a),
                    PolarX(kCentreX, 1650, a), PolarY(kUpperCentreY, 1650, a));
        dc.DrawLine(PolarX(kCentreX, 1710, a), PolarY(kLowerCentreY, 1710, a),
                    PolarX(kCentreX, 1650, a), PolarY(kLowerCentreY, 1650, a));
        a += step;
    }

    // Label values in 64 bits: a large step size over many parts must count on, not wrap.
    dc.SelectChartFont("Arial", 110, 0);
    if (dc.Modern()) ReserveLaterTexts(dc, state, angles);
    a = state.overlayStartDegree;
    long long value = state.overlayFirstValue;
    for (int i = 1; i <= parts; ++i) {
        DrawOverlayLabel(dc, a, value);
        a += step;
        value += state.overlayStepSize;
        if (a >= 360.0) a -= 360.0;
    }
}

}  // namespace

void DrawPriceMarksAndOverlay(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                              double daylightOffset, PriceAngles& angles) {
    if (doc.m_priceMonitorOn == 1) DrawPriceAndTimeMarks(dc, doc, state, daylightOffset, angles);
    DrawOverlayRing(dc, state, angles);
}
