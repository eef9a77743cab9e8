#pragma once
// From a local civil date and time at a place to the universal instant, as the IANA time-zone
// database of the system has the zone's history (read through the date library's OS tzdb), or
// by a fixed offset typed as "+05:30".
//
// Dates are proleptic Gregorian; times are wall-clock times in the zone. The instant is UTC in
// whole seconds since 1970-01-01 (leap seconds not counted), which the charts take as UT.
// Before a zone's first standard time (the database's "LMT" period) the offset is the local
// mean time of the birthplace's own longitude (4 minutes of time per degree, east ahead), not
// that of the zone's reference city, and the resolution says so.
#include <cstdint>
#include <string>
#include <string_view>

#include "ephemeris/calendar.h"

namespace natal {

struct LocalDateTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;   // 0..23
    int minute = 0;
    int second = 0;
};

// Which reading of a local time to take where a daylight-saving change makes it ambiguous
// (clocks set back: it happens twice) or skipped (clocks set forward: it never happens).
// Earlier: the offset in force before the change; Later: the one after it. For an ambiguous
// time the earlier reading is also the earlier instant.
enum class LocalTimeChoice { None, Earlier, Later };

const char* ChoiceName(LocalTimeChoice choice);  // "", "earlier", "later"
bool ParseChoice(std::string_view text, LocalTimeChoice& choice);

enum class LocalTimeKind { Unique, Ambiguous, Skipped };

struct ZoneResolution {
    bool ok = false;
    std::string error;            // why not, naming the value
    std::int64_t utcSeconds = 0;  // seconds since 1970-01-01T00:00:00Z
    int offsetSeconds = 0;        // local time minus UTC
    std::string abbreviation;     // "EST", "BDST", "LMT", or the fixed offset as typed
    bool fixedOffset = false;
    bool localMeanTime = false;  // the offset is the birthplace's local mean time
    LocalTimeKind kind = LocalTimeKind::Unique;
    int offsetBefore = 0;  // for an ambiguous or skipped time: the offsets either side
    int offsetAfter = 0;
    std::string note;  // a line for the chart: the LMT used, the reading chosen
};

// Whether `text` is a fixed offset: "+HH:MM", "-HH:MM" (also with ":SS"), up to 15 hours.
bool ParseFixedOffset(std::string_view text, int& seconds);
// "+05:30", "-04:56:02" (seconds only when there are any).
std::string FormatOffset(int seconds);
// Whether the system's database knows the zone, or the text is a fixed offset.
bool ZoneIsKnown(const std::string& zone);

// The instant of `local` in `zone` (an IANA name such as "Europe/London", or a fixed offset) at
// a birthplace of `longitude` degrees (east positive). An ambiguous or skipped time without a
// choice fails, naming the time, the zone and the two offsets.
ZoneResolution ResolveLocalTime(const LocalDateTime& local, const std::string& zone,
                                double longitude, LocalTimeChoice choice);

// The local civil time of a UTC instant in the zone, as ResolveLocalTime reads it back (the
// birthplace's LMT included). False for an unknown zone.
bool LocalTimeOf(std::int64_t utcSeconds, const std::string& zone, double longitude,
                 LocalDateTime& local, int& offsetSeconds);

// Days since 1970-01-01 of a proleptic Gregorian date, and back: the civil calendar's.
using ::CivilFromDays;
using ::DaysFromCivil;
// Whether the date exists (month 1..12, day within it, year -9999..9999).
bool IsValidDate(int year, int month, int day);

}  // namespace natal
