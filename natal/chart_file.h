#pragma once
// The horoscope file: many charts in one JSON document,
//
//   {"format": "caelvane-horoscopes", "version": 1,
//    "charts": [{"name": "London birth", "date": "1975-06-14", "time": "08:30:00",
//                "place": {"name": "London", "latitude": 51.50853, "longitude": -0.12574},
//                "zone": "Europe/London", "houses": "placidus"}, ...]}
//
// "time" is null for a time not known; "choice" ("earlier" or "later") is there only for a
// local time that a daylight-saving change made ambiguous or skipped. Readers refuse another
// format, a later version, and any chart with a missing or wrong field, naming the chart and
// the field; nothing of a refused file is taken. Writers replace the file atomically.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "natal/horoscope.h"

namespace natal {

inline constexpr const char* kChartFileFormat = "caelvane-horoscopes";
inline constexpr int kChartFileVersion = 1;
// Larger files are refused unread: thousands of charts take a few hundred kilobytes.
inline constexpr std::size_t kMaxChartFileBytes = 16u << 20;

// The document's text, and back. ReadChartText's error names no file.
std::string ChartFileText(const std::vector<Horoscope>& charts);
bool ReadChartText(std::string_view text, std::vector<Horoscope>& charts, std::string& error);

// The file at `path`; the error names it. A missing file is an error too (see
// ChartFileExists for callers that create one).
bool LoadChartFile(const std::string& path, std::vector<Horoscope>& charts, std::string& error);
bool SaveChartFile(const std::string& path, const std::vector<Horoscope>& charts,
                   std::string& error);
bool ChartFileExists(const std::string& path);

// The index of the chart named `name` (the first, when several are), or -1.
int FindChart(const std::vector<Horoscope>& charts, std::string_view name);
// A name not yet in `charts`: `base`, else "base (2)", "base (3)", ...
std::string UnusedName(const std::vector<Horoscope>& charts, const std::string& base);

}  // namespace natal
