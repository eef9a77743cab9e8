#include "events/event_writers.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "ephemeris/calendar.h"

namespace events {

namespace {

constexpr double kUnixEpochJed = 2440587.5;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Text values of iCalendar escape backslash, semicolon, comma and line ends.
std::string EscapeText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == ';' || c == ',') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

// One content line folded so that no line exceeds 75 octets (the CRLF not counted), never
// inside a UTF-8 sequence; continuation lines start with a space.
void AppendFolded(std::string& out, const std::string& line) {
    std::size_t lineLength = 0;
    for (std::size_t i = 0; i < line.size();) {
        std::size_t length = 1;
        const auto lead = static_cast<unsigned char>(line[i]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        if (lineLength + length > 75) {
            out += "\r\n ";
            lineLength = 1;
        }
        out.append(line, i, length);
        lineLength += length;
        i += length;
    }
    out += "\r\n";
}

std::string CompactUtc(double jed) {
    const CivilTime t = CivilFromJed(jed);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

std::string Description(const SkyEvent& event) {
    std::string text = std::string(KindName(event.kind)) + ", " + FrameName(event.frame);
    if (event.kind == EventKind::Aspect)
        text += "; forward arc from " + std::string(BodyName(event.body1)) + " to " +
                BodyName(event.body2) + " " + FormatAngle(event.angle) + "\u00B0";
    if (event.kind == EventKind::Transit)
        text += "; forward arc from " + SecondBodyName(event) + " to " + BodyName(event.body1) +
                " " + FormatAngle(event.angle) + "\u00B0; " + BodyName(event.body1) + " " +
                DetailName(event.detail);
    if (event.kind == EventKind::Ingress) text += std::string("; ") + DetailName(event.detail);
    if (event.kind == EventKind::Eclipse &&
        (event.detail == EventDetail::PossibleSolar || event.detail == EventDetail::PossibleLunar))
        text +=
            "; the Moon near enough the ecliptic at the lunation, by the classic series' "
            "rough rule";
    if (event.analytic) text += "; from the analytic theory (Moshier), no data files for the date";
    return text;
}

}  // namespace

std::int64_t UnixSeconds(double jed) {
    return static_cast<std::int64_t>(std::llround((jed - kUnixEpochJed) * 86400.0));
}

double JedFromUnixSeconds(std::int64_t seconds) {
    return kUnixEpochJed + static_cast<double>(seconds) / 86400.0;
}

CivilTime CivilFromJed(double jed) {
    const std::int64_t seconds = UnixSeconds(jed);
    const std::int64_t days = FloorDiv(seconds, 86400);
    const std::int64_t ofDay = seconds - days * 86400;
    CivilTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(ofDay / 3600);
    t.minute = static_cast<int>(ofDay / 60 % 60);
    t.second = static_cast<int>(ofDay % 60);
    return t;
}

std::string FormatUtc(double jed) {
    const CivilTime t = CivilFromJed(jed);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::string EventCsvLine(const SkyEvent& event) {
    std::string line = FormatUtc(event.jed);
    line += ',';
    line += KindName(event.kind);
    line += ',';
    line += FrameName(event.frame);
    line += ',';
    line += BodyName(event.body1);
    line += ',';
    line += SecondBodyName(event);
    line += ',';
    if (event.angle >= 0) line += FormatAngle(event.angle);
    line += ',';
    if (event.sign >= 0) line += std::to_string(event.sign);
    line += ',';
    line += DetailName(event.detail);
    return line;
}

void AppendCsvLines(std::string& out, const std::vector<SkyEvent>& events) {
    for (const SkyEvent& event : events) {
        out += EventCsvLine(event);
        out += '\n';
    }
}

std::string EventsCsv(const std::vector<SkyEvent>& events) {
    std::string out = kCsvHeader;
    out += '\n';
    AppendCsvLines(out, events);
    return out;
}

std::string EventUid(const SkyEvent& event) {
    // FNV-1a over the fields that say which event this is; the minute rather than the second,
    // so that a refinement a fraction of a second different still names the same event.
    std::string key = std::string(KindName(event.kind)) + '|' + FrameName(event.frame) + '|' +
                      BodyName(event.body1) + '|' + SecondBodyName(event) + '|' +
                      (event.angle >= 0 ? FormatAngle(event.angle) : "") + '|' +
                      std::to_string(event.sign) + '|' + DetailName(event.detail) + '|' +
                      std::to_string(FloorDiv(UnixSeconds(event.jed), 60));
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : key) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%016" PRIx64 "-%s@caelvane", hash,
                  CompactUtc(event.jed).substr(0, 13).c_str());
    return text;
}

std::string ICalendarBegin() {
    std::string out;
    AppendFolded(out, "BEGIN:VCALENDAR");
    AppendFolded(out, "VERSION:2.0");
    AppendFolded(out, "PRODID:-//Caelvane//Sky events//EN");
    AppendFolded(out, "CALSCALE:GREGORIAN");
    AppendFolded(out, "METHOD:PUBLISH");
    return out;
}

void AppendICalendarEvents(std::string& out, const std::vector<SkyEvent>& events, double stampJed) {
    const std::string stamp = CompactUtc(stampJed);
    for (const SkyEvent& event : events) {
        const std::string start = CompactUtc(event.jed);
        AppendFolded(out, "BEGIN:VEVENT");
        AppendFolded(out, "UID:" + EventUid(event));
        AppendFolded(out, "DTSTAMP:" + stamp);
        AppendFolded(out, "DTSTART:" + start);
        AppendFolded(out, "DTEND:" + start);
        AppendFolded(out, "SUMMARY:" + EscapeText(EventSummary(event)));
        AppendFolded(out, "DESCRIPTION:" + EscapeText(Description(event)));
        AppendFolded(out, std::string("CATEGORIES:") + KindName(event.kind));
        AppendFolded(out, "TRANSP:TRANSPARENT");
        AppendFolded(out, "END:VEVENT");
    }
}

std::string ICalendarEnd() {
    std::string out;
    AppendFolded(out, "END:VCALENDAR");
    return out;
}

std::string EventsICalendar(const std::vector<SkyEvent>& events, double stampJed) {
    std::string out = ICalendarBegin();
    AppendICalendarEvents(out, events, stampJed);
    out += ICalendarEnd();
    return out;
}

}  // namespace events
