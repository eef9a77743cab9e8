// Draws a small price chart with lines over a window read from arbitrary bytes (times, prices,
// log or linear, width and height): windows far out, tiny or huge, must draw and end, never
// hang in an axis or line loop nor convert out of range. A zoom and a pan of that window too.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "prices/price_chart.h"
#include "render/trace_device.h"

namespace {

double Take(const std::uint8_t*& data, std::size_t& size) {
    double value = 0.0;
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    return value;
}

prices::PriceSeries Series() {
    prices::PriceSeries series;
    for (int day = 0; day < 40; ++day) {
        const double close = 100.0 + day % 7;
        series.bars.push_back(
            {19000LL * 86400 + day * 86400LL, close - 1, close + 2, close - 2, close});
    }
    return series;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const prices::PriceSeries series = Series();
    prices::ChartWindow window;
    window.timeLeft = Take(data, size);
    window.timeRight = Take(data, size);
    window.priceLow = Take(data, size);
    window.priceHigh = Take(data, size);
    const double units = Take(data, size);
    const std::uint8_t flags = size > 0 ? data[0] : 0;
    const bool log = (flags & 1) != 0;
    const int width = 40 + (flags >> 1) * 8;
    if (!(window.timeLeft < window.timeRight) || !(window.priceLow < window.priceHigh)) return 0;
    if (!prices::CheckChart(series, window, log).empty()) return 0;
    prices::ChartOptions options;
    options.logScale = log;
    if (std::isfinite(units) && units > 0.0) options.lines.unitsPerCircle = units;
    options.lines.harmonics = {0.0, 90.0};
    options.bodies = {{-4, 0}, {-10, 0}};
    const prices::CChartFrame frame(width, 200, window, log);
    prices::ChartCache cache;
    CTraceDevice device;
    device.Begin();
    prices::DrawPriceChart(device, series, options, frame, cache);
    device.End();
    prices::ZoomWindow(frame, 20, 50, 0.5, true, true);
    prices::PanWindow(frame, 10, 10, 30, 90);
    return 0;
}
