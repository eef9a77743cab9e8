#pragma once
// Page stepping of date-range jobs.
#include "chart/chart_state.h"

class CCaelvaneDoc;

enum class PageKey { PageDown, PageUp, Home, Other };

// The page a key release leads to from the state's current page (job types 2 and 3; others
// keep the current page).
int PageAfterKey(const ChartState& state, PageKey key);

// The step of AutoRun and the price monitor, on the job's own paging (PreparePaging): for job
// types 2 and 3 the next page (wrapping to 1 past the page count) becomes the document's
// m_currentPage; then, for every job type, all views of the document repaint. Does nothing
// when doc is null.
void AdvancePage(CCaelvaneDoc* doc);
