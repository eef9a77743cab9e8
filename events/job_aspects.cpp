#include "events/job_aspects.h"

#include <algorithm>
#include <cmath>

#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"

namespace caelvane::events {

namespace {
void SortUnique(std::vector<double>& angles) {
    std::sort(angles.begin(), angles.end());
    angles.erase(std::unique(angles.begin(), angles.end()), angles.end());
}
}  // namespace

std::vector<double> SignificantAngles(const CCaelvaneDoc& doc) {
    std::vector<double> angles;
    for (int index = 0; index < 20; ++index)
        if (doc.m_aspectSelected[index] == 1) angles.push_back(kAspectAngleByIndex[index]);
    for (int slot = 0; slot < 4; ++slot) {
        if (doc.m_customAspectEnabled[slot] != 1) continue;
        const double angle = doc.m_customAspect[slot];
        if (!std::isfinite(angle)) continue;
        double folded = std::fmod(angle, 360);
        if (folded < 0) folded += 360;
        if (folded >= 360) folded = 0;
        angles.push_back(folded);
    }
    SortUnique(angles);
    return angles;
}

std::vector<double> AllFixedAngles() {
    std::vector<double> angles(std::begin(kAspectAngleByIndex), std::end(kAspectAngleByIndex));
    SortUnique(angles);
    return angles;
}

void JobDateRange(const CCaelvaneDoc& doc, double todayJed, double& first, double& last) {
    switch (doc.m_jobType) {
        case 3:
            first = JulianDate(doc.m_startMonth, doc.m_startDay, doc.m_startYear, 0, 0);
            last = JulianDate(doc.m_endMonth, doc.m_endDay, doc.m_endYear, 0, 0);
            return;
        case 1:
            first = last = JulianDate(doc.m_startMonth, doc.m_startDay, doc.m_startYear, 0, 0);
            return;
        case 2:
            first = todayJed - doc.m_daysBefore;
            last = todayJed + doc.m_daysAfter;
            return;
        default:
            first = last = todayJed;
            return;
    }
}

}  // namespace caelvane::events
