// Pages of different jobs drawn at the same time on several threads come out exactly as drawn
// one after another: nothing in the chart is shared between drawings.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

#include "chart/chart_state.h"
#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "test_host.h"

namespace {

using chart_test::CTestHost;
using chart_test::DrawToTrace;

constexpr int kPagesPerJob = 6;

// Four jobs that exercise different parts of the page: a range with natal marks and aspects,
// a TODAY -/+ range with daylight time, a one-day job with the price display and an overlay
// ring, and a range in black with custom aspects.
void MakeJobs(std::array<CCaelvaneDoc, 4>& jobs) {
    CCaelvaneDoc& natal = jobs[0];
    natal.SetTitle("natal.cvj");
    natal.m_jobType = 3;
    natal.m_startMonth = 3, natal.m_startDay = 1, natal.m_startYear = 1987;
    natal.m_endMonth = 4, natal.m_endDay = 30, natal.m_endYear = 1987;
    natal.m_includeAspects = 1;
    natal.m_includeNatal = 1;
    natal.m_natalMonth = 7, natal.m_natalDay = 4, natal.m_natalYear = 1976;

    CCaelvaneDoc& span = jobs[1];
    span.SetTitle("span.cvj");
    span.m_jobType = 2;
    span.m_daysBefore = 10;
    span.m_daysAfter = 20;
    span.m_useDaylightTime = 1;
    span.m_includeAspects = 1;

    CCaelvaneDoc& price = jobs[2];
    price.SetTitle("price.cvj");
    price.m_jobType = 0;
    price.m_priceMonitorOn = 1;
    price.m_price = 1234.5;
    price.m_priceDegree = 52.5;
    price.m_priceHour = 15;
    price.m_priceMinute = 30;
    price.m_overlayEnabled = 1;
    price.m_overlayParts = 36;
    price.m_overlayStartDegree = 12.5;
    price.m_overlayFirstValue = 100;
    price.m_overlayStepSize = 5;
    price.m_includeAspects = 1;

    CCaelvaneDoc& black = jobs[3];
    black.SetTitle("black.cvj");
    black.m_jobType = 3;
    black.m_startMonth = 12, black.m_startDay = 25, black.m_startYear = 2026;
    black.m_endMonth = 1, black.m_endDay = 10, black.m_endYear = 2027;
    black.m_useColor = 0;
    black.m_includeAspects = 1;
    black.m_customAspect[0] = 51.43;
    black.m_customAspectEnabled[0] = 1;
}

// Pages 1..kPagesPerJob of `doc`, drawn with one state as a view pages through them.
std::vector<std::string> DrawPages(CCaelvaneDoc& doc, const caelvane::TimeZoneRule& rule) {
    CTestHost host;
    host.rule = rule;
    ChartState state;
    std::vector<std::string> traces;
    for (int page = 1; page <= kPagesPerJob; ++page) {
        doc.m_currentPage = page;
        traces.push_back(DrawToTrace(doc, state, host));
    }
    return traces;
}

TEST(ConcurrentDrawing, PagesOfDifferentJobsMatchTheirSingleThreadedTraces) {
    const caelvane::TimeZoneRule rule = chart_test::NorthernRule();
    std::array<CCaelvaneDoc, 4> sequential;
    MakeJobs(sequential);
    std::array<std::vector<std::string>, 4> expected;
    for (std::size_t j = 0; j < sequential.size(); ++j) {
        expected[j] = DrawPages(sequential[j], rule);
        ASSERT_EQ(expected[j].size(), static_cast<std::size_t>(kPagesPerJob));
    }
    // The jobs really differ, so a drawing that read another thread's values would show.
    for (std::size_t j = 1; j < expected.size(); ++j) EXPECT_NE(expected[j][0], expected[0][0]);

    // Each thread draws its own copy of every job, in its own order, several times.
    constexpr int kThreads = 4;
    constexpr int kRounds = 5;
    std::array<std::vector<std::string>, kThreads> failures;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &rule, &expected, &failures] {
            std::array<CCaelvaneDoc, 4> jobs;
            MakeJobs(jobs);
            for (int round = 0; round < kRounds; ++round) {
                for (std::size_t k = 0; k < jobs.size(); ++k) {
                    const std::size_t j = (k + static_cast<std::size_t>(t)) % jobs.size();
                    if (DrawPages(jobs[j], rule) != expected[j]) {
                        failures[t].push_back("job " + std::to_string(j) + ", round " +
                                              std::to_string(round));
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_TRUE(failures[t].empty()) << failures[t].front();
}

}  // namespace
