// Event studies at the size the desktop program must answer in two seconds: 300 groups,
// horizons 1, 5 and 20, 10,000 draws, 10,000 daily bars. BM_StudyDraws times the study alone
// on groups of 100 random events; BM_StudyFromSky finds the events too (classic series, the
// kinds and aspects below, about 300 groups over 38 years of weekday bars), as a user's study
// runs.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "ephemeris/calendar.h"
#include "events/event_finder.h"
#include "study/event_study.h"

namespace {

using namespace caelvane;

constexpr int kBars = 10000;
constexpr prices::UnixSeconds kDay = 86400;

// Weekday bars from Monday 1990-01-01, a random walk of log closes.
study::StudyBars WeekdayWalk() {
    study::StudyBars bars;
    std::mt19937_64 random(11);
    std::normal_distribution<double> step(0.0, 0.01);
    std::int64_t day = DaysFromCivil(1990, 1, 1);
    double level = 4.0;
    while (static_cast<int>(bars.times.size()) < kBars) {
        const int weekday = static_cast<int>((day + 4) % 7);  // 0 Sunday
        if (weekday != 0 && weekday != 6) {
            bars.times.push_back(day * kDay);
            bars.logClose.push_back(level);
            level += step(random);
        }
        ++day;
    }
    return bars;
}

void Report(benchmark::State& state, const study::StudyResult& result, std::size_t events) {
    state.counters["groups"] = static_cast<double>(result.groups.size());
    state.counters["rows_tested"] = result.rowsTested;
    state.counters["events"] = static_cast<double>(events);
}

void BM_StudyDraws(benchmark::State& state) {
    const study::StudyBars bars = WeekdayWalk();
    std::mt19937_64 random(3);
    std::uniform_int_distribution<int> anyBar(0, kBars - 1);
    std::vector<study::EventGroup> groups(300);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        groups[g].key.body1 = -1 - static_cast<int>(g % 12);
        groups[g].key.angle = static_cast<double>(g);
        for (int i = 0; i < 100; ++i)
            groups[g].jeds.push_back(prices::JedOfSeconds(bars.times[anyBar(random)]));
        std::sort(groups[g].jeds.begin(), groups[g].jeds.end());
    }
    study::StudyOptions options;
    options.control = static_cast<study::Control>(state.range(0));
    study::StudyResult result;
    for (auto _ : state) {
        result = study::RunStudy(bars, groups, options);
        benchmark::DoNotOptimize(result.groups.data());
    }
    Report(state, result, 300 * 100);
}

void BM_StudyFromSky(benchmark::State& state) {
    const study::StudyBars bars = WeekdayWalk();
    events::FinderOptions finder;
    finder.startJed = prices::JedOfSeconds(bars.times.front());
    finder.endJed = prices::JedOfSeconds(bars.times.back() + kDay);
    finder.kinds =
        events::KindBit(events::EventKind::Aspect) | events::KindBit(events::EventKind::Ingress) |
        events::KindBit(events::EventKind::Station) | events::KindBit(events::EventKind::Lunation);
    finder.heliocentric = false;
    finder.angles = {0, 90, 180, 270};
    study::StudyResult result;
    std::size_t count = 0;
    for (auto _ : state) {
        const events::FinderResult found = events::FindEvents(finder);
        count = found.events.size();
        const std::vector<study::EventGroup> groups =
            study::GroupEvents(found.events, false, PositionSource::Series);
        result = study::RunStudy(bars, groups, study::StudyOptions{});
        benchmark::DoNotOptimize(result.groups.data());
    }
    Report(state, result, count);
}

}  // namespace

BENCHMARK(BM_StudyDraws)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("shuffle")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_StudyFromSky)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
