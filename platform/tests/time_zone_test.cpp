#include "platform/time_zone.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using caelvane::SystemTime;
using caelvane::TimeZoneRule;

std::string Describe(const SystemTime& r) {
    return "{year " + std::to_string(r.year) + ", month " + std::to_string(r.month) +
           ", dayOfWeek " + std::to_string(r.dayOfWeek) + ", day " + std::to_string(r.day) + ", " +
           std::to_string(r.hour) + ":" + std::to_string(r.minute) + "}";
}

void ExpectRecord(const SystemTime& actual, const SystemTime& expected, const std::string& what) {
    EXPECT_EQ(Describe(actual), Describe(expected)) << what;
}

void ExpectRule(const TimeZoneRule& actual, const TimeZoneRule& expected, const std::string& what) {
    ExpectRecord(actual.daylightDate, expected.daylightDate, what + " daylight record");
    ExpectRecord(actual.standardDate, expected.standardDate, what + " standard record");
}

// year, month, dayOfWeek, day, hour, minute
constexpr SystemTime Relative(int month, int week, int weekday, int hour, int minute = 0) {
    return SystemTime{0, month, weekday, week, hour, minute};
}

struct ZoneCase {
    const char* zone;
    TimeZoneRule expected;
};

// Rules of real zones, read through the zone database of the machine.
const ZoneCase kZones[] = {
    {"America/New_York", {Relative(11, 1, 0, 2), Relative(3, 2, 0, 2)}},
    {"Europe/Berlin", {Relative(10, 5, 0, 3), Relative(3, 5, 0, 2)}},
    // Southern hemisphere: daylight time starts in October and ends in April.
    {"Australia/Sydney", {Relative(4, 1, 0, 3), Relative(10, 1, 0, 2)}},
    {"Europe/Kyiv", {Relative(10, 5, 0, 4), Relative(3, 5, 0, 3)}},
    // Transition times outside 0..23 keep their hours.
    {"America/Nuuk", {Relative(10, 5, 0, 0), Relative(3, 5, 0, -1)}},
    {"America/Santiago", {Relative(4, 1, 6, 24), Relative(9, 1, 6, 24)}},
    {"UTC", {}},
    {"Asia/Tokyo", {}},
    {"Asia/Tehran", {}},
};

TEST(TimeZoneRule, ReadsTheFooterOfRealZoneFiles) {
    for (const ZoneCase& zone : kZones) {
        ExpectRule(caelvane::TimeZoneRuleFromEnvironment(zone.zone), zone.expected, zone.zone);
    }
}

TEST(TimeZoneRule, GivesTheTransitionDaysOfTheCalendar) {
    const TimeZoneRule berlin = caelvane::TimeZoneRuleFromEnvironment("Europe/Berlin");
    EXPECT_EQ(DaylightStartDate(2024, berlin), JulianDate(3, 31, 2024, 12, 0));
    EXPECT_EQ(DaylightEndDate(2024, berlin), JulianDate(10, 27, 2024, 12, 0));
    const TimeZoneRule sydney = caelvane::TimeZoneRuleFromEnvironment("Australia/Sydney");
    EXPECT_EQ(DaylightStartDate(2024, sydney), JulianDate(10, 6, 2024, 12, 0));
    EXPECT_EQ(DaylightEndDate(2024, sydney), JulianDate(4, 7, 2024, 12, 0));
}

TEST(TimeZoneRule, ZoneWithoutDaylightTimeReportsMonthZero) {
    for (const char* zone : {"UTC", "Asia/Tokyo", "Etc/GMT-14"}) {
        EXPECT_EQ(caelvane::TimeZoneRuleFromEnvironment(zone).standardDate.month, 0) << zone;
    }
}

TEST(TimeZoneRule, NamesAFileInEveryForm) {
    const TimeZoneRule berlin = {Relative(10, 5, 0, 3), Relative(3, 5, 0, 2)};
    ExpectRule(caelvane::TimeZoneRuleFromEnvironment(":Europe/Berlin"), berlin, ":Area/City");
    ExpectRule(caelvane::TimeZoneRuleFromEnvironment("/usr/share/zoneinfo/Europe/Berlin"), berlin,
               "absolute path");
    ExpectRule(caelvane::TimeZoneRuleFromEnvironment("Berlin", "/usr/share/zoneinfo/Europe"),
               berlin, "another zone folder");
    // TZ unset: the local time file.
    ExpectRule(caelvane::TimeZoneRuleFromEnvironment(nullptr, caelvane::kZoneInfoDir,
                                                     "/usr/share/zoneinfo/Europe/Berlin"),
               berlin, "TZ unset");
}

