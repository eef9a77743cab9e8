#include "render/pdf/pdf_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <set>

namespace {

constexpr std::uint32_t Tag(char a, char b, char c, char d) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d));
}

unsigned Read16(const std::string& bytes, std::size_t at) {
    if (at + 2 > bytes.size()) return 0;
    return (static_cast<unsigned char>(bytes[at]) << 8) | static_cast<unsigned char>(bytes[at + 1]);
}

std::uint32_t Read32(const std::string& bytes, std::size_t at) {
    return (static_cast<std::uint32_t>(Read16(bytes, at)) << 16) | Read16(bytes, at + 2);
}

void Put16(std::string& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<char>((value >> 8) & 0xFF);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}

void Append16(std::string& bytes, unsigned value) {
    bytes += static_cast<char>((value >> 8) & 0xFF);
    bytes += static_cast<char>(value & 0xFF);
}

void Append32(std::string& bytes, std::uint32_t value) {
    Append16(bytes, value >> 16);
    Append16(bytes, value & 0xFFFF);
}

std::uint32_t Checksum(const std::string& bytes) {
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 4) {
        std::uint32_t word = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            word <<= 8;
            if (at + i < bytes.size()) word |= static_cast<unsigned char>(bytes[at + i]);
        }
        sum += word;
    }
    return sum;
}

// Where glyph `glyph` lies in glyf, or false when loca says nothing sensible about it.
bool GlyphRange(const std::string& loca, int locaFormat, unsigned glyph, std::size_t glyfSize,
                std::size_t& begin, std::size_t& end) {
    if (locaFormat == 0) {
        if ((glyph + 2) * 2 > loca.size()) return false;
        begin = Read16(loca, glyph * 2) * std::size_t{2};
        end = Read16(loca, (glyph + 1) * 2) * std::size_t{2};
    } else {
        if ((glyph + 2) * 4 > loca.size()) return false;
        begin = Read32(loca, glyph * 4);
        end = Read32(loca, (glyph + 1) * 4);
    }
    return begin <= end && end <= glyfSize;
}

}  // namespace

std::vector<unsigned> CloseOverComposites(const std::vector<unsigned>& glyphs,
                                          const std::string& glyf, const std::string& loca,
                                          int locaFormat, unsigned glyphCount) {
    std::set<unsigned> closed;
    std::vector<unsigned> pending;
    for (unsigned glyph : glyphs)
        if (glyph < glyphCount) pending.push_back(glyph);
    while (!pending.empty()) {
        const unsigned glyph = pending.back();
        pending.pop_back();
        if (!closed.insert(glyph).second) continue;
        std::size_t begin = 0, end = 0;
        if (!GlyphRange(loca, locaFormat, glyph, glyf.size(), begin, end) || end - begin < 10)
            continue;
        if (static_cast<std::int16_t>(Read16(glyf, begin)) >= 0) continue;  // simple glyph
        // Components: flags, glyph, two arguments (bytes or words), an optional transform.
        std::size_t at = begin + 10;
        for (;;) {
            if (at + 4 > end) break;
            const unsigned flags = Read16(glyf, at);
            const unsigned component = Read16(glyf, at + 2);
            if (component < glyphCount && !closed.count(component)) pending.push_back(component);
            at += 4 + ((flags & 0x0001) ? 4 : 2);
            if (flags & 0x0008)
                at += 2;
            else if (flags & 0x0040)
                at += 4;
            else if (flags & 0x0080)
                at += 8;
            if (!(flags & 0x0020)) break;
        }
    }
    return {closed.begin(), closed.end()};
}

std::unique_ptr<CPdfFont> CPdfFont::Open(const std::string& path, std::string& error) {
    std::unique_ptr<CPdfFont> font(new CPdfFont());
    font->m_path = path;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        error = "cannot start the font library for " + path;
        return nullptr;
    }
    font->m_library = library;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        error = "cannot read the font " + path;
        return nullptr;
    }
    font->m_face = face;
    std::string glyf;
    if (!FT_IS_SFNT(face) || !FT_IS_SCALABLE(face) ||
        (glyf = font->Table(Tag('g', 'l', 'y', 'f'))).empty() || face->units_per_EM == 0) {
        error = "not a TrueType font: " + path;
        return nullptr;
    }
    const char* name = FT_Get_Postscript_Name(face);
    font->m_postScriptName = name ? name : "Font";
    font->m_postScriptName.erase(
        std::remove_if(font->m_postScriptName.begin(), font->m_postScriptName.end(),
                       [](char c) { return c <= ' ' || c > '~' || c == '/' || c == '%'; }),
        font->m_postScriptName.end());
    font->m_unitsPerEm = face->units_per_EM;
    font->m_ascender = face->ascender;
    font->m_descender = face->descender;
    font->m_fontBox = {static_cast<int>(face->bbox.xMin), static_cast<int>(face->bbox.yMin),
                       static_cast<int>(face->bbox.xMax), static_cast<int>(face->bbox.yMax)};
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    font->m_capHeight = os2 && os2->version >= 2 ? os2->sCapHeight : font->m_ascender;
    font->m_advances.assign(static_cast<std::size_t>(face->num_glyphs), -1);
    font->m_drawn.assign(static_cast<std::size_t>(face->num_glyphs), false);
    return font;
}

