// The drawing routine of a page: date selection by job type, the date-order check, the job
// block and the order of the page's elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "chart/chart_state.h"
#include "chart/tests/test_host.h"
#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"
#include "job/job_text.h"

namespace {

using chart_test::CTestHost;
using chart_test::DrawToTrace;
using chart_test::SplitLines;

std::vector<std::string> TextsOf(const std::vector<std::string>& lines) {
    std::vector<std::string> texts;
    for (const std::string& line : lines)
        if (line.rfind("text ", 0) == 0 || line.rfind("message ", 0) == 0) texts.push_back(line);
    return texts;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

struct DateCase {
    const char* name;
    int jobType;
    int currentPage;
    int daysBefore, daysAfter;
    int priceMonitorOn, priceHour, priceMinute;
    // expected
    const char* pageLine;
    const char* typeLine;
    const char* dateLine;
    const char* jedLine;
    int pageCount;
};

// Start 1 18 2000, end 1 20 2000, today 1 18 2000 (a Tuesday) unless a case says otherwise.
// JEDs follow from the calendar rules: 2000-01-18 17:00 UT is 2451562.208 (2000-01-01 0h UT is
// 2451544.5, 17 days and 17/24 before), a day earlier or later one less or more.
const DateCase kDateCases[] = {
    {"type 0 today at 17:00", 0, 4, 0, 0, 0, 0, 0, "page 1 of 1", "Type is One Day : Today",
     "01 18 2000 17:00 UT", "TUESDAY  2451562.208 JED 2", 1},
    {"type 0 with the price time", 0, 1, 0, 0, 1, 14, 0, "page 1 of 1", "Type is One Day : Today",
     "01 18 2000 07:00 UT", "TUESDAY  2451561.792 JED 2", 1},
    {"type 0 price hour below 7", 0, 1, 0, 0, 1, 3, 5, "page 1 of 1", "Type is One Day : Today",
     "01 18 2000 -4:05 UT", "MONDAY  2451561.337 JED 1", 1},
    {"type 1 start date", 1, 3, 0, 0, 1, 3, 5, "page 1 of 1", "Type is One Day : Starting MDY",
     "01 18 2000 17:00 UT", "TUESDAY  2451562.208 JED  ", 1},
    {"type 2 first page is today minus days before", 2, 1, 2, 3, 0, 0, 0, "page 1 of 6",
     "Type is Today minus/plus", "01 16 2000 17:00 UT", "SUNDAY  2451560.208 JED  ", 6},
    {"type 2 last page", 2, 6, 2, 3, 0, 0, 0, "page 6 of 6", "Type is Today minus/plus",
     "01 21 2000 17:00 UT", "FRIDAY  2451565.208 JED  ", 6},
    {"type 3 second page", 3, 2, 0, 0, 0, 0, 0, "page 2 of 3", "Type is Starting MDY to Ending MDY",
     "01 19 2000 17:00 UT", "WEDNESDAY  2451563.208 JED  ", 3},
    {"type 3 page beyond the last day", 3, 5, 0, 0, 0, 0, 0, "page 5 of 3",
     "Type is Starting MDY to Ending MDY", "01 22 2000 17:00 UT", "SATURDAY  2451566.208 JED  ", 3},
};

TEST(DrawChartPage, SelectsThePageDateForEveryJobType) {
    for (const DateCase& c : kDateCases) {
        SCOPED_TRACE(c.name);
        CCaelvaneDoc doc;
        doc.SetTitle("range.cvj");
        doc.m_jobType = c.jobType;
        doc.m_currentPage = c.currentPage;
        doc.m_daysBefore = c.daysBefore;
        doc.m_daysAfter = c.daysAfter;
        doc.m_endDay = 20;
        doc.m_priceMonitorOn = c.priceMonitorOn;
        doc.m_priceHour = c.priceHour;
        doc.m_priceMinute = c.priceMinute;
        CTestHost host;
        ChartState state;
        const std::vector<std::string> texts = TextsOf(SplitLines(DrawToTrace(doc, state, host)));

        EXPECT_TRUE(host.messages.empty());
        EXPECT_TRUE(Contains(texts, "text 550 9400 \"Job: range.cvj \""));
        EXPECT_TRUE(Contains(texts, std::string("text 3450 9300 \"") + c.pageLine + "\""));
        EXPECT_TRUE(Contains(texts, std::string("text 3450 4800 \"") + c.pageLine + "\""));
        EXPECT_TRUE(Contains(texts, std::string("text 550 9200 \"") + c.typeLine + "\""));
        EXPECT_TRUE(Contains(texts, std::string("text 550 9000 \"") + c.dateLine + "\""));
        EXPECT_TRUE(Contains(texts, std::string("text 550 4500 \"") + c.dateLine + "\""));
        EXPECT_TRUE(Contains(texts, std::string("text 550 8800 \"") + c.jedLine + "\""));
        EXPECT_TRUE(Contains(texts, std::string("text 550 4300 \"") + c.jedLine + "\""));
        EXPECT_EQ(doc.m_pageCount, c.pageCount);
        EXPECT_EQ(state.pageCount, c.pageCount);
    }
}

// A reversed range shows its message and ends the page at once: type 2 keeps the job, page
// and type lines it drew before the check, type 3 draws no job line at all.
TEST(DrawChartPage, ReversedRangeEndsThePageWithTheMessage) {
    struct Case {
        const char* name;
        int jobType;
        std::vector<std::string> jobLines;  // after the captions, up to the message
    };
    const Case cases[] = {
        {"type 2 with days before plus after below zero",
         2,
         {"text 550 9400 \"Job: job.cvj \"", "text 3450 9300 \"page -2 of -2\"",
          "text 3450 4800 \"page -2 of -2\"", "text 550 9200 \"Type is Today minus/plus\""}},
        {"type 3 ending a day before its start", 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCaelvaneDoc doc;
        doc.SetTitle("job.cvj");
        doc.m_jobType = c.jobType;
        doc.m_currentPage = -2;
        doc.m_daysBefore = -3;  // type 2: starts 3 days after today, ends today
        doc.m_endDay = 17;      // type 3: ends 1 17 2000, a day before the start
        doc.m_pageCount = 77;
        CTestHost host;
        const std::vector<std::string> lines = SplitLines(DrawToTrace(doc, host));

        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0],
                  "The ending date is before the starting date\nGo to Job Options Menu and "
                  "Reenter");
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2],
                  "message \"The ending date is before the starting date\\x0aGo to Job Options "
                  "Menu and Reenter\"");
        EXPECT_EQ(lines.back(), "end");

