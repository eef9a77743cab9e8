#include "chart/draw_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "chart/chart_dc.h"
#include "chart/chart_math.h"
#include "chart/chart_state.h"
#include "chart/modern_layout.h"
#include "chart/page_elements.h"
#include "ephemeris/bodies.h"
#include "ephemeris/calendar.h"
#include "ephemeris/page_positions.h"
#include "ephemeris/position_source.h"
#include "job/caelvane_doc.h"
#include "job/job_fields.h"
#include "job/job_type.h"

namespace {

constexpr char kTitle[] = "Caelvane-THE Graphical Ephemeris";
constexpr char kNotice[] =
    "Caelvane 1.1 - a graphical ephemeris: positions computed from its own series, times in UT";
constexpr char kNoticeStart[] = "Caelvane 1.1 - a graphical ephemeris: ";
constexpr char kDateOrderMessage[] =
    "The ending date is before the starting date\nGo to Job Options Menu and Reenter";

constexpr char kDayNames[7][20] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                                   "THURSDAY", "FRIDAY", "SATURDAY"};

constexpr const char* kTypeLines[kJobTypeCount] = {
    "Type is One Day : Today", "Type is One Day : Starting MDY", "Type is Today minus/plus",
    "Type is Starting MDY to Ending MDY"};

// The modern job block: a size smaller, and every line held to the room it has.
constexpr int kModernJobFont = kModernJobFontForKey;
constexpr int kModernJobRight = 3350;  // lines beside the heading and page line end here
constexpr int kModernDateRight = 550 + kModernNoteWidth;  // beside the wheel
constexpr int kModernPageRight = 4750;  // the page line ends before the wheel's labels
constexpr const char* kModernTypeLines[kJobTypeCount] = {
    "One day: today", "One day: the starting date", "Today minus and plus days",
    "Starting date to ending date"};
constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kModernDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};

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

// The notice line says how the page was made, so that a printed page can always be told apart:
// the series' line as it always was, or the precise library, and whatever the series supplied
// because the library had nothing for the date.
std::string NoticeLine(const WheelLongitudes& positions) {
    if (positions.source == PositionSource::Series && !positions.preciseRefused) return kNotice;
    std::string line = kNoticeStart;
    if (positions.preciseRefused) {
        line += "positions computed from its own series (the date is beyond " +
                PreciseSourceName() + ")";
    } else {
        line += "positions from " + PreciseSourceName();
        line += positions.analytic ? " (analytic theory, no data files for the date)" : "";
        if (positions.chironFromSeries) line += ", Chiron from its own series";
    }
    return line + ", times in UT";
}

void DrawTitleAndCaptions(CChartDC& dc, const ChartState& state, const WheelLongitudes& positions) {
    dc.SelectChartFont("Arial", 420, 1);
    dc.SetColor(state.ElementColor(state.colorTitleText));
    dc.DrawText(1000, 9950, kTitle);

    dc.SelectChartFont("Arial", 130, 1);
    dc.SetColor(state.ElementColor(state.colorNotice));
    dc.DrawText(500, 360, NoticeLine(positions));

    dc.SelectChartFont("Arial", 250, 1);
    dc.SetColor(state.ElementColor(state.colorHeaderText));
    dc.DrawText(3400, 9500, "HELIOCENTRIC");
    dc.DrawText(3400, 5000, "GEOCENTRIC");

    // The job block and the aspect captions keep this font.
    dc.SelectChartFont("Arial", 200, 1);
}

void DrawJobLine(CChartDC& dc, const CCaelvaneDoc& doc) {
    if (dc.Modern()) {
        dc.SelectChartFont("Arial", kModernJobFont, 1);
        const std::string title = doc.GetTitle().substr(0, doc.GetTitle().find('\0'));
        dc.DrawText(550, 9400, ElideToWidth(dc, "Job: " + title, kModernJobRight - 550));
        return;
    }
    char line[kLineBuffer];
    const std::string title = ShortenForLine(doc.GetTitle(), 6);  // "Job: " and a blank
    std::snprintf(line, sizeof line, "Job: %s ", title.c_str());
    dc.DrawText(550, 9400, line);
}

