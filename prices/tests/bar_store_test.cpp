#include "prices/bar_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace prices {
namespace {

using Form = CBarStore::Form;

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

// Bit for bit, so that -0 and 0, or two NaNs, are told apart.
::testing::AssertionResult SameBar(const Bar& expected, const Bar& actual) {
    if (expected.time == actual.time && Bits(expected.open) == Bits(actual.open) &&
        Bits(expected.high) == Bits(actual.high) && Bits(expected.low) == Bits(actual.low) &&
        Bits(expected.close) == Bits(actual.close) &&
        Bits(expected.volume) == Bits(actual.volume)) {
        return ::testing::AssertionSuccess();
    }
    const auto text = [](const Bar& bar) {
        char line[200];
        std::snprintf(line, sizeof line, "%lld %.17g %.17g %.17g %.17g %.17g",
                      static_cast<long long>(bar.time), bar.open, bar.high, bar.low, bar.close,
                      bar.volume);
        return std::string(line);
    };
    return ::testing::AssertionFailure()
           << "expected " << text(expected) << ", got " << text(actual);
}

void ExpectHolds(const std::vector<Bar>& bars, const CBarStore& store, const std::string& name) {
    ASSERT_EQ(store.size(), bars.size()) << name;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        EXPECT_TRUE(SameBar(bars[i], store[i])) << name << ", bar " << i;
        EXPECT_EQ(store.Time(i), bars[i].time) << name << ", bar " << i;
    }
}

// A bar of the given minute.
Bar At(std::int64_t minute, double open, double high, double low, double close,
       double volume = 0.0) {
    return {1700000000 + minute * 60, open, high, low, close, volume};
}

TEST(BarStore, KeepsEachColumnInTheLeastFormThatGivesItBackExactly) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        std::vector<Bar> bars;
        Form open, high, low, close, volume;
        int closeDecimals;  // of Scaled
    };
    const Case cases[] = {
        {"cents, no volume",
         {At(0, 1000.0, 1000.25, 999.5, 1000.15), At(1, 1000.15, 1001.0, 999.99, 1000.5)},
         Form::Scaled,
         Form::Scaled,
         Form::Scaled,
         Form::Scaled,
         Form::Derived,
         2},
        {"closes only: open, high and low as a file without them gives",
         {At(0, 5.5, 5.5, 5.5, 5.5), At(1, 6.0, 6.0, 6.0, 6.0), At(2, -1.0, -1.0, -1.0, -1.0)},
         Form::Derived,
         Form::Derived,
         Form::Derived,
         Form::Scaled,
         Form::Derived,
         1},
        {"open and close only: high and low are their extremes",
         {At(0, 5.0, 6.0, 5.0, 6.0), At(1, 7.0, 7.0, 6.5, 6.5)},
         Form::Scaled,
         Form::Derived,
         Form::Derived,
         Form::Scaled,
         Form::Derived,
         1},
        {"decimals that grow: the counts are rescaled",
         {At(0, 1, 1, 1, 1), At(1, 1.5, 1.5, 1.5, 1.5), At(2, 1.25, 1.25, 1.25, 1.25),
          At(3, 0.000000001, 1, 0, 0.000000001)},
         Form::Derived,
         Form::Scaled,
         Form::Scaled,
         Form::Scaled,
         Form::Derived,
         9},
        {"negative prices and volumes with decimals",
         {At(0, -3.75, -1.5, -4.0, -2.125, 10.5), At(1, -2.0, 0.0, -2.5, -0.5, 0.25)},
         Form::Scaled,
         Form::Scaled,
         Form::Scaled,
         Form::Scaled,
         Form::Scaled,
         3},
        {"large prices that fit 32 bits, and volumes that do not",
         {At(0, 214748364.7, 214748364.7, 1, 1, 5e9), At(1, 2, 2, 2, 2, 1)},
         Form::Scaled,
         Form::Derived,
         Form::Derived,
         Form::Scaled,
         Form::Doubles,
         0},
        {"a column whose counts would overflow when rescaled falls back to doubles",
         {At(0, 3000000, 3000001, 2999999, 3000000), At(1, 1, 1, 0.001, 0.001)},
         Form::Scaled,
         Form::Scaled,
         Form::Doubles,
         Form::Doubles,
         Form::Derived,
         -1},
        {"values no count gives: -0, binary fractions, specials",
         {At(0, 0.1 + 0.2, 1e300, -0.0, -0.0, 1.0 / 3.0), At(1, kNaN, kInf, -kInf, 2.0, 1.0)},
         Form::Doubles,
         Form::Doubles,
         Form::Doubles,
         Form::Doubles,
         Form::Doubles,
         -1},
        {"more than nine decimals",
         {At(0, 1.0000000001, 2, 1, 1.5), At(1, 1.5, 2, 1, 1.5)},
         Form::Doubles,
         Form::Scaled,
         Form::Scaled,
         Form::Scaled,
         Form::Derived,
         1},
    };
    for (const Case& c : cases) {
        CBarStore store;
        for (const Bar& bar : c.bars) store.push_back(bar);
        ExpectHolds(c.bars, store, c.name);
        EXPECT_EQ(store.FormOf(CBarStore::kOpen), c.open) << c.name;
        EXPECT_EQ(store.FormOf(CBarStore::kHigh), c.high) << c.name;
        EXPECT_EQ(store.FormOf(CBarStore::kLow), c.low) << c.name;
        EXPECT_EQ(store.FormOf(CBarStore::kClose), c.close) << c.name;
        EXPECT_EQ(store.FormOf(CBarStore::kVolume), c.volume) << c.name;
        if (c.closeDecimals >= 0) {
            EXPECT_EQ(store.DecimalsOf(CBarStore::kClose), c.closeDecimals) << c.name;
        }
    }
}

