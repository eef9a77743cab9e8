#include "job/caelvane_doc.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {
struct ColorCase {
    const char* name;
    COLORREF CCaelvaneDoc::*field;
    COLORREF standard;
};

// Every colour with its standard value, typed from the colour table (red in the low byte).
const std::array<ColorCase, 18> kColors = {{
    {"title text", &CCaelvaneDoc::m_colorTitleText, 0x00FF00FF},
    {"header text", &CCaelvaneDoc::m_colorHeaderText, 0x0000FF00},
    {"border", &CCaelvaneDoc::m_colorBorder, 0x00FF0000},
    {"wheel lines", &CCaelvaneDoc::m_colorWheelLines, 0x00FF0000},
    {"wheel text", &CCaelvaneDoc::m_colorWheelText, 0x00000000},
    {"current text", &CCaelvaneDoc::m_colorCurrentText, 0x00FF0000},
    {"current lines", &CCaelvaneDoc::m_colorCurrentLines, 0x00000000},
    {"natal text", &CCaelvaneDoc::m_colorNatalText, 0x000000FF},
    {"spare", &CCaelvaneDoc::m_colorSpare, 0x00FFFF00},
    {"natal dots", &CCaelvaneDoc::m_colorNatalDots, 0x00000000},
    {"job data", &CCaelvaneDoc::m_colorJobData, 0x00FF0000},
    {"note text", &CCaelvaneDoc::m_colorNoteText, 0x000000FF},
    {"aspect lines", &CCaelvaneDoc::m_colorAspectLines, 0x00FF0000},
    {"aspect text", &CCaelvaneDoc::m_colorAspectText, 0x00000000},
    {"aspect highlights", &CCaelvaneDoc::m_colorAspectHighlights, 0x000000FF},
    {"notice", &CCaelvaneDoc::m_colorNotice, 0x00000000},
    {"moon ball", &CCaelvaneDoc::m_colorMoonBall, 0x000000FF},
    {"overlay circle", &CCaelvaneDoc::m_colorOverlayCircle, 0x00FF00FF},
}};

void ExpectDefaults(const CCaelvaneDoc& doc) {
    EXPECT_EQ(doc.m_jobType, 1);
    EXPECT_EQ(doc.m_includeAspects, 1);
    EXPECT_EQ(doc.m_includeNatal, 0);
    EXPECT_EQ(doc.m_reversePrintOrder, 1);
    EXPECT_EQ(doc.m_daysBefore, 0);
    EXPECT_EQ(doc.m_daysAfter, 0);
    EXPECT_EQ(doc.m_note, "");
    for (const auto* date : {&doc.m_startMonth, &doc.m_endMonth, &doc.m_natalMonth}) {
        EXPECT_EQ(*date, 1);
    }
    for (const auto* date : {&doc.m_startDay, &doc.m_endDay, &doc.m_natalDay}) {
        EXPECT_EQ(*date, 18);
    }
    for (const auto* date : {&doc.m_startYear, &doc.m_endYear, &doc.m_natalYear}) {
        EXPECT_EQ(*date, 2000);
    }
    EXPECT_EQ(doc.m_hotSpotDegree[0], 0.0);
    EXPECT_EQ(doc.m_hotSpotDegree[1], 90.0);
    EXPECT_EQ(doc.m_hotSpotDegree[2], 180.0);
    EXPECT_EQ(doc.m_hotSpotDegree[3], 270.0);
    EXPECT_EQ(doc.m_currentPage, 1);
    EXPECT_EQ(doc.m_useColor, 1);
    for (const ColorCase& c : kColors) EXPECT_EQ(doc.*c.field, c.standard) << c.name;
    for (int i = 0; i < 20; ++i) EXPECT_EQ(doc.m_aspectSelected[i], 1) << i;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(doc.m_customAspect[i], 0.0);
        EXPECT_EQ(doc.m_customAspectEnabled[i], 0);
    }
    EXPECT_EQ(doc.m_hotSpotLabel[0], "HotSpot1");
    EXPECT_EQ(doc.m_hotSpotLabel[1], "HotSpot2");
    EXPECT_EQ(doc.m_hotSpotLabel[2], "HotSpot3");
    EXPECT_EQ(doc.m_hotSpotLabel[3], "HotSpot4");
    EXPECT_EQ(doc.m_useDaylightTime, 1);
    EXPECT_EQ(doc.m_overlayEnabled, 0);
    EXPECT_EQ(doc.m_overlayParts, 4);
    EXPECT_EQ(doc.m_overlayStartDegree, 0.0);
    EXPECT_EQ(doc.m_overlayFirstValue, 10);
    EXPECT_EQ(doc.m_overlayStepSize, 5);
    EXPECT_EQ(doc.m_priceMonitorOn, 0);
    EXPECT_EQ(doc.m_priceDegree, 0.0);
    EXPECT_EQ(doc.m_printToDib, 0);
}