void DrawPageLines(CChartDC& dc, const ChartState& state) {
    char line[kLineBuffer];
    std::snprintf(line, sizeof line, "page %d of %d", state.currentPage, state.pageCount);
    if (dc.Modern()) {
        // Large page numbers take a smaller size rather than reach the wheel.
        int height = kModernJobFont;
        while (height > 60 &&
               dc.MeasureTextIn("Arial", height, 1, line, false).width > kModernPageRight - 3450) {
            height -= 10;
        }
        dc.SelectChartFont("Arial", height, 1);
        dc.DrawText(3450, 9250, line);
        dc.DrawText(3450, 4750, line);
        dc.SelectChartFont("Arial", kModernJobFont, 1);
        return;
    }
    dc.DrawText(3450, 9300, line);
    dc.DrawText(3450, 4800, line);
}

void DrawTypeLine(CChartDC& dc, JobType type) {
    if (dc.Modern()) {
        dc.DrawText(
            550, 9200,
            ElideToWidth(dc, kModernTypeLines[static_cast<int>(type)], kModernJobRight - 550));
        return;
    }
    dc.DrawText(550, 9200, kTypeLines[static_cast<int>(type)]);
}

// The modern date lines: the month by name, the day by its full name, the note cut to the
// room it has (the whole of it stands at the foot of the page).
void DrawModernDateLines(CChartDC& dc, const ChartState& state) {
    char line[kLineBuffer];
    const int width = kModernDateRight - 550;
    if (state.pageMonth >= 1 && state.pageMonth <= 12) {
        std::snprintf(line, sizeof line, "%d %s %d, %02d:%02d UT", state.pageDay,
                      kMonthNames[state.pageMonth - 1], state.pageYear, state.pageHour,
                      state.pageMinute);
    } else {
        std::snprintf(line, sizeof line, "%02d %02d %04d %02d:%02d UT", state.pageMonth,
                      state.pageDay, state.pageYear, state.pageHour, state.pageMinute);
    }
    dc.DrawText(550, 9000, ElideToWidth(dc, line, width));
    dc.DrawText(550, 4500, ElideToWidth(dc, line, width));
    int weekday = state.weekday % 7;
    if (weekday < 0) weekday += 7;
    std::snprintf(line, sizeof line, "%s, JED %.3lf", kModernDayNames[weekday], state.pageJed);
    dc.DrawText(550, 8800, ElideToWidth(dc, line, width));
    dc.DrawText(550, 4300, ElideToWidth(dc, line, width));
    if (state.includeNatal == 1) {
        std::snprintf(line, sizeof line, "Natal date: %02d %02d %04d", state.natalMonth,
                      state.natalDay, state.natalYear);
        if (state.natalMonth >= 1 && state.natalMonth <= 12) {
            std::snprintf(line, sizeof line, "Natal date: %d %s %d", state.natalDay,
                          kMonthNames[state.natalMonth - 1], state.natalYear);
        }
        dc.DrawText(550, 8400, ElideToWidth(dc, line, width));
    }
    dc.SetColor(state.ElementColor(state.colorNoteText));
    const std::string note = state.note.substr(0, state.note.find('\0'));
    if (note.find_first_not_of(' ') != std::string::npos) {
        dc.DrawText(550, 8600, ElideToWidth(dc, "Note: " + note, width));
    }
}

// Date, JED, natal and note lines: the part of the job block that follows the date selection.
void DrawDateLines(CChartDC& dc, const ChartState& state) {
    if (dc.Modern()) {
        DrawModernDateLines(dc, state);
        return;
    }
    char line[kLineBuffer];
    std::snprintf(line, sizeof line, "%02d %02d %04d %02d:%02d UT", state.pageMonth, state.pageDay,
                  state.pageYear, state.pageHour, state.pageMinute);
    dc.DrawText(550, 9000, line);
    dc.DrawText(550, 4500, line);

    if (state.jobType == JobType::Today) {
        std::snprintf(line, sizeof line, "%s %12.3lf JED %d", DayName(state.weekday), state.pageJed,
                      state.weekday);
    } else {
        std::snprintf(line, sizeof line, "%s %12.3lf JED  ", DayName(state.weekday), state.pageJed);
    }
    dc.DrawText(550, 8800, line);
    dc.DrawText(550, 4300, line);

    if (state.includeNatal == 1) {
        std::snprintf(line, sizeof line, "Natal Date: %02d %02d %04d ", state.natalMonth,
                      state.natalDay, state.natalYear);
        dc.DrawText(550, 8400, line);
    }

    // The note stands above the natal line but is drawn after it.
    dc.SetColor(state.ElementColor(state.colorNoteText));
    const std::string note = ShortenForLine(state.note, 6);  // "Note: "
    std::snprintf(line, sizeof line, "Note: %s", note.c_str());
    dc.DrawText(550, 8600, line);
}

