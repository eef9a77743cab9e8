#pragma once
// The four kinds of job, and the days each one's pages show.
#include <cstdint>
#include <optional>

class CCaelvaneDoc;

// A job's type as the job file stores it (CCaelvaneDoc::m_jobType): the values are the stored
// numbers.
enum class JobType : std::int32_t {
    Today = 0,       // one page, the host's local date
    StartDate = 1,   // one page, the start date
    TodayRange = 2,  // a page a day, the days before and after the host's local date
    StartToEnd = 3,  // a page a day from the start date to the end date
};
inline constexpr JobType kLastJobType = JobType::StartToEnd;
inline constexpr int kJobTypeCount = static_cast<int>(kLastJobType) + 1;

// The type a stored number stands for; nothing for a number outside the four (a file may hold
// any number there).
constexpr std::optional<JobType> JobTypeOf(std::int32_t stored) {
    if (stored < 0 || stored > static_cast<std::int32_t>(kLastJobType)) return std::nullopt;
    return static_cast<JobType>(stored);
}
std::optional<JobType> JobTypeOf(const CCaelvaneDoc& doc);

// Whether the job's pages go day by day (the two range types).
constexpr bool IsDateRange(JobType type) {
    return type == JobType::TodayRange || type == JobType::StartToEnd;
}
// Whether the job reads its start date, and its end date.
constexpr bool UsesStartDate(JobType type) {
    return type == JobType::StartDate || type == JobType::StartToEnd;
}
constexpr bool UsesEndDate(JobType type) {
    return type == JobType::StartToEnd;
}

// The days a job's pages show, as JEDs of 0h UT of its first and last day: a range job from its
// start to its end date, a start-date job that one day, a TODAY job `todayJed` (0h UT of the
// host's local date), a TODAY -/+ job the days before and after it. A number outside the four
// counts as TODAY.
void JobDateRange(const CCaelvaneDoc& doc, double todayJed, double& first, double& last);
