// The study's tests as tests: an effect planted in a random walk is found, pure noise finds
// (almost) nothing, the p-values of both controls are uniform under noise, and the numbers
// depend on the seed alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "study/event_study.h"

namespace {

using namespace study;

constexpr prices::UnixSeconds kDay = 86400;

// A random walk of daily log closes, one-bar returns N(0, 0.01).
StudyBars RandomWalk(int count, std::uint64_t seed) {
    StudyBars bars;
    std::mt19937_64 random(seed);
    std::normal_distribution<double> step(0.0, 0.01);
    double level = 0;
    for (int j = 0; j < count; ++j) {
        bars.times.push_back((10000 + j) * kDay);
        if (j > 0) level += step(random);
        bars.logClose.push_back(level);
    }
    return bars;
}

// `groups` groups of `perGroup` events on distinct random bars (noon of the bar's day).
std::vector<EventGroup> RandomGroups(const StudyBars& bars, int groups, int perGroup,
                                     std::uint64_t seed) {
    std::mt19937_64 random(seed);
    std::vector<EventGroup> out;
    std::vector<int> all(bars.times.size());
    for (std::size_t j = 0; j < all.size(); ++j) all[j] = static_cast<int>(j);
    for (int g = 0; g < groups; ++g) {
        EventGroup group;
        group.key.kind = events::EventKind::Aspect;
        group.key.body1 = -(1 + g % 12);
        group.key.body2 = -(1 + g / 12);
        group.key.angle = 90;
        std::shuffle(all.begin(), all.end(), random);
        std::vector<int> chosen(all.begin(), all.begin() + perGroup);
        std::sort(chosen.begin(), chosen.end());
        for (int j : chosen) group.jeds.push_back(prices::JedOfSeconds(bars.times[j] + kDay / 2));
        out.push_back(std::move(group));
    }
    return out;
}

// The Kolmogorov-Smirnov distance of the values from the uniform distribution on [0, 1].
double UniformDistance(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const double n = static_cast<double>(values.size());
    double distance = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        distance = std::max(distance, std::fabs((i + 1) / n - values[i]));
        distance = std::max(distance, std::fabs(values[i] - i / n));
    }
    return distance;
}

TEST(StudyPower, PlantedEffectIsFound) {
    StudyBars bars = RandomWalk(10000, 7);
    std::vector<EventGroup> groups = RandomGroups(bars, 10, 60, 8);
    // After every event of the first group the next bar's return is 0.8% higher.
    std::vector<double> shift(bars.times.size(), 0.0);
    for (double jed : groups[0].jeds) {
        const int j = EventBar(bars, static_cast<prices::UnixSeconds>(
                                         std::llround((jed - prices::kUnixEpochJed) * kDay)));
        shift[j] += 0.008;
    }
    double added = 0;
    for (std::size_t j = 0; j < shift.size(); ++j) {
        added += shift[j];
        bars.logClose[j] += added;
    }
    for (Control control : {Control::Shift, Control::Shuffle}) {
        StudyOptions options;
        options.draws = 5000;
        options.control = control;
        const StudyResult result = RunStudy(bars, groups, options);
        ASSERT_FALSE(result.cancelled);
        EXPECT_EQ(result.rowsTested, 30);
        const HorizonStats& planted = result.groups[0].periods[0].horizons[0];
        EXPECT_LT(planted.q, 0.01) << ControlName(control) << ": p " << planted.p;
        EXPECT_NEAR(planted.excess, 0.008, 0.004);
        // The others are noise.
        int found = 0;
        for (std::size_t g = 1; g < groups.size(); ++g)
            for (const HorizonStats& s : result.groups[g].periods[0].horizons) found += s.q < 0.01;
        EXPECT_EQ(found, 0) << ControlName(control);
    }
}

TEST(StudyNoise, FewRowsBelowQ005OverManySeeds) {
    int rows = 0, significant = 0;
    for (std::uint64_t seed = 1; seed <= 30; ++seed) {
        const StudyBars bars = RandomWalk(2500, seed);
        const std::vector<EventGroup> groups = RandomGroups(bars, 20, 40, seed + 1000);
        StudyOptions options;
        options.draws = 199;
        options.seed = seed;
        options.control = seed % 2 ? Control::Shift : Control::Shuffle;
        const StudyResult result = RunStudy(bars, groups, options);
        for (const GroupResult& group : result.groups)
            for (const HorizonStats& s : group.periods[0].horizons) {
                ++rows;
                significant += s.q < 0.05;
            }
    }
    EXPECT_EQ(rows, 30 * 20 * 3);
    EXPECT_LE(significant, rows * 5 / 100) << significant << " of " << rows;
}

TEST(StudyNoise, PValuesOfBothControlsAreUniform) {
    const StudyBars bars = RandomWalk(4000, 99);
    const std::vector<EventGroup> groups = RandomGroups(bars, 300, 30, 100);
    for (Control control : {Control::Shift, Control::Shuffle}) {
        StudyOptions options;
        options.horizons = {1};
        options.draws = 999;
        options.seed = 5;
        options.control = control;
        const StudyResult result = RunStudy(bars, groups, options);
        std::vector<double> p;
        for (const GroupResult& group : result.groups) p.push_back(group.periods[0].horizons[0].p);
        ASSERT_EQ(p.size(), 300u);
        // Kolmogorov's critical distance at the 1% level for 300 values: 1.63 / sqrt(300).
        EXPECT_LT(UniformDistance(p), 1.63 / std::sqrt(300.0)) << ControlName(control);
    }
}

TEST(StudyDraws, SameSeedSameNumbersWhateverTheThreads) {
    const StudyBars bars = RandomWalk(3000, 3);
    const std::vector<EventGroup> groups = RandomGroups(bars, 12, 25, 4);
    StudyOptions options;
    options.draws = 300;
    options.seed = 42;
    options.threads = 1;
    const StudyResult one = RunStudy(bars, groups, options);
    options.threads = 3;
    const StudyResult three = RunStudy(bars, groups, options);
    // A group's numbers do not depend on which other groups are studied.
    const StudyResult alone = RunStudy(bars, {groups[5]}, options);
    options.seed = 43;
    const StudyResult other = RunStudy(bars, groups, options);
    int differ = 0;
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (std::size_t k = 0; k < 3; ++k) {
            const double p = one.groups[g].periods[0].horizons[k].p;
            EXPECT_EQ(p, three.groups[g].periods[0].horizons[k].p) << g << " " << k;
            EXPECT_EQ(one.groups[g].periods[0].horizons[k].q,
                      three.groups[g].periods[0].horizons[k].q);
            differ += p != other.groups[g].periods[0].horizons[k].p;
        }
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(alone.groups[0].periods[0].horizons[k].p, one.groups[5].periods[0].horizons[k].p);
    EXPECT_GT(differ, 0);
}

TEST(StudyDraws, CancelStopsTheStudy) {
    const StudyBars bars = RandomWalk(3000, 3);
    const std::vector<EventGroup> groups = RandomGroups(bars, 40, 25, 4);
    StudyOptions options;
    options.draws = 2000;
    for (int threads : {1, 2}) {
        options.threads = threads;
        const StudyResult result = RunStudy(bars, groups, options, [](double) { return false; });
        EXPECT_TRUE(result.cancelled) << threads << " threads";
    }
}

}  // namespace