// The job block of a prepared page. A reversed date range shows its message and ends the
// page (false); a date range of TODAY -/+ days shows its job, page and type lines first.
bool DrawJobBlock(CChartDC& dc, const CCaelvaneDoc& doc, const ChartState& state, bool datesInOrder,
                  caelvane::CHostServices& host) {
    if (!state.jobType) return true;  // no job block
    const JobType type = *state.jobType;
    dc.SetColor(state.ElementColor(state.colorJobData));
    if (type == JobType::TodayRange) {
        DrawJobLine(dc, doc);
        DrawPageLines(dc, state);
        DrawTypeLine(dc, type);
    }
    if (!datesInOrder) {
        host.MessageBox(kDateOrderMessage);
        return false;
    }
    if (type != JobType::TodayRange) {
        DrawJobLine(dc, doc);
        DrawPageLines(dc, state);
        DrawTypeLine(dc, type);
    }
    DrawDateLines(dc, state);
    return true;
}

void DrawAspectCaptions(CChartDC& dc, const ChartState& state) {
    dc.SetColor(state.ElementColor(state.colorAspectText));
    if (dc.Modern()) dc.SelectChartFont("Arial", 200, 1);
    if (state.includeNatal == 1) {
        dc.DrawText(1530, 8170, "CURRENT TO NATAL");
        dc.DrawText(1530, 3670, "CURRENT TO NATAL");
        dc.DrawText(6600, 5190, "<- NATAL");
        dc.DrawText(6600, 690, "<- NATAL");
    } else {
        dc.DrawText(1530, 8170, "CURRENT TO CURRENT");
        dc.DrawText(1530, 3670, "CURRENT TO CURRENT");
    }
}

// Where each job field that the chart copies before drawing lands in its state. A field that
// the job's field table marks for the chart and that has no place here does not build.
template <auto DocMember>
constexpr auto kStateMember = nullptr;
#define CAELVANE_STATE_MEMBER(member) \
    template <>                       \
    constexpr auto kStateMember<&CCaelvaneDoc::m_##member> = &ChartState::member
