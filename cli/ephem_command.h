#pragma once
// caelvane-cli ephem: its argument parsing and its two tables.
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/date_options.h"
#include "ephemeris/position_source.h"

namespace cli {

struct TimeOfDay {
    int hour;
    int minute;
};

// A column of the daily table: a longitude of `code`, or its latitude.
struct DailyColumn {
    std::string name;
    int code;
    bool latitude;
};

// The columns of the daily table after date, time_ut, jed and weekday.
std::span<const DailyColumn> DailyColumns();
// The body codes of each --jed row group, in row order.
std::span<const int> JedTableCodes();

// HH:MM, 00:00 to 23:59.
std::optional<TimeOfDay> ParseTime(const std::string& text);
// A finite decimal number, nothing else.
std::optional<double> ParseJed(const std::string& text);

// What --with adds after a table's longitude and latitude columns, in the order named.
enum class EphemExtra { Declination, Speed };
// "declination,speed": each of the two at most once. The usage error, if any.
std::optional<std::string> ParseEphemExtras(const std::string& text,
                                            std::vector<EphemExtra>& extras);

// Either the --jed table (jeds not empty) or the daily table from `from` to `to`, both included.
struct EphemRequest {
    std::vector<double> jeds;
    Date from{};
    Date to{};
    TimeOfDay time{};
    PositionSource source = kDefaultPositionSource;  // --positions
    std::vector<EphemExtra> extras;                  // --with
};

// The usage error the arguments make, if any; otherwise `request` is filled in.
std::optional<std::string> ParseEphemArguments(const std::vector<std::string>& args,
                                               EphemRequest& request);

// CSV: jed,code,longitude,latitude; one row per JED and code. With extras, a column each after
// the latitude: declination (degrees, equator of date) and speed (degrees of longitude a day).
void WriteJedTable(const std::vector<double>& jeds, std::FILE* out,
                   PositionSource source = kDefaultPositionSource,
                   const std::vector<EphemExtra>& extras = {});
// CSV: one row per day from `from` to `to`, both included. With extras, after the latitude
// columns a column for each longitude column and extra ("dec_geo_mars", "speed_geo_mars").
void WriteDailyTable(Date from, const Date& to, const TimeOfDay& time, std::FILE* out,
                     PositionSource source = kDefaultPositionSource,
                     const std::vector<EphemExtra>& extras = {});

}  // namespace cli
