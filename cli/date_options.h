#pragma once
// The dates every sub-command reads: ISO days of the proleptic Gregorian calendar (astronomical
// years, so 0000 is 1 BCE), through the one civil calendar of the ephemeris library.
#include <cstdint>
#include <optional>
#include <string>

#include "ephemeris/calendar.h"

namespace cli {

using Date = caelvane::CivilDate;

// YYYY-MM-DD with exactly those digits, a day that exists, years 0000 to 9999.
std::optional<Date> ParseDate(const std::string& text);
// The same date as days since 1970-01-01 (negative before), the day numbers of bar files.
std::optional<std::int64_t> ParseDayNumber(const std::string& text);

}  // namespace cli