CAELVANE_STATE_MEMBER(jobType);
CAELVANE_STATE_MEMBER(includeAspects);
CAELVANE_STATE_MEMBER(includeNatal);
CAELVANE_STATE_MEMBER(reversePrintOrder);
CAELVANE_STATE_MEMBER(useColor);
CAELVANE_STATE_MEMBER(useDaylightTime);
CAELVANE_STATE_MEMBER(note);
CAELVANE_STATE_MEMBER(daysBefore);
CAELVANE_STATE_MEMBER(daysAfter);
CAELVANE_STATE_MEMBER(startMonth);
CAELVANE_STATE_MEMBER(startDay);
CAELVANE_STATE_MEMBER(startYear);
CAELVANE_STATE_MEMBER(endMonth);
CAELVANE_STATE_MEMBER(endDay);
CAELVANE_STATE_MEMBER(endYear);
CAELVANE_STATE_MEMBER(natalMonth);
CAELVANE_STATE_MEMBER(natalDay);
CAELVANE_STATE_MEMBER(natalYear);
CAELVANE_STATE_MEMBER(hotSpotDegree);
CAELVANE_STATE_MEMBER(hotSpotLabel);
CAELVANE_STATE_MEMBER(overlayEnabled);
CAELVANE_STATE_MEMBER(overlayParts);
CAELVANE_STATE_MEMBER(overlayStartDegree);
CAELVANE_STATE_MEMBER(overlayFirstValue);
CAELVANE_STATE_MEMBER(overlayStepSize);
CAELVANE_STATE_MEMBER(currentPage);
CAELVANE_STATE_MEMBER(colorTitleText);
CAELVANE_STATE_MEMBER(colorHeaderText);
CAELVANE_STATE_MEMBER(colorBorder);
CAELVANE_STATE_MEMBER(colorWheelLines);
CAELVANE_STATE_MEMBER(colorWheelText);
CAELVANE_STATE_MEMBER(colorCurrentText);
CAELVANE_STATE_MEMBER(colorCurrentLines);
CAELVANE_STATE_MEMBER(colorNatalText);
CAELVANE_STATE_MEMBER(colorSpare);
CAELVANE_STATE_MEMBER(colorNatalDots);
CAELVANE_STATE_MEMBER(colorJobData);
CAELVANE_STATE_MEMBER(colorNoteText);
CAELVANE_STATE_MEMBER(colorAspectLines);
CAELVANE_STATE_MEMBER(colorAspectText);
CAELVANE_STATE_MEMBER(colorAspectHighlights);
CAELVANE_STATE_MEMBER(colorNotice);
CAELVANE_STATE_MEMBER(colorMoonBall);
CAELVANE_STATE_MEMBER(colorOverlayCircle);
#undef CAELVANE_STATE_MEMBER

// The page date of a date range: page 1 shows the first day, page n the day n - 1 after it,
// always at 17:00 UT.
void SetRangePageDate(ChartState& state) {
    state.pageJed = state.startJed + (static_cast<double>(state.currentPage) - 1.0);
    CalendarDate(state.pageJed, state.pageMonth, state.pageDay, state.pageYear, state.pageHour,
                 state.pageMinute);
    state.pageHour = 17;
    state.pageMinute = 0;
}

void ReadLocalDate(ChartState& state, const caelvane::CHostServices& host) {
    const caelvane::LocalDate today = host.Today();
    state.localMonth = today.month;
    state.localDay = today.day;
    state.localYear = today.year;
}

}  // namespace

void CopyChartState(const CCaelvaneDoc& doc, ChartState& state) {
    state.defaultHour = state.pageHour = 17;
    state.defaultMinute = state.pageMinute = 0;
    ForEachJobField<JobFieldUse::ChartCopy>(doc, [&state](const auto& field, auto values) {
        using Field = std::remove_cvref_t<decltype(field)>;
        constexpr auto target = kStateMember<Field::kMember>;
        static_assert(!std::is_null_pointer_v<decltype(target)>,
                      "a job field the chart copies has no member in ChartState");
        auto& to = state.*target;
        using Target = std::remove_reference_t<decltype(to)>;
        if constexpr (std::is_same_v<Target, std::optional<JobType>>) {
            to = JobTypeOf(values[0]);
        } else if constexpr (std::is_array_v<Target>) {
            static_assert(std::extent_v<Target> == Field::kCount);
            std::copy(values.begin(), values.end(), std::begin(to));
        } else {
            // The daylight switch is held as a byte: only its low byte counts.
            to = static_cast<Target>(values[0]);
        }
    });
    // Every colour of the job, so that the elements read their colours from the state alone.
    ForEachJobField<JobFieldUse::Saved>(doc, [&state](const auto& field, auto values) {
        using Field = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_same_v<typename Field::Value, COLORREF>) {
            constexpr auto target = kStateMember<Field::kMember>;
            static_assert(!std::is_null_pointer_v<decltype(target)>,
                          "a job colour has no member in ChartState");
            state.*target = values[0];
        }
    });
    // The extra table entries start as the hot spots; the price display may replace two.
    std::copy(std::begin(state.hotSpotDegree), std::end(state.hotSpotDegree),
              std::begin(state.hotSpotDegree2));
}

