// Every engine function returns a number for every input: no hang, no out-of-range conversion,
// no signed overflow (the sanitizer build runs these).

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "ephemeris/calendar.h"
#include "ephemeris/chiron.h"
#include "ephemeris/positions.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const double kOddDates[] = {kNaN,    kInf, -kInf, 1e300, -1e300, 1e20, -1e20, 7.3e11,
                            -7.3e11, 1e15, 4e9,   -4e9,  -1.5,   -1.0, 0.0,   -0.0};
const int kOddInts[] = {INT_MIN, INT_MIN + 1, -2000000000, -13,         -1,     0,
                        1,       13,          2000000000,  INT_MAX - 1, INT_MAX};

bool InTurn(double degrees) {
    return degrees >= 0 && degrees <= 360;
}

TEST(BadInput, EveryCodeAtEveryOddDateGivesANumberOrNaN) {
    for (double jed : kOddDates) {
        for (int code = -104; code <= 41; ++code) {
            const double longitude = BodyLongitude(jed, code);
            const double latitude = BodyLatitude(jed, code);
            // Far-off dates give meaningless but defined values: NaN or a number.
            EXPECT_TRUE(std::isnan(longitude) || std::isfinite(longitude)) << jed << " " << code;
            // Chiron's inclination is a polynomial in time, not reduced: it may overflow.
            if (code != 12 && code != -12) {
                EXPECT_TRUE(std::isnan(latitude) || std::isfinite(latitude)) << jed << " " << code;
            }
        }
        for (int code : {2000, INT_MIN, INT_MAX}) {
            EXPECT_FALSE(std::isinf(BodyLongitude(jed, code))) << code;
            EXPECT_FALSE(std::isinf(BodyLatitude(jed, code))) << code;
            EXPECT_GT(OrbitalPeriod(code), 0);
        }
    }
}

TEST(BadInput, ReducedLongitudesStayInOneTurnForFiniteFarDates) {
    for (double jed : {1e9, -1e9, 1e12, -1e12, 1e15}) {
        for (int code : {1, 3, 5, 6, 9, 10, 11, 12}) {
            const double longitude = BodyLongitude(jed, code);
            EXPECT_TRUE(std::isnan(longitude) || InTurn(longitude)) << jed << " code " << code;
        }
    }
}

TEST(BadInput, JulianDateTakesAnyFields) {
    for (int month : kOddInts) {
        for (int day : kOddInts) {
            for (int year : kOddInts) {
                EXPECT_TRUE(std::isfinite(JulianDate(month, day, year, INT_MAX, INT_MIN)));
            }
        }
    }
}

TEST(BadInput, JulianDateContinuesBeyondThirtyTwoBits) {
    // The day count of year two billion does not fit 32 bits; it continues the calendar.
    const double jed = JulianDate(1, 1, 2000000000, 0, 0);
    EXPECT_EQ(JulianDate(1, 2, 2000000000, 0, 0) - jed, 1);
    EXPECT_EQ(JulianDate(1, 1, 2000000001, 0, 0) - jed, 366);  // a multiple of 400: leap
    int month, day, year, hour, minute;
    CalendarDate(jed, month, day, year, hour, minute);
    EXPECT_EQ(year, 2000000000);
    EXPECT_EQ(month, 1);
    EXPECT_EQ(day, 1);
}

TEST(BadInput, CalendarDateOfAnyJedGivesDefinedFields) {
    for (double jed : kOddDates) {
        int month = -99, day = -99, year = -99, hour = -99, minute = -99;
        CalendarDate(jed, month, day, year, hour, minute);
        EXPECT_NE(month, -99) << jed;
    }
    int month, day, year, hour, minute;
    CalendarDate(kNaN, month, day, year, hour, minute);
    EXPECT_EQ(month, 1);
    EXPECT_EQ(day, 1);
    EXPECT_EQ(year, 0);
    // The year saturates where it no longer fits 32 bits.
    CalendarDate(kInf, month, day, year, hour, minute);
    EXPECT_EQ(year, INT_MAX);
    CalendarDate(-1e300, month, day, year, hour, minute);
    EXPECT_EQ(year, INT_MIN);
}

TEST(BadInput, DayOfWeekIsAlwaysAWeekday) {
    for (double jed : kOddDates) {
        const int weekday = DayOfWeek(jed);
        EXPECT_GE(weekday, 0) << jed;
        EXPECT_LE(weekday, 6) << jed;
    }
    // Before JED -1.5 (a Sunday) the weekdays go on counting backwards.
    EXPECT_EQ(DayOfWeek(-1.5), 0);
    EXPECT_EQ(DayOfWeek(-2.5), 6);
    EXPECT_EQ(DayOfWeek(-9.5), 6);
    EXPECT_EQ(DayOfWeek(-3.0), 5);
}

caelvane::TimeZoneRule RuleWith(caelvane::SystemTime record) {
    caelvane::TimeZoneRule rule;
    rule.standardDate = record;
    rule.daylightDate = record;
    if (rule.standardDate.month == 0) rule.standardDate.month = 1;
    return rule;
}

TEST(BadInput, DaylightSearchEndsForEveryRecord) {
    for (int year : kOddInts) {
        for (int month : {0, 1, 12, 13, -5, INT_MAX, INT_MIN}) {
            for (int dayOfWeek : {0, 6, 7, -1, INT_MIN}) {
                for (int day : {INT_MIN, -1, 0, 1, 4, 5, 6, INT_MAX}) {
                    for (int recordYear : {0, 1999}) {
                        const auto rule =
                            RuleWith({recordYear, month, dayOfWeek, day, INT_MAX, INT_MIN});
                        EXPECT_TRUE(std::isfinite(DaylightStartDate(year, rule)));
                        EXPECT_TRUE(std::isfinite(DaylightEndDate(year, rule)));
                    }
                }
            }
        }
    }
}

TEST(BadInput, RelativeRecordWithDayZeroGivesTheFirstOfTheMonth) {
    const auto rule = RuleWith({0, 3, 0, 0, 2, 0});
    // 2024-03-01 is a Friday; the day-0 record stops there rather than searching on.
    EXPECT_EQ(DaylightStartDate(2024, rule), JulianDate(3, 1, 2024, 12, 0));
    // 2020-03-01 is a Sunday, the record's own weekday: still the first.
    EXPECT_EQ(DaylightStartDate(2020, rule), JulianDate(3, 1, 2020, 12, 0));
}

TEST(BadInput, KeplerSolverEndsForAnyEccentricity) {
    for (double e : {0.0, 0.5, 0.99, 1.0, 1.5, 100.0, -3.0, kNaN, kInf}) {
        for (double m : {0.0, 3.0, -1e300, 1e300, kNaN, kInf}) {
            const KeplerSolution solution = SolveKepler(m, e);
            EXPECT_FALSE(std::isinf(solution.trueAnomaly)) << m << " " << e;
        }
    }
    // e = 0 is a circle: the true anomaly is the mean anomaly.
    EXPECT_NEAR(SolveKepler(1.0, 0.0).trueAnomaly, 1.0, 2e-6);
    EXPECT_NEAR(SolveKepler(5.0, 0.0).trueAnomaly, 5.0, 2e-6);
}

}  // namespace
