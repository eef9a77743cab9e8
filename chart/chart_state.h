#pragma once
#include <optional>
#include <string>

#include "chart/page_style.h"
#include "ephemeris/page_positions.h"
#include "job/job_type.h"
#include "platform/colorref.h"

// The chart state of one view: the job's fields as the chart reads them, copied from the job at
// the start of every drawing, and the page bookkeeping that the drawing works out (page count,
// the page's date and JED). It outlives a drawing: the page keys, printing and the run-time
// tools read the page count and job type that the view's last preparation left.
//
// Member                      what it holds
// jobType                     the job's type; nothing when the stored number is outside the
//                             four (the page then has no job block and keeps its paging)
// includeAspects/Natal        the job's switches (0/1)
// reversePrintOrder           1: print the last page first
// useColor                    0: every element in black
// useDaylightTime             the job's daylight switch, cut to a byte
// note                        the note line's text
// daysBefore, daysAfter       the span of a TODAY -/+ job
// start*/end*/natal*          the job's dates (month, day, year)
// hotSpotDegree[4]            the hot spots as the job holds them
// hotSpotDegree2[4]           the extra table entries 13..15 (price and time while the
//                             price display is on)
// hotSpotLabel[4]             their labels
// overlay*                    the overlay ring
// currentPage, pageCount      the page on show (1-based) and the job's page count
// defaultHour/Minute          17:00 UT, every chart date's time
// page* (month .. minute)     the page's date and time
// pageJed, startJed, endJed,  the page's, the range's and the natal date's JED
// natalJed
// weekday                     the page's day of the week, 0 = Sunday
// local* (month, day, year)   the host's local date, read for TODAY jobs
// daylightStartJed/EndJed     the page year's daylight period, set by the hour dial
// positionSource              where positions come from: the program's choice, not the job's;
//                             set by whoever owns the state, never by the drawing
// pageStyle                   classic or modern: the program's choice, like positionSource
// color*                      the job's colours as it holds them (ElementColor applies
//                             useColor): the only place the elements take colours from
struct ChartState {
    std::optional<JobType> jobType = JobType::Today;
    unsigned char includeAspects = 0;
    unsigned char includeNatal = 0;
    unsigned char reversePrintOrder = 0;
    unsigned char useColor = 1;
    unsigned char useDaylightTime = 0;
    std::string note;
    int daysBefore = 0, daysAfter = 0;
    int startMonth = 1, startDay = 1, startYear = 2000;
    int endMonth = 1, endDay = 1, endYear = 2000;
    int natalMonth = 1, natalDay = 1, natalYear = 2000;
    double hotSpotDegree[4] = {};
    double hotSpotDegree2[4] = {};
    std::string hotSpotLabel[4];
    int overlayEnabled = 0;
    int overlayParts = 0;
    double overlayStartDegree = 0.0;
    int overlayFirstValue = 0;
    int overlayStepSize = 0;
    int currentPage = 1;
    int pageCount = 1;
    int defaultHour = 17, defaultMinute = 0;
    int pageMonth = 1, pageDay = 1, pageYear = 2000, pageHour = 17, pageMinute = 0;
    double pageJed = 0.0;
    double startJed = 0.0, endJed = 0.0;
    double natalJed = 0.0;
    int weekday = 0;
    int localMonth = 1, localDay = 1, localYear = 2000;
    double daylightStartJed = 0.0, daylightEndJed = 0.0;
    PositionSource positionSource = kDefaultPositionSource;
    PageStyle pageStyle = kDefaultPageStyle;
    // The job's colours.
    COLORREF colorTitleText = 0, colorHeaderText = 0, colorBorder = 0;
    COLORREF colorWheelLines = 0, colorWheelText = 0, colorCurrentText = 0;
    COLORREF colorCurrentLines = 0, colorNatalText = 0, colorSpare = 0;
    COLORREF colorNatalDots = 0, colorJobData = 0, colorNoteText = 0;
    COLORREF colorAspectLines = 0, colorAspectText = 0, colorAspectHighlights = 0;
    COLORREF colorNotice = 0, colorMoonBall = 0, colorOverlayCircle = 0;

    // The element colour rule: the document colour when "Use Color" is on, black otherwise.
    COLORREF ElementColor(COLORREF documentColor) const {
        return useColor == 1 ? documentColor : 0;
    }
    // Only the date ranges have more than one page.
    bool IsDateRange() const { return jobType && ::IsDateRange(*jobType); }
    bool Modern() const { return pageStyle == PageStyle::Modern; }
};

// Longitudes of the aspect tables' entries, indexed by body code 1..12; 13..15 are the three
// extra entries (hot spots, or price and time). Index 0 is unused.
struct EntryLongitudes {
    double helio[16] = {};
    double geo[16] = {};
};

// The price display's two angles in degrees, set by the price marks while the display is on
// and read by the extra table entries 13 and 14; on the modern page also where the price
// lines end (page units; 0 without them), so that the Moon's notes stand clear of them.
struct PriceAngles {
    double priceAngle = 0.0;
    double timeAngle = 0.0;
    int linesRight = 0;
};

// What one drawing's elements hand on to later ones. Made fresh for every page.
struct PageScratch {
    EntryLongitudes current;  // the page's bodies, filled by the wheels
    EntryLongitudes natal;    // the natal date's bodies, filled by the natal marks
    // -15 when the page is in daylight time (and the job asks for it), else 0; set by the hour
    // dial and used by the price marks.
    double daylightOffset = 0.0;
    PriceAngles price;
    char textBuffer[100] = {};
};