void PreparePaging(const CCaelvaneDoc& doc, ChartState& state) {
    CopyChartState(doc, state);
    if (state.includeNatal == 1) {
        state.natalJed = JulianDate(state.natalMonth, state.natalDay, state.natalYear, 17, 0);
    }
    state.startJed = JulianDate(state.startMonth, state.startDay, state.startYear, 17, 0);
    state.endJed = JulianDate(state.endMonth, state.endDay, state.endYear, 17, 0);
    if (!state.jobType) return;  // no job block: the page count and the last page's date stay
    switch (*state.jobType) {
        case JobType::Today:
        case JobType::StartDate:
            state.pageCount = state.currentPage = 1;
            break;
        case JobType::TodayRange:
            // Days before and after come from the file unchecked: their sum is taken in 64 bits
            // and held to the int range.
            state.pageCount =
                SaturateToInt(static_cast<long long>(state.daysBefore) + state.daysAfter + 1);
            break;
        case JobType::StartToEnd:
            // A reversed range keeps the page count it had. Held to the int range: a range of
            // more than 2^31 days shows INT_MAX pages.
            if (!(state.endJed < state.startJed)) {
                state.pageCount = TruncToInt(std::trunc(state.endJed - state.startJed) + 1.0);
            }
            break;
    }
}

bool PreparePage(const CCaelvaneDoc& doc, ChartState& state, const caelvane::CHostServices& host) {
    PreparePaging(doc, state);
    if (!state.jobType) return true;  // no job block
    switch (*state.jobType) {
        case JobType::Today:
            ReadLocalDate(state, host);
            state.pageMonth = state.localMonth;
            state.pageDay = state.localDay;
            state.pageYear = state.localYear;
            if (doc.m_priceMonitorOn == 1) {
                state.pageHour = SaturateToInt(static_cast<long long>(doc.m_priceHour) - 7);
                state.pageMinute = doc.m_priceMinute;
            }
            state.pageJed = JulianDate(state.pageMonth, state.pageDay, state.pageYear,
                                       state.pageHour, state.pageMinute);
            break;
        case JobType::StartDate:
            state.pageMonth = state.startMonth;
            state.pageDay = state.startDay;
            state.pageYear = state.startYear;
            state.pageJed = JulianDate(state.startMonth, state.startDay, state.startYear, 17, 0);
            break;
        case JobType::TodayRange: {
            ReadLocalDate(state, host);
            const double today =
                JulianDate(state.localMonth, state.localDay, state.localYear, 17, 0);
            state.startJed = today - state.daysBefore;
            state.endJed = today + state.daysAfter;
            if (state.endJed < state.startJed) return false;
            SetRangePageDate(state);
            break;
        }
        case JobType::StartToEnd:
            if (state.endJed < state.startJed) return false;
            SetRangePageDate(state);
            break;
    }
    state.weekday = DayOfWeek(state.pageJed);
    return true;
}

std::optional<int> DrawChartPage(const CCaelvaneDoc& doc, ChartState& state, CDrawingDevice& device,
                                 caelvane::CHostServices& host) {
    const bool datesInOrder = PreparePage(doc, state, host);
    // Computed before anything is drawn: the notice line names where they came from.
    const PagePositions positions = ComputePagePositions(state.pageJed, state.positionSource);

    CChartDC dc(device, state.pageStyle);
    DrawBorderAndWheels(dc, state);
    DrawTitleAndCaptions(dc, state, positions);
    if (!DrawJobBlock(dc, doc, state, datesInOrder, host)) return std::nullopt;  // dc ends too
    if (state.includeAspects == 1) DrawAspectCaptions(dc, state);
    const int pageCount = state.pageCount;

    PageScratch scratch;
    DrawSignLettersAndDegreeLabels(dc, state, scratch.textBuffer);
    DrawBodies(dc, state, positions, scratch.current);
    scratch.daylightOffset = DrawHourDial(dc, state, host.ZoneRule(), positions);
    DrawPriceMarksAndOverlay(dc, doc, state, scratch.daylightOffset, scratch.price);
    DrawLatitudeColumnAndEntryLabels(dc, doc, state, positions, scratch.price);
    DrawHotSpotsAndNatalMarks(dc, state, scratch.natal);
    DrawAspectTables(dc, doc, state, scratch.current, scratch.natal);
    DrawMoonScale(dc, state, positions, scratch.price);
    DrawPageKey(dc, state);
    return pageCount;
}
