#include "chart/paging.h"

#include "chart/draw_page.h"
#include "job/caelvane_doc.h"

int PageAfterKey(const ChartState& state, PageKey key) {
    if (!state.IsDateRange()) return state.currentPage;
    switch (key) {
        // Compared before stepping so that no page number can overflow.
        case PageKey::PageDown:
            return state.currentPage >= state.pageCount ? 1 : state.currentPage + 1;
        case PageKey::PageUp:
            return state.currentPage <= 1 ? state.pageCount : state.currentPage - 1;
        case PageKey::Home:
            return 1;
        case PageKey::Other:
            break;
    }
    return state.currentPage;
}

void AdvancePage(CCaelvaneDoc* doc) {
    if (doc == nullptr) return;
    ChartState state;
    PreparePaging(*doc, state);
    if (state.IsDateRange()) doc->m_currentPage = PageAfterKey(state, PageKey::PageDown);
    doc->UpdateAllViews(nullptr, 0);
}
