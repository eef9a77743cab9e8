// caelvane-cli chart new -o FILE.json --name NAME --date YYYY-MM-DD --time HH:MM[:SS]|unknown
//     (--place NAME | --lat DEG --lon DEG --tz ZONE|+HH:MM) [--houses SYSTEM]
//     [--choice earlier|later]
// caelvane-cli chart show FILE.json [--name NAME] [--houses SYSTEM] [--format json|csv]
#include "cli/chart_command.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/atlas_command.h"
#include "cli/commands.h"
#include "cli/option_values.h"
#include "cli/options.h"
#include "ephemeris/swiss/swiss_ephemeris.h"
#include "natal/atlas.h"

namespace cli {

namespace {

constexpr Option kChartNewRows[] = {
    {"-o", "FILE.json", "the file of charts", kRequired},
    {"--name", "NAME", "the chart's name, not yet in the file", kRequired},
    {"--date", "YYYY-MM-DD", "the local date (proleptic Gregorian)", kRequired},
    {"--time", "HH:MM[:SS]|unknown",
     "the local wall-clock time; 'unknown': drawn at noon, no houses", kRequired, "HH:MM[:SS]"},
    {"--place", "NAME",
     "the most populous place of that name in the atlas, with its\n"
     "coordinates and zone ('caelvane-cli atlas NAME' lists them)",
     0, nullptr, "(--place NAME | --lat DEG --lon DEG --tz ZONE|+HH:MM)"},
    {"--lat", "DEG", "the place by hand: latitude north and longitude east positive", 0, nullptr,
     ""},
    {"--lon", "DEG", nullptr, 0, nullptr, ""},
    {"--tz", "ZONE|+HH:MM",
     "an IANA zone (history and daylight time as tzdata has them;\n"
     "before standard time, the place's local mean time) or a fixed\n"
     "offset",
     0, nullptr, ""},
    {"--houses", "SYSTEM",
     "placidus (default), koch, equal, whole-sign, porphyry,\n"
     "regiomontanus, campanus, alcabitius, topocentric, morinus,\n"
     "meridian"},
    {"--choice", "earlier|later",
     "for a local time that a daylight-saving change repeated or\n"
     "skipped: the offset before or after the change"},
};

constexpr OptionTable kChartNewTable{
    .name = "chart new",
    .options = kChartNewRows,
    .intro =
        "chart new adds a horoscope to a file of charts (JSON), creating the file; an "
        "existing file\n"
        "is replaced whole or not at all, and one that cannot be read is left alone.\n",
    .column = 26,
};

constexpr Option kChartShowRows[] = {
    {"FILE.json", "", "", kPositional | kRequired},
    {"--name", "NAME", "the chart (needed when the file holds several)"},
    {"--houses", "SYSTEM", "another house system than the chart's own"},
    {"--format", "json|csv", "default json"},
};

constexpr OptionTable kChartShowTable{
    .name = "chart show",
    .options = kChartShowRows,
    .intro =
        "chart show prints a chart computed on the precise source: utc, jd_ut, zone, offset, "
        "the\n"
        "bodies (points: name, longitude, latitude, speed in degrees/day, declination, sign,\n"
        "house) and the houses (system, cusps from cusp 1, asc, mc, vertex). Longitudes "
        "tropical,\n"
        "true equinox of date, apparent, geocentric.\n",
    .column = 26,
};

constexpr const OptionTable* kChartTables[] = {&kChartNewTable, &kChartShowTable};

}  // namespace

OptionTables ChartOptionTables() {
    return kChartTables;
}

const char* const kChartUsage = KeepText(UsageOf(kChartTables));
const char* const kChartHelp = KeepText(HelpOf(kChartTables));

namespace {

int Failure(const char* command, const std::string& message) {
    std::fprintf(stderr, "caelvane-cli chart %s: %s\n", command, message.c_str());
    return 1;
}

int BadInput(const char* command, const std::string& message) {
    std::fprintf(stderr, "caelvane-cli chart %s: %s\n", command, message.c_str());
    return kUsageError;
}

bool ParseDegrees(const std::string& text, double& value) {
    const std::optional<double> degrees = ParseReal(text);
    if (degrees) value = *degrees;
    return degrees.has_value();
}

int Write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int RunNew(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    if (auto error = ParseOptions(kChartNewTable, args, parsed))
        return UsageError("chart", *error, kChartUsage);
    const auto text = [&parsed](const char* name) {
        const std::string* value = parsed.Value(name);
        return value != nullptr ? *value : std::string();
    };
    const std::string output = text("-o"), name = text("--name"), date = text("--date"),
                      time = text("--time"), place = text("--place"), lat = text("--lat"),
                      lon = text("--lon"), zone = text("--tz"), houses = text("--houses"),
                      choice = text("--choice");
    if (output.empty()) return UsageError("chart", "missing -o FILE.json", kChartUsage);
    if (name.empty()) return UsageError("chart", "missing --name NAME", kChartUsage);
    if (date.empty()) return UsageError("chart", "missing --date YYYY-MM-DD", kChartUsage);
    if (time.empty()) return UsageError("chart", "missing --time HH:MM[:SS]", kChartUsage);
    natal::Horoscope horoscope;
    horoscope.name = name;
    if (!natal::ParseDate(date, horoscope.local.year, horoscope.local.month, horoscope.local.day)) {
        return UsageError("chart", "--date must be a date YYYY-MM-DD, not '" + date + "'");
    }
    if (time == "unknown") {
        horoscope.timeUnknown = true;
        horoscope.local.hour = 12;
    } else if (!natal::ParseTime(time, horoscope.local.hour, horoscope.local.minute,
                                 horoscope.local.second)) {
        return UsageError("chart", "--time must be HH:MM or HH:MM:SS, not '" + time + "'");
    }
    if (!place.empty()) {
        const std::vector<natal::AtlasPlace> found = natal::SearchAtlas(place, 1);
        if (found.empty()) {
            return UsageError(
                "chart", "no place named '" + place + "' in the atlas: give --lat, --lon and --tz");
        }
        horoscope.place = {found[0].name, found[0].latitude, found[0].longitude};
        horoscope.zone = found[0].zone;
        if (!found[0].region.empty()) horoscope.place.name += ", " + found[0].region;
        if (!found[0].country.empty()) horoscope.place.name += ", " + found[0].country;
    } else if (lat.empty() || lon.empty() || zone.empty()) {
        return UsageError("chart", "give --place NAME, or --lat, --lon and --tz", kChartUsage);
    }
    if (!lat.empty() && !ParseDegrees(lat, horoscope.place.latitude)) {
        return UsageError("chart", "--lat must be degrees, not '" + lat + "'");
    }
    if (!lon.empty() && !ParseDegrees(lon, horoscope.place.longitude)) {
        return UsageError("chart", "--lon must be degrees, not '" + lon + "'");
    }
    if (!zone.empty()) horoscope.zone = zone;
    if (!houses.empty()) {
        const std::optional<natal::HouseSystem> system = natal::ParseHouseSystem(houses);
        if (!system) {
            return UsageError("chart", "--houses must be one of " + natal::HouseSystemKeys() +
                                           ", not '" + houses + "'");
        }
        horoscope.houses = *system;
    }
    if (!choice.empty() && (!natal::ParseChoice(choice, horoscope.choice) ||
                            horoscope.choice == natal::LocalTimeChoice::None)) {
        return UsageError("chart", "--choice must be earlier or later, not '" + choice + "'");
    }
    // The chart must compute before it is kept: a skipped local time, a zone not known or a
    // date beyond the ephemeris is refused now, not when it is drawn.
    natal::NatalChart chart;
    std::string error;
    if (!natal::ComputeNatalChart(horoscope, std::nullopt, chart, error)) {
        return BadInput("new", error);
    }
    std::vector<natal::Horoscope> charts;
    if (natal::ChartFileExists(output) && !natal::LoadChartFile(output, charts, error)) {
        return BadInput("new", error + " The file is left as it was.");
    }
    if (natal::FindChart(charts, name) >= 0) {
        return BadInput("new", "a chart named '" + name + "' is already in \"" + output + "\"");
    }
    charts.push_back(horoscope);
    if (!natal::SaveChartFile(output, charts, error)) return Failure("new", error);
    for (const std::string& note : chart.notes) {
        std::fprintf(stderr, "caelvane-cli chart new: %s\n", note.c_str());
    }
    return 0;
}

int RunShow(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    if (auto error = ParseOptions(kChartShowTable, args, parsed))
        return UsageError("chart", *error, kChartUsage);
    const auto text = [&parsed](const char* name, const char* otherwise) {
        const std::string* value = parsed.Value(name);
        return value != nullptr ? *value : std::string(otherwise);
    };
    const std::string file = parsed.words.empty() ? std::string() : parsed.words[0];
    const std::string name = text("--name", ""), houses = text("--houses", ""),
                      format = text("--format", "json");
    if (file.empty()) return UsageError("chart", "missing FILE.json", kChartUsage);
    if (format != "json" && format != "csv") {
        return UsageError("chart", "--format must be json or csv, not '" + format + "'");
    }
    std::optional<natal::HouseSystem> system;
    if (!houses.empty()) {
        system = natal::ParseHouseSystem(houses);
        if (!system) {
            return UsageError("chart", "--houses must be one of " + natal::HouseSystemKeys() +
                                           ", not '" + houses + "'");
        }
    }
    int status = 0;
    const std::optional<natal::Horoscope> horoscope = PickChart("show", file, name, status);
    if (!horoscope) return status;
    natal::NatalChart chart;
    std::string error;
    if (!natal::ComputeNatalChart(*horoscope, system, chart, error)) return BadInput("show", error);
    for (const std::string& note : chart.notes) {
        std::fprintf(stderr, "caelvane-cli chart show: %s\n", note.c_str());
    }
    return Write(format == "json" ? ChartJson(chart) : ChartCsv(chart));
}

std::string Fixed(double value, int digits = 9) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

}  // namespace

std::optional<natal::Horoscope> PickChart(const char* command, const std::string& path,
                                          const std::string& name, int& status) {
    std::vector<natal::Horoscope> charts;
    std::string error;
    if (!natal::LoadChartFile(path, charts, error)) {
        status = BadInput(command, error);
        return std::nullopt;
    }
    if (name.empty()) {
        if (charts.size() == 1) return charts[0];
        std::string names;
        for (const natal::Horoscope& h : charts)
            names += (names.empty() ? "'" : ", '") + h.name + "'";
        status = BadInput(command, charts.empty()
                                       ? "\"" + path + "\" holds no chart"
                                       : "\"" + path + "\" holds " + std::to_string(charts.size()) +
                                             " charts: name one with --name (" + names + ")");
        return std::nullopt;
    }
    const int index = natal::FindChart(charts, name);
    if (index < 0) {
        status = BadInput(command, "no chart named '" + name + "' in \"" + path + "\"");
        return std::nullopt;
    }
    return charts[static_cast<std::size_t>(index)];
}

std::string ChartJson(const natal::NatalChart& chart) {
    using Json = nlohmann::ordered_json;
    Json out = Json::object();
    out["name"] = chart.horoscope.name;
    out["utc"] = natal::IsoUtc(chart.zone.utcSeconds);
    out["jd_ut"] = chart.jdUt;
    out["zone"] = chart.horoscope.zone;
    out["offset"] = natal::FormatOffset(chart.zone.offsetSeconds);
    out["abbreviation"] = chart.zone.abbreviation;
    out["local_mean_time"] = chart.zone.localMeanTime;
    out["time_known"] = !chart.horoscope.timeUnknown;
    out["place"] = Json{{"name", chart.horoscope.place.name},
                        {"latitude", chart.horoscope.place.latitude},
                        {"longitude", chart.horoscope.place.longitude}};
    Json points = Json::array();
    for (const natal::ChartPoint& point : chart.bodies) {
        points.push_back(Json{{"name", point.name},
                              {"longitude", point.longitude},
                              {"latitude", point.latitude},
                              {"speed", point.speed},
                              {"declination", point.declination},
                              {"sign", natal::SignName(natal::SignOf(point.longitude))},
                              {"house", point.house > 0 ? Json(point.house) : Json(nullptr)}});
    }
    out["points"] = std::move(points);
    if (chart.houses) {
        const natal::Houses& h = *chart.houses;
        Json cusps = Json::array();
        for (double cusp : h.cusps) cusps.push_back(cusp);
        out["houses"] = Json{{"system", natal::InfoOf(h.system).key},
                             {"cusps", std::move(cusps)},
                             {"asc", h.ascendant},
                             {"mc", h.midheaven},
                             {"vertex", h.vertex}};
    } else {
        out["houses"] = nullptr;
    }
    out["notes"] = chart.notes;
    out["source"] = swiss::SwissDataDescription();
    return out.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string ChartCsv(const natal::NatalChart& chart) {
    const std::string lead = natal::IsoUtc(chart.zone.utcSeconds) + "," + Fixed(chart.jdUt, 7) +
                             "," + CsvField(chart.horoscope.zone) + "," +
                             natal::FormatOffset(chart.zone.offsetSeconds) + "," +
                             (chart.houses ? natal::InfoOf(chart.houses->system).key : "") + ",";
    std::string csv =
        "utc,jd_ut,zone,offset,system,name,longitude,latitude,speed,declination,sign,house\n";
    const auto row = [&](const std::string& name, double longitude, const std::string& rest,
                         int house) {
        csv += lead + CsvField(name) + "," + Fixed(longitude) + "," + rest + "," +
               natal::SignName(natal::SignOf(longitude)) + "," +
               (house > 0 ? std::to_string(house) : std::string()) + "\n";
    };
    for (const natal::ChartPoint& point : chart.bodies) {
        row(point.name, point.longitude,
            Fixed(point.latitude) + "," + Fixed(point.speed) + "," + Fixed(point.declination),
            point.house);
    }
    if (chart.houses) {
        const natal::Houses& h = *chart.houses;
        row("asc", h.ascendant, ",,", 1);
        row("mc", h.midheaven, ",,", 10);
        row("vertex", h.vertex, ",,", natal::HouseOf(h.vertex, h.cusps));
        for (int i = 0; i < 12; ++i) row("cusp " + std::to_string(i + 1), h.cusps[i], ",,", i + 1);
    }
    return csv;
}

int RunChart(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError("chart", "missing new or show", kChartUsage);
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "new") return RunNew(rest);
    if (args[0] == "show") return RunShow(rest);
    return UsageError("chart", "unknown action '" + args[0] + "': new or show", kChartUsage);
}

}  // namespace cli
