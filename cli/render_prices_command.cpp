// caelvane-cli render-prices FILE.csv [--bodies NAME,...] [--frame geo|helio]
//     [--units-per-circle U] [--offset DEG] [--harmonics LIST] [--positions series|precise]
//     [--style candles|bars|line] [--log] [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--min P]
//     [--max P] [--skip-bad-rows] [--title TEXT] [--format png|svg|pdf|trace] -o OUT
//     [--width W --height H] [--events KINDS] [--event-bodies NAME,...] [--retrograde NAME,...]
//     [--legend PLACE] [--line-labels] [--trading-days] [--volume]
// Draws the chart the desktop program's price window shows, without a display.
#include "cli/render_prices_command.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/commands.h"
#include "cli/date_options.h"
#include "cli/option_values.h"
#include "cli/options.h"
#include "ephemeris/bodies.h"
#include "events/job_aspects.h"
#include "platform/atomic_file.h"
#include "prices/ohlc_reader.h"
#include "prices/sky_markers.h"
#include "render/trace_device.h"
#ifdef CAELVANE_HAVE_QT_RENDER
#include "render/qt_page_writer.h"
#include "render/qt_surface_writer.h"
#endif

namespace cli {

namespace {

constexpr int kMinSide = 200;
constexpr int kMaxSide = 16384;

int Failure(const std::string& message) {
    std::fprintf(stderr, "caelvane-cli render-prices: %s\n", message.c_str());
    return 1;
}

bool ParseFormat(const std::string& text, PriceChartFormat& format) {
    if (text == "png")
        format = PriceChartFormat::Png;
    else if (text == "svg")
        format = PriceChartFormat::Svg;
    else if (text == "pdf")
        format = PriceChartFormat::Pdf;
    else if (text == "trace")
        format = PriceChartFormat::Trace;
    else
        return false;
    return true;
}

}  // namespace

namespace {

// The bodies as the body table names them.
const char* const kBodiesHelp =
    KeepText(WrapHelp("the bodies whose price lines are drawn: " + BodyNameList() +
                      ", in any case (default: no lines)"));

const Option kRenderPricesOptionRows[] = {
    {"FILE.csv", "", "", kPositional | kRequired},
    {"--bodies", "NAME,...", kBodiesHelp},
    {"--frame", "geo|helio", "geocentric (default) or heliocentric longitudes"},
    {"--units-per-circle", "U", "price units per turn of the zodiac, above 0 (default 72)"},
    {"--offset", "DEG", "degrees added to every longitude (default 0)"},
    {"--harmonics", "0,90,...", "degrees added for further lines of each body (default 0)"},
    {"--positions", "series|precise",
     "precise (default where this build has it: Swiss Ephemeris)\n"
     "or series (the classic series)",
     0, "SOURCE"},
    {"--style", "candles|bars|line",
     "candles, bars or line (default: candles when the file has\n"
     "open, high and low, else line)",
     0, "S"},
    {"--log", "", "a logarithmic price axis (every price must be above 0)", kFlag | kRepeatable},
    {"--from", "YYYY-MM-DD",
     "the dates shown, proleptic Gregorian (default: the whole\n"
     "file); a range that holds no bar is refused"},
    {"--to", "YYYY-MM-DD", nullptr},
    {"--min", "P", "the prices shown (default: all of the bars)"},
    {"--max", "P", nullptr},
    {"--skip-bad-rows", "", "leave out rows that cannot be read, and say how many",
     kFlag | kRepeatable},
    {"--title", "TEXT", "the title (default: the file's name)"},
    {"--format", "png|svg|pdf|trace", "png, svg, pdf or trace (default: from the extension of OUT)",
     0, "F"},
    {"-o", "OUT|-",
     "the output file, written whole or not at all; - for\n"
     "standard output",
     kRequired, "OUT | -"},
    {"--width", "W", "the size in pixels, 200 to 16384 (default 1200 x 700)", 0, nullptr,
     "[--width W --height H]"},
    {"--height", "H", nullptr, 0, nullptr, ""},
    {"--events", "KINDS",
     "marks the sky's events on the chart: a comma list of aspect,\n"
     "ingress, station, lunation, eclipse (as 'caelvane-cli events'\n"
     "finds them, in the lines' --frame and --positions)"},
    {"--event-bodies", "NAME,...", "the bodies whose events are marked (default: every body)"},
    {"--retrograde", "NAME,...", "shades the stretches while these bodies move retrograde"},
    {"--legend", "PLACE",
     "top-left (default), top-right, bottom-left, bottom-right,\n"
     "auto (the corner covering the fewest bars) or none"},
    {"--line-labels", "",
     "writes each line's body and harmonic where it leaves the\n"
     "plot on the right",
     kFlag | kRepeatable},
    {"--trading-days", "", "bars follow each other without weekend and holiday gaps",
     kFlag | kRepeatable},
    {"--volume", "",
     "a pane of the volumes under the prices (the file's Volume\n"
     "column)",
     kFlag | kRepeatable},
};

constexpr OptionTable kRenderPricesTable{
    .name = "render-prices",
    .options = kRenderPricesOptionRows,
    .intro =
        "Draws the price chart of a bar file with planetary price lines, as the desktop "
        "program's\n"
        "price window shows it. The file: CSV with a header naming Date [Time] Open High Low "
        "Close\n"
        "[Adj Close] [Volume] (any case and order; DateTime or Timestamp for both), the price\n"
        "feed's DATETIME,OPEN,HIGH,LOW,PRICE, or DATE,PRICE; commas, semicolons or tabs; dates\n"
        "YYYY-MM-DD or MM/DD/YYYY.\n",
    .outro =
        "A file whose rows run newest first is read in time order, with a note on standard "
        "error.\n",
    .column = 29,
};

constexpr const OptionTable* kRenderPricesTables[] = {&kRenderPricesTable};

}  // namespace

OptionTables RenderPricesOptionTables() {
    return kRenderPricesTables;
}

const char* const kRenderPricesUsage = KeepText(UsageOf(kRenderPricesTable));
const char* const kRenderPricesHelp = KeepText(HelpOf(kRenderPricesTable));

std::optional<std::string> ParseRenderPricesArguments(const std::vector<std::string>& args,
                                                      RenderPricesRequest& request) {
    ParsedOptions parsed;
    if (auto error = ParseOptions(kRenderPricesTable, args, parsed)) return error;
    if (!parsed.words.empty()) request.file = parsed.words[0];
    request.logScale = parsed.Has("--log");
    request.skipBadRows = parsed.Has("--skip-bad-rows");
    request.lineLabels = parsed.Has("--line-labels");
    request.tradingDays = parsed.Has("--trading-days");
    request.volume = parsed.Has("--volume");
    if (auto error = ReadLineOptions(parsed, request.lines)) return error;
    if (const std::string* value = parsed.Value("--events")) {
        std::string error;
        if (!prices::ParseKindList(*value, request.eventKinds, error)) return "--events: " + error;
    }
    if (const std::string* value = parsed.Value("--event-bodies")) request.eventBodies = *value;
    if (const std::string* value = parsed.Value("--retrograde")) {
        std::string error;
        if (!prices::ParseBodyList(*value, Frame::Geocentric, request.retrograde, error))
            return "--retrograde: " + error;
    }
    if (const std::string* value = parsed.Value("--legend")) {
        if (!prices::ParseLegendPlace(*value, request.legend)) {
            return "--legend must be top-left, top-right, bottom-left, bottom-right, auto or "
                   "none, not '" +
                   *value + "'";
        }
    }
    if (const std::string* value = parsed.Value("--style")) {
        prices::BarStyle style{};
        if (!prices::ParseBarStyle(*value, style))
            return "--style must be candles, bars or line, not '" + *value + "'";
        request.style = style;
    }
    DayAndPriceRange given;
    if (auto error = ReadDayAndPriceRange(parsed, given)) return error;
    request.fromDay = given.fromDay;
    request.toDay = given.toDay;
    request.minPrice = given.minPrice;
    request.maxPrice = given.maxPrice;
    if (const std::string* value = parsed.Value("--title")) request.title = *value;
    if (const std::string* value = parsed.Value("--format")) {
        PriceChartFormat format{};
        if (!ParseFormat(*value, format))
            return "--format must be png, svg, pdf or trace, not '" + *value + "'";
        request.format = format;
    }
    if (const std::string* value = parsed.Value("-o")) request.output = *value;
    for (const char* name : {"--width", "--height"}) {
        if (const std::string* value = parsed.Value(name)) {
            const std::optional<long long> side = ParseWhole(*value);
            if (!side || *side < kMinSide || *side > kMaxSide)
                return std::string(name) + " must be a number of pixels from " +
                       std::to_string(kMinSide) + " to " + std::to_string(kMaxSide) + ", not '" +
                       *value + "'";
            (name == std::string_view("--width") ? request.width : request.height) =
                static_cast<int>(*side);
        }
    }
    if (request.file.empty()) return "missing FILE.csv";
    if (request.output.empty()) return "missing -o OUT";
    if (!request.format) {
        const std::size_t dot = request.output.find_last_of('.');
        PriceChartFormat format{};
        if (dot == std::string::npos || !ParseFormat(request.output.substr(dot + 1), format)) {
            return "--format is needed: the extension of '" + request.output +
                   "' is none of png, svg, pdf or trace";
        }
        request.format = format;
    }
    if (request.fromDay && request.toDay && *request.fromDay > *request.toDay) {
        return "--from is after --to";
    }
    if (request.minPrice && request.maxPrice && *request.minPrice >= *request.maxPrice) {
        char text[128];
        std::snprintf(text, sizeof text, "--min %g is not below --max %g", *request.minPrice,
                      *request.maxPrice);
        return std::string(text);
    }
    if (request.logScale && request.minPrice && *request.minPrice <= 0.0) {
        return "--log needs --min above 0";
    }
    if (request.logScale && request.maxPrice && *request.maxPrice <= 0.0) {
        return "--log needs --max above 0";
    }
    if (request.lines.bodiesGiven && request.lines.bodyNames.empty()) {
        return "--bodies: the list of bodies is empty";
    }
    if (request.eventBodies) {
        if (request.eventKinds == 0) return "--event-bodies needs --events";
        std::string error;
        if (!prices::ParseBodyList(*request.eventBodies, request.lines.settings.frame,
                                   request.eventBodyCodes, error)) {
            return "--event-bodies: " + error;
        }
    }
    return FinishLineOptions(request.lines);
}

prices::ChartWindow RequestedWindow(const RenderPricesRequest& request,
                                    const prices::PriceSeries& series) {
    prices::ChartWindow window = prices::FitWindow(series, request.logScale);
    if (request.fromDay) window.timeLeft = static_cast<double>(*request.fromDay) * 86400.0;
    if (request.toDay) window.timeRight = static_cast<double>(*request.toDay + 1) * 86400.0;
    if (window.timeRight <= window.timeLeft) window.timeRight = window.timeLeft + 86400.0;
    if (request.fromDay || request.toDay) {
        window = prices::FitPricesToTimes(series, window, request.logScale);
    }
    if (request.minPrice) window.priceLow = *request.minPrice;
    if (request.maxPrice) window.priceHigh = *request.maxPrice;
    if (window.priceHigh <= window.priceLow) {
        window.priceHigh = window.priceLow + std::max(1.0, std::fabs(window.priceLow) * 0.1);
    }
    return window;
}

std::optional<std::string> CheckRequestedPrices(const RenderPricesRequest& request,
                                                const prices::PriceSeries& series) {
    if (request.minPrice.has_value() == request.maxPrice.has_value()) return std::nullopt;
    RenderPricesRequest fitted = request;
    fitted.minPrice.reset();
    fitted.maxPrice.reset();
    const prices::ChartWindow window = RequestedWindow(fitted, series);
    char text[200];
    if (request.maxPrice && *request.maxPrice <= window.priceLow) {
        std::snprintf(text, sizeof text,
                      "--max %g is not above the lowest price shown, %g: give --min as well",
                      *request.maxPrice, window.priceLow);
        return std::string(text);
    }
    if (request.minPrice && *request.minPrice >= window.priceHigh) {
        std::snprintf(text, sizeof text,
                      "--min %g is not below the highest price shown, %g: give --max as well",
                      *request.minPrice, window.priceHigh);
        return std::string(text);
    }
    return std::nullopt;
}

namespace {
std::string IsoDay(std::int64_t day) {
    int year = 0, month = 0, dayOfMonth = 0;
    CivilFromDays(day, year, month, dayOfMonth);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, dayOfMonth);
    return text;
}

std::int64_t DayOf(prices::UnixSeconds seconds) {
    return seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
}
}  // namespace

