#pragma once
#include <optional>

#include "chart/chart_state.h"
#include "platform/drawing_device.h"
#include "platform/host_services.h"

class CCaelvaneDoc;

// Draws page m_currentPage of the job on `device`: the whole chart page, exactly as the view
// shows it and the printer prints it. Prepares `state` first (PreparePage) and returns the
// job's page count, which the job's views keep in doc.m_pageCount. A reversed date range shows
// its message through host.MessageBox and ends the page early, with no count (the last one
// stands). Reads the job and writes nothing but `state` and the device: pages of different
// states can be drawn on different threads at once.
std::optional<int> DrawChartPage(const CCaelvaneDoc& doc, ChartState& state, CDrawingDevice& device,
                                 caelvane::CHostServices& host);

// The copies every preparation makes from the job into the state (the page time back to
// 17:00 UT, currentPage from m_currentPage).
void CopyChartState(const CCaelvaneDoc& doc, ChartState& state);

// CopyChartState, the range's and the natal date's JEDs and the page count: what paging needs,
// without the clock. A reversed date range (job type 3) keeps the page count the state had.
void PreparePaging(const CCaelvaneDoc& doc, ChartState& state);

// PreparePaging, then the date, JED and weekday of the state's current page (TODAY jobs read
// the host's local date). False when the job's date range runs backwards: such a page shows a
// message instead of its dates.
bool PreparePage(const CCaelvaneDoc& doc, ChartState& state, const caelvane::CHostServices& host);
