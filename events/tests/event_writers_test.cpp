// The CSV and iCalendar exports: the contract's fields and the rules calendar programs need.
#include "events/event_writers.h"

#include <gtest/gtest.h>

#include <sstream>

#include "ephemeris/calendar.h"

namespace {

using namespace events;

SkyEvent Aspect(double jed, int slow, int fast, double angle, Frame frame = Frame::Geocentric) {
    SkyEvent event;
    event.jed = jed;
    event.kind = EventKind::Aspect;
    event.frame = frame;
    event.body1 = slow;
    event.body2 = fast;
    event.angle = angle;
    return event;
}

std::vector<std::string> Lines(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(end, start)) != std::string::npos; start = at + end.size())
        lines.push_back(text.substr(start, at - start));
    EXPECT_EQ(start, text.size()) << "text does not end with a line end";
    return lines;
}

TEST(EventWriters, TimesRoundToTheSecondInTheGregorianCalendar) {
    EXPECT_EQ(FormatUtc(JulianDate(4, 8, 2024, 18, 17) + 20.4 / 86400), "2024-04-08T18:17:20Z");
    // Half a second before midnight rounds into the next day, month and year.
    EXPECT_EQ(FormatUtc(JulianDate(12, 31, 2024, 23, 59) + 59.6 / 86400), "2025-01-01T00:00:00Z");
    EXPECT_EQ(FormatUtc(JulianDate(2, 29, 2000, 0, 0)), "2000-02-29T00:00:00Z");
    // Before the Julian calendar's end too, the proleptic Gregorian date of ISO 8601.
    EXPECT_EQ(FormatUtc(JulianDate(3, 1, 1200, 6, 30)), "1200-03-01T06:30:00Z");
    EXPECT_EQ(UnixSeconds(JedFromUnixSeconds(-86400 * 400)), -86400 * 400);
}

TEST(EventWriters, CsvHasTheContractHeaderAndEmptyFieldsStayEmpty) {
    const double jed = JulianDate(8, 19, 2024, 20, 36) + 2.0 / 86400;
    SkyEvent ingress;
    ingress.jed = jed;
    ingress.kind = EventKind::Ingress;
    ingress.frame = Frame::Heliocentric;
    ingress.body1 = 5;
    ingress.sign = 3;
    ingress.detail = EventDetail::Backward;
    SkyEvent station;
    station.jed = jed;
    station.kind = EventKind::Station;
    station.body1 = -1;
    station.detail = EventDetail::Retrograde;
    SkyEvent eclipse;
    eclipse.jed = jed;
    eclipse.kind = EventKind::Eclipse;
    eclipse.body1 = -3;
    eclipse.body2 = -10;
    eclipse.detail = EventDetail::SolarAnnular;
    const std::string csv =
        EventsCsv({Aspect(jed, -6, -5, 90), Aspect(jed, 12, 3, 22.5, Frame::Heliocentric), ingress,
                   station, eclipse});
    EXPECT_EQ(csv,
              "time_utc,kind,frame,body1,body2,angle,sign,detail\n"
              "2024-08-19T20:36:02Z,aspect,geo,Saturn,Jupiter,90,,\n"
              "2024-08-19T20:36:02Z,aspect,helio,Chiron,Earth,22.5,,\n"
              "2024-08-19T20:36:02Z,ingress,helio,Jupiter,,,3,backward\n"
              "2024-08-19T20:36:02Z,station,geo,Mercury,,,,retrograde\n"
              "2024-08-19T20:36:02Z,eclipse,geo,Sun,Moon,,,solar-annular\n");
}

