#pragma once
#include <functional>
#include <string>

#include "platform/drawing_device.h"
#include "render/page_resolution.h"
#include "render/pdf_page_writer.h"

namespace caelvane {
class CAtomicFileSet;
}

// Writes chart pages to files: PDF (US Letter, no margins, vector, selectable text, one page
// per chart page), PNG (a white 8.5 x 11 inch raster) and SVG (8.5 x 11 inches). Every file is
// written, as it is produced, to a temporary file beside it and renamed into place once
// complete, so a failure leaves nothing behind and a long PDF is never held in memory whole;
// the path "-" writes to standard output once the whole output exists. A failure names the
// file and gives the system's reason ("cannot write PATH: No space left on device").

// Makes sure a Qt GUI application object exists for painting (fonts need one), always on the
// offscreen platform, whatever display the environment names. For command-line programs that
// otherwise have no Qt application.
void EnsureGuiApplication();

// Pages from index 0 on, as long as `draw` says another follows, into one PDF document.
// `title` becomes the document's title in its metadata. Text is measured with Qt's metrics
// where a GUI application exists (WritePdfPages with PdfTextMetrics()).
bool WritePdfFile(const std::string& path, const std::string& title, const PageDrawer& draw,
                  std::string& error);
// The same, asking `cancelled` after every page: a cancelled document is dropped whole (the
// target stays as it was) and the call returns false with `error` empty.
bool WritePdfFile(const std::string& path, const std::string& title, const PageDrawer& draw,
                  const std::function<bool()>& cancelled, std::string& error);
// Page `index` as a PNG at `dpi` (1..kMaxPngDpi) dots per inch on white.
// With a `set`, the file joins it and is renamed into place only by the set's Commit, together
// with the other pages; a failure abandons the whole set.
bool WritePngFile(const std::string& path, int index, int dpi, const PageDrawer& draw,
                  std::string& error, caelvane::CAtomicFileSet* set = nullptr);
// Page `index` as an SVG drawing of 8.5 x 11 inches, in memory (for the clipboard), made by our
// own SVG writer (render/svg), which needs no GUI application unless the page measures texts.
std::string SvgPageBytes(const std::string& title, int index, const PageDrawer& draw);
// Page `index` as an SVG drawing of 8.5 x 11 inches. `set` as for WritePngFile.
bool WriteSvgFile(const std::string& path, const std::string& title, int index,
                  const PageDrawer& draw, std::string& error,
                  caelvane::CAtomicFileSet* set = nullptr);
