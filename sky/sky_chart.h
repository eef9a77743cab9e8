#pragma once
// The sky over time: x is time (UT seconds since 1970, as on the price chart), y the bodies'
// ecliptic longitudes folded onto a dial of 360, 180, ..., 22.5 degrees (the longitude modulo
// the dial), so that on the 90-degree dial every square and opposition of two bodies is a
// crossing of their lines. Lines break cleanly where they wrap from the top of the dial to
// its foot. Levels (a job's hot spots, a horoscope's natal points) are horizontal lines at their
// folded longitude; panes of declination, latitude and speed (prices/body_panes.h) go under it.
//
// The chart reuses the price chart's frame: its "prices" are folded degrees, 0..dial.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "platform/colorref.h"
#include "platform/drawing_device.h"
#include "prices/body_panes.h"
#include "prices/price_chart.h"

namespace sky {

// Every dial, widest first.
std::span<const double> Dials();
// "360", "22.5": the spelling of the command line and of menus.
std::string DialName(double dial);
// One of Dials() as written; false for any other text.
bool ParseDial(std::string_view text, double& dial);

// The longitude modulo the dial, in [0, dial).
double Fold(double longitude, double dial);

// A sampled line of longitudes folded on the dial, cut where it wraps: each piece's points in
// folded degrees (LinePoint::price), a piece ending on one edge of the dial at the crossing and
// the next starting on the other edge at the same x. `pieces` is reused; the first `count`
// entries are the pieces.
void FoldedPieces(const double* x, const double* longitude, std::size_t samples, double dial,
                  std::vector<std::vector<prices::LinePoint>>& pieces, std::size_t& count);

// A horizontal line at a longitude of the zodiac.
struct SkyLevel {
    double longitude = 0;  // degrees 0..360
    std::string label;     // ASCII, short ("HS1", "n.Sun")
    COLORREF color = 0;
};

struct SkyChartOptions {
    std::vector<prices::BodyStyle> bodies;  // codes in `frame`, in drawing order
    Frame frame = Frame::Geocentric;
    PositionSource source = kDefaultPositionSource;
    double dial = 360.0;
    std::vector<prices::PaneKind> panes;  // under the chart, top to bottom
    std::vector<SkyLevel> levels;
    std::vector<prices::ChartMarker> markers;
    std::vector<prices::ChartSpan> spans;
    std::string title;
    // Moving while the user drags the view (with the device's antialiasing off); Exact for
    // everything that stays on screen, prints, exports or traces.
    prices::DrawQuality quality = prices::DrawQuality::Exact;
};

// What a redraw keeps from the last: the motions of every column already computed.
struct SkyCache {
    prices::CMotionSampler motions;
    std::vector<double> columns, longitudes;
    std::vector<std::vector<prices::LinePoint>> pieces;
};

// The earliest and latest instants the source covers, UT seconds since 1970.
void SourceRange(PositionSource source, double& first, double& last);
// Why a chart from `from` to `to` cannot be drawn on that source ("2500-01-01 is beyond what
// the precise source covers (-2999-..)"), or nothing.
std::string CheckSkyRange(double from, double to, PositionSource source);

// The window of the whole dial over [from, to].
prices::ChartWindow DialWindow(double from, double to, double dial);
// The frame of a sky chart of width x height pixels with `panes` panes.
prices::CChartFrame SkyFrame(int width, int height, const prices::ChartWindow& window,
                             std::size_t panes);

// Draws the chart on `device`, between the device's Begin and End.
void DrawSkyChart(CDrawingDevice& device, const SkyChartOptions& options,
                  const prices::CChartFrame& frame, SkyCache& cache);

// "12°34' Leo" with `degree` as the degree sign (UTF-8 for windows, "\xB0" for a device).
std::string FormatZodiac(double longitude, const char* degree);

// What the crosshair reads at `seconds` and the folded value `folded`: the time, the folded
// value, and every body's longitude (sign, degree, minute) with its folded value, in UTF-8.
std::string SkyReadout(const SkyChartOptions& options, double seconds, double folded);

}  // namespace sky
