// Latitude column, entry labels and the two aspect tables.
// Coordinates are page units (mils, y up) of the page layout's tables: rows 200 units apart,
// the upper copy 4500 units above the lower one.
#include <cstdio>

#include "chart/page_elements.h"
#include "chart/tests/element_fixture.h"
#include "ephemeris/positions.h"

namespace {

struct Cell {
    std::string number;  // as drawn, e.g. " 40"
    int bold = -1;       // of the font the number is drawn in
    int width = -1;      // pen of the outline
    std::string color;   // colour line of the outline
    int outlineLines = 0;
};

class AspectTablesTest : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        doc.m_includeAspects = 1;
        doc.m_includeNatal = 0;
        for (std::int32_t& flag : doc.m_aspectSelected) flag = 0;
        for (std::int32_t& flag : doc.m_customAspectEnabled) flag = 0;
        LoadStateFromDoc();
    }

    std::vector<std::string> DrawTables() {
        return Run([&](CChartDC& dc) {
            DrawAspectTables(dc, doc, state, scratch.current, scratch.natal);
        });
    }

    void SelectAspect(int angle) {
        for (int index = 0; index < 20; ++index)
            if (kAspectAngleByIndex[index] == angle) doc.m_aspectSelected[index] = 1;
    }

    // The cell (row i, column j) of the upper or lower table, read from the trace.
    static Cell FindCell(const std::vector<std::string>& lines, bool upper, int i, int j) {
        const int base = upper ? 4500 : 0;
        const std::string prefix = "text " + std::to_string(750 + 400 * (j - 1)) + " " +
                                   std::to_string(base + 3620 - 200 * (i - 1)) + " \"";
        Cell cell;
        for (std::size_t n = 0; n < lines.size(); ++n) {
            if (lines[n].rfind(prefix, 0) != 0) continue;
            cell.number = lines[n].substr(prefix.size(), lines[n].size() - prefix.size() - 1);
            for (std::size_t back = n; back-- > 0;) {
                if (lines[back].rfind("font ", 0) == 0) {
                    cell.bold = lines[back].back() - '0';
                    break;
                }
            }
            std::size_t next = n + 1;
            for (; next < lines.size() && lines[next].rfind("line ", 0) != 0; ++next) {
                if (lines[next].rfind("width ", 0) == 0)
                    cell.width = std::stoi(lines[next].substr(6));
                if (lines[next].rfind("color ", 0) == 0) cell.color = lines[next];
            }
            for (; next < lines.size() && lines[next].rfind("line ", 0) == 0; ++next)
                ++cell.outlineLines;
            return cell;
        }
        ADD_FAILURE() << "no cell " << i << "," << j << (upper ? " upper" : " lower");
        return cell;
    }
};

// ---- structure -------------------------------------------------------------------------------

TEST_F(AspectTablesTest, TableStartsWithGlyphsAndTheFirstDiagonalCell) {
    scratch.current.helio[1] = 12.9;
    const std::vector<std::string> lines = DrawTables();
    const std::vector<std::string> expected = {
        "font Arial 160 1",
        ColorLine(ElementColors::kAspectText),
        R"(text 550 8120 "M")",
        R"(text 830 5150 "M")",
        "width 8",
        "font Arial 160 1",
        ColorLine(ElementColors::kAspectText),
        R"(text 750 8120 " 12")",
        ColorLine(ElementColors::kAspectLines),
        "line 700 7950 1100 7950",
        "line 1100 7950 1100 8150",
        "line 1100 8150 700 8150",
        "line 700 8150 700 7950",
    };
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected.size()), expected);

    // 120 cells a table (the diagonal and below), each outlined by four lines; 15 row and
    // 15 column glyphs.
    EXPECT_EQ(Count(lines, "line "), 2 * 120 * 4);
    EXPECT_EQ(Count(lines, "text "), 2 * (120 + 30));
    EXPECT_EQ(Count(lines, "text 550 "), 30);
    // Lower table: the geocentric glyphs, the Sun in place of the Earth, columns at y 650.
    EXPECT_EQ(Count(lines, R"(text 1630 650 "H")"), 1);
    EXPECT_EQ(Count(lines, R"(text 1630 5150 "E")"), 1);
    EXPECT_EQ(Count(lines, R"(text 550 820 "3")"), 1);
    // The last cell drawn is the lower table's last diagonal cell.
    EXPECT_EQ(lines.back(), "line 6300 850 6300 650");
}

