#pragma once
#include <string_view>

// The ink of a text: the box its glyphs cover, in surface units (0.001 inch), relative to the
// point the text is drawn at (the top-left corner of its character cell). `top` is how far
// below that point the ink starts; an empty text, or one of blanks, has no ink (all zero).
struct TextInk {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

// Measures texts in a chart font (face, character-cell height, bold as SelectFont takes them).
// Layouts that must not let texts touch ask the device they draw on for the font's own metrics.
class CTextMetrics {
public:
    virtual ~CTextMetrics() = default;
    virtual TextInk Measure(std::string_view face, int height, int bold, std::string_view text,
                            bool utf8) const = 0;
};

// A font-free stand-in for devices without a font system (plain traces, tests without Qt):
// every character a cell of 0.6 x 0.75 of the font's height, a little wider when bold. Generous
// on purpose, so that layouts made with it stay apart in the real fonts too.
class CEstimatedTextMetrics : public CTextMetrics {
public:
    TextInk Measure(std::string_view face, int height, int bold, std::string_view text,
                    bool utf8) const override {
        (void)face;
        int characters = 0;
        int lastInk = 0;
        for (unsigned char c : text) {
            if (utf8 && (c & 0xC0) == 0x80) continue;
            ++characters;
            if (c != ' ') lastInk = characters;
        }
        const int cell = height < 0 ? -height : height;
        if (lastInk == 0 || cell == 0) return {};
        const double advance = cell * (bold == 1 ? 0.64 : 0.6);
        return {0, cell / 8, static_cast<int>(advance * lastInk), cell * 3 / 4};
    }
};
