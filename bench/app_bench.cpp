// The desktop program: start-up to the first painted chart page, and memory with ten jobs open.
//
// BM_ColdStartToFirstPaint starts this benchmark program again as a child process that does
// what the program does at start-up (the application object, the main window, Job1) and prints
// the monotonic clock when the first page has been painted: the time from the spawn to that
// paint includes loading the libraries and Qt's platform plugin. BM_StartInProcess is the same
// start without the process and Qt start-up around it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "app/caelvane_app.h"
#include "app/caelvane_view.h"
#include "app/main_frame.h"
#include "job/caelvane_doc.h"
#include "platform/qt/qt_host_services.h"

namespace {

const char* const kChildSwitch = "--child-first-paint";

// Message boxes would stop a benchmark: they are counted instead.
class QuietHost : public caelvane::CQtHostServices {
public:
    void ShowMessage(const QString&) override { ++messages; }
    int messages = 0;
};

long long MonotonicNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// Starts the program as a user does with no argument and waits for the first page.
std::unique_ptr<CCaelvaneApp> StartToFirstPaint(const QString& profile, QuietHost& host) {
    CAppOptions options;
    options.profilePath = profile;
    options.host = &host;
    auto app = std::make_unique<CCaelvaneApp>(options);
    app->InitInstance({});
    CCaelvaneView* view = app->MainFrame().ActiveView();
    while (view != nullptr && view->PaintCount() == 0) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return app;
}

void BM_ColdStartToFirstPaint(benchmark::State& state) {
    const QString self =
        QString::fromLocal8Bit(QCoreApplication::applicationFilePath().toLocal8Bit());
    QTemporaryDir dir;
    for (auto _ : state) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        const long long spawned = MonotonicNanoseconds();
        child.start(self, {QString::fromLatin1(kChildSwitch), dir.filePath("profile.ini")});
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            state.SkipWithError("the child start failed");
            break;
        }
        const long long painted = QString::fromLatin1(child.readAllStandardOutput()).toLongLong();
        state.SetIterationTime(static_cast<double>(painted - spawned) / 1e9);
    }
    state.SetLabel("process spawn to the first painted page of Job1 (offscreen)");
}
BENCHMARK(BM_ColdStartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_StartInProcess(benchmark::State& state) {
    QTemporaryDir dir;
    QuietHost host;
    for (auto _ : state) {
        auto app = StartToFirstPaint(dir.filePath("profile.ini"), host);
        state.PauseTiming();
        app.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetLabel("application object, main window, Job1 and its first paint");
}
BENCHMARK(BM_StartInProcess)->Unit(benchmark::kMillisecond);

void BM_MemoryWithTenJobs(benchmark::State& state) {
    QTemporaryDir dir;
    QuietHost host;
    for (auto _ : state) {
        const double before = ResidentMegabytes();
        auto app = StartToFirstPaint(dir.filePath("profile.ini"), host);
        const double oneJob = ResidentMegabytes();
        for (int i = 1; i < 10; ++i) {
            app->OnFileNew();
            CCaelvaneView* view = app->MainFrame().ActiveView();
            const int paints = view->PaintCount();
            while (view->PaintCount() == paints) {
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            }
        }
        const double tenJobs = ResidentMegabytes();
        state.counters["rss_MB"] = tenJobs;
        state.counters["first_job_MB"] = oneJob - before;
        state.counters["per_further_job_MB"] = (tenJobs - oneJob) / 9.0;
        state.PauseTiming();
        app.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetLabel("resident memory with ten jobs open, each painted");
}
BENCHMARK(BM_MemoryWithTenJobs)->Unit(benchmark::kMillisecond)->Iterations(1);

// The child of BM_ColdStartToFirstPaint: the program's start, then the clock at the first paint.
int RunChild(int argc, char** argv) {
    QApplication application(argc, argv);
    QuietHost host;
    auto app = StartToFirstPaint(QString::fromLocal8Bit(argv[2]), host);
    std::printf("%lld\n", MonotonicNanoseconds());
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kChildSwitch) == 0) return RunChild(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
