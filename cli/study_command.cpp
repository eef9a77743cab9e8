// caelvane-cli study FILE.csv --kinds ...: the event finder over the span of a price file, the
// events grouped, and each group's forward returns against random draws.
#include "cli/study_command.h"

#include <climits>
#include <cstdint>
#include <cstdio>

#include "cli/commands.h"
#include "cli/date_options.h"
#include "cli/events_command.h"
#include "cli/option_values.h"
#include "cli/options.h"
#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "platform/atomic_file.h"
#include "prices/ohlc_reader.h"
#include "study/study_csv.h"
#include "study/study_groups.h"

namespace cli {

namespace {

using events::EventKind;
using events::KindBit;

}  // namespace

namespace {

// The bodies as the body table names them.
const char* const kBodiesHelp =
    KeepText(WrapHelp("only events of these bodies (" + BodyNameList() + ")"));

const Option kStudyOptionRows[] = {
    {"FILE.csv", "", "daily or intraday bars (the price chart's reader); closes above 0",
     kPositional | kRequired},
    {"--kinds", "KINDS",
     "aspect, ingress, station, lunation, eclipse, transit\n"
     "(comma-separated)",
     kRequired, "LIST"},
    {"--bodies", "NAME,...", kBodiesHelp},
    {"--aspects", "A,...",
     "the aspects' forward arcs in degrees (default 0, 60, 90, 120,\n"
     "180, 240, 270, 300)"},
    {"--frame", "geo|helio|both",
     "geocentric (default) or heliocentric events, or both; with both\n"
     "a frame column follows kind"},
    {"--horizons", "1,5,20", "forward returns over these numbers of bars (default 1,5,20)", 0,
     "LIST"},
    {"--window", "BEFORE,AFTER",
     "bars before and after the event that must lie in the file\n"
     "(default 10,20: the desktop program's average path)",
     0, "B,A"},
    {"--split", "YYYY-MM-DD",
     "in-sample before this date, out-of-sample from it: a period\n"
     "column (in, out) after horizon, each period tested on its own"},
    {"--draws", "N", "random draws per group, 1 to 1000000 (default 10000)"},
    {"--seed", "S",
     "seed of the draws (default 1): the same seed gives the same\n"
     "numbers, whatever the number of cores"},
    {"--control", "shift|shuffle",
     "shift (default): the group's events moved together by one\n"
     "random offset, circularly, keeping their spacing; shuffle: as\n"
     "many distinct bars drawn at random"},
    {"--by-sign", "",
     "groups split by sign (ingresses: the sign entered; stations: the\n"
     "body's sign; lunations and eclipses: the Moon's sign)",
     kFlag | kRepeatable},
    {"--natal", "FILE.json",
     "the horoscope file whose chart transits are found to (a\n"
     "company's first trade, say): each natal body, the Ascendant and\n"
     "the Midheaven; body2 reads 'natal Sun', 'natal MC', ...",
     0, nullptr, "[--natal FILE.json [--natal-name NAME]]"},
    {"--natal-name", "NAME", "the chart in that file (needed when it holds several)", 0, nullptr,
     ""},
    {"--positions", "series|precise",
     "series or precise (default: precise where this build has it)", 0, "SOURCE"},
    {"-o", "OUT|-",
     "write the CSV to OUT (whole or not at all); - or none: standard\n"
     "output",
     0, "OUT"},
};

constexpr OptionTable kStudyTable{
    .name = "study",
    .options = kStudyOptionRows,
    .intro =
        "Finds the sky events over the span of the price file, groups them by kind, bodies, "
        "angle\n"
        "and detail, and writes CSV, one row per group and horizon:\n"
        "kind,body1,body2,angle,sign,detail,horizon,n,mean,median,sd,hit_rate,baseline_mean,\n"
        "baseline_hit_rate,excess,t,p,q\n"
        "An event belongs to the first bar whose UTC date is its date or later (intraday bars: "
        "the\n"
        "first bar starting at or after it). Its h-bar return is ln(close[j+h-1] / close[j-1]), "
        "from\n"
        "the close before its bar. Events whose window runs off the file are left out; events "
        "of a\n"
        "group on one bar count once. The baseline is every h-bar return of the file; excess is\n"
        "mean - baseline_mean; t = excess / (sd / sqrt(n)) (overlapping returns: descriptive "
        "only).\n"
        "p is two-sided, from random draws of the same number of bars: the chance that events "
        "put\n"
        "at random by the control would lie as far from the baseline. q is the "
        "Benjamini-Hochberg\n"
        "q-value over every row with a p: of the rows with q below 0.05, at most about 5% are\n"
        "expected to be chance findings, however many groups were tested. Groups of fewer than "
        "10\n"
        "events get no p or q. Standard error says how many events, groups and rows were tested\n"
        "and how many events were left out.\n",
};

constexpr const OptionTable* kStudyTables[] = {&kStudyTable};

// A whole number that fits an int.
std::optional<int> ParseInt(const std::string& text) {
    const std::optional<long long> value = ParseWhole(text);
    if (!value || *value < INT_MIN || *value > INT_MAX) return std::nullopt;
    return static_cast<int>(*value);
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "caelvane-cli study: %s\n", message.c_str());
    return 1;
}

}  // namespace

