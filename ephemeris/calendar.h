#pragma once
// Calendar and Julian ephemeris dates.
//
// JED: a Julian date in days as a double; 0h UT of a civil day ends in .5
// (2000-01-01 0h UT = 2451544.5). Times are universal time; no delta T is applied anywhere.
// Civil dates are month, day, year, hour, minute as signed 32-bit integers, in that order.
#include <cstdint>

namespace caelvane {

// One transition record of the host's time-zone rule, with the fields of a Win32 SYSTEMTIME
// that the daylight-saving search uses. year 0: relative rule (the day-th dayOfWeek of month,
// day 5 = the last one); year != 0: an absolute date (its own year is ignored).
struct SystemTime {
    int year = 0;
    int month = 0;      // 1..12; 0 in the standard record means "no daylight saving"
    int dayOfWeek = 0;  // 0 = Sunday
    int day = 0;
    int hour = 0;
    int minute = 0;
};

// The host's rule: when standard time starts (clocks go back) and when daylight time starts.
struct TimeZoneRule {
    SystemTime standardDate;
    SystemTime daylightDate;
};

}  // namespace caelvane

// Gregorian rule for every date; out-of-range fields enter the formula as they are
// (month 13 is January of the next year).
double JulianDate(int month, int day, int year, int hour, int minute);

// Julian calendar below the Gregorian reform (JED < 2299160.5); hour and minute truncated.
void CalendarDate(double jed, int& month, int& day, int& year, int& hour, int& minute);

// Gregorian rule (every 4th year, not centuries, but every 400th); proleptic for any year.
bool IsLeapYear(int year);

// Days since 1970-01-01 of a proleptic Gregorian date (negative before), and back: the plain
// day counts that bar files and calendar exports use.
std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

// 0 = Sunday .. 6 = Saturday; any time of a civil day gives that day's weekday.
int DayOfWeek(double jed);

// JED of the day daylight time begins / standard time resumes in `year` under `rule`.
// Relative rules give 12h UT of the transition day.
double DaylightStartDate(int year, const caelvane::TimeZoneRule& rule);
double DaylightEndDate(int year, const caelvane::TimeZoneRule& rule);
