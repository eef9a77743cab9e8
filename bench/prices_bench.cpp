// The price chart's two costs that users feel: opening a long intraday file (a million
// one-minute bars from CSV), and redrawing a 1920x1080 view with ten bodies and four harmonics
// each while the user drags it. The redraw is measured on a device that only counts what it is
// given (the chart's own work) and with the Qt painter onto a 1920x1080 image (what the screen
// costs), for both position sources.
//
// CAELVANE_BENCH_ITERATIONS=N runs exactly N iterations, for instruction counts under callgrind.
// The CSV is written once into a temporary folder and removed at exit.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "platform/drawing_device.h"
#include "prices/ohlc_reader.h"
#include "prices/price_chart.h"
#include "render/qt_surface_writer.h"
#include "sky/sky_chart.h"

namespace {

constexpr std::size_t kBars = 1000000;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
// How far each frame drags the view, in pixels, and how many frames go each way before the
// drag turns back, so that the bars stay in view however many iterations run.
constexpr double kPanPixels = 37.0;
constexpr int kPansEachWay = 12;

// A random walk of one-minute bars from 2 Jan 2020 around 1000, some 20% up and down over the
// two years, as an index moves: several turns of 72 in view.
class CBarFile {
public:
    CBarFile() {
        char folder[] = "/tmp/caelvane_prices_bench_XXXXXX";
        if (::mkdtemp(folder) == nullptr) std::abort();
        m_folder = folder;
        m_path = m_folder + "/minutes.csv";
        std::FILE* file = std::fopen(m_path.c_str(), "w");
        if (file == nullptr) std::abort();
        std::fputs("Date,Time,Open,High,Low,Close,Volume\n", file);
        std::uint64_t state = 0x9E3779B97F4A7C15ull;
        const auto next = [&state]() {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            return static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
        };
        double close = 1000.0;
        const std::int64_t start = prices::DaysFromCivil(2020, 1, 2) * 86400;
        for (std::size_t i = 0; i < kBars; ++i) {
            const std::int64_t t = start + static_cast<std::int64_t>(i) * 60;
            int year = 0, month = 0, day = 0;
            prices::CivilFromDays(t / 86400, year, month, day);
            const double open = close;
            close = std::max(200.0, open + next() * 1.0);
            const double high = std::max(open, close) + std::fabs(next());
            const double low = std::min(open, close) - std::fabs(next());
            std::fprintf(file, "%04d-%02d-%02d,%02d:%02d,%.2f,%.2f,%.2f,%.2f,%d\n", year, month,
                         day, static_cast<int>(t / 3600 % 24), static_cast<int>(t / 60 % 60), open,
                         high, low, close, 100 + static_cast<int>(i % 900));
        }
        if (std::fclose(file) != 0) std::abort();
    }
    ~CBarFile() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_folder, m_path;
};

const CBarFile& BarFile() {
    static const CBarFile file;
    return file;
}

const prices::PriceSeries& Series() {
    static const prices::PriceSeries series = [] {
        prices::PriceSeries read;
        if (!prices::ReadOhlcFile(BarFile().Path(), {}, read).ok) std::abort();
        return read;
    }();
    return series;
}

// Takes what the chart draws and keeps a sum of it, so that nothing is optimised away.
class CCountingDevice : public CDrawingDevice {
public:
    void Begin() override {}
    void End() override {}
    void SetPenColor(COLORREF color) override { m_sum += color; }
    void SetPenWidth(int width) override { m_sum += width; }
    void SelectFont(std::string_view, int height, int bold) override { m_sum += height + bold; }
    void Line(int x1, int y1, int x2, int y2) override {
        ++m_lines;
        m_sum += x1 ^ y1 ^ x2 ^ y2;
    }
    void Circle(int x, int y, int radius, int) override { m_sum += x + y + radius; }
    void Text(int x, int y, std::string_view text) override { m_sum += x + y + text.size(); }
    void FillRect(int x1, int y1, int x2, int y2) override { m_sum += x1 + y1 + x2 + y2; }

