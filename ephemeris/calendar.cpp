#include "ephemeris/calendar.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {

using Wide = std::int64_t;

// The day count below is defined for 32-bit fields. It is worked out in 64 bits, where no
// field of 32 bits can overflow it, so every date whose 32-bit sums fit gives the same
// number, and the others get the count an unbounded integer would give.
double JulianDateWide(Wide month, Wide day, Wide year, Wide hour, Wide minute) {
    Wide y = year;
    Wide m = month;
    if (month < 3) {
        y = year - 1;
        m = month + 12;
    }
    const Wide a = y / 100;  // C++ division truncates toward zero
    const Wide b = 2 - a + a / 4;
    // Both products are exact in double for 33-bit operands and fit 64 bits after truncation.
    const Wide n = static_cast<Wide>(365.25 * static_cast<double>(y)) +
                   static_cast<Wide>(30.6001 * static_cast<double>(m + 1)) + day + b;
    return ((static_cast<double>(minute) * (1.0 / 1440) + static_cast<double>(hour) * (1.0 / 24)) +
            static_cast<double>(n)) +
           1720994.5;
}

int ClampToInt(Wide value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Truncation toward zero of a double that is known to lie well inside the 64-bit range.
Wide Int(double value) {
    return static_cast<Wide>(value);
}

// The day number of the first reformed (Gregorian) day.
constexpr Wide kReformDay = 2299161;
// Beyond this many days from the epoch the year no longer fits 32 bits anyway; the split is
// worked out at this distance so every intermediate stays exact and inside 64 bits.
constexpr double kJedLimit = 1e15;

// A weekday search that finds no match within a week has a rule that names no weekday.
constexpr int kDaysInWeek = 7;

}  // namespace

double JulianDate(int month, int day, int year, int hour, int minute) {
    return JulianDateWide(month, day, year, hour, minute);
}

