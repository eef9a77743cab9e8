#pragma once
#include <climits>
#include <cmath>

#include "platform/colorref.h"

// Degrees to radians as the chart multiplies: 1 / 57.29577951 as a double.
inline constexpr double kChartDegToRad = 0.017453292520882225;

// trunc() toward zero into an int. The chart's page arithmetic never leaves the int range for
// sane jobs; for NaN and values beyond it (from odd job files) the result is defined instead of
// undefined: NaN gives 0, values past the ends give INT_MIN / INT_MAX.
inline int TruncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT_MAX;
    if (value <= -2147483648.0) return INT_MIN;
    return static_cast<int>(value);
}

// The polar point rule: angle in degrees anticlockwise from the positive x axis.
// offset is added in double precision before the cut (trunc(r * cos(a k) + offset)).
inline int PolarX(int cx, double r, double angleDeg, double offset = 0.0) {
    return cx + TruncToInt(r * std::cos(angleDeg * kChartDegToRad) + offset);
}
inline int PolarY(int cy, double r, double angleDeg, double offset = 0.0) {
    return cy + TruncToInt(r * std::sin(angleDeg * kChartDegToRad) + offset);
}
