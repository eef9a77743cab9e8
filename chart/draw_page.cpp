#include "chart/draw_page.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "chart/chart_dc.h"
#include "chart/chart_math.h"
#include "chart/chart_state.h"
#include "chart/page_elements.h"
#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"

namespace {

constexpr char kTitle[] = "Caelvane-THE Graphical Ephemeris";
constexpr char kNotice[] =
    "Caelvane 1.1 - a graphical ephemeris: positions computed from its own series, times in UT";
constexpr char kDateOrderMessage[] =
    "The ending date is before the starting date\nGo to Job Options Menu and Reenter";

constexpr char kDayNames[7][20] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                                   "THURSDAY", "FRIDAY", "SATURDAY"};

constexpr const char* kTypeLines[4] = {"Type is One Day : Today", "Type is One Day : Starting MDY",
                                       "Type is Today minus/plus",
                                       "Type is Starting MDY to Ending MDY"};

// Header lines are formatted into a 100-character buffer. A title or note too long for it is
// cut so that the whole line fits, and ends in "..." to show that it was shortened.
constexpr std::size_t kLineBuffer = 100;

std::string ShortenForLine(std::string_view text, std::size_t fixedChars) {
    const std::size_t room = kLineBuffer - 1 - fixedChars;
    text = text.substr(0, text.find('\0'));  // the text ends at its first zero byte
    if (text.size() <= room) return std::string(text);
    return std::string(text.substr(0, room - 3)) + "...";
}

int SaturateToInt(long long value) {
    if (value > 2147483647LL) return 2147483647;
    if (value < -2147483647LL - 1) return -2147483647 - 1;
    return static_cast<int>(value);
}

// The day name of a weekday index. DayOfWeek of a JED before the epoch can come out negative;
// the name is then taken for the same day of the cycle rather than read outside the table.
const char* DayName(int weekday) {
    int index = weekday % 7;
    if (index < 0) index += 7;
    return kDayNames[index];
}

// The page JED of a date-range job: page 1 shows the first day, page n the day n - 1 after it.
double RangePageJed() {
    return g_startJed + (static_cast<double>(g_currentPage) - 1.0);
}

void ReadLocalDate(caelvane::CHostServices& host) {
    const caelvane::LocalDate today = host.Today();
    g_localMonth = today.month;
    g_localDay = today.day;
    g_localYear = today.year;
}

void DrawTitleAndCaptions(CChartDC& dc, const CCaelvaneDoc& doc) {
    dc.SelectChartFont("Arial", 420, 1);
    dc.SetColor(ElementColor(doc.m_colorTitleText));
    dc.DrawText(1000, 9950, kTitle);

    dc.SelectChartFont("Arial", 130, 1);
    dc.SetColor(ElementColor(doc.m_colorNotice));
    dc.DrawText(500, 360, kNotice);

    dc.SelectChartFont("Arial", 250, 1);
    dc.SetColor(ElementColor(doc.m_colorHeaderText));
    dc.DrawText(3400, 9500, "HELIOCENTRIC");
    dc.DrawText(3400, 5000, "GEOCENTRIC");

    // The job block and the aspect captions keep this font.
    dc.SelectChartFont("Arial", 200, 1);
}

void DrawJobLine(CChartDC& dc, const CCaelvaneDoc& doc) {
    char line[kLineBuffer];
    const std::string title = ShortenForLine(doc.GetTitle(), 6);  // "Job: " and a blank
    std::snprintf(line, sizeof line, "Job: %s ", title.c_str());
    dc.DrawText(550, 9400, line);
}

void DrawPageLines(CChartDC& dc) {
    char line[kLineBuffer];
    std::snprintf(line, sizeof line, "page %d of %d", g_currentPage, g_pageCount);
    dc.DrawText(3450, 9300, line);
    dc.DrawText(3450, 4800, line);
}

void DrawTypeLine(CChartDC& dc) {
    dc.DrawText(550, 9200, kTypeLines[g_jobType]);
}

