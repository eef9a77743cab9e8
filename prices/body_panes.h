#pragma once
// Panes under a chart of time: the bodies' declination (with the band of the obliquity of date,
// out of bounds beyond it), ecliptic latitude and speed (with the zero line), sampled once per
// pixel column on a grid of times that stays put while the chart pans, as the price lines are.
// The price chart and the sky chart draw the same panes through DrawBodyPanes.
//
// Times are UT seconds since 1970 as on the charts; angles in degrees; speeds in degrees of
// longitude per day. A body code says the frame (negative geocentric, positive heliocentric).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/position_source.h"
#include "platform/colorref.h"
#include "platform/drawing_device.h"
#include "prices/clipped_polyline.h"

namespace prices {

class CChartFrame;

struct BodyStyle {
    int code = 0;  // in the chart's frame
    COLORREF color = 0;
};

enum class PaneKind { Declination, Latitude, Speed };

// Every pane, in the order the panes stack under a chart.
std::span<const PaneKind> PaneKinds();
const char* PaneName(PaneKind kind);  // "declination", "latitude", "speed"
std::optional<PaneKind> ParsePaneName(std::string_view text);
// A list as the command line takes it ("declination,speed"): every name known, none twice.
// False with a message naming the bad name.
bool ParsePaneList(std::string_view text, std::vector<PaneKind>& panes, std::string& error);

// A body's place and motion at one instant, in its code's frame.
struct BodyMotion {
    double longitude = 0;    // 0..360, ecliptic of date
    double latitude = 0;     // -90..90, seen from the frame's centre
    double speed = 0;        // degrees of longitude per day
    double declination = 0;  // -90..90, equator of date
};

// The mean obliquity of the ecliptic of date (IAU 1980 polynomial), degrees.
double MeanObliquity(double jed);
// The obliquity the source's positions are referred to: the true one for the precise source
// (nutation included, as its apparent longitudes are), the mean one for the series.
double ObliquityOfDate(double jed, PositionSource source);
// Declination of an ecliptic place on an equator inclined by `obliquity`, degrees.
double DeclinationOf(double longitude, double latitude, double obliquity);

// The body `code` at `jed` (UT). Geocentric bodies from the precise source come from the
// library whole (apparent, with its speed and declination); everything else from the
// source's longitudes and latitudes: the speed by a central difference of a quarter hour, the
// declination by rotating the ecliptic place. The series has no distances, so its geocentric
// latitudes of the planets are taken with their mean distances from the Sun.
BodyMotion ComputeBodyMotion(double jed, int code, PositionSource source);
// Several bodies at one instant, each exactly as ComputeBodyMotion gives it (out holds as many
// entries as codes), and ObliquityOfDate there: the precise source computes what the bodies
// share once.
void ComputeBodyMotions(double jed, std::span<const int> codes, PositionSource source,
                        std::span<BodyMotion> out, double& obliquity);

// Motions sampled on a grid of times, kept between redraws so that a pan computes only the
// columns that come into view.
class CMotionSampler {
public:
    // `code` at the times (first + i) * step seconds since 1970 UT, for i in [0, count). Valid
    // until the next call.
    const BodyMotion* Sample(int code, PositionSource source, double step, std::int64_t first,
                             std::size_t count);
    // The same for several bodies at once, into `out` (one pointer per code, valid until the
    // next call), and the obliquity of date on the same grid (Obliquity then finds it). The
    // columns missing are computed date by date, every body at one date before the next date:
    // the precise source then reuses what the bodies share (ΔT, the Earth, the nutation)
    // instead of computing it again for each body. Many missing dates are shared out among
    // the machine's cores.
    void SampleMany(const std::vector<int>& codes, PositionSource source, double step,
                    std::int64_t first, std::size_t count, std::vector<const BodyMotion*>& out);
    // The obliquity of date on the same grid.
    const double* Obliquity(PositionSource source, double step, std::int64_t first,
                            std::size_t count);
    // How many motions have been computed so far, for the benchmarks and tests.
    std::size_t Computed() const { return m_computed; }

private:
    struct MotionEntry {
        int code = 0;
        PositionSource source = kDefaultPositionSource;
        double step = 0.0;
        std::int64_t first = 0;
        std::vector<BodyMotion> values, scratch;
    };
    struct ObliquityEntry {
        PositionSource source = kDefaultPositionSource;
        double step = 0.0;
        std::int64_t first = 0;
        std::vector<double> values, scratch;
    };
    // Below this many columns to compute, one thread does them all.
    static constexpr std::size_t kColumnsPerThread = 64;
    static constexpr std::size_t kMostThreads = 8;
    ObliquityEntry& ObliquityEntryOf(PositionSource source);

    std::vector<MotionEntry> m_motions;
    std::vector<ObliquityEntry> m_obliquities;
    std::size_t m_computed = 0;
};

// The pixel columns a chart samples: one a pixel on a grid of times that a pan leaves in
// place (the step rounded to a fixed ladder), a column beyond each edge of the plot.
struct ColumnGrid {
    double step = 1.0;  // seconds
    std::int64_t first = 0;
    std::size_t count = 0;
};
ColumnGrid GridOf(const CChartFrame& frame);

struct PaneOptions {
    std::vector<PaneKind> panes;    // top to bottom
    std::vector<BodyStyle> bodies;  // codes in either frame, in drawing order
    PositionSource source = kDefaultPositionSource;
    DrawQuality quality = DrawQuality::Exact;
};

// Draws the frame's panes (CChartFrame::PaneCount of them, the first `options.panes` kinds),
// each with its own vertical scale fitted to the values in view.
void DrawBodyPanes(CDrawingDevice& device, const CChartFrame& frame, const PaneOptions& options,
                   CMotionSampler& sampler);

}  // namespace prices
