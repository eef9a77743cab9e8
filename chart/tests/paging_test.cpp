#include "chart/paging.h"

#include <gtest/gtest.h>

#include <climits>

#include "chart/chart_state.h"
#include "chart/draw_page.h"
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

ChartState PagingState(int jobType, int pageCount, int currentPage) {
    ChartState state;
    state.jobType = JobTypeOf(jobType);
    state.pageCount = pageCount;
    state.currentPage = currentPage;
    return state;
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
        const ChartState state = PagingState(c.jobType, c.pageCount, c.currentPage);
        EXPECT_EQ(PageAfterKey(state, c.key), c.expected) << c.name;
    }
}

// A date range of `days` days from January 1, 2000 (job type 3) on page `page`.
void MakeRange(CCaelvaneDoc& doc, int days, int page) {
    doc.m_jobType = 3;
    doc.m_startMonth = doc.m_endMonth = 1;
    doc.m_startDay = 1;
    doc.m_startYear = doc.m_endYear = 2000;
    doc.m_endDay = days;
    doc.m_currentPage = page;
}

TEST(PreparePaging, CountsThePagesOfEveryJobType) {
    struct Case {
        const char* name;
        int jobType, daysBefore, daysAfter, endDay, endYear, currentPage;
        int pageCount, page;  // the state's after preparing
    };
    const Case cases[] = {
        {"today", 0, 0, 0, 1, 2000, 4, 1, 1},
        {"one day", 1, 0, 0, 1, 2000, 4, 1, 1},
        {"today -/+", 2, 3, 4, 1, 2000, 2, 8, 2},
        {"range", 3, 0, 0, 31, 2000, 2, 31, 2},
        {"reversed range keeps the count", 3, 0, 0, 1, 1999, 2, 9, 2},
        {"unknown type keeps the count", 7, 0, 0, 31, 2000, 2, 9, 2},
    };
    for (const Case& c : cases) {
        CCaelvaneDoc doc;
        MakeRange(doc, 1, 1);
        doc.m_jobType = c.jobType;
        doc.m_daysBefore = c.daysBefore;
        doc.m_daysAfter = c.daysAfter;
        doc.m_endDay = c.endDay;
        doc.m_endYear = c.endYear;
        doc.m_currentPage = c.currentPage;
        ChartState state;
        state.pageCount = 9;
        PreparePaging(doc, state);
        EXPECT_EQ(state.pageCount, c.pageCount) << c.name;
        EXPECT_EQ(state.currentPage, c.page) << c.name;
        EXPECT_EQ(doc.m_currentPage, c.currentPage) << c.name << ": the job is not written";
    }
}

TEST(AdvancePage, StepsDateRangeJobAndRepaintsEveryView) {
    CCaelvaneDoc doc;
    CountingView first, second;
    doc.AddView(&first);
    doc.AddView(&second);

    MakeRange(doc, 3, 2);
    AdvancePage(&doc);
    EXPECT_EQ(doc.m_currentPage, 3);
    AdvancePage(&doc);
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
        doc.m_jobType = jobType;
        doc.m_currentPage = 1;
        AdvancePage(&doc);
        EXPECT_EQ(doc.m_currentPage, 1) << "job type " << jobType;
        EXPECT_EQ(view.updates, 1) << "job type " << jobType;
        doc.RemoveView(&view);
    }
}

TEST(AdvancePage, EachJobStepsThroughItsOwnPages) {
    // Two jobs open: stepping one follows its own page and count, whatever the other shows.
    CCaelvaneDoc week, year;
    MakeRange(week, 7, 7);
    MakeRange(year, 366, 6);
    year.m_endYear = 2001;
    AdvancePage(&year);
    AdvancePage(&week);
    EXPECT_EQ(week.m_currentPage, 1);
    EXPECT_EQ(year.m_currentPage, 7);
    // TODAY -/+ days: the count comes from the days, not from the clock.
    CCaelvaneDoc span;
    span.m_jobType = 2;
    span.m_daysBefore = 1;
    span.m_daysAfter = 1;
    span.m_currentPage = 3;
    AdvancePage(&span);
    EXPECT_EQ(span.m_currentPage, 1);
}

}  // namespace