        const std::vector<std::string> texts = TextsOf(lines);
        const std::size_t afterCaptions = IndexOf(texts, "text 3400 5000 \"GEOCENTRIC\"") + 1;
        ASSERT_LE(afterCaptions, texts.size());
        const std::vector<std::string> drawn(texts.begin() + afterCaptions, texts.end() - 1);
        EXPECT_EQ(drawn, c.jobLines);
        // The page count is not written back when the page ends early.
        EXPECT_EQ(doc.m_pageCount, 77);
    }
}

// The drawing reads the job and hands the page count back; a reversed range has none.
TEST(DrawChartPage, ReturnsThePageCountAndLeavesTheJobAlone) {
    struct Case {
        const char* name;
        int jobType;
        int daysBefore, daysAfter;
        int endDay;  // of January 2000; the range starts on the 18th
        std::optional<int> pages;
    };
    const Case cases[] = {
        {"one day", 1, 0, 0, 18, 1},
        {"today", 0, 0, 0, 18, 1},
        {"today minus and plus", 2, 2, 3, 18, 6},
        {"a range of 14 days", 3, 0, 0, 31, 14},
        {"a reversed range", 3, 0, 0, 17, std::nullopt},
        {"minus and plus below zero", 2, -3, 0, 18, std::nullopt},
    };
    for (const Case& c : cases) {
        CCaelvaneDoc doc;
        doc.m_jobType = c.jobType;
        doc.m_daysBefore = c.daysBefore;
        doc.m_daysAfter = c.daysAfter;
        doc.m_startMonth = doc.m_endMonth = 1;
        doc.m_startDay = 18;
        doc.m_startYear = doc.m_endYear = 2000;
        doc.m_endDay = c.endDay;
        doc.m_pageCount = 77;
        const std::string before = JobToText(doc);
        CTestHost host;
        ChartState state;
        CTraceDevice device;
        EXPECT_EQ(DrawChartPage(doc, state, device, host), c.pages) << c.name;
        EXPECT_EQ(JobToText(doc), before) << c.name;
        EXPECT_EQ(doc.m_pageCount, 77) << c.name;
    }
}

