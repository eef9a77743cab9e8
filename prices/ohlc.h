#pragma once
// Price bars as the chart and the readers share them.
#include <cstdint>
#include <string>
#include <vector>

#include "ephemeris/calendar.h"

namespace prices {

// Seconds since 1970-01-01 00:00 UT. Files carry no zone: their clock is taken as UT, which is
// what the positions are computed for.
using UnixSeconds = std::int64_t;

inline constexpr double kUnixEpochJed = 2440587.5;

inline double JedOfSeconds(UnixSeconds seconds) {
    return kUnixEpochJed + static_cast<double>(seconds) / 86400.0;
}
inline double JedOfSeconds(double seconds) {
    return kUnixEpochJed + seconds / 86400.0;
}

// Days since 1970-01-01 of a proleptic Gregorian date (negative before), and back.
using ::CivilFromDays;
using ::DaysFromCivil;

struct Bar {
    UnixSeconds time = 0;
    double open = 0.0;
    double high = 0.0;
    double low = 0.0;
    double close = 0.0;
    double volume = 0.0;  // 0 when the file has no volume column
};

struct PriceSeries {
    std::string name;  // the file's name, for titles
    std::vector<Bar> bars;
    bool intraday = false;   // some bar has a time of day other than midnight
    bool hasOhlc = false;    // the file gave open, high and low (else all four are the close)
    bool hasVolume = false;  // the file has a volume column
};

}  // namespace prices
