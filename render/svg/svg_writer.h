#pragma once
// SVG documents of drawings, made by our own device (svg_device.h) without a font system or a
// GUI, and written whole or not at all.
#include <functional>
#include <string>
#include <string_view>

#include "platform/drawing_device.h"
#include "render/pdf/pdf_document.h"
#include "render/svg/svg_device.h"

namespace caelvane {
class CAtomicFileSet;
}

// Draws on the device; Begin and End are the drawer's.
using SvgDrawer = std::function<void(CDrawingDevice& device)>;

// The document of one drawing. `fonts` are the files of the faces the texts name (they place
// the texts; missing ones leave the faces' own metrics), `metrics` measures texts for layouts
// that ask (nullptr: they estimate); `title` is UTF-8.
std::string SvgDocument(const SvgGeometry& geometry, std::string_view title,
                        const PdfFontFiles& fonts, const CTextMetrics* metrics,
                        const SvgDrawer& draw);

// Writes a document to `path` through a temporary file renamed into place, or to standard
// output for "-". With a `set`, the file joins it and is renamed into place only by the set's
// Commit, together with the other files; a failure abandons the whole set. A failure names the
// file and gives the system's reason.
bool WriteSvgDocument(const std::string& path, std::string_view bytes, std::string& error,
                      caelvane::CAtomicFileSet* set = nullptr);