TEST_F(AspectTablesTest, IncludeAspectsOffDrawsNothingButSetsTheEntries) {
    doc.m_includeAspects = 0;
    doc.m_priceMonitorOn = 1;
    LoadStateFromDoc();
    state.hotSpotDegree2[0] = 11;
    state.hotSpotDegree2[1] = 22;
    state.hotSpotDegree2[2] = 33;
    scratch.price.priceAngle = 123;
    // The font of the column is selected even when the column is not drawn.
    EXPECT_EQ(Run([&](CChartDC& dc) {
                  DrawLatitudeColumnAndEntryLabels(
                      dc, doc, state, ComputePagePositions(state.pageJed), scratch.price);
              }),
              (std::vector<std::string>{"font Arial 150 0"}));
    EXPECT_DOUBLE_EQ(state.hotSpotDegree2[0], 11);  // no price substitution without the tables
    EXPECT_TRUE(DrawTables().empty());
    for (const double* list :
         {scratch.current.helio, scratch.current.geo, scratch.natal.helio, scratch.natal.geo}) {
        EXPECT_DOUBLE_EQ(list[13], 11);
        EXPECT_DOUBLE_EQ(list[14], 22);
        EXPECT_DOUBLE_EQ(list[15], 33);
    }
}

// ---- arcs ------------------------------------------------------------------------------------

struct ArcCase {
    const char* name;
    bool upper;
    int row, column;
    const char* number;
};

TEST_F(AspectTablesTest, CurrentToCurrentArcsRunFromTheSlowerBodyAbove) {
    // Mercury 10, Venus 30, Moon 50 on both wheels; entries 13..15 at 100, 200, 250.
    for (double* list : {scratch.current.helio, scratch.current.geo}) {
        list[1] = 10;
        list[2] = 30;
        list[10] = 50;
    }
    state.hotSpotDegree2[0] = 100;
    state.hotSpotDegree2[1] = 200;
    state.hotSpotDegree2[2] = 250;
    const std::vector<std::string> lines = DrawTables();
    const ArcCase cases[] = {
        {"upper Moon/Mercury: Moon minus Mercury", true, 10, 1, " 40"},
        {"lower Moon/Mercury: Mercury minus Moon", false, 10, 1, "320"},
        {"upper Venus/Mercury: Mercury minus Venus", true, 2, 1, "340"},
        {"lower Venus/Mercury: Mercury minus Venus", false, 2, 1, "340"},
        {"upper entry 13/Mercury: entry 13 is as fast as the Moon", true, 13, 1, " 90"},
        {"lower entry 13/Mercury: column minus row", false, 13, 1, "270"},
        {"upper entry 13/Moon, equal periods: row to column", true, 13, 10, "310"},
        {"lower entry 13/Moon, equal periods: entry 13 minus Moon", false, 13, 10, " 50"},
        {"upper entry 14/Mercury: from the slowest entry", true, 14, 1, "170"},
        {"upper entry 15/entry 14, equal periods: row to column", true, 15, 14, "310"},
        {"lower entry 15/entry 14, equal periods: entry 15 minus entry 14", false, 15, 14, " 50"},
        {"diagonal prints the longitude cut", true, 13, 13, "100"},
    };
    for (const ArcCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindCell(lines, c.upper, c.row, c.column).number, c.number);
    }
}

TEST_F(AspectTablesTest, CurrentToNatalArcs) {
    doc.m_includeNatal = 1;
    LoadStateFromDoc();
    for (double* list : {scratch.current.helio, scratch.current.geo}) {
        list[1] = 10;
        list[2] = 30;
        list[10] = 50;
    }
    scratch.natal.helio[1] = 20;
    scratch.natal.helio[2] = 30.6;
    scratch.natal.helio[10] = 70;
    scratch.natal.geo[1] = 25;
    scratch.natal.geo[10] = 75;
    state.hotSpotDegree2[0] = 100;
    const std::vector<std::string> lines = DrawTables();
    const ArcCase cases[] = {
        {"upper: column's current to row's natal", true, 10, 1, " 60"},
        {"lower: row's current to column's natal", false, 10, 1, "335"},
        {"lower entry 13/Moon, equal periods: column's current to row's natal", false, 13, 10,
         " 50"},
        {"upper diagonal: the arc rounded", true, 10, 10, " 20"},
        {"upper diagonal: 0.6 rounds to 1", true, 2, 2, "  1"},
        {"lower diagonal Moon", false, 10, 10, " 25"},
        {"lower diagonal Mercury", false, 1, 1, " 15"},
    };
    for (const ArcCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindCell(lines, c.upper, c.row, c.column).number, c.number);
    }
}

