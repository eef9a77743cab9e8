// The Events window: how long the table takes to show a search's events once the search is done
// (the model filled, sorted by time and laid out in the view), for synthetic lists of events.
//
// CAELVANE_BENCH_ITERATIONS=N runs exactly N iterations.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <cstdlib>
#include <vector>

#include "app/events_window.h"
#include "events/sky_event.h"
#include "job/caelvane_doc.h"

namespace {

using namespace events;

// A century's worth of events of every kind in both frames, one every ~1.8 hours.
std::vector<SkyEvent> SyntheticEvents(std::size_t count) {
    static const int kGeo[] = {-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12};
    static const double kAngles[] = {0, 30, 45, 60, 72, 90, 120, 135, 144, 150, 180, 210, 300};
    std::vector<SkyEvent> events(count);
    for (std::size_t i = 0; i < count; ++i) {
        SkyEvent& event = events[i];
        event.jed = 2415020.5 + static_cast<double>(i) * 0.073;
        event.kind = static_cast<EventKind>(i % 5);
        event.frame = i % 3 == 0 ? Frame::Heliocentric : Frame::Geocentric;
        const int sign = event.frame == Frame::Heliocentric ? -1 : 1;
        event.body1 = sign * -kGeo[i % 12];
        if (event.frame == Frame::Heliocentric && (event.body1 == 10 || event.body1 == 11))
            event.body1 = 4;
        if (event.kind == EventKind::Aspect) {
            event.body2 = event.body1 == sign * 1 ? sign * 2 : sign * 1;
            event.angle = kAngles[i % 13];
        } else if (event.kind == EventKind::Ingress) {
            event.sign = static_cast<int>(i % 12);
            event.detail = EventDetail::Forward;
        } else if (event.kind == EventKind::Station) {
            event.detail = i % 2 ? EventDetail::Retrograde : EventDetail::Direct;
        } else {
            event.frame = Frame::Geocentric;
            event.body1 = -3;
            event.body2 = -10;
            event.detail = event.kind == EventKind::Lunation ? EventDetail::FullMoon
                                                             : EventDetail::LunarPenumbral;
        }
    }
    return events;
}

void BM_EventsWindowFill(benchmark::State& state) {
    const auto events = SyntheticEvents(static_cast<std::size_t>(state.range(0)));
    CCaelvaneDoc doc;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<CEventsWindow>(doc, nullptr);
        window->show();
        QApplication::processEvents();
        auto copy = events;
        state.ResumeTiming();
        window->ShowEvents(std::move(copy));
        QApplication::processEvents();
        benchmark::DoNotOptimize(window->Table()->model()->rowCount());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
    state.counters["events"] = static_cast<double>(events.size());
}

void Register() {
    const char* fixed = std::getenv("CAELVANE_BENCH_ITERATIONS");
    const long iterations = fixed != nullptr ? std::strtol(fixed, nullptr, 10) : 0;
    auto* bench = benchmark::RegisterBenchmark("BM_EventsWindowFill", BM_EventsWindowFill);
    bench->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(500000);
    if (iterations > 0) bench->Iterations(iterations);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
