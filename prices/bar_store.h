#pragma once
// The bars of a series, kept column by column in as few bytes as give every value back bit for
// bit: ten million one-minute bars take some 240 MB rather than 480 MB.
//
// Times are a CTimeColumn. Open, high, low, close and volume are each kept
//  - as nothing, while the column is what a file without it gives: open = close,
//    high = max(open, close), low = min(open, close), volume = 0;
//  - as 32-bit counts of 10^-d (one d from 0 to 9 for the column) while every value is the
//    double nearest such a count: prices and volumes as files write them;
//  - else as doubles.
// A value that the column's form cannot hold changes the form (the counts rescaled to more
// decimals, or turned into doubles) once, for the whole column.
//
// Bars are values: operator[] and the iterators give a Bar made from the columns, so a bar
// cannot be changed through them (Set does that).
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "platform/large_memory.h"

namespace prices {

// Seconds since 1970-01-01 00:00 UT. Files carry no zone: their clock is taken as UT, which is
// what the positions are computed for.
using UnixSeconds = std::int64_t;

struct Bar {
    UnixSeconds time = 0;
    double open = 0.0;
    double high = 0.0;
    double low = 0.0;
    double close = 0.0;
    double volume = 0.0;  // 0 when the file has no volume column
};

// The columns of long series live in large memory (huge pages from 2 MB on).

template <typename T>
struct CColumnAllocator {
    using value_type = T;
    CColumnAllocator() = default;
    template <typename U>
    CColumnAllocator(const CColumnAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(caelvane::AllocateLarge(n * sizeof(T))); }
    void deallocate(T* data, std::size_t) noexcept { caelvane::FreeLarge(data); }
    friend bool operator==(const CColumnAllocator&, const CColumnAllocator&) { return true; }
};
template <typename T>
using ColumnVector = std::vector<T, CColumnAllocator<T>>;

// A random-access iterator over a store that makes each value as it is read (so *it is a value,
// not a reference): what the standard algorithms need to search and walk the stores.
template <typename Store, typename Value>
class CValueIterator {
public:
    using iterator_category = std::random_access_iterator_tag;
    using iterator_concept = std::random_access_iterator_tag;
    using value_type = Value;
    using difference_type = std::ptrdiff_t;
    using reference = Value;
    // it->member works on the value made for it.
    struct pointer {
        Value value;
        const Value* operator->() const { return &value; }
    };

    CValueIterator() = default;
    CValueIterator(const Store* store, std::size_t index) : m_store(store), m_index(index) {}

    [[gnu::always_inline]] Value operator*() const { return (*m_store)[m_index]; }
    [[gnu::always_inline]] pointer operator->() const { return {**this}; }
    Value operator[](difference_type n) const { return *(*this + n); }
    // The value's place in the store.
    std::size_t Index() const { return m_index; }

    CValueIterator& operator++() { return ++m_index, *this; }
    CValueIterator& operator--() { return --m_index, *this; }
    CValueIterator operator++(int) { return {m_store, m_index++}; }
    CValueIterator operator--(int) { return {m_store, m_index--}; }
    CValueIterator& operator+=(difference_type n) {
        m_index = static_cast<std::size_t>(static_cast<difference_type>(m_index) + n);
        return *this;
    }
    CValueIterator& operator-=(difference_type n) { return *this += -n; }
    friend CValueIterator operator+(CValueIterator it, difference_type n) { return it += n; }
    friend CValueIterator operator+(difference_type n, CValueIterator it) { return it += n; }
    friend CValueIterator operator-(CValueIterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const CValueIterator& a, const CValueIterator& b) {
        return static_cast<difference_type>(a.m_index) - static_cast<difference_type>(b.m_index);
    }
    friend bool operator==(const CValueIterator& a, const CValueIterator& b) {
        return a.m_index == b.m_index;
    }
    friend std::strong_ordering operator<=>(const CValueIterator& a, const CValueIterator& b) {
        return a.m_index <=> b.m_index;
    }

private:
    const Store* m_store = nullptr;
    std::size_t m_index = 0;
};

// Bar times in seconds since 1970 (UT): 32-bit offsets from a base while every time lies within
// some 68 years of it, else 64-bit seconds.
class CTimeColumn {
public:
    using const_iterator = CValueIterator<CTimeColumn, UnixSeconds>;
    using iterator = const_iterator;
    using value_type = UnixSeconds;

