#include "render/qt_surface_writer.h"

#include <QByteArray>
#include <QImage>
#include <cstdio>

#include "platform/atomic_file.h"
#include "render/pdf/pdf_device.h"
#include "render/pdf_fonts.h"
#include "render/qt_painter_device.h"
#include "render/qt_png_encoder.h"
#include "render/svg/svg_writer.h"

namespace {

constexpr double kScreenDpi = 96.0;
// Fine enough that the thinnest pen is a geometric line on paper.
constexpr int kPdfDpi = 1200;

bool CheckSize(const SurfaceSize& size, std::string& error) {
    if (size.width < 1 || size.height < 1 || size.width > kMaxSurfacePixels ||
        size.height > kMaxSurfacePixels || size.unitsPerPixel < 1) {
        error = "the drawing must be 1 to " + std::to_string(kMaxSurfacePixels) +
                " pixels on each side, not " + std::to_string(size.width) + "x" +
                std::to_string(size.height);
        return false;
    }
    return true;
}

bool Deliver(const std::string& path, const QByteArray& bytes, std::string& error) {
    const std::string_view data(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (path == "-") {
        if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() ||
            std::fflush(stdout) != 0) {
            error = "cannot write to standard output";
            return false;
        }
        return true;
    }
    return caelvane::WriteFileAtomically(path, data, error);
}

}  // namespace

void PaintSurface(QPainter& painter, const SurfaceSize& size, double scale,
                  const SurfaceDrawer& draw, bool antialiased) {
    painter.fillRect(QRectF(0, 0, size.width * scale, size.height * scale), Qt::white);
    const double dpi = 1000.0 / size.unitsPerPixel * scale;
    CQtPainterDevice device(painter, dpi, dpi);
    device.SetAntialiased(antialiased);
    draw(device);
}

bool WriteSurfacePng(const std::string& path, const SurfaceSize& size, const SurfaceDrawer& draw,
                     std::string& error) {
    if (!CheckSize(size, error)) return false;
    QImage image = NewRaster(size.width, size.height);
    if (image.isNull()) {
        error = "not enough memory for an image of " + std::to_string(size.width) + "x" +
                std::to_string(size.height) + " pixels";
        return false;
    }
    {
        QPainter painter(&image);
        PaintSurface(painter, size, 1.0, draw);
    }
    const QByteArray png = EncodePng(std::move(image));
    if (png.isEmpty()) {
        error = "cannot encode the PNG image for " + path;
        return false;
    }
    return Deliver(path, png, error);
}

bool WriteSurfaceSvg(const std::string& path, const std::string& title, const SurfaceSize& size,
                     const SurfaceDrawer& draw, std::string& error) {
    if (!CheckSize(size, error)) return false;
    const std::string bytes =
        SvgDocument(SurfaceSvgGeometry(size.width, size.height, size.unitsPerPixel), title,
                    PdfPageFontFiles(), PdfTextMetrics(), draw);
    return WriteSvgDocument(path, bytes, error);
}

bool WriteSurfacePdf(const std::string& path, const std::string& title, const SurfaceSize& size,
                     const SurfaceDrawer& draw, std::string& error) {
    if (!CheckSize(size, error)) return false;
    std::string bytes;
    CPdfDocument document(
        [&bytes](std::string_view piece) {
            bytes.append(piece);
            return true;
        },
        PdfPageFontFiles(), title);
    CPdfDevice device(document, PdfTextMetrics());
    // The surface at 96 pixels to the inch; the thinnest pen a pixel of a 1,200 dpi raster.
    PdfPageGeometry geometry;
    geometry.widthPoints = size.width * 72.0 / kScreenDpi;
    geometry.heightPoints = size.height * 72.0 / kScreenDpi;
    geometry.pointsPerUnit = 72.0 / kScreenDpi / size.unitsPerPixel;
    geometry.thinnestUnits = size.unitsPerPixel * kScreenDpi / kPdfDpi;
    device.BeginPage(geometry);
    draw(device);
    if (!device.EndPage() || !document.Finish()) {
        error = document.Error() + " (" + path + ")";
        return false;
    }
    return Deliver(
        path, QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())), error);
}
