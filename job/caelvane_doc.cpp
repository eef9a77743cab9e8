#include "job/caelvane_doc.h"

#include <algorithm>
#include <array>

#include "job/job_fields.h"
#include "job/job_type.h"
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

}  // namespace

CCaelvaneDoc::CCaelvaneDoc() : m_pageCount(0), m_priceHour(0), m_priceMinute(0), m_price(0.0) {
    SetDefaults();
}

CCaelvaneDoc::~CCaelvaneDoc() = default;

void CCaelvaneDoc::SetDefaults() {
    m_jobType = static_cast<std::int32_t>(JobType::StartDate);
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
    ForEachJobField<JobFieldUse::Copied>(*this, [&](const auto& field, auto mine) {
        const auto theirs = field.Values(other);
        std::copy(theirs.begin(), theirs.end(), mine.begin());
    });
}

void CCaelvaneDoc::Serialize(CArchive& ar) {
    // The record has no header and no version: the table's order and kinds are the file. A
    // short record throws from the archive, leaving the fields read so far.
    ForEachJobField<JobFieldUse::Saved>(*this, [&](const auto&, auto values) {
        for (auto& value : values) Exchange(ar, value);
    });
}
