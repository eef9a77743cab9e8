#include "render/pdf/pdf_device.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// The control points of a quarter circle as a cubic Bezier curve, per radius.
constexpr double kKappa = 0.5522847498307936;

void AppendColor(std::string& out, COLORREF color) {
    const int channels[] = {GetRValue(color), GetGValue(color), GetBValue(color)};
    for (const int channel : channels) {
        AppendPdfNumber(out, channel / 255.0, 3);
        out += ' ';
    }
}

void AppendPoint(std::string& out, double x, double y) {
    AppendPdfNumber(out, x, 2);
    out += ' ';
    AppendPdfNumber(out, y, 2);
    out += ' ';
}

}  // namespace

PdfPageGeometry ChartPageGeometry() {
    return {};
}

CPdfDevice::CPdfDevice(CPdfDocument& document, const CTextMetrics* metrics)
    : CVectorDevice(metrics), m_document(document), m_out(document.Content()) {}

void CPdfDevice::BeginPage(const PdfPageGeometry& geometry) {
    m_geometry = geometry;
    m_document.BeginPage(geometry.widthPoints, geometry.heightPoints);
    // Surface units with y up, the origin at the page's top-left corner; round joins as GDI's.
    AppendPdfNumber(m_out, geometry.pointsPerUnit, 6);
    m_out += " 0 0 ";
    AppendPdfNumber(m_out, geometry.pointsPerUnit, 6);
    m_out += " 0 ";
    AppendPdfNumber(m_out, geometry.heightPoints, 3);
    m_out += " cm 1 j\n";
    // The graphics state every page starts with.
    m_strokeColor = 0;
    m_fillColor = 0;
    m_lineWidth = 1;
    m_cap = 0;
    m_textFont = -1;
    m_textSize = -1;
    m_pathOpen = false;
    m_inText = false;
}

bool CPdfDevice::EndPage() {
    FlushPath();
    EndText();
    return m_document.EndPage();
}

void CPdfDevice::End() {
    FlushPath();
    EndText();
}

void CPdfDevice::FlushPath() {
    if (!m_pathOpen) return;
    m_out += "S\n";
    m_pathOpen = false;
}

void CPdfDevice::EndText() {
    if (!m_inText) return;
    m_out += "ET\n";
    m_inText = false;
}

// Pen state is written only between paths, and only what changed.
void CPdfDevice::ApplyStroke() {
    const double width = std::max(std::abs(static_cast<double>(m_width)), m_geometry.thinnestUnits);
    const int cap = m_flatEnds ? 0 : 1;
    if (width == m_lineWidth && cap == m_cap && static_cast<long>(m_color) == m_strokeColor) return;
    FlushPath();
    EndText();
    if (width != m_lineWidth) {
        AppendPdfNumber(m_out, width, 3);
        m_out += " w ";
        m_lineWidth = width;
    }
    if (cap != m_cap) {
        m_out += cap ? "1 J " : "0 J ";
        m_cap = cap;
    }
    if (static_cast<long>(m_color) != m_strokeColor) {
        AppendColor(m_out, m_color);
        m_out += "RG ";
        m_strokeColor = static_cast<long>(m_color);
    }
    m_out += '\n';
}

void CPdfDevice::ApplyFill() {
    if (static_cast<long>(m_color) == m_fillColor) return;
    FlushPath();
    AppendColor(m_out, m_color);
    m_out += "rg\n";
    m_fillColor = static_cast<long>(m_color);
}

namespace {

// An integer into a buffer, digits from the end: coordinates are most of a content stream.
char* PutInteger(char* at, int value) {
    char digits[12];
    char* const end = digits + sizeof digits;
    char* first = end;
    unsigned magnitude =
        value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        *--first = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *at++ = '-';
    while (first != end) *at++ = *first++;
    return at;
}

}  // namespace

void CPdfDevice::Line(int x1, int y1, int x2, int y2) {
    EndText();
    ApplyStroke();
    // Segments laid end to end continue the path; the ends and joins are both round, so the
    // ink is the same as for separate segments.
    char buffer[64];
    char* at = buffer;
    if (!m_pathOpen || x1 != m_lastX || y1 != m_lastY) {
        at = PutInteger(at, x1);
        *at++ = ' ';
        at = PutInteger(at, y1);
        *at++ = ' ', *at++ = 'm', *at++ = ' ';
    }
    at = PutInteger(at, x2);
    *at++ = ' ';
    at = PutInteger(at, y2);
    *at++ = ' ', *at++ = 'l', *at++ = '\n';
    m_out.append(buffer, static_cast<std::size_t>(at - buffer));
    m_pathOpen = true;
    m_lastX = x2;
    m_lastY = y2;
}

void CPdfDevice::Circle(int x, int y, int radius, int fill) {
    EndText();
    ApplyStroke();
    FlushPath();
    if (fill == 1) ApplyFill();
    const double r = std::abs(static_cast<double>(radius));
    const double k = r * kKappa;
    const double cx = x, cy = y;
    AppendPoint(m_out, cx + r, cy);
    m_out += "m ";
    const double curves[4][6] = {{cx + r, cy + k, cx + k, cy + r, cx, cy + r},
                                 {cx - k, cy + r, cx - r, cy + k, cx - r, cy},
                                 {cx - r, cy - k, cx - k, cy - r, cx, cy - r},
                                 {cx + k, cy - r, cx + r, cy - k, cx + r, cy}};
    for (const auto& curve : curves) {
        for (int i = 0; i < 6; i += 2) AppendPoint(m_out, curve[i], curve[i + 1]);
        m_out += "c ";
    }
    m_out += fill == 1 ? "h B\n" : "h S\n";
}