CPdfFont::~CPdfFont() {
    if (m_face) FT_Done_Face(static_cast<FT_Face>(m_face));
    if (m_library) FT_Done_FreeType(static_cast<FT_Library>(m_library));
}

double CPdfFont::EmPerCell() const {
    const int cell = m_ascender - m_descender;
    return cell > 0 ? static_cast<double>(m_unitsPerEm) / cell : 1.0;
}

unsigned CPdfFont::Glyph(char32_t codePoint) const {
    // Chart texts are Latin-1: those are looked up once, in a table.
    if (codePoint < 256) {
        if (m_latinGlyphs.empty()) m_latinGlyphs.assign(256, -1);
        int& glyph = m_latinGlyphs[codePoint];
        if (glyph < 0)
            glyph = static_cast<int>(FT_Get_Char_Index(static_cast<FT_Face>(m_face), codePoint));
        return static_cast<unsigned>(glyph);
    }
    auto found = m_glyphs.find(codePoint);
    if (found != m_glyphs.end()) return found->second;
    const unsigned glyph = FT_Get_Char_Index(static_cast<FT_Face>(m_face), codePoint);
    m_glyphs.emplace(codePoint, glyph);
    return glyph;
}

int CPdfFont::Advance(unsigned glyph) const {
    if (glyph >= m_advances.size()) return 0;
    int& advance = m_advances[glyph];
    if (advance < 0) {
        const auto face = static_cast<FT_Face>(m_face);
        advance = FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0
                      ? static_cast<int>(face->glyph->metrics.horiAdvance)
                      : 0;
    }
    return advance;
}

CPdfFont::Box CPdfFont::GlyphBox(unsigned glyph) const {
    const auto face = static_cast<FT_Face>(m_face);
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return {};
    const FT_Glyph_Metrics& metrics = face->glyph->metrics;
    if (metrics.width <= 0 || metrics.height <= 0) return {};
    const int left = static_cast<int>(metrics.horiBearingX);
    const int top = static_cast<int>(metrics.horiBearingY);
    return {left, top - static_cast<int>(metrics.height), left + static_cast<int>(metrics.width),
            top};
}

void CPdfFont::Use(unsigned glyph, char32_t codePoint) {
    if (glyph < m_drawn.size() && m_drawn[glyph]) return;
    if (glyph < m_drawn.size()) m_drawn[glyph] = true;
    m_used.emplace(glyph, codePoint);
}

std::string CPdfFont::Table(std::uint32_t tag) const {
    const auto face = static_cast<FT_Face>(m_face);
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) != 0 || length == 0) return {};
    std::string bytes(length, '\0');
    if (FT_Load_Sfnt_Table(face, tag, 0, reinterpret_cast<FT_Byte*>(bytes.data()), &length) != 0)
        return {};
    return bytes;
}

std::string CPdfFont::SubsetTag() const {
    // FNV-1a over the glyph numbers: the same subset, the same name.
    std::uint64_t hash = 1469598103934665603ULL;
    for (const auto& [glyph, codePoint] : m_used) {
        (void)codePoint;
        hash = (hash ^ glyph) * 1099511628211ULL;
    }
    std::string tag;
    for (int i = 0; i < 6; ++i) {
        tag += static_cast<char>('A' + hash % 26);
        hash /= 26;
    }
    return tag;
}

