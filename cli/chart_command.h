#pragma once
// caelvane-cli chart new | chart show: horoscope files from the command line.
#include <optional>
#include <string>
#include <vector>

#include "natal/chart_file.h"
#include "natal/natal_chart.h"

namespace cli {

extern const char* const kChartUsage;
extern const char* const kChartHelp;
int RunChart(const std::vector<std::string>& args);

// The chart as `chart show` prints it: JSON with the keys utc, jd_ut, zone, offset, points
// (name, longitude, latitude, speed, declination, sign, house) and houses (system, cusps, asc,
// mc, vertex); or CSV, a row per point and per angle and cusp.
std::string ChartJson(const natal::NatalChart& chart);
std::string ChartCsv(const natal::NatalChart& chart);

// Loads `path` and picks the chart named `name` (the only chart when `name` is empty). On
// failure returns the exit status after printing the message as `command`.
std::optional<natal::Horoscope> PickChart(const char* command, const std::string& path,
                                          const std::string& name, int& status);

}  // namespace cli
