#include "job/caelvane_doc.h"

#include <algorithm>
#include <array>

#include "platform/archive.h"

namespace {
// The standard colours in declaration order, m_colorTitleText to m_colorOverlayCircle.
constexpr COLORREF kStandardColors[18] = {
    RGB(255, 0, 255),  // title text
    RGB(0, 255, 0),    // header text
    RGB(0, 0, 255),    // border
    RGB(0, 0, 255),    // wheel lines
    RGB(0, 0, 0),      // wheel text
    RGB(0, 0, 255),    // current text
    RGB(0, 0, 0),      // current lines
    RGB(255, 0, 0),    // natal text
    RGB(0, 255, 255),  // spare
    RGB(0, 0, 0),      // natal dots
    RGB(0, 0, 255),    // job data
    RGB(255, 0, 0),    // note text
    RGB(0, 0, 255),    // aspect lines
    RGB(0, 0, 0),      // aspect text
    RGB(255, 0, 0),    // aspect highlights
    RGB(0, 0, 0),      // notice
    RGB(255, 0, 0),    // moon ball
    RGB(255, 0, 255),  // overlay circle
};

// The eighteen colour fields in declaration order.
std::array<COLORREF*, 18> ColorFields(CCaelvaneDoc& doc) {
    return {&doc.m_colorTitleText,    &doc.m_colorHeaderText, &doc.m_colorBorder,
            &doc.m_colorWheelLines,   &doc.m_colorWheelText,  &doc.m_colorCurrentText,
            &doc.m_colorCurrentLines, &doc.m_colorNatalText,  &doc.m_colorSpare,
            &doc.m_colorNatalDots,    &doc.m_colorJobData,    &doc.m_colorNoteText,
            &doc.m_colorAspectLines,  &doc.m_colorAspectText, &doc.m_colorAspectHighlights,
            &doc.m_colorNotice,       &doc.m_colorMoonBall,   &doc.m_colorOverlayCircle};
}

// Stores or loads one value; the archive's direction decides.
template <typename T>
void Exchange(CArchive& ar, T& value) {
    if (ar.IsStoring()) {
        ar << value;
    } else {
        ar >> value;
    }
}

template <typename T, std::size_t N>
void Exchange(CArchive& ar, T (&values)[N]) {
    for (T& value : values) Exchange(ar, value);
}
}  // namespace

CCaelvaneDoc::CCaelvaneDoc() : m_pageCount(0), m_priceHour(0), m_priceMinute(0), m_price(0.0) {
    SetDefaults();
}

CCaelvaneDoc::~CCaelvaneDoc() = default;

void CCaelvaneDoc::SetDefaults() {
    m_jobType = 1;
    m_includeAspects = 1;
    m_includeNatal = 0;
    m_reversePrintOrder = 1;
    m_daysBefore = 0;
    m_daysAfter = 0;
    m_note.clear();
    m_startMonth = m_endMonth = m_natalMonth = 1;
    m_startDay = m_endDay = m_natalDay = 18;
    m_startYear = m_endYear = m_natalYear = 2000;
    for (int i = 0; i < 4; ++i) m_hotSpotDegree[i] = 90.0 * i;
    m_currentPage = 1;
    m_useColor = 1;
    SetStandardDefaultColors();
    for (std::int32_t& selected : m_aspectSelected) selected = 1;
    for (int i = 0; i < 4; ++i) {
        m_customAspect[i] = 0.0;
        m_customAspectEnabled[i] = 0;
        m_hotSpotLabel[i] = "HotSpot" + std::to_string(i + 1);
    }
    m_useDaylightTime = 1;
    m_overlayEnabled = 0;
    m_overlayParts = 4;
    m_overlayStartDegree = 0.0;
    m_overlayFirstValue = 10;
    m_overlayStepSize = 5;
    m_priceMonitorOn = 0;
    m_priceDegree = 0.0;
    m_printToDib = 0;
}

bool CCaelvaneDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    SetDefaults();
    return true;
}

void CCaelvaneDoc::SetAllColorsToBlack() {
    for (COLORREF* field : ColorFields(*this)) *field = RGB(0, 0, 0);
}

void CCaelvaneDoc::SetStandardDefaultColors() {
    const std::array<COLORREF*, 18> fields = ColorFields(*this);
    for (std::size_t i = 0; i < fields.size(); ++i) *fields[i] = kStandardColors[i];
}

