#pragma once
// The aspects a job counts as significant, as angles for the event finder.

#include <vector>

class CCaelvaneDoc;

namespace events {

// The forward arcs, degrees in [0, 360), ascending and without repeats: each of the twenty
// fixed angles whose flag is set, and each enabled custom angle (taken modulo 360), exactly as
// the chart's aspect tables count a flag (the value 1) as set.
std::vector<double> SignificantAngles(const CCaelvaneDoc& doc);

// The twenty fixed angles, ascending.
std::vector<double> AllFixedAngles();

}  // namespace events
