#pragma once
// The Moon scale and phase notes for given values, so that the exact window edges can be
// drawn without searching the ephemeris for a date that lands on them.
#include "chart/chart_state.h"

class CChartDC;
class CCaelvaneDoc;

// latitude: the Moon's ecliptic latitude in degrees, south negative (-180..180).
// phase: forward arc from the Earth's heliocentric longitude to the Moon's, degrees 0..360
// (near 180 at new Moon, near 0 or 360 at full Moon).
void DrawMoonScaleFor(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                      double latitude, double phase);