TEST(BarStore, AColumnLeftOutIsMadeWhenABarFirstNeedsIt) {
    // Closes only for a while, then bars with their own open and volume.
    std::vector<Bar> bars;
    for (int i = 0; i < 300; ++i) {
        const double close = (1000 + i) / 100.0;
        bars.push_back(At(i, close, close, close, close));
    }
    bars.push_back(At(300, 13.5, 14.0, 13.0, 13.75, 250));
    CBarStore store;
    for (const Bar& bar : bars) store.push_back(bar);
    ExpectHolds(bars, store, "materialised");
    EXPECT_EQ(store.FormOf(CBarStore::kOpen), Form::Scaled);
    EXPECT_EQ(store.FormOf(CBarStore::kVolume), Form::Scaled);
    // Four bytes of time and four of each column kept.
    EXPECT_EQ(store.BytesUsed(), bars.size() * 4 * 6);
}

TEST(BarStore, TimesAreOffsetsWithinSixtyEightYearsAndSecondsBeyond) {
    const std::vector<std::vector<UnixSeconds>> runs = {
        {0, 60, 120},
        {-2208988800, -2208988740},               // 1900
        {1700000000, 1700000000 + 2147483647LL},  // the farthest offset
        {1700000000, 1700000000 + 2147483648LL},  // one beyond
        {-62135596800, 253402300799},             // year 1 to 9999
        {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()},
    };
    const bool wide[] = {false, false, false, true, true, true};
    for (std::size_t r = 0; r < runs.size(); ++r) {
        CBarStore store;
        std::vector<Bar> bars;
        for (const UnixSeconds t : runs[r]) bars.push_back({t, 1, 1, 1, 1, 0});
        for (const Bar& bar : bars) store.push_back(bar);
        ExpectHolds(bars, store, "run " + std::to_string(r));
        EXPECT_EQ(store.Times().Wide(), wide[r]) << r;
    }
}