    std::size_t Lines() const { return m_lines; }
    std::int64_t Sum() const { return m_sum; }

private:
    std::size_t m_lines = 0;
    std::int64_t m_sum = 0;
};

void BM_LoadMillionBars(benchmark::State& state) {
    const std::string& path = BarFile().Path();
    std::size_t bars = 0, bytes = 0;
    for (auto _ : state) {
        prices::PriceSeries series;
        const prices::ReadReport report = prices::ReadOhlcFile(path, {}, series);
        if (!report.ok) {
            state.SkipWithError(report.error.c_str());
            return;
        }
        bars = series.bars.size();
        bytes = series.bars.BytesUsed();
        benchmark::DoNotOptimize(series.bars.Identity());
    }
    state.counters["bars"] = static_cast<double>(bars);
    state.counters["bytes/bar"] = static_cast<double>(bytes) / static_cast<double>(bars);
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

prices::ChartOptions PanOptions(PositionSource source) {
    prices::ChartOptions options;
    options.style = prices::BarStyle::Candles;
    options.lines.source = source;
    options.lines.harmonics = {0.0, 90.0, 120.0, 180.0, 270.0};
    // Ten geocentric bodies: Mercury to the Moon.
    for (int code = -1; code >= -10; --code) {
        options.bodies.push_back({code, prices::DefaultBodyColor(code)});
    }
    options.title = "minutes.csv";
    return options;
}

// Drags the whole series' view back and forth, kPanPixels a frame; `draw` paints one frame.
template <typename Draw>
void Pan(benchmark::State& state, PositionSource source, Draw&& draw,
         const prices::CTradingAxis* trading = nullptr, bool extras = false) {
    if (source == PositionSource::Precise && !PrecisePositionsAvailable()) {
        state.SkipWithError("no precise source in this build");
        return;
    }
    const prices::PriceSeries& series = Series();
    prices::ChartOptions options = PanOptions(source);
    if (extras) {
        // What a trader's chart adds: labels, a legend placed clear of the bars, and a
        // thousand markers with their spans.
        options.lineLabels = true;
        options.legend = prices::LegendPlace::Auto;
        const double first = static_cast<double>(series.bars.front().time);
        const double step =
            static_cast<double>(series.bars.back().time - series.bars.front().time) / 1000.0;
        for (int i = 0; i < 1000; ++i) {
            options.markers.push_back({first + i * step, "Mer R", RGB(190, 0, 120)});
            if (i % 10 == 0)
                options.spans.push_back(
                    {first + i * step, first + (i + 3) * step, "Mer Rx", RGB(0, 150, 160)});
        }
    }
    prices::ChartWindow window = prices::FitWindow(series, false);
    prices::ChartCache cache;
    // The first frame samples every column (the view's cold start); the frames measured are
    // the pans after it, each sampling only the columns it brings into view.
    draw(series, options, prices::CChartFrame(kWidth, kHeight, window, false, trading), cache);
    int frameIndex = 0;
    for (auto _ : state) {
        const prices::CChartFrame frame(kWidth, kHeight, window, false, trading);
        draw(series, options, frame, cache);
        const double direction = (frameIndex++ / kPansEachWay) % 2 == 0 ? 1.0 : -1.0;
        const double x = kWidth / 2.0, y = kHeight / 2.0;
        window = prices::PanWindow(frame, x, y, x - direction * kPanPixels, y);
    }
    state.counters["positions"] = static_cast<double>(cache.sampler.Computed());
    state.counters["turns"] = (window.priceHigh - window.priceLow) / options.lines.unitsPerCircle;
}

void PanCounting(benchmark::State& state, PositionSource source,
                 const prices::CTradingAxis* trading = nullptr, bool extras = false) {
    CCountingDevice device;
    Pan(
        state, source,
        [&](const prices::PriceSeries& series, const prices::ChartOptions& options,
            const prices::CChartFrame& frame, prices::ChartCache& cache) {
            device.Begin();
            prices::DrawPriceChart(device, series, options, frame, cache);
            device.End();
        },
        trading, extras);
    benchmark::DoNotOptimize(device.Sum());
    state.counters["lines/frame"] =
        static_cast<double>(device.Lines()) / std::max<double>(1.0, state.iterations());
}

void PanImage(benchmark::State& state, PositionSource source, bool antialiased = true) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const SurfaceSize size{kWidth, kHeight, prices::kUnitsPerPixel};
    Pan(state, source,
        [&](const prices::PriceSeries& series, const prices::ChartOptions& exact,
            const prices::CChartFrame& frame, prices::ChartCache& cache) {
            // The frames drawn while the mouse drags the chart, as the views draw them.
            prices::ChartOptions options = exact;
            if (!antialiased) options.quality = prices::DrawQuality::Moving;
            QPainter painter(&image);
            PaintSurface(
                painter, size, 1.0,
                [&](CDrawingDevice& device) {
                    device.Begin();
                    prices::DrawPriceChart(device, series, options, frame, cache);
                    device.End();
                },
                antialiased);
        });
    benchmark::DoNotOptimize(image.constBits());
}

void BM_PanSeriesCounting(benchmark::State& state) {
    PanCounting(state, PositionSource::Series);
}
void BM_PanPreciseCounting(benchmark::State& state) {
    PanCounting(state, PositionSource::Precise);
}
// The same pan on a trading-day axis, with line labels, an automatic legend and markers.
void BM_PanSeriesTradingDaysCounting(benchmark::State& state) {
    const prices::CTradingAxis axis = prices::CTradingAxis::Of(Series());
    PanCounting(state, PositionSource::Series, &axis, true);
}
void BM_PanSeriesImage(benchmark::State& state) {
    PanImage(state, PositionSource::Series);
}
void BM_PanPreciseImage(benchmark::State& state) {
    PanImage(state, PositionSource::Precise);
}
// The frames a view draws while the mouse drags it: no antialiasing.
void BM_PanSeriesImageMoving(benchmark::State& state) {
    PanImage(state, PositionSource::Series, false);
}
void BM_PanPreciseImageMoving(benchmark::State& state) {
    PanImage(state, PositionSource::Precise, false);
}

// The sky chart: 100 years, twelve bodies, declination and speed panes at 1920 x 1080, drawn
// from cold samples (a new cache each time), and panned a frame at a time.
sky::SkyChartOptions SkyOptions() {
    sky::SkyChartOptions options;
    options.source = PrecisePositionsAvailable() ? PositionSource::Precise : PositionSource::Series;
    options.dial = 90.0;
    for (int code : {-3, -10, -1, -2, -4, -5, -6, -7, -8, -9, -11, -12}) {
        options.bodies.push_back({code, prices::DefaultBodyColor(code)});
    }
    options.panes = {prices::PaneKind::Declination, prices::PaneKind::Speed};
    return options;
}

prices::ChartWindow SkyCentury() {
    return sky::DialWindow(static_cast<double>(prices::DaysFromCivil(1950, 1, 1)) * 86400.0,
                           static_cast<double>(prices::DaysFromCivil(2050, 1, 1)) * 86400.0, 90.0);
}

void BM_SkyCenturyCold(benchmark::State& state) {
    const sky::SkyChartOptions options = SkyOptions();
    const prices::CChartFrame frame = sky::SkyFrame(kWidth, kHeight, SkyCentury(), 2);
    CCountingDevice device;
    for (auto _ : state) {
        sky::SkyCache cache;
        device.Begin();
        sky::DrawSkyChart(device, options, frame, cache);
        device.End();
        state.counters["positions"] = static_cast<double>(cache.motions.Computed());
    }
    benchmark::DoNotOptimize(device.Sum());
}

void BM_SkyCenturyPan(benchmark::State& state) {
    const sky::SkyChartOptions options = SkyOptions();
    prices::ChartWindow window = SkyCentury();
    sky::SkyCache cache;
    CCountingDevice device;
    // The first frame fills the cache; the frames measured are the pans after it.
    sky::DrawSkyChart(device, options, sky::SkyFrame(kWidth, kHeight, window, 2), cache);
    int frameIndex = 0;
    for (auto _ : state) {
        const prices::CChartFrame frame = sky::SkyFrame(kWidth, kHeight, window, 2);
        device.Begin();
        sky::DrawSkyChart(device, options, frame, cache);
        device.End();
        const double direction = (frameIndex++ / kPansEachWay) % 2 == 0 ? 1.0 : -1.0;
        window =
            prices::PanWindow(frame, kWidth / 2.0, 0, kWidth / 2.0 - direction * kPanPixels, 0);
    }
    benchmark::DoNotOptimize(device.Sum());
}

void SkyPanImage(benchmark::State& state, bool antialiased) {
    sky::SkyChartOptions options = SkyOptions();
    if (!antialiased) options.quality = prices::DrawQuality::Moving;
    prices::ChartWindow window = SkyCentury();
    sky::SkyCache cache;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const SurfaceSize size{kWidth, kHeight, prices::kUnitsPerPixel};
    CCountingDevice warm;
    sky::DrawSkyChart(warm, options, sky::SkyFrame(kWidth, kHeight, window, 2), cache);
    int frameIndex = 0;
    for (auto _ : state) {
        const prices::CChartFrame frame = sky::SkyFrame(kWidth, kHeight, window, 2);
        QPainter painter(&image);
        PaintSurface(
            painter, size, 1.0,
            [&](CDrawingDevice& device) {
                device.Begin();
                sky::DrawSkyChart(device, options, frame, cache);
                device.End();
            },
            antialiased);
        const double direction = (frameIndex++ / kPansEachWay) % 2 == 0 ? 1.0 : -1.0;
        window =
            prices::PanWindow(frame, kWidth / 2.0, 0, kWidth / 2.0 - direction * kPanPixels, 0);
    }
    benchmark::DoNotOptimize(image.constBits());
}

void BM_SkyCenturyPanImage(benchmark::State& state) {
    SkyPanImage(state, true);
}
void BM_SkyCenturyPanImageMoving(benchmark::State& state) {
    SkyPanImage(state, false);
}

void Register() {
    const char* fixed = std::getenv("CAELVANE_BENCH_ITERATIONS");
    const long iterations = fixed != nullptr ? std::strtol(fixed, nullptr, 10) : 0;
    for (auto* bench :
         {benchmark::RegisterBenchmark("BM_LoadMillionBars", BM_LoadMillionBars),
          benchmark::RegisterBenchmark("BM_PanSeriesCounting", BM_PanSeriesCounting),
          benchmark::RegisterBenchmark("BM_PanPreciseCounting", BM_PanPreciseCounting),
          benchmark::RegisterBenchmark("BM_PanSeriesTradingDaysCounting",
                                       BM_PanSeriesTradingDaysCounting),
          benchmark::RegisterBenchmark("BM_PanSeriesImage", BM_PanSeriesImage),
          benchmark::RegisterBenchmark("BM_PanPreciseImage", BM_PanPreciseImage),
          benchmark::RegisterBenchmark("BM_SkyCenturyCold", BM_SkyCenturyCold),
          benchmark::RegisterBenchmark("BM_SkyCenturyPan", BM_SkyCenturyPan),
          benchmark::RegisterBenchmark("BM_SkyCenturyPanImage", BM_SkyCenturyPanImage),
          benchmark::RegisterBenchmark("BM_SkyCenturyPanImageMoving", BM_SkyCenturyPanImageMoving),
          benchmark::RegisterBenchmark("BM_PanSeriesImageMoving", BM_PanSeriesImageMoving),
          benchmark::RegisterBenchmark("BM_PanPreciseImageMoving", BM_PanPreciseImageMoving)}) {
        bench->Unit(benchmark::kMillisecond);
        if (iterations > 0) bench->Iterations(iterations);
    }
}

const bool kRegistered = (Register(), true);

}  // namespace
