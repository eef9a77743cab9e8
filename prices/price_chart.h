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
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/colorref.h"
#include "platform/drawing_device.h"
#include "prices/body_panes.h"
#include "prices/ohlc.h"
#include "prices/price_lines.h"

namespace prices {

inline constexpr int kUnitsPerPixel = 4;
inline constexpr double kDevicePixelDpi = 1000.0 / kUnitsPerPixel;

enum class BarStyle { Candles, OhlcBars, CloseLine };

const char* BarStyleName(BarStyle style);  // "candles", "bars", "line"
bool ParseBarStyle(std::string_view text, BarStyle& style);

// A colour for each body, told apart on white.
COLORREF DefaultBodyColor(int code);

// Where the legend of the lines stands in the plot. Auto takes the corner that covers the
// fewest bars.
enum class LegendPlace { TopLeft, TopRight, BottomLeft, BottomRight, Auto, Hidden };

const char* LegendPlaceName(LegendPlace place);  // "top-left", ..., "auto", "none"
bool ParseLegendPlace(std::string_view text, LegendPlace& place);

// A moment marked on the chart: a vertical line with a short label at the top of the plot.
struct ChartMarker {
    double time = 0.0;  // seconds since 1970 UT
    std::string label;  // ASCII, a few characters ("Mer R", "Full", "Mar Leo")
    COLORREF color = 0;
};

// A stretch of time shaded behind the bars (a body's retrograde motion), labelled at the foot
// of the plot.
struct ChartSpan {
    double from = 0.0, to = 0.0;  // seconds since 1970 UT, from <= to
    std::string label;
    COLORREF color = 0;  // of the label; the shade is a pale tint of it
};

// The most markers and spans one chart draws; more are refused by whoever builds them.
inline constexpr std::size_t kMaxMarkers = 20000;

struct ChartOptions {
    BarStyle style = BarStyle::Candles;
    bool logScale = false;
    LineSettings lines;             // lines.bodies is ignored: `bodies` says what is drawn
    std::vector<BodyStyle> bodies;  // in drawing order
    std::string title;
    LegendPlace legend = LegendPlace::TopLeft;
    // Each line's body and harmonic written where it leaves the plot on the right.
    bool lineLabels = false;
    // A pane of the bars' volumes under the prices, when the series has volumes.
    bool volumePane = false;
    std::vector<ChartMarker> markers;  // in any order
    std::vector<ChartSpan> spans;
    // Panes of the bodies' declination, latitude or speed under the plot, top to bottom; the
    // frame must be made with as many (CChartFrame's `bodyPanes`).
    std::vector<PaneKind> panes;
    // Moving while the user drags the view (with the device's antialiasing off); Exact for
    // everything that stays on screen, prints, exports or traces.
    DrawQuality quality = DrawQuality::Exact;
};

// What the chart shows: seconds since 1970 UT along x, prices along y.
struct ChartWindow {
    double timeLeft = 0.0;
    double timeRight = 1.0;
    double priceLow = 0.0;
    double priceHigh = 1.0;
};

// A time axis on which bars follow each other at even steps, without the weekends, holidays
// or nights between them: bar i stands at position i, a time between two bars at its share of
// the way between them (so a line sampled in real time bends across a gap rather than jumps),
// and a time before the first bar or after the last one a step per typical bar spacing.
class CTradingAxis {
public:
    // `times` ascending; fewer than two bars make a plain time axis.
    explicit CTradingAxis(const std::vector<UnixSeconds>& times);
    // The axis of a series' bars, with a copy of their times; given the series shared, with
    // their very times (the axis then keeps the series).
    static CTradingAxis Of(const PriceSeries& series);
    static CTradingAxis Of(std::shared_ptr<const PriceSeries> series);

    // The position of a time, and the time of a position: each the other's inverse.
    double PositionOf(double seconds) const;
    double TimeOf(double position) const;
    // The spacing taken outside the bars: the median step between bars, in seconds.
    double Spacing() const { return m_spacing; }
    std::size_t Bars() const { return m_times->size(); }

private:
    void SetTimes(std::shared_ptr<const CTimeColumn> times);

