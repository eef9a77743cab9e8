#pragma once
// The faces an SVG drawing's texts name, and the metrics that place them as the page places
// them: a chart's "Arial" is Liberation Sans (metric-compatible with it), its symbol face DejaVu
// Sans, each normal and bold. A viewer draws the glyphs; what the writer needs of a face is its
// em per character cell, its ascent (where the baseline lies below the top of the cell) and
// which characters it has (those it lacks come from the other face, as on the page).
#include <array>
#include <memory>
#include <string_view>

#include "render/pdf/pdf_document.h"
#include "render/pdf/pdf_font.h"

// The vertical metrics of a face, per em: the horizontal header's ascender and descender.
struct SvgFaceMetrics {
    double ascent = 0;   // positive, up
    double descent = 0;  // positive, down
    // The em of a character cell of height 1.
    double EmPerCell() const { return ascent + descent > 0 ? 1.0 / (ascent + descent) : 1.0; }
};

// The metrics of Liberation Sans (normal and bold: 1854 and 434 of 2048 units) and of DejaVu
// Sans (1901 and 483 of 2048), for systems where the font files are missing: a viewer that
// has the faces places the texts where the page does.
SvgFaceMetrics BuiltInFaceMetrics(PdfFontSlot slot);

// The four faces, read from their files when first asked for (FreeType, as the PDF writer
// reads them); a face whose file is missing or unreadable has the built-in metrics and is
// taken to have every character.
class CSvgFonts {
public:
    explicit CSvgFonts(PdfFontFiles files);
    ~CSvgFonts();
    CSvgFonts(const CSvgFonts&) = delete;
    CSvgFonts& operator=(const CSvgFonts&) = delete;

    const SvgFaceMetrics& Metrics(PdfFontSlot slot);
    // Whether the face of `slot` draws `codePoint` itself (true when its file could not be read).
    bool Has(PdfFontSlot slot, char32_t codePoint);

private:
    void Load(PdfFontSlot slot);

    PdfFontFiles m_files;
    std::array<bool, 4> m_loaded{};
    std::array<std::unique_ptr<CPdfFont>, 4> m_fonts;
    std::array<SvgFaceMetrics, 4> m_metrics;
};
