#pragma once
#include <QImage>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "chart/page_style.h"
#include "ephemeris/position_source.h"

class CCaelvaneDoc;

namespace caelvane {
class CHostServices;
}

// Chart pages written to files, or put on the clipboard, through the same page writers as the
// command line's render: the page as the printer gets it, 8.5 x 11 inches.

enum class ExportFormat { Pdf, Png, Svg };

// The format named by the file's extension (.pdf, .png, .svg, any case), or nullopt.
std::optional<ExportFormat> ExportFormatOf(const QString& path);

// The file of page `page` of `pageCount` in a numbered set: "chart.png" becomes
// "chart-001.png" (at least three digits, more when the count needs them).
QString NumberedExportPath(const QString& path, int page, int pageCount);

// Called after each page with the pages done and the total; returning false cancels.
using ExportProgress = std::function<bool(int done, int total)>;

enum class ExportOutcome { Written, Cancelled, Failed };

struct ExportResult {
    ExportOutcome outcome = ExportOutcome::Failed;
    QString error;                      // why it failed
    std::vector<QString> files;         // the files written
    std::vector<int> pages;             // the job's pages they hold, in order
    std::vector<std::string> messages;  // the page's own messages (a reversed date range)
};

// The most pages one export writes (the printing range's limit).
inline constexpr int kMaxExportPages = 65535;

// Writes page `page` of the job (nullopt: every page in date order: one PDF, or a numbered PNG
// or SVG set) to `path` in the format of its extension, with positions from `source` as the
// windows show them. The job is drawn from a copy, so the windows keep their page. Every file is
// written whole or not at all; a cancelled or failed export leaves the targets as they were.
// What a written export confirms in the status bar: the file(s) and the page(s), e.g.
// "Exported page 3 to /tmp/job.pdf" or "Exported pages 1 to 31 to job-001.png ... job-031.png".
QString ExportSummary(const ExportResult& result);

ExportResult ExportPages(const CCaelvaneDoc& doc, caelvane::CHostServices& host,
                         PositionSource source, const QString& path, std::optional<int> page,
                         const ExportProgress& progress = {}, PageStyle style = kDefaultPageStyle);

// Page `page` of the job as an image at `dpi` dots per inch (white ground), and as SVG text.
QImage PageImage(const CCaelvaneDoc& doc, caelvane::CHostServices& host, PositionSource source,
                 int page, int dpi, PageStyle style = kDefaultPageStyle);
QByteArray PageSvg(const CCaelvaneDoc& doc, caelvane::CHostServices& host, PositionSource source,
                   int page, PageStyle style = kDefaultPageStyle);

// Puts page `page` on the clipboard as an image and as image/svg+xml.
void CopyPageToClipboard(const CCaelvaneDoc& doc, caelvane::CHostServices& host,
                         PositionSource source, int page, PageStyle style = kDefaultPageStyle);
