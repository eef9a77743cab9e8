#pragma once
// One TrueType font file as a PDF document uses it: code points to glyphs, advances and
// vertical metrics in font units (FreeType reads the file), the glyphs a document has drawn,
// and those glyphs written out as a subset font (the tables a PDF reader needs, every glyph
// that was not drawn emptied).
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CPdfFont {
public:
    // Opens `path`; nullptr with `error` naming the file when it is no TrueType font.
    static std::unique_ptr<CPdfFont> Open(const std::string& path, std::string& error);
    ~CPdfFont();
    CPdfFont(const CPdfFont&) = delete;
    CPdfFont& operator=(const CPdfFont&) = delete;

    const std::string& Path() const { return m_path; }
    // The PostScript name (no spaces), e.g. "LiberationSans-Bold".
    const std::string& PostScriptName() const { return m_postScriptName; }
    int UnitsPerEm() const { return m_unitsPerEm; }
    // The horizontal header's ascender (positive, up) and descender (negative), font units:
    // a character cell is their distance.
    int Ascender() const { return m_ascender; }
    int Descender() const { return m_descender; }
    // The em per character-cell height.
    double EmPerCell() const;

    // The glyph of a code point, 0 when the font has none.
    unsigned Glyph(char32_t codePoint) const;
    // The advance of a glyph in font units.
    int Advance(unsigned glyph) const;
    // The outline's box of a glyph in font units, y up: xMin, yMin, xMax, yMax; all zero for
    // a glyph without ink (a blank).
    struct Box {
        int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    };
    Box GlyphBox(unsigned glyph) const;

    // Marks a glyph as drawn, for the code point it shows (for text extraction).
    void Use(unsigned glyph, char32_t codePoint);
    const std::map<unsigned, char32_t>& Used() const { return m_used; }

    // A TrueType font holding the drawn glyphs (and the glyphs they are composed of) under
    // their own numbers, and glyph 0; empty with `error` set when the file cannot be read.
    std::string SubsetBytes(std::string& error) const;
    // Six capital letters naming this subset (the same glyphs give the same tag).
    std::string SubsetTag() const;
    // The font's box in font units and its cap height, for the font descriptor.
    Box FontBox() const { return m_fontBox; }
    int CapHeight() const { return m_capHeight; }

private:
    CPdfFont() = default;
    std::string Table(std::uint32_t tag) const;

    std::string m_path;
    std::string m_postScriptName;
    int m_unitsPerEm = 1000;
    int m_ascender = 0;
    int m_descender = 0;
    int m_capHeight = 0;
    Box m_fontBox;
    void* m_library = nullptr;  // FT_Library
    void* m_face = nullptr;     // FT_Face
    mutable std::map<char32_t, unsigned> m_glyphs;
    mutable std::vector<int> m_latinGlyphs;  // the glyphs of code points below 256, -1 unread
    std::vector<bool> m_drawn;               // by glyph: in m_used
    mutable std::vector<int> m_advances;     // by glyph, -1 not yet read
    std::map<unsigned, char32_t> m_used;
};

// Glyph lists of a subset: `glyphs` and every glyph that a composite among them is built
// from, given the font's glyf and loca tables (loca in the format head names: 0 short, 1 long).
// Glyphs out of range, and references out of the tables, are left out.
std::vector<unsigned> CloseOverComposites(const std::vector<unsigned>& glyphs,
                                          const std::string& glyf, const std::string& loca,
                                          int locaFormat, unsigned glyphCount);
