// caelvane-cli study FILE.csv --kinds ...: the event finder over the span of a price file, the
// events grouped, and each group's forward returns against random draws.
#include "cli/study_command.h"

#include <charconv>
#include <cstdio>

#include "cli/commands.h"
#include "cli/date_options.h"
#include "cli/events_command.h"
#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "platform/atomic_file.h"
#include "prices/ohlc_reader.h"
#include "study/study_csv.h"
#include "study/study_groups.h"

namespace cli {

const char* const kStudyUsage =
    "study FILE.csv --kinds KINDS [--bodies NAME,...] [--aspects A,...] "
    "[--frame geo|helio|both] [--horizons 1,5,20] [--window BEFORE,AFTER] "
    "[--split YYYY-MM-DD] [--draws N] [--seed S] [--control shift|shuffle] [--by-sign] "
    "[--natal FILE.json [--natal-name NAME]] [--positions series|precise] [-o OUT|-]";

const char* const kStudyHelp =
    "Finds the sky events over the span of the price file, groups them by kind, bodies, angle\n"
    "and detail, and writes CSV, one row per group and horizon:\n"
    "kind,body1,body2,angle,sign,detail,horizon,n,mean,median,sd,hit_rate,baseline_mean,\n"
    "baseline_hit_rate,excess,t,p,q\n"
    "An event belongs to the first bar whose UTC date is its date or later (intraday bars: the\n"
    "first bar starting at or after it). Its h-bar return is ln(close[j+h-1] / close[j-1]), from\n"
    "the close before its bar. Events whose window runs off the file are left out; events of a\n"
    "group on one bar count once. The baseline is every h-bar return of the file; excess is\n"
    "mean - baseline_mean; t = excess / (sd / sqrt(n)) (overlapping returns: descriptive only).\n"
    "p is two-sided, from random draws of the same number of bars: the chance that events put\n"
    "at random by the control would lie as far from the baseline. q is the Benjamini-Hochberg\n"
    "q-value over every row with a p: of the rows with q below 0.05, at most about 5% are\n"
    "expected to be chance findings, however many groups were tested. Groups of fewer than 10\n"
    "events get no p or q. Standard error says how many events, groups and rows were tested\n"
    "and how many events were left out.\n"
    "  FILE.csv                 daily or intraday bars (the price chart's reader); closes above 0\n"
    "  --kinds LIST             aspect, ingress, station, lunation, eclipse, transit\n"
    "                           (comma-separated)\n"
    "  --bodies NAME,...        only events of these bodies (Sun, Moon, Mercury, Venus, Earth,\n"
    "                           Mars, Jupiter, Saturn, Uranus, Neptune, Pluto, Node, Chiron)\n"
    "  --aspects A,...          the aspects' forward arcs in degrees (default 0, 60, 90, 120,\n"
    "                           180, 240, 270, 300)\n"
    "  --frame geo|helio|both   geocentric (default) or heliocentric events, or both; with both\n"
    "                           a frame column follows kind\n"
    "  --horizons LIST          forward returns over these numbers of bars (default 1,5,20)\n"
    "  --window B,A             bars before and after the event that must lie in the file\n"
    "                           (default 10,20: the desktop program's average path)\n"
    "  --split YYYY-MM-DD       in-sample before this date, out-of-sample from it: a period\n"
    "                           column (in, out) after horizon, each period tested on its own\n"
    "  --draws N                random draws per group, 1 to 1000000 (default 10000)\n"
    "  --seed S                 seed of the draws (default 1): the same seed gives the same\n"
    "                           numbers, whatever the number of cores\n"
    "  --control shift|shuffle  shift (default): the group's events moved together by one\n"
    "                           random offset, circularly, keeping their spacing; shuffle: as\n"
    "                           many distinct bars drawn at random\n"
    "  --by-sign                groups split by sign (ingresses: the sign entered; stations: the\n"
    "                           body's sign; lunations and eclipses: the Moon's sign)\n"
    "  --natal FILE.json        the horoscope file whose chart transits are found to (a\n"
    "                           company's first trade, say): each natal body, the Ascendant and\n"
    "                           the Midheaven; body2 reads 'natal Sun', 'natal MC', ...\n"
    "  --natal-name NAME        the chart in that file (needed when it holds several)\n"
    "  --positions SOURCE       series or precise (default: precise where this build has it)\n"
    "  -o OUT                   write the CSV to OUT (whole or not at all); - or none: standard\n"
    "                           output\n";

namespace {

using caelvane::events::EventKind;
using caelvane::events::KindBit;

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

template <class Number>
bool ParseWhole(const std::string& text, Number& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto [next, ec] = std::from_chars(begin, end, value);
    return begin != end && ec == std::errc() && next == end;
}

std::optional<double> ParseArc(const std::string& text) {
    double value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto [next, ec] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (begin == end || ec != std::errc() || next != end || !(value >= 0 && value < 360))
        return std::nullopt;
    return value;
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "caelvane-cli study: %s\n", message.c_str());
    return 1;
}

}  // namespace