// Date, JED, natal and note lines: the part of the job block that follows the date selection.
void DrawDateLines(CChartDC& dc, const CCaelvaneDoc& doc) {
    char line[kLineBuffer];
    std::snprintf(line, sizeof line, "%02d %02d %04d %02d:%02d UT", g_pageMonth, g_pageDay,
                  g_pageYear, g_pageHour, g_pageMinute);
    dc.DrawText(550, 9000, line);
    dc.DrawText(550, 4500, line);

    if (g_jobType == 0) {
        std::snprintf(line, sizeof line, "%s %12.3lf JED %d", DayName(g_weekday), g_pageJed,
                      g_weekday);
    } else {
        std::snprintf(line, sizeof line, "%s %12.3lf JED  ", DayName(g_weekday), g_pageJed);
    }
    dc.DrawText(550, 8800, line);
    dc.DrawText(550, 4300, line);

    if (g_includeNatal == 1) {
        std::snprintf(line, sizeof line, "Natal Date: %02d %02d %04d ", g_natalMonth, g_natalDay,
                      g_natalYear);
        dc.DrawText(550, 8400, line);
    }

    // The note stands above the natal line but is drawn after it.
    dc.SetColor(ElementColor(doc.m_colorNoteText));
    const std::string note = ShortenForLine(g_note, 6);  // "Note: "
    std::snprintf(line, sizeof line, "Note: %s", note.c_str());
    dc.DrawText(550, 8600, line);
}

// Ends the page early when a date range runs backwards; true when drawing may go on.
bool CheckDateOrder(caelvane::CHostServices& host) {
    if (g_endJed < g_startJed) {
        host.MessageBox(kDateOrderMessage);
        return false;
    }
    return true;
}

void SetPageDateFromJed() {
    CalendarDate(g_pageJed, g_pageMonth, g_pageDay, g_pageYear, g_pageHour, g_pageMinute);
    g_pageHour = 17;
    g_pageMinute = 0;
}

// Selects the page's date for the job type and draws the job block. Returns false when a
// reversed date range has ended the page.
bool DrawJobBlock(CChartDC& dc, const CCaelvaneDoc& doc, caelvane::CHostServices& host) {
    if (g_jobType < 0 || g_jobType > 3) return true;  // no job block; the last page's date stays
    dc.SetColor(ElementColor(doc.m_colorJobData));

    switch (g_jobType) {
        case 0:
            g_pageCount = g_currentPage = 1;
            ReadLocalDate(host);
            g_pageMonth = g_localMonth;
            g_pageDay = g_localDay;
            g_pageYear = g_localYear;
            if (doc.m_priceMonitorOn == 1) {
                g_pageHour = SaturateToInt(static_cast<long long>(doc.m_priceHour) - 7);
                g_pageMinute = doc.m_priceMinute;
            }
            g_pageJed = JulianDate(g_pageMonth, g_pageDay, g_pageYear, g_pageHour, g_pageMinute);
            break;
        case 1:
            g_pageCount = g_currentPage = 1;
            g_pageMonth = g_startMonth;
            g_pageDay = g_startDay;
            g_pageYear = g_startYear;
            g_pageJed = JulianDate(g_startMonth, g_startDay, g_startYear, 17, 0);
            break;
        case 2: {
            ReadLocalDate(host);
            const double today = JulianDate(g_localMonth, g_localDay, g_localYear, 17, 0);
            g_startJed = today - g_daysBefore;
            g_endJed = today + g_daysAfter;
            // Days before and after come from the file unchecked: their sum is taken in 64 bits
            // and held to the int range.
            g_pageCount = SaturateToInt(static_cast<long long>(g_daysBefore) + g_daysAfter + 1);
            DrawJobLine(dc, doc);
            DrawPageLines(dc);
            DrawTypeLine(dc);
            if (!CheckDateOrder(host)) return false;
            g_pageJed = RangePageJed();
            SetPageDateFromJed();
            g_weekday = DayOfWeek(g_pageJed);
            DrawDateLines(dc, doc);
            return true;
        }
        case 3:
            if (!CheckDateOrder(host)) return false;
            // Held to the int range: a range of more than 2^31 days shows INT_MAX pages.
            g_pageCount = TruncToInt(std::trunc(g_endJed - g_startJed) + 1.0);
            g_pageJed = RangePageJed();
            SetPageDateFromJed();
            break;
    }
    g_weekday = DayOfWeek(g_pageJed);
    DrawJobLine(dc, doc);
    DrawPageLines(dc);
    DrawTypeLine(dc);
    DrawDateLines(dc, doc);
    return true;
}

