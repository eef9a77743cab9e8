// Eclipses where the precise source's data files end: found by the analytic theory, and said so.
#include "events/eclipses.h"

#include <gtest/gtest.h>

#include <string>

#include "ephemeris/calendar.h"
#include "events/event_writers.h"

namespace events {
namespace {

double Utc(int year, int month, int day) {
    return JulianDate(month, day, year, 0, 0);
}

TEST(PreciseEclipses, AfterTheDataFilesComeFromTheAnalyticTheoryAndSaySo) {
    if (!PreciseEclipsesAvailable()) GTEST_SKIP() << "no precise source in this build";
    struct Case {
        const char* name;
        double from, to;
        bool analytic;
    };
    // Eclipses found within a year of the files' end take the analytic theory, so that a search
    // running past the end never fails on the missing file.
    const Case cases[] = {
        {"2024", Utc(2024, 1, 1), Utc(2025, 1, 1), false},
        {"2397", Utc(2397, 1, 1), Utc(2398, 1, 1), false},
        {"2401", Utc(2401, 1, 1), Utc(2402, 1, 1), true},
        {"2998", Utc(2998, 1, 1), Utc(2999, 1, 1), true},
    };
    for (const Case& c : cases) {
        const std::vector<SkyEvent> found = PreciseEclipses(c.from, c.to);
        // Two to seven eclipses a year, solar and lunar.
        ASSERT_GE(found.size(), 4u) << c.name;
        ASSERT_LE(found.size(), 7u) << c.name;
        for (const SkyEvent& eclipse : found) {
            EXPECT_EQ(eclipse.analytic, c.analytic) << c.name;
            EXPECT_GE(eclipse.jed, c.from) << c.name;
            EXPECT_LT(eclipse.jed, c.to) << c.name;
        }
        const std::string calendar = EventsICalendar(found, c.from);
        EXPECT_EQ(calendar.find("analytic theory") != std::string::npos, c.analytic) << c.name;
    }
    // The whole stretch across the files' end, in one search.
    const std::vector<SkyEvent> across = PreciseEclipses(Utc(2398, 6, 1), Utc(2401, 1, 1));
    ASSERT_GE(across.size(), 8u);
    EXPECT_FALSE(across.front().analytic);
    EXPECT_TRUE(across.back().analytic);
    // Past the end of the theory (early 3003) no eclipse is found, and the search does not fail.
    const std::vector<SkyEvent> late = PreciseEclipses(Utc(2999, 1, 1), Utc(3024, 1, 1));
    ASSERT_FALSE(late.empty());
    EXPECT_LT(late.back().jed, Utc(3004, 1, 1));
}

}  // namespace
}  // namespace events