std::string CPdfFont::SubsetBytes(std::string& error) const {
    const std::string head = Table(Tag('h', 'e', 'a', 'd'));
    const std::string hhea = Table(Tag('h', 'h', 'e', 'a'));
    const std::string maxp = Table(Tag('m', 'a', 'x', 'p'));
    const std::string hmtx = Table(Tag('h', 'm', 't', 'x'));
    const std::string loca = Table(Tag('l', 'o', 'c', 'a'));
    const std::string glyf = Table(Tag('g', 'l', 'y', 'f'));
    if (head.size() < 54 || hhea.size() < 36 || maxp.size() < 6 || loca.empty() || glyf.empty()) {
        error = "the font " + m_path + " lacks the tables of a TrueType font";
        return {};
    }
    const int locaFormat = static_cast<int>(Read16(head, 50));
    const unsigned glyphCount = Read16(maxp, 4);
    const unsigned metricCount = Read16(hhea, 34);
    if (metricCount == 0 || hmtx.size() < metricCount * std::size_t{4}) {
        error = "the font " + m_path + " has broken horizontal metrics";
        return {};
    }
    std::vector<unsigned> wanted{0};
    for (const auto& [glyph, codePoint] : m_used) {
        (void)codePoint;
        wanted.push_back(glyph);
    }
    const std::vector<unsigned> glyphs =
        CloseOverComposites(wanted, glyf, loca, locaFormat, glyphCount);
    // Glyphs keep their numbers; the font ends after the highest one drawn.
    const unsigned count = glyphs.empty() ? 1 : glyphs.back() + 1;

    std::string newGlyf;
    std::string newLoca;
    std::size_t next = 0;
    for (unsigned glyph = 0; glyph < count; ++glyph) {
        Append32(newLoca, static_cast<std::uint32_t>(newGlyf.size()));
        if (next < glyphs.size() && glyphs[next] == glyph) {
            ++next;
            std::size_t begin = 0, end = 0;
            if (GlyphRange(loca, locaFormat, glyph, glyf.size(), begin, end)) {
                newGlyf.append(glyf, begin, end - begin);
                while (newGlyf.size() % 4) newGlyf += '\0';
            }
        }
    }
    Append32(newLoca, static_cast<std::uint32_t>(newGlyf.size()));

    std::string newHead = head;
    Put16(newHead, 8, 0), Put16(newHead, 10, 0);  // checkSumAdjustment, set below
    Put16(newHead, 50, 1);                        // long loca
    std::string newMaxp = maxp;
    Put16(newMaxp, 4, count);
    std::string newHhea = hhea;
    const unsigned newMetrics = std::min(metricCount, count);
    Put16(newHhea, 34, newMetrics);
    std::string newHmtx = hmtx.substr(0, newMetrics * std::size_t{4});
    for (unsigned glyph = newMetrics; glyph < count; ++glyph) {
        // Past the long metrics only left side bearings follow.
        const std::size_t at = metricCount * std::size_t{4} + (glyph - metricCount) * 2;
        Append16(newHmtx, Read16(hmtx, at));
    }

    std::vector<std::pair<std::uint32_t, std::string>> tables = {
        {Tag('g', 'l', 'y', 'f'), newGlyf}, {Tag('h', 'e', 'a', 'd'), newHead},
        {Tag('h', 'h', 'e', 'a'), newHhea}, {Tag('h', 'm', 't', 'x'), newHmtx},
        {Tag('l', 'o', 'c', 'a'), newLoca}, {Tag('m', 'a', 'x', 'p'), newMaxp}};
    // The hinting programs, where the font has them: the glyphs' instructions call them.
    for (const std::uint32_t tag :
         {Tag('c', 'v', 't', ' '), Tag('f', 'p', 'g', 'm'), Tag('p', 'r', 'e', 'p')}) {
        std::string bytes = Table(tag);
        if (!bytes.empty()) tables.emplace_back(tag, std::move(bytes));
    }
    std::sort(tables.begin(), tables.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });

    const unsigned tableCount = static_cast<unsigned>(tables.size());
    unsigned power = 1, log2 = 0;
    while (power * 2 <= tableCount) power *= 2, ++log2;
    std::string font;
    Append32(font, 0x00010000);
    Append16(font, tableCount);
    Append16(font, power * 16);
    Append16(font, log2);
    Append16(font, tableCount * 16 - power * 16);
    std::size_t offset = 12 + tableCount * std::size_t{16};
    std::size_t headOffset = 0;
    for (const auto& [tag, bytes] : tables) {
        Append32(font, tag);
        Append32(font, Checksum(bytes));
        Append32(font, static_cast<std::uint32_t>(offset));
        Append32(font, static_cast<std::uint32_t>(bytes.size()));
        if (tag == Tag('h', 'e', 'a', 'd')) headOffset = offset;
        offset += (bytes.size() + 3) / 4 * 4;
    }
    for (const auto& [tag, bytes] : tables) {
        (void)tag;
        font += bytes;
        while (font.size() % 4) font += '\0';
    }
    const std::uint32_t adjustment = 0xB1B0AFBAu - Checksum(font);
    Put16(font, headOffset + 8, adjustment >> 16);
    Put16(font, headOffset + 10, adjustment & 0xFFFF);
    return font;
}
