#pragma once
// Chart pages into a PDF document (US Letter, no margins, vector, selectable text, one page
// per chart page) with our own PDF writer: no Qt, so a process that only writes PDF pages never
// loads it. The file is written, as it is produced, to a temporary file beside it and renamed
// into place once complete, so a failure leaves nothing behind and a long PDF is never held in
// memory whole; the path "-" writes to standard output once the whole document exists. A
// failure names the file and gives the system's reason ("cannot write PATH: No space left on
// device").
#include <functional>
#include <string>

#include "platform/drawing_device.h"
#include "platform/text_metrics.h"

namespace caelvane {
class CAtomicFileSet;
}

// Draws page `index` (0-based, in output order) on `device` and says whether another page
// follows it. The device's surface is the whole 8.5 x 11 inch page.
using PageDrawer = std::function<bool(int index, CDrawingDevice& device)>;

// Pages from index 0 on, as long as `draw` says another follows, into one PDF document.
// `title` becomes the document's title in its metadata. Layouts that measure their texts do so
// with `metrics` (nullptr: they estimate). `cancelled`, when given, is asked after every page:
// a cancelled document is dropped whole (the target stays as it was) and the call returns false
// with `error` empty.
bool WritePdfPages(const std::string& path, const std::string& title, const PageDrawer& draw,
                   const CTextMetrics* metrics, const std::function<bool()>& cancelled,
                   std::string& error);

// Page `index` as an SVG document of its own (our SVG writer, no Qt either), laid out with
// `metrics` as above; written whole or not at all, joining `set` when given (its Commit then
// renames it into place with the others).
std::string SvgPageBytes(const std::string& title, int index, const PageDrawer& draw,
                         const CTextMetrics* metrics);
bool WriteSvgPage(const std::string& path, const std::string& title, int index,
                  const PageDrawer& draw, const CTextMetrics* metrics, std::string& error,
                  caelvane::CAtomicFileSet* set = nullptr);
