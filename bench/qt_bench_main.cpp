// The main of the benchmarks that paint: text needs a Qt GUI application (and its fonts)
// before the first page is drawn.
#include <benchmark/benchmark.h>

#include "render/qt_page_writer.h"

int main(int argc, char** argv) {
    EnsureGuiApplication();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
