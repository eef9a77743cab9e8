#include "natal/time_zones.h"

#include <gtest/gtest.h>

#include <tuple>

#include "natal/horoscope.h"

namespace natal {
namespace {

// Offsets and instants as Python's zoneinfo gives them from the same tzdata
// (datetime(..., tzinfo=ZoneInfo(zone), fold=0|1).utcoffset() and .timestamp()).
struct ZoneCase {
    const char* zone;
    LocalDateTime local;
    LocalTimeChoice choice;
    int offset;        // seconds; for LMT periods the birthplace's own is expected instead
    std::int64_t utc;  // zoneinfo's instant (for LMT: its reference city's)
    const char* abbrev;
    const char* what;
};

const ZoneCase kZoneCases[] = {
    {"America/New_York",
     {1883, 11, 18, 13, 0, 0},
     LocalTimeChoice::None,
     -18000,
     -2717647200,
     "EST",
     "New York, the afternoon standard time began"},
    {"America/New_York",
     {1883, 11, 19, 12, 0, 0},
     LocalTimeChoice::None,
     -18000,
     -2717564400,
     "EST",
     "New York, the day after"},
    {"Europe/London",
     {1941, 6, 1, 12, 0, 0},
     LocalTimeChoice::None,
     7200,
     -902066400,
     "BDST",
     "London, double summer time 1941"},
    {"Europe/London",
     {1942, 1, 15, 12, 0, 0},
     LocalTimeChoice::None,
     3600,
     -882363600,
     "BST",
     "London, summer time kept through the winter of 1942"},
    {"Europe/London",
     {1944, 7, 1, 12, 0, 0},
     LocalTimeChoice::None,
     7200,
     -804780000,
     "BDST",
     "London, double summer time 1944"},
    {"Europe/London",
     {1945, 12, 1, 12, 0, 0},
     LocalTimeChoice::None,
     0,
     -760017600,
     "GMT",
     "London, after the war"},
    {"Europe/London",
     {1975, 6, 14, 8, 30, 0},
     LocalTimeChoice::None,
     3600,
     171963000,
     "BST",
     "London, summer 1975"},
    {"Asia/Kolkata",
     {1941, 6, 1, 12, 0, 0},
     LocalTimeChoice::None,
     19800,
     -902079000,
     "IST",
     "India before war time"},
    {"Asia/Kolkata",
     {1942, 9, 15, 12, 0, 0},
     LocalTimeChoice::None,
     23400,
     -861388200,
     "+0630",
     "India, war time 1942"},
    {"Asia/Kolkata",
     {1944, 6, 1, 12, 0, 0},
     LocalTimeChoice::None,
     23400,
     -807388200,
     "+0630",
     "India, war time 1944"},
    {"Asia/Kolkata",
     {1945, 10, 20, 12, 0, 0},
     LocalTimeChoice::None,
     19800,
     -763666200,
     "IST",
     "India after war time"},
    {"America/New_York",
     {2021, 3, 14, 2, 30, 0},
     LocalTimeChoice::Earlier,
     -18000,
     1615707000,
     "EST",
     "skipped hour, earlier reading"},
    {"America/New_York",
     {2021, 3, 14, 2, 30, 0},
     LocalTimeChoice::Later,
     -14400,
     1615703400,
     "EDT",
     "skipped hour, later reading"},
    {"America/New_York",
     {2021, 11, 7, 1, 30, 0},
     LocalTimeChoice::Earlier,
     -14400,
     1636263000,
     "EDT",
     "repeated hour, earlier reading"},
    {"America/New_York",
     {2021, 11, 7, 1, 30, 0},
     LocalTimeChoice::Later,
     -18000,
     1636266600,
     "EST",
     "repeated hour, later reading"},
    {"Australia/Lord_Howe",
     {2021, 4, 4, 1, 45, 0},
     LocalTimeChoice::Earlier,
     39600,
     1617461100,
     "+11",
     "half-hour daylight saving, earlier"},
    {"Australia/Lord_Howe",
     {2021, 4, 4, 1, 45, 0},
     LocalTimeChoice::Later,
     37800,
     1617462900,
     "+1030",
     "half-hour daylight saving, later"},
    {"Europe/Paris",
     {1900, 1, 1, 0, 0, 0},
     LocalTimeChoice::None,
     561,
     -2208989361,
     "PMT",
     "Paris mean time is a standard time of its own, not LMT"},
};

TEST(TimeZones, OffsetsAgreeWithZoneinfo) {
    for (const ZoneCase& c : kZoneCases) {
        const ZoneResolution r = ResolveLocalTime(c.local, c.zone, 0.0, c.choice);
        ASSERT_TRUE(r.ok) << c.what << ": " << r.error;
        EXPECT_EQ(r.offsetSeconds, c.offset) << c.what;
        EXPECT_EQ(r.utcSeconds, c.utc) << c.what;
        EXPECT_EQ(r.abbreviation, c.abbrev) << c.what;
        EXPECT_FALSE(r.localMeanTime) << c.what;
    }
}

// zoneinfo: New York 1883-11-18 11:00 is LMT (-4:56:02, the reference city's). A birth there
// takes the mean time of its own longitude; one in Boston, in the same zone, takes Boston's.
TEST(TimeZones, BeforeStandardTimeTheBirthplacesMeanTimeIsUsed) {
    const struct {
        double longitude;
        int offset;
    } kPlaces[] = {{-74.00597, -17761}, {-71.05977, -17054}, {-73.5, -17640}};
    for (const auto& place : kPlaces) {
        const ZoneResolution r = ResolveLocalTime({1883, 11, 18, 11, 0, 0}, "America/New_York",
                                                  place.longitude, LocalTimeChoice::None);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(r.localMeanTime);
        EXPECT_EQ(r.offsetSeconds, place.offset) << place.longitude;
        EXPECT_EQ(r.utcSeconds, -2717712000 + 11 * 3600 - place.offset);
        EXPECT_NE(r.note.find("local mean time"), std::string::npos) << r.note;
    }
}

TEST(TimeZones, AmbiguousAndSkippedTimesNeedAChoice) {
    const ZoneResolution skipped =
        ResolveLocalTime({2021, 3, 14, 2, 30, 0}, "America/New_York", -74.0, LocalTimeChoice::None);
    EXPECT_FALSE(skipped.ok);
    EXPECT_EQ(skipped.kind, LocalTimeKind::Skipped);
    EXPECT_NE(skipped.error.find("2021-03-14 02:30:00 does not exist"), std::string::npos)
        << skipped.error;
    EXPECT_NE(skipped.error.find("-05:00"), std::string::npos) << skipped.error;
    const ZoneResolution twice =
        ResolveLocalTime({2021, 11, 7, 1, 30, 0}, "America/New_York", -74.0, LocalTimeChoice::None);
    EXPECT_FALSE(twice.ok);
    EXPECT_EQ(twice.kind, LocalTimeKind::Ambiguous);
    EXPECT_NE(twice.error.find("happens twice"), std::string::npos) << twice.error;
    // A choice given where none is needed changes nothing.
    const ZoneResolution plain =
        ResolveLocalTime({2021, 7, 1, 1, 30, 0}, "America/New_York", -74.0, LocalTimeChoice::Later);
    ASSERT_TRUE(plain.ok);
    EXPECT_EQ(plain.offsetSeconds, -14400);
    EXPECT_TRUE(plain.note.empty());
}

TEST(TimeZones, FixedOffsets) {
    const struct {
        const char* text;
        bool ok;
        int seconds;
    } kCases[] = {
        {"+05:30", true, 19800},     {"-03:00", true, -10800}, {"+00:00", true, 0},
        {"-04:56:02", true, -17762}, {"+15:00", true, 54000},  {"+15:01", false, 0},
        {"05:30", false, 0},         {"+5:30", false, 0},      {"+05:60", false, 0},
        {"+05:30:", false, 0},       {"", false, 0},           {"UTC", false, 0},
    };
    for (const auto& c : kCases) {
        int seconds = 0;
        EXPECT_EQ(ParseFixedOffset(c.text, seconds), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(seconds, c.seconds) << c.text;
            EXPECT_EQ(FormatOffset(seconds), c.text) << c.text;
        }
    }
    const ZoneResolution r =
        ResolveLocalTime({1947, 8, 15, 0, 0, 0}, "+05:30", 77.2, LocalTimeChoice::None);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.fixedOffset);
    EXPECT_EQ(r.utcSeconds, -706320000 - 19800);
}

TEST(TimeZones, BadEntriesAreNamed) {
    const struct {
        LocalDateTime local;
        const char* zone;
        const char* expected;
    } kCases[] = {
        {{2001, 2, 29, 12, 0, 0}, "UTC", "no such date: 2001-02-29"},
        {{2001, 2, 1, 24, 0, 0}, "UTC", "no such time: 24:00:00"},
        {{2001, 2, 1, 12, 0, 0}, "Mars/Olympus_Mons", "unknown time zone 'Mars/Olympus_Mons'"},
        {{2001, 2, 1, 12, 0, 0}, "../../etc/passwd", "unknown time zone '../../etc/passwd'"},
    };
    for (const auto& c : kCases) {
        const ZoneResolution r = ResolveLocalTime(c.local, c.zone, 0.0, LocalTimeChoice::None);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, c.expected);
    }
}

