#include "job/job_type.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>

#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"

namespace {

// The numbers are the job file's: a type read back from a file must mean what it meant.
TEST(JobType, StoredNumbersAndTheRest) {
    const struct {
        std::int32_t stored;
        std::optional<JobType> type;
    } cases[] = {
        {0, JobType::Today},      {1, JobType::StartDate}, {2, JobType::TodayRange},
        {3, JobType::StartToEnd}, {-1, std::nullopt},      {4, std::nullopt},
        {INT_MIN, std::nullopt},  {INT_MAX, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JobTypeOf(c.stored), c.type) << c.stored;
        if (c.type) {
            EXPECT_EQ(static_cast<std::int32_t>(*c.type), c.stored);
        }
    }
}

TEST(JobType, WhichDatesEachTypeReads) {
    const struct {
        JobType type;
        bool range, start, end;
    } cases[] = {
        {JobType::Today, false, false, false},
        {JobType::StartDate, false, true, false},
        {JobType::TodayRange, true, false, false},
        {JobType::StartToEnd, true, true, true},
    };
    for (const auto& c : cases) {
        const int stored = static_cast<int>(c.type);
        EXPECT_EQ(IsDateRange(c.type), c.range) << stored;
        EXPECT_EQ(UsesStartDate(c.type), c.start) << stored;
        EXPECT_EQ(UsesEndDate(c.type), c.end) << stored;
    }
}

TEST(JobDateRange, EachTypeAndANumberOutsideThem) {
    const double today = JulianDate(3, 10, 2024, 0, 0);
    const double start = JulianDate(2, 1, 2024, 0, 0);
    const double end = JulianDate(2, 29, 2024, 0, 0);
    const struct {
        const char* name;
        std::int32_t stored;
        double first, last;
    } cases[] = {
        {"today", 0, today, today},
        {"start date", 1, start, start},
        {"days around today", 2, today - 3, today + 5},
        {"start to end", 3, start, end},
        {"unknown type counts as today", 9, today, today},
        {"negative type counts as today", -1, today, today},
    };
    for (const auto& c : cases) {
        CCaelvaneDoc doc;
        doc.m_jobType = c.stored;
        doc.m_startMonth = 2;
        doc.m_startDay = 1;
        doc.m_startYear = 2024;
        doc.m_endMonth = 2;
        doc.m_endDay = 29;
        doc.m_endYear = 2024;
        doc.m_daysBefore = 3;
        doc.m_daysAfter = 5;
        double first = 0, last = 0;
        JobDateRange(doc, today, first, last);
        EXPECT_EQ(first, c.first) << c.name;
        EXPECT_EQ(last, c.last) << c.name;
    }
}

}  // namespace
