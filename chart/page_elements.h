#pragma once
// The page elements in drawing order. Each reads the chart state (chart_state.h) and the
// document's colours, and draws through the page's CChartDC.
#include "ephemeris/calendar.h"

class CChartDC;
class CCaelvaneDoc;

// Border, wheel circles and ticks.
void DrawBorderAndWheels(CChartDC& dc, const CCaelvaneDoc& doc);
// Sign letters and degree labels of both wheels.
void DrawSignLettersAndDegreeLabels(CChartDC& dc, const CCaelvaneDoc& doc);
// Body lines and glyphs of both wheels; fills helioLongitude and geoLongitude[1..12].
void DrawBodies(CChartDC& dc, const CCaelvaneDoc& doc);
// Inner circles and the hour dial; sets g_daylightStartJed/EndJed and daylightOffset.
void DrawHourDial(CChartDC& dc, const CCaelvaneDoc& doc, const caelvane::TimeZoneRule& rule);
// Price and time marks (while the price display is on) and the overlay ring.
void DrawPriceMarksAndOverlay(CChartDC& dc, const CCaelvaneDoc& doc);
// Latitude column beside the upper table's diagonal and the extra entries' labels.
void DrawLatitudeColumnAndEntryLabels(CChartDC& dc, const CCaelvaneDoc& doc);
// Hot spots on both wheels and, with a natal date, the natal marks (fills natal*Longitude).
void DrawHotSpotsAndNatalMarks(CChartDC& dc, const CCaelvaneDoc& doc);
// Extended entries 13..15 and both aspect tables (only when aspects are included).
void DrawAspectTables(CChartDC& dc, const CCaelvaneDoc& doc);
// Moon inclination scale with its ball, new/full Moon and eclipse notes.
void DrawMoonScale(CChartDC& dc, const CCaelvaneDoc& doc);