std::vector<double> DefaultStudyAngles() {
    return {0, 60, 90, 120, 180, 240, 270, 300};
}

std::optional<std::string> ParseStudyArguments(const std::vector<std::string>& args,
                                               StudyRequest& request) {
    StudyRequest parsed;
    parsed.finder.angles = DefaultStudyAngles();
    parsed.finder.heliocentric = false;
    parsed.finder.source =
        PrecisePositionsAvailable() ? PositionSource::Precise : PositionSource::Series;
    bool kindsGiven = false;
    std::optional<std::string> natalFile, natalName;
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--by-sign") {
            parsed.bySign = true;
            continue;
        }
        if (arg.empty() || arg[0] != '-' || arg == "-") {
            if (!parsed.file.empty()) return "more than one price file ('" + arg + "')";
            parsed.file = arg;
            continue;
        }
        static const char* const kValued[] = {"--kinds",    "--bodies",    "--aspects",   "--frame",
                                              "--horizons", "--window",    "--split",     "--draws",
                                              "--seed",     "--control",   "--positions", "-o",
                                              "--natal",    "--natal-name"};
        bool valued = false;
        for (const char* name : kValued) valued = valued || arg == name;
        if (!valued) return "unknown argument '" + arg + "'";
        if (i + 1 >= args.size()) return arg + " needs a value";
        for (const std::string& before : seen)
            if (before == arg) return arg + " given twice";
        seen.push_back(arg);
        const std::string& value = args[++i];
        if (arg == "--kinds") {
            kindsGiven = true;
            parsed.finder.kinds = 0;
            for (const std::string& name : SplitList(value)) {
                const auto kind = caelvane::events::ParseKind(name);
                if (!kind)
                    return "unknown kind '" + name + "' (" + caelvane::events::KindNames() + ")";
                parsed.finder.kinds |= KindBit(*kind);
            }
        } else if (arg == "--bodies") {
            std::string bad;
            const auto codes = ParseBodies(value, bad);
            if (!codes) return "unknown body '" + bad + "' (" + BodyNameList() + ")";
            parsed.finder.bodies = *codes;
        } else if (arg == "--aspects") {
            parsed.finder.angles.clear();
            for (const std::string& text : SplitList(value)) {
                const auto angle = ParseArc(text);
                if (!angle) return "aspect angle '" + text + "' is not a number from 0 to 359";
                parsed.finder.angles.push_back(*angle);
            }
        } else if (arg == "--frame") {
            parsed.finder.geocentric = value == "geo" || value == "both";
            parsed.finder.heliocentric = value == "helio" || value == "both";
            if (!parsed.finder.geocentric && !parsed.finder.heliocentric)
                return "unknown frame '" + value + "' (geo, helio, both)";
        } else if (arg == "--horizons") {
            parsed.study.horizons.clear();
            for (const std::string& text : SplitList(value)) {
                int horizon = 0;
                if (!ParseWhole(text, horizon))
                    return "horizon '" + text + "' is not a whole number of bars";
                parsed.study.horizons.push_back(horizon);
            }
        } else if (arg == "--window") {
            const std::vector<std::string> parts = SplitList(value);
            if (parts.size() != 2 || !ParseWhole(parts[0], parsed.study.before) ||
                !ParseWhole(parts[1], parsed.study.after))
                return "--window needs BEFORE,AFTER in bars, not '" + value + "'";
        } else if (arg == "--split") {
            const auto day = ParseDayNumber(value);
            if (!day) return "--split needs a date YYYY-MM-DD that exists, not '" + value + "'";
            parsed.study.split = *day * 86400;
            parsed.splitText = value;
        } else if (arg == "--draws") {
            if (!ParseWhole(value, parsed.study.draws))
                return "draws '" + value + "' is not a whole number";
        } else if (arg == "--seed") {
            if (!ParseWhole(value, parsed.study.seed))
                return "seed '" + value + "' is not a whole number from 0 to 2^64 - 1";
        } else if (arg == "--natal") {
            natalFile = value;
        } else if (arg == "--natal-name") {
            natalName = value;
        } else if (arg == "--control") {
            const auto control = caelvane::study::ParseControl(value);
            if (!control) return "unknown control '" + value + "' (shift, shuffle)";
            parsed.study.control = *control;
        } else if (arg == "--positions") {
            std::string error;
            const auto source = ReadPositionSource(value, error);
            if (!source) return "--positions: " + error;
            parsed.finder.source = *source;
        } else {
            if (value.empty()) return "-o needs a file name or -";
            parsed.output = value;
        }
    }
    if (parsed.file.empty()) return std::string("needs a price file");
    if (!kindsGiven) return std::string("needs --kinds");
    if (natalName && !natalFile) return std::string("--natal-name needs --natal FILE.json");
    if ((parsed.finder.kinds & KindBit(EventKind::Transit)) != 0) {
        if (!natalFile)
            return std::string("the kind transit needs a natal chart: --natal FILE.json");
        if (!parsed.finder.geocentric)
            return std::string("transits are geocentric: --frame helio finds none");
        if (const auto error =
                NatalPointsOf(*natalFile, natalName.value_or(""), parsed.finder.natalPoints))
            return error;
    }
    // The checks that need no file: the rest waits for the bars.
    if (parsed.study.draws < 1 || parsed.study.draws > 1000000)
        return "draws " + std::to_string(parsed.study.draws) + " is not from 1 to 1000000";
    for (int horizon : parsed.study.horizons)
        if (horizon < 1)
            return "horizon " + std::to_string(horizon) + " is not a number of bars of 1 or more";
    if (parsed.study.before < 0 || parsed.study.after < 0)
        return "--window needs 0 or more bars on each side, not '" +
               std::to_string(parsed.study.before) + "," + std::to_string(parsed.study.after) + "'";
    request = std::move(parsed);
    return std::nullopt;
}

