#pragma once
// The hour dial in two pieces, so that each can be checked alone.
#include "chart/chart_state.h"
#include "ephemeris/calendar.h"

class CChartDC;
class CCaelvaneDoc;

// -15 (the dial turned back one hour) when `useDaylightTime` is set and `pageJed` lies in the
// zone's daylight period of the page's year, from `startJed` (included) to `endJed` (not
// included); 0 otherwise. Where a zone's daylight time spans the new year (its start after its
// end in the same year: the southern hemisphere), the period runs from the start to the year's
// end and from the year's beginning to the end. A zone without daylight saving (standard-time
// month 0) never counts.
double DaylightOffsetForPage(double pageJed, double startJed, double endJed, bool useDaylightTime,
                             const caelvane::TimeZoneRule& rule);

// The 24 ticks and the numbers 0, 6, 12, 18 of both wheels, hour 0 at `hourZero` degrees
// (0..360), hours anticlockwise 15 degrees apart.
void DrawHourRing(CChartDC& dc, const ChartState& state, double hourZero);