TEST(TimeZones, LocalTimeOfReadsTheInstantBack) {
    for (const ZoneCase& c : kZoneCases) {
        // A skipped time's readings fall outside the gap; a repeated one's read back alike.
        if (c.choice != LocalTimeChoice::None) continue;
        LocalDateTime local;
        int offset = 0;
        ASSERT_TRUE(LocalTimeOf(c.utc, c.zone, 0.0, local, offset)) << c.what;
        EXPECT_EQ(offset, c.offset) << c.what;
        EXPECT_EQ(FormatDate(local) + " " + FormatTime(local),
                  FormatDate(c.local) + " " + FormatTime(c.local))
            << c.what;
    }
}

TEST(Horoscope, DatesAndTimesAsTyped) {
    int y = 0, m = 0, d = 0, h = 0, mi = 0, s = 0;
    EXPECT_TRUE(ParseDate("1975-06-14", y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 19750614);
    EXPECT_TRUE(ParseDate("2000-02-29", y, m, d));
    for (const char* bad :
         {"1975-6-14", "1900-02-29", "1975-13-01", "1975-06-31", "19750614", "1975-06-14x", ""}) {
        EXPECT_FALSE(ParseDate(bad, y, m, d)) << bad;
    }
    // Years before 1 BCE's year 0 take a minus sign; the Gregorian rule holds either side.
    struct Signed {
        const char* text;
        bool valid;
        int year, month, day;  // when valid
    };
    const Signed signedRows[] = {
        {"-0044-03-15", true, -44, 3, 15},
        {"0000-02-29", true, 0, 2, 29},
        {"-0400-02-29", true, -400, 2, 29},
        {"-0100-02-29", false, 0, 0, 0},
        {"-0001-12-31", true, -1, 12, 31},
        {"--0044-03-15", false, 0, 0, 0},
        {"-044-03-15", false, 0, 0, 0},
        {"+1975-06-14", false, 0, 0, 0},
        {"-", false, 0, 0, 0},
    };
    for (const Signed& row : signedRows) {
        EXPECT_EQ(ParseDate(row.text, y, m, d), row.valid) << row.text;
        if (row.valid) {
            EXPECT_EQ(std::tie(y, m, d), std::tie(row.year, row.month, row.day)) << row.text;
        }
    }
    // Day counts across year 0's leap day and the epoch.
    EXPECT_EQ(DaysFromCivil(0, 3, 1) - DaysFromCivil(0, 2, 28), 2);
    EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
    CivilFromDays(DaysFromCivil(-44, 3, 15), y, m, d);
    EXPECT_EQ(std::tie(y, m, d), std::make_tuple(-44, 3, 15));
    EXPECT_TRUE(ParseTime("08:30", h, mi, s));
    EXPECT_EQ(s, 0);
    EXPECT_TRUE(ParseTime("23:59:59", h, mi, s));
    EXPECT_EQ(h * 10000 + mi * 100 + s, 235959);
    for (const char* bad : {"24:00", "8:30", "08:60", "08:30:60", "08:30:5", "0830"}) {
        EXPECT_FALSE(ParseTime(bad, h, mi, s)) << bad;
    }
}

}  // namespace
}  // namespace natal