std::optional<std::string> CheckRequestedDays(const RenderPricesRequest& request,
                                              const prices::PriceSeries& series) {
    if ((!request.fromDay && !request.toDay) || series.bars.empty()) return std::nullopt;
    const std::int64_t firstBar = DayOf(series.bars.front().time);
    const std::int64_t lastBar = DayOf(series.bars.back().time);
    const std::int64_t from = request.fromDay.value_or(firstBar);
    const std::int64_t to = request.toDay.value_or(lastBar);
    const auto inRange = [&](const prices::Bar& bar) {
        const std::int64_t day = DayOf(bar.time);
        return day >= from && day <= to;
    };
    if (std::any_of(series.bars.begin(), series.bars.end(), inRange)) return std::nullopt;
    return "the days " + IsoDay(from) + " to " + IsoDay(to) + " hold no bar: the bars of " +
           request.file + " run from " + IsoDay(firstBar) + " to " + IsoDay(lastBar);
}

int RunRenderPrices(const std::vector<std::string>& args) {
    RenderPricesRequest request;
    if (const std::optional<std::string> problem = ParseRenderPricesArguments(args, request)) {
        return UsageError("render-prices", *problem, kRenderPricesUsage);
    }
#ifndef CAELVANE_HAVE_QT_RENDER
    if (*request.format != PriceChartFormat::Trace) {
        return Failure("this build draws traces only (no Qt)");
    }
#endif
    prices::ReadOptions readOptions;
    readOptions.skipBadRows = request.skipBadRows;
    readOptions.requirePositive = request.logScale;
    prices::PriceSeries series;
    const prices::ReadReport report = prices::ReadOhlcFile(request.file, readOptions, series);
    if (!report.ok) return Failure(report.error);
    if (report.skipped > 0) {
        std::fprintf(stderr, "caelvane-cli render-prices: skipped %zu bad row%s; the first: %s\n",
                     report.skipped, report.skipped == 1 ? "" : "s", report.firstSkipped.c_str());
    }
    if (report.descending) {
        std::fprintf(stderr,
                     "caelvane-cli render-prices: note: %s lists its rows newest first; they "
                     "are read in time order\n",
                     request.file.c_str());
    }
    if (request.volume && !series.hasVolume) {
        std::fprintf(stderr,
                     "caelvane-cli render-prices: note: %s has no volume column; --volume "
                     "draws no pane\n",
                     request.file.c_str());
    }
    const bool usesPositions = !request.lines.settings.bodies.empty() || request.eventKinds != 0 ||
                               !request.retrograde.empty();
    if (const std::string note = DefaultSourceNote(request.lines); usesPositions && !note.empty()) {
        std::fprintf(stderr, "caelvane-cli render-prices: note: %s\n", note.c_str());
    }

    prices::ChartOptions options;
    options.style = request.style.value_or(series.hasOhlc ? prices::BarStyle::Candles
                                                          : prices::BarStyle::CloseLine);
    options.logScale = request.logScale;
    options.lines = request.lines.settings;
    for (int code : options.lines.bodies) {
        options.bodies.push_back({code, prices::DefaultBodyColor(code)});
    }
    options.title = request.title.empty() ? series.name : request.title;
    options.legend = request.legend;
    options.lineLabels = request.lineLabels;
    options.volumePane = request.volume && series.hasVolume;
    if (const std::optional<std::string> problem = CheckRequestedDays(request, series)) {
        return UsageError("render-prices", *problem);
    }
    if (const std::optional<std::string> problem = CheckRequestedPrices(request, series)) {
        return UsageError("render-prices", *problem);
    }
    const prices::ChartWindow window = RequestedWindow(request, series);
    const std::string problem = prices::CheckChart(series, window, request.logScale);
    if (!problem.empty()) return Failure(problem);
    if (request.eventKinds != 0 || !request.retrograde.empty()) {
        prices::SkyMarkerRequest sky;
        sky.from = window.timeLeft;
        sky.to = window.timeRight;
        sky.kinds = request.eventKinds;
        sky.frame = options.lines.frame;
        sky.bodies = request.eventBodyCodes;
        sky.angles = events::AllFixedAngles();
        sky.retrograde = request.retrograde;
        sky.source = options.lines.source;
        prices::SkyMarkers found = prices::FindSkyMarkers(sky);
        if (!found.error.empty()) return Failure(found.error);
        options.markers = std::move(found.markers);
        options.spans = std::move(found.spans);
    }
    const prices::CTradingAxis trading =
        request.tradingDays ? prices::CTradingAxis::Of(series) : prices::CTradingAxis({});
    const prices::CChartFrame frame(request.width, request.height, window, request.logScale,
                                    request.tradingDays ? &trading : nullptr, options.volumePane);
    prices::ChartCache cache;
    const auto draw = [&](CDrawingDevice& device) {
        device.Begin();
        prices::DrawPriceChart(device, series, options, frame, cache);
        device.End();
    };

    std::string error;
    bool written = false;
    if (*request.format == PriceChartFormat::Trace) {
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
        if (*request.format != PriceChartFormat::Svg || !options.markers.empty())
            EnsureGuiApplication();
        const SurfaceSize size{request.width, request.height, prices::kUnitsPerPixel};
        switch (*request.format) {
            case PriceChartFormat::Png:
                written = WriteSurfacePng(request.output, size, draw, error);
                break;
            case PriceChartFormat::Svg:
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
