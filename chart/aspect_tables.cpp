// The latitude column, the extra entries' labels and the two triangular aspect tables.
#include <cstdio>
#include <string>
#include <string_view>

#include "chart/chart_dc.h"
#include "chart/chart_math.h"
#include "chart/chart_state.h"
#include "chart/modern_layout.h"
#include "chart/page_elements.h"
#include "ephemeris/bodies.h"
#include "ephemeris/positions.h"
#include "job/caelvane_doc.h"

namespace {

constexpr const char* kHelioGlyphs = "-MVERJSUNPTOC1234";
constexpr const char* kGeoGlyphs = "-MVHRJSUNPTOC1234";
constexpr int kEntries = 15;  // twelve bodies and three extra entries

// A label is printed as a C string: it ends at its first NUL byte.
std::string_view AsCString(const std::string& text) {
    return std::string_view(text.c_str());
}

// ---- significant aspects -------------------------------------------------------------------

struct AspectSlot {
    double angle;
    unsigned char wanted;  // the job's flag cut to a byte, as the slot holds it
};

constexpr int kSlotCount = 25;
constexpr double kOrb = 3.0;
// The fixed angles of slots 4..24 (slot 24, 360, shares the 0-degree flag).
constexpr int kFixedAngles[21] = {0,   30,  45,  60,  72,  90,  120, 135, 144, 150, 180,
                                  210, 216, 225, 240, 270, 288, 300, 315, 330, 360};

int SelectedFlag(const CCaelvaneDoc& doc, int angle) {
    if (angle == 360) angle = 0;
    for (int index = 0; index < 20; ++index)
        if (kAspectAngleByIndex[index] == angle) return doc.m_aspectSelected[index];
    return 0;
}

void BuildSlots(const CCaelvaneDoc& doc, AspectSlot (&slots)[kSlotCount]) {
    for (int s = 0; s < 4; ++s)
        slots[s] = {doc.m_customAspect[s],
                    static_cast<unsigned char>(doc.m_customAspectEnabled[s])};
    for (int s = 4; s < kSlotCount; ++s)
        slots[s] = {static_cast<double>(kFixedAngles[s - 4]),
                    static_cast<unsigned char>(SelectedFlag(doc, kFixedAngles[s - 4]))};
}

// Within the orb, both ends open. At exactly 0 the window starts at 0 and at exactly 360 it
// ends at 360, so an arc of 0 is never an aspect and the conjunction is caught from both sides.
bool IsSignificant(const AspectSlot (&slots)[kSlotCount], double arc) {
    for (const AspectSlot& slot : slots) {
        if (slot.wanted != 1) continue;
        const double lower = slot.angle == 0.0 ? 0.0 : slot.angle - kOrb;
        const double upper = slot.angle == 360.0 ? 360.0 : slot.angle + kOrb;
        if (lower < arc && arc < upper) return true;
    }
    return false;
}

// ---- the tables ----------------------------------------------------------------------------

enum class Table { kUpperCurrent, kLowerCurrent, kUpperNatal, kLowerNatal };

double Period(int entry) {
    return OrbitalPeriod(entry);
}

// The arc of cell (row i, column j), in degrees.
double CellArc(Table table, const EntryLongitudes& current, const EntryLongitudes& natal, int i,
               int j) {
    const double* L = current.helio;
    const double* G = current.geo;
    const double* NL = natal.helio;
    const double* NG = natal.geo;
    switch (table) {
        case Table::kUpperCurrent:
            // From the slower body to the faster one; on equal periods from row to column.
            return Period(j) > Period(i) ? ArcForward(L[j], L[i]) : ArcForward(L[i], L[j]);
        case Table::kLowerCurrent:
            return Period(j) == Period(i) ? ArcForward(G[j], G[i]) : ArcForward(G[i], G[j]);
        case Table::kUpperNatal:
            return ArcForward(L[j], NL[i]);
        case Table::kLowerNatal:
            return Period(j) == Period(i) ? ArcForward(G[j], NG[i]) : ArcForward(G[i], NG[j]);
    }
    return 0.0;
}

// A cell's whole degrees. The modern page shows a conjunction as 0 rather than 360.
void DrawNumber(CChartDC& dc, int x, int y, double value) {
    char text[16];
    int degrees = TruncToInt(value);
    if (dc.Modern() && degrees == 360) degrees = 0;
    std::snprintf(text, sizeof text, "%3d", degrees);
    dc.DrawText(x, y, text);
}

// An entry's name at the side or the foot of a table: its letter, or on the modern page the
// body's symbol (the extra entries keep their digits).
void DrawEntryName(CChartDC& dc, int x, int y, bool upper, int entry, const char* letters) {
    if (!dc.Modern() || entry > 12) {
        dc.DrawText(x, y, std::string_view(letters + entry, 1));
        return;
    }
    const Body* body = BodyOfCode(upper ? entry : -entry);
    dc.SelectChartFont(kSymbolFace, 170, 0);
    dc.DrawTextUtf8(x, y, body ? body->glyph : "?");
    dc.SelectChartFont("Arial", 160, 1);
}

// Bottom, right, top, left.
void OutlineCell(CChartDC& dc, int x0, int y0, int x1, int y1) {
    dc.DrawLine(x0, y0, x1, y0);
    dc.DrawLine(x1, y0, x1, y1);
    dc.DrawLine(x1, y1, x0, y1);
    dc.DrawLine(x0, y1, x0, y0);
}

void DrawTable(CChartDC& dc, const ChartState& state, Table table, const EntryLongitudes& current,
               const EntryLongitudes& natal, const AspectSlot (&slots)[kSlotCount]) {
    const bool upper = table == Table::kUpperCurrent || table == Table::kUpperNatal;
    const bool natalTable = table == Table::kUpperNatal || table == Table::kLowerNatal;
    const int base = upper ? 4500 : 0;
    const char* glyphs = upper ? kHelioGlyphs : kGeoGlyphs;
    const double* own = upper ? current.helio : current.geo;

    dc.SelectChartFont("Arial", 160, 1);
    for (int i = 1; i <= kEntries; ++i) {
        const int rowY = base + 3620 - 200 * (i - 1);
        dc.SetColor(state.ElementColor(state.colorAspectText));
        DrawEntryName(dc, 550, rowY, upper, i, glyphs);
        DrawEntryName(dc, 830 + 400 * (i - 1), base + 650, upper, i, glyphs);

        // Cells above the diagonal stay empty.
        for (int j = 1; j <= i; ++j) {
            const double arc = CellArc(table, current, natal, i, j);
            const int x0 = 700 + 400 * (j - 1);
            const int x1 = 1100 + 400 * (j - 1);
            const int y0 = base + 3450 - 200 * (i - 1);
            const int y1 = base + 3650 - 200 * (i - 1);
            const int numberX = 750 + 400 * (j - 1);
            if (j == i) {
                dc.SetPenWidth(8);
                dc.SelectChartFont("Arial", 160, 1);
                dc.SetColor(state.ElementColor(state.colorAspectText));
                DrawNumber(dc, numberX, rowY, natalTable ? arc + 0.5 : own[i]);
                dc.SetColor(state.ElementColor(state.colorAspectLines));
            } else {
                const bool significant = IsSignificant(slots, arc);
                dc.SelectChartFont("Arial", 160, significant ? 1 : 0);
                dc.SetColor(state.ElementColor(state.colorAspectText));
                DrawNumber(dc, numberX, rowY, arc + 0.5);
                if (significant) {
                    dc.SetPenWidth(30);
                    dc.SetColor(state.ElementColor(state.colorAspectHighlights));
                } else {
                    dc.SetPenWidth(8);
                    dc.SetColor(state.ElementColor(state.colorAspectLines));
                }
            }
            OutlineCell(dc, x0, y0, x1, y1);
        }
    }
}

}  // namespace

