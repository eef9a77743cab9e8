// What one chart page asks of the engine: the longitudes of both wheels (codes 1..12 and
// -1..-12) and the twelve latitudes, for one date. Successive iterations step a day, as pages do.

#include <benchmark/benchmark.h>

#include "ephemeris/calendar.h"
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
        benchmark::DoNotOptimize(sum);
        jed += 1;
    }
    state.SetLabel("one date: 24 longitudes, 12 latitudes");
}
BENCHMARK(BM_PagePositions)->Unit(benchmark::kMicrosecond);

void BM_BodyLongitude(benchmark::State& state) {
    const int code = static_cast<int>(state.range(0));
    double jed = 2451545.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BodyLongitude(jed, code));
        jed += 1;
    }
}
BENCHMARK(BM_BodyLongitude)->DenseRange(1, 12)->DenseRange(-12, -1)->Unit(benchmark::kNanosecond);

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

BENCHMARK_MAIN();