void ChangeEverything(CCaelvaneDoc& doc) {
    doc.m_jobType = 3;
    doc.m_includeAspects = 0;
    doc.m_includeNatal = 1;
    doc.m_reversePrintOrder = 0;
    doc.m_daysBefore = 4;
    doc.m_daysAfter = 9;
    doc.m_note = "changed";
    doc.m_startMonth = doc.m_endMonth = doc.m_natalMonth = 7;
    doc.m_startDay = doc.m_endDay = doc.m_natalDay = 4;
    doc.m_startYear = doc.m_endYear = doc.m_natalYear = 1999;
    for (double& degree : doc.m_hotSpotDegree) degree = 1.5;
    doc.m_currentPage = 12;
    doc.m_useColor = 0;
    for (const ColorCase& c : kColors) doc.*c.field = 0x00123456;
    for (std::int32_t& selected : doc.m_aspectSelected) selected = 0;
    for (int i = 0; i < 4; ++i) {
        doc.m_customAspect[i] = 33.0;
        doc.m_customAspectEnabled[i] = 1;
        doc.m_hotSpotLabel[i] = "x";
    }
    doc.m_useDaylightTime = 0;
    doc.m_overlayEnabled = 1;
    doc.m_overlayParts = 90;
    doc.m_overlayStartDegree = 12.0;
    doc.m_overlayFirstValue = -7;
    doc.m_overlayStepSize = 3;
    doc.m_priceMonitorOn = 1;
    doc.m_priceDegree = 44.0;
    doc.m_printToDib = 1;
}

TEST(CaelvaneDoc, ConstructionSetsEveryDefault) {
    const CCaelvaneDoc doc;
    ExpectDefaults(doc);
    EXPECT_FALSE(doc.IsModified());
}

TEST(CaelvaneDoc, OnNewDocumentRestoresEveryDefault) {
    CCaelvaneDoc doc;
    ChangeEverything(doc);
    doc.m_pageCount = 31;
    doc.SetModifiedFlag();
    doc.SetPathName("/tmp/old.cvj");
    ASSERT_TRUE(doc.OnNewDocument());
    ExpectDefaults(doc);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), "");
}

TEST(CaelvaneDoc, ColourCommandsSetAllEighteenIncludingTheSpare) {
    CCaelvaneDoc doc;
    doc.SetAllColorsToBlack();
    for (const ColorCase& c : kColors) EXPECT_EQ(doc.*c.field, 0u) << c.name;
    for (const ColorCase& c : kColors) doc.*c.field = 0x00ABCDEF;
    doc.SetStandardDefaultColors();
    for (const ColorCase& c : kColors) EXPECT_EQ(doc.*c.field, c.standard) << c.name;
}

TEST(CaelvaneDoc, CopyFieldsFromCopiesAllFieldsButNotTheFrameworkState) {
    CCaelvaneDoc source;
    ChangeEverything(source);
    source.m_pageCount = 5;
    source.m_priceHour = 13;
    source.m_priceMinute = 59;
    source.m_price = 1234.5;
    source.SetPathName("/source.cvj");
    CCaelvaneDoc target;
    target.SetPathName("/target.cvj");
    target.CopyFieldsFrom(source);
    EXPECT_EQ(target.m_note, "changed");
    EXPECT_EQ(target.m_currentPage, 12);
    EXPECT_EQ(target.m_pageCount, 5);
    EXPECT_EQ(target.m_priceHour, 13);
    EXPECT_EQ(target.m_priceMinute, 59);
    EXPECT_EQ(target.m_price, 1234.5);
    EXPECT_EQ(target.m_priceMonitorOn, 1);
    EXPECT_EQ(target.m_priceDegree, 44.0);
    EXPECT_EQ(target.m_printToDib, 1);
    EXPECT_EQ(target.m_overlayFirstValue, -7);
    for (const ColorCase& c : kColors) EXPECT_EQ(target.*c.field, 0x00123456u) << c.name;
    EXPECT_EQ(target.m_hotSpotLabel[3], "x");
    EXPECT_EQ(target.GetPathName(), "/target.cvj");
}

}  // namespace
