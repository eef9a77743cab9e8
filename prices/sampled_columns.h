#pragma once
// What the per-column samplers share: a new grid of columns takes from each entry's last grid
// the columns both hold, and the others are marked to be computed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "prices/ohlc.h"

namespace prices {

// Fills `entry.scratch` (made `count` long) with the columns first .. first + count - 1 of the
// grid `step` that the entry's last grid (`step`, `first`, `values`) holds, and marks each
// other column in row `row` of `missing` (`rows` rows to a column).
template <typename Entry>
void KeepSampledColumns(Entry& entry, double step, std::int64_t first, std::size_t count,
                        std::size_t row, std::size_t rows, std::vector<char>& missing) {
    const bool sameGrid = entry.step == step;
    const std::int64_t oldFirst = entry.first;
    const std::int64_t oldEnd = oldFirst + static_cast<std::int64_t>(entry.values.size());
    entry.scratch.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t index = first + static_cast<std::int64_t>(i);
        if (sameGrid && index >= oldFirst && index < oldEnd) {
            entry.scratch[i] = entry.values[static_cast<std::size_t>(index - oldFirst)];
        } else {
            missing[i * rows + row] = 1;
        }
    }
}

// The columns with anything marked in `missing`.
inline std::vector<std::size_t> ColumnsToCompute(const std::vector<char>& missing, std::size_t rows,
                                                 std::size_t count) {
    std::vector<std::size_t> columns;
    for (std::size_t i = 0; i < count; ++i) {
        const char* row = &missing[i * rows];
        if (std::find(row, row + rows, 1) != row + rows) columns.push_back(i);
    }
    return columns;
}

// Fills `entry.values` for the grid, keeping what its last grid holds and computing the other
// columns one by one with `compute(jed)`; returns how many it computed.
template <typename Entry, typename Compute>
std::size_t FillSampledColumns(Entry& entry, double step, std::int64_t first, std::size_t count,
                               Compute&& compute) {
    std::vector<char> missing(count, 0);
    KeepSampledColumns(entry, step, first, count, 0, 1, missing);
    std::size_t computed = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (missing[i] == 0) continue;
        const std::int64_t index = first + static_cast<std::int64_t>(i);
        entry.scratch[i] = compute(JedOfSeconds(static_cast<double>(index) * step));
        ++computed;
    }
    entry.values.swap(entry.scratch);
    entry.first = first;
    entry.step = step;
    return computed;
}

}  // namespace prices
