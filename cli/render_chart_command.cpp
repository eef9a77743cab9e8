// caelvane-cli render-chart FILE.json [--name NAME] [--houses SYSTEM]
//     [--transits YYYY-MM-DDTHH:MM | --progressed YYYY-MM-DD | --solar-arc YYYY-MM-DD]
//     [--format png|svg|pdf|trace] -o OUT|- [--width W --height H]
#include "cli/render_chart_command.h"

#include <charconv>
#include <cstdio>
#include <optional>

#include "cli/chart_command.h"
#include "cli/commands.h"
#include "natal/natal_wheel.h"
#include "platform/atomic_file.h"
#include "render/trace_device.h"
#ifdef CAELVANE_HAVE_QT_RENDER
#include "render/qt_page_writer.h"
#include "render/qt_surface_writer.h"
#endif

namespace cli {

const char* const kRenderChartUsage =
    "render-chart FILE.json [--name NAME] [--houses SYSTEM] [--transits YYYY-MM-DDTHH:MM | "
    "--progressed YYYY-MM-DD | --solar-arc YYYY-MM-DD] [--format png|svg|pdf|trace] -o OUT|- "
    "[--width W --height H]";

const char* const kRenderChartHelp =
    "Draws the natal wheel of a chart of FILE.json as the desktop program's horoscope window\n"
    "shows it: signs, houses, bodies, aspects, the table of positions and the aspect grid.\n"
    "  --name NAME                 the chart (needed when the file holds several)\n"
    "  --houses SYSTEM             another house system than the chart's own\n"
    "  --transits YYYY-MM-DDTHH:MM a second ring: the bodies at that moment (UTC)\n"
    "  --progressed YYYY-MM-DD     a second ring: secondary progressions for that date\n"
    "  --solar-arc YYYY-MM-DD      a second ring: solar arc directions for that date\n"
    "  --format F                  png, svg, pdf or trace (default: from the extension of OUT)\n"
    "  -o OUT | -                  the output file, written whole or not at all; - for\n"
    "                              standard output\n"
    "  --width W, --height H       the size in pixels, 400 to 16384 (default 1000 x 1480)\n";

namespace {

enum class WheelFormat { Png, Svg, Pdf, Trace };

bool ParseFormat(const std::string& text, WheelFormat& format) {
    if (text == "png")
        format = WheelFormat::Png;
    else if (text == "svg")
        format = WheelFormat::Svg;
    else if (text == "pdf")
        format = WheelFormat::Pdf;
    else if (text == "trace")
        format = WheelFormat::Trace;
    else
        return false;
    return true;
}

int Usage(const std::string& message, bool withUsage = false) {
    return UsageError("render-chart", message, withUsage ? kRenderChartUsage : nullptr);
}

}  // namespace

int RunRenderChart(const std::vector<std::string>& args) {
    std::string file, name, houses, output, formatText;
    std::optional<std::pair<natal::RingKind, std::string>> ringArg;
    natal::WheelOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.empty() || arg[0] != '-' || arg == "-") {
            if (!file.empty()) return Usage("more than one FILE.json: '" + arg + "'", true);
            file = arg;
            continue;
        }
        const bool takesValue = arg == "--name" || arg == "--houses" || arg == "--transits" ||
                                arg == "--progressed" || arg == "--solar-arc" ||
                                arg == "--format" || arg == "-o" || arg == "--width" ||
                                arg == "--height";
        if (!takesValue) return Usage("unknown argument '" + arg + "'", true);
        if (i + 1 >= args.size()) return Usage(arg + " needs a value", true);
        const std::string& value = args[++i];
        if (arg == "--name") {
            name = value;
        } else if (arg == "--houses") {
            houses = value;
        } else if (arg == "--format") {
            formatText = value;
        } else if (arg == "-o") {
            output = value;
        } else if (arg == "--width" || arg == "--height") {
            int side = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), side);
            if (value.empty() || ec != std::errc() || end != value.data() + value.size() ||
                side < 400 || side > 16384) {
                return Usage(arg + " must be a number of pixels from 400 to 16384, not '" + value +
                             "'");
            }
            (arg == "--width" ? options.width : options.height) = side;
        } else {
            if (ringArg) return Usage("give one of --transits, --progressed and --solar-arc");
            const natal::RingKind kind = arg == "--transits"     ? natal::RingKind::Transits
                                         : arg == "--progressed" ? natal::RingKind::Progressions
                                                                 : natal::RingKind::SolarArc;
            ringArg = std::make_pair(kind, value);
        }
    }
    if (file.empty()) return Usage("missing FILE.json", true);
    if (output.empty()) return Usage("missing -o OUT", true);
    WheelFormat format{};
    if (!formatText.empty()) {
        if (!ParseFormat(formatText, format)) {
            return Usage("--format must be png, svg, pdf or trace, not '" + formatText + "'");
        }
    } else {
        const std::size_t dot = output.find_last_of('.');
        if (dot == std::string::npos || !ParseFormat(output.substr(dot + 1), format)) {
            return Usage("--format is needed: the extension of '" + output +
                         "' is none of png, svg, pdf or trace");
        }
    }
    std::optional<natal::HouseSystem> system;
    if (!houses.empty()) {
        system = natal::ParseHouseSystem(houses);
        if (!system) {
            return Usage("--houses must be one of " + natal::HouseSystemKeys() + ", not '" +
                         houses + "'");
        }
    }
    double ringJd = 0;
    if (ringArg) {
        std::int64_t seconds = 0;
        const std::string& text = ringArg->second;
        const bool withTime = ringArg->first == natal::RingKind::Transits;
        bool ok = false;
        if (withTime) {
            ok = natal::ParseIsoUtc(text, seconds);
        } else {
            natal::LocalDateTime day;
            ok = natal::ParseDate(text, day.year, day.month, day.day);
            seconds = natal::DaysFromCivil(day.year, day.month, day.day) * 86400 + 43200;
        }
        if (!ok) {
            return Usage(std::string(withTime ? "--transits must be YYYY-MM-DDTHH:MM"
                                              : "a date must be YYYY-MM-DD") +
                         ", not '" + text + "'");
        }
        ringJd = natal::JulianDayOfUtc(seconds);
    }