void DrawAspectCaptions(CChartDC& dc, const CCaelvaneDoc& doc) {
    dc.SetColor(ElementColor(doc.m_colorAspectText));
    if (g_includeNatal == 1) {
        dc.DrawText(1530, 8170, "CURRENT TO NATAL");
        dc.DrawText(1530, 3670, "CURRENT TO NATAL");
        dc.DrawText(6600, 5190, "<- NATAL");
        dc.DrawText(6600, 690, "<- NATAL");
    } else {
        dc.DrawText(1530, 8170, "CURRENT TO CURRENT");
        dc.DrawText(1530, 3670, "CURRENT TO CURRENT");
    }
}

}  // namespace

void CopyChartState(const CCaelvaneDoc& doc) {
    g_defaultHour = g_pageHour = 17;
    g_defaultMinute = g_pageMinute = 0;
    g_jobType = doc.m_jobType;
    g_includeAspects = doc.m_includeAspects;
    g_includeNatal = doc.m_includeNatal;
    g_reversePrintOrder = doc.m_reversePrintOrder;
    g_useColor = doc.m_useColor;
    g_useDaylightTime = static_cast<unsigned char>(doc.m_useDaylightTime & 0xFF);
    g_note = doc.m_note;
    g_daysBefore = doc.m_daysBefore;
    g_daysAfter = doc.m_daysAfter;
    g_startMonth = doc.m_startMonth;
    g_startDay = doc.m_startDay;
    g_startYear = doc.m_startYear;
    g_endMonth = doc.m_endMonth;
    g_endDay = doc.m_endDay;
    g_endYear = doc.m_endYear;
    g_natalMonth = doc.m_natalMonth;
    g_natalDay = doc.m_natalDay;
    g_natalYear = doc.m_natalYear;
    for (int i = 0; i < 4; ++i) {
        g_hotSpotDegree[i] = doc.m_hotSpotDegree[i];
        g_hotSpotDegree2[i] = doc.m_hotSpotDegree[i];
        g_hotSpotLabel[i] = doc.m_hotSpotLabel[i];
    }
    g_overlayEnabled = doc.m_overlayEnabled;
    g_overlayParts = doc.m_overlayParts;
    g_overlayStartDegree = doc.m_overlayStartDegree;
    g_overlayFirstValue = doc.m_overlayFirstValue;
    g_overlayStepSize = doc.m_overlayStepSize;
    g_currentPage = doc.m_currentPage;
}

void DrawChartPage(CCaelvaneDoc& doc, CDrawingDevice& device, caelvane::CHostServices& host) {
    CopyChartState(doc);
    if (g_includeNatal == 1) g_natalJed = JulianDate(g_natalMonth, g_natalDay, g_natalYear, 17, 0);
    g_startJed = JulianDate(g_startMonth, g_startDay, g_startYear, 17, 0);
    g_endJed = JulianDate(g_endMonth, g_endDay, g_endYear, 17, 0);

    CChartDC dc(device);
    DrawBorderAndWheels(dc, doc);
    DrawTitleAndCaptions(dc, doc);
    if (!DrawJobBlock(dc, doc, host)) return;  // the drawing context ends here too
    if (g_includeAspects == 1) DrawAspectCaptions(dc, doc);
    doc.m_pageCount = g_pageCount;

    DrawSignLettersAndDegreeLabels(dc, doc);
    DrawBodies(dc, doc);
    DrawHourDial(dc, doc, host.ZoneRule());
    DrawPriceMarksAndOverlay(dc, doc);
    DrawLatitudeColumnAndEntryLabels(dc, doc);
    DrawHotSpotsAndNatalMarks(dc, doc);
    DrawAspectTables(dc, doc);
    DrawMoonScale(dc, doc);
}