void DrawLatitudeColumnAndEntryLabels(CChartDC& dc, const CCaelvaneDoc& doc, ChartState& state,
                                      const PagePositions& positions, const PriceAngles& angles) {
    dc.SelectChartFont("Arial", 150, 0);
    if (state.includeAspects != 1) return;

    for (int k = 1; k <= 12; ++k) {
        double v = positions.latitude[k];
        if (v > 180.0) v -= 360.0;
        char text[32];
        std::snprintf(text, sizeof text, "%5.1lf", v);
        dc.SetColor(state.ElementColor(state.colorCurrentText));
        // The modern page sets the column clear of the diagonal's frame.
        dc.DrawText(1100 + 400 * (k - 1) + (dc.Modern() ? 40 : 0), 8110 - 200 * (k - 1), text);
    }
    // The modern page gives the geocentric table the bodies' declinations in the same place.
    if (dc.Modern()) {
        for (int k = 1; k <= 12; ++k) {
            double latitude = positions.latitude[k];
            if (latitude > 180.0) latitude -= 360.0;
            const double declination =
                DeclinationOf(positions.geocentric[k], latitude, positions.jed);
            char text[32];
            std::snprintf(text, sizeof text, "%5.1lf", declination);
            dc.DrawText(1140 + 400 * (k - 1), 3610 - 200 * (k - 1), text);
        }
    }

    // While the price display is on, entries 13 and 14 of the tables show the price and the
    // time instead of the first two hot spots (for this drawing only).
    const bool priceOn = doc.m_priceMonitorOn == 1;
    const std::string_view labels[3] = {
        priceOn ? std::string_view("SP_PRICE") : AsCString(state.hotSpotLabel[0]),
        priceOn ? std::string_view("SP_TIME") : AsCString(state.hotSpotLabel[1]),
        AsCString(state.hotSpotLabel[2])};
    for (int e = 0; e < 3; ++e) {
        if (dc.Modern()) {
            // Held within the border above, and clear of the Moon scale below.
            const int x = 5925 + 400 * e;
            dc.DrawText(x, 5710 - 200 * e, ElideToWidth(dc, labels[e], 7430 - x));
            dc.DrawText(x, 1210 - 200 * e, ElideToWidth(dc, labels[e], 7200 - x));
            continue;
        }
        dc.DrawText(5925 + 400 * e, 5710 - 200 * e, labels[e]);
        dc.DrawText(5925 + 400 * e, 1210 - 200 * e, labels[e]);
    }
    if (priceOn) {
        state.hotSpotDegree2[0] = angles.priceAngle;
        state.hotSpotDegree2[1] = angles.timeAngle;
    }
}

void DrawAspectTables(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state,
                      EntryLongitudes& current, EntryLongitudes& natal) {
    for (int e = 0; e < 3; ++e) {
        current.helio[13 + e] = state.hotSpotDegree2[e];
        current.geo[13 + e] = state.hotSpotDegree2[e];
        natal.helio[13 + e] = state.hotSpotDegree2[e];
        natal.geo[13 + e] = state.hotSpotDegree2[e];
    }
    if (state.includeAspects != 1) return;

    AspectSlot slots[kSlotCount];
    BuildSlots(doc, slots);
    if (state.includeNatal == 1) {
        DrawTable(dc, state, Table::kUpperNatal, current, natal, slots);
        DrawTable(dc, state, Table::kLowerNatal, current, natal, slots);
    } else {
        DrawTable(dc, state, Table::kUpperCurrent, current, natal, slots);
        DrawTable(dc, state, Table::kLowerCurrent, current, natal, slots);
    }
}
