#include "ephemeris/positions.h"

#include <gtest/gtest.h>

#include <string>

#include "ephemeris/planets.h"

namespace {

constexpr double kJ2000 = 2451545.0;

// Expected values are the published example values of the body codes at J2000 (rounded to 4
// decimals); a code without a body serves 0.
struct CodeReference {
    double jed;
    int code;
    double expected;  // rounded to 4 decimals
};

TEST(BodyLongitude, MatchesReferencesForEveryKindOfCode) {
    const CodeReference cases[] = {
        {kJ2000, -1, 271.8958},
        {kJ2000, -2, 241.5250},
        {kJ2000, -3, 280.3774},
        {kJ2000, -4, 327.9852},
        {kJ2000, -5, 25.2670},
        {kJ2000, -6, 40.4066},
        {kJ2000, -7, 314.8294},
        {kJ2000, -8, 303.2178},
        {kJ2000, -9, 251.3789},
        {kJ2000, -12, 251.8074},
        {kJ2000, 10, 223.3162},
        {kJ2000, -10, 223.3162},
        {kJ2000, 20, 313.3162},
        {kJ2000, 30, 43.3162},
        {kJ2000, 40, 133.3162},
        {kJ2000, 3, 100.3774},
        {kJ2000, 12, 249.0614},
        {kJ2000, 11, 125.0435},
        {kJ2000, -11, 125.0435},
        {kJ2000, 13, 5.1710},
        {kJ2000, -13, 5.1710},
        // Daily point: at 12h UT on the Sun, at 0h UT on the Earth.
        {kJ2000, 2000, 280.3774},
        {2451544.5, 2000, 99.8677},
        {2451544.5, 3, 99.8677},
        {kJ2000, -100, 0},
        {kJ2000, -101, 90},
        {kJ2000, -102, 180},
        {kJ2000, -103, 270},
        {kJ2000, 0, 0},
        {kJ2000, 14, 0},
        {kJ2000, -14, 0},
        {kJ2000, 1999, 0},
    };
    for (const CodeReference& c : cases) {
        EXPECT_NEAR(BodyLongitude(c.jed, c.code), c.expected, 0.00006)
            << "code " << c.code << " at JED " << std::to_string(c.jed);
    }
}

TEST(BodyLongitude, DailyPointTurnsAQuarterDegreePerMinute) {
    const double midnight = 2451544.5;
    const double at6 = midnight + 0.25 + 1e-9;  // clear of the minute truncation
    EXPECT_NEAR(BodyLongitude(at6, 2000), EarthLongitude(at6) + 90, 1e-9);
}

TEST(BodyLongitude, GeocentricLongitudesStayInOneTurn) {
    for (double jed = 2400000.5; jed < 2500000.5; jed += 997.3) {
        for (int code : {-1, -2, -3, -4, -5, -6, -7, -8, -9, -12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12}) {
            const double longitude = BodyLongitude(jed, code);
            EXPECT_GE(longitude, 0) << code << " at " << jed;
            EXPECT_LE(longitude, 360) << code << " at " << jed;
        }
    }
}

TEST(BodyLatitude, ServesTheLatitudeOfEachCode) {
    const CodeReference cases[] = {
        {kJ2000, 1, 356.9786}, {kJ2000, -1, 356.9786}, {kJ2000, 2, 3.2634},   {kJ2000, 9, 11.2517},
        {kJ2000, 10, 5.1710},  {kJ2000, 20, 5.1710},   {kJ2000, -13, 5.1710}, {kJ2000, 12, 6.9410},
        {kJ2000, -12, 6.9410}, {kJ2000, 3, 0},         {kJ2000, -3, 0},       {kJ2000, 11, 0},
        {kJ2000, 2000, 0},     {kJ2000, -101, 0},      {kJ2000, -50, 0},      {kJ2000, 77, 0},
    };
    for (const CodeReference& c : cases) {
        EXPECT_NEAR(BodyLatitude(c.jed, c.code), c.expected, 0.00006) << "code " << c.code;
    }
}

TEST(OrbitalPeriod, KnownCodesAndTheSlowestDefault) {
    // Periods in days as the body-code table lists them; 1000000 is its default for codes
    // without a body, and the daily point (2000) turns once a day.
    EXPECT_EQ(OrbitalPeriod(1), 87.96856);
    EXPECT_EQ(OrbitalPeriod(10), 27.321582);
    EXPECT_EQ(OrbitalPeriod(40), 27.321582);
    EXPECT_EQ(OrbitalPeriod(12), 18335.55);
    EXPECT_EQ(OrbitalPeriod(2000), 1);
    EXPECT_EQ(OrbitalPeriod(0), 1000000);
    EXPECT_EQ(OrbitalPeriod(14), 1000000);
    // A geocentric code moves with its heliocentric counterpart.
    EXPECT_EQ(OrbitalPeriod(-5), 4332.59);
    EXPECT_EQ(OrbitalPeriod(-3), 365.25636);
    EXPECT_EQ(OrbitalPeriod(-13), 27.321582);
    EXPECT_EQ(OrbitalPeriod(-20), 1000000);
    EXPECT_EQ(OrbitalPeriod(-100), 1000000);
}

TEST(ArcForward, WrapsOnceAcrossZero) {
    EXPECT_EQ(ArcForward(350, 10), 20);
    EXPECT_EQ(ArcForward(10, 350), 340);
    EXPECT_EQ(ArcForward(10, 10), 0);
}

}  // namespace
