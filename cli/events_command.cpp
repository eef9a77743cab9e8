// caelvane-cli events: the event finder over a date range, written as CSV, iCalendar or text.

#include "cli/events_command.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/ephem_command.h"
#include "cli/option_values.h"
#include "cli/options.h"
#include "ephemeris/bodies.h"
#include "ephemeris/calendar.h"
#include "ephemeris/position_source.h"
#include "events/event_writers.h"
#include "events/job_aspects.h"
#include "job/caelvane_doc.h"
#include "job/job_file.h"
#include "job/job_type.h"
#include "platform/atomic_file.h"

#ifdef CAELVANE_HAVE_NATAL
#include "natal/chart_file.h"
#include "natal/natal_chart.h"
#endif

namespace cli {

namespace {

// The bodies as the body table names them.
const char* const kBodiesHelp = KeepText(
    WrapHelp(BodyNameList() + ", in any case (default: every body); an aspect needs both its "
                              "bodies listed, lunations and eclipses the Sun or the Moon"));

const Option kEventsOptionRows[] = {
    {"--from", "YYYY-MM-DD",
     "the days, both included, at most 1000 years; proleptic\n"
     "Gregorian, astronomical years 0000 to 9999 (0000 is 1 BCE)",
     kRequired},
    {"--to", "YYYY-MM-DD", nullptr, kRequired},
    {"--kinds", "aspect,ingress,station,lunation,eclipse,transit",
     "a comma list of aspect, ingress, station, lunation, eclipse,\n"
     "transit (default: every kind; transit only with --natal)",
     0, "LIST"},
    {"--frame", "geo|helio|both", "the frame of the longitudes (default both)"},
    {"--bodies", "NAME,...", kBodiesHelp},
    {"--aspects", "A,...",
     "the aspects' angles in degrees, 0 to below 360 (default: every\n"
     "angle of the aspect table, or the job's with --job)"},
    {"--job", "FILE.cvj",
     "the aspects the job has selected, and its range of days when\n"
     "--from and --to are not given (a TODAY job counts from the\n"
     "host's local date)"},
    {"--natal", "FILE.json",
     "transits to the points of a horoscope (its bodies, Asc and\n"
     "MC): body1 is the transiting body, body2 \"natal Sun\", ...,\n"
     "angle the forward arc from the natal point; geocentric only",
     0, nullptr, "[--natal FILE.json [--natal-name NAME]]"},
    {"--natal-name", "NAME", "the chart of that name, when the file holds several", 0, nullptr, ""},
    {"--positions", "series|precise",
     "precise (default where this build has it and its data files:\n"
     "Swiss Ephemeris) or series (the classic series); a note on\n"
     "standard error names the source taken",
     0, "SOURCE"},
    {"--format", "csv|ics|text", "CSV (default), iCalendar, or one line per event in local time"},
    {"-o", "FILE|-",
     "the output file, written whole or not at all (default -,\n"
     "standard output)",
     0, "FILE | -"},
    {"--tz", "ZONE",
     "the time zone of the text form, a tzdata name such as\n"
     "Europe/Berlin (default: the host's zone)"},
};

constexpr OptionTable kEventsTable{
    .name = "events",
    .options = kEventsOptionRows,
    .intro =
        "Finds the sky's events in a range of days and writes them in time order: CSV\n"
        "(time_utc,kind,frame,body1,body2,angle,sign,detail), iCalendar or text.\n",
    .outro = "Times are universal time (CSV, iCalendar) to the second.\n",
};

constexpr const OptionTable* kEventsTables[] = {&kEventsTable};

}  // namespace

OptionTables EventsOptionTables() {
    return kEventsTables;
}

const char* const kEventsUsage = KeepText(UsageOf(kEventsTable));
const char* const kEventsHelp = KeepText(HelpOf(kEventsTable));

namespace {

using events::EventKind;
using events::KindBit;
using events::SkyEvent;

}  // namespace

// An angle of an aspect list: degrees from 0 to below 360.
std::optional<double> ParseAspectAngle(const std::string& text) {
    const std::optional<double> value = ParseReal(text);
    if (!value || !(*value >= 0 && *value < 360)) return std::nullopt;
    return *value == 0 ? 0.0 : *value;  // -0 is 0
}

namespace {

double DateJed(const Date& date) {
    return caelvane::CivilJed(date);
}

bool ZoneExists(const std::string& zone) {
    if (zone.empty() || zone.find("..") != std::string::npos || zone.front() == '/') return false;
    const char* dir = std::getenv("TZDIR");
    const std::filesystem::path root = dir != nullptr && *dir ? dir : "/usr/share/zoneinfo";
    std::error_code error;
    return std::filesystem::is_regular_file(root / zone, error);
}

}  // namespace

std::optional<std::string> NatalPointsOf(const std::string& path, const std::string& name,
                                         std::vector<events::NatalPoint>& points) {
#ifdef CAELVANE_HAVE_NATAL
    std::vector<natal::Horoscope> charts;
    std::string error;
    if (!natal::LoadChartFile(path, charts, error)) return "--natal: " + error;
    int index = 0;
    if (name.empty()) {
        if (charts.size() != 1) {
            std::string names;
            for (const natal::Horoscope& h : charts)
                names += (names.empty() ? "'" : ", '") + h.name + "'";
            return charts.empty()
                       ? "--natal: \"" + path + "\" holds no chart"
                       : "--natal: \"" + path + "\" holds " + std::to_string(charts.size()) +
                             " charts: name one with --natal-name (" + names + ")";
        }
    } else {
        index = natal::FindChart(charts, name);
        if (index < 0) return "--natal-name: no chart named '" + name + "' in \"" + path + "\"";
    }
    natal::NatalChart chart;
    if (!natal::ComputeNatalChart(charts[static_cast<std::size_t>(index)], std::nullopt, chart,
                                  error))
        return "--natal: chart '" + charts[static_cast<std::size_t>(index)].name + "': " + error;
    points.clear();
    for (const natal::ChartPoint& point : natal::TransitTargets(chart))
        points.push_back({point.name, natal::Normalize(point.longitude)});
    return std::nullopt;
#else
    (void)name;
    (void)points;
    return "--natal: horoscopes are not part of this build (\"" + path + "\")";
#endif
}

std::optional<std::vector<int>> ParseBodies(const std::string& list, std::string& bad) {
    std::vector<int> codes;
    for (const std::string& item : SplitList(list)) {
        const Body* body = FindBody(item);
        const bool found = body != nullptr;
        if (!found) {
            bad = item;
            return std::nullopt;
        }
        const auto add = [&codes](int code) {
            if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
        };
        if (body->geoCode != 0) add(body->geoCode);
        // The Moon and the Node have no longitude of their own seen from the Sun.
        if (body->helioCode != 0 && !body->earthBound) add(body->helioCode);
    }
    return codes;
}

std::optional<std::string> ReadKinds(const std::string& list, events::KindSet& kinds) {
    kinds = 0;
    for (const std::string& name : SplitList(list)) {
        const auto kind = events::ParseKind(name);
        if (!kind) return "unknown kind '" + name + "' (" + events::KindNames() + ")";
        kinds |= KindBit(*kind);
    }
    return std::nullopt;
}

std::optional<std::string> ReadBodyCodes(const std::string& list, std::vector<int>& codes) {
    std::string bad;
    const auto found = ParseBodies(list, bad);
    if (!found) return "unknown body '" + bad + "' (" + BodyNameList() + ")";
    codes = *found;
    return std::nullopt;
}

std::optional<std::string> ParseEventsArguments(const std::vector<std::string>& args,
                                                double todayJed, EventsRequest& request) {
    ParsedOptions given;
    if (auto error = ParseOptions(kEventsTable, args, given)) return error;
    std::optional<Date> from, to;
    for (const char* name : {"--from", "--to"}) {
        if (const std::string* value = given.Value(name)) {
            Date date{};
            if (auto error = ReadDate(name, *value, date)) return error;
            (name == std::string_view("--from") ? from : to) = date;
        }
    }
    const auto text = [&given](const char* name) {
        const std::string* value = given.Value(name);
        return value != nullptr ? std::optional<std::string>(*value) : std::nullopt;
    };
    const std::optional<std::string> kinds = text("--kinds"), frame = text("--frame"),
                                     bodies = text("--bodies"), aspects = text("--aspects"),
                                     job = text("--job"), positions = text("--positions"),
                                     format = text("--format"), output = text("-o"),
                                     zone = text("--tz"), natalFile = text("--natal"),
                                     natalName = text("--natal-name");

    EventsRequest parsed;
    events::FinderOptions& finder = parsed.finder;
    finder.angles = events::AllFixedAngles();
    double fromJed = 0, toJed = 0;
    if (job) {
        CCaelvaneDoc doc;
        std::string error;
        if (!LoadJobFile(*job, doc, error)) return "--job: " + error;
        finder.angles = events::SignificantAngles(doc);
        JobDateRange(doc, todayJed, fromJed, toJed);
    } else if (!from || !to) {
        return "needs --from and --to, or --job";
    }
    if (from) fromJed = DateJed(*from);
    if (to) toJed = DateJed(*to);
    if (toJed < fromJed) return "the range ends before it starts";
    // The range is inclusive: the whole of its last day.
    finder.startJed = fromJed;
    finder.endJed = toJed + 1;
    // At most a thousand calendar years: up to the day before the same date 1000 years on.
    caelvane::CivilDate first = caelvane::CivilDateOfJed(fromJed);
    first.year += 1000;
    if (first.month == 2 && first.day == 29 && !IsLeapYear(first.year)) first = {first.year, 3, 1};
    if (finder.endJed > caelvane::CivilJed(first))
        return "the range spans more than 1000 years, the largest range one search takes";

    if (kinds) {
        if (auto error = ReadKinds(*kinds, finder.kinds)) return error;
    }
    if (frame) {
        if (*frame == "geo")
            finder.heliocentric = false;
        else if (*frame == "helio")
            finder.geocentric = false;
        else if (*frame != "both")
            return "unknown frame '" + *frame + "' (geo, helio, both)";
    }
    if (bodies) {
        // Each name adds at most two codes, and a repeated name none: the list stays within the
        // body table whatever its length.
        if (auto error = ReadBodyCodes(*bodies, finder.bodies)) return error;
    }
    if (aspects) {
        finder.angles.clear();
        for (const std::string& text : SplitList(*aspects)) {
            const auto angle = ParseAspectAngle(text);
            if (!angle) return "aspect angle '" + text + "' is not a number from 0 to 359";
            // The same angle twice would find every aspect twice.
            if (std::find(finder.angles.begin(), finder.angles.end(), *angle) ==
                finder.angles.end())
                finder.angles.push_back(*angle);
            if (finder.angles.size() > events::kMaxAngles)
                return "--aspects lists more than " + std::to_string(events::kMaxAngles) +
                       " angles";
        }
    }
    const bool transits = (finder.kinds & KindBit(EventKind::Transit)) != 0;
    if (natalName && !natalFile) return "--natal-name needs --natal FILE.json";
    if (kinds && transits && !natalFile)
        return "the kind transit needs a natal chart: --natal FILE.json";
    if (kinds && transits && !finder.geocentric)
        return "transits are geocentric: --frame helio finds none";
    if (natalFile && transits) {
        if (natalFile->empty()) return "--natal needs a file name";
        if (const auto error =
                NatalPointsOf(*natalFile, natalName.value_or(""), finder.natalPoints))
            return error;
    }
    finder.source = events::DefaultEventSource();
    if (positions) {
        if (auto error = ReadPositions("--positions", *positions, finder.source)) return error;
    }
    if (format) {
        if (*format == "csv")
            parsed.format = EventsFormat::Csv;
        else if (*format == "ics")
            parsed.format = EventsFormat::Ics;
        else if (*format == "text")
            parsed.format = EventsFormat::Text;
        else
            return "unknown format '" + *format + "' (csv, ics, text)";
    }
    if (output) {
        if (output->empty()) return "-o needs a file name or -";
        parsed.output = *output;
    }
    if (zone) {
        if (!ZoneExists(*zone)) return "unknown time zone '" + *zone + "'";
        parsed.zone = *zone;
    }
    request = std::move(parsed);
    return std::nullopt;
}

std::string EventsText(const std::vector<SkyEvent>& events, const std::string& zone) {
    // The C library converts in the zone of TZ: set it for the conversion, then put it back.
    const char* previous = std::getenv("TZ");
    const std::optional<std::string> saved =
        previous != nullptr ? std::optional<std::string>(previous) : std::nullopt;
    if (!zone.empty()) {
        setenv("TZ", zone.c_str(), 1);
        tzset();
    }
    std::string out;
    for (const SkyEvent& event : events) {
        const std::time_t seconds = static_cast<std::time_t>(events::UnixSeconds(event.jed));
        std::tm local{};
        localtime_r(&seconds, &local);
        char when[64];
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S %Z", &local);
        out += when;
        out += "  ";
        out += events::EventSummary(event);
        out += '\n';
    }
    if (!zone.empty()) {
        if (saved)
            setenv("TZ", saved->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    return out;
}

int RunEvents(const std::vector<std::string>& args) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const double todayJed =
        caelvane::CivilJed({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday});
    EventsRequest request;
    if (const auto error = ParseEventsArguments(args, todayJed, request))
        return UsageError("events", *error, kEventsUsage);

    // The events go out as the search finds them, a chunk at a time, so that memory stays the
    // same whatever the range; a file is written to its temporary file and renamed at the end.
    const bool toStdout = request.output == "-";
    caelvane::CAtomicFile file;
    if (!toStdout && !file.Open(request.output)) {
        std::fprintf(stderr, "caelvane-cli events: %s\n", file.Failure().Message().c_str());
        return 1;
    }
    const auto put = [&](const std::string& bytes) {
        if (toStdout) return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
        return file.Write(bytes);
    };
    const double stampJed = events::JedFromUnixSeconds(static_cast<long long>(now));
    switch (request.format) {
        case EventsFormat::Csv:
            put(std::string(events::kCsvHeader) + '\n');
            break;
        case EventsFormat::Ics:
            put(events::ICalendarBegin());
            break;
        case EventsFormat::Text:
            break;
    }
    std::string bytes;
    const auto sink = [&](std::vector<SkyEvent>& batch) {
        bytes.clear();
        switch (request.format) {
            case EventsFormat::Csv:
                events::AppendCsvLines(bytes, batch);
                break;
            case EventsFormat::Ics:
                events::AppendICalendarEvents(bytes, batch, stampJed);
                break;
            case EventsFormat::Text:
                bytes = EventsText(batch, request.zone);
                break;
        }
        return put(bytes);
    };
    events::FinderEnd end = events::FinderEnd::Done;
    try {
        end = events::StreamEvents(request.finder, sink);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "caelvane-cli events: %s\n", failure.what());
        return 1;
    }
    if (end == events::FinderEnd::Done && request.format == EventsFormat::Ics)
        put(events::ICalendarEnd());
    const bool written =
        end == events::FinderEnd::Done &&
        (toStdout ? std::fflush(stdout) == 0 && !std::ferror(stdout) : file.Commit());
    if (!written) {
        if (toStdout)
            std::fprintf(stderr, "caelvane-cli events: cannot write the events\n");
        else
            std::fprintf(stderr, "caelvane-cli events: %s\n", file.Failure().Message().c_str());
        return 1;
    }
    // Which positions the times come from, apart from the output, whose form is a contract.
    std::fprintf(stderr, "caelvane-cli events: positions: %s\n",
                 PositionSourceDescription(request.finder.source).c_str());
    if (request.finder.source == PositionSource::Precise && PreciseAnalyticUsed())
        std::fprintf(stderr, "caelvane-cli events: positions: %s\n",
                     PreciseAnalyticNotice().c_str());
    return 0;
}

}  // namespace cli
