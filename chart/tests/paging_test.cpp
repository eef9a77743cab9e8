#include "chart/paging.h"

#include <gtest/gtest.h>

#include <climits>

#include "chart/chart_state.h"
#include "job/caelvane_doc.h"

namespace {

struct KeyCase {
    const char* name;
    int jobType;
    int pageCount;
    int currentPage;
    PageKey key;
    int expected;
};

class CountingView : public CView {
public:
    void OnUpdate(CView* sender, long hint) override {
        ++updates;
        lastSender = sender;
        lastHint = hint;
    }
    int updates = 0;
    CView* lastSender = reinterpret_cast<CView*>(1);
    long lastHint = -1;
};

void SetChartState(int jobType, int pageCount, int currentPage) {
    g_jobType = jobType;
    g_pageCount = pageCount;
    g_currentPage = currentPage;
}

TEST(PageAfterKey, StepsAndWrapsDateRangesOnly) {
    const KeyCase cases[] = {
        {"page down mid range", 3, 3, 2, PageKey::PageDown, 3},
        {"page down wraps from last", 3, 3, 3, PageKey::PageDown, 1},
        {"page up wraps from first", 3, 3, 1, PageKey::PageUp, 3},
        {"page up mid range", 2, 3, 3, PageKey::PageUp, 2},
        {"home from last", 2, 3, 3, PageKey::Home, 1},
        {"home on first", 3, 3, 1, PageKey::Home, 1},
        {"other key keeps page", 3, 3, 2, PageKey::Other, 2},
        {"page beyond count wraps to 1", 3, 3, 7, PageKey::PageDown, 1},
        {"one-page range stays on 1", 3, 1, 1, PageKey::PageDown, 1},
        {"page up on a one-page range", 2, 1, 1, PageKey::PageUp, 1},
        {"type 0 ignores page down", 0, 1, 1, PageKey::PageDown, 1},
        {"type 1 ignores home", 1, 1, 5, PageKey::Home, 5},
        {"type 1 ignores page up", 1, 1, 1, PageKey::PageUp, 1},
        {"unknown type ignores keys", 7, 4, 2, PageKey::PageDown, 2},
        {"empty range: page down goes to 1", 2, 0, 1, PageKey::PageDown, 1},
        {"empty range: page up goes to count", 2, -2, 1, PageKey::PageUp, -2},
        {"largest page wraps without overflow", 3, INT_MAX, INT_MAX, PageKey::PageDown, 1},
        {"smallest page wraps without overflow", 3, 5, INT_MIN, PageKey::PageUp, 5},
    };
    for (const KeyCase& c : cases) {
        SetChartState(c.jobType, c.pageCount, c.currentPage);
        EXPECT_EQ(PageAfterKey(c.key), c.expected) << c.name;
        EXPECT_EQ(g_currentPage, c.currentPage) << c.name << ": the key alone changes nothing";
    }
}

TEST(AdvancePage, StepsDateRangeJobAndRepaintsEveryView) {
    CCaelvaneDoc doc;
    CountingView first, second;
    doc.AddView(&first);
    doc.AddView(&second);

    SetChartState(3, 3, 2);
    doc.m_currentPage = 2;
    AdvancePage(&doc);
    EXPECT_EQ(g_currentPage, 3);
    EXPECT_EQ(doc.m_currentPage, 3);
    AdvancePage(&doc);
    EXPECT_EQ(g_currentPage, 1);
    EXPECT_EQ(doc.m_currentPage, 1);

    EXPECT_EQ(first.updates, 2);
    EXPECT_EQ(second.updates, 2);
    EXPECT_EQ(first.lastSender, nullptr);
    EXPECT_EQ(first.lastHint, 0);
    doc.RemoveView(&first);
    doc.RemoveView(&second);
}

TEST(AdvancePage, SinglePageJobsOnlyRepaint) {
    for (int jobType : {0, 1}) {
        CCaelvaneDoc doc;
        CountingView view;
        doc.AddView(&view);
        SetChartState(jobType, 1, 1);
        doc.m_currentPage = 1;
        AdvancePage(&doc);
        EXPECT_EQ(doc.m_currentPage, 1) << "job type " << jobType;
        EXPECT_EQ(g_currentPage, 1) << "job type " << jobType;
        EXPECT_EQ(view.updates, 1) << "job type " << jobType;
        doc.RemoveView(&view);
    }
}

TEST(AdvancePage, UsesTheChartStateOfTheLastDrawing) {
    // The step follows the chart state, not the document's own page: with several windows
    // open the chart state is the one the last drawing left.
    CCaelvaneDoc doc;
    doc.m_currentPage = 1;
    SetChartState(2, 6, 4);
    AdvancePage(&doc);
    EXPECT_EQ(doc.m_currentPage, 5);
    EXPECT_EQ(g_currentPage, 5);
}

TEST(AdvancePage, NoDocumentLeavesTheChartStateAlone) {
    SetChartState(3, 3, 2);
    AdvancePage(nullptr);
    EXPECT_EQ(g_currentPage, 2);
}

}  // namespace