TEST(EventWriters, SummariesReadAsACalendarShowsThem) {
    const double jed = JulianDate(1, 1, 2024, 0, 0);
    EXPECT_EQ(EventSummary(Aspect(jed, -6, -4, 90)), "Mars square Saturn (geo)");
    EXPECT_EQ(EventSummary(Aspect(jed, -6, -4, 270)), "Mars square Saturn (geo)");
    EXPECT_EQ(EventSummary(Aspect(jed, 9, 1, 22.5, Frame::Heliocentric)),
              "Mercury 22.5\u00B0 Pluto (helio)");
    SkyEvent event;
    event.jed = jed;
    event.kind = EventKind::Ingress;
    event.body1 = -5;
    event.sign = 3;
    event.detail = EventDetail::Forward;
    EXPECT_EQ(EventSummary(event), "Jupiter enters Cancer");
    event.kind = EventKind::Lunation;
    event.detail = EventDetail::FullMoon;
    EXPECT_EQ(EventSummary(event), "Full Moon");
    event.kind = EventKind::Station;
    event.body1 = -1;
    event.detail = EventDetail::Retrograde;
    EXPECT_EQ(EventSummary(event), "Mercury stations retrograde");
}

// RFC 5545: CRLF line ends, no line over 75 octets (folded with a leading space, never inside a
// UTF-8 character), text escaped, one UID per event that depends on what the event is and the
// minute it falls in, not on the run or the second.
TEST(EventWriters, ICalendarFollowsRfc5545) {
    const double jed = JulianDate(4, 8, 2024, 18, 17) + 20.0 / 86400;
    // An odd custom angle makes the description long enough to fold.
    const std::vector<SkyEvent> events = {Aspect(jed, 12, 1, 123.4567891, Frame::Heliocentric),
                                          Aspect(jed, -6, -4, 90)};
    const std::string ics = EventsICalendar(events, JulianDate(1, 2, 2025, 3, 4));
    const auto lines = Lines(ics, "\r\n");
    ASSERT_GT(lines.size(), 10u);
    EXPECT_EQ(lines.front(), "BEGIN:VCALENDAR");
    EXPECT_EQ(lines.back(), "END:VCALENDAR");
    std::string unfolded;
    bool folded = false;
    for (const std::string& line : lines) {
        EXPECT_LE(line.size(), 75u) << line;
        EXPECT_EQ(line.find('\n'), std::string::npos);
        // A continuation never starts with a stray UTF-8 continuation byte.
        if (line.size() > 1 && line[0] == ' ') {
            folded = true;
            EXPECT_NE(static_cast<unsigned char>(line[1]) & 0xC0, 0x80) << line;
            unfolded += line.substr(1);
        } else {
            unfolded += "\n" + line;
        }
    }
    EXPECT_TRUE(folded);
    EXPECT_NE(unfolded.find("DESCRIPTION:aspect\\, helio\\; forward arc from Chiron to Mercury "
                            "123.4567891\u00B0"),
              std::string::npos)
        << unfolded;
    EXPECT_NE(unfolded.find("DTSTART:20240408T181720Z"), std::string::npos);
    EXPECT_NE(unfolded.find("DTSTAMP:20250102T030400Z"), std::string::npos);
    EXPECT_NE(unfolded.find("SUMMARY:Mars square Saturn (geo)"), std::string::npos);

    const SkyEvent square = events[1];
    SkyEvent again = square;
    again.jed += 0.4 / 86400;  // the same event refined a hair differently
    EXPECT_EQ(EventUid(square), EventUid(again));
    SkyEvent waning = square;
    waning.angle = 270;
    EXPECT_NE(EventUid(square), EventUid(waning));
    SkyEvent helio = square;
    helio.frame = Frame::Heliocentric;
    EXPECT_NE(EventUid(square), EventUid(helio));
    SkyEvent later = square;
    later.jed += 60.0 / 86400;
    EXPECT_NE(EventUid(square), EventUid(later));
    EXPECT_NE(unfolded.find("UID:" + EventUid(square)), std::string::npos);
}

