#include "ephemeris/calendar.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CivilDate {
    int month, day, year, hour, minute;
};

bool operator==(const CivilDate& a, const CivilDate& b) {
    return a.month == b.month && a.day == b.day && a.year == b.year && a.hour == b.hour &&
           a.minute == b.minute;
}

std::ostream& operator<<(std::ostream& out, const CivilDate& d) {
    return out << d.month << '/' << d.day << '/' << d.year << ' ' << d.hour << ':' << d.minute;
}

CivilDate Split(double jed) {
    CivilDate d{};
    CalendarDate(jed, d.month, d.day, d.year, d.hour, d.minute);
    return d;
}

TEST(JulianDate, GregorianRuleForEveryDate) {
    struct Case {
        CivilDate date;
        double jed;
    };
    // The first three are the example values of the calendar rules; the others are standard
    // Julian dates (the reform day and its eve, the leap day of 2000, the first of 2001).
    const Case cases[] = {
        {{1, 1, 2000, 12, 0}, 2451545.0},
        {{1, 1, 2000, 0, 0}, 2451544.5},
        {{10, 15, 1582, 0, 0}, 2299160.5},
        // Proleptic Gregorian below the reform.
        {{10, 4, 1582, 0, 0}, 2299149.5},
        // Month 13 is January of the next year; the December rules rely on it.
        {{13, 1, 2000, 0, 0}, 2451910.5},
        {{1, 1, 2001, 0, 0}, 2451910.5},
        {{2, 29, 2000, 0, 0}, 2451603.5},
        {{3, 1, 1900, 0, 0}, 2415079.5},
    };
    for (const Case& c : cases) {
        const CivilDate& d = c.date;
        EXPECT_DOUBLE_EQ(JulianDate(d.month, d.day, d.year, d.hour, d.minute), c.jed) << d;
    }
}

