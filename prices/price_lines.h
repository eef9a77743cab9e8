#pragma once
// Planetary price lines: a body's longitude read as a price. One turn of the zodiac spans
// `unitsPerCircle` price units, so every longitude stands for a ladder of prices, one per turn:
//
//     price = (longitude + harmonic + offset) / 360 * unitsPerCircle + k * unitsPerCircle
//
// for every whole k. At 72 units per circle this is the price monitor's rule read backwards
// (degree = fmod(price, 72) * 5).
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "prices/clipped_polyline.h"

namespace prices {

inline constexpr double kDefaultUnitsPerCircle = 72.0;
// The most harmonics one set of lines takes (each is drawn for every body and turn).
inline constexpr std::size_t kMaxHarmonics = 360;

struct LineSettings {
    Frame frame = Frame::Geocentric;
    PositionSource source = kDefaultPositionSource;
    double unitsPerCircle = kDefaultUnitsPerCircle;
    double offset = 0.0;                 // degrees added to every longitude
    std::vector<double> harmonics{0.0};  // degrees; 0 is the body's own line
    std::vector<int> bodies;             // body codes in `frame`
};

// What is wrong with the settings ("units per circle must be above 0, not -3", ...), or
// nothing.
std::string CheckLineSettings(const LineSettings& settings);

// The longitude plus harmonic and offset, in [0, 360).
double WrappedDegree(double degrees);
inline double LineDegree(double longitude, double harmonic, double offset) {
    const double sum = longitude + harmonic + offset;
    // A chart takes this for every column of every line: the usual sums without fmod, which
    // gives the same here (taking 360 from a number in [360, 720) is exact).
    if (sum >= 0.0 && sum < 720.0) return sum >= 360.0 ? sum - 360.0 : sum;
    return WrappedDegree(sum);
}
// The price of turn k of that degree.
double LinePrice(double degree, double unitsPerCircle, std::int64_t turn);
// The most turns of the circle away from 0 a line is drawn for: 2^50, well inside the range
// where a double counts whole turns exactly.
inline constexpr double kMaxLineTurns = 1125899906842624.0;
// Why prices from `low` to `high` are beyond what lines are drawn for, or nothing.
std::string CheckPriceRange(double low, double high, double unitsPerCircle);
// The prices of every turn of `degree` inside [low, high], ascending, into `out` (cleared);
// nothing for a range beyond kMaxLineTurns.
void LevelsInRange(double degree, double unitsPerCircle, double low, double high,
                   std::vector<double>& out);
// The degree a price stands for: fmod(price, unitsPerCircle) / unitsPerCircle * 360, with the
// remainder keeping the price's sign as the monitor's rule does.
double PriceDegree(double price, double unitsPerCircle);

// A point of a line in chart columns (x) and price.
struct LinePoint {
    double x = 0.0;
    double price = 0.0;
};

// Splits a line sampled at columns `x` with degrees `degree` (each in [0, 360)) into pieces of
// turn 0, i.e. prices in [0, unitsPerCircle]. Where the line wraps from one turn to the next
// between two samples, the piece ends on the boundary at the crossing and the next piece starts
// on the other boundary at the same x, so no stroke joins the two. `pieces` is reused: its
// first `count` entries are the pieces.
void TurnPieces(const double* x, const double* degree, std::size_t samples, double unitsPerCircle,
                std::vector<std::vector<LinePoint>>& pieces, std::size_t& count);

// A piece of a line drawn once for every turn. On a linear price axis the turns are the same
// shape shifted along y, so the polyline merges the piece's samples once, on turn 0, and each
// turn only clips and draws the merged strokes. The ends of a turn's strokes are worked out from
// the samples' own prices (y of price + the turn's base) exactly as the polyline is given them
// point by point, so a turn gets the strokes of its own points, rounded the same; only a sample
// lying on the very edge of the merging tolerance may merge otherwise in another turn.
class CTurnShape {
public:
    // Merges `points` (x and price) drawn at y = yOf(price). False when a point is not finite or
    // a stroke cannot be traced back to its samples: the piece is then drawn point by point.
    template <typename YOf>
    bool Build(const std::vector<LinePoint>& points, DrawQuality quality, YOf&& yOf);
    // The piece at y = yOf(price) (yOf(price + base) for a turn), stroke by stroke.
    template <typename YOf>
    void Draw(CClippedPolyline& polyline, YOf&& yOf) const;
    // How many strokes each turn takes.
    std::size_t Strokes() const { return m_strokes.size(); }

private:
    // A stroke's end: the price of a sample, or the middle of two samples' y (a steep step of a
    // moving frame drawn upright).
    struct End {
        double a = 0.0, b = 0.0;
        bool middle = false;
    };
    struct Stroke {
        double x1, x2;
        End end1, end2;
    };
    bool Trace(const std::vector<LinePoint>& points);
    bool FindEnd(const std::vector<LinePoint>& points, double x, double y, End& end) const;
    template <typename YOf>
    static double YOfEnd(const End& end, YOf& yOf) {
        return end.middle ? (yOf(end.a) + yOf(end.b)) / 2.0 : yOf(end.a);
    }

    std::vector<double> m_y;
    std::vector<PolylineStroke> m_recorded;
    std::vector<Stroke> m_strokes;
};

template <typename YOf>
bool CTurnShape::Build(const std::vector<LinePoint>& points, DrawQuality quality, YOf&& yOf) {
    m_strokes.clear();
    m_recorded.clear();
    m_y.resize(points.size());
    CClippedPolyline recorder(m_recorded, quality);
    for (std::size_t i = 0; i < points.size(); ++i) {
        m_y[i] = yOf(points[i].price);
        if (!std::isfinite(points[i].x) || !std::isfinite(m_y[i])) return false;
        recorder.Add(points[i].x, m_y[i]);
    }
    recorder.Finish();
    return Trace(points);
}

template <typename YOf>
void CTurnShape::Draw(CClippedPolyline& polyline, YOf&& yOf) const {
    for (const Stroke& stroke : m_strokes) {
        polyline.Line(stroke.x1, YOfEnd(stroke.end1, yOf), stroke.x2, YOfEnd(stroke.end2, yOf));
    }
}

// Longitudes sampled on a grid of times, kept between redraws so that panning computes only
// the columns that come into view.
class CLongitudeSampler {
public:
    // The longitudes of `code` at the times (first + i) * step seconds since 1970 UT, for
    // i in [0, count). Valid until the next call.
    const double* Sample(int code, PositionSource source, double step, std::int64_t first,
                         std::size_t count);
    // The same for several bodies at once, into `out` (one pointer per code, valid until the
    // next call). The columns missing are computed date by date, every body at one date before
    // the next: the precise source then reuses what the bodies share at an instant (ΔT, the
    // Earth, the nutation) instead of computing it again for each body. Many missing dates of
    // the series are shared out among the machine's cores.
    void SampleMany(const std::vector<int>& codes, PositionSource source, double step,
                    std::int64_t first, std::size_t count, std::vector<const double*>& out);
    // How many positions have been computed so far, for the benchmarks and tests.
    std::size_t Computed() const { return m_computed; }

private:
    struct Entry {
        int code = 0;
        PositionSource source = kDefaultPositionSource;
        double step = 0.0;
        std::int64_t first = 0;
        std::vector<double> values;
        std::vector<double> scratch;
    };
    Entry& EntryOf(int code, PositionSource source);
    static constexpr std::size_t kColumnsPerThread = 256;
    std::vector<Entry> m_entries;
    std::size_t m_computed = 0;
};

}  // namespace prices