    CTimeColumn() = default;
    explicit CTimeColumn(const std::vector<UnixSeconds>& times);

    std::size_t size() const { return m_wide ? m_times.size() : m_offsets.size(); }
    bool empty() const { return size() == 0; }
    std::size_t capacity() const { return m_wide ? m_times.capacity() : m_offsets.capacity(); }
    void reserve(std::size_t times);

    UnixSeconds operator[](std::size_t i) const {
        return m_wide ? m_times[i] : m_base + m_offsets[i];
    }
    UnixSeconds front() const { return (*this)[0]; }
    UnixSeconds back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    void push_back(UnixSeconds time);
    // push_back of a time that fits the offsets after the first; else false, nothing changed.
    bool PushOffset(UnixSeconds time) {
        UnixSeconds offset = 0;
        if (m_wide || m_offsets.empty() || __builtin_sub_overflow(time, m_base, &offset) ||
            offset != static_cast<std::int32_t>(offset)) {
            return false;
        }
        m_offsets.push_back(static_cast<std::int32_t>(offset));
        return true;
    }
    // Replaces time i in place; false when it does not fit the offsets.
    bool Replace(std::size_t i, UnixSeconds time);
    void Reverse();

    // The median of the steps from each time to the next (the upper one of an even count), 0
    // for fewer than two times. Real files step by a few lengths (a minute, a night, a weekend),
    // so they are counted rather than copied.
    UnixSeconds MedianStep() const;

    bool Wide() const { return m_wide; }
    const void* Identity() const;
    std::size_t BytesUsed() const;

private:
    bool Offset(UnixSeconds time, std::int32_t& offset) const;

    UnixSeconds m_base = 0;
    ColumnVector<std::int32_t> m_offsets;
    ColumnVector<UnixSeconds> m_times;  // once they do not fit offsets
    bool m_wide = false;
};

class CBarStore {
public:
    using const_iterator = CValueIterator<CBarStore, Bar>;
    using iterator = const_iterator;
    using value_type = Bar;
    using size_type = std::size_t;

    CBarStore();

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // Bars room is kept for; room reserved and never filled takes no memory.
    std::size_t capacity() const;
    void reserve(std::size_t bars);
    void clear() { *this = CBarStore(); }

    // What a reader knows of a bar beyond its doubles: where decimals[f] is 0 to 9, value f is
    // the double nearest counts[f] / 10^decimals[f], with |counts[f]| at most 2^30 (so it is
    // not -0), which spares finding the count again. kUnknown: only the double tells it;
    // kDerived: the file has no such column, and the value is what the store derives for it
    // (open = close, high = max(open, close), low = min(open, close), volume = 0).
    struct Counts {
        static constexpr std::int8_t kUnknown = -1, kDerived = -2;
        std::int32_t counts[5] = {};
        std::int8_t decimals[5] = {kUnknown, kUnknown, kUnknown, kUnknown, kUnknown};
    };

    void push_back(const Bar& bar) { push_back(bar, Counts{}); }
    // The same as push_back(bar), the store left in the same state; faster for values `known`
    // counts in the decimals their columns keep.
    void push_back(const Bar& bar, const Counts& known);
    // Appends the bar at `time` that `known` tells whole (no kUnknown), when every column keeps
    // its value as the count it is (or derives it); else changes nothing and returns false, and
    // the caller makes the bar's doubles for push_back. The store ends as push_back leaves it.
    bool PushKnown(UnixSeconds time, const Counts& known) {
        // Most rows give each column its values in the very decimals it keeps them in.
        if (std::memcmp(known.decimals, m_kept, sizeof m_kept) == 0 && m_times.PushOffset(time)) {
            for (int f = 0; f < kFields; ++f) {
                if (m_kept[f] != Counts::kDerived) m_columns[f].counts.push_back(known.counts[f]);
            }
            ++m_size;
            return true;
        }
        return PushKnownScaled(time, known);
    }
    // Replaces bar i (below size()).
    void Set(std::size_t i, const Bar& bar);
    // Puts the bars in the opposite order.
    void Reverse();

