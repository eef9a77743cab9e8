#pragma once
// The host's daylight-saving rule as the two transition records the calendar works with.
//
// Sources, in order: TZ when it holds a POSIX rule ("CET-1CEST,M3.5.0,M10.5.0/3"); otherwise the
// rule in the footer of the zone's TZif file (TZ=Area/City or TZ=:Area/City under the zoneinfo
// folder, an absolute path, or /etc/localtime when TZ is unset). A zone without daylight time,
// or one that cannot be read, reports a standard-time month of 0.
//
// Mm.w.d[/time] becomes a relative record: year 0, month m, dayOfWeek d, day w (5 = the last),
// hour and minute from the time (02:00 when none is given; the sign of a negative time is
// carried by both fields, and hours above 23 are kept as given). The first rule of the POSIX
// string is the daylight record, the second the standard one.
// Jn (day 1..365, February 29 never counted) and n (day 0..365) become absolute records (year 1,
// which the calendar ignores, with the month and day of that day in a common year). For Jn that
// is exact every year; n counts February 29, so in leap years it lands one day late from March on.

#include <optional>
#include <string>
#include <string_view>

#include "ephemeris/calendar.h"

namespace caelvane {

inline constexpr const char* kZoneInfoDir = "/usr/share/zoneinfo";
inline constexpr const char* kLocalTimePath = "/etc/localtime";

// A rule for a zone without daylight saving time (standard month 0).
TimeZoneRule NoDaylightSavingRule();

// The rule of a POSIX TZ string; nullopt when the text is not one.
std::optional<TimeZoneRule> ParsePosixTimeZone(std::string_view text);

// The POSIX TZ string at the end of TZif data (version 2 and later); nullopt for data that is
// not TZif, is cut short, or is version 1 (no footer). An empty footer (no rule) gives "".
std::optional<std::string> TzifFooter(std::string_view data);

// The rule of a TZif file; nullopt when it cannot be read or holds no readable rule. An empty
// footer reads as a zone without daylight saving.
std::optional<TimeZoneRule> TimeZoneRuleFromFile(const std::string& path);

// The rule for a value of TZ (nullptr: TZ is unset), looking zone names up under zoneInfoDir and
// falling back to localTimePath.
TimeZoneRule TimeZoneRuleFromEnvironment(const char* tzValue,
                                         const std::string& zoneInfoDir = kZoneInfoDir,
                                         const std::string& localTimePath = kLocalTimePath);

// The rule of this process's zone: TZ, TZDIR (default /usr/share/zoneinfo) and /etc/localtime.
TimeZoneRule HostTimeZoneRule();

}  // namespace caelvane
