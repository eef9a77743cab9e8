#pragma once
// The one way the charts stroke a sampled line: clipped to a box, its nearly straight runs
// merged into single strokes. A line sampled at every pixel column of a wide chart is mostly
// such runs, so a chart of many lines hands the device a few strokes a line instead of one a
// column. The price lines, the sky chart's longitudes and the body panes all draw through it.
//
// Coordinates are pixels from the surface's top-left corner, y down; the device gets surface
// units (`unitsPerPixel` to the pixel, y up).
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/drawing_device.h"

namespace prices {

// How far, in pixels, a merged stroke may pass from any sample it stands for.
inline constexpr double kPolylineTolerance = 0.2;
// Pixels a step between neighbouring columns must rise or fall to be drawn upright when moving.
inline constexpr double kSteepStep = 8.0;

// How a chart is drawn: exactly (what prints, exports and traces show), or for a frame shown
// while the user drags the view, which the next exact frame replaces. A moving frame draws a
// steep step of a line between neighbouring columns as the upright strokes a raster would
// fill for it without antialiasing (half the rise in each column), which a raster fills many
// times faster than an oblique line of the same pixels.
enum class DrawQuality { Exact, Moving };

// A stroke in pixels, y down, as the polyline hands it on before clipping.
struct PolylineStroke {
    double x1, y1, x2, y2;
};

class CClippedPolyline {
public:
    CClippedPolyline(CDrawingDevice& device, double left, double top, double right, double bottom,
                     int unitsPerPixel, DrawQuality quality = DrawQuality::Exact);
    // Keeps the strokes in `strokes` (appended, neither clipped nor rounded) instead of drawing
    // them: the strokes a line of the same points would be drawn with, in the same order.
    CClippedPolyline(std::vector<PolylineStroke>& strokes, DrawQuality quality);
    ~CClippedPolyline() { Finish(); }
    CClippedPolyline(const CClippedPolyline&) = delete;
    CClippedPolyline& operator=(const CClippedPolyline&) = delete;
    // The next point. x should ascend; a point at or behind the last one ends the run there and
    // is joined to it by a stroke of its own (the same point again adds nothing). A point that
    // is not finite ends the line, as Finish does.
    void Add(double x, double y);
    // Draws what is pending and starts a new line at the next Add.
    void Finish();
    // One straight stroke, clipped.
    void Line(double x1, double y1, double x2, double y2);

private:
    void Flush();
    // The stroke in surface units.
    void Emit(double x1, double y1, double x2, double y2);
    [[gnu::noinline]] void Keep(double x1, double y1, double x2, double y2);
    // An upright stroke at x from y1 to y2, merged with the pending one of the same column.
    void Column(double x, double y1, double y2);
    void FlushColumn();
    CDrawingDevice* m_device;
    std::vector<PolylineStroke>* m_strokes = nullptr;  // kept instead of drawn
    double m_left, m_top, m_right, m_bottom;
    double m_units;
    bool m_started = false, m_open = false;
    double m_sx = 0, m_sy = 0, m_lx = 0, m_ly = 0;
    // The slopes from the run's start that keep every point of the run within the tolerance.
    double m_low = 0, m_high = 0;
    bool m_columns = false;  // steep steps as upright strokes (DrawQuality::Moving)
    bool m_columnPending = false;
    double m_columnX = 0, m_columnLow = 0, m_columnHigh = 0;
};

// Inline: a chart adds a point for every column of every line it draws.
inline void CClippedPolyline::Add(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        Finish();
        return;
    }
    if (!m_started) {
        m_sx = m_lx = x, m_sy = m_ly = y;
        m_started = true;
        m_open = false;
        return;
    }
    if (x <= m_sx) {
        Flush();
        m_sx = m_lx, m_sy = m_ly;
        if (x <= m_sx) {
            Line(m_sx, m_sy, x, y);
            m_sx = m_lx = x, m_sy = m_ly = y;
            return;
        }
    }
    if (x <= m_lx) {
        // Back inside the run: a repeated point changes nothing; any other ends the run.
        if (x == m_lx && y == m_ly) return;
        Flush();
        Line(m_lx, m_ly, x, y);
        m_sx = m_lx = x, m_sy = m_ly = y;
        return;
    }
    // A long steep step between neighbouring columns: upright strokes. Shorter steps stay
    // oblique, where they merge into runs of many columns.
    if (m_columns && x - m_lx <= 1.5 && std::fabs(y - m_ly) > kSteepStep) {
        Flush();
        const double middle = (m_ly + y) / 2.0;
        Column(m_lx, m_ly, middle);
        Column(x, middle, y);
        m_sx = m_lx = x, m_sy = m_ly = y;
        return;
    }
    FlushColumn();
    const double run = x - m_sx;
    const double slope = (y - m_sy) / run;
    if (m_open && (slope < m_low || slope > m_high)) {
        // The point leaves the run: the run ends at the last point, and a new one starts there.
        Flush();
        m_sx = m_lx, m_sy = m_ly;
        const double run2 = x - m_sx;
        const double slope2 = (y - m_sy) / run2;
        m_low = slope2 - kPolylineTolerance / run2;
        m_high = slope2 + kPolylineTolerance / run2;
    } else if (!m_open) {
        m_low = slope - kPolylineTolerance / run;
        m_high = slope + kPolylineTolerance / run;
    } else {
        m_low = std::max(m_low, slope - kPolylineTolerance / run);
        m_high = std::min(m_high, slope + kPolylineTolerance / run);
    }
    m_open = true;
    m_lx = x, m_ly = y;
}

}  // namespace prices
