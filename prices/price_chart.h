#pragma once
// The price chart: bars of a series with planetary price lines over a time and price window,
// drawn on any drawing device. The window, screen export and the command line all draw
// through DrawPriceChart, so what a user sees is what a file gets.
//
// The chart's surface is a rectangle of `width` x `height` pixels; surface units are
// kUnitsPerPixel to the pixel (the device interface takes whole units, so lines keep a quarter
// pixel of precision), y growing upwards from the top edge (y = 0) to -height * kUnitsPerPixel.
// A QPainter device shows it pixel for pixel at 1000 / kUnitsPerPixel dots per inch.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/colorref.h"
#include "platform/drawing_device.h"
#include "prices/ohlc.h"
#include "prices/price_lines.h"

namespace prices {

inline constexpr int kUnitsPerPixel = 4;
inline constexpr double kDevicePixelDpi = 1000.0 / kUnitsPerPixel;

enum class BarStyle { Candles, OhlcBars, CloseLine };

const char* BarStyleName(BarStyle style);  // "candles", "bars", "line"
bool ParseBarStyle(std::string_view text, BarStyle& style);

struct BodyStyle {
    int code = 0;  // in the settings' frame
    COLORREF color = 0;
};

// A colour for each body, told apart on white.
COLORREF DefaultBodyColor(int code);

struct ChartOptions {
    BarStyle style = BarStyle::Candles;
    bool logScale = false;
    LineSettings lines;             // lines.bodies is ignored: `bodies` says what is drawn
    std::vector<BodyStyle> bodies;  // in drawing order
    std::string title;
};

// What the chart shows: seconds since 1970 UT along x, prices along y.
struct ChartWindow {
    double timeLeft = 0.0;
    double timeRight = 1.0;
    double priceLow = 0.0;
    double priceHigh = 1.0;
};

// The plot area inside the surface, and the mapping between it and time and price, in pixels
// from the surface's top-left corner (y down).
class CChartFrame {
public:
    CChartFrame(int width, int height, const ChartWindow& window, bool logScale);

    double Left() const { return m_left; }
    double Right() const { return m_right; }
    double Top() const { return m_top; }
    double Bottom() const { return m_bottom; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const ChartWindow& Window() const { return m_window; }
    bool LogScale() const { return m_log; }

    double XOfTime(double seconds) const;
    double TimeOfX(double x) const;
    double YOfPrice(double price) const;
    double PriceOfY(double y) const;
    bool InPlot(double x, double y) const;

private:
    int m_width, m_height;
    ChartWindow m_window;
    bool m_log;
    double m_left, m_right, m_top, m_bottom;
    double m_lowValue, m_highValue;  // of the price axis's own measure (log or not)
};

// Everything a redraw can keep from the last one.
struct ChartCache {
    CLongitudeSampler sampler;
    // Work space, kept to spare allocations.
    std::vector<double> columns, degrees;
    std::vector<std::vector<LinePoint>> pieces;
    std::vector<double> xs, ys;

    // The extremes of every kBarBlock bars of the series last drawn, so that a pixel column
    // holding thousands of bars is drawn from a few blocks instead of every bar. They are taken
    // again when the series' bars move, change in number or change their first or last time;
    // the last block is taken again on every redraw, so that a last bar updated in place (a
    // live feed) is drawn as it stands. A series whose earlier bars are edited in place needs a
    // new cache.
    struct BarBlock {
        double low, high, minClose, maxClose;
    };
    static constexpr std::size_t kBarBlock = 64;
    std::vector<BarBlock> barBlocks;
    const Bar* blocksOf = nullptr;
    std::size_t blocksBars = 0;
    UnixSeconds blocksFirst = 0, blocksLast = 0;
};

// The window that shows every bar, with a margin, and prices that stay positive on a log scale.
ChartWindow FitWindow(const PriceSeries& series, bool logScale);

// The same window with its prices fitted to the bars inside its times (unchanged when none is).
ChartWindow FitPricesToTimes(const PriceSeries& series, const ChartWindow& window, bool logScale);

// Zooms the window by `factor` (below 1 zooms in) about the point at (x, y) in pixels; on the
// price axis only when `prices`, on the time axis only when `times`.
ChartWindow ZoomWindow(const CChartFrame& frame, double x, double y, double factor, bool times,
                       bool prices);
// Moves the window so that the point under (fromX, fromY) comes under (toX, toY).
ChartWindow PanWindow(const CChartFrame& frame, double fromX, double fromY, double toX, double toY);

// Why the chart cannot be drawn with these options ("the log scale needs prices above 0, the
// window reaches -3"), or nothing.
std::string CheckChart(const PriceSeries& series, const ChartWindow& window, bool logScale);

// Draws the chart on `device`, between the device's Begin and End.
void DrawPriceChart(CDrawingDevice& device, const PriceSeries& series, const ChartOptions& options,
                    const CChartFrame& frame, ChartCache& cache);

// Text for the readouts and axis labels.
std::string FormatPrice(double price, double step);
std::string FormatBarTime(double seconds, bool withClock);

}  // namespace prices