#ifndef CAELVANE_HAVE_QT_RENDER
    if (format != WheelFormat::Trace) {
        std::fprintf(stderr, "caelvane-cli render-chart: this build draws traces only (no Qt)\n");
        return 1;
    }
#endif
    int status = 0;
    const std::optional<natal::Horoscope> horoscope = PickChart("render-chart", file, name, status);
    if (!horoscope) return status;
    natal::NatalChart chart;
    std::string error;
    if (!natal::ComputeNatalChart(*horoscope, system, chart, error)) return Usage(error);
    natal::SecondRing ring;
    if (ringArg && !natal::MakeSecondRing(chart, ringArg->first, ringJd, ring, error)) {
        return Usage(error);
    }
    const auto draw = [&](CDrawingDevice& device) {
        device.Begin();
        natal::DrawNatalWheel(device, chart, ring, options);
        device.End();
    };
    bool written = false;
    if (format == WheelFormat::Trace) {
        CTraceDevice device;
        draw(device);
        if (output == "-") {
            const std::string& trace = device.Trace();
            written = std::fwrite(trace.data(), 1, trace.size(), stdout) == trace.size() &&
                      std::fflush(stdout) == 0;
            if (!written) error = "cannot write to standard output";
        } else {
            written = caelvane::WriteFileAtomically(output, device.Trace(), error);
        }
    } else {
#ifdef CAELVANE_HAVE_QT_RENDER
        EnsureGuiApplication();
        const SurfaceSize size{options.width, options.height, natal::kWheelUnitsPerPixel};
        const std::string title = horoscope->name;
        switch (format) {
            case WheelFormat::Png:
                written = WriteSurfacePng(output, size, draw, error);
                break;
            case WheelFormat::Svg:
                written = WriteSurfaceSvg(output, title, size, draw, error);
                break;
            default:
                written = WriteSurfacePdf(output, title, size, draw, error);
                break;
        }
#endif
    }
    if (!written) {
        std::fprintf(stderr, "caelvane-cli render-chart: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace cli
