#include "job/job_type.h"

#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"

std::optional<JobType> JobTypeOf(const CCaelvaneDoc& doc) {
    return JobTypeOf(doc.m_jobType);
}

void JobDateRange(const CCaelvaneDoc& doc, double todayJed, double& first, double& last) {
    switch (JobTypeOf(doc).value_or(JobType::Today)) {
        case JobType::StartToEnd:
            first = JulianDate(doc.m_startMonth, doc.m_startDay, doc.m_startYear, 0, 0);
            last = JulianDate(doc.m_endMonth, doc.m_endDay, doc.m_endYear, 0, 0);
            return;
        case JobType::StartDate:
            first = last = JulianDate(doc.m_startMonth, doc.m_startDay, doc.m_startYear, 0, 0);
            return;
        case JobType::TodayRange:
            first = todayJed - doc.m_daysBefore;
            last = todayJed + doc.m_daysAfter;
            return;
        case JobType::Today:
            first = last = todayJed;
            return;
    }
}
