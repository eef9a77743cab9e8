#pragma once
// caelvane-cli render-chart: the natal wheel of a horoscope, with an optional second ring.
#include <string>
#include <vector>

namespace cli {

extern const char* const kRenderChartUsage;
extern const char* const kRenderChartHelp;
int RunRenderChart(const std::vector<std::string>& args);

}  // namespace cli