TEST_F(AspectTablesTest, NumbersAreCutOrRounded) {
    scratch.current.helio[3] = 359.9;  // diagonal: cut toward zero
    scratch.current.helio[1] = 359.5;  // cell (Venus, Mercury): arc 359.5 rounds to 360
    state.hotSpotDegree2[2] = 180.7;   // entry 15 on the diagonal
    const std::vector<std::string> lines = DrawTables();
    EXPECT_EQ(FindCell(lines, true, 3, 3).number, "359");
    EXPECT_EQ(FindCell(lines, true, 2, 1).number, "360");
    EXPECT_EQ(FindCell(lines, true, 15, 15).number, "180");
    EXPECT_EQ(FindCell(lines, false, 15, 15).number, "180");
}

// ---- marks -----------------------------------------------------------------------------------

struct MarkCase {
    const char* name;
    double arc;
    int selectedAngle;  // -1: none
    double customAngle;
    int customEnabled;
    bool significant;
};

TEST_F(AspectTablesTest, MarkBoundaries) {
    const MarkCase cases[] = {
        {"93.0 against 90 is outside", 93.0, 90, 0, 0, false},
        {"92.999 against 90 is inside", 92.999, 90, 0, 0, true},
        {"87.0 against 90 is outside", 87.0, 90, 0, 0, false},
        {"87.001 against 90 is inside", 87.001, 90, 0, 0, true},
        {"90 with the aspect off", 90.0, -1, 0, 0, false},
        {"358 through the 360 slot", 358.0, 0, 0, 0, true},
        {"358 without the 0-degree flag", 358.0, 90, 0, 0, false},
        {"357 is outside the 360 slot", 357.0, 0, 0, 0, false},
        {"360 itself is outside the 360 slot", 360.0, 0, 0, 0, false},
        {"exactly 0 is never an aspect", 0.0, 0, 0, 0, false},
        {"2.999 against 0 is inside", 2.999, 0, 0, 0, true},
        {"3 against 0 is outside", 3.0, 0, 0, 0, false},
        {"custom 1 catches 0", 0.0, -1, 1, 1, true},
        {"custom 1 catches 3.9", 3.9, -1, 1, 1, true},
        {"custom 1 stops at 4", 4.0, -1, 1, 1, false},
        {"custom 359 catches 356.5", 356.5, -1, 359, 1, true},
        {"custom 0 starts at 0 like the fixed one", 0.0, -1, 0, 1, false},
        {"custom 47.5 catches 50.4", 50.4, -1, 47.5, 1, true},
        {"custom not enabled", 50.4, -1, 47.5, 0, false},
        {"a flag of 2 is not on", 50.4, -1, 47.5, 2, false},
    };
    for (const MarkCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.selectedAngle >= 0) SelectAspect(c.selectedAngle);
        doc.m_customAspect[2] = c.customAngle;
        doc.m_customAspectEnabled[2] = c.customEnabled;
        // Cell (Venus, Mercury) of the upper table holds Mercury minus Venus.
        scratch.current.helio[2] = 0.0;
        scratch.current.helio[1] = c.arc;
        const Cell cell = FindCell(DrawTables(), true, 2, 1);
        EXPECT_EQ(cell.bold, c.significant ? 1 : 0);
        EXPECT_EQ(cell.width, c.significant ? 30 : 8);
        EXPECT_EQ(cell.color, ColorLine(c.significant ? ElementColors::kAspectHighlights
                                                      : ElementColors::kAspectLines));
        EXPECT_EQ(cell.outlineLines, 4);
    }
}

TEST_F(AspectTablesTest, NoAspectsSelectedOutlinesEveryCellThin) {
    for (int k = 1; k <= 12; ++k) scratch.current.helio[k] = scratch.current.geo[k] = 30.0 * k;
    const std::vector<std::string> lines = DrawTables();
    EXPECT_EQ(Count(lines, "width 30"), 0);
    EXPECT_EQ(Count(lines, "font Arial 160 1"), 2 * (1 + 15));  // table start and diagonals
    EXPECT_EQ(Count(lines, ColorLine(ElementColors::kAspectHighlights)), 0);
}

