#include "prices/sky_markers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "prices/price_chart.h"
#include "render/trace_device.h"

namespace prices {
namespace {

namespace ev = events;

constexpr int kTraceX = -200;  // the trace device's shift of surface coordinates

double Seconds(int year, int month, int day) {
    return static_cast<double>(DaysFromCivil(year, month, day)) * 86400.0;
}

PriceSeries Weekdays(int year, int month, int day, int count) {
    PriceSeries series;
    series.name = "w.csv";
    series.hasOhlc = true;
    std::int64_t days = DaysFromCivil(year, month, day);
    for (int i = 0; i < count; ++days) {
        const int weekday =
            static_cast<int>(((days % 7) + 10) % 7);  // 0 Monday (1970-01-01 a Thursday)
        if (weekday >= 5) continue;
        Bar bar;
        bar.time = days * 86400;
        bar.open = 100 + i;
        bar.close = 101 + i;
        bar.high = 102 + i;
        bar.low = 99 + i;
        bar.volume = 1000 + i;
        series.bars.push_back(bar);
        ++i;
    }
    series.hasVolume = true;
    return series;
}

TEST(TradingAxis, MapsTimesToEvenBarStepsAndBack) {
    const PriceSeries series = Weekdays(2024, 3, 4, 30);  // from a Monday
    const CTradingAxis axis = CTradingAxis::Of(series);
    EXPECT_EQ(axis.Spacing(), 86400.0);
    const ChartWindow window{Seconds(2024, 3, 4), Seconds(2024, 4, 1), 90.0, 140.0};
    const CChartFrame frame(800, 400, window, false, &axis);
    // Consecutive bars stand a step apart, across the weekend too.
    const double step = frame.XOfTime(static_cast<double>(series.bars[1].time)) -
                        frame.XOfTime(static_cast<double>(series.bars[0].time));
    EXPECT_GT(step, 0.0);
    for (std::size_t i = 1; i < series.bars.size(); ++i) {
        const double dx = frame.XOfTime(static_cast<double>(series.bars[i].time)) -
                          frame.XOfTime(static_cast<double>(series.bars[i - 1].time));
        EXPECT_NEAR(dx, step, 1e-9) << "bar " << i;
    }
    // A Saturday noon lies a sixth of the way from Friday to Monday: lines bend, not jump.
    const double friday = static_cast<double>(series.bars[4].time);
    const double monday = static_cast<double>(series.bars[5].time);
    EXPECT_NEAR(frame.XOfTime(friday + 1.5 * 86400.0), frame.XOfTime(friday) + step * 1.5 / 3.0,
                1e-9);
    // Back and forth, inside, before and after the bars.
    struct Case {
        const char* name;
        double seconds;
    } cases[] = {{"a bar", friday},
                 {"the weekend", friday + 100000.0},
                 {"monday noon", monday + 43200.0},
                 {"before the first bar", static_cast<double>(series.bars[0].time) - 5 * 86400.0},
                 {"after the last bar", static_cast<double>(series.bars.back().time) + 9e5}};
    for (const Case& c : cases) {
        EXPECT_NEAR(frame.TimeOfX(frame.XOfTime(c.seconds)), c.seconds, 1e-3) << c.name;
    }
    for (double x = frame.Left(); x <= frame.Right(); x += 37.5) {
        EXPECT_NEAR(frame.XOfTime(frame.TimeOfX(x)), x, 1e-6) << x;
    }
    // Zoom and pan keep the point under the cursor on this axis too.
    const double x = 300.0;
    const ChartWindow zoomed = ZoomWindow(frame, x, 200.0, 0.5, true, false);
    const CChartFrame after(800, 400, zoomed, false, &axis);
    EXPECT_NEAR(after.XOfTime(frame.TimeOfX(x)), x, 1e-6);
    const ChartWindow panned = PanWindow(frame, 400.0, 200.0, 350.0, 200.0);
    const CChartFrame moved(800, 400, panned, false, &axis);
    EXPECT_NEAR(moved.XOfTime(frame.TimeOfX(400.0)), 350.0, 1e-6);
}

TEST(PriceAxis, FitsTheBarsOfAZoomedRangeWithAMargin) {
    // Prices climb from 100 to 400 over the year; March alone spans about 160..200.
    PriceSeries series;
    for (int i = 0; i < 365; ++i) {
        Bar bar;
        bar.time = (DaysFromCivil(2023, 1, 1) + i) * 86400;
        bar.open = bar.close = 100.0 + i * (300.0 / 364.0);
        bar.high = bar.close + 1.0;
        bar.low = bar.close - 1.0;
        series.bars.push_back(bar);
    }
    ChartWindow march{Seconds(2023, 3, 1), Seconds(2023, 4, 1), 0.0, 1000.0};
    const ChartWindow fitted = FitPricesToTimes(series, march, false);
    double low = 1e300, high = -1e300;
    for (const Bar& bar : series.bars) {
        if (bar.time < march.timeLeft || bar.time >= march.timeRight) continue;
        low = std::min(low, bar.low);
        high = std::max(high, bar.high);
    }
    EXPECT_LT(fitted.priceLow, low);
    EXPECT_GT(fitted.priceHigh, high);
    // The margin is a twentieth of the range each side, not the whole year's prices.
    EXPECT_NEAR(fitted.priceLow, low - (high - low) * 0.05, 1e-9);
    EXPECT_NEAR(fitted.priceHigh, high + (high - low) * 0.05, 1e-9);
    EXPECT_EQ(fitted.timeLeft, march.timeLeft);
    EXPECT_EQ(fitted.timeRight, march.timeRight);
}

TEST(BarNear, FindsTheBarUnderATimeWithinHalfAStep) {
    const PriceSeries series = Weekdays(2024, 3, 4, 10);
    const double monday = static_cast<double>(series.bars[0].time);
    ASSERT_TRUE(BarNear(series, monday + 3600.0));
    EXPECT_EQ(BarNear(series, monday + 3600.0)->time, series.bars[0].time);
    EXPECT_EQ(BarNear(series, monday + 50000.0)->time, series.bars[1].time);
    EXPECT_FALSE(BarNear(series, monday - 50000.0));
    EXPECT_FALSE(BarNear(PriceSeries{}, monday));
}

// The x of every marker's line in the trace, in chart pixels, by colour of its label.
std::vector<double> VerticalLinesX(const std::string& trace, COLORREF color) {
    std::vector<double> xs;
    std::istringstream in(trace);
    std::string row, word;
    COLORREF current = 0;
    while (std::getline(in, row)) {
        std::istringstream fields(row);
        fields >> word;
        if (word == "color") {
            std::string hex;
            fields >> hex;
            current = static_cast<COLORREF>(std::stoul(hex, nullptr, 16));
        } else if (word == "line" && current == color) {
            long x1, y1, x2, y2;
            fields >> x1 >> y1 >> x2 >> y2;
            if (x1 == x2) xs.push_back(static_cast<double>(x1 - kTraceX) / kUnitsPerPixel);
        }
    }
    return xs;
}

TEST(SkyMarkers, StationsAndEclipsesAreMarkedAtTheirTimes) {
    SkyMarkerRequest request;
    request.from = Seconds(2024, 1, 1);
    request.to = Seconds(2025, 1, 1);
    request.kinds = ev::KindBit(ev::EventKind::Station) | ev::KindBit(ev::EventKind::Eclipse);
    request.bodies = {-1, -3, -10};  // Mercury, the Sun and the Moon
    request.retrograde = {-1};
    const SkyMarkers found = FindSkyMarkers(request);
    ASSERT_TRUE(found.error.empty()) << found.error;
    // Mercury stations retrograde three times in 2024 (April, August, November).
    std::size_t stations = 0, eclipses = 0;
    for (const ChartMarker& marker : found.markers) {
        stations += marker.label == "Mer R";
        eclipses += marker.label.find("ecl") != std::string::npos;
    }
    EXPECT_EQ(stations, 3u);
    EXPECT_GE(eclipses, 2u);  // 2024-04-08 solar and 2024-09-18 lunar at least
    ASSERT_GE(found.spans.size(), 3u);
    for (const ChartSpan& span : found.spans) {
        EXPECT_LT(span.from, span.to);
        EXPECT_EQ(span.label, "Mer Rx");
    }

    // Drawn: one vertical line at each marker's time, through the chart's own device.
    PriceSeries series = Weekdays(2024, 1, 1, 260);
    ChartOptions options;
    options.markers = found.markers;
    options.spans = found.spans;
    const ChartWindow window{request.from, request.to, 50.0, 400.0};
    const CChartFrame frame(1200, 600, window, false);
    ChartCache cache;
    CTraceDevice device;
    device.Begin();
    DrawPriceChart(device, series, options, frame, cache);
    device.End();
    const std::string& trace = device.Trace();
    EXPECT_NE(trace.find("\"Mer R\""), std::string::npos);
    EXPECT_NE(trace.find("\"Mer Rx\""), std::string::npos);
    // Station lines are drawn in the station colour's tint; each at its event's x.
    const COLORREF stationLine = RGB((190 + 255) / 2, (0 + 255) / 2, (120 + 255) / 2);
    const std::vector<double> xs = VerticalLinesX(trace, stationLine);
    std::size_t stationMarkers = 0;
    for (const ChartMarker& marker : found.markers) {
        if (marker.label != "Mer R" && marker.label != "Mer D") continue;
        ++stationMarkers;
        const double x = frame.XOfTime(marker.time);
        const bool drawn = std::any_of(
            xs.begin(), xs.end(), [x](double drawnX) { return std::fabs(drawnX - x) <= 0.25; });
        EXPECT_TRUE(drawn) << marker.label << " at x " << x;
    }
    EXPECT_EQ(xs.size(), stationMarkers);
}

TEST(SkyMarkers, RefusesBadListsAndRangesNamingThem) {
    std::vector<int> codes;
    std::string error;
    EXPECT_FALSE(ParseBodyList("Mars,Vulcan", Frame::Geocentric, codes, error));
    EXPECT_EQ(error,
              "unknown body 'Vulcan' (Sun, Moon, Mercury, Venus, Earth, Mars, Jupiter, Saturn, "
              "Uranus, Neptune, Pluto, Node, Chiron)");
    EXPECT_FALSE(ParseBodyList("Earth", Frame::Geocentric, codes, error));
    EXPECT_EQ(error, "Earth has no geocentric longitude");
    EXPECT_TRUE(ParseBodyList("mars, Venus", Frame::Geocentric, codes, error));
    EXPECT_EQ(codes, (std::vector<int>{-4, -2}));
    ev::KindSet kinds = 0;
    EXPECT_FALSE(ParseKindList("station,quake", kinds, error));
    EXPECT_EQ(error, "unknown event kind 'quake' (aspect, ingress, station, lunation, eclipse)");
    // Transits need a chart, which markers do not have.
    EXPECT_FALSE(ParseKindList("station,transit", kinds, error));
    EXPECT_NE(error.find("'transit'"), std::string::npos) << error;
    EXPECT_TRUE(ParseKindList("station,eclipse", kinds, error));
    EXPECT_EQ(kinds, ev::KindBit(ev::EventKind::Station) | ev::KindBit(ev::EventKind::Eclipse));

    SkyMarkerRequest request;
    request.from = Seconds(1000, 1, 1);
    request.to = Seconds(3000, 1, 1);
    request.kinds = ev::KindBit(ev::EventKind::Station);
    const SkyMarkers found = FindSkyMarkers(request);
    EXPECT_TRUE(found.markers.empty());
    EXPECT_NE(found.error.find("at most 365251 days"), std::string::npos) << found.error;
    // Every aspect of every body for decades is more than a chart shows: refused with the count.
    request.from = Seconds(1990, 1, 1);
    request.to = Seconds(2030, 1, 1);
    request.kinds = ev::KindBit(ev::EventKind::Aspect);
    request.angles = {0, 60, 90, 120, 180, 240, 270, 300};
    const SkyMarkers tooMany = FindSkyMarkers(request);
    EXPECT_TRUE(tooMany.markers.empty());
    EXPECT_NE(tooMany.error.find("are more than the chart shows (20000)"), std::string::npos)
        << tooMany.error;
}

// Markers placed by pixel column over a plot some 900 pixels wide.
struct MarkerCase {
    const char* name;
    std::vector<double> columns;  // pixels right of the plot's first whole column
    bool thinned, ticks;
    std::size_t lines;
};

TEST(MarkerLayout, ThinsOnlyMarkersThatShareAColumn) {
    const double left = Seconds(2000, 1, 1);
    const ChartWindow window{left, left + 1000 * 86400.0, 0.0, 360.0};
    const CChartFrame frame(1000, 600, window, false);
    std::vector<double> decade;  // more markers than columns
    for (int i = 0; i < 1000; ++i) decade.push_back(i * 0.85 + 0.05);
    std::vector<double> pairs;  // two a column, columns far apart
    for (int i = 0; i < 10; ++i) pairs.insert(pairs.end(), {i * 90.0 + 0.2, i * 90.0 + 0.6});
    const MarkerCase cases[] = {
        {"apart", {10.5, 200.5, 201.5, 880.5}, false, false, 4},
        {"outside the plot dropped", {-30, 10.5, 2000}, false, false, 1},
        {"two in a column", {100.2, 100.7, 300.5}, true, false, 2},
        {"sparse pairs keep lines", pairs, true, false, 10},
        {"one a day become ticks", decade, true, true, 0},
    };
    for (const MarkerCase& c : cases) {
        std::vector<ChartMarker> markers;
        for (double column : c.columns) {
            const double x = std::floor(frame.Left()) + 1 + column;
            markers.push_back({frame.TimeOfX(x), "Jup R", RGB(1, 2, 3)});
        }
        const MarkerLayout layout = LayOutMarkers(
            markers, frame, [](std::string_view label, bool) { return label.size() * 6.0; });
        EXPECT_EQ(layout.thinned, c.thinned) << c.name;
        EXPECT_EQ(layout.ticks, c.ticks) << c.name;
        if (c.lines != 0) {
            EXPECT_EQ(layout.lines.size(), c.lines) << c.name;
        }
        EXPECT_FALSE(layout.labels.empty()) << c.name;
        // Never two lines in one pixel column once thinned; never two labels overlapping.
        std::vector<long> columns;
        for (const MarkerLayout::Line& line : layout.lines) {
            EXPECT_GE(line.x, frame.Left()) << c.name;
            EXPECT_LE(line.x, frame.Right()) << c.name;
            columns.push_back(static_cast<long>(std::floor(line.x)));
        }
        std::sort(columns.begin(), columns.end());
        if (c.thinned) {
            EXPECT_EQ(std::adjacent_find(columns.begin(), columns.end()), columns.end()) << c.name;
        }
        for (std::size_t i = 0; i < layout.labels.size(); ++i) {
            for (std::size_t j = i + 1; j < layout.labels.size(); ++j) {
                const MarkerLayout::Label& a = layout.labels[i];
                const MarkerLayout::Label& b = layout.labels[j];
                if (a.row != b.row) continue;
                const bool apart =
                    a.x + a.text.size() * 6.0 <= b.x || b.x + b.text.size() * 6.0 <= a.x;
                EXPECT_TRUE(apart) << c.name << ": '" << a.text << "' at " << a.x << " and '"
                                   << b.text << "' at " << b.x << " in row " << a.row;
            }
            EXPECT_LT(layout.labels[i].row, c.ticks ? kMarkerRows / 2 : kMarkerRows) << c.name;
            if (c.thinned) {
                const MarkerLayout::Label& label = layout.labels[i];
                EXPECT_LE(label.x + label.text.size() * 6.0, frame.Right()) << c.name;
            }
        }
    }
}

TEST(MarkerLayout, AColumnOfSeveralSaysHowManyMoreAndTheCrosshairFindsThem) {
    const double left = Seconds(2000, 1, 1);
    const ChartWindow window{left, left + 1000 * 86400.0, 0.0, 360.0};
    const CChartFrame frame(1000, 600, window, false);
    const double column = std::floor(frame.Left()) + 101;
    const std::vector<ChartMarker> markers = {
        {frame.TimeOfX(column + 0.5), "Sat D", RGB(9, 9, 9)},
        {frame.TimeOfX(column + 0.2), "Jup R", RGB(1, 2, 3)},
        {frame.TimeOfX(column + 0.8), "Mar Leo", RGB(4, 5, 6)},
        {left + 600 * 86400.0, "Full", RGB(7, 8, 9)}};
    const MarkerLayout layout =
        LayOutMarkers(markers, frame, [](std::string_view, bool) { return 20.0; });
    ASSERT_TRUE(layout.thinned);
    ASSERT_EQ(layout.labels.size(), 2u);
    EXPECT_EQ(layout.labels[0].text, "Jup R +2");
    EXPECT_EQ(layout.labels[0].color, RGB(1, 2, 3));
    EXPECT_EQ(layout.labels[1].text, "Full");

    const double x = column + 0.5;
    const std::vector<const ChartMarker*> near = MarkersNear(markers, frame, x, 3.0);
    ASSERT_EQ(near.size(), 3u);
    EXPECT_EQ(near[0]->label, "Jup R");
    EXPECT_EQ(near[2]->label, "Mar Leo");
    EXPECT_TRUE(MarkersNear(markers, frame, frame.XOfTime(left + 300 * 86400.0), 3.0).empty());
    EXPECT_EQ(MarkersNear(markers, frame, x, 3.0, 1).size(), 1u);
}

}  // namespace
}  // namespace prices
