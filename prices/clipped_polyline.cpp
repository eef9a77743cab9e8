#include "prices/clipped_polyline.h"

#include <algorithm>
#include <cmath>

namespace prices {

CClippedPolyline::CClippedPolyline(CDrawingDevice& device, double left, double top, double right,
                                   double bottom, int unitsPerPixel, DrawQuality quality)
    : m_device(&device),
      m_left(left),
      m_top(top),
      m_right(right),
      m_bottom(bottom),
      m_units(unitsPerPixel),
      m_columns(quality == DrawQuality::Moving) {}

CClippedPolyline::CClippedPolyline(std::vector<PolylineStroke>& strokes, DrawQuality quality)
    : m_device(nullptr),
      m_strokes(&strokes),
      m_left(0),
      m_top(0),
      m_right(0),
      m_bottom(0),
      m_units(1),
      m_columns(quality == DrawQuality::Moving) {}

void CClippedPolyline::Column(double x, double y1, double y2) {
    const double low = std::min(y1, y2), high = std::max(y1, y2);
    if (m_columnPending && x == m_columnX) {
        m_columnLow = std::min(m_columnLow, low);
        m_columnHigh = std::max(m_columnHigh, high);
        return;
    }
    FlushColumn();
    m_columnPending = true;
    m_columnX = x, m_columnLow = low, m_columnHigh = high;
}

void CClippedPolyline::FlushColumn() {
    if (!m_columnPending) return;
    m_columnPending = false;
    Line(m_columnX, m_columnLow, m_columnX, m_columnHigh);
}

// Out of line, so that the strokes drawn stay as quick to reach as without it.
void CClippedPolyline::Keep(double x1, double y1, double x2, double y2) {
    m_strokes->push_back({x1, y1, x2, y2});
}

void CClippedPolyline::Line(double x1, double y1, double x2, double y2) {
    if (m_strokes != nullptr) [[unlikely]] {
        Keep(x1, y1, x2, y2);
        return;
    }
    const double dx = x2 - x1, dy = y2 - y1;
    const auto inside = [this](double x, double y) {
        return x >= m_left && x <= m_right && y >= m_top && y <= m_bottom;
    };
    if (inside(x1, y1) && inside(x2, y2)) {
        // What clipping gives a stroke wholly inside (t from 0 to 1), without its divisions.
        Emit(x1, y1, x1 + dx, y1 + dy);
        return;
    }
    // Liang-Barsky.
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - m_left, m_right - x1, y1 - m_top, m_bottom - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return;
            t1 = std::min(t1, t);
        }
    }
    Emit(x1 + t0 * dx, y1 + t0 * dy, x1 + t1 * dx, y1 + t1 * dy);
}

void CClippedPolyline::Emit(double x1, double y1, double x2, double y2) {
    // std::lround, inline: the fraction left by truncation is exact, so halves go away from
    // zero as lround takes them. Pixels inside a box are far inside an int.
    const auto unit = [this](double pixels) {
        const double value = pixels * m_units;
        const auto whole = static_cast<long>(value);
        const double fraction = value - static_cast<double>(whole);
        return static_cast<int>(fraction >= 0.5 ? whole + 1 : fraction <= -0.5 ? whole - 1 : whole);
    };
    m_device->Line(unit(x1), -unit(y1), unit(x2), -unit(y2));
}

void CClippedPolyline::Flush() {
    if (m_open) Line(m_sx, m_sy, m_lx, m_ly);
    m_open = false;
}

void CClippedPolyline::Finish() {
    Flush();
    FlushColumn();
    m_started = false;
}

}  // namespace prices