TEST(DrawChartPage, EqualDatesGiveOnePage) {
    CCaelvaneDoc doc;
    doc.m_jobType = 3;
    CTestHost host;
    DrawToTrace(doc, host);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(doc.m_pageCount, 1);
}

TEST(DrawChartPage, JobTypeOutsideTheFourDrawsNoJobBlockAndKeepsTheLastDate) {
    for (const int stored : {7, 4, -1, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(stored);
        CCaelvaneDoc doc;
        doc.m_jobType = 3;
        doc.m_endDay = 20;
        doc.m_currentPage = 2;
        CTestHost host;
        ChartState state;
        DrawToTrace(doc, state, host);
        const double lastJed = state.pageJed;

        doc.m_jobType = stored;
        doc.m_startYear = 1990;
        const std::vector<std::string> lines = SplitLines(DrawToTrace(doc, state, host));
        EXPECT_FALSE(state.jobType.has_value());
        EXPECT_FALSE(state.IsDateRange());
        for (const std::string& text : TextsOf(lines)) {
            EXPECT_EQ(text.find("Job:"), std::string::npos) << text;
            EXPECT_EQ(text.find("page "), std::string::npos) << text;
        }
        EXPECT_EQ(state.pageJed, lastJed);
        EXPECT_EQ(doc.m_pageCount, 3);
        EXPECT_EQ(lines.back(), "end");
        // The job keeps the number it holds.
        EXPECT_EQ(doc.m_jobType, stored);
    }
}

TEST(DrawChartPage, NatalLineAndAspectCaptionsFollowTheOptions) {
    struct Case {
        const char* name;
        unsigned char aspects, natal;
        std::vector<std::string> expected;  // texts from the natal line to the first sign letter
    };
    const Case cases[] = {
        {"natal off",
         1,
         0,
         {"text 550 8600 \"Note: \"", "text 1530 8170 \"CURRENT TO CURRENT\"",
          "text 1530 3670 \"CURRENT TO CURRENT\""}},
        {"natal on",
         1,
         1,
         {"text 550 8400 \"Natal Date: 07 04 1976 \"", "text 550 8600 \"Note: \"",
          "text 1530 8170 \"CURRENT TO NATAL\"", "text 1530 3670 \"CURRENT TO NATAL\"",
          "text 6600 5190 \"<- NATAL\"", "text 6600 690 \"<- NATAL\""}},
        {"aspects off",
         0,
         1,
         {"text 550 8400 \"Natal Date: 07 04 1976 \"", "text 550 8600 \"Note: \""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCaelvaneDoc doc;
        doc.m_includeAspects = c.aspects;
        doc.m_includeNatal = c.natal;
        doc.m_natalMonth = 7;
        doc.m_natalDay = 4;
        doc.m_natalYear = 1976;
        CTestHost host;
        ChartState state;
        const std::vector<std::string> texts = TextsOf(SplitLines(DrawToTrace(doc, state, host)));
        const std::size_t from = IndexOf(texts, "text 550 4300 \"TUESDAY  2451562.208 JED  \"") + 1;
        const std::size_t to = from + c.expected.size();
        ASSERT_LE(to, texts.size());
        EXPECT_EQ(std::vector<std::string>(texts.begin() + from, texts.begin() + to), c.expected);
        // Next comes the first sign letter.
        ASSERT_LT(to, texts.size());
        EXPECT_EQ(texts[to].rfind("text 7070 7862 ", 0), 0u) << texts[to];
        if (c.natal) {
            EXPECT_EQ(state.natalJed, JulianDate(7, 4, 1976, 17, 0));
        }
    }
}

TEST(DrawChartPage, UseColorOffDrawsEverythingBlack) {
    CCaelvaneDoc doc;
    doc.m_useColor = 0;
    doc.m_includeNatal = 1;
    doc.m_overlayEnabled = 1;
    doc.m_priceMonitorOn = 1;
    doc.m_priceDegree = 45;
    CTestHost host;
    const std::vector<std::string> lines = SplitLines(DrawToTrace(doc, host));
    int colors = 0;
    for (const std::string& line : lines) {
        if (line.rfind("color ", 0) != 0) continue;
        ++colors;
        EXPECT_EQ(line, "color 00000000");
    }
    EXPECT_GT(colors, 50);
}

TEST(DrawChartPage, ElementsComeInTheirFixedOrder) {
    CCaelvaneDoc doc;
    doc.m_includeNatal = 1;
    doc.m_overlayEnabled = 1;
    doc.m_priceMonitorOn = 1;
    doc.m_priceHour = 14;
    doc.m_priceMinute = 0;
    doc.m_price = 0.0;
    doc.SetTitle("job.cvj");
    CTestHost host;
    const std::vector<std::string> lines = SplitLines(DrawToTrace(doc, host));
    // One landmark of each step, in drawing order.
    const std::vector<std::string> landmarks = {
        "begin",
        "line 500 500 7500 500",                                // border
        "text 1000 9950 \"Caelvane-THE Graphical Ephemeris\"",  // title
        "text 550 9400 \"Job: job.cvj \"",                      // job block
        "text 1530 8170 \"CURRENT TO NATAL\"",                  // aspect captions
        "font Arial 110 1",                                     // sign letters
        "font Arial 130 0",                                     // bodies
        "circle 5700 3300 450 0",                               // hour dial
        "text 550 4100 \"Price=   0.000 at   0.00 degrees\"",   // price marks
        "circle 5700 3300 1710 0",                              // overlay ring
        "font Arial 150 0",                                     // latitude column
        "circle 6900 3300 30 1",                                // hot spot dot 1 on the lower wheel
        "font Arial 160 1",                                     // aspect tables
        "text 6400 1500 \"Moon Inc.\"",                         // Moon scale
        "end",
    };
    std::size_t at = 0;
    for (const std::string& landmark : landmarks) {
        const auto found = std::find(lines.begin() + static_cast<long>(at), lines.end(), landmark);
        ASSERT_NE(found, lines.end()) << "missing or out of order: " << landmark;
        at = static_cast<std::size_t>(found - lines.begin());
    }
    EXPECT_EQ(lines.back(), "end");
}

// Long titles and notes are shortened to fit the 100-character line buffer; the line shows
// that it was cut.
TEST(DrawChartPage, LongTitleAndNoteAreShortenedToTheLineBuffer) {
    CCaelvaneDoc doc;
    doc.SetTitle(std::string(500, 'T'));
    doc.m_note = std::string(300, 'n');
    CTestHost host;
    const std::vector<std::string> texts = TextsOf(SplitLines(DrawToTrace(doc, host)));
    const std::string jobLine = "text 550 9400 \"Job: " + std::string(90, 'T') + "... \"";
    const std::string noteLine = "text 550 8600 \"Note: " + std::string(90, 'n') + "...\"";
    EXPECT_TRUE(Contains(texts, jobLine));
    EXPECT_TRUE(Contains(texts, noteLine));

    doc.SetTitle(std::string(93, 'x'));  // exactly fills the buffer: kept whole
    const std::vector<std::string> fitting = TextsOf(SplitLines(DrawToTrace(doc, host)));
    EXPECT_TRUE(Contains(fitting, "text 550 9400 \"Job: " + std::string(93, 'x') + " \""));
}

// Fields from a file are not checked: page counts and dates far outside the dialog ranges
// still give defined pages.
TEST(DrawChartPage, ExtremeRangesGiveDefinedPageCounts) {
    struct Case {
        const char* name;
        int jobType, daysBefore, daysAfter, startYear, endYear, currentPage;
        int pageCount;
    };
    const Case cases[] = {
        {"type 2, days at the int limits", 2, INT_MAX, INT_MAX, 2000, 2000, 1, INT_MAX},
        {"type 2, days before at INT_MIN", 2, INT_MIN, 0, 2000, 2000, 1, INT_MIN + 1},
        {"type 3 across four billion years", 3, 0, 0, -2000000000, 2000000000, INT_MAX, INT_MAX},
        {"type 3, page at INT_MIN", 3, 0, 0, 2000, 2001, INT_MIN, 367},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCaelvaneDoc doc;
        doc.m_jobType = c.jobType;
        doc.m_daysBefore = c.daysBefore;
        doc.m_daysAfter = c.daysAfter;
        doc.m_startYear = c.startYear;
        doc.m_endYear = c.endYear;
        doc.m_currentPage = c.currentPage;
        CTestHost host;
        ChartState state;
        const std::vector<std::string> lines = SplitLines(DrawToTrace(doc, state, host));
        EXPECT_EQ(state.pageCount, c.pageCount);
        EXPECT_EQ(lines.back(), "end");
    }
}

}  // namespace
