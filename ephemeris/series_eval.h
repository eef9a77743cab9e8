#pragma once
// Evaluating one series table for a date; each call computes the arguments it needs afresh.

#include <span>

#include "ephemeris/series.h"

namespace caelvane::series {

// The table's sum for the date: arcseconds for longitude and latitude tables, AU for radius ones.
template <const auto& table>
double Sum(double jed) {
    static constexpr std::uint32_t kUsed = ArgumentsUsed(table);
    return SumSeries(table, ComputeArguments(jed, kUsed));
}

// A longitude or latitude series: the sum in degrees, reduced to 0..360.
template <const auto& table>
double Longitude(double jed) {
    return ReduceDegrees(Sum<table>(jed) / 3600);
}

}  // namespace caelvane::series