// Written in pieces as a search hands them on, the exports are the whole ones byte for byte.
TEST(EventWriters, StreamedExportsEqualTheWholeOnes) {
    std::vector<SkyEvent> events;
    for (int i = 0; i < 250; ++i)
        events.push_back(Aspect(JulianDate(1, 1, 2024, 0, 0) + i * 0.37, -6, -(1 + i % 5),
                                (i * 15) % 360, i % 2 ? Frame::Geocentric : Frame::Heliocentric));
    const double stamp = JulianDate(6, 1, 2024, 12, 0);
    for (const std::size_t slice : {std::size_t{1}, std::size_t{7}, std::size_t{250}}) {
        std::string calendar = ICalendarBegin();
        std::string csv = std::string(kCsvHeader) + "\n";
        for (std::size_t at = 0; at < events.size(); at += slice) {
            const std::vector<SkyEvent> batch(
                events.begin() + static_cast<std::ptrdiff_t>(at),
                events.begin() + static_cast<std::ptrdiff_t>(std::min(events.size(), at + slice)));
            AppendICalendarEvents(calendar, batch, stamp);
            AppendCsvLines(csv, batch);
        }
        calendar += ICalendarEnd();
        EXPECT_EQ(calendar, EventsICalendar(events, stamp)) << slice;
        EXPECT_EQ(csv, EventsCsv(events)) << slice;
    }
    EXPECT_EQ(ICalendarBegin() + ICalendarEnd(), EventsICalendar({}, stamp));
}

}  // namespace

namespace {

SkyEvent Transit(double jed, int body, const char* natal, double angle, EventDetail detail) {
    SkyEvent event;
    event.jed = jed;
    event.kind = EventKind::Transit;
    event.body1 = body;
    event.natal = natal;
    event.angle = angle;
    event.detail = detail;
    return event;
}

TEST(EventWriters, TransitsNameTheTransitingBodyThenTheNatalPoint) {
    const double jed = JulianDate(3, 24, 2024, 6, 23) + 25.0 / 86400;
    const struct {
        SkyEvent event;
        const char* csv;
        const char* summary;
    } kCases[] = {
        {Transit(jed, -1, "Sun", 300, EventDetail::Direct),
         "2024-03-24T06:23:25Z,transit,geo,Mercury,natal Sun,300,,direct",
         "Mercury sextile natal Sun"},
        {Transit(jed, -1, "Sun", 300, EventDetail::Retrograde),
         "2024-03-24T06:23:25Z,transit,geo,Mercury,natal Sun,300,,retrograde",
         "Mercury sextile natal Sun (retrograde)"},
        {Transit(jed, -7, "Asc", 0, EventDetail::Direct),
         "2024-03-24T06:23:25Z,transit,geo,Uranus,natal Asc,0,,direct",
         "Uranus conjunction natal Asc"},
        {Transit(jed, -11, "MC", 22.5, EventDetail::Retrograde),
         "2024-03-24T06:23:25Z,transit,geo,Node,natal MC,22.5,,retrograde",
         "Node 22.5\u00B0 natal MC (retrograde)"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(EventCsvLine(c.event), c.csv);
        EXPECT_EQ(EventSummary(c.event), c.summary);
    }
    // The calendar tells passes to different points apart, and says which way the arc is read.
    const SkyEvent sun = Transit(jed, -4, "Sun", 90, EventDetail::Direct);
    const SkyEvent moon = Transit(jed, -4, "Moon", 90, EventDetail::Direct);
    EXPECT_NE(EventUid(sun), EventUid(moon));
    const std::string ics = EventsICalendar({sun}, jed);
    EXPECT_NE(ics.find("SUMMARY:Mars square natal Sun\r\n"), std::string::npos) << ics;
    EXPECT_NE(ics.find("forward arc from natal Sun to Mars 90"), std::string::npos) << ics;
    EXPECT_NE(ics.find("CATEGORIES:transit\r\n"), std::string::npos) << ics;
    EXPECT_TRUE(EventBefore(moon, sun));
}

}  // namespace