TEST(TimeZoneRule, UnreadableZonesAreUniversalTime) {
    for (const char* tz : {"", "Mars/Olympus_Mons", ":", "/nonexistent", "/usr/share/zoneinfo",
                           "/etc/passwd", ":../../../etc/hostname"}) {
        EXPECT_EQ(caelvane::TimeZoneRuleFromEnvironment(tz, caelvane::kZoneInfoDir, "/nonexistent")
                      .standardDate.month,
                  0)
            << "TZ=" << tz;
    }
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(TimeZoneRule, HostRuleFollowsTzAndTzdir) {
    {
        ScopedEnv tz("TZ", "Europe/Berlin");
        ScopedEnv dir("TZDIR", nullptr);
        EXPECT_EQ(caelvane::HostTimeZoneRule().standardDate.month, 10);
    }
    {
        ScopedEnv tz("TZ", "Sydney");
        ScopedEnv dir("TZDIR", "/usr/share/zoneinfo/Australia");
        EXPECT_EQ(caelvane::HostTimeZoneRule().standardDate.month, 4);
    }
    {
        ScopedEnv tz("TZ", "EST5EDT,M4.1.0,M10.5.0");
        EXPECT_EQ(caelvane::HostTimeZoneRule().daylightDate.month, 4);
    }
}

TEST(PosixTimeZone, ReadsRulesOfEveryForm) {
    struct Case {
        const char* text;
        TimeZoneRule expected;
    };
    const Case cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", {Relative(10, 5, 0, 3), Relative(3, 5, 0, 2)}},
        // A daylight name without a rule takes the customary default.
        {"EST5EDT", {Relative(11, 1, 0, 2), Relative(3, 2, 0, 2)}},
        {"<-03>3<-02>,M3.5.0/-2:30,M10.5.0/-1",
         {Relative(10, 5, 0, -1), Relative(3, 5, 0, -2, -30)}},
        {"NZST-12NZDT-13,M9.5.0/2:45:10,M4.1.0/3",
         {Relative(4, 1, 0, 3), Relative(9, 5, 0, 2, 45)}},
        // Jn never counts February 29: J60 is March 1 in every year.
        {"AAA3BBB,J60/1,J305", {{1, 11, 0, 1, 2, 0}, {1, 3, 0, 1, 1, 0}}},
        // n counts from 0: 59 is March 1 in a common year; 365 only exists in a leap year.
        {"AAA3BBB,59,365/25", {{1, 12, 0, 31, 25, 0}, {1, 3, 0, 1, 2, 0}}},
        // Daylight time all year.
        {"EST5EDT4,0/0,J365/25", {{1, 12, 0, 31, 25, 0}, {1, 1, 0, 1, 0, 0}}},
        {"JST-9", {}},
        {"<+0330>-3:30", {}},
        {"UTC0", {}},
    };
    for (const Case& c : cases) {
        const auto rule = caelvane::ParsePosixTimeZone(c.text);
        ASSERT_TRUE(rule.has_value()) << c.text;
        ExpectRule(*rule, c.expected, c.text);
    }
}

TEST(PosixTimeZone, RefusesWhatIsNotARule) {
    for (const char* text : {"",
                             "UTC",
                             "Europe/Berlin",
                             "ES5",
                             "EST",
                             "EST5EDT,",
                             "EST5EDT,M3.2.0",
                             "EST5EDT,M3.2.0,",
                             "EST5EDT,M13.2.0,M11.1.0",
                             "EST5EDT,M0.2.0,M11.1.0",
                             "EST5EDT,M3.6.0,M11.1.0",
                             "EST5EDT,M3.0.0,M11.1.0",
                             "EST5EDT,M3.2.7,M11.1.0",
                             "EST5EDT,J0,J365",
                             "EST5EDT,J366,J1",
                             "EST5EDT,366,1",
                             "EST5EDT,M3.2.0/168,M11.1.0",
                             "EST25",
                             "EST5:60",
                             "EST5EDT,M3.2.0,M11.1.0 ",
                             "EST5EDT,M3.2.0,M11.1.0x",
                             "<AB>5",
                             "<ABC5",
                             "EST5EDT,M3.2.0,M11.1.0/2:99"}) {
        EXPECT_FALSE(caelvane::ParsePosixTimeZone(text).has_value()) << '"' << text << '"';
    }
}

// A TZif file of version 2 with one local time type and no transitions.
std::string MinimalTzif(char version, const std::string& footer) {
    auto header = [&](std::string& out) {
        out += "TZif";
        out += version;
        out += std::string(15, '\0');
        const std::uint32_t counts[6] = {0, 0, 0, 0, 1, 4};  // ut, std, leap, time, type, char
        for (std::uint32_t count : counts) {
            for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(count >> shift);
        }
    };
    auto block = [](std::string& out) {
        out += std::string("\0\0\0\0\0\0", 6);  // type: offset 0, not daylight, name index 0
        out += std::string("UTC\0", 4);
    };
    std::string data;
    header(data);
    block(data);
    if (version == '\0') return data;
    header(data);
    block(data);
    data += "\n" + footer + "\n";
    return data;
}

TEST(TzifFooter, ReadsTheRuleAfterTheSecondBlock) {
    EXPECT_EQ(caelvane::TzifFooter(MinimalTzif('2', "CET-1CEST,M3.5.0,M10.5.0/3")),
              "CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(caelvane::TzifFooter(MinimalTzif('3', "")), "");
    // Version 1 files have no footer.
    EXPECT_FALSE(caelvane::TzifFooter(MinimalTzif('\0', "")).has_value());
    EXPECT_FALSE(caelvane::TzifFooter("CET-1CEST,M3.5.0,M10.5.0/3\n").has_value());
}

TEST(TzifFooter, EveryTruncationIsRefused) {
    const std::string data = MinimalTzif('2', "UTC0");
    for (std::size_t size = 0; size < data.size(); ++size) {
        EXPECT_FALSE(caelvane::TzifFooter(std::string_view(data).substr(0, size)).has_value())
            << "cut at " << size;
    }
}

TEST(TzifFooter, HugeCountsDoNotReadOutside) {
    std::string data = MinimalTzif('2', "UTC0");
    for (std::size_t pos = 20; pos < 44; ++pos) data[pos] = '\xff';
    EXPECT_FALSE(caelvane::TzifFooter(data).has_value());
}

}  // namespace
