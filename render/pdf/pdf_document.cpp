#include "render/pdf/pdf_document.h"

#include <libdeflate.h>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Content streams are text of a few kinds of operators. Level 1 makes a year of pages 12% larger
// than level 4 in less than half its time, and 18% larger than level 6 in a fifth.
constexpr int kDeflateLevel = 1;

// Fixed objects; the rest are numbered as they come.
constexpr int kCatalog = 1;
constexpr int kPageTree = 2;
constexpr int kResources = 3;
constexpr int kInfo = 4;

void AppendHex4(std::string& out, unsigned value) {
    static const char digits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(value >> shift) & 0xF];
}

void AppendUtf16Hex(std::string& out, char32_t codePoint) {
    if (codePoint >= 0x10000) {
        const char32_t v = codePoint - 0x10000;
        AppendHex4(out, 0xD800 + (v >> 10));
        AppendHex4(out, 0xDC00 + (v & 0x3FF));
    } else {
        AppendHex4(out, codePoint);
    }
}

}  // namespace

// Coordinates make up most of a content stream: written digit by digit, from the end.
void AppendPdfInteger(std::string& out, long long value) {
    char digits[24];
    char* end = digits + sizeof digits;
    char* at = end;
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
        *--at = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--at = '-';
    out.append(at, static_cast<std::size_t>(end - at));
}

void AppendPdfNumber(std::string& out, double value, int decimals) {
    double scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const long long scaled = std::llround(value * scale);
    if (scaled % static_cast<long long>(scale) == 0) {
        AppendPdfInteger(out, scaled / static_cast<long long>(scale));
        return;
    }
    char digits[40];
    const auto result = std::to_chars(digits, digits + sizeof digits, scaled / scale,
                                      std::chars_format::fixed, decimals);
    const char* end = result.ptr;
    while (end > digits && end[-1] == '0') --end;
    out.append(digits, static_cast<std::size_t>(end - digits));
}

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80           ? 1
                     : (lead >> 5) == 0x6  ? 2
                     : (lead >> 4) == 0xE  ? 3
                     : (lead >> 3) == 0x1E ? 4
                                           : 0;
        char32_t value = length == 1   ? lead
                         : length == 2 ? lead & 0x1F
                         : length == 3 ? lead & 0x0F
                                       : lead & 0x07;
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            value = (value << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are no valid sequence either.
        static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid &&
            (value < kLeast[length] || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000))) {
            valid = false;
        }
        if (!valid) {
            out += lead;
            ++i;
        } else {
            out += value;
            i += static_cast<std::size_t>(length);
        }
    }
    return out;
}

std::string PdfTextString(std::string_view utf8) {
    bool plain = true;
    for (const char c : utf8) plain = plain && c >= ' ' && c <= '~';
    std::string out;
    if (plain) {
        out += '(';
        for (const char c : utf8) {
            if (c == '(' || c == ')' || c == '\\') out += '\\';
            out += c;
        }
        out += ')';
        return out;
    }
    out = "<FEFF";
    for (const char32_t c : DecodeUtf8(utf8)) AppendUtf16Hex(out, c);
    out += '>';
    return out;
}

