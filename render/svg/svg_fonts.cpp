#include "render/svg/svg_fonts.h"

#include <string>
#include <utility>

SvgFaceMetrics BuiltInFaceMetrics(PdfFontSlot slot) {
    const bool symbol = slot == PdfFontSlot::Symbol || slot == PdfFontSlot::SymbolBold;
    return symbol ? SvgFaceMetrics{1901.0 / 2048, 483.0 / 2048}
                  : SvgFaceMetrics{1854.0 / 2048, 434.0 / 2048};
}

CSvgFonts::CSvgFonts(PdfFontFiles files) : m_files(std::move(files)) {}

CSvgFonts::~CSvgFonts() = default;

void CSvgFonts::Load(PdfFontSlot slot) {
    const auto index = static_cast<std::size_t>(slot);
    if (m_loaded[index]) return;
    m_loaded[index] = true;
    m_metrics[index] = BuiltInFaceMetrics(slot);
    const std::string& path = slot == PdfFontSlot::Regular  ? m_files.regular
                              : slot == PdfFontSlot::Bold   ? m_files.bold
                              : slot == PdfFontSlot::Symbol ? m_files.symbol
                                                            : m_files.symbolBold;
    if (path.empty()) return;
    // An unreadable file costs the drawing nothing but the file's own metrics: the viewer
    // draws the texts with whatever it has.
    std::string error;
    m_fonts[index] = CPdfFont::Open(path, error);
    const CPdfFont* font = m_fonts[index].get();
    if (!font || font->UnitsPerEm() <= 0 || font->Ascender() - font->Descender() <= 0) return;
    const double em = font->UnitsPerEm();
    m_metrics[index] = {font->Ascender() / em, -font->Descender() / em};
}

const SvgFaceMetrics& CSvgFonts::Metrics(PdfFontSlot slot) {
    Load(slot);
    return m_metrics[static_cast<std::size_t>(slot)];
}

bool CSvgFonts::Has(PdfFontSlot slot, char32_t codePoint) {
    Load(slot);
    const CPdfFont* font = m_fonts[static_cast<std::size_t>(slot)].get();
    return !font || font->Glyph(codePoint) != 0;
}
