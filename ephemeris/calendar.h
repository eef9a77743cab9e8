#pragma once
// Calendar and Julian ephemeris dates.
//
// JED: a Julian date in days as a double; 0h UT of a civil day ends in .5
// (2000-01-01 0h UT = 2451544.5). Times are universal time; no delta T is applied anywhere.
// Civil dates are month, day, year, hour, minute as signed 32-bit integers, in that order.
#include <cstdint>
#include <optional>
#include <string_view>

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

// Gregorian rule (every 4th year, not centuries, but every 400th); proleptic for any year, so
// year 0 is a leap year.
bool IsLeapYear(int year);

// Days since 1970-01-01 of a proleptic Gregorian date (negative before), and back: the plain
// day counts that bar files and calendar exports use.
std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

// The civil calendar of the command line, the new windows and the files they read: proleptic
// Gregorian, astronomical year numbering (year 0 is 1 BCE, a leap year). JulianDate above is
// the classic pages' own rule and is right from year 1 on only; everything else goes through
// the functions below, which are right for every year of `int`.
namespace caelvane {

inline constexpr double kUnixEpochJed = 2440587.5;  // 1970-01-01 0h UT

// The years an ISO date YYYY-MM-DD can name: four digits.
inline constexpr int kIsoFirstYear = 0;
inline constexpr int kIsoLastYear = 9999;

struct CivilDate {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..DaysInMonth
};

// 28..31; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
// The day exists in the proleptic Gregorian calendar.
bool IsValidDate(int year, int month, int day);

// Exactly YYYY-MM-DD (four, two and two digits) naming a day that exists; years 0000..9999.
std::optional<CivilDate> ParseIsoDate(std::string_view text);

// JED of a civil date and time of day, universal time (0h gives .5).
double CivilJed(const CivilDate& date, int hour = 0, int minute = 0);
// The civil day holding `jed` (universal time), and the Unix seconds of a JED and back.
CivilDate CivilDateOfJed(double jed);
std::int64_t UnixSecondsOfJed(double jed);
double JedOfUnixSeconds(std::int64_t seconds);

// The first day of the Gregorian calendar. Historians, and the classic pages, name the days
// before it in the Julian calendar; the new windows show that name beside the Gregorian one.
inline constexpr CivilDate kGregorianReform{1582, 10, 15};
// The same day named in the (proleptic) Julian calendar, astronomical year numbering.
CivilDate JulianCalendarDate(const CivilDate& gregorian);

// The day after and the order of two dates.
CivilDate NextDay(const CivilDate& date);
bool operator==(const CivilDate& a, const CivilDate& b);
bool operator<(const CivilDate& a, const CivilDate& b);

}  // namespace caelvane

// 0 = Sunday .. 6 = Saturday; any time of a civil day gives that day's weekday.
int DayOfWeek(double jed);

// JED of the day daylight time begins / standard time resumes in `year` under `rule`.
// Relative rules give 12h UT of the transition day.
double DaylightStartDate(int year, const caelvane::TimeZoneRule& rule);
double DaylightEndDate(int year, const caelvane::TimeZoneRule& rule);
