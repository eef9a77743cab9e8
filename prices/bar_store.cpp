#include "prices/bar_store.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>

namespace prices {

namespace {

constexpr int kMostDecimals = 9;
// Powers of ten that a double holds exactly.
constexpr double kPowers[kMostDecimals + 1] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
constexpr std::int64_t kLargestCount = std::numeric_limits<std::int32_t>::max();

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// The count of 10^-decimals that gives back `value` exactly, if one fits 32 bits. A count and a
// power of ten that are both exact give, by the one rounding of the division, the double
// nearest their quotient: the very double a parser makes of the decimal text, however many
// decimals the text had (1.5 as 15 / 10 and as 150 / 100 alike). Checking the quotient makes
// that hold for any double; -0 and values with more decimals find no count.
bool CountOf(double value, int decimals, std::int32_t& count) {
    const double scaled = value * kPowers[decimals];
    if (!(std::fabs(scaled) <= static_cast<double>(kLargestCount))) return false;
    const auto nearest = static_cast<std::int32_t>(scaled < 0.0 ? scaled - 0.5 : scaled + 0.5);
    if (!SameBits(static_cast<double>(nearest) / kPowers[decimals], value)) return false;
    count = nearest;
    return true;
}

template <typename Vector>
void Release(Vector& values) {
    Vector().swap(values);
}

}  // namespace

CTimeColumn::CTimeColumn(const std::vector<UnixSeconds>& times) {
    reserve(times.size());
    for (const UnixSeconds time : times) push_back(time);
}

void CTimeColumn::reserve(std::size_t times) {
    if (m_wide) {
        m_times.reserve(times);
    } else {
        m_offsets.reserve(times);
    }
}

bool CTimeColumn::Offset(UnixSeconds time, std::int32_t& offset) const {
    UnixSeconds wide = 0;
    if (__builtin_sub_overflow(time, m_base, &wide) ||
        wide < std::numeric_limits<std::int32_t>::min() ||
        wide > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    offset = static_cast<std::int32_t>(wide);
    return true;
}

void CTimeColumn::push_back(UnixSeconds time) {
    if (!m_wide) {
        if (m_offsets.empty()) m_base = time;
        std::int32_t offset = 0;
        if (Offset(time, offset)) {
            m_offsets.push_back(offset);
            return;
        }
        m_times.reserve(std::max(m_offsets.capacity(), m_offsets.size() + 1));
        for (const std::int32_t o : m_offsets) m_times.push_back(m_base + o);
        Release(m_offsets);
        m_wide = true;
    }
    m_times.push_back(time);
}

bool CTimeColumn::Replace(std::size_t i, UnixSeconds time) {
    if (m_wide) {
        m_times[i] = time;
        return true;
    }
    std::int32_t offset = 0;
    if (!Offset(time, offset)) return false;
    m_offsets[i] = offset;
    return true;
}

void CTimeColumn::Reverse() {
    std::reverse(m_offsets.begin(), m_offsets.end());
    std::reverse(m_times.begin(), m_times.end());
}

UnixSeconds CTimeColumn::MedianStep() const {
    const std::size_t n = size();
    if (n < 2) return 0;
    // The step that the sorted steps hold at the middle, as nth_element finds it.
    const std::size_t middle = (n - 1) / 2;
    constexpr std::size_t kMostLengths = 4096;
    std::unordered_map<UnixSeconds, std::size_t> counts;
    UnixSeconds step = (*this)[1] - (*this)[0];
    std::size_t run = 0;
    for (std::size_t i = 1; i < n && counts.size() <= kMostLengths; ++i) {
        const UnixSeconds next = (*this)[i] - (*this)[i - 1];
        if (next != step) {
            counts[step] += run;
            step = next, run = 0;
        }
        ++run;
    }
    counts[step] += run;
    if (counts.size() <= kMostLengths) {
        std::vector<std::pair<UnixSeconds, std::size_t>> lengths(counts.begin(), counts.end());
        std::sort(lengths.begin(), lengths.end());
        std::size_t below = 0;
        for (const auto& [length, count] : lengths) {
            below += count;
            if (below > middle) return length;
        }
    }
    // Steps of every length: sorted the plain way.
    std::vector<UnixSeconds> steps(n - 1);
    for (std::size_t i = 0; i + 1 < n; ++i) steps[i] = (*this)[i + 1] - (*this)[i];
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(middle),
                     steps.end());
    return steps[middle];
}

const void* CTimeColumn::Identity() const {
    return m_wide ? static_cast<const void*>(m_times.data())
                  : static_cast<const void*>(m_offsets.data());
}

std::size_t CTimeColumn::BytesUsed() const {
    return m_wide ? m_times.size() * sizeof(UnixSeconds) : m_offsets.size() * sizeof(std::int32_t);
}

CBarStore::CBarStore() {
    m_columns[kClose].form = Form::Scaled;
}

void CBarStore::Column::Reserve(std::size_t capacity) {
    if (form == Form::Scaled) counts.reserve(capacity);
    if (form == Form::Doubles) doubles.reserve(capacity);
}

void CBarStore::Column::ToDoubles(std::size_t capacity) {
    doubles.reserve(std::max(capacity, counts.size() + 1));
    for (const std::int32_t count : counts) doubles.push_back(static_cast<double>(count) / divisor);
    Release(counts);
    form = Form::Doubles;
}

inline bool CBarStore::Column::AppendCount(double value) {
    std::int32_t count = 0;
    if (form != Form::Scaled || decimals < 0 || !CountOf(value, decimals, count)) return false;
    counts.push_back(count);
    return true;
}

inline bool CBarStore::Column::AppendKnown(std::int32_t count, int known) {
    if (known < 0 || form != Form::Scaled || decimals < 0) return false;
    // count / 10^known is the same number as (count * 10^(decimals - known)) / 10^decimals, so
    // both give the same double: the count CountOf would find, as long as it stays well inside
    // 32 bits (where scaling a double back to it cannot round up past the limit).
    constexpr std::int64_t kMostKnown = std::int64_t{1} << 30;
    static constexpr std::int64_t kTens[kMostDecimals + 1] = {
        1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
    std::int64_t wide = count;
    if (known < decimals) {
        wide *= kTens[decimals - known];
        if (wide > kMostKnown || wide < -kMostKnown) return false;
    } else if (known > decimals) {
        const std::int64_t step = kTens[known - decimals];
        if (wide % step != 0) return false;
        wide /= step;
    }
    counts.push_back(static_cast<std::int32_t>(wide));
    return true;
}

void CBarStore::Column::Append(double value, std::size_t capacity) {
    if (AppendCount(value)) return;
    std::int32_t count = 0;
    if (form == Form::Scaled && Rescale(value, count)) {
        counts.push_back(count);
        return;
    }
    if (form == Form::Scaled) ToDoubles(capacity);
    doubles.push_back(value);
}

bool CBarStore::Column::Rescale(double value, std::int32_t& count) {
    int wanted = decimals < 0 ? 0 : decimals + 1;
    while (wanted <= kMostDecimals && !CountOf(value, wanted, count)) ++wanted;
    if (wanted > kMostDecimals) return false;
    if (decimals >= 0) {
        // More decimals than the column has had: its counts grow by the power of ten between,
        // if the largest of them still fits.
        const auto factor = static_cast<std::int32_t>(kPowers[wanted - decimals]);
        std::int64_t largest = 0;
        for (const std::int32_t c : counts) largest = std::max(largest, std::abs(std::int64_t{c}));
        if (largest * factor > kLargestCount) return false;
        for (std::int32_t& c : counts) c *= factor;
    }
    decimals = wanted;
    divisor = kPowers[wanted];
    return true;
}

bool CBarStore::Column::Replace(std::size_t i, double value) {
    if (form == Form::Doubles) {
        doubles[i] = value;
        return true;
    }
    std::int32_t count = 0;
    if (form != Form::Scaled || decimals < 0 || !CountOf(value, decimals, count)) return false;
    counts[i] = count;
    return true;
}

double CBarStore::Derived(Field field, const Bar& bar) {
    switch (field) {
        case kOpen:
            return bar.close;
        case kHigh:
            return bar.open < bar.close ? bar.close : bar.open;
        case kLow:
            return bar.close < bar.open ? bar.close : bar.open;
        case kClose:
        case kVolume:
        case kFields:
            break;
    }
    return 0.0;
}

double CBarStore::Value(Field field, const Bar& bar) {
    switch (field) {
        case kOpen:
            return bar.open;
        case kHigh:
            return bar.high;
        case kLow:
            return bar.low;
        case kClose:
            return bar.close;
        case kVolume:
        case kFields:
            break;
    }
    return bar.volume;
}

std::size_t CBarStore::capacity() const {
    return m_times.capacity();
}

void CBarStore::reserve(std::size_t bars) {
    if (bars <= capacity()) return;
    m_times.reserve(bars);
    for (Column& column : m_columns) column.Reserve(bars);
}

void CBarStore::Materialize(Field field) {
    Column column;
    column.form = Form::Scaled;
    column.Reserve(std::max(capacity(), m_size + 1));
    for (std::size_t i = 0; i < m_size; ++i) column.Append(Value(field, (*this)[i]), capacity());
    m_columns[field] = std::move(column);
}

void CBarStore::push_back(const Bar& bar, const Counts& known) {
    m_times.push_back(bar.time);
    // Most values take the first ways; the rest go out of line, so that the first stay short.
    const auto append = [this, &bar, &known](Field field, double value, double derived) {
        Column& column = m_columns[field];
        if (column.AppendKnown(known.counts[field], known.decimals[field])) return;
        if (column.AppendCount(value)) return;
        if (column.form == Form::Derived && SameBits(value, derived)) return;
        AppendOther(field, value, bar);
    };
    append(kOpen, bar.open, bar.close);
    append(kHigh, bar.high, bar.open < bar.close ? bar.close : bar.open);
    append(kLow, bar.low, bar.close < bar.open ? bar.close : bar.open);
    append(kClose, bar.close, bar.close);
    append(kVolume, bar.volume, 0.0);
    ++m_size;
    KeepDecimals();
}

void CBarStore::KeepDecimals() {
    for (int f = 0; f < kFields; ++f) {
        const Column& column = m_columns[f];
        m_kept[f] = column.form == Form::Derived ? Counts::kDerived
                    : column.form == Form::Scaled && column.decimals >= 0
                        ? static_cast<std::int8_t>(column.decimals)
                        : kNoCount;
    }
}

bool CBarStore::PushKnownScaled(UnixSeconds time, const Counts& known) {
    // Every value is checked before any is kept, so that a refusal leaves the store as it was.
    std::int32_t counts[kFields];
    for (int f = 0; f < kFields; ++f) {
        const Column& column = m_columns[f];
        const int decimals = known.decimals[f];
        if (decimals == Counts::kDerived) {
            if (column.form != Form::Derived) return false;
            continue;
        }
        // Fewer decimals than the column keeps scale up exactly (as AppendKnown does); more
        // ask whether the count divides, which push_back finds out.
        if (decimals < 0 || column.form != Form::Scaled || column.decimals < decimals) {
            return false;
        }
        std::int64_t count = known.counts[f];
        if (column.decimals > decimals) {
            constexpr std::int64_t kMostKnown = std::int64_t{1} << 30;
            count *= static_cast<std::int64_t>(kPowers[column.decimals - decimals]);
            if (count > kMostKnown || count < -kMostKnown) return false;
        }
        counts[f] = static_cast<std::int32_t>(count);
    }
    m_times.push_back(time);
    for (int f = 0; f < kFields; ++f) {
        if (known.decimals[f] != Counts::kDerived) m_columns[f].counts.push_back(counts[f]);
    }
    ++m_size;
    return true;
}

void CBarStore::AppendOther(Field field, double value, const Bar& bar) {
    Column& column = m_columns[field];
    if (column.form == Form::Derived) {
        if (SameBits(value, Derived(field, bar))) return;
        Materialize(field);
    }
    column.Append(value, capacity());
}

void CBarStore::Set(std::size_t i, const Bar& bar) {
    if (i >= m_size)
        throw std::out_of_range("bar " + std::to_string(i) + " of " + std::to_string(m_size));
    bool inPlace = m_times.Replace(i, bar.time);
    for (int f = 0; f < kFields && inPlace; ++f) {
        const auto field = static_cast<Field>(f);
        Column& column = m_columns[f];
        inPlace = column.form == Form::Derived ? SameBits(Value(field, bar), Derived(field, bar))
                                               : column.Replace(i, Value(field, bar));
    }
    if (inPlace) return;
    // The bar needs another form of some column: the store is made again, once.
    CBarStore remade;
    remade.reserve(capacity());
    for (std::size_t j = 0; j < m_size; ++j) remade.push_back(j == i ? bar : (*this)[j]);
    *this = std::move(remade);
}

void CBarStore::Reverse() {
    m_times.Reverse();
    for (Column& column : m_columns) {
        std::reverse(column.counts.begin(), column.counts.end());
        std::reverse(column.doubles.begin(), column.doubles.end());
    }
}

Bar CBarStore::at(std::size_t i) const {
    if (i >= m_size)
        throw std::out_of_range("bar " + std::to_string(i) + " of " + std::to_string(m_size));
    return (*this)[i];
}

const void* CBarStore::Identity() const {
    return m_times.Identity();
}

std::size_t CBarStore::BytesUsed() const {
    std::size_t perBar = 0;
    for (const Column& column : m_columns) {
        if (column.form == Form::Scaled) perBar += sizeof(std::int32_t);
        if (column.form == Form::Doubles) perBar += sizeof(double);
    }
    return m_times.BytesUsed() + perBar * m_size;
}

}  // namespace prices
