// Chart page drawing speed: the display list alone, a screen-resolution raster (what the view
// and AutoRun's fastest step draw), one page and a year of pages into PDF.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <string>

#include "bench_page.h"
#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "platform/host_services.h"
#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"
#include "render/trace_device.h"

namespace {

void BM_PageToTrace(benchmark::State& state) {
    CBenchHost host;
    CTraceDevice trace;
    ChartState chart;
    for (auto _ : state) {
        trace.Clear();
        DrawChartPage(BenchJob(), chart, trace, host);
        benchmark::DoNotOptimize(trace.Trace().size());
    }
}
BENCHMARK(BM_PageToTrace)->Unit(benchmark::kMillisecond);

void BM_PageToImage96Dpi(benchmark::State& state) {
    CBenchHost host;
    QImage image(816, 1056, QImage::Format_RGB32);
    const int dotsPerMeter = 3780;  // 96 dpi
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    ChartState chart;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        CQtPainterDevice device(painter, 96, 96);
        DrawChartPage(BenchJob(), chart, device, host);
    }
}
BENCHMARK(BM_PageToImage96Dpi)->Unit(benchmark::kMillisecond);

// One page into a PDF file, fonts and all: what a one-page export costs past the process.
void BM_PageToPdf(benchmark::State& state) {
    CBenchHost host;
    ChartState chart;
    QTemporaryDir folder;
    const std::string path = folder.filePath("page.pdf").toStdString();
    for (auto _ : state) {
        std::string error;
        const bool written = WritePdfFile(
            path, "page.cvj",
            [&](int, CDrawingDevice& device) {
                DrawChartPage(BenchJob(), chart, device, host);
                return false;
            },
            error);
        if (!written) state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_PageToPdf)->Unit(benchmark::kMillisecond);

void BM_YearToPdf(benchmark::State& state) {
    CBenchHost host;
    CCaelvaneDoc doc;
    doc.SetTitle("year.cvj");
    doc.m_jobType = 3;
    doc.m_startMonth = 1;
    doc.m_startDay = 1;
    doc.m_startYear = 2024;
    doc.m_endMonth = 12;
    doc.m_endDay = 31;
    doc.m_endYear = 2024;
    QTemporaryDir folder;
    const std::string path = folder.filePath("year.pdf").toStdString();
    ChartState chart;
    for (auto _ : state) {
        std::string error;
        const bool written = WritePdfFile(
            path, doc.GetTitle(),
            [&](int index, CDrawingDevice& device) {
                doc.m_currentPage = index + 1;
                DrawChartPage(doc, chart, device, host);
                return index + 1 < 366;
            },
            error);
        if (!written) state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_YearToPdf)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
