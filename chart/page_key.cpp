// The key at the foot of the modern page: what each symbol stands for, the four hot spots
// with their labels and places, and the whole note where the job block had to cut it.
#include <cstdio>
#include <string>
#include <vector>

#include "chart/chart_dc.h"
#include "chart/chart_state.h"
#include "chart/modern_layout.h"
#include "chart/page_elements.h"
#include "ephemeris/bodies.h"
#include "job/caelvane_doc.h"

namespace {

constexpr int kLeft = 550;
constexpr int kRight = 7450;
constexpr int kTop = 210;      // under the notice line
constexpr int kBottom = -650;  // the foot of the sheet
constexpr int kPitch = 160;
constexpr int kSymbolFont = 120;
constexpr int kNameFont = 110;
constexpr int kGap = 40;       // between a symbol and its name
constexpr int kSpacing = 140;  // between entries

struct KeyEntry {
    std::string symbol;         // UTF-8, in the symbol face
    bool symbolIsText = false;  // a hot spot's digit, in the text face
    std::string name;           // single-byte, in the text face
};

// Entries one after the other, a new row when a row is full. Returns the next row's y.
int FlowEntries(CChartDC& dc, const std::vector<KeyEntry>& entries, int y) {
    int x = kLeft;
    for (const KeyEntry& entry : entries) {
        const TextInk symbol =
            entry.symbolIsText ? dc.MeasureTextIn("Arial", kNameFont, 1, entry.symbol, false)
                               : dc.MeasureTextIn(kSymbolFace, kSymbolFont, 0, entry.symbol, true);
        const std::string name = ElideToWidth(dc, entry.name, kRight - kLeft - symbol.width - kGap);
        const TextInk text = dc.MeasureTextIn("Arial", kNameFont, 0, name, false);
        const int width = symbol.left + symbol.width + kGap + text.width;
        if (x > kLeft && x + width > kRight) {
            x = kLeft;
            y -= kPitch;
        }
        if (y < kBottom) return y;
        if (entry.symbolIsText) {
            dc.SelectChartFont("Arial", kNameFont, 1);
            dc.DrawText(x, y, entry.symbol);
        } else {
            dc.SelectChartFont(kSymbolFace, kSymbolFont, 0);
            dc.DrawTextUtf8(x, y - 10, entry.symbol);
        }
        dc.SelectChartFont("Arial", kNameFont, 0);
        const int nameX = x + symbol.left + symbol.width + kGap - text.left;
        if (!name.empty()) dc.DrawText(nameX, y, name);
        x += width + kSpacing;
    }
    return y - kPitch;
}

}  // namespace

void DrawPageKey(CChartDC& dc, const ChartState& state) {
    if (!dc.Modern()) return;
    dc.SetColor(state.ElementColor(state.colorWheelText));
    std::vector<KeyEntry> bodies;
    for (const Body& body : Bodies()) bodies.push_back({body.glyph, false, body.name});
    bodies.push_back({"\u211E", false, "retrograde"});
    int y = FlowEntries(dc, bodies, kTop);

    std::vector<KeyEntry> signs;
    for (int sign = 0; sign < 12; ++sign)
        signs.push_back({ZodiacSignGlyph(sign), false, ZodiacSignName(sign)});
    y = FlowEntries(dc, signs, y);

    dc.SetColor(state.ElementColor(state.colorCurrentText));
    std::vector<KeyEntry> spots;
    for (int k = 0; k < 4; ++k) {
        const std::string label = state.hotSpotLabel[k].substr(0, state.hotSpotLabel[k].find('\0'));
        char degrees[32];
        std::snprintf(degrees, sizeof degrees, "%.2f", state.hotSpotDegree[k]);
        spots.push_back({std::string(1, static_cast<char>('1' + k)), true,
                         (label.empty() ? std::string("hot spot") : label) + " at " + degrees});
    }
    y = FlowEntries(dc, spots, y);

    // The whole note, where the job block had no room for it.
    const std::string note = state.note.substr(0, state.note.find('\0'));
    dc.SelectChartFont("Arial", kModernJobFontForKey, 1);
    if (note.find_first_not_of(' ') == std::string::npos ||
        dc.MeasureText("Note: " + note).width <= kModernNoteWidth) {
        return;
    }
    dc.SetColor(state.ElementColor(state.colorNoteText));
    dc.SelectChartFont("Arial", kNameFont, 0);
    for (const std::string& line : WrapToWidth(dc, "Note: " + note, kRight - kLeft)) {
        if (y < kBottom) break;
        dc.DrawText(kLeft, y, line);
        y -= kPitch;
    }
}
