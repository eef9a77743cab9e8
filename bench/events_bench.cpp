// The event finder over one year: every kind, both frames, all twenty angles, every body;
// the classic series and, where the build has it, the precise source. Then transits alone: every
// body to the fourteen points of a chart (its bodies, Ascendant and Midheaven), all twenty
// angles, on the precise source. Reports events a second.
//
// CAELVANE_BENCH_ITERATIONS=N runs exactly N iterations, for instruction counts under callgrind.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "ephemeris/calendar.h"
#include "ephemeris/position_source.h"
#include "events/event_finder.h"
#include "events/job_aspects.h"

namespace {

using namespace events;

void FindOneYear(benchmark::State& state, PositionSource source, bool transits = false) {
    if (source == PositionSource::Precise && !PrecisePositionsAvailable()) {
        state.SkipWithError("no precise source in this build");
        return;
    }
    FinderOptions options;
    options.startJed = JulianDate(1, 1, 2024, 0, 0);
    options.endJed = JulianDate(1, 1, 2025, 0, 0);
    options.angles = AllFixedAngles();
    options.source = source;
    if (transits) {
        options.kinds = KindBit(EventKind::Transit);
        options.heliocentric = false;
        // A chart of 1975-06-14 08:30 BST in London.
        options.natalPoints = {{"Sun", 82.64},     {"Moon", 141.84},   {"Mercury", 77.32},
                               {"Venus", 127.94},  {"Mars", 17.83},    {"Jupiter", 19.1},
                               {"Saturn", 108.52}, {"Uranus", 208.57}, {"Neptune", 250.07},
                               {"Pluto", 186.47},  {"Node", 219.88},   {"Chiron", 27.17},
                               {"Asc", 126.91},    {"MC", 15.59}};
    }
    std::size_t events = 0;
    for (auto _ : state) {
        const FinderResult result = FindEvents(options);
        events = result.events.size();
        benchmark::DoNotOptimize(result.events.data());
    }
    state.counters["events"] = static_cast<double>(events);
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(events) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_EventsYearSeries(benchmark::State& state) {
    FindOneYear(state, PositionSource::Series);
}

void BM_EventsYearPrecise(benchmark::State& state) {
    FindOneYear(state, PositionSource::Precise);
}

void BM_TransitsYearPrecise(benchmark::State& state) {
    FindOneYear(state, PositionSource::Precise, true);
}

void Register() {
    const char* fixed = std::getenv("CAELVANE_BENCH_ITERATIONS");
    const long iterations = fixed != nullptr ? std::strtol(fixed, nullptr, 10) : 0;
    for (auto* bench :
         {benchmark::RegisterBenchmark("BM_EventsYearSeries", BM_EventsYearSeries),
          benchmark::RegisterBenchmark("BM_EventsYearPrecise", BM_EventsYearPrecise),
          benchmark::RegisterBenchmark("BM_TransitsYearPrecise", BM_TransitsYearPrecise)}) {
        bench->Unit(benchmark::kMillisecond);
        if (iterations > 0) bench->Iterations(iterations);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
