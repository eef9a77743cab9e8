#pragma once
// The page elements in drawing order. Each reads the chart state (the job's colours included),
// draws through the page's CChartDC, and takes what an earlier element handed on (and gives
// what a later one reads) as parameters, so the order of the hand-overs is in the signatures.
#include "chart/chart_state.h"
#include "ephemeris/calendar.h"
#include "ephemeris/page_positions.h"

class CChartDC;
class CCaelvaneDoc;

// Border, wheel circles and ticks.
void DrawBorderAndWheels(CChartDC& dc, const ChartState& state);
// Sign letters and degree labels of both wheels, formatted in `textBuffer`.
void DrawSignLettersAndDegreeLabels(CChartDC& dc, const ChartState& state, char (&textBuffer)[100]);
// Body lines and glyphs of both wheels; fills current.helio and current.geo [1..12].
void DrawBodies(CChartDC& dc, const ChartState& state, const WheelLongitudes& positions,
                EntryLongitudes& current);
// Inner circles and the hour dial; sets state.daylightStartJed/EndJed and returns the daylight
// offset of the page (the price marks turn the time mark with it).
double DrawHourDial(CChartDC& dc, ChartState& state, const caelvane::TimeZoneRule& rule,
                    const WheelLongitudes& positions);
// Price and time marks (while the price display is on) and the overlay ring. `angles` keeps
// what it held when the display is off.
void DrawPriceMarksAndOverlay(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                              double daylightOffset, PriceAngles& angles);
// Latitude column beside the upper table's diagonal and the extra entries' labels; while the
// price display is on, the price and time angles become state.hotSpotDegree2[0..1].
void DrawLatitudeColumnAndEntryLabels(CChartDC& dc, const CCaelvaneDoc& doc, ChartState& state,
                                      const PagePositions& positions, const PriceAngles& angles);
// Hot spots on both wheels and, with a natal date, the natal marks (fills natal [1..12] from
// the natal date's positions).
void DrawHotSpotsAndNatalMarks(CChartDC& dc, const ChartState& state, EntryLongitudes& natal);
// Sets the extra entries 13..15 of both sets from state.hotSpotDegree2, then draws both aspect
// tables (only when aspects are included).
void DrawAspectTables(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                      EntryLongitudes& current, EntryLongitudes& natal);
// Moon inclination scale with its ball, new/full Moon and eclipse notes (beside the modern
// page's price lines, which `price` says where end).
void DrawMoonScale(CChartDC& dc, const ChartState& state, const PagePositions& positions,
                   const PriceAngles& price);
// The modern page's key at its foot: the symbols, the four hot spots and the whole note where
// the job block cut it. Nothing on the classic page.
void DrawPageKey(CChartDC& dc, const ChartState& state);
// The modern job block's note line: its font and its room (the key repeats a note cut there).
inline constexpr int kModernJobFontForKey = 180;
inline constexpr int kModernNoteWidth = 4150 - 550;
