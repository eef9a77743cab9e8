#include "prices/price_chart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/positions.h"
#include "render/trace_device.h"

namespace prices {
namespace {

// The trace device shifts surface coordinates to page ones; the chart's own are these.
constexpr int kTraceX = -200;
constexpr int kTraceY = 10300;

PriceSeries DailySeries(int days, double start, double drift) {
    PriceSeries series;
    series.name = "test.csv";
    series.hasOhlc = true;
    const std::int64_t first = DaysFromCivil(1995, 1, 2);
    double price = start;
    for (int i = 0; i < days; ++i) {
        Bar bar;
        bar.time = (first + i) * 86400;
        bar.open = price;
        // A fixed zig-zag, so that the bars go both ways.
        price += drift + ((i % 3 == 0) ? -3.0 : 2.0);
        bar.close = price;
        bar.high = std::max(bar.open, bar.close) + 1.5;
        bar.low = std::min(bar.open, bar.close) - 1.0;
        series.bars.push_back(bar);
    }
    return series;
}

struct TraceLine {
    COLORREF color;
    double x1, y1, x2, y2;  // chart pixels, y down
};

// The lines of a trace with the colour they were drawn in.
std::vector<TraceLine> Lines(const std::string& trace) {
    std::vector<TraceLine> lines;
    std::istringstream in(trace);
    std::string word;
    COLORREF color = 0;
    std::string row;
    while (std::getline(in, row)) {
        std::istringstream fields(row);
        fields >> word;
        if (word == "color") {
            std::string hex;
            fields >> hex;
            color = static_cast<COLORREF>(std::stoul(hex, nullptr, 16));
        } else if (word == "line") {
            long x1, y1, x2, y2;
            fields >> x1 >> y1 >> x2 >> y2;
            const auto px = [](long v) {
                return static_cast<double>(v - kTraceX) / kUnitsPerPixel;
            };
            const auto py = [](long v) {
                return -static_cast<double>(v - kTraceY) / kUnitsPerPixel;
            };
            lines.push_back({color, px(x1), py(y1), px(x2), py(y2)});
        }
    }
    return lines;
}

ChartOptions MarsAndJupiter() {
    ChartOptions options;
    options.title = "test.csv";
    options.lines.harmonics = {0.0, 180.0};
    options.bodies = {{-4, DefaultBodyColor(-4)}, {-5, DefaultBodyColor(-5)}};
    return options;
}

std::string Draw(const PriceSeries& series, const ChartOptions& options, const CChartFrame& frame,
                 ChartCache&& cache = ChartCache()) {
    CTraceDevice device;
    device.Begin();
    DrawPriceChart(device, series, options, frame, cache);
    device.End();
    return device.Trace();
}

TEST(PriceChart, SmallChartDrawsItsGoldenTrace) {
    const PriceSeries series = DailySeries(30, 100.0, 0.4);
    const ChartOptions options = MarsAndJupiter();
    const CChartFrame frame(480, 300, FitWindow(series, false), false);
    const std::string trace = Draw(series, options, frame);
    const std::string path = std::string(PRICES_TEST_DATA) + "/small_chart.trace";
    if (std::getenv("PRICES_WRITE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << trace;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    std::ostringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(trace, expected.str());
}

// A title is a file name or the user's own words: it goes to the device as UTF-8, so that
// "café.csv" is not drawn as "cafÃ©.csv".
TEST(PriceChart, TitleIsDrawnAsUtf8) {
    struct CUtf8Texts : CTraceDevice {
        std::vector<std::string> texts;
        void TextUtf8(int x, int y, std::string_view text) override {
            texts.emplace_back(text);
            CTraceDevice::TextUtf8(x, y, text);
        }
    };
    const PriceSeries series = DailySeries(30, 100.0, 0.4);
    ChartOptions options = MarsAndJupiter();
    options.title = "caf\xC3\xA9.csv";
    const CChartFrame frame(480, 300, FitWindow(series, false), false);
    CUtf8Texts device;
    ChartCache cache;
    device.Begin();
    DrawPriceChart(device, series, options, frame, cache);
    device.End();
    EXPECT_EQ(device.texts, std::vector<std::string>{options.title});
}

// Every stroke of a body's own line sits at a price whose degree is the body's longitude at
// the stroke's time, give or take the simplification and the quarter pixel of the units.
TEST(PriceChart, BodyLinesSitAtTheLevelsOfTheirLongitude) {
    const PriceSeries series = DailySeries(200, 300.0, 0.2);
    ChartOptions options;
    options.bodies = {{-4, RGB(255, 0, 0)}};
    options.lines.unitsPerCircle = 36.0;
    for (bool log : {false, true}) {
        const CChartFrame frame(900, 500, FitWindow(series, log), log);
        int checked = 0;
        for (const TraceLine& line : Lines(Draw(series, options, frame))) {
            if (line.color != RGB(255, 0, 0)) continue;
            for (const auto& [x, y] : {std::pair{line.x1, line.y1}, std::pair{line.x2, line.y2}}) {
                EXPECT_TRUE(frame.InPlot(x, y)) << x << "," << y;
                const double jed = JedOfSeconds(frame.TimeOfX(x));
                const double degree = BodyLongitude(jed, -4);
                const double drawn = PriceDegree(frame.PriceOfY(y), 36.0);
                // Half a pixel each way on the price axis, in degrees at 36 units a circle.
                const double tolerance =
                    std::fabs(frame.PriceOfY(y - 0.5) - frame.PriceOfY(y + 0.5)) * 10.0 + 1e-6;
                double diff = std::fabs(drawn - degree);
                diff = std::min(diff, 360.0 - diff);
                EXPECT_LE(diff, tolerance) << "log " << log << " x " << x;
                ++checked;
            }
        }
        EXPECT_GT(checked, 4);
    }
}

TEST(PriceChart, DecimatesBarsToOneStrokePerColumnAndKeepsExtremes) {
    PriceSeries series;
    series.name = "minutes.csv";
    const std::int64_t start = DaysFromCivil(2020, 1, 6) * 86400;
    for (int i = 0; i < 100000; ++i) {
        const double p = 1000.0 + 50.0 * std::sin(i * 0.001) + (i % 7);
        series.bars.push_back({start + i * 60, p, p + 2.0, p - 2.0, p + ((i % 2) ? 1.0 : -1.0)});
    }
    Bar spike = series.bars[54321];
    spike.high = 1200.0;  // a spike that must stay visible
    series.bars.Set(54321, spike);
    ChartOptions options;
    const CChartFrame frame(400, 300, FitWindow(series, false), false);
    const std::vector<TraceLine> lines = Lines(Draw(series, options, frame));
    int bars = 0;
    double top = frame.Bottom();
    for (const TraceLine& line : lines) {
        if (line.color != RGB(22, 128, 60) && line.color != RGB(200, 40, 40)) continue;
        ++bars;
        top = std::min({top, line.y1, line.y2});
    }
    EXPECT_LE(bars, static_cast<int>(frame.Right() - frame.Left()) + 1);
    EXPECT_GT(bars, 280);
    EXPECT_NEAR(top, frame.YOfPrice(1200.0), 0.5);
}

// Minute bars with gaps of up to a few hours: columns of none, one or hundreds of bars, bars
// in numbers that are no multiple of anything.
PriceSeries GappedMinutes(int count) {
    PriceSeries series;
    series.name = "gaps.csv";
    std::int64_t t = DaysFromCivil(2021, 3, 1) * 86400;
    std::uint32_t state = 12345;
    for (int i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        t += (state >> 28) == 0 ? 60 * static_cast<std::int64_t>(state >> 20 & 255) : 60;
        const double p =
            500.0 + 40.0 * std::sin(i * 0.0007) + static_cast<double>(state >> 24) / 32;
        series.bars.push_back({t, p, p + static_cast<double>(state >> 29), p - 1.0 - (i % 5),
                               p + ((state & 1) ? 1.5 : -1.5)});
    }
    return series;
}

// Every column's stroke against the bars that fall in it, taken one by one: the summaries of
// blocks of bars must give the same extremes wherever the window cuts the blocks.
TEST(PriceChart, DecimatedColumnsHoldTheExtremesOfEveryBarInThem) {
    const PriceSeries series = GappedMinutes(150001);
    const ChartWindow fitted = FitWindow(series, false);
    for (BarStyle style : {BarStyle::Candles, BarStyle::CloseLine}) {
        ChartOptions options;
        options.style = style;
        ChartCache cache;
        ChartWindow window = fitted;
        for (int pan = 0; pan < 3; ++pan) {
            const CChartFrame frame(640, 360, window, false);
            const std::vector<TraceLine> lines =
                Lines(Draw(series, options, frame, std::move(cache)));
            cache = ChartCache();
            // The bars of each column, one by one.
            std::map<double, std::pair<double, double>> expected;  // column -> low, high
            for (const Bar& bar : series.bars) {
                const double column = std::floor(frame.XOfTime(static_cast<double>(bar.time)));
                const double low = style == BarStyle::Candles ? bar.low : bar.close;
                const double high = style == BarStyle::Candles ? bar.high : bar.close;
                auto [at, added] = expected.emplace(column, std::pair{low, high});
                if (!added) {
                    at->second.first = std::min(at->second.first, low);
                    at->second.second = std::max(at->second.second, high);
                }
            }
            int checked = 0;
            for (const TraceLine& line : lines) {
                if (line.x1 != line.x2 || line.y1 == line.y2) continue;  // the columns' strokes
                // The bars' colours: up, down, and the line of closes.
                if (line.color != RGB(22, 128, 60) && line.color != RGB(200, 40, 40) &&
                    line.color != RGB(30, 30, 30)) {
                    continue;
                }
                const auto found = expected.find(std::floor(line.x1));
                ASSERT_NE(found, expected.end())
                    << BarStyleName(style) << " " << line.x1 << " " << line.y1 << " " << line.y2;
                const double top =
                    std::clamp(frame.YOfPrice(found->second.second), frame.Top(), frame.Bottom());
                const double bottom =
                    std::clamp(frame.YOfPrice(found->second.first), frame.Top(), frame.Bottom());
                EXPECT_NEAR(std::min(line.y1, line.y2), top, 0.13) << "x " << line.x1;
                EXPECT_NEAR(std::max(line.y1, line.y2), std::max(bottom, top + 0.25), 0.13)
                    << "x " << line.x1;
                ++checked;
            }
            EXPECT_GT(checked, 250) << BarStyleName(style) << " pan " << pan;
            window = PanWindow(frame, 300, 100, 300 - 37.3 * (pan + 1), 100);
        }
    }
}

// A cache kept between redraws follows the series: a last bar updated in place, and another
// series, are drawn as a fresh cache draws them.
TEST(PriceChart, KeptCacheFollowsTheSeriesItDraws) {
    PriceSeries series = GappedMinutes(70000);
    const ChartOptions options;
    const CChartFrame frame(500, 300, FitWindow(series, false), false);
    ChartCache kept;
    const auto drawKept = [&](const PriceSeries& drawn) {
        CTraceDevice device;
        device.Begin();
        DrawPriceChart(device, drawn, options, frame, kept);
        device.End();
        return device.Trace();
    };
    const std::string before = drawKept(series);
    Bar last = series.bars.back();
    last.high += 30.0;
    series.bars.Set(series.bars.size() - 1, last);
    const std::string after = drawKept(series);
    EXPECT_EQ(after, Draw(series, options, frame));
    EXPECT_NE(after, before);

    const PriceSeries other = GappedMinutes(69999);
    EXPECT_EQ(drawKept(other), Draw(other, options, frame));
}

// Columns of bars kept from the last frame: each frame of a drag, a zoom and a live update is
// drawn as a fresh cache draws it.
TEST(PriceChart, KeptColumnsDrawEachFrameAsAFreshCacheDoes) {
    struct Step {
        const char* name;
        double dragX, zoom;  // pixels the view is dragged, zoom about the middle
        bool updateLast;     // the last bar changed in place before the frame
    };
    const Step steps[] = {
        {"first frame", 0, 1, false},       {"drag 37 px", 37, 1, false},
        {"drag back 37 px", -37, 1, false}, {"drag 12.4 px", 12.4, 1, false},
        {"last bar moves", 0, 1, true},     {"drag 1 px", 1, 1, false},
        {"zoom in", 0, 0.8, false},         {"drag after zoom", -25, 1, true},
        {"zoom out", 0, 1.3, false},
    };
    PriceSeries series = GappedMinutes(120000);
    const CTradingAxis axis = CTradingAxis::Of(series);
    struct Case {
        const char* name;
        BarStyle style;
        const CTradingAxis* trading;
    };
    const Case cases[] = {
        {"candles", BarStyle::Candles, nullptr},
        {"line of closes", BarStyle::CloseLine, nullptr},
        {"candles on trading days", BarStyle::Candles, &axis},
    };
    for (const Case& c : cases) {
        ChartOptions options;
        options.style = c.style;
        ChartCache kept;
        // The last third of the bars, so that the live block is in view.
        ChartWindow window = FitWindow(series, false);
        window.timeLeft = window.timeRight - (window.timeRight - window.timeLeft) / 3;
        for (const Step& step : steps) {
            if (step.updateLast) {
                Bar last = series.bars.back();
                last.high += 7.0, last.close -= 3.0;
                series.bars.Set(series.bars.size() - 1, last);
            }
            CChartFrame frame(600, 300, window, false, c.trading);
            if (step.dragX != 0) {
                window = PanWindow(frame, 300, 150, 300 + step.dragX, 150);
            }
            if (step.zoom != 1) window = ZoomWindow(frame, 300, 150, step.zoom, true, false);
            frame = CChartFrame(600, 300, window, false, c.trading);
            CTraceDevice device;
            device.Begin();
            DrawPriceChart(device, series, options, frame, kept);
            device.End();
            EXPECT_EQ(device.Trace(), Draw(series, options, frame)) << c.name << ", " << step.name;
        }
    }
}

// A chart window shares its series with its trading axis rather than copy ten million times.
TEST(TradingAxis, ASharedSeriesGivesTheSameAxisAsACopyAndLivesAsLongAsIt) {
    auto series = std::make_shared<PriceSeries>(GappedMinutes(5000));
    const CTradingAxis copied = CTradingAxis::Of(*series);
    const std::weak_ptr<PriceSeries> watch = series;
    const CTradingAxis shared = CTradingAxis::Of(std::shared_ptr<const PriceSeries>(series));
    const double first = static_cast<double>(series->bars.front().time);
    const double last = static_cast<double>(series->bars.back().time);
    series.reset();
    ASSERT_FALSE(watch.expired());
    EXPECT_EQ(shared.Bars(), 5000u);
    EXPECT_EQ(shared.Spacing(), copied.Spacing());
    for (double t = first - 86400.0; t < last + 86400.0; t += 7777.0) {
        EXPECT_EQ(shared.PositionOf(t), copied.PositionOf(t)) << t;
        EXPECT_EQ(shared.TimeOf(copied.PositionOf(t)), copied.TimeOf(copied.PositionOf(t))) << t;
    }
}

TEST(PriceChart, DenseLinesAreLeftOutAndSaidSo) {
    const PriceSeries series = DailySeries(30, 100.0, 0.4);
    ChartOptions options = MarsAndJupiter();
    options.lines.unitsPerCircle = 0.05;
    const CChartFrame frame(480, 300, FitWindow(series, false), false);
    const std::string trace = Draw(series, options, frame);
    EXPECT_NE(trace.find("lines too dense to draw: zoom in"), std::string::npos);
    for (const TraceLine& line : Lines(trace)) EXPECT_NE(line.color, DefaultBodyColor(-4));
}

TEST(PriceChart, ZoomKeepsThePointUnderTheCursorAndPanFollowsTheDrag) {
    const PriceSeries series = DailySeries(100, 50.0, 0.5);
    for (bool log : {false, true}) {
        const CChartFrame frame(800, 600, FitWindow(series, log), log);
        const double t = frame.TimeOfX(300.0), p = frame.PriceOfY(200.0);
        const CChartFrame zoomed(800, 600, ZoomWindow(frame, 300.0, 200.0, 0.5, true, true), log);
        EXPECT_NEAR(zoomed.TimeOfX(300.0), t, 1e-3);
        EXPECT_NEAR(zoomed.PriceOfY(200.0), p, 1e-9 * p);
        const CChartFrame panned(800, 600, PanWindow(frame, 300.0, 200.0, 350.0, 260.0), log);
        EXPECT_NEAR(panned.TimeOfX(350.0), t, 1e-3);
        EXPECT_NEAR(panned.PriceOfY(260.0), p, 1e-9 * p);
        // Times alone leave the prices be.
        const ChartWindow timesOnly = ZoomWindow(frame, 300.0, 200.0, 2.0, true, false);
        EXPECT_EQ(timesOnly.priceLow, frame.Window().priceLow);
        EXPECT_NEAR(timesOnly.timeRight - timesOnly.timeLeft,
                    2.0 * (frame.Window().timeRight - frame.Window().timeLeft), 1e-3);
    }
}

TEST(PriceChart, LogScaleRefusesPricesAtOrBelowZero) {
    PriceSeries series = DailySeries(10, 5.0, -1.0);
    EXPECT_EQ(CheckChart(series, FitWindow(series, false), false), "");
    EXPECT_EQ(CheckChart(series, FitWindow(series, true), true),
              "test.csv: the log scale needs prices above 0; the bar of 1995-01-02 has a low of "
              "0");
    series = DailySeries(10, 50.0, 0.0);
    ChartWindow window = FitWindow(series, true);
    EXPECT_EQ(CheckChart(series, window, true), "");
    window.priceLow = -1.0;
    EXPECT_EQ(CheckChart(series, window, true),
              "the log scale needs prices above 0; the window reaches -1");
}

TEST(PriceChart, FormatsEveryTimeWithoutOverflow) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double seconds;
        bool clock;
        const char* expected;
    } cases[] = {
        {0.0, true, "1970-01-01 00:00"},
        {-0.5, true, "1969-12-31 23:59"},
        {-62135596800.0, false, "0001-01-01"},
        {253402300799.0, true, "9999-12-31 23:59"},
        {9.99e12, false, "318540-07-01"},
        {-9.99e12, false, "-314601-07-03"},
        {1e13, false, "1e+13 seconds from 1970"},
        {nan, false, "nan seconds from 1970"},
        {inf, true, "inf seconds from 1970"},
        {-inf, false, "-inf seconds from 1970"},
        {1e300, true, "1e+300 seconds from 1970"},
        {-1e300, false, "-1e+300 seconds from 1970"},
        {std::numeric_limits<double>::max(), false, "1.79769e+308 seconds from 1970"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatBarTime(c.seconds, c.clock), c.expected) << c.seconds;
    }
}

TEST(PriceChart, FormatsTimesAndPrices) {
    EXPECT_EQ(FormatBarTime(static_cast<double>(DaysFromCivil(1998, 8, 21) * 86400 + 3660), true),
              "1998-08-21 01:01");
    EXPECT_EQ(FormatBarTime(-1.0, false), "1969-12-31");
    EXPECT_EQ(FormatPrice(1234.5678, 0.01), "1234.57");
    EXPECT_EQ(FormatPrice(1234.5678, 50.0), "1235");
    EXPECT_EQ(FormatPrice(0.1234, 0.001), "0.123");
    // Zero has no sign, however it was reached: an axis crossing 0 labels it "0".
    EXPECT_EQ(FormatPrice(-0.0, 1000.0), "0");
    EXPECT_EQ(FormatPrice(-0.0004, 0.01), "0.00");
    EXPECT_EQ(FormatPrice(-0.006, 0.01), "-0.01");
}

}  // namespace
}  // namespace prices