void CPdfDevice::FillRect(int x1, int y1, int x2, int y2) {
    EndText();
    FlushPath();
    ApplyFill();
    double left = std::min(x1, x2), right = std::max(x1, x2);
    double bottom = std::min(y1, y2), top = std::max(y1, y2);
    // Never thinner than a device pixel, as a pen is not.
    const double thinnest = m_geometry.thinnestUnits;
    if (right - left < thinnest) {
        const double middle = (left + right) / 2;
        left = middle - thinnest / 2, right = middle + thinnest / 2;
    }
    if (top - bottom < thinnest) {
        const double middle = (top + bottom) / 2;
        bottom = middle - thinnest / 2, top = middle + thinnest / 2;
    }
    AppendPoint(m_out, left, bottom);
    AppendPoint(m_out, right - left, top - bottom);
    m_out += "re f\n";
}

void CPdfDevice::Text(int x, int y, std::string_view text) {
    // Chart texts are single-byte: the characters of Latin-1.
    m_codePoints.resize(text.size());
    std::transform(text.begin(), text.end(), m_codePoints.begin(),
                   [](char c) { return static_cast<char32_t>(static_cast<unsigned char>(c)); });
    DrawText(x, y, m_codePoints);
}

void CPdfDevice::TextUtf8(int x, int y, std::string_view text) {
    m_codePoints = DecodeUtf8(text);
    DrawText(x, y, m_codePoints);
}

// The glyphs come from the selected face, those it lacks from the other one, drawn in one
// text object: a string per run of one font, the reader advancing by the glyphs' widths.
void CPdfDevice::DrawText(int x, int y, const std::u32string& text) {
    // A transparent background: blanks leave no mark.
    if (text.find_first_not_of(U' ') == std::u32string::npos || m_fontHeight == 0) return;
    const PdfFontSlot primarySlot = m_symbolFace
                                        ? (m_bold ? PdfFontSlot::SymbolBold : PdfFontSlot::Symbol)
                                        : (m_bold ? PdfFontSlot::Bold : PdfFontSlot::Regular);
    const PdfFontSlot otherSlot = m_symbolFace
                                      ? (m_bold ? PdfFontSlot::Bold : PdfFontSlot::Regular)
                                      : (m_bold ? PdfFontSlot::SymbolBold : PdfFontSlot::Symbol);
    CPdfFont* const primary = m_document.Font(primarySlot);
    if (!primary) return;  // the document reports it when it finishes
    CPdfFont* other = nullptr;
    bool otherTried = false;

    std::vector<Run>& runs = m_runs;
    std::size_t runCount = 0;
    double ascent = static_cast<double>(primary->Ascender()) / primary->UnitsPerEm();
    for (const char32_t c : text) {
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;  // control characters show nothing
        CPdfFont* font = primary;
        unsigned glyph = primary->Glyph(c);
        if (glyph == 0) {
            if (!otherTried) {
                otherTried = true;
                other = m_document.Font(otherSlot);
                if (other == primary) other = nullptr;
            }
            if (other) {
                const unsigned found = other->Glyph(c);
                if (found != 0) font = other, glyph = found;
            }
        }
        font->Use(glyph, c);
        if (runCount == 0 || runs[runCount - 1].font != font) {
            if (runs.size() == runCount) runs.emplace_back();
            runs[runCount].font = font;
            runs[runCount].glyphs.clear();
            ++runCount;
            ascent = std::max(ascent, static_cast<double>(font->Ascender()) / font->UnitsPerEm());
        }
        static const char digits[] = "0123456789ABCDEF";
        const char hex[4] = {digits[(glyph >> 12) & 0xF], digits[(glyph >> 8) & 0xF],
                             digits[(glyph >> 4) & 0xF], digits[glyph & 0xF]};
        runs[runCount - 1].glyphs.append(hex, 4);
    }
    if (runCount == 0) return;

    // The em of a character cell of the selected height; scalable text takes whole units, as
    // the metrics measure it.
    double em = std::abs(static_cast<double>(m_fontHeight)) * primary->EmPerCell();
    if (m_scalableText) {
        em = std::max(1.0, std::round(em));
    } else {
        // Otherwise in whole pixels of the raster the page stands for, as a printer's font.
        const double pixel = m_geometry.thinnestUnits;
        em = std::max(1.0, std::round(em / pixel)) * pixel;
    }
    // (x, y) is the top left corner of the character cell: the baseline lies the font's ascent
    // below, or the tallest face's when the line is laid out to its design metrics.
    const double primaryAscent = static_cast<double>(primary->Ascender()) / primary->UnitsPerEm();
    const double baseline = y - em * (m_scalableText ? ascent : primaryAscent);

    FlushPath();
    ApplyFill();
    if (!m_inText) {
        m_out += "BT\n";
        m_inText = true;
    }
    m_out += "1 0 0 1 ";
    AppendPdfInteger(m_out, x);
    m_out += ' ';
    AppendPdfNumber(m_out, baseline, 2);
    m_out += " Tm";
    for (std::size_t i = 0; i < runCount; ++i) {
        const Run& run = runs[i];
        const int resource = m_document.Resource(run.font);
        if (resource != m_textFont || em != m_textSize) {
            m_out += " /F";
            AppendPdfInteger(m_out, resource);
            m_out += ' ';
            AppendPdfNumber(m_out, em, 3);
            m_out += " Tf";
            m_textFont = resource;
            m_textSize = em;
        }
        m_out += '<';
        m_out += run.glyphs;
        m_out += ">Tj";
    }
    m_out += '\n';
}
