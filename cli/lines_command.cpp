// caelvane-cli lines --from YYYY-MM-DD --to YYYY-MM-DD --bodies NAME,... [--frame geo|helio]
//     [--units-per-circle U] [--offset DEG] [--harmonics 0,90,...] --min P --max P
//     [--time HH:MM] [--positions series|precise] [-o FILE]
// The prices at which each body's lines stand, day by day, for spreadsheets and trading
// platforms.
#include "cli/lines_command.h"

#include <cmath>
#include <cstdio>

#include "cli/commands.h"
#include "cli/date_options.h"
#include "cli/ephem_command.h"
#include "cli/option_values.h"
#include "cli/options.h"
#include "ephemeris/bodies.h"
#include "platform/atomic_file.h"
#include "prices/ohlc.h"
#include "prices/ohlc_reader.h"

namespace cli {

namespace {

// The bodies as the body table names them.
const char* const kBodiesHelp =
    KeepText(WrapHelp(BodyNameList() + ", in any case, as for 'events' (the Sun has no "
                                       "heliocentric line, the Earth no geocentric one)"));

const Option kLinesOptionRows[] = {
    {"--from", "YYYY-MM-DD", "the days, both included (at most 200000 of them)", kRequired},
    {"--to", "YYYY-MM-DD", nullptr, kRequired},
    {"--bodies", "NAME,...", kBodiesHelp, kRequired},
    {"--frame", "geo|helio", "geocentric (default) or heliocentric longitudes"},
    {"--units-per-circle", "U",
     "price units per turn of the zodiac, above 0 (default 72, the\n"
     "price monitor's scale: degree = fmod(price, 72) * 5)"},
    {"--offset", "DEG", "degrees added to every longitude (default 0)"},
    {"--harmonics", "0,90,180,...", "degrees added for further lines of each body (default 0)", 0,
     "LIST"},
    {"--min", "P", "the price range, --min not above --max", kRequired},
    {"--max", "P", nullptr, kRequired},
    {"--time", "HH:MM", "the instant of each day, UT (default 17:00, as the pages)"},
    {"--positions", "series|precise",
     "precise (default where this build has it: Swiss Ephemeris) or\n"
     "series (the classic series); without it a note on standard\n"
     "error names the source taken",
     0, "SOURCE"},
    {"-o", "FILE",
     "write the CSV to FILE (whole or not at all) instead of standard\n"
     "output"},
};

constexpr OptionTable kLinesTable{
    .name = "lines",
    .options = kLinesOptionRows,
    .intro =
        "Prints the price levels of planetary lines as CSV: "
        "date,body,frame,longitude,harmonic,price,\n"
        "one row per day, body, harmonic and turn of the circle whose price lies in "
        "[--min, --max]:\n"
        "price = (longitude + harmonic + offset) / 360 * U + k * U for every whole k.\n",
};

constexpr const OptionTable* kLinesTables[] = {&kLinesTable};

}  // namespace

OptionTables LinesOptionTables() {
    return kLinesTables;
}

const char* const kLinesUsage = KeepText(UsageOf(kLinesTable));
const char* const kLinesHelp = KeepText(HelpOf(kLinesTable));

std::optional<std::string> ReadLineOptions(const ParsedOptions& parsed, LineOptions& options) {
    prices::LineSettings& settings = options.settings;
    if (const std::string* value = parsed.Value("--bodies")) {
        options.bodiesGiven = true;
        options.bodyNames.clear();
        for (const std::string& name : SplitList(*value)) {
            if (name.empty()) continue;
            if (FindBody(name) == nullptr) {
                return "--bodies: unknown body '" + name + "' (" + BodyNameList() + ")";
            }
            options.bodyNames.push_back(name);
        }
    }
    if (const std::string* value = parsed.Value("--frame")) {
        const std::optional<Frame> frame = ParseFrame(*value);
        if (!frame) return "--frame must be geo or helio, not '" + *value + "'";
        settings.frame = *frame;
    }
    if (const std::string* value = parsed.Value("--units-per-circle")) {
        const std::optional<double> units = ParseReal(*value);
        if (!units || *units <= 0.0)
            return "--units-per-circle must be a number above 0, not '" + *value + "'";
        settings.unitsPerCircle = *units;
    }
    if (const std::string* value = parsed.Value("--offset")) {
        const std::optional<double> offset = ParseReal(*value);
        if (!offset) return "--offset must be a number of degrees, not '" + *value + "'";
        settings.offset = *offset;
    }
    if (const std::string* value = parsed.Value("--harmonics")) {
        settings.harmonics.clear();
        for (const std::string& part : SplitList(*value)) {
            const std::optional<double> harmonic = ParseReal(part);
            if (!harmonic) return "--harmonics: '" + part + "' is not a number of degrees";
            settings.harmonics.push_back(*harmonic);
        }
    }
    if (const std::string* value = parsed.Value("--positions")) {
        // The wording these commands have always used for a name that is no source.
        if (!ParsePositionSource(*value))
            return std::string("--positions must be ") + kPositionSourceChoices + ", not '" +
                   *value + "'";
        if (auto error = ReadPositions("--positions", *value, settings.source)) return error;
        options.sourceGiven = true;
    }
    return std::nullopt;
}

std::optional<std::string> FinishLineOptions(LineOptions& options) {
    prices::LineSettings& settings = options.settings;
    if (!options.sourceGiven) {
        settings.source =
            PrecisePositionsAvailable() ? PositionSource::Precise : PositionSource::Series;
    }
    settings.bodies.clear();
    for (const std::string& name : options.bodyNames) {
        const Body* body = FindBody(name);
        const int code = BodyCode(*body, settings.frame);
        if (code == 0) {
            return std::string(body->name) + " has no " +
                   (settings.frame == Frame::Geocentric ? "geocentric" : "heliocentric") +
                   " longitude";
        }
        settings.bodies.push_back(code);
    }
    const std::string problem = prices::CheckLineSettings(settings);
    if (!problem.empty()) return problem;
    return std::nullopt;
}

std::optional<std::string> ParseLinesArguments(const std::vector<std::string>& args,
                                               LinesRequest& request) {
    ParsedOptions parsed;
    if (auto error = ParseOptions(kLinesTable, args, parsed)) return error;
    DayAndPriceRange given;
    if (auto error = ReadDayAndPriceRange(parsed, given)) return error;
    request.fromDay = given.fromDay.value_or(request.fromDay);
    request.toDay = given.toDay.value_or(request.toDay);
    request.minPrice = given.minPrice.value_or(request.minPrice);
    request.maxPrice = given.maxPrice.value_or(request.maxPrice);
    if (const std::string* value = parsed.Value("--time")) {
        const std::optional<TimeOfDay> time = ParseTime(*value);
        if (!time) return "--time must be HH:MM, not '" + *value + "'";
        request.minuteOfDay = time->hour * 60 + time->minute;
    }
    if (const std::string* value = parsed.Value("-o")) request.output = *value;
    if (auto error = ReadLineOptions(parsed, request.lines)) return error;
    const bool haveFrom = parsed.Has("--from"), haveTo = parsed.Has("--to"),
               haveMin = parsed.Has("--min"), haveMax = parsed.Has("--max");
    if (!haveFrom || !haveTo) return "--from and --to are needed";
    if (!request.lines.bodiesGiven) return "--bodies is needed";
    if (request.lines.bodyNames.empty()) return "--bodies: the list of bodies is empty";
    if (!haveMin || !haveMax) return "--min and --max are needed";
    if (request.fromDay > request.toDay) return "--from is after --to";
    if (request.toDay - request.fromDay >= kMaxLineDays) {
        return "--from and --to span more than " + std::to_string(kMaxLineDays) + " days";
    }
    if (request.minPrice > request.maxPrice) {
        char text[128];
        std::snprintf(text, sizeof text, "--min %g is above --max %g", request.minPrice,
                      request.maxPrice);
        return std::string(text);
    }
    const double units = request.lines.settings.unitsPerCircle;
    const std::string range = prices::CheckPriceRange(request.minPrice, request.maxPrice, units);
    if (!range.empty()) return range;
    if ((request.maxPrice - request.minPrice) / units > 1e5) {
        return "--min and --max span more than 100000 turns of the circle";
    }
    if (std::optional<std::string> problem = FinishLineOptions(request.lines)) return problem;
    // The whole CSV is made in memory before it is written: its rows are bounded.
    const prices::LineSettings& settings = request.lines.settings;
    const double rows = static_cast<double>(request.toDay - request.fromDay + 1) *
                        static_cast<double>(settings.bodies.size()) *
                        static_cast<double>(settings.harmonics.size()) *
                        (std::floor((request.maxPrice - request.minPrice) / units) + 1);
    if (rows > kMaxLineRows) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the request gives up to %.0f rows; at most %.0f are written: "
                      "fewer days, bodies, harmonics or turns",
                      rows, kMaxLineRows);
        return std::string(text);
    }
    return std::nullopt;
}

