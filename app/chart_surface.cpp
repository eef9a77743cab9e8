#include "app/chart_surface.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "prices/price_chart.h"

bool ExportChart(const QString& path, const std::string& title, QSize size, const ChartDrawer& draw,
                 QString& error) {
    const std::string file = QFile::encodeName(path).toStdString();
    const SurfaceSize surface{size.width(), size.height(), prices::kUnitsPerPixel};
    const SurfaceDrawer drawer = [&draw, size](CDrawingDevice& device) {
        draw(device, size.width(), size.height());
    };
    const QString suffix = QFileInfo(path).suffix().toLower();
    std::string message;
    bool written = false;
    if (suffix == QLatin1String("png")) {
        written = WriteSurfacePng(file, surface, drawer, message);
    } else if (suffix == QLatin1String("svg")) {
        written = WriteSurfaceSvg(file, title, surface, drawer, message);
    } else if (suffix == QLatin1String("pdf")) {
        written = WriteSurfacePdf(file, title, surface, drawer, message);
    } else {
        error = QObject::tr("%1: the name ends in none of .pdf, .png and .svg").arg(path);
        return false;
    }
    if (!written) error = QString::fromStdString(message);
    return written;
}

QImage ChartImage(QSize size, const ChartDrawer& draw) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintSurface(
        painter, {size.width(), size.height(), prices::kUnitsPerPixel}, 1.0,
        [&draw, size](CDrawingDevice& device) { draw(device, size.width(), size.height()); });
    return image;
}

bool PrintChart(QPrinter& printer, const ChartDrawer& draw) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = printer.resolution() / kChartLayoutDpi;
    const int width = std::max(1, static_cast<int>(page.width() / scale));
    const int height = std::max(1, static_cast<int>(page.height() / scale));
    PaintSurface(painter, {width, height, prices::kUnitsPerPixel}, scale,
                 [&draw, width, height](CDrawingDevice& device) { draw(device, width, height); });
    return true;
}

QString AskChartExportPath(QWidget* parent, const QString& caption, const QString& folder,
                           const QString& baseName) {
    QFileDialog dialog(parent, caption, folder,
                       QObject::tr("PDF document (*.pdf);;PNG image (*.png);;SVG drawing (*.svg)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(baseName + QStringLiteral(".pdf"));
    // The filter chosen gives a name without an extension its own.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) {
                         const qsizetype dot = filter.indexOf(QLatin1String("*."));
                         if (dot >= 0) dialog.setDefaultSuffix(filter.mid(dot + 2, 3));
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}