    std::shared_ptr<const CTimeColumn> m_times;
    double m_spacing = 86400.0;
};

// The plot area inside the surface, and the mapping between it and time and price, in pixels
// from the surface's top-left corner (y down).
class CChartFrame {
public:
    // With `trading`, x follows the trading axis (which must outlive the frame) instead of the
    // time. With `volumePane`, the lowest part of the plot is kept for the volumes: Bottom() is
    // then the foot of the prices, PlotBottom() that of the volumes.
    // With `bodyPanes`, that many panes of equal height are kept at the foot of the plot,
    // under the volumes.
    CChartFrame(int width, int height, const ChartWindow& window, bool logScale,
                const CTradingAxis* trading = nullptr, bool volumePane = false, int bodyPanes = 0);

    double Left() const { return m_left; }
    double Right() const { return m_right; }
    double Top() const { return m_top; }
    double Bottom() const { return m_bottom; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const ChartWindow& Window() const { return m_window; }
    bool LogScale() const { return m_log; }
    const CTradingAxis* Trading() const { return m_trading; }
    // The foot of the plot: of the volume pane when there is one, else Bottom().
    double PlotBottom() const { return m_plotBottom; }
    double VolumeTop() const { return m_volumeTop; }
    double VolumeBottom() const { return m_panes > 0 ? m_panesTop - 4.0 : m_plotBottom; }
    bool HasVolumePane() const { return m_volumeTop < m_panesTop; }
    // The body panes: how many there are room for, and each one's top and foot (pane 0 highest).
    int PaneCount() const { return m_panes; }
    double PaneTop(int pane) const;
    double PaneBottom(int pane) const;

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
    const CTradingAxis* m_trading;
    double m_leftPosition = 0.0, m_rightPosition = 1.0;  // of the window's edges on it
    double m_plotBottom, m_volumeTop;
    int m_panes = 0;
    double m_panesTop = 0.0, m_paneHeight = 0.0;
};

// Everything a redraw can keep from the last one.
struct ChartCache {
    CLongitudeSampler sampler;
    CMotionSampler motions;
    // Work space, kept to spare allocations.
    std::vector<double> columns, degrees;
    std::vector<std::vector<LinePoint>> pieces;
    std::vector<CTurnShape> shapes;
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
    // The pixel columns of bars last drawn: a pan by whole pixels draws most of them again,
    // with the very same bars.
    struct BarColumn {
        std::size_t begin, end;  // bars [begin, end)
        BarBlock extremes;
    };
    std::vector<BarColumn> barColumns, nextBarColumns;
    const void* blocksOf = nullptr;
    std::size_t blocksBars = 0;
    UnixSeconds blocksFirst = 0, blocksLast = 0;
};

// The window that shows every bar, with a margin, and prices that stay positive on a log scale.
ChartWindow FitWindow(const PriceSeries& series, bool logScale);

// The same window with its prices fitted to the bars inside its times (unchanged when none is).
ChartWindow FitPricesToTimes(const PriceSeries& series, const ChartWindow& window, bool logScale);

// The bar at or nearest to `seconds` within half the spacing of the bars around it, or none.
std::optional<Bar> BarNear(const PriceSeries& series, double seconds);

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

// The ticks of the time axis: whole minutes, hours, days, months or years, the finest that
// leaves room for their labels.
struct TimeTick {
    double seconds;
    std::string label;
};
std::vector<TimeTick> TimeAxisTicks(const CChartFrame& frame);

// The spans shaded behind a plot and the markers over it, as the price chart draws them.
void DrawChartSpans(CDrawingDevice& device, const std::vector<ChartSpan>& spans,
                    const CChartFrame& frame);
void DrawChartMarkers(CDrawingDevice& device, const std::vector<ChartMarker>& markers,
                      const CChartFrame& frame);

// The step of 1, 2 or 5 times a power of ten nearest above `raw`, for axis ticks; 1 for a step
// that is not a positive finite number.
double NiceStep(double raw);

// Text for the readouts and axis labels.
std::string FormatPrice(double price, double step);
// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM" (proleptic Gregorian, UT) of seconds since 1970; an
// instant no calendar reaches (NaN, infinite, kLargestBarTime or more from 1970) as
// "%g seconds from 1970".
inline constexpr double kLargestBarTime = 1e13;
std::string FormatBarTime(double seconds, bool withClock);

}  // namespace prices