    // In line always, so that a caller that reads one field of the bar pays for that one.
    [[gnu::always_inline]] Bar operator[](std::size_t i) const {
        return {Time(i), Open(i), High(i), Low(i), Close(i), Volume(i)};
    }
    // Bar i, or std::out_of_range.
    Bar at(std::size_t i) const;
    Bar front() const { return (*this)[0]; }
    Bar back() const { return (*this)[m_size - 1]; }

    // One field of bar i: what a loop over many bars reads.
    UnixSeconds Time(std::size_t i) const { return m_times[i]; }
    double Close(std::size_t i) const { return m_columns[kClose].Get(i); }
    double Open(std::size_t i) const {
        const Column& open = m_columns[kOpen];
        return open.form == Form::Derived ? Close(i) : open.Get(i);
    }
    double High(std::size_t i) const {
        const Column& high = m_columns[kHigh];
        if (high.form != Form::Derived) return high.Get(i);
        const double open = Open(i), close = Close(i);
        return open < close ? close : open;
    }
    double Low(std::size_t i) const {
        const Column& low = m_columns[kLow];
        if (low.form != Form::Derived) return low.Get(i);
        const double open = Open(i), close = Close(i);
        return close < open ? close : open;
    }
    double Volume(std::size_t i) const {
        const Column& volume = m_columns[kVolume];
        return volume.form == Form::Derived ? 0.0 : volume.Get(i);
    }
    const CTimeColumn& Times() const { return m_times; }

    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, m_size}; }

    // Where the bars lie in memory, as a vector's data(): two stores alive at once differ, and
    // a store that moves its bars changes it.
    const void* Identity() const;
    // Bytes the columns take for the bars held (what is reserved beyond them not counted).
    std::size_t BytesUsed() const;

    // How a column is kept, for the tests and the benchmarks.
    enum class Form { Derived, Scaled, Doubles };
    enum Field { kOpen, kHigh, kLow, kClose, kVolume, kFields };
    Form FormOf(Field field) const { return m_columns[field].form; }
    int DecimalsOf(Field field) const { return m_columns[field].decimals; }

private:
    struct Column {
        Form form = Form::Derived;
        int decimals = -1;  // of Scaled, -1 before the first value
        double divisor = 1.0;
        ColumnVector<std::int32_t> counts;
        ColumnVector<double> doubles;

        // Value i of a column that is kept (not derived).
        [[gnu::always_inline]] double Get(std::size_t i) const {
            return form == Form::Scaled ? static_cast<double>(counts[i]) / divisor : doubles[i];
        }
        // Appends a value as the column's counts hold it; false for any other.
        bool AppendCount(double value);
        // The same for a value known as count / 10^known (see Counts), without arithmetic on
        // doubles; false where that does not tell the column's count.
        bool AppendKnown(std::int32_t count, int known);
        // Appends a value to a column that is not derived, changing its form if need be.
        void Append(double value, std::size_t capacity);
        // Replaces value i in place; false when the column's form cannot hold it.
        bool Replace(std::size_t i, double value);
        // Finds the fewest decimals above the column's that count `value`, and rescales the
        // counts to them; false when there are none or the counts would not fit.
        bool Rescale(double value, std::int32_t& count);
        void ToDoubles(std::size_t capacity);
        void Reserve(std::size_t capacity);
    };

    static double Derived(Field field, const Bar& bar);
    static double Value(Field field, const Bar& bar);
    // Appends a value that the column does not hold as it stands.
    [[gnu::noinline]] void AppendOther(Field field, double value, const Bar& bar);
    // Gives column `field` a value for each of the bars held so far.
    void Materialize(Field field);
    // PushKnown for values in fewer decimals than their columns keep, or times beyond offsets.
    bool PushKnownScaled(UnixSeconds time, const Counts& known);
    // Sets m_kept from the columns.
    void KeepDecimals();

    std::size_t m_size = 0;
    CTimeColumn m_times;
    Column m_columns[kFields];
    // How each column keeps its values, as Counts tells values: its decimals or kDerived; else
    // (doubles, or counts before the first value) kNoCount, which no Counts holds.
    static constexpr std::int8_t kNoCount = -3;
    std::int8_t m_kept[kFields] = {Counts::kDerived, Counts::kDerived, Counts::kDerived, kNoCount,
                                   Counts::kDerived};
};
static_assert(std::size(CBarStore::Counts{}.counts) == CBarStore::kFields);

}  // namespace prices