// Bars of every kind in random mixes, checked against a plain vector of them: appended, some
// replaced (in place or by remaking the store), reversed.
TEST(BarStore, GivesBackEveryBarBitForBitWhateverTheMix) {
    std::mt19937_64 random(27);
    const auto decimal = [&random](int decimals, double magnitude) {
        const double power = std::pow(10.0, decimals);
        const auto count = static_cast<std::int64_t>(
            std::uniform_real_distribution<double>(-magnitude, magnitude)(random) * power);
        return static_cast<double>(count) / power;
    };
    const auto value = [&](int kind) {
        switch (kind) {
            case 0:
                return decimal(2, 5000.0);
            case 1:
                return decimal(static_cast<int>(random() % 10), 2.0);
            case 2:
                return decimal(0, 1e12);
            case 3:
                return std::bit_cast<double>(random());  // any bits, NaNs and denormals too
            default:
                return -0.0;
        }
    };
    for (int trial = 0; trial < 40; ++trial) {
        const int kinds = 1 + trial % 5;
        const auto size = static_cast<std::size_t>(1 + random() % 2000);
        std::vector<Bar> bars;
        UnixSeconds t = static_cast<UnixSeconds>(random() % 4000000000) - 2000000000;
        for (std::size_t i = 0; i < size; ++i) {
            t += trial % 7 == 6 && i == size / 2 ? 3000000000 : 60;
            Bar bar{t, 0, 0, 0, value(static_cast<int>(random() % kinds)), 0};
            // Some rows leave out open, high, low or volume, as files do.
            bar.open = random() % 8 == 0 ? bar.close : value(static_cast<int>(random() % kinds));
            bar.high = trial % 3 == 0 ? std::max(bar.open, bar.close)
                                      : value(static_cast<int>(random() % kinds));
            bar.low = trial % 3 == 0 ? std::min(bar.open, bar.close)
                                     : value(static_cast<int>(random() % kinds));
            bar.volume = trial % 4 == 0 ? 0.0 : value(static_cast<int>(random() % kinds));
            bars.push_back(bar);
        }
        const std::string name = "trial " + std::to_string(trial);
        CBarStore store;
        if (trial % 2 == 0) store.reserve(size);
        for (const Bar& bar : bars) store.push_back(bar);
        ExpectHolds(bars, store, name);
        EXPECT_LE(store.BytesUsed(), size * 48) << name;

        for (int k = 0; k < 3; ++k) {
            const std::size_t i = random() % size;
            Bar bar = bars[random() % size];
            bar.time = bars[i].time;
            bar.close = value(static_cast<int>(random() % 5));
            bars[i] = bar;
            store.Set(i, bar);
        }
        ExpectHolds(bars, store, name + ", replaced");
        std::reverse(bars.begin(), bars.end());
        store.Reverse();
        ExpectHolds(bars, store, name + ", reversed");
    }
}

TEST(BarStore, IteratorsServeTheStandardSearches) {
    CBarStore store;
    for (int i = 0; i < 100; ++i) store.push_back(At(i * 2, i, i, i, i));
    const auto byTime = [](const Bar& bar, UnixSeconds t) { return bar.time < t; };
    const auto found =
        std::lower_bound(store.begin(), store.end(), At(41, 0, 0, 0, 0).time, byTime);
    ASSERT_NE(found, store.end());
    EXPECT_EQ(found.Index(), 21u);
    EXPECT_EQ(found->close, 21.0);
    EXPECT_EQ((found - 1)->close, 20.0);
    EXPECT_EQ(store.end() - store.begin(), 100);
    std::size_t count = 0;
    for (const Bar bar : store) count += bar.close >= 50.0;
    EXPECT_EQ(count, 50u);
    EXPECT_THROW(static_cast<void>(store.at(100)), std::out_of_range);
    EXPECT_THROW(store.Set(100, Bar{}), std::out_of_range);
}

// The trading axis's spacing: counted by length where the steps take few lengths, sorted where
// they take many; the same median either way.
TEST(TimeColumn, MedianStepIsTheMiddleOfTheSortedSteps) {
    std::mt19937_64 random(5);
    std::vector<std::vector<UnixSeconds>> runs = {
        {}, {5}, {0, 60}, {0, 60, 180}, {0, 60, 180, 240}};
    std::vector<UnixSeconds> sessions;  // minutes of 6.5-hour days, weekends left out
    for (int day = 0; day < 300; ++day) {
        if (day % 7 >= 5) continue;
        for (int minute = 0; minute < 390; ++minute) sessions.push_back(day * 86400 + minute * 60);
    }
    runs.push_back(sessions);
    std::vector<UnixSeconds> scattered(20000);  // thousands of lengths
    UnixSeconds t = 0;
    for (UnixSeconds& time : scattered) time = t += 1 + static_cast<UnixSeconds>(random() % 100000);
    runs.push_back(scattered);
    for (const std::vector<UnixSeconds>& times : runs) {
        UnixSeconds expected = 0;
        if (times.size() >= 2) {
            std::vector<UnixSeconds> steps;
            for (std::size_t i = 1; i < times.size(); ++i) steps.push_back(times[i] - times[i - 1]);
            std::sort(steps.begin(), steps.end());
            expected = steps[steps.size() / 2];
        }
        EXPECT_EQ(CTimeColumn(times).MedianStep(), expected) << times.size() << " times";
    }
}

}  // namespace
}  // namespace prices

