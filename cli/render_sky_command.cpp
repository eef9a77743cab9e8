// caelvane-cli render-sky --from YYYY-MM-DD --to YYYY-MM-DD --bodies NAME,... [--frame geo|helio]
//     [--dial 360|180|120|90|60|45|30|22.5] [--panes declination,latitude,speed]
//     [--events KINDS] [--positions series|precise] --format png|svg|pdf|trace -o OUT
//     [--width W --height H]
// Draws the sky chart the desktop program's Sky Chart window shows, without a display.
#include "cli/render_sky_command.h"

#include <cstdio>

#include "cli/commands.h"
#include "cli/ephem_command.h"
#include "cli/option_values.h"
#include "cli/options.h"
#include "ephemeris/bodies.h"
#include "events/job_aspects.h"
#include "platform/atomic_file.h"
#include "prices/ohlc.h"
#include "prices/sky_markers.h"
#include "render/trace_device.h"
#include "sky/sky_chart.h"
#ifdef CAELVANE_HAVE_QT_RENDER
#include "render/qt_page_writer.h"
#include "render/qt_surface_writer.h"
#endif

namespace cli {

namespace {

constexpr int kMinSide = 200;
constexpr int kMaxSide = 16384;

int Failure(const std::string& message) {
    std::fprintf(stderr, "caelvane-cli render-sky: %s\n", message.c_str());
    return 1;
}

std::optional<SkyFormat> ParseSkyFormat(const std::string& text) {
    if (text == "png") return SkyFormat::Png;
    if (text == "svg") return SkyFormat::Svg;
    if (text == "pdf") return SkyFormat::Pdf;
    if (text == "trace") return SkyFormat::Trace;
    return std::nullopt;
}

// The bodies as the body table names them.
const char* const kBodiesHelp = KeepText(WrapHelp("the bodies drawn: " + BodyNameList()));

const Option kRenderSkyOptionRows[] = {
    {"--from", "YYYY-MM-DD", "the range, from 00:00 UT of the one to 00:00 UT of the other",
     kRequired},
    {"--to", "YYYY-MM-DD", nullptr, kRequired},
    {"--bodies", "NAME,...", kBodiesHelp, kRequired},
    {"--frame", "geo|helio", "geocentric (default) or heliocentric longitudes"},
    {"--dial", "360|180|120|90|60|45|30|22.5",
     "the longitude modulo D: 360 (default), 180, 120, 90, 60,\n"
     "45, 30 or 22.5 degrees; on 90 the squares and oppositions\n"
     "of every pair are crossings",
     0, "D"},
    {"--panes", "declination,latitude,speed",
     "panes under the chart: declination (with the band of the\n"
     "obliquity of date), latitude, speed (degrees a day)",
     0, "LIST"},
    {"--events", "KINDS",
     "marks the sky's events: a comma list of aspect, ingress,\n"
     "station, lunation, eclipse"},
    {"--positions", "series|precise", "series or precise (default: precise where the build has it)",
     0, "S"},
    {"--format", "png|svg|pdf|trace", "png, svg, pdf or trace", kRequired, "F"},
    {"-o", "OUT|-",
     "the output file, written whole or not at all; - for\n"
     "standard output",
     kRequired, "OUT | -"},
    {"--width", "W", "the size in pixels, 200 to 16384 (default 1200 x 700)", 0, nullptr,
     "[--width W --height H]"},
    {"--height", "H", nullptr, 0, nullptr, ""},
};

constexpr OptionTable kRenderSkyTable{
    .name = "render-sky",
    .options = kRenderSkyOptionRows,
    .intro =
        "Draws the sky over a range of dates: time across, the bodies' longitudes folded on a\n"
        "dial, as the desktop program's Sky Chart window shows it.\n",
    .column = 29,
};

constexpr const OptionTable* kRenderSkyTables[] = {&kRenderSkyTable};

}  // namespace

OptionTables RenderSkyOptionTables() {
    return kRenderSkyTables;
}

const char* const kRenderSkyUsage = KeepText(UsageOf(kRenderSkyTable));
const char* const kRenderSkyHelp = KeepText(HelpOf(kRenderSkyTable));

std::optional<std::string> ParseRenderSkyArguments(const std::vector<std::string>& args,
                                                   RenderSkyRequest& request) {
    request = RenderSkyRequest{};
    ParsedOptions parsed;
    if (auto error = ParseOptions(kRenderSkyTable, args, parsed)) return error;
    const auto value = [&parsed](const char* name) {
        const std::string* given = parsed.Value(name);
        return given != nullptr ? std::optional<std::string>(*given) : std::nullopt;
    };
    Date dates[2];
    for (int k = 0; k < 2; ++k) {
        const char* name = k == 0 ? "--from" : "--to";
        if (!value(name)) return std::string("needs ") + name + " YYYY-MM-DD";
        if (auto error = ReadDate(name, *value(name), dates[k])) return error;
    }
    request.from =
        static_cast<double>(prices::DaysFromCivil(dates[0].year, dates[0].month, dates[0].day)) *
        86400.0;
    request.to =
        static_cast<double>(prices::DaysFromCivil(dates[1].year, dates[1].month, dates[1].day)) *
        86400.0;
    if (value("--frame")) {
        const std::optional<Frame> frame = ParseFrame(*value("--frame"));
        if (!frame) return "--frame must be geo or helio, not '" + *value("--frame") + "'";
        request.frame = *frame;
    }
    if (!value("--bodies")) return "needs --bodies NAME,...";
    std::string error;
    if (!prices::ParseBodyList(*value("--bodies"), request.frame, request.bodies, error)) {
        return "--bodies: " + error;
    }
    if (value("--dial") && !sky::ParseDial(*value("--dial"), request.dial)) {
        return "--dial must be one of 360, 180, 120, 90, 60, 45, 30, 22.5, not '" +
               *value("--dial") + "'";
    }
    if (value("--panes") && !prices::ParsePaneList(*value("--panes"), request.panes, error)) {
        return "--panes: " + error;
    }
    if (value("--events")) {
        events::KindSet kinds = 0;
        if (!prices::ParseKindList(*value("--events"), kinds, error)) return "--events: " + error;
        request.eventKinds = kinds;
    }
    if (value("--positions")) {
        if (auto problem = ReadPositions("--positions", *value("--positions"), request.source))
            return problem;
        request.sourceGiven = true;
    } else {
        request.source =
            PrecisePositionsAvailable() ? PositionSource::Precise : PositionSource::Series;
    }
    if (!value("--format")) return "needs --format png, svg, pdf or trace";
    const std::optional<SkyFormat> format = ParseSkyFormat(*value("--format"));
    if (!format) return "--format must be png, svg, pdf or trace, not '" + *value("--format") + "'";
    request.format = *format;
    if (!value("-o") || value("-o")->empty()) return "needs -o OUT (- for standard output)";
    request.output = *value("-o");
    for (const char* name : {"--width", "--height"}) {
        if (!value(name)) continue;
        int& side = std::string_view(name) == "--width" ? request.width : request.height;
        const std::optional<long long> number = ParseWhole(*value(name));
        if (number && *number >= kMinSide && *number <= kMaxSide) {
            side = static_cast<int>(*number);
        } else {
            return std::string(name) +
                   " must be a whole number of pixels from 200 to 16384, not '" + *value(name) +
                   "'";
        }
    }
    if (const std::string problem = sky::CheckSkyRange(request.from, request.to, request.source);
        !problem.empty()) {
        return problem;
    }
    return std::nullopt;
}

int RunRenderSky(const std::vector<std::string>& args) {
    RenderSkyRequest request;
    if (const std::optional<std::string> problem = ParseRenderSkyArguments(args, request)) {
        return UsageError("render-sky", *problem, kRenderSkyUsage);
    }
#ifndef CAELVANE_HAVE_QT_RENDER
    if (request.format != SkyFormat::Trace) return Failure("this build draws traces only (no Qt)");
#endif
    if (!request.sourceGiven) {
        std::fprintf(stderr, "caelvane-cli render-sky: note: positions from %s\n",
                     PositionSourceDescription(request.source).c_str());
    }
    sky::SkyChartOptions options;
    options.frame = request.frame;
    options.source = request.source;
    options.dial = request.dial;
    options.panes = request.panes;
    for (int code : request.bodies)
        options.bodies.push_back({code, prices::DefaultBodyColor(code)});
    options.title = prices::FormatBarTime(request.from, false) + " to " +
                    prices::FormatBarTime(request.to, false);
    if (request.eventKinds != 0) {
        prices::SkyMarkerRequest markers;
        markers.from = request.from;
        markers.to = request.to;
        markers.kinds = request.eventKinds;
        markers.frame = request.frame;
        markers.bodies = request.bodies;
        markers.angles = events::AllFixedAngles();
        markers.source = request.source;
        prices::SkyMarkers found = prices::FindSkyMarkers(markers);
        if (!found.error.empty()) return Failure(found.error);
        options.markers = std::move(found.markers);
        options.spans = std::move(found.spans);
    }
    const prices::ChartWindow window = sky::DialWindow(request.from, request.to, request.dial);
    const prices::CChartFrame frame =
        sky::SkyFrame(request.width, request.height, window, options.panes.size());
    sky::SkyCache cache;
    const auto draw = [&](CDrawingDevice& device) {
        device.Begin();
        sky::DrawSkyChart(device, options, frame, cache);
        device.End();
    };
    std::string error;
    bool written = false;
    if (request.format == SkyFormat::Trace) {
        CTraceDevice device;
        draw(device);
        if (request.output == "-") {
            const std::string& trace = device.Trace();
            written = std::fwrite(trace.data(), 1, trace.size(), stdout) == trace.size() &&
                      std::fflush(stdout) == 0;
            if (!written) error = "cannot write to standard output";
        } else {
            written = caelvane::WriteFileAtomically(request.output, device.Trace(), error);
        }
    } else {
#ifdef CAELVANE_HAVE_QT_RENDER
        // Only the markers' labels are measured (with the font system's metrics).
        if (request.format != SkyFormat::Svg || !options.markers.empty()) EnsureGuiApplication();
        const SurfaceSize size{request.width, request.height, prices::kUnitsPerPixel};
        switch (request.format) {
            case SkyFormat::Png:
                written = WriteSurfacePng(request.output, size, draw, error);
                break;
            case SkyFormat::Svg:
                written = WriteSurfaceSvg(request.output, options.title, size, draw, error);
                break;
            default:
                written = WriteSurfacePdf(request.output, options.title, size, draw, error);
                break;
        }
#endif
    }
    if (!written) return Failure(error);
    return 0;
}

}  // namespace cli
