#pragma once
// Page stepping of date-range jobs, on the chart state left by the last drawing.
class CCaelvaneDoc;

enum class PageKey { PageDown, PageUp, Home, Other };

// The page a key release leads to (job types 2 and 3; others keep g_currentPage).
int PageAfterKey(PageKey key);

// The step of AutoRun and the price monitor: for job types 2 and 3 the next page (wrapping to
// 1 past g_pageCount) becomes g_currentPage and the document's m_currentPage; then, for every
// job type, all views of the document repaint. Does nothing when doc is null.
void AdvancePage(CCaelvaneDoc* doc);