std::string LinesCsv(const LinesRequest& request) {
    const prices::LineSettings& settings = request.lines.settings;
    std::string out = "date,body,frame,longitude,harmonic,price\n";
    std::vector<double> levels;
    char row[200];
    for (std::int64_t day = request.fromDay; day <= request.toDay; ++day) {
        int year = 0, month = 0, dayOfMonth = 0;
        prices::CivilFromDays(day, year, month, dayOfMonth);
        const double jed =
            prices::JedOfSeconds(day * 86400 + static_cast<std::int64_t>(request.minuteOfDay) * 60);
        for (int code : settings.bodies) {
            const double longitude = BodyLongitude(jed, code, settings.source);
            for (double harmonic : settings.harmonics) {
                const double degree = prices::LineDegree(longitude, harmonic, settings.offset);
                prices::LevelsInRange(degree, settings.unitsPerCircle, request.minPrice,
                                      request.maxPrice, levels);
                for (double price : levels) {
                    std::snprintf(row, sizeof row, "%04d-%02d-%02d,%s,%s,%.6f,%g,%.6f\n", year,
                                  month, dayOfMonth, BodyOfCode(code)->name,
                                  FrameName(settings.frame), longitude, harmonic, price);
                    out += row;
                }
            }
        }
    }
    return out;
}

std::string DefaultSourceNote(const LineOptions& options) {
    if (options.sourceGiven) return {};
    const PositionSource source = options.settings.source;
    return "positions from " + PositionSourceDescription(source) +
           (source == PositionSource::Precise ? " (--positions series for the classic series)"
                                              : "");
}

int RunLines(const std::vector<std::string>& args) {
    LinesRequest request;
    if (const std::optional<std::string> problem = ParseLinesArguments(args, request)) {
        return UsageError("lines", *problem, kLinesUsage);
    }
    if (const std::string note = DefaultSourceNote(request.lines); !note.empty()) {
        std::fprintf(stderr, "caelvane-cli lines: note: %s\n", note.c_str());
    }
    const std::string csv = LinesCsv(request);
    if (request.output.empty() || request.output == "-") {
        if (std::fwrite(csv.data(), 1, csv.size(), stdout) != csv.size() || std::fflush(stdout)) {
            std::fprintf(stderr, "caelvane-cli lines: cannot write to standard output\n");
            return 1;
        }
        return 0;
    }
    std::string error;
    if (!caelvane::WriteFileAtomically(request.output, csv, error)) {
        std::fprintf(stderr, "caelvane-cli lines: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace cli