namespace prices {
namespace {

// A reader hands the store counts it already has; the store must end as if given the doubles.
TEST(BarStore, KnownCountsLeaveTheStoreAsTheirDoublesDo) {
    using Counts = CBarStore::Counts;
    constexpr std::int8_t kDerived = Counts::kDerived, kUnknown = Counts::kUnknown;
    struct Value {
        std::int32_t count;
        std::int8_t decimals;  // kUnknown: the double alone
        double value;          // the double the count stands for (or any, when unknown)
    };
    const auto counted = [](std::int32_t count, std::int8_t decimals) {
        static constexpr double kTens[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
        return Value{count, decimals, static_cast<double>(count) / kTens[decimals]};
    };
    struct Case {
        const char* name;
        std::vector<std::array<Value, 5>> rows;  // open, high, low, close, volume
    };
    const Value derived{0, kDerived, 0.0};
    const Case cases[] = {
        {"cents throughout",
         {{counted(100000, 2), counted(100050, 2), counted(99950, 2), counted(100025, 2),
           counted(120, 0)},
          {counted(100025, 2), counted(100100, 2), counted(100000, 2), counted(100075, 2),
           counted(80, 0)}}},
        {"fewer decimals than the column, then more",
         {{counted(1005, 1), counted(1010, 1), counted(1000, 1), counted(1007, 1), derived},
          {counted(101, 0), counted(102, 0), counted(100, 0), counted(10150, 2), derived},
          {counted(1015, 1), counted(1020, 1), counted(1010, 1), counted(10170, 2), derived}}},
        {"closes alone",
         {{derived, derived, derived, counted(525, 2), derived},
          {derived, derived, derived, counted(-50, 2), derived}}},
        {"counts too wide once scaled",
         {{counted(5, 9), counted(7, 9), counted(1, 9), counted(3, 9), derived},
          {counted(1 << 30, 0), counted(1 << 30, 0), counted(1 << 30, 0), counted(1 << 30, 0),
           derived}}},
        {"a value only as a double",
         {{counted(15, 1), counted(20, 1), counted(10, 1), counted(17, 1), derived},
          {counted(15, 1), Value{0, kUnknown, 2.0000000001}, counted(10, 1), counted(17, 1),
           derived}}},
    };
    for (const Case& c : cases) {
        CBarStore byDoubles, byCounts;
        std::vector<Bar> bars;
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            const auto& row = c.rows[i];
            Counts known;
            Bar bar;
            bar.time = 1700000000 + static_cast<std::int64_t>(i) * 60;
            double* fields[] = {&bar.open, &bar.high, &bar.low, &bar.close, &bar.volume};
            for (int f = 0; f < 5; ++f) {
                known.counts[f] = row[f].count;
                known.decimals[f] = row[f].decimals;
                *fields[f] = row[f].value;
            }
            // Fields the file lacks hold what the store derives for them.
            if (row[0].decimals == kDerived) bar.open = bar.close;
            if (row[1].decimals == kDerived) bar.high = std::max(bar.open, bar.close);
            if (row[2].decimals == kDerived) bar.low = std::min(bar.open, bar.close);
            bars.push_back(bar);
            byDoubles.push_back(bar);
            const bool whole = std::none_of(known.decimals, known.decimals + 5,
                                            [](std::int8_t d) { return d == Counts::kUnknown; });
            if (!whole || !byCounts.PushKnown(bar.time, known)) byCounts.push_back(bar, known);
        }
        ExpectHolds(bars, byCounts, c.name);
        for (int f = 0; f < CBarStore::kFields; ++f) {
            const auto field = static_cast<CBarStore::Field>(f);
            EXPECT_EQ(byCounts.FormOf(field), byDoubles.FormOf(field)) << c.name << ", field " << f;
            EXPECT_EQ(byCounts.DecimalsOf(field), byDoubles.DecimalsOf(field))
                << c.name << ", field " << f;
        }
        EXPECT_EQ(byCounts.BytesUsed(), byDoubles.BytesUsed()) << c.name;
    }
    // Times a century apart, beyond 32-bit offsets.
    CBarStore store;
    Counts known;
    known.counts[CBarStore::kClose] = 125;
    known.decimals[CBarStore::kClose] = 2;
    for (const std::int8_t f :
         {CBarStore::kOpen, CBarStore::kHigh, CBarStore::kLow, CBarStore::kVolume}) {
        known.decimals[f] = kDerived;
    }
    store.push_back({0, 1.25, 1.25, 1.25, 1.25, 0.0}, known);
    for (const UnixSeconds time : {UnixSeconds{60}, UnixSeconds{3200000000}}) {
        EXPECT_TRUE(store.PushKnown(time, known)) << time;
    }
    ASSERT_EQ(store.size(), 3u);
    EXPECT_TRUE(store.Times().Wide());
    EXPECT_TRUE(SameBar({3200000000, 1.25, 1.25, 1.25, 1.25, 0.0}, store[2]));
}

}  // namespace
}  // namespace prices