OptionTables StudyOptionTables() {
    return kStudyTables;
}

const char* const kStudyUsage = KeepText(UsageOf(kStudyTable));
const char* const kStudyHelp = KeepText(HelpOf(kStudyTable));

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
    ParsedOptions given;
    if (auto error = ParseOptions(kStudyTable, args, given)) return error;
    if (!given.words.empty()) parsed.file = given.words[0];
    parsed.bySign = given.Has("--by-sign");
    const bool kindsGiven = given.Has("--kinds");
    const auto text = [&given](const char* name) {
        const std::string* value = given.Value(name);
        return value != nullptr ? std::optional<std::string>(*value) : std::nullopt;
    };
    const std::optional<std::string> natalFile = text("--natal"), natalName = text("--natal-name");
    if (const auto value = text("--kinds")) {
        if (auto error = ReadKinds(*value, parsed.finder.kinds)) return error;
    }
    if (const auto value = text("--bodies")) {
        if (auto error = ReadBodyCodes(*value, parsed.finder.bodies)) return error;
    }
    if (const auto value = text("--aspects")) {
        parsed.finder.angles.clear();
        for (const std::string& item : SplitList(*value)) {
            const auto angle = ParseAspectAngle(item);
            if (!angle) return "aspect angle '" + item + "' is not a number from 0 to 359";
            parsed.finder.angles.push_back(*angle);
        }
    }
    if (const auto value = text("--frame")) {
        parsed.finder.geocentric = *value == "geo" || *value == "both";
        parsed.finder.heliocentric = *value == "helio" || *value == "both";
        if (!parsed.finder.geocentric && !parsed.finder.heliocentric)
            return "unknown frame '" + *value + "' (geo, helio, both)";
    }
    if (const auto value = text("--horizons")) {
        parsed.study.horizons.clear();
        for (const std::string& item : SplitList(*value)) {
            const std::optional<int> horizon = ParseInt(item);
            if (!horizon) return "horizon '" + item + "' is not a whole number of bars";
            parsed.study.horizons.push_back(*horizon);
        }
    }
    if (const auto value = text("--window")) {
        const std::vector<std::string> parts = SplitList(*value);
        const std::optional<int> before = parts.size() == 2 ? ParseInt(parts[0]) : std::nullopt;
        const std::optional<int> after = parts.size() == 2 ? ParseInt(parts[1]) : std::nullopt;
        if (!before || !after) return "--window needs BEFORE,AFTER in bars, not '" + *value + "'";
        parsed.study.before = *before;
        parsed.study.after = *after;
    }
    if (const auto value = text("--split")) {
        Date date{};
        if (auto error = ReadDate("--split", *value, date)) return error;
        parsed.study.split = DaysFromCivil(date.year, date.month, date.day) * 86400;
        parsed.splitText = *value;
    }
    if (const auto value = text("--draws")) {
        const std::optional<int> draws = ParseInt(*value);
        if (!draws) return "draws '" + *value + "' is not a whole number";
        parsed.study.draws = *draws;
    }
    if (const auto value = text("--seed")) {
        const std::optional<std::uint64_t> seed = ParseUnsigned(*value);
        if (!seed) return "seed '" + *value + "' is not a whole number from 0 to 2^64 - 1";
        parsed.study.seed = *seed;
    }
    if (const auto value = text("--control")) {
        const auto control = study::ParseControl(*value);
        if (!control) return "unknown control '" + *value + "' (shift, shuffle)";
        parsed.study.control = *control;
    }
    if (const auto value = text("--positions")) {
        if (auto error = ReadPositions("--positions", *value, parsed.finder.source)) return error;
    }
    if (const auto value = text("-o")) {
        if (value->empty()) return "-o needs a file name or -";
        parsed.output = *value;
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
    study::StudyBars bars;
    if (const auto problem = study::MakeStudyBars(series, bars))
        return UsageError("study", request.file + ": " + *problem);
    if (bars.times.empty()) return UsageError("study", request.file + ": the file has no bars");
    if (const auto problem = study::CheckStudyOptions(request.study, bars))
        return UsageError("study", request.file + ": " + *problem);

    events::FinderOptions finder = request.finder;
    finder.startJed = prices::JedOfSeconds(bars.times.front() - bars.times.front() % 86400);
    finder.endJed = prices::JedOfSeconds(bars.times.back() + 86400);
    events::FinderResult found;
    try {
        found = events::FindEvents(finder);
    } catch (const std::exception& failure) {
        return Failure(failure.what());
    }
    const std::vector<study::EventGroup> groups =
        study::GroupEvents(found.events, request.bySign, finder.source);
    const study::StudyResult result = study::RunStudy(bars, groups, request.study);

    study::CsvLayout layout;
    layout.frameColumn = finder.geocentric && finder.heliocentric;
    const std::string bytes = study::StudyCsv(result, layout);
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
                 study::ControlName(request.study.control),
                 static_cast<unsigned long long>(request.study.seed));
    return 0;
}

}  // namespace cli