void CCaelvaneDoc::CopyFieldsFrom(const CCaelvaneDoc& other) {
    if (&other == this) return;
    m_jobType = other.m_jobType;
    m_includeAspects = other.m_includeAspects;
    m_includeNatal = other.m_includeNatal;
    m_reversePrintOrder = other.m_reversePrintOrder;
    m_daysBefore = other.m_daysBefore;
    m_daysAfter = other.m_daysAfter;
    m_note = other.m_note;
    m_startMonth = other.m_startMonth;
    m_startDay = other.m_startDay;
    m_startYear = other.m_startYear;
    m_endMonth = other.m_endMonth;
    m_endDay = other.m_endDay;
    m_endYear = other.m_endYear;
    m_natalMonth = other.m_natalMonth;
    m_natalDay = other.m_natalDay;
    m_natalYear = other.m_natalYear;
    std::copy_n(other.m_hotSpotDegree, 4, m_hotSpotDegree);
    m_currentPage = other.m_currentPage;
    m_pageCount = other.m_pageCount;
    m_useColor = other.m_useColor;
    const std::array<COLORREF*, 18> mine = ColorFields(*this);
    const std::array<COLORREF*, 18> theirs = ColorFields(const_cast<CCaelvaneDoc&>(other));
    for (std::size_t i = 0; i < mine.size(); ++i) *mine[i] = *theirs[i];
    std::copy_n(other.m_aspectSelected, 20, m_aspectSelected);
    std::copy_n(other.m_customAspect, 4, m_customAspect);
    std::copy_n(other.m_customAspectEnabled, 4, m_customAspectEnabled);
    std::copy_n(other.m_hotSpotLabel, 4, m_hotSpotLabel);
    m_useDaylightTime = other.m_useDaylightTime;
    m_overlayEnabled = other.m_overlayEnabled;
    m_overlayParts = other.m_overlayParts;
    m_overlayStartDegree = other.m_overlayStartDegree;
    m_overlayFirstValue = other.m_overlayFirstValue;
    m_overlayStepSize = other.m_overlayStepSize;
    m_priceMonitorOn = other.m_priceMonitorOn;
    m_priceDegree = other.m_priceDegree;
    m_printToDib = other.m_printToDib;
    m_priceHour = other.m_priceHour;
    m_priceMinute = other.m_priceMinute;
    m_price = other.m_price;
}

void CCaelvaneDoc::Serialize(CArchive& ar) {
    // The record has no header and no version: this order and these widths are the file.
    Exchange(ar, m_jobType);
    Exchange(ar, m_includeAspects);
    Exchange(ar, m_includeNatal);
    Exchange(ar, m_note);
    Exchange(ar, m_daysBefore);
    Exchange(ar, m_daysAfter);
    Exchange(ar, m_startMonth);
    Exchange(ar, m_startDay);
    Exchange(ar, m_startYear);
    Exchange(ar, m_endMonth);
    Exchange(ar, m_endDay);
    Exchange(ar, m_endYear);
    Exchange(ar, m_natalMonth);
    Exchange(ar, m_natalDay);
    Exchange(ar, m_natalYear);
    Exchange(ar, m_hotSpotDegree);
    Exchange(ar, m_reversePrintOrder);
    Exchange(ar, m_useColor);
    // Seventeen colours here; the overlay circle's colour follows the overlay settings.
    Exchange(ar, m_colorTitleText);
    Exchange(ar, m_colorHeaderText);
    Exchange(ar, m_colorBorder);
    Exchange(ar, m_colorWheelLines);
    Exchange(ar, m_colorWheelText);
    Exchange(ar, m_colorCurrentText);
    Exchange(ar, m_colorCurrentLines);
    Exchange(ar, m_colorNatalText);
    Exchange(ar, m_colorSpare);
    Exchange(ar, m_colorNatalDots);
    Exchange(ar, m_colorJobData);
    Exchange(ar, m_colorNoteText);
    Exchange(ar, m_colorAspectLines);
    Exchange(ar, m_colorAspectText);
    Exchange(ar, m_colorAspectHighlights);
    Exchange(ar, m_colorNotice);
    Exchange(ar, m_colorMoonBall);
    Exchange(ar, m_aspectSelected);
    Exchange(ar, m_customAspect);
    Exchange(ar, m_customAspectEnabled);
    Exchange(ar, m_hotSpotLabel);
    Exchange(ar, m_useDaylightTime);
    Exchange(ar, m_overlayEnabled);
    Exchange(ar, m_overlayParts);
    Exchange(ar, m_overlayStartDegree);
    Exchange(ar, m_overlayFirstValue);
    Exchange(ar, m_overlayStepSize);
    Exchange(ar, m_colorOverlayCircle);
    Exchange(ar, m_printToDib);
}
