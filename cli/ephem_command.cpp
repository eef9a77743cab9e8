// caelvane-cli ephem: positions as CSV, either every body code for given JEDs or a daily table
// with named columns for spreadsheets.

#include "cli/ephem_command.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/option_values.h"
#include "cli/options.h"
#include "ephemeris/bodies.h"
#include "ephemeris/calendar.h"
#include "ephemeris/position_source.h"
#include "ephemeris/positions.h"
#include "prices/body_panes.h"

namespace cli {

namespace {

constexpr Option kEphemOptionRows[] = {
    {"--jed", "J",
     "one row per body code at Julian date J; repeatable\n"
     "(CSV: jed,code,longitude,latitude). The series source takes J as it\n"
     "is, as the pages do (no delta T); the precise source takes J as\n"
     "universal time, the page's instant, and applies delta T itself",
     kRepeatable, nullptr, "(--jed J [--jed J ...] |"},
    {"--from", "YYYY-MM-DD", "a daily table from this day ...", kRequired},
    {"--to", "YYYY-MM-DD",
     "... to this one, with a named column per body; proleptic\n"
     "Gregorian, astronomical years 0000 to 9999 (0000 is 1 BCE)",
     kRequired},
    {"--time", "HH:MM", "the time of day of the daily rows, UT (default 17:00)", 0, nullptr,
     "[--time HH:MM])"},
    {"--with", "declination,speed",
     "adds columns after the longitudes and latitudes: declination\n"
     "(degrees, equator of date) and speed (degrees of longitude a day),\n"
     "comma-separated, in the order named",
     0, "LIST"},
    {"--positions", "series|precise",
     "series (default: the classic series of the pages) or precise\n"
     "(Swiss Ephemeris, where this build has it)",
     0, "SOURCE"},
};

constexpr OptionTable kEphemTable{
    .name = "ephem",
    .options = kEphemOptionRows,
    .intro = "Prints the positions of the bodies as CSV.\n",
    .column = 21,
    .usageAfterUnknown = true,
};

constexpr const OptionTable* kEphemTables[] = {&kEphemTable};

}  // namespace

OptionTables EphemOptionTables() {
    return kEphemTables;
}

const char* const kEphemUsage = KeepText(UsageOf(kEphemTable));
const char* const kEphemHelp = KeepText(HelpOf(kEphemTable));

namespace {

// Every code the engine serves, in the order of the --jed table.
constexpr int kJedCodes[] = {1,  2,  3,   4,   5,    6,   7,    8,    9,    10,  11, 12,
                             13, 20, 30,  40,  2000, -1,  -2,   -3,   -4,   -5,  -6, -7,
                             -8, -9, -10, -11, -12,  -13, -100, -101, -102, -103};

// The daily table: heliocentric wheel, geocentric wheel, then the latitudes (signed, degrees),
// each in code order, named by the body table.
std::vector<DailyColumn> MakeDailyColumns() {
    std::vector<DailyColumn> helio, geo, latitudes;
    for (const Body& body : Bodies()) {
        if (body.helioCode != 0)
            helio.push_back({std::string("helio_") + body.column, body.helioCode, false});
        if (body.geoCode != 0)
            geo.push_back({std::string("geo_") + body.column, body.geoCode, false});
        if (body.latitudeColumn != nullptr)
            latitudes.push_back({body.latitudeColumn, body.helioCode, true});
    }
    const auto byCode = [](const DailyColumn& a, const DailyColumn& b) {
        return std::abs(a.code) < std::abs(b.code);
    };
    std::vector<DailyColumn> columns;
    for (std::vector<DailyColumn>* part : {&helio, &geo, &latitudes}) {
        std::sort(part->begin(), part->end(), byCode);
        columns.insert(columns.end(), part->begin(), part->end());
    }
    return columns;
}

// Exactly `count` decimal digits at text[pos..].
std::optional<int> Digits(const std::string& text, std::size_t pos, std::size_t count) {
    if (pos + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// A folded latitude as a signed value.
double SignedLatitude(double folded) {
    return folded > 180 ? folded - 360 : folded;
}

// Every argument has been checked before the first row, so rows go out as they are made.
int Finish(std::FILE* out) {
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(stderr, "caelvane-cli ephem: cannot write the table\n");
        return 1;
    }
    return 0;
}

}  // namespace

std::span<const DailyColumn> DailyColumns() {
    static const std::vector<DailyColumn> kColumns = MakeDailyColumns();
    return kColumns;
}

std::span<const int> JedTableCodes() {
    return kJedCodes;
}

std::optional<TimeOfDay> ParseTime(const std::string& text) {
    if (text.size() != 5 || text[2] != ':') return std::nullopt;
    const auto hour = Digits(text, 0, 2);
    const auto minute = Digits(text, 3, 2);
    if (!hour || !minute || *hour > 23 || *minute > 59) return std::nullopt;
    return TimeOfDay{*hour, *minute};
}

std::optional<double> ParseJed(const std::string& text) {
    return ParseReal(text);
}

namespace {

const char* ExtraName(EphemExtra extra) {
    return extra == EphemExtra::Declination ? "declination" : "speed";
}

double ExtraValue(const prices::BodyMotion& motion, EphemExtra extra) {
    return extra == EphemExtra::Declination ? motion.declination : motion.speed;
}

}  // namespace

std::optional<std::string> ParseEphemExtras(const std::string& text,
                                            std::vector<EphemExtra>& extras) {
    extras.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string name =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        EphemExtra extra;
        if (name == "declination") {
            extra = EphemExtra::Declination;
        } else if (name == "speed") {
            extra = EphemExtra::Speed;
        } else {
            return "--with takes declination and speed, not '" + name + "'";
        }
        for (EphemExtra known : extras) {
            if (known == extra) return "--with names '" + name + "' twice";
        }
        extras.push_back(extra);
        if (comma == std::string::npos) return std::nullopt;
        start = comma + 1;
    }
}

void WriteJedTable(const std::vector<double>& jeds, std::FILE* out, PositionSource source,
                   const std::vector<EphemExtra>& extras) {
    std::fputs("jed,code,longitude,latitude", out);
    for (EphemExtra extra : extras) std::fprintf(out, ",%s", ExtraName(extra));
    std::fputc('\n', out);
    for (double jed : jeds) {
        for (int code : kJedCodes) {
            std::fprintf(out, "%.6f,%d,%.9f,%.9f", jed, code, BodyLongitude(jed, code, source),
                         BodyLatitude(jed, code, source));
            if (!extras.empty()) {
                const prices::BodyMotion motion = prices::ComputeBodyMotion(jed, code, source);
                for (EphemExtra extra : extras) {
                    std::fprintf(out, ",%.9f", ExtraValue(motion, extra));
                }
            }
            std::fputc('\n', out);
        }
    }
}

void WriteDailyTable(Date from, const Date& to, const TimeOfDay& time, std::FILE* out,
                     PositionSource source, const std::vector<EphemExtra>& extras) {
    std::fputs("date,time_ut,jed,weekday", out);
    for (const DailyColumn& column : DailyColumns()) std::fprintf(out, ",%s", column.name.c_str());
    for (EphemExtra extra : extras) {
        for (const DailyColumn& column : DailyColumns()) {
            if (column.latitude) continue;
            std::fprintf(out, ",%s_%s", extra == EphemExtra::Declination ? "dec" : "speed",
                         column.name.c_str());
        }
    }
    std::fputc('\n', out);
    std::vector<prices::BodyMotion> motions;
    static constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    for (Date date = from; !(to < date); date = caelvane::NextDay(date)) {
        const double jed = caelvane::CivilJed(date, time.hour, time.minute);
        std::fprintf(out, "%04d-%02d-%02d,%02d:%02d,%.6f,%s", date.year, date.month, date.day,
                     time.hour, time.minute, jed, kWeekdays[DayOfWeek(jed)]);
        for (const DailyColumn& column : DailyColumns()) {
            const double value = column.latitude
                                     ? SignedLatitude(BodyLatitude(jed, column.code, source))
                                     : BodyLongitude(jed, column.code, source);
            std::fprintf(out, ",%.6f", value);
        }
        if (!extras.empty()) {
            motions.clear();
            for (const DailyColumn& column : DailyColumns()) {
                if (!column.latitude) {
                    motions.push_back(prices::ComputeBodyMotion(jed, column.code, source));
                }
            }
        }
        for (EphemExtra extra : extras) {
            for (const prices::BodyMotion& motion : motions) {
                std::fprintf(out, ",%.6f", ExtraValue(motion, extra));
            }
        }
        std::fputc('\n', out);
    }
}

std::optional<std::string> ParseEphemArguments(const std::vector<std::string>& args,
                                               EphemRequest& request) {
    ParsedOptions parsed;
    if (auto error = ParseOptions(kEphemTable, args, parsed)) return error;
    std::vector<double> jeds;
    for (const std::string& value : parsed.Values("--jed")) {
        const auto jed = ParseJed(value);
        if (!jed) return "--jed needs a finite number, not '" + value + "'";
        jeds.push_back(*jed);
    }
    std::optional<Date> from, to;
    for (const char* name : {"--from", "--to"}) {
        if (const std::string* value = parsed.Value(name)) {
            Date date{};
            if (auto error = ReadDate(name, *value, date)) return error;
            (name == std::string_view("--from") ? from : to) = date;
        }
    }
    std::optional<TimeOfDay> time;
    if (const std::string* value = parsed.Value("--time")) {
        time = ParseTime(*value);
        if (!time) return "--time needs HH:MM (00:00 to 23:59), not '" + *value + "'";
    }
    std::vector<EphemExtra> extras;
    if (const std::string* value = parsed.Value("--with")) {
        if (auto error = ParseEphemExtras(*value, extras)) return error;
    }
    PositionSource source = kDefaultPositionSource;
    if (const std::string* value = parsed.Value("--positions")) {
        if (auto error = ReadPositions("--positions", *value, source)) return error;
    }
    if (!jeds.empty()) {
        if (from || to || time) return "--jed cannot be combined with --from, --to or --time";
        request = EphemRequest{};
        request.jeds = std::move(jeds);
        request.source = source;
        request.extras = std::move(extras);
        return std::nullopt;
    }
    if (!from || !to) return std::string("needs --jed, or --from and --to; usage: ") + kEphemUsage;
    if (*to < *from) return "--to lies before --from";
    request = EphemRequest{};
    request.from = *from;
    request.to = *to;
    // 17:00 UT is the time of the chart's pages.
    request.time = time.value_or(TimeOfDay{17, 0});
    request.source = source;
    request.extras = std::move(extras);
    return std::nullopt;
}

int RunEphem(const std::vector<std::string>& args) {
    EphemRequest request;
    if (const auto error = ParseEphemArguments(args, request)) return UsageError("ephem", *error);
    if (!request.jeds.empty()) {
        WriteJedTable(request.jeds, stdout, request.source, request.extras);
    } else {
        WriteDailyTable(request.from, request.to, request.time, stdout, request.source,
                        request.extras);
    }
    return Finish(stdout);
}

}  // namespace cli