CPdfDocument::CPdfDocument(Sink sink, PdfFontFiles fonts, std::string title)
    : m_sink(std::move(sink)), m_files(std::move(fonts)), m_title(std::move(title)) {
    m_positions.assign(kInfo + 1, 0);
    m_compressor = libdeflate_alloc_compressor(kDeflateLevel);
    // The binary marker tells transfer programs that the file is not text.
    Emit("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

CPdfDocument::~CPdfDocument() {
    if (m_compressor) libdeflate_free_compressor(static_cast<libdeflate_compressor*>(m_compressor));
}

int CPdfDocument::NewObject() {
    m_positions.push_back(0);
    return static_cast<int>(m_positions.size()) - 1;
}

bool CPdfDocument::Emit(std::string_view bytes) {
    if (m_failed) return false;
    if (!m_sink(bytes)) {
        m_failed = true;
        if (m_error.empty()) m_error = "cannot write the PDF document";
        return false;
    }
    m_offset += bytes.size();
    return true;
}

bool CPdfDocument::BeginObject(int number) {
    m_positions[static_cast<std::size_t>(number)] = m_offset;
    std::string header;
    AppendPdfInteger(header, number);
    header += " 0 obj\n";
    return Emit(header);
}

std::string_view CPdfDocument::Deflate(std::string_view bytes) {
    auto* compressor = static_cast<libdeflate_compressor*>(m_compressor);
    if (!compressor) return {};
    // The buffer only grows: filling it anew for every page would cost more than the bytes.
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor, bytes.size());
    if (m_packed.size() < bound) m_packed.resize(bound);
    const std::size_t size =
        libdeflate_zlib_compress(compressor, bytes.data(), bytes.size(), m_packed.data(), bound);
    return {m_packed.data(), size};
}

bool CPdfDocument::WriteStream(int number, std::string_view dictionary, std::string_view data,
                               bool compress) {
    std::string_view packed;
    if (compress) {
        packed = Deflate(data);
        compress = !packed.empty();
    }
    const std::string_view body = compress ? packed : data;
    m_buffer.clear();
    AppendPdfInteger(m_buffer, number);
    m_buffer += " 0 obj\n<<";
    m_buffer += dictionary;
    if (compress) m_buffer += "/Filter/FlateDecode";
    m_buffer += "/Length ";
    AppendPdfInteger(m_buffer, static_cast<long long>(body.size()));
    m_buffer += ">>\nstream\n";
    m_positions[static_cast<std::size_t>(number)] = m_offset;
    return Emit(m_buffer) && Emit(body) && Emit("\nendstream\nendobj\n");
}

void CPdfDocument::BeginPage(double widthPoints, double heightPoints) {
    m_pageWidth = widthPoints;
    m_pageHeight = heightPoints;
    m_content.clear();
}

bool CPdfDocument::EndPage() {
    const int content = NewObject();
    const int page = NewObject();
    if (!WriteStream(content, "", m_content, true)) return false;
    std::string object;
    object += "<</Type /Page /Parent 2 0 R /Resources 3 0 R /MediaBox [0 0 ";
    AppendPdfNumber(object, m_pageWidth);
    object += ' ';
    AppendPdfNumber(object, m_pageHeight);
    object += "] /Contents ";
    AppendPdfInteger(object, content);
    object += " 0 R>>\nendobj\n";
    if (!BeginObject(page) || !Emit(object)) return false;
    m_pages.push_back(page);
    m_content.clear();
    return true;
}

CPdfFont* CPdfDocument::Font(PdfFontSlot slot) {
    // Nearest first: the same face in the other weight, then the other face.
    static constexpr int kOrder[4][4] = {{0, 1, 2, 3}, {1, 0, 3, 2}, {2, 3, 0, 1}, {3, 2, 1, 0}};
    for (const int candidate : kOrder[static_cast<int>(slot)]) {
        if (!m_fontTried[candidate]) {
            m_fontTried[candidate] = true;
            const std::string& path = candidate == 0   ? m_files.regular
                                      : candidate == 1 ? m_files.bold
                                      : candidate == 2 ? m_files.symbol
                                                       : m_files.symbolBold;
            if (!path.empty()) {
                std::string error;
                m_fonts[candidate] = CPdfFont::Open(path, error);
                if (!m_fonts[candidate] && m_error.empty()) m_error = error;
            }
        }
        if (m_fonts[candidate]) {
            if (m_fontObject[candidate] == 0) m_fontObject[candidate] = NewObject();
            return m_fonts[candidate].get();
        }
    }
    if (m_error.empty()) m_error = "no font to draw text with (Liberation Sans or DejaVu Sans)";
    // A document without its texts is no document: it fails as a whole.
    m_failed = true;
    return nullptr;
}

int CPdfDocument::Resource(const CPdfFont* font) const {
    for (int slot = 0; slot < 4; ++slot)
        if (m_fonts[slot].get() == font) return slot;
    return 0;
}

// A Type 0 font over a CIDFontType2 with identity glyph numbering: text is written as glyph
// numbers, so any glyph of the file can be shown; the ToUnicode map gives the text back.
bool CPdfDocument::WriteFont(int slot) {
    const CPdfFont& font = *m_fonts[slot];
    const int type0 = m_fontObject[slot];
    const int cidFont = NewObject();
    const int descriptor = NewObject();
    const int file = NewObject();
    const int toUnicode = NewObject();
    std::string error;
    const std::string subset = font.SubsetBytes(error);
    if (subset.empty()) {
        m_error = error;
        m_failed = true;
        return false;
    }
    const std::string name = font.SubsetTag() + "+" + font.PostScriptName();
    const double perUnit = 1000.0 / font.UnitsPerEm();

    std::string object =
        "<</Type/Font/Subtype/Type0/BaseFont/" + name + "/Encoding/Identity-H/DescendantFonts[";
    AppendPdfInteger(object, cidFont);
    object += " 0 R]/ToUnicode ";
    AppendPdfInteger(object, toUnicode);
    object += " 0 R>>\nendobj\n";
    if (!BeginObject(type0) || !Emit(object)) return false;

    object = "<</Type/Font/Subtype/CIDFontType2/BaseFont/" + name +
             "/CIDSystemInfo<</Registry(Adobe)/Ordering(Identity)/Supplement 0>>/FontDescriptor ";
    AppendPdfInteger(object, descriptor);
    object += " 0 R/CIDToGIDMap/Identity/W[";
    // Runs of consecutive glyphs share one list of widths.
    unsigned previous = 0;
    bool open = false;
    for (const auto& [glyph, codePoint] : font.Used()) {
        (void)codePoint;
        if (!open || glyph != previous + 1) {
            if (open) object += ']';
            AppendPdfInteger(object, glyph);
            object += '[';
            open = true;
        } else {
            object += ' ';
        }
        AppendPdfNumber(object, font.Advance(glyph) * perUnit, 2);
        previous = glyph;
    }
    if (open) object += ']';
    object += "]>>\nendobj\n";
    if (!BeginObject(cidFont) || !Emit(object)) return false;

    const CPdfFont::Box box = font.FontBox();
    object = "<</Type/FontDescriptor/FontName/" + name + "/Flags 32/FontBBox[";
    for (const int value : {box.xMin, box.yMin, box.xMax, box.yMax}) {
        AppendPdfNumber(object, value * perUnit, 0);
        object += ' ';
    }
    object.back() = ']';
    object += "/ItalicAngle 0/Ascent ";
    AppendPdfNumber(object, font.Ascender() * perUnit, 0);
    object += "/Descent ";
    AppendPdfNumber(object, font.Descender() * perUnit, 0);
    object += "/CapHeight ";
    AppendPdfNumber(object, font.CapHeight() * perUnit, 0);
    object += "/StemV 80/FontFile2 ";
    AppendPdfInteger(object, file);
    object += " 0 R>>\nendobj\n";
    if (!BeginObject(descriptor) || !Emit(object)) return false;

    std::string length1 = "/Length1 ";
    AppendPdfInteger(length1, static_cast<long long>(subset.size()));
    if (!WriteStream(file, length1, subset, true)) return false;

    std::string cmap =
        "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n"
        "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000><FFFF>\nendcodespacerange\n";
    const auto& used = font.Used();
    auto it = used.begin();
    while (it != used.end()) {
        // At most 100 entries to a block.
        std::string block;
        int count = 0;
        for (; it != used.end() && count < 100; ++it, ++count) {
            block += '<';
            AppendHex4(block, it->first);
            block += "><";
            AppendUtf16Hex(block, it->second);
            block += ">\n";
        }
        AppendPdfInteger(cmap, count);
        cmap += " beginbfchar\n" + block + "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n";
    return WriteStream(toUnicode, "", cmap, true);
}

bool CPdfDocument::Finish() {
    if (m_failed) return false;
    std::string resources = "<</ProcSet[/PDF/Text]/Font<<";
    for (int slot = 0; slot < 4; ++slot) {
        if (m_fontObject[slot] == 0) continue;
        if (!WriteFont(slot)) return false;
        resources += "/F";
        AppendPdfInteger(resources, slot);
        resources += ' ';
        AppendPdfInteger(resources, m_fontObject[slot]);
        resources += " 0 R";
    }
    resources += ">>>>\nendobj\n";
    if (!BeginObject(kResources) || !Emit(resources)) return false;

    std::string tree = "<</Type/Pages/Kids[";
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        if (i) tree += ' ';
        AppendPdfInteger(tree, m_pages[i]);
        tree += " 0 R";
    }
    tree += "]/Count ";
    AppendPdfInteger(tree, static_cast<long long>(m_pages.size()));
    tree += ">>\nendobj\n";
    if (!BeginObject(kPageTree) || !Emit(tree)) return false;
    if (!BeginObject(kCatalog) || !Emit("<</Type/Catalog/Pages 2 0 R>>\nendobj\n")) return false;
    const std::string info =
        "<</Title" + PdfTextString(m_title) + "/Creator(Caelvane)/Producer(Caelvane)>>\nendobj\n";
    if (!BeginObject(kInfo) || !Emit(info)) return false;

    const std::size_t xref = m_offset;
    std::string table = "xref\n0 ";
    AppendPdfInteger(table, static_cast<long long>(m_positions.size()));
    table += "\n0000000000 65535 f \n";
    for (std::size_t number = 1; number < m_positions.size(); ++number) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", m_positions[number]);
        table += entry;
    }
    table += "trailer\n<</Size ";
    AppendPdfInteger(table, static_cast<long long>(m_positions.size()));
    table += "/Root 1 0 R/Info 4 0 R>>\nstartxref\n";
    AppendPdfInteger(table, static_cast<long long>(xref));
    table += "\n%%EOF\n";
    return Emit(table);
}
