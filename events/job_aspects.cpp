#include "events/job_aspects.h"

#include <algorithm>
#include <cmath>

#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"

namespace events {

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

}  // namespace events
