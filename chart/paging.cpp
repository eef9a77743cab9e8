#include "chart/paging.h"

#include "chart/chart_state.h"
#include "job/caelvane_doc.h"

namespace {
// Only the date ranges have more than one page.
bool IsDateRange(int jobType) {
    return jobType == 2 || jobType == 3;
}
}  // namespace

int PageAfterKey(PageKey key) {
    if (!IsDateRange(g_jobType)) return g_currentPage;
    switch (key) {
        // Compared before stepping so that no page number can overflow.
        case PageKey::PageDown:
            return g_currentPage >= g_pageCount ? 1 : g_currentPage + 1;
        case PageKey::PageUp:
            return g_currentPage <= 1 ? g_pageCount : g_currentPage - 1;
        case PageKey::Home:
            return 1;
        case PageKey::Other:
            break;
    }
    return g_currentPage;
}

void AdvancePage(CCaelvaneDoc* doc) {
    if (doc == nullptr) return;
    if (IsDateRange(g_jobType)) {
        const int page = PageAfterKey(PageKey::PageDown);
        g_currentPage = page;
        doc->m_currentPage = page;
    }
    doc->UpdateAllViews(nullptr, 0);
}