int RunStudyCommand(const std::vector<std::string>& args) {
    StudyRequest request;
    if (const auto problem = ParseStudyArguments(args, request))
        return UsageError("study", *problem, kStudyUsage);

    prices::ReadOptions readOptions;
    readOptions.requirePositive = true;  // log returns: the reader names the line at fault
    prices::PriceSeries series;
    const prices::ReadReport report = prices::ReadOhlcFile(request.file, readOptions, series);
    if (!report.ok) return Failure(report.error);
    caelvane::study::StudyBars bars;
    if (const auto problem = caelvane::study::MakeStudyBars(series, bars))
        return UsageError("study", request.file + ": " + *problem);
    if (bars.times.empty()) return UsageError("study", request.file + ": the file has no bars");
    if (const auto problem = caelvane::study::CheckStudyOptions(request.study, bars))
        return UsageError("study", request.file + ": " + *problem);

    caelvane::events::FinderOptions finder = request.finder;
    finder.startJed = prices::JedOfSeconds(bars.times.front() - bars.times.front() % 86400);
    finder.endJed = prices::JedOfSeconds(bars.times.back() + 86400);
    caelvane::events::FinderResult found;
    try {
        found = caelvane::events::FindEvents(finder);
    } catch (const std::exception& failure) {
        return Failure(failure.what());
    }
    const std::vector<caelvane::study::EventGroup> groups =
        caelvane::study::GroupEvents(found.events, request.bySign, finder.source);
    const caelvane::study::StudyResult result =
        caelvane::study::RunStudy(bars, groups, request.study);

    caelvane::study::CsvLayout layout;
    layout.frameColumn = finder.geocentric && finder.heliocentric;
    const std::string bytes = caelvane::study::StudyCsv(result, layout);
    if (request.output == "-") {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
            std::fflush(stdout) != 0)
            return Failure("cannot write to standard output");
    } else {
        std::string error;
        if (!caelvane::WriteFileAtomically(request.output, bytes, error)) return Failure(error);
    }

    int outside = 0, duplicates = 0;
    for (const auto& group : result.groups)
        for (const auto& period : group.periods) {
            outside += period.outside;
            duplicates += period.duplicates;
        }
    std::fprintf(stderr,
                 "caelvane-cli study: %zu events in %zu groups (%s positions); %d left out "
                 "(window off the file), %d on a bar already counted for their group; %d rows "
                 "tested with %d %s draws each (seed %llu), q over all of them\n",
                 found.events.size(), groups.size(), PositionSourceName(finder.source), outside,
                 duplicates, result.rowsTested, request.study.draws,
                 caelvane::study::ControlName(request.study.control),
                 static_cast<unsigned long long>(request.study.seed));
    return 0;
}

}  // namespace cli
