// AutoRun at its fastest (interval 1: a step every 10 ms) on a date-range job: how many steps
// the timer achieves and how many times the job's view really repaints, per second, through
// the real event loop. One benchmark with a plain widget that draws the page through the
// painter device, one with the desktop's chart view when it is built.
//
// Run on the offscreen platform by default; under a display server (xvfb-run) the flush to
// the screen is included.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "bench_page.h"
#include "chart/draw_page.h"
#include "ephemeris/position_source.h"
#include "job/caelvane_doc.h"
#include "platform/document.h"
#include "platform/host_services.h"
#include "render/qt_painter_device.h"
#include "tools/auto_run_dlg.h"

#if __has_include("app/caelvane_view.h")
#include "app/caelvane_view.h"
#include "platform/qt/qt_host_services.h"
#define CAELVANE_BENCH_APP_VIEW 1
#endif

namespace {

constexpr int kSecondsPerRun = 2;

// Counts the repaint requests a view receives (one per AutoRun step).
class CRequestCounter : public CView {
public:
    void OnUpdate(CView*, long) override { ++requests; }
    int requests = 0;
};

// A view as small as it can be: the whole page, drawn afresh on every paint.
class CPageWidget : public QWidget, public CView {
public:
    explicit CPageWidget(CCaelvaneDoc& doc) : m_doc(doc) {
        doc.AddView(this);
        resize(816, 1056);  // 8.5 x 11 inches at 96 dpi
    }
    ~CPageWidget() override { m_doc.RemoveView(this); }
    void OnUpdate(CView*, long) override { update(); }
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        CQtPainterDevice device(painter, logicalDpiX(), logicalDpiY());
        DrawChartPage(m_doc, m_state, device, m_host);
        ++paints;
    }

private:
    CCaelvaneDoc& m_doc;
    ChartState m_state;
    CBenchHost m_host;
};

void MakeJob(CCaelvaneDoc& doc) {
    doc.SetTitle("autorun.cvj");
    doc.m_jobType = 3;  // January 2000, 31 pages
    doc.m_startMonth = 1, doc.m_startDay = 1, doc.m_startYear = 2000;
    doc.m_endMonth = 1, doc.m_endDay = 31, doc.m_endYear = 2000;
}

// Runs AutoRun at interval 1 for kSecondsPerRun seconds on `doc`, whose view is `view`;
// `paints` reads the view's paint count.
void MeasureAutoRun(benchmark::State& state, CCaelvaneDoc& doc, QWidget& view,
                    const std::function<int()>& paints) {
    CRequestCounter counter;
    doc.AddView(&counter);
    view.show();
    while (paints() == 0) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    double seconds = 0.0;
    long steps = 0;
    long repaints = 0;
    for (auto _ : state) {
        CAutoRunDlg dlg;
        dlg.m_interval = 1;
        const int requestsBefore = counter.requests;
        const int paintsBefore = paints();
        QElapsedTimer clock;
        QTimer::singleShot(0, &dlg, [&] {
            clock.start();
            dlg.OnStart();
        });
        QTimer::singleShot(kSecondsPerRun * 1000, &dlg, [&] { dlg.reject(); });
        dlg.DoModal([&doc] { return &doc; });
        const double elapsed = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        steps += counter.requests - requestsBefore;
        repaints += paints() - paintsBefore;
    }
    doc.RemoveView(&counter);
    state.counters["steps_per_s"] = static_cast<double>(steps) / seconds;
    state.counters["repaints_per_s"] = static_cast<double>(repaints) / seconds;
}

void BM_AutoRunInterval1_PageWidget(benchmark::State& state) {
    CCaelvaneDoc doc;
    MakeJob(doc);
    CPageWidget view(doc);
    MeasureAutoRun(state, doc, view, [&view] { return view.paints; });
}
BENCHMARK(BM_AutoRunInterval1_PageWidget)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

#ifdef CAELVANE_BENCH_APP_VIEW
// The desktop's chart view; with the precise source when the benchmark's argument is 1.
void BM_AutoRunInterval1_ChartView(benchmark::State& state) {
    CCaelvaneDoc doc;
    MakeJob(doc);
    caelvane::CQtHostServices host;
    CViewEnvironment environment;
    environment.host = &host;
    if (state.range(0) == 1) {
        if (!PrecisePositionsAvailable()) {
            state.SkipWithError("this build has no precise source");
            return;
        }
        environment.positions = PositionSource::Precise;
    }
    CCaelvaneView view(doc, environment);
    view.resize(1000, 800);  // a child window showing most of the page's width
    MeasureAutoRun(state, doc, view, [&view] { return view.PaintCount(); });
}
BENCHMARK(BM_AutoRunInterval1_ChartView)
    ->ArgName("precise")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
