// What a one-page PNG costs besides starting the process: the page drawn at the command
// line's default 150 dpi, its PNG encoding, and both together; and a one-page SVG, from our own
// writer and, to compare, from Qt's SVG generator that the program used before. The 96 dpi page
// and the year of pages into one PDF are in chart_bench; the whole process is timed by
// process_time.sh.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <string>

#include "bench_page.h"
#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "platform/host_services.h"
#include "render/pdf_fonts.h"
#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"
#include "render/qt_png_encoder.h"
#include "render/svg/svg_writer.h"

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

// The classic page as the command line writes it (no font system: the font files place the
// texts).
void BM_PageToSvgBytes(benchmark::State& state) {
    CBenchHost host;
    const PdfFontFiles fonts = PdfPageFontFiles();
    std::size_t bytes = 0;
    for (auto _ : state) {
        ChartState chart;
        bytes = SvgDocument(
                    ChartPageSvgGeometry(), "bench.cvj", fonts, nullptr,
                    [&](CDrawingDevice& device) { DrawChartPage(BenchJob(), chart, device, host); })
                    .size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["svg_kB"] = static_cast<double>(bytes) / 1000.0;
}
BENCHMARK(BM_PageToSvgBytes)->Unit(benchmark::kMillisecond);

// The same page through Qt's SVG generator, as the program wrote it before.
void BM_PageToQtSvgBytes(benchmark::State& state) {
    CBenchHost host;
    qsizetype bytes = 0;
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            QSvgGenerator generator;
            generator.setOutputDevice(&buffer);
            generator.setResolution(1000);
            generator.setSize(QSize(kPageWidthMils, kPageHeightMils));
            generator.setViewBox(QRect(0, 0, kPageWidthMils, kPageHeightMils));
            QPainter painter(&generator);
            CQtPainterDevice device(painter, 1000, 1000);
            ChartState chart;
            DrawChartPage(BenchJob(), chart, device, host);
        }
        bytes = buffer.data().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["svg_kB"] = static_cast<double>(bytes) / 1000.0;
}
BENCHMARK(BM_PageToQtSvgBytes)->Unit(benchmark::kMillisecond);

}  // namespace