void CalendarDate(double jed, int& month, int& day, int& year, int& hour, int& minute) {
    if (std::isnan(jed)) {
        month = 1;
        day = 1;
        year = 0;
        hour = 0;
        minute = 0;
        return;
    }
    if (jed > kJedLimit) jed = kJedLimit;
    if (jed < -kJedLimit) jed = -kJedLimit;

    double whole = 0;
    const double f = std::modf(jed + 0.5, &whole);
    const Wide z = Int(whole);
    Wide a = z;
    if (z >= kReformDay) {
        const Wide alpha = Int((static_cast<double>(z) - 1867216.25) * 2.7379070069885075e-05);
        a = z + 1 + alpha - Int(static_cast<double>(alpha) * 0.25);
    }
    const Wide b = a + 1524;
    const Wide y1 = Int((static_cast<double>(b) - 122.1) * 0.0027378507871321013);
    const Wide d1 = Int(365.25 * static_cast<double>(y1));
    const Wide m1 = Int(static_cast<double>(b - d1) * 0.03267963176590926);
    day = ClampToInt(Int(static_cast<double>(b - d1 - Int(30.6001 * static_cast<double>(m1))) + f));
    const Wide monthWide = m1 < 13.5 ? m1 - 1 : m1 - 13;
    month = ClampToInt(monthWide);
    year = ClampToInt(monthWide > 2.5 ? y1 - 4716 : y1 - 4715);
    hour = static_cast<int>(f * 24);
    minute = static_cast<int>((f * 24 - hour) * 60);
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DayOfWeek(double jed) {
    double rest = std::fmod(jed + 1.5, 7);
    if (std::isnan(rest)) return 0;
    // Before JED -1.5 the remainder is negative; the weekday still counts from Sunday.
    if (rest < 0) rest += 7;
    const int weekday = static_cast<int>(rest);
    return weekday > 6 ? 6 : weekday;
}

namespace {

double TransitionDate(int year, const caelvane::SystemTime& record) {
    if (record.year != 0) {
        return JulianDateWide(record.month, record.day, year, record.hour, record.minute);
    }
    const bool validWeekday = record.dayOfWeek >= 0 && record.dayOfWeek < kDaysInWeek;
    if (record.day >= 5) {
        // The last such weekday: from the last day of the month backwards.
        double x = JulianDateWide(Wide{record.month} + 1, 1, year, 0, 0) - 1;
        for (int step = 0; step < kDaysInWeek && validWeekday; ++step) {
            if (DayOfWeek(x) == record.dayOfWeek) break;
            x = x - 1;
        }
        return x + 0.5;
    }
    double x = JulianDateWide(record.month, 1, year, 0, 0);
    if (record.day < 1 || !validWeekday) {
        // Not a rule a host supplies: the first day of the month, never an endless search.
        return x + 0.5;
    }
    int count = 0;
    for (;;) {
        if (DayOfWeek(x) == record.dayOfWeek) ++count;
        if (count == record.day) break;
        x = x + 1;
    }
    return x + 0.5;
}

}  // namespace

double DaylightStartDate(int year, const caelvane::TimeZoneRule& rule) {
    if (rule.standardDate.month == 0) return JulianDate(12, 31, year, 0, 0) + 0.5;
    return TransitionDate(year, rule.daylightDate);
}

double DaylightEndDate(int year, const caelvane::TimeZoneRule& rule) {
    if (rule.standardDate.month == 0) return JulianDate(1, 1, year, 0, 0);
    return TransitionDate(year, rule.standardDate);
}

std::int64_t DaysFromCivil(int year, int month, int day) {
    // Years begin in March here, so that the leap day is the last day of a year.
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

namespace caelvane {

namespace {

// Exactly `count` decimal digits at text[pos..].
std::optional<int> Digits(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return day >= 1 && day <= DaysInMonth(year, month);
}

std::optional<CivilDate> ParseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto year = Digits(text, 0, 4);
    const auto month = Digits(text, 5, 2);
    const auto day = Digits(text, 8, 2);
    if (!year || !month || !day || !IsValidDate(*year, *month, *day)) return std::nullopt;
    return CivilDate{*year, *month, *day};
}

double CivilJed(const CivilDate& date, int hour, int minute) {
    const double days = static_cast<double>(DaysFromCivil(date.year, date.month, date.day));
    return kUnixEpochJed + days + (static_cast<double>(hour) * 60 + minute) / 1440.0;
}

CivilDate CivilDateOfJed(double jed) {
    const std::int64_t days = FloorDiv(UnixSecondsOfJed(jed), 86400);
    CivilDate date;
    CivilFromDays(days, date.year, date.month, date.day);
    return date;
}

std::int64_t UnixSecondsOfJed(double jed) {
    return static_cast<std::int64_t>(std::llround((jed - kUnixEpochJed) * 86400.0));
}

double JedOfUnixSeconds(std::int64_t seconds) {
    return kUnixEpochJed + static_cast<double>(seconds) / 86400.0;
}

CivilDate JulianCalendarDate(const CivilDate& gregorian) {
    // Day number counted from Julian 0000-03-01 (a March-based year puts the leap day last).
    const std::int64_t days = DaysFromCivil(gregorian.year, gregorian.month, gregorian.day) +
                              719470;  // 1970-01-01 (day 2440588) less Julian 0000-03-01 (1721118)
    const std::int64_t cycle = FloorDiv(days, 1461);  // four Julian years
    const std::int64_t dayOfCycle = days - cycle * 1461;
    const std::int64_t yearOfCycle = std::min<std::int64_t>(dayOfCycle / 365, 3);
    const std::int64_t dayOfYear = dayOfCycle - yearOfCycle * 365;
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    CivilDate julian;
    julian.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    julian.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    julian.year = static_cast<int>(cycle * 4 + yearOfCycle + (julian.month <= 2 ? 1 : 0));
    return julian;
}

CivilDate NextDay(const CivilDate& date) {
    CivilDate next = date;
    if (++next.day > DaysInMonth(next.year, next.month)) {
        next.day = 1;
        if (++next.month > 12) {
            next.month = 1;
            ++next.year;
        }
    }
    return next;
}

bool operator==(const CivilDate& a, const CivilDate& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

bool operator<(const CivilDate& a, const CivilDate& b) {
    if (a.year != b.year) return a.year < b.year;
    if (a.month != b.month) return a.month < b.month;
    return a.day < b.day;
}

}  // namespace caelvane
