#include "render/svg/svg_device.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

// The families a text names: the face the page draws with first (Arial's metric twin, then
// Arial itself where a viewer has only that), then the face the page takes the glyphs from that
// the first lacks, as the page does.
constexpr std::string_view kPageFamilies = "'Liberation Sans', Arial, 'DejaVu Sans', sans-serif";
constexpr std::string_view kSymbolFamilies = "'DejaVu Sans', 'Liberation Sans', sans-serif";

// Positions and sizes to a hundredth of a unit (0.00001 inch on a page): finer than any viewer
// shows, and the same bytes on every run and in every locale.
constexpr int kDecimals = 2;

void AppendColor(std::string& out, COLORREF color) {
    static const char digits[] = "0123456789abcdef";
    const int channels[] = {GetRValue(color), GetGValue(color), GetBValue(color)};
    out += '#';
    for (const int channel : channels) {
        out += digits[channel >> 4];
        out += digits[channel & 0xF];
    }
}

void AppendAttribute(std::string& out, std::string_view name, double value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendPdfNumber(out, value, kDecimals);
    out += '"';
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Characters that show nothing, and those XML cannot hold (controls, the non-characters
// U+FFFE and U+FFFF): left out of a text.
bool Invisible(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFFFE || c == 0xFFFF;
}

// Character data of XML, from text that may hold anything: what XML cannot hold is left out.
void AppendEscaped(std::string& out, const std::u32string& text) {
    for (const char32_t c : text) {
        if (Invisible(c)) continue;
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            AppendUtf8(out, c);
    }
}

}  // namespace

SvgGeometry ChartPageSvgGeometry() {
    return {};
}

SvgGeometry SurfaceSvgGeometry(int widthPixels, int heightPixels, int unitsPerPixel) {
    SvgGeometry geometry;
    geometry.widthUnits = widthPixels * unitsPerPixel;
    geometry.heightUnits = heightPixels * unitsPerPixel;
    geometry.width = std::to_string(widthPixels);
    geometry.height = std::to_string(heightPixels);
    geometry.thinnestUnits = unitsPerPixel;
    geometry.whiteGround = true;
    return geometry;
}

CSvgDevice::CSvgDevice(std::string& out, CSvgFonts& fonts, const CTextMetrics* metrics)
    : CVectorDevice(metrics), m_out(out), m_fonts(fonts) {}

void CSvgDevice::BeginDocument(const SvgGeometry& geometry, std::string_view title) {
    m_thinnest = geometry.thinnestUnits > 0 ? geometry.thinnestUnits : 1.0;
    m_group = Group::None;
    m_pathOpen = false;
    // What the root sets, every element inherits: no fill unless a group gives one, GDI's round
    // ends and joins, and texts that keep their blanks (the pages align columns with them).
    m_out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    m_out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
    m_out += geometry.width;
    m_out += "\" height=\"";
    m_out += geometry.height;
    m_out += "\" viewBox=\"0 0 ";
    AppendPdfInteger(m_out, geometry.widthUnits);
    m_out += ' ';
    AppendPdfInteger(m_out, geometry.heightUnits);
    m_out +=
        "\" fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\" "
        "xml:space=\"preserve\">\n<title>";
    AppendEscaped(m_out, DecodeUtf8(title));
    m_out += "</title>\n";
    if (geometry.whiteGround) {
        m_out += "<rect width=\"";
        AppendPdfInteger(m_out, geometry.widthUnits);
        m_out += "\" height=\"";
        AppendPdfInteger(m_out, geometry.heightUnits);
        m_out += "\" fill=\"#ffffff\"/>\n";
    }
}

void CSvgDevice::EndDocument() {
    CloseGroup();
    m_out += "</svg>\n";
}

void CSvgDevice::End() {
    FlushPath();
}

void CSvgDevice::FlushPath() {
    if (!m_pathOpen) return;
    m_out += "\"/>\n";
    m_pathOpen = false;
}

void CSvgDevice::CloseGroup() {
    FlushPath();
    if (m_group != Group::None) m_out += "</g>\n";
    m_group = Group::None;
}

// A group's attributes are what changed since the drawing began: the pen's colour and width,
// and its ends only where they are flat.
void CSvgDevice::StrokeGroup() {
    const double width = std::max(std::abs(static_cast<double>(m_width)), m_thinnest);
    if (m_group == Group::Stroke && m_groupColor == m_color && m_groupWidth == width &&
        m_groupFlat == m_flatEnds) {
        return;
    }
    CloseGroup();
    m_out += "<g stroke=\"";
    AppendColor(m_out, m_color);
    m_out += '"';
    AppendAttribute(m_out, "stroke-width", width);
    if (m_flatEnds) m_out += " stroke-linecap=\"butt\"";
    m_out += ">\n";
    m_group = Group::Stroke;
    m_groupColor = m_color;
    m_groupWidth = width;
    m_groupFlat = m_flatEnds;
}

void CSvgDevice::FillGroup() {
    if (m_group == Group::Fill && m_groupColor == m_color) return;
    CloseGroup();
    m_out += "<g fill=\"";
    AppendColor(m_out, m_color);
    m_out += "\">\n";
    m_group = Group::Fill;
    m_groupColor = m_color;
}

void CSvgDevice::TextGroup(bool symbolFace, double em) {
    if (m_group == Group::Text && m_groupColor == m_color && m_groupSymbol == symbolFace &&
        m_groupBold == m_bold && m_groupEm == em) {
        return;
    }
    CloseGroup();
    m_out += "<g fill=\"";
    AppendColor(m_out, m_color);
    m_out += "\" font-family=\"";
    m_out += symbolFace ? kSymbolFamilies : kPageFamilies;
    m_out += '"';
    AppendAttribute(m_out, "font-size", em);
    if (m_bold) m_out += " font-weight=\"bold\"";
    m_out += ">\n";
    m_group = Group::Text;
    m_groupColor = m_color;
    m_groupSymbol = symbolFace;
    m_groupBold = m_bold;
    m_groupEm = em;
}

namespace {

// An integer into a buffer, digits from the end: coordinates are most of a drawing.
char* PutInteger(char* at, long long value) {
    char digits[24];
    char* const end = digits + sizeof digits;
    char* first = end;
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
        *--first = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *at++ = '-';
    while (first != end) *at++ = *first++;
    return at;
}

}  // namespace

void CSvgDevice::Line(int x1, int y1, int x2, int y2) {
    StrokeGroup();
    // SVG's y runs down the page (and -INT_MIN is no int).
    const long long top1 = -static_cast<long long>(y1), top2 = -static_cast<long long>(y2);
    // Segments go into the open path, a new subpath where one does not continue the last: with
    // round ends and joins the ink is that of separate segments (flat ends meet in a round
    // join where one continues another, without the notch of two separate ends).
    char buffer[96];
    char* at = buffer;
    if (!m_pathOpen) {
        for (const char c : std::string_view("<path d=\"M")) *at++ = c;
    } else if (x1 != m_lastX || top1 != m_lastY) {
        *at++ = '\n', *at++ = 'M';
    }
    if (!m_pathOpen || x1 != m_lastX || top1 != m_lastY) {
        at = PutInteger(at, x1);
        *at++ = ' ';
        at = PutInteger(at, top1);
    }
    if (top2 == top1 && x2 != x1) {
        *at++ = 'H';
        at = PutInteger(at, x2);
    } else if (x2 == x1 && top2 != top1) {
        *at++ = 'V';
        at = PutInteger(at, top2);
    } else {
        *at++ = 'L';
        at = PutInteger(at, x2);
        *at++ = ' ';
        at = PutInteger(at, top2);
    }
    m_out.append(buffer, static_cast<std::size_t>(at - buffer));
    m_pathOpen = true;
    m_lastX = x2;
    m_lastY = top2;
}

void CSvgDevice::Circle(int x, int y, int radius, int fill) {
    StrokeGroup();
    FlushPath();
    m_out += "<circle cx=\"";
    AppendPdfInteger(m_out, x);
    m_out += "\" cy=\"";
    AppendPdfInteger(m_out, -static_cast<long long>(y));
    m_out += "\" r=\"";
    AppendPdfInteger(m_out, std::abs(static_cast<long long>(radius)));
    m_out += '"';
    // A disc is filled and outlined in the pen's colour, as the page draws it.
    if (fill == 1) {
        m_out += " fill=\"";
        AppendColor(m_out, m_color);
        m_out += '"';
    }
    m_out += "/>\n";
}

void CSvgDevice::FillRect(int x1, int y1, int x2, int y2) {
    FillGroup();
    double left = std::min(x1, x2), right = std::max(x1, x2);
    double top = -static_cast<double>(std::max(y1, y2)),
           bottom = -static_cast<double>(std::min(y1, y2));
    // Never thinner than a device pixel, as a pen is not.
    if (right - left < m_thinnest) {
        const double middle = (left + right) / 2;
        left = middle - m_thinnest / 2, right = middle + m_thinnest / 2;
    }
    if (bottom - top < m_thinnest) {
        const double middle = (top + bottom) / 2;
        top = middle - m_thinnest / 2, bottom = middle + m_thinnest / 2;
    }
    m_out += "<rect";
    AppendAttribute(m_out, "x", left);
    AppendAttribute(m_out, "y", top);
    AppendAttribute(m_out, "width", right - left);
    AppendAttribute(m_out, "height", bottom - top);
    m_out += "/>\n";
}

void CSvgDevice::Text(int x, int y, std::string_view text) {
    // Chart texts are single-byte: the characters of Latin-1.
    m_codePoints.resize(text.size());
    std::transform(text.begin(), text.end(), m_codePoints.begin(),
                   [](char c) { return static_cast<char32_t>(static_cast<unsigned char>(c)); });
    DrawText(x, y, m_codePoints);
}

void CSvgDevice::TextUtf8(int x, int y, std::string_view text) {
    m_codePoints = DecodeUtf8(text);
    DrawText(x, y, m_codePoints);
}

void CSvgDevice::DrawText(int x, int y, const std::u32string& text) {
    // A transparent background: blanks (and what shows nothing) leave no mark.
    const bool ink = std::any_of(text.begin(), text.end(),
                                 [](char32_t c) { return c != U' ' && !Invisible(c); });
    if (!ink || m_fontHeight == 0) return;
    const PdfFontSlot primary = m_symbolFace
                                    ? (m_bold ? PdfFontSlot::SymbolBold : PdfFontSlot::Symbol)
                                    : (m_bold ? PdfFontSlot::Bold : PdfFontSlot::Regular);
    const PdfFontSlot other = m_symbolFace
                                  ? (m_bold ? PdfFontSlot::Bold : PdfFontSlot::Regular)
                                  : (m_bold ? PdfFontSlot::SymbolBold : PdfFontSlot::Symbol);
    const SvgFaceMetrics& metrics = m_fonts.Metrics(primary);
    // The em of a character cell of the selected height. (x, y) is the top left corner of the
    // cell: the baseline lies the face's ascent below it.
    double em = std::abs(static_cast<double>(m_fontHeight)) * metrics.EmPerCell();
    double ascent = metrics.ascent;
    // The page's font system places the baseline by the font's whole-pixel size on the raster
    // the drawing stands for, whatever fraction of a pixel the em has; the glyphs keep the em.
    double baselineEm = std::max(1.0, std::round(em / m_thinnest)) * m_thinnest;
    if (m_scalableText) {
        // Laid out to the design metrics in whole units, as the metrics measure it: the line's
        // baseline lies below the tallest face that draws any of its characters.
        em = std::max(1.0, std::round(em));
        baselineEm = em;
        for (const char32_t c : text) {
            if (Invisible(c) || c == U' ' || m_fonts.Has(primary, c) || !m_fonts.Has(other, c))
                continue;
            ascent = std::max(ascent, m_fonts.Metrics(other).ascent);
            break;
        }
    }
    TextGroup(m_symbolFace, em);
    m_out += "<text x=\"";
    AppendPdfInteger(m_out, x);
    m_out += "\" y=\"";
    AppendPdfNumber(m_out, -static_cast<double>(y) + baselineEm * ascent, kDecimals);
    m_out += "\">";
    AppendEscaped(m_out, text);
    m_out += "</text>\n";
}
