#pragma once
// The exports of a list of events: CSV for spreadsheets, iCalendar (RFC 5545) for calendar
// programs. Each comes whole (EventsCsv, EventsICalendar) or in pieces for a writer that
// streams the events as a search finds them; the pieces put together are the whole, byte for
// byte.

#include <cstdint>
#include <string>
#include <vector>

#include "events/sky_event.h"

namespace events {

// A moment to the nearest second, proleptic Gregorian calendar, universal time.
struct CivilTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
CivilTime CivilFromJed(double jed);
// Seconds since 1970-01-01T00:00:00Z, rounded to the nearest second.
std::int64_t UnixSeconds(double jed);
// The inverse of UnixSeconds.
double JedFromUnixSeconds(std::int64_t seconds);
// "YYYY-MM-DDTHH:MM:SSZ".
std::string FormatUtc(double jed);

// The CSV header line, without its line end.
inline constexpr const char* kCsvHeader = "time_utc,kind,frame,body1,body2,angle,sign,detail";
// The header and one line per event, each ending in LF.
std::string EventsCsv(const std::vector<SkyEvent>& events);
// One event's CSV line without its line end.
std::string EventCsvLine(const SkyEvent& event);
// The lines of `events`, each ending in LF, added to `out`.
void AppendCsvLines(std::string& out, const std::vector<SkyEvent>& events);

// The same event found again (in another range, another run) gets the same UID: a hash of its
// kind, frame, bodies, angle, sign, detail and the minute it falls in.
std::string EventUid(const SkyEvent& event);
// A whole calendar: one VEVENT per event, CRLF line ends, lines folded at 75 octets. `stampJed`
// is the moment of the export (DTSTAMP).
std::string EventsICalendar(const std::vector<SkyEvent>& events, double stampJed);
// Its pieces: the calendar's opening lines, the VEVENTs of some events, the closing line.
std::string ICalendarBegin();
void AppendICalendarEvents(std::string& out, const std::vector<SkyEvent>& events, double stampJed);
std::string ICalendarEnd();

}  // namespace events