TEST(CalendarDate, SplitsAfterAndBeforeTheReform) {
    struct Case {
        double jed;
        CivilDate expected;
    };
    // Standard Julian dates of the epochs J2000 and B1900 (JED 2415020.0) and of the reform.
    const Case cases[] = {
        {2451545.0, {1, 1, 2000, 12, 0}},
        {2451544.5, {1, 1, 2000, 0, 0}},
        {2299160.5, {10, 15, 1582, 0, 0}},
        // Julian calendar below the reform: the directions disagree there.
        {2299149.5, {9, 24, 1582, 0, 0}},
        {2299159.5, {10, 4, 1582, 0, 0}},
        {2415020.0, {12, 31, 1899, 12, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(Split(c.jed), c.expected) << "JED " << c.jed;
}

TEST(CalendarDate, TruncatesTheTimeOfDayNeverRounds) {
    // 10:00 lands a hair below the whole minute in double precision and splits as 9:59.
    EXPECT_EQ(Split(JulianDate(6, 15, 1999, 10, 0)), (CivilDate{6, 15, 1999, 9, 59}));
    EXPECT_EQ(Split(JulianDate(6, 15, 1999, 17, 0)), (CivilDate{6, 15, 1999, 17, 0}));
}

TEST(CalendarDate, RoundTripsEveryDayOfFourCenturies) {
    // 12h UT keeps the time of day clear of the truncation; the weekday advances by one a day.
    const double first = JulianDate(1, 1, 1600, 12, 0);
    int expectedWeekday = DayOfWeek(first);
    for (int offset = 0; offset < 146097; ++offset) {
        const double jed = first + offset;
        const CivilDate d = Split(jed);
        ASSERT_EQ(JulianDate(d.month, d.day, d.year, 12, 0), jed) << d;
        ASSERT_EQ(d.hour, 12) << d;
        ASSERT_EQ(DayOfWeek(jed), expectedWeekday) << d;
        expectedWeekday = (expectedWeekday + 1) % 7;
    }
}

TEST(DayOfWeek, AnyTimeOfADayGivesThatDay) {
    EXPECT_EQ(DayOfWeek(2451544.5), 6);  // 2000-01-01 0h: Saturday
    EXPECT_EQ(DayOfWeek(2451545.4), 6);
    EXPECT_EQ(DayOfWeek(2451545.5), 0);  // Sunday
    EXPECT_EQ(DayOfWeek(2451547.0), 1);  // Monday noon
}

caelvane::SystemTime Relative(int month, int dayOfWeek, int day) {
    caelvane::SystemTime record;
    record.month = month;
    record.dayOfWeek = dayOfWeek;
    record.day = day;
    record.hour = 2;
    return record;
}

TEST(DaylightRule, NorthernRuleGivesNoonOfTheTransitionDays) {
    // Daylight from the first Sunday of April to the last Sunday of October.
    caelvane::TimeZoneRule rule;
    rule.daylightDate = Relative(4, 0, 1);
    rule.standardDate = Relative(10, 0, 5);
    // The example values of the daylight rules.
    EXPECT_EQ(DaylightStartDate(2000, rule), 2451637.0);  // April 2, 12h UT
    EXPECT_EQ(DaylightEndDate(2000, rule), 2451847.0);    // October 29, 12h UT
}

TEST(DaylightRule, NthWeekdayCountsFromTheFirstOfTheMonth) {
    // Second Sunday of March 2024 is the 10th; first Sunday of November the 3rd.
    caelvane::TimeZoneRule rule;
    rule.daylightDate = Relative(3, 0, 2);
    rule.standardDate = Relative(11, 0, 1);
    EXPECT_EQ(DaylightStartDate(2024, rule), JulianDate(3, 10, 2024, 12, 0));
    EXPECT_EQ(DaylightEndDate(2024, rule), JulianDate(11, 3, 2024, 12, 0));
    // The fourth Saturday of a month that starts on a Saturday (June 2024) is the 22nd.
    rule.daylightDate = Relative(6, 6, 4);
    EXPECT_EQ(DaylightStartDate(2024, rule), JulianDate(6, 22, 2024, 12, 0));
}

TEST(DaylightRule, LastWeekdayOfDecemberStepsBackFromNewYear) {
    caelvane::TimeZoneRule rule;
    rule.standardDate = Relative(12, 0, 5);
    rule.daylightDate = Relative(12, 0, 5);
    EXPECT_EQ(DaylightEndDate(2000, rule), 2451910.0);  // Sunday, December 31, 12h UT
    EXPECT_EQ(DaylightEndDate(2001, rule), JulianDate(12, 30, 2001, 12, 0));
}

TEST(DaylightRule, AbsoluteRecordUsesTheCallersYearAndItsTime) {
    caelvane::TimeZoneRule rule;
    rule.standardDate = {1999, 10, 3, 28, 3, 30};
    rule.daylightDate = {1987, 3, 0, 21, 2, 0};
    EXPECT_EQ(DaylightEndDate(2000, rule), JulianDate(10, 28, 2000, 3, 30));
    EXPECT_EQ(DaylightStartDate(2000, rule), JulianDate(3, 21, 2000, 2, 0));
}

TEST(DaylightRule, ZoneWithoutDaylightTimeNeverMatches) {
    const caelvane::TimeZoneRule rule;  // standard month 0
    // January 1, 2000 0h UT and January 1, 2001 12h UT: the daylight window never opens.
    EXPECT_EQ(DaylightEndDate(2000, rule), 2451544.5);
    EXPECT_EQ(DaylightStartDate(2000, rule), 2451910.0);
    EXPECT_GT(DaylightStartDate(2000, rule), DaylightEndDate(2000, rule));
}

TEST(IsLeapYear, GregorianRuleProlepticForAnyYear) {
    // Every 4th year, but not the centuries, except every 400th.
    for (int year : {2024, 2000, 1600, 4, 0, -4, -400}) EXPECT_TRUE(IsLeapYear(year)) << year;
    for (int year : {2023, 1900, 2100, 1, -1, -100}) EXPECT_FALSE(IsLeapYear(year)) << year;
    // The Julian dates agree: a leap year is 366 days from January 1 to January 1.
    for (int year = 1582; year <= 2500; ++year) {
        const double length = JulianDate(1, 1, year + 1, 0, 0) - JulianDate(1, 1, year, 0, 0);
        ASSERT_EQ(length, IsLeapYear(year) ? 366 : 365) << year;
    }
}

TEST(CivilCalendar, DaysInMonthFollowTheGregorianRuleInYearZero) {
    struct Case {
        int year, month, days;
    };
    const Case cases[] = {
        {0, 2, 29},    {1, 2, 28},     {4, 2, 29},   {1900, 2, 28}, {2000, 2, 29},
        {2023, 2, 28}, {2024, 2, 29},  {-1, 2, 28},  {-4, 2, 29},   {2024, 1, 31},
        {2024, 4, 30}, {2024, 12, 31}, {2024, 0, 0}, {2024, 13, 0}, {2024, -1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(caelvane::DaysInMonth(c.year, c.month), c.days) << c.year << '-' << c.month;
    }
}

TEST(CivilCalendar, IsoDatesParseOnlyWhenTheDayExists) {
    struct Case {
        const char* text;
        bool valid;
        int year = 0, month = 0, day = 0;
    };
    const Case cases[] = {
        {"0000-02-29", true, 0, 2, 29},
        {"0000-01-01", true, 0, 1, 1},
        {"9999-12-31", true, 9999, 12, 31},
        {"2000-02-29", true, 2000, 2, 29},
        {"1900-02-29", false},
        {"2023-02-29", false},
        {"0001-02-29", false},
        {"2024-04-31", false},
        {"2024-00-10", false},
        {"2024-13-01", false},
        {"2024-01-00", false},
        {"2024-1-01", false},
        {"-001-01-01", false},
        {"20240101", false},
        {"2024-01-01 ", false},
        {"2024/01/01", false},
        {"", false},
    };
    for (const Case& c : cases) {
        const auto date = caelvane::ParseIsoDate(c.text);
        ASSERT_EQ(date.has_value(), c.valid) << c.text;
        if (!date) continue;
        EXPECT_EQ(date->year, c.year) << c.text;
        EXPECT_EQ(date->month, c.month) << c.text;
        EXPECT_EQ(date->day, c.day) << c.text;
    }
}

TEST(CivilCalendar, JedIsProlepticGregorianThroughYearZero) {
    struct Case {
        caelvane::CivilDate date;
        int hour, minute;
        double jed;
        const char* source;
    };
    const Case cases[] = {
        {{0, 2, 28}, 0, 0, 1721117.5, "proleptic Gregorian, year 0 a leap year"},
        {{0, 2, 29}, 0, 0, 1721118.5, "proleptic Gregorian, year 0 a leap year"},
        {{0, 3, 1}, 0, 0, 1721119.5, "proleptic Gregorian, year 0 a leap year"},
        {{0, 1, 1}, 0, 0, 1721059.5, "JED 1721059.5 is 0000-01-01 Gregorian"},
        {{-4713, 11, 24}, 12, 0, 0.0, "the epoch of Julian dates"},
        {{1970, 1, 1}, 0, 0, 2440587.5, "the Unix epoch"},
        {{2000, 1, 1}, 12, 0, 2451545.0, "J2000"},
        {{1582, 10, 15}, 0, 0, 2299160.5, "the reform"},
        {{9999, 12, 31}, 0, 0, 5373483.5, "the last ISO day"},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(caelvane::CivilJed(c.date, c.hour, c.minute), c.jed) << c.source;
        EXPECT_EQ(caelvane::CivilDateOfJed(c.jed), c.date) << c.source;
    }
}

TEST(CivilCalendar, AgreesWithTheClassicRuleFromYearOneAndStepsDayByDay) {
    // The classic rule truncates where the civil one floors: they part only below year 1.
    caelvane::CivilDate date{0, 1, 1};
    double jed = caelvane::CivilJed(date);
    for (int step = 0; step < 3 * 146097; ++step) {
        const caelvane::CivilDate next = caelvane::NextDay(date);
        ASSERT_TRUE(date < next);
        ASSERT_EQ(caelvane::CivilJed(next), jed + 1) << next.year << '-' << next.month;
        date = next;
        jed += 1;
        if (date.year >= 1) {
            ASSERT_EQ(JulianDate(date.month, date.day, date.year, 0, 0), jed) << date.year;
        }
    }
}

TEST(CivilCalendar, UnixSecondsRoundTripAcrossTheEpochs) {
    for (std::int64_t seconds : {std::int64_t{0}, std::int64_t{-1}, std::int64_t{86399},
                                 std::int64_t{-62167219200}, std::int64_t{253402300799}}) {
        EXPECT_EQ(caelvane::UnixSecondsOfJed(caelvane::JedOfUnixSeconds(seconds)), seconds);
    }
    // The second before midnight stays on its day, also before the epoch.
    EXPECT_EQ(caelvane::CivilDateOfJed(caelvane::JedOfUnixSeconds(-1)),
              (caelvane::CivilDate{1969, 12, 31}));
}

TEST(CivilCalendar, JulianNamesOfGregorianDays) {
    struct Case {
        caelvane::CivilDate gregorian, julian;
    };
    const Case cases[] = {
        {{1582, 10, 15}, {1582, 10, 5}},   // the reform's first day
        {{1500, 6, 15}, {1500, 6, 5}},     // as the classic page labels it
        {{2000, 1, 1}, {1999, 12, 19}},    //
        {{1900, 3, 13}, {1900, 2, 29}},    // a Julian leap day the Gregorian rule skips
        {{0, 12, 30}, {1, 1, 1}},          //
        {{0, 3, 1}, {0, 3, 3}},            // across the leap day of year 0
        {{-4713, 11, 24}, {-4712, 1, 1}},  // day 0 of the Julian day count
    };
    for (const Case& c : cases) {
        const caelvane::CivilDate got = caelvane::JulianCalendarDate(c.gregorian);
        EXPECT_EQ(got, c.julian) << c.gregorian.year << "-" << c.gregorian.month << "-"
                                 << c.gregorian.day << " gave " << got.year << "-" << got.month
                                 << "-" << got.day;
    }
}

TEST(CivilCalendar, JulianNamesAgreeWithTheClassicPagesBeforeTheReform) {
    // The classic rule names every day before the reform in the Julian calendar.
    const double first = caelvane::CivilJed({1, 1, 1});
    const double reform = caelvane::CivilJed(caelvane::kGregorianReform);
    for (double jed = first; jed < reform; jed += 1) {
        int month = 0, day = 0, year = 0, hour = 0, minute = 0;
        CalendarDate(jed, month, day, year, hour, minute);
        const caelvane::CivilDate julian =
            caelvane::JulianCalendarDate(caelvane::CivilDateOfJed(jed));
        ASSERT_EQ(julian, (caelvane::CivilDate{year, month, day})) << "JED " << jed;
    }
}

}  // namespace
