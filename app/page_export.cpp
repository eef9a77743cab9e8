#include "app/page_export.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/message_collector.h"
#include "chart/chart_state.h"
#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "platform/atomic_file.h"
#include "render/page_resolution.h"
#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"

namespace {

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The job as it stands, on its own: the export sets its page number for each page.
struct JobCopy {
    JobCopy(const CCaelvaneDoc& doc, PositionSource source, PageStyle style) {
        copy.CopyFieldsFrom(doc);
        copy.SetTitle(doc.GetTitle());
        state.positionSource = source;
        state.pageStyle = style;
    }
    CCaelvaneDoc copy;
    ChartState state;
};

int PageCountOf(const CCaelvaneDoc& doc) {
    ChartState state;
    PreparePaging(doc, state);
    return std::max(1, state.pageCount);
}

}  // namespace

std::optional<ExportFormat> ExportFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf")) return ExportFormat::Pdf;
    if (suffix == QLatin1String("png")) return ExportFormat::Png;
    if (suffix == QLatin1String("svg")) return ExportFormat::Svg;
    return std::nullopt;
}

QString NumberedExportPath(const QString& path, int page, int pageCount) {
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    QString stem = path;
    if (!suffix.isEmpty()) stem.chop(suffix.size() + 1);
    const int digits = std::max(3, static_cast<int>(QString::number(pageCount).size()));
    const QString number = QStringLiteral("%1").arg(page, digits, 10, QLatin1Char('0'));
    return suffix.isEmpty() ? stem + QLatin1Char('-') + number
                            : stem + QLatin1Char('-') + number + QLatin1Char('.') + suffix;
}

ExportResult ExportPages(const CCaelvaneDoc& doc, caelvane::CHostServices& host,
                         PositionSource source, const QString& path, std::optional<int> page,
                         const ExportProgress& progress, PageStyle style) {
    ExportResult result;
    const std::optional<ExportFormat> format = ExportFormatOf(path);
    if (!format) {
        result.error =
            QStringLiteral("Cannot export to %1: the name must end in .pdf, .png or .svg.")
                .arg(path);
        return result;
    }
    JobCopy job(doc, source, style);
    const int pageCount = page ? 1 : PageCountOf(job.copy);
    if (pageCount > kMaxExportPages) {
        result.error = QStringLiteral("The job has %1 pages; one export writes at most %2.")
                           .arg(pageCount)
                           .arg(kMaxExportPages);
        return result;
    }
    const int firstPage = page ? *page : 1;
    CMessageCollector collector(host);
    bool cancelled = false;
    int done = 0;
    const PageDrawer drawPage = [&](int index, CDrawingDevice& device) {
        job.copy.m_currentPage = firstPage + index;
        DrawChartPage(job.copy, job.state, device, collector);
        result.pages.push_back(firstPage + index);
        done = index + 1;
        if (progress && !progress(done, pageCount)) cancelled = true;
        return index + 1 < pageCount;
    };
    const std::string title = doc.GetTitle();
    std::string error;
    bool written = false;
    if (*format == ExportFormat::Pdf) {
        written = WritePdfFile(
            LocalPath(path), title, drawPage, [&] { return cancelled; }, error);
        if (written) result.files.push_back(path);
    } else {
        caelvane::CAtomicFileSet files;
        written = true;
        for (int i = 0; i < pageCount && written && !cancelled; ++i) {
            const QString target = page ? path : NumberedExportPath(path, i + 1, pageCount);
            written =
                *format == ExportFormat::Png
                    ? WritePngFile(LocalPath(target), i, kDefaultPngDpi, drawPage, error, &files)
                    : WriteSvgFile(LocalPath(target), title, i, drawPage, error, &files);
            if (written) result.files.push_back(target);
        }
        if (written && cancelled) {
            files.Abandon();
            written = false;
        } else if (written && !files.Commit()) {
            error = files.Message();
            written = false;
        }
    }
    result.messages = collector.Messages();
    if (cancelled) {
        result.outcome = ExportOutcome::Cancelled;
        result.files.clear();
        result.pages.clear();
    } else if (!written) {
        result.outcome = ExportOutcome::Failed;
        result.error = QString::fromLocal8Bit(error.c_str());
        result.files.clear();
        result.pages.clear();
    } else {
        result.outcome = ExportOutcome::Written;
    }
    return result;
}

QString ExportSummary(const ExportResult& result) {
    if (result.outcome != ExportOutcome::Written || result.files.empty() || result.pages.empty())
        return {};
    const QString pages =
        result.pages.size() == 1
            ? QStringLiteral("page %1").arg(result.pages.front())
            : QStringLiteral("pages %1 to %2").arg(result.pages.front()).arg(result.pages.back());
    const QString files = result.files.size() == 1
                              ? result.files.front()
                              : QStringLiteral("%1 ... %2 (%3 files)")
                                    .arg(result.files.front(), result.files.back())
                                    .arg(result.files.size());
    return QStringLiteral("Exported %1 to %2").arg(pages, files);
}

QImage PageImage(const CCaelvaneDoc& doc, caelvane::CHostServices& host, PositionSource source,
                 int page, int dpi, PageStyle style) {
    JobCopy job(doc, source, style);
    job.copy.m_currentPage = page;
    const int width = static_cast<int>(std::lround(kPageWidthMils / 1000.0 * dpi));
    const int height = static_cast<int>(std::lround(kPageHeightMils / 1000.0 * dpi));
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    CMessageCollector collector(host);
    QPainter painter(&image);
    CQtPainterDevice device(painter, dpi, dpi);
    DrawChartPage(job.copy, job.state, device, collector);
    return image;
}

QByteArray PageSvg(const CCaelvaneDoc& doc, caelvane::CHostServices& host, PositionSource source,
                   int page, PageStyle style) {
    JobCopy job(doc, source, style);
    CMessageCollector collector(host);
    const std::string svg = SvgPageBytes(doc.GetTitle(), 0, [&](int, CDrawingDevice& device) {
        job.copy.m_currentPage = page;
        DrawChartPage(job.copy, job.state, device, collector);
        return false;
    });
    return QByteArray::fromStdString(svg);
}

void CopyPageToClipboard(const CCaelvaneDoc& doc, caelvane::CHostServices& host,
                         PositionSource source, int page, PageStyle style) {
    auto* data = new QMimeData;
    data->setImageData(PageImage(doc, host, source, page, kDefaultPngDpi, style));
    const QByteArray svg = PageSvg(doc, host, source, page, style);
    if (!svg.isEmpty()) data->setData(QStringLiteral("image/svg+xml"), svg);
    QGuiApplication::clipboard()->setMimeData(data);
}
