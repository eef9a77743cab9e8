#pragma once
#include <cstdint>
#include <string>

#include "platform/colorref.h"
#include "platform/document.h"

// One job: the record the user edits, saves, prints and keeps. The fields have their exact
// widths (the job file depends on the widths of the saved ones); job_fields.h lists every one
// of them with its name, kind and uses, and a new field needs a row there. Values are
// not range-checked here: the dialogs enforce ranges, a loaded file is taken as it is.
class CCaelvaneDoc : public CDocument {
public:
    CCaelvaneDoc();  // every field at its default (see OnNewDocument)
    ~CCaelvaneDoc() override;

    void Serialize(CArchive& ar) override;
    // Calls the base, then sets exactly the construction defaults.
    bool OnNewDocument() override;

    // Colour commands that need no dialog. Both set all eighteen colours, m_colorSpare too.
    void SetAllColorsToBlack();
    void SetStandardDefaultColors();

    // Copies every field of the job (saved or not: see job_fields.h); the title, path,
    // modified flag and views stay.
    void CopyFieldsFrom(const CCaelvaneDoc& other);

    std::int32_t m_jobType;            // 0 TODAY, 1 start date, 2 TODAY -/+, 3 start..end
    std::uint8_t m_includeAspects;     // 0/1
    std::uint8_t m_includeNatal;       // 0/1
    std::uint8_t m_reversePrintOrder;  // 0/1
    std::int32_t m_daysBefore;
    std::int32_t m_daysAfter;
    std::string m_note;  // single-byte text; the dialog limits it to 80
    std::int32_t m_startMonth, m_startDay, m_startYear;
    std::int32_t m_endMonth, m_endDay, m_endYear;
    std::int32_t m_natalMonth, m_natalDay, m_natalYear;
    double m_hotSpotDegree[4];   // degrees of the zodiac
    std::int32_t m_currentPage;  // 1-based page on screen; not saved
    std::int32_t m_pageCount;    // written by every drawing; not saved
    std::uint8_t m_useColor;     // 0: everything in black

    COLORREF m_colorTitleText;
    COLORREF m_colorHeaderText;
    COLORREF m_colorBorder;
    COLORREF m_colorWheelLines;
    COLORREF m_colorWheelText;
    COLORREF m_colorCurrentText;
    COLORREF m_colorCurrentLines;
    COLORREF m_colorNatalText;
    COLORREF m_colorSpare;  // no command edits it, nothing is drawn in it
    COLORREF m_colorNatalDots;
    COLORREF m_colorJobData;
    COLORREF m_colorNoteText;
    COLORREF m_colorAspectLines;
    COLORREF m_colorAspectText;
    COLORREF m_colorAspectHighlights;
    COLORREF m_colorNotice;
    COLORREF m_colorMoonBall;
    COLORREF m_colorOverlayCircle;

    // Index order (the text order of the angles): 0 120 135 144 150 180 210 216 225 240
    // 270 288 30 300 315 330 45 60 72 90.
    std::int32_t m_aspectSelected[20];
    double m_customAspect[4];  // degrees
    std::int32_t m_customAspectEnabled[4];
    std::string m_hotSpotLabel[4];  // the dialog limits each to 8
    std::int32_t m_useDaylightTime;
    std::int32_t m_overlayEnabled;
    std::int32_t m_overlayParts;
    double m_overlayStartDegree;
    std::int32_t m_overlayFirstValue;
    std::int32_t m_overlayStepSize;
    std::int32_t m_priceMonitorOn;  // not saved
    double m_priceDegree;           // not saved
    std::int32_t m_printToDib;
    std::int32_t m_priceHour;    // not saved; meaningful while m_priceMonitorOn is 1
    std::int32_t m_priceMinute;  // not saved
    double m_price;              // not saved

private:
    void SetDefaults();  // the construction defaults, shared with OnNewDocument
};

// The angle in degrees of each index of m_aspectSelected.
inline constexpr int kAspectAngleByIndex[20] = {0,   120, 135, 144, 150, 180, 210, 216, 225, 240,
                                                270, 288, 30,  300, 315, 330, 45,  60,  72,  90};
