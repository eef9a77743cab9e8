// caelvane-cli render-chart FILE.json [--name NAME] [--houses SYSTEM]
//     [--transits YYYY-MM-DDTHH:MM | --progressed YYYY-MM-DD | --solar-arc YYYY-MM-DD]
//     [--format png|svg|pdf|trace] -o OUT|- [--width W --height H]
#include "cli/render_chart_command.h"

#include <cstdio>
#include <optional>

#include "cli/chart_command.h"
#include "cli/commands.h"
#include "cli/option_values.h"
#include "cli/options.h"
#include "natal/natal_wheel.h"
#include "platform/atomic_file.h"
#include "render/trace_device.h"
#ifdef CAELVANE_HAVE_QT_RENDER
#include "render/qt_page_writer.h"
#include "render/qt_surface_writer.h"
#endif

namespace cli {

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

constexpr Option kRenderChartOptionRows[] = {
    {"FILE.json", "", "", kPositional | kRequired},
    {"--name", "NAME", "the chart (needed when the file holds several)"},
    {"--houses", "SYSTEM", "another house system than the chart's own"},
    // One second ring at most: repeatable here so that a second one is seen and refused.
    {"--transits", "YYYY-MM-DDTHH:MM", "a second ring: the bodies at that moment (UTC)",
     kRepeatable, nullptr,
     "[--transits YYYY-MM-DDTHH:MM | --progressed YYYY-MM-DD | --solar-arc YYYY-MM-DD]"},
    {"--progressed", "YYYY-MM-DD", "a second ring: secondary progressions for that date",
     kRepeatable, nullptr, ""},
    {"--solar-arc", "YYYY-MM-DD", "a second ring: solar arc directions for that date", kRepeatable,
     nullptr, ""},
    {"--format", "png|svg|pdf|trace", "png, svg, pdf or trace (default: from the extension of OUT)",
     0, "F"},
    {"-o", "OUT|-",
     "the output file, written whole or not at all; - for\n"
     "standard output",
     kRequired, "OUT | -"},
    {"--width", "W", "the size in pixels, 400 to 16384 (default 1000 x 1480)", 0, nullptr,
     "[--width W --height H]"},
    {"--height", "H", nullptr, 0, nullptr, ""},
};

constexpr OptionTable kRenderChartTable{
    .name = "render-chart",
    .options = kRenderChartOptionRows,
    .intro =
        "Draws the natal wheel of a chart of FILE.json as the desktop program's horoscope "
        "window\n"
        "shows it: signs, houses, bodies, aspects, the table of positions and the aspect "
        "grid.\n",
    .column = 30,
};

constexpr const OptionTable* kRenderChartTables[] = {&kRenderChartTable};

}  // namespace

OptionTables RenderChartOptionTables() {
    return kRenderChartTables;
}

const char* const kRenderChartUsage = KeepText(UsageOf(kRenderChartTable));
const char* const kRenderChartHelp = KeepText(HelpOf(kRenderChartTable));

namespace {

int Usage(const std::string& message, bool withUsage = false) {
    return UsageError("render-chart", message, withUsage ? kRenderChartUsage : nullptr);
}

}  // namespace

int RunRenderChart(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    if (auto error = ParseOptions(kRenderChartTable, args, parsed)) return Usage(*error, true);
    const auto text = [&parsed](const char* name) {
        const std::string* value = parsed.Value(name);
        return value != nullptr ? *value : std::string();
    };
    const std::string file = parsed.words.empty() ? std::string() : parsed.words[0];
    const std::string name = text("--name"), houses = text("--houses"), output = text("-o"),
                      formatText = text("--format");
    std::optional<std::pair<natal::RingKind, std::string>> ringArg;
    natal::WheelOptions options;
    for (const GivenOption& given : parsed.given) {
        const std::string_view arg = given.option->name;
        if (arg == "--width" || arg == "--height") {
            const std::optional<long long> side = ParseWhole(given.value);
            if (!side || *side < 400 || *side > 16384) {
                return Usage(std::string(arg) +
                             " must be a number of pixels from 400 to 16384, not '" + given.value +
                             "'");
            }
            (arg == "--width" ? options.width : options.height) = static_cast<int>(*side);
        } else if (arg == "--transits" || arg == "--progressed" || arg == "--solar-arc") {
            if (ringArg) return Usage("give one of --transits, --progressed and --solar-arc");
            const natal::RingKind kind = arg == "--transits"     ? natal::RingKind::Transits
                                         : arg == "--progressed" ? natal::RingKind::Progressions
                                                                 : natal::RingKind::SolarArc;
            ringArg = std::make_pair(kind, given.value);
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
        if (format != WheelFormat::Svg) EnsureGuiApplication();  // the wheel measures nothing
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
