// What a one-page PNG costs besides starting the process: the page drawn at the command
// line's default 150 dpi, its PNG encoding, and both together. The 96 dpi page and the year of
// pages into one PDF are in chart_bench; the whole process is timed by process_time.sh.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <string>

#include "bench_page.h"
#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "platform/host_services.h"
#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"
#include "render/qt_png_encoder.h"

namespace {

// A white letter page at `dpi`, as WritePngFile makes it.
QImage BlankPage(int dpi) {
    QImage image(kPageWidthMils * dpi / 1000, kPageHeightMils * dpi / 1000, QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(dpi / 0.0254 + 0.5);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    return image;
}

void DrawPage(QImage& image, int dpi) {
    CBenchHost host;
    QPainter painter(&image);
    CQtPainterDevice device(painter, dpi, dpi);
    ChartState chart;
    DrawChartPage(BenchJob(), chart, device, host);
}

void BM_PageToImage150Dpi(benchmark::State& state) {
    QImage image = BlankPage(kDefaultPngDpi);
    for (auto _ : state) {
        image.fill(Qt::white);
        DrawPage(image, kDefaultPngDpi);
    }
}
BENCHMARK(BM_PageToImage150Dpi)->Unit(benchmark::kMillisecond);

void BM_EncodePagePng150Dpi(benchmark::State& state) {
    QImage page = BlankPage(kDefaultPngDpi);
    DrawPage(page, kDefaultPngDpi);
    qsizetype bytes = 0;
    for (auto _ : state) {
        bytes = EncodePng(page).size();  // a copy each time: the encoder reuses its pixels
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["png_kB"] = static_cast<double>(bytes) / 1000.0;
}
BENCHMARK(BM_EncodePagePng150Dpi)->Unit(benchmark::kMillisecond);

void BM_PageToPngBytes150Dpi(benchmark::State& state) {
    for (auto _ : state) {
        QImage image = BlankPage(kDefaultPngDpi);
        DrawPage(image, kDefaultPngDpi);
        benchmark::DoNotOptimize(EncodePng(std::move(image)).size());
    }
}
BENCHMARK(BM_PageToPngBytes150Dpi)->Unit(benchmark::kMillisecond);

}  // namespace
