// caelvane-cli render-sky --from YYYY-MM-DD --to YYYY-MM-DD --bodies NAME,... [--frame geo|helio]
//     [--dial 360|180|120|90|60|45|30|22.5] [--panes declination,latitude,speed]
//     [--events KINDS] [--positions series|precise] --format png|svg|pdf|trace -o OUT
//     [--width W --height H]
// Draws the sky chart the desktop program's Sky Chart window shows, without a display.
#include "cli/render_sky_command.h"

#include <charconv>
#include <cstdio>

#include "cli/commands.h"
#include "cli/ephem_command.h"
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

const char* const kRenderSkyUsage =
    "render-sky --from YYYY-MM-DD --to YYYY-MM-DD --bodies NAME,... [--frame geo|helio] "
    "[--dial 360|180|120|90|60|45|30|22.5] [--panes declination,latitude,speed] "
    "[--events KINDS] [--positions series|precise] --format png|svg|pdf|trace -o OUT|- "
    "[--width W --height H]";

const char* const kRenderSkyHelp =
    "Draws the sky over a range of dates: time across, the bodies' longitudes folded on a\n"
    "dial, as the desktop program's Sky Chart window shows it.\n"
    "  --from, --to YYYY-MM-DD    the range, from 00:00 UT of the one to 00:00 UT of the other\n"
    "  --bodies NAME,...          the bodies drawn: Sun, Moon, Mercury, Venus, Earth, Mars,\n"
    "                             Jupiter, Saturn, Uranus, Neptune, Pluto, Node, Chiron\n"
    "  --frame geo|helio          geocentric (default) or heliocentric longitudes\n"
    "  --dial D                   the longitude modulo D: 360 (default), 180, 120, 90, 60,\n"
    "                             45, 30 or 22.5 degrees; on 90 the squares and oppositions\n"
    "                             of every pair are crossings\n"
    "  --panes LIST               panes under the chart: declination (with the band of the\n"
    "                             obliquity of date), latitude, speed (degrees a day)\n"
    "  --events KINDS             marks the sky's events: a comma list of aspect, ingress,\n"
    "                             station, lunation, eclipse\n"
    "  --positions S              series or precise (default: precise where the build has it)\n"
    "  --format F                 png, svg, pdf or trace\n"
    "  -o OUT | -                 the output file, written whole or not at all; - for\n"
    "                             standard output\n"
    "  --width W, --height H      the size in pixels, 200 to 16384 (default 1200 x 700)\n";

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

bool ParseSide(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= kMinSide && value <= kMaxSide;
}

const char* const kOptions[] = {"--from",   "--to",    "--bodies", "--frame",
                                "--dial",   "--panes", "--events", "--positions",
                                "--format", "-o",      "--width",  "--height"};

}  // namespace

std::optional<std::string> ParseRenderSkyArguments(const std::vector<std::string>& args,
                                                   RenderSkyRequest& request) {
    request = RenderSkyRequest{};
    std::optional<std::string> values[std::size(kOptions)];
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        std::size_t index = std::size(kOptions);
        for (std::size_t k = 0; k < std::size(kOptions); ++k) {
            if (option == kOptions[k]) index = k;
        }
        if (index == std::size(kOptions)) return "unknown argument '" + option + "'";
        if (i + 1 >= args.size()) return option + " needs a value";
        if (values[index]) return option + " given twice";
        values[index] = args[++i];
    }
    const auto value = [&](const char* name) -> const std::optional<std::string>& {
        for (std::size_t k = 0; k < std::size(kOptions); ++k) {
            if (std::string_view(kOptions[k]) == name) return values[k];
        }
        return values[0];  // never: every name asked for is in the table
    };
    std::optional<Date> dates[2];
    for (int k = 0; k < 2; ++k) {
        const char* name = k == 0 ? "--from" : "--to";
        if (!value(name)) return std::string("needs ") + name + " YYYY-MM-DD";
        dates[k] = ParseDate(*value(name));
        if (!dates[k]) {
            return std::string(name) + " needs a date YYYY-MM-DD, not '" + *value(name) + "'";
        }
    }
    request.from =
        static_cast<double>(prices::DaysFromCivil(dates[0]->year, dates[0]->month, dates[0]->day)) *
        86400.0;
    request.to =
        static_cast<double>(prices::DaysFromCivil(dates[1]->year, dates[1]->month, dates[1]->day)) *
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
        caelvane::events::KindSet kinds = 0;
        if (!prices::ParseKindList(*value("--events"), kinds, error)) return "--events: " + error;
        request.eventKinds = kinds;
    }
    if (value("--positions")) {
        const std::optional<PositionSource> source =
            ReadPositionSource(*value("--positions"), error);
        if (!source) return "--positions: " + error;
        request.source = *source;
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
        if (!ParseSide(*value(name), side)) {
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
        markers.angles = caelvane::events::AllFixedAngles();
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
        EnsureGuiApplication();
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
