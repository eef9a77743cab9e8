#pragma once
// The Moon scale and phase notes for given values, so that the exact window edges can be
// drawn without searching the ephemeris for a date that lands on them.
#include <algorithm>

#include "chart/chart_state.h"

class CChartDC;
class CCaelvaneDoc;

inline constexpr int kMoonNotesX = 2000;

// Where the Moon's notes start: at 2000, or on the modern page clear to the right of the price
// lines while they are shown.
inline int MoonNotesX(const PriceAngles& price) {
    return price.linesRight > 0 ? std::max(kMoonNotesX, price.linesRight + 150) : kMoonNotesX;
}

// latitude: the Moon's ecliptic latitude in degrees, south negative (-180..180).
// phase: forward arc from the Earth's heliocentric longitude to the Moon's, degrees 0..360
// (near 180 at new Moon, near 0 or 360 at full Moon).
// notesX: where the new-Moon, full-Moon and eclipse notes start (MoonNotesX).
void DrawMoonScaleFor(CChartDC& dc, const ChartState& state, double latitude, double phase,
                      int notesX = kMoonNotesX);
