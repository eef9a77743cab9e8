#pragma once
// Where the fonts a page is drawn with are on this system: Liberation Sans (what "Arial" means
// here) and DejaVu Sans (the glyphs the others lack). Found by their file names in the folders
// where Debian and its relatives put them, without fontconfig.
#include <string>
#include <vector>

#include "render/pdf/pdf_document.h"

// The font files found on this system; empty when Liberation Sans is missing (the system's
// configuration then stays, with whatever it substitutes).
std::vector<std::string> PageFontFiles();

// Liberation Sans and DejaVu Sans, normal and bold, where installed, as the PDF writer embeds
// them.
PdfFontFiles PdfPageFontFiles();
