#pragma once
// The one way the charts stroke a sampled line: clipped to a box, its nearly straight runs
// merged into single strokes. A line sampled at every pixel column of a wide chart is mostly
// such runs, so a chart of many lines hands the device a few strokes a line instead of one a
// column. The price lines, the sky chart's longitudes and the body panes all draw through it.
//
// Coordinates are pixels from the surface's top-left corner, y down; the device gets surface
// units (`unitsPerPixel` to the pixel, y up).
#include "platform/drawing_device.h"

namespace prices {

// How far, in pixels, a merged stroke may pass from any sample it stands for.
inline constexpr double kPolylineTolerance = 0.2;

// How a chart is drawn: exactly (what prints, exports and traces show), or for a frame shown
// while the user drags the view, which the next exact frame replaces. A moving frame draws a
// steep step of a line between neighbouring columns as the upright strokes a raster would
// fill for it without antialiasing (half the rise in each column), which a raster fills many
// times faster than an oblique line of the same pixels.
enum class DrawQuality { Exact, Moving };

class CClippedPolyline {
public:
    CClippedPolyline(CDrawingDevice& device, double left, double top, double right, double bottom,
                     int unitsPerPixel, DrawQuality quality = DrawQuality::Exact);
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
    // An upright stroke at x from y1 to y2, merged with the pending one of the same column.
    void Column(double x, double y1, double y2);
    void FlushColumn();
    CDrawingDevice& m_device;
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

}  // namespace prices
