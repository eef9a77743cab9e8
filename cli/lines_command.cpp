// caelvane-cli lines --from YYYY-MM-DD --to YYYY-MM-DD --bodies NAME,... [--frame geo|helio]
//     [--units-per-circle U] [--offset DEG] [--harmonics 0,90,...] --min P --max P
//     [--time HH:MM] [--positions series|precise] [-o FILE]
// The prices at which each body's lines stand, day by day, for spreadsheets and trading
// platforms.
#include "cli/lines_command.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli/commands.h"
#include "cli/date_options.h"
#include "ephemeris/bodies.h"
#include "platform/atomic_file.h"
#include "prices/ohlc.h"
#include "prices/ohlc_reader.h"

namespace cli {

const char* const kLinesUsage =
    "lines --from YYYY-MM-DD --to YYYY-MM-DD --bodies NAME,... [--frame geo|helio] "
    "[--units-per-circle U] [--offset DEG] [--harmonics 0,90,180,...] --min P --max P "
    "[--time HH:MM] [--positions series|precise] [-o FILE]";

const char* const kLinesHelp =
    "Prints the price levels of planetary lines as CSV: date,body,frame,longitude,harmonic,price,\n"
    "one row per day, body, harmonic and turn of the circle whose price lies in [--min, --max]:\n"
    "price = (longitude + harmonic + offset) / 360 * U + k * U for every whole k.\n"
    "  --from, --to YYYY-MM-DD  the days, both included (at most 200000 of them)\n"
    "  --bodies NAME,...        Sun, Moon, Mercury, Venus, Earth, Mars, Jupiter, Saturn, Uranus,\n"
    "                           Neptune, Pluto, Node, Chiron, in any case, as for 'events' (the\n"
    "                           Sun has no heliocentric line, the Earth no geocentric one)\n"
    "  --frame geo|helio        geocentric (default) or heliocentric longitudes\n"
    "  --units-per-circle U     price units per turn of the zodiac, above 0 (default 72, the\n"
    "                           price monitor's scale: degree = fmod(price, 72) * 5)\n"
    "  --offset DEG             degrees added to every longitude (default 0)\n"
    "  --harmonics LIST         degrees added for further lines of each body (default 0)\n"
    "  --min P, --max P         the price range, --min not above --max\n"
    "  --time HH:MM             the instant of each day, UT (default 17:00, as the pages)\n"
    "  --positions SOURCE       precise (default where this build has it: Swiss Ephemeris) or\n"
    "                           series (the classic series); without it a note on standard\n"
    "                           error names the source taken\n"
    "  -o FILE                  write the CSV to FILE (whole or not at all) instead of standard\n"
    "                           output\n";

namespace {

bool ParseDouble(const std::string& text, double& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto [next, ec] = std::from_chars(begin, end, value, std::chars_format::general);
    return begin != end && ec == std::errc() && next == end && std::isfinite(value);
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

}  // namespace

std::optional<std::optional<std::string>> ParseLineOption(const std::vector<std::string>& args,
                                                          std::size_t& i, LineOptions& options) {
    const std::string& arg = args[i];
    static const char* const kOptions[] = {"--bodies", "--frame",     "--units-per-circle",
                                           "--offset", "--harmonics", "--positions"};
    bool known = false;
    for (const char* option : kOptions) known = known || arg == option;
    if (!known) return std::nullopt;
    if (i + 1 >= args.size()) return std::optional<std::string>(arg + " needs a value");
    const std::string& value = args[++i];
    prices::LineSettings& settings = options.settings;
    if (arg == "--bodies") {
        options.bodiesGiven = true;
        options.bodyNames.clear();
        for (const std::string& name : SplitList(value)) {
            if (name.empty()) continue;
            if (FindBody(name) == nullptr) {
                return std::optional<std::string>("--bodies: unknown body '" + name + "' (" +
                                                  BodyNameList() + ")");
            }
            options.bodyNames.push_back(name);
        }
    } else if (arg == "--frame") {
        const std::optional<Frame> frame = ParseFrame(value);
        if (!frame)
            return std::optional<std::string>("--frame must be geo or helio, not '" + value + "'");
        settings.frame = *frame;
    } else if (arg == "--units-per-circle") {
        if (!ParseDouble(value, settings.unitsPerCircle) || settings.unitsPerCircle <= 0.0) {
            return std::optional<std::string>("--units-per-circle must be a number above 0, not '" +
                                              value + "'");
        }
    } else if (arg == "--offset") {
        if (!ParseDouble(value, settings.offset)) {
            return std::optional<std::string>("--offset must be a number of degrees, not '" +
                                              value + "'");
        }
    } else if (arg == "--harmonics") {
        settings.harmonics.clear();
        for (const std::string& part : SplitList(value)) {
            double harmonic = 0.0;
            if (!ParseDouble(part, harmonic)) {
                return std::optional<std::string>("--harmonics: '" + part +
                                                  "' is not a number of degrees");
            }
            settings.harmonics.push_back(harmonic);
        }
    } else if (arg == "--positions") {
        const std::optional<PositionSource> source = ParsePositionSource(value);
        if (!source) {
            return std::optional<std::string>(std::string("--positions must be ") +
                                              kPositionSourceChoices + ", not '" + value + "'");
        }
        if (*source == PositionSource::Precise && !PrecisePositionsAvailable()) {
            return std::optional<std::string>(
                "--positions precise: this build has no precise positions (series only)");
        }
        settings.source = *source;
        options.sourceGiven = true;
    }
    return std::optional<std::string>();
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
    bool haveFrom = false, haveTo = false, haveMin = false, haveMax = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::optional<std::optional<std::string>> line =
            ParseLineOption(args, i, request.lines);
        if (line) {
            if (*line) return **line;
            continue;
        }
        const std::string& arg = args[i];
        const bool takesValue = arg == "--from" || arg == "--to" || arg == "--min" ||
                                arg == "--max" || arg == "--time" || arg == "-o";
        if (!takesValue) return "unknown argument '" + arg + "'";
        if (i + 1 >= args.size()) return arg + " needs a value";
        const std::string& value = args[++i];
        if (arg == "--from" || arg == "--to") {
            const auto day = ParseDayNumber(value);
            if (!day) {
                return arg + " must be a date YYYY-MM-DD, not '" + value + "'";
            }
            (arg == "--from" ? request.fromDay : request.toDay) = *day;
            (arg == "--from" ? haveFrom : haveTo) = true;
        } else if (arg == "--min" || arg == "--max") {
            double price = 0.0;
            if (!ParseDouble(value, price)) return arg + " must be a price, not '" + value + "'";
            (arg == "--min" ? request.minPrice : request.maxPrice) = price;
            (arg == "--min" ? haveMin : haveMax) = true;
        } else if (arg == "--time") {
            std::int64_t seconds = 0;
            if (value.size() != 5 || !prices::ParseBarClock(value, seconds)) {
                return "--time must be HH:MM, not '" + value + "'";
            }
            request.minuteOfDay = static_cast<int>(seconds / 60);
        } else {
            request.output = value;
        }
    }
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
