#pragma once
// Price bars as the chart and the readers share them.
#include <cstdint>
#include <string>
#include <vector>

#include "ephemeris/calendar.h"
#include "prices/bar_store.h"

namespace prices {

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

struct PriceSeries {
    std::string name;  // the file's name, for titles
    CBarStore bars;
    bool intraday = false;   // some bar has a time of day other than midnight
    bool hasOhlc = false;    // the file gave open, high and low (else all four are the close)
    bool hasVolume = false;  // the file has a volume column
};

}  // namespace prices
