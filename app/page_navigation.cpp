#include "app/page_navigation.h"

#include <QLocale>
#include <cmath>

#include "app/caelvane_view.h"
#include "chart/chart_state.h"
#include "chart/draw_page.h"
#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"

namespace {

QDate DateOfJed(double jed) {
    int month = 1, day = 1, year = 2000, hour = 0, minute = 0;
    CalendarDate(jed, month, day, year, hour, minute);
    return QDate(year, month, day);
}

QString DateText(QDate date) {
    return QLocale::c().toString(date, QStringLiteral("yyyy-MM-dd"));
}

}  // namespace

std::optional<PageDateRange> JobPageDates(const CCaelvaneDoc& doc,
                                          const caelvane::CHostServices& host) {
    ChartState state;
    if (!PreparePage(doc, state, host) || !state.IsDateRange()) return std::nullopt;
    return PageDateRange{DateOfJed(state.startJed),
                         DateOfJed(state.startJed + (state.pageCount - 1.0))};
}

std::optional<int> PageForDate(const CCaelvaneDoc& doc, const caelvane::CHostServices& host,
                               QDate date, QString& error) {
    ChartState state;
    const bool datesInOrder = PreparePage(doc, state, host);
    if (!state.IsDateRange()) {
        error = QStringLiteral("This job shows a single day; it has no pages to go to.");
        return std::nullopt;
    }
    if (!datesInOrder) {
        error = QStringLiteral("The job's end date comes before its start date.");
        return std::nullopt;
    }
    if (!date.isValid()) {
        error = QStringLiteral("The date is not a valid day.");
        return std::nullopt;
    }
    // Pages are whole days at 17:00 UT from the first one.
    const double jed = JulianDate(date.month(), date.day(), date.year(), 17, 0);
    const double offset = std::round(jed - state.startJed);
    if (!(offset >= 0.0) || !(offset < state.pageCount)) {
        error = QStringLiteral("%1 is outside the job's dates, %2 to %3.")
                    .arg(DateText(date), DateText(DateOfJed(state.startJed)),
                         DateText(DateOfJed(state.startJed + (state.pageCount - 1.0))));
        return std::nullopt;
    }
    return static_cast<int>(offset) + 1;
}

QString PageNumberText(const PageStatus& status) {
    return QStringLiteral("Page %1 of %2").arg(status.page).arg(status.pageCount);
}

QString PageDateText(const PageStatus& status) {
    if (!status.date.isValid()) return {};
    return QLocale::c().toString(status.date, QStringLiteral("ddd MMM d, yyyy"));
}