TEST_F(AspectTablesTest, UseColorOffKeepsHighlightsByWidthAndBoldness) {
    doc.m_useColor = 0;
    SelectAspect(90);
    LoadStateFromDoc();
    scratch.current.helio[1] = 90.0;  // Mercury 90 from Venus at 0
    const std::vector<std::string> lines = DrawTables();
    ExpectAllBlack(lines);
    const Cell cell = FindCell(lines, true, 2, 1);
    EXPECT_EQ(cell.bold, 1);
    EXPECT_EQ(cell.width, 30);
}

// ---- latitude column and entry labels; the price display ----------------------------------

TEST_F(AspectTablesTest, LatitudeColumnBesideTheUpperDiagonal) {
    const std::vector<std::string> lines = Run([&](CChartDC& dc) {
        DrawLatitudeColumnAndEntryLabels(dc, doc, state, ComputePagePositions(state.pageJed),
                                         scratch.price);
    });
    int south = 0;
    for (int k = 1; k <= 12; ++k) {
        double v = BodyLatitude(state.pageJed, k);
        if (v > 180) v -= 360;
        south += v < 0;
        char text[64];
        std::snprintf(text, sizeof text, "text %d %d \"%5.1f\"", 1100 + 400 * (k - 1),
                      8110 - 200 * (k - 1), v);
        EXPECT_EQ(Count(lines, text), 1) << text;
    }
    EXPECT_GT(south, 0) << "south latitudes print with their minus sign";
    EXPECT_EQ(Count(lines, ColorLine(ElementColors::kCurrentText)), 12);
}

struct EntryCase {
    const char* name;
    int priceOn;
    std::vector<std::string> labels;
    std::vector<std::string> diagonal;  // rows 13, 14, 15 of the upper table
};

TEST_F(AspectTablesTest, PriceDisplayTakesOverEntries13And14) {
    const EntryCase cases[] = {
        {"display off: hot spots 1 to 3",
         0,
         {R"(text 5925 5710 "Alpha")", R"(text 5925 1210 "Alpha")", R"(text 6325 5510 "Beta")",
          R"(text 6325 1010 "Beta")", R"(text 6725 5310 "Gam")", R"(text 6725 810 "Gam")"},
         {" 10", " 20", " 30"}},
        {"display on: price and time, hot spot 3",
         1,
         {R"(text 5925 5710 "SP_PRICE")", R"(text 5925 1210 "SP_PRICE")",
          R"(text 6325 5510 "SP_TIME")", R"(text 6325 1010 "SP_TIME")", R"(text 6725 5310 "Gam")",
          R"(text 6725 810 "Gam")"},
         {"123", "234", " 30"}},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        doc.m_priceMonitorOn = c.priceOn;
        doc.m_hotSpotDegree[0] = 10.2;
        doc.m_hotSpotDegree[1] = 20.9;
        doc.m_hotSpotDegree[2] = 30.7;
        doc.m_hotSpotDegree[3] = 40;
        doc.m_hotSpotLabel[0] = "Alpha";
        doc.m_hotSpotLabel[1] = "Beta";
        doc.m_hotSpotLabel[2] = std::string("Gam\0ma", 6);  // printed up to the NUL
        LoadStateFromDoc();
        scratch.price.priceAngle = 123.4;
        scratch.price.timeAngle = 234.5;
        const std::vector<std::string> lines = Run([&](CChartDC& dc) {
            DrawLatitudeColumnAndEntryLabels(dc, doc, state, ComputePagePositions(state.pageJed),
                                             scratch.price);
            DrawAspectTables(dc, doc, state, scratch.current, scratch.natal);
        });
        std::vector<std::string> labels;
        for (const std::string& line : Matching(lines, "text "))
            if (line.find(" 5925 ") != std::string::npos ||
                line.find(" 6325 ") != std::string::npos ||
                line.find(" 6725 ") != std::string::npos)
                labels.push_back(line);
        EXPECT_EQ(labels, c.labels);
        for (int e = 0; e < 3; ++e)
            EXPECT_EQ(FindCell(lines, true, 13 + e, 13 + e).number, c.diagonal[e]);
        // The dots keep the job's own hot spots; the job is not changed.
        EXPECT_DOUBLE_EQ(state.hotSpotDegree[0], 10.2);
        EXPECT_DOUBLE_EQ(state.hotSpotDegree[1], 20.9);
        EXPECT_DOUBLE_EQ(doc.m_hotSpotDegree[0], 10.2);
    }
}

}  // namespace
