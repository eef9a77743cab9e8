// What one chart page asks of the engine: the longitudes of both wheels (codes 1..12 and
// -1..-12), the twelve latitudes and the Moon scale's values (codes 3, 10, 13), for one date.
// Successive iterations step a day, as pages do.
//
// CAELVANE_BENCH_ITERATIONS=N runs the page benchmarks (per code, one call, wheels only) for
// exactly N iterations, so that an instruction count under callgrind can be divided by N
// (scripts/count-instructions.sh).

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "ephemeris/calendar.h"
#include "ephemeris/page_positions.h"
#include "ephemeris/position_source.h"
#include "ephemeris/positions.h"

namespace {

void BM_PagePositions(benchmark::State& state) {
    double jed = JulianDate(1, 18, 2000, 17, 0);
    for (auto _ : state) {
        double sum = 0;
        for (int code = 1; code <= 12; ++code) {
            sum += BodyLongitude(jed, code);
            sum += BodyLongitude(jed, -code);
            sum += BodyLatitude(jed, code);
        }
        sum += BodyLongitude(jed, 3);
        sum += BodyLongitude(jed, 10);
        sum += BodyLongitude(jed, 13);
        benchmark::DoNotOptimize(sum);
        jed += 1;
    }
    state.SetLabel("one date: 39 per-code calls");
}

// One call a date, a day apart, after an untimed first call that opens and warms whatever the
// source reads.
template <typename Compute>
void StepDays(benchmark::State& state, const Compute& compute, const char* label) {
    double jed = JulianDate(1, 18, 2000, 17, 0);
    benchmark::DoNotOptimize(compute(jed - 1));
    for (auto _ : state) {
        const auto values = compute(jed);
        benchmark::DoNotOptimize(values);
        jed += 1;
    }
    state.SetLabel(label);
}

// The same values from one call.
void BM_PagePositionsOneCall(benchmark::State& state) {
    StepDays(
        state, [](double jed) { return ComputePagePositions(jed); }, "one date: one call");
}

// The natal marks' 24 longitudes from one call.
void BM_PageWheelLongitudes(benchmark::State& state) {
    StepDays(
        state, [](double jed) { return ComputeWheelLongitudes(jed); },
        "one date: 24 longitudes, one call");
}

#if CAELVANE_WITH_SWISSEPH
// The same page from the precise source.
void BM_PagePositionsPrecise(benchmark::State& state) {
    StepDays(
        state, [](double jed) { return ComputePagePositions(jed, PositionSource::Precise); },
        "one date: one call, precise");
}

void BM_PageWheelLongitudesPrecise(benchmark::State& state) {
    StepDays(
        state, [](double jed) { return ComputeWheelLongitudes(jed, PositionSource::Precise); },
        "one date: 24 longitudes, one call, precise");
}
#endif

void BM_BodyLongitude(benchmark::State& state) {
    const int code = static_cast<int>(state.range(0));
    double jed = 2451545.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BodyLongitude(jed, code));
        jed += 1;
    }
}
BENCHMARK(BM_BodyLongitude)->DenseRange(1, 12)->DenseRange(-12, -1)->Unit(benchmark::kNanosecond);

// One body's place, speed and declination from the precise source, stepping 19 days a call
// as a century's chart does across 1920 columns.
void BM_PreciseGeocentricMotion(benchmark::State& state) {
    const int code = static_cast<int>(state.range(0));
    double jed = 2433282.5;
    GeocentricMotion motion;
    for (auto _ : state) {
        PreciseGeocentricMotion(jed, code, motion);
        benchmark::DoNotOptimize(motion.declination);
        jed += 19.0;
        if (jed > 2469807.5) jed = 2433282.5;
    }
}
BENCHMARK(BM_PreciseGeocentricMotion)
    ->Arg(-3)
    ->Arg(-10)
    ->Arg(-5)
    ->Arg(-12)
    ->Unit(benchmark::kMicrosecond);

void BM_CalendarRoundTrip(benchmark::State& state) {
    double jed = 2451545.0;
    for (auto _ : state) {
        int month, day, year, hour, minute;
        CalendarDate(jed, month, day, year, hour, minute);
        benchmark::DoNotOptimize(JulianDate(month, day, year, hour, minute));
        jed += 1.37;
    }
}
BENCHMARK(BM_CalendarRoundTrip);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    long long iterations = 0;
    if (const char* text = std::getenv("CAELVANE_BENCH_ITERATIONS")) {
        iterations = std::atoll(text);
    }
    for (auto* page : {
             benchmark::RegisterBenchmark("BM_PagePositions", BM_PagePositions),
                 benchmark::RegisterBenchmark("BM_PagePositionsOneCall", BM_PagePositionsOneCall),
                 benchmark::RegisterBenchmark("BM_PageWheelLongitudes", BM_PageWheelLongitudes),
#if CAELVANE_WITH_SWISSEPH
                 benchmark::RegisterBenchmark("BM_PagePositionsPrecise", BM_PagePositionsPrecise),
                 benchmark::RegisterBenchmark("BM_PageWheelLongitudesPrecise",
                                              BM_PageWheelLongitudesPrecise),
#endif
         }) {
        page->Unit(benchmark::kMicrosecond);
        if (iterations > 0) page->Iterations(iterations);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
