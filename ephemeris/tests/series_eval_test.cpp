// The engine evaluates its tables through compile-time plans that share sines and cosines and
// through a faster remainder; these must give the plain term-by-term results bit for bit.

#include "ephemeris/series_eval.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <span>
#include <string>

#include "ephemeris/chiron.h"
#include "ephemeris/latitude_tables.h"
#include "ephemeris/moon_tables.h"
#include "ephemeris/planet_tables.h"
#include "ephemeris/planets.h"
#include "ephemeris/series.h"

namespace {

using namespace ephemeris::series;
using namespace ephemeris::series::tables;

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

// Dates from -4000 to +8000 years, both reference epochs and a few exact day boundaries.
std::vector<double> SampleDates() {
    std::vector<double> dates = {2451545.0, 2415020.0, 2451544.5, 0.0, -1.5, 2299160.5};
    std::mt19937_64 random(20000101);
    std::uniform_real_distribution<double> jed(260000.0, 4650000.0);
    for (int i = 0; i < 400; ++i) dates.push_back(jed(random));
    return dates;
}

double TermByTerm(std::span<const Term> table, double jed) {
    return SumSeries(table, ComputeArguments(jed, ArgumentsUsed(table)));
}

template <const auto& table>
void ExpectPlanMatchesTermByTerm(const char* name) {
    for (double jed : SampleDates()) {
        ASSERT_EQ(Bits(Sum<table>(jed)), Bits(TermByTerm(table, jed)))
            << name << " at JED " << std::to_string(jed);
    }
}

TEST(SeriesPlan, EveryTableSumsBitForBitAsTermByTerm) {
    ExpectPlanMatchesTermByTerm<kSunLongitude>("Sun longitude");
    ExpectPlanMatchesTermByTerm<kEarthRadius>("Earth radius");
    ExpectPlanMatchesTermByTerm<kMercuryLongitude>("Mercury longitude");
    ExpectPlanMatchesTermByTerm<kMercuryRadius>("Mercury radius");
    ExpectPlanMatchesTermByTerm<kVenusLongitude>("Venus longitude");
    ExpectPlanMatchesTermByTerm<kVenusRadius>("Venus radius");
    ExpectPlanMatchesTermByTerm<kMarsLongitude>("Mars longitude");
    ExpectPlanMatchesTermByTerm<kMarsRadius>("Mars radius");
    ExpectPlanMatchesTermByTerm<kJupiterLongitude>("Jupiter longitude");
    ExpectPlanMatchesTermByTerm<kJupiterRadius>("Jupiter radius");
    ExpectPlanMatchesTermByTerm<kSaturnLongitude>("Saturn longitude");
    ExpectPlanMatchesTermByTerm<kSaturnRadius>("Saturn radius");
    ExpectPlanMatchesTermByTerm<kUranusLongitude>("Uranus longitude");
    ExpectPlanMatchesTermByTerm<kUranusRadius>("Uranus radius");
    ExpectPlanMatchesTermByTerm<kNeptuneLongitude>("Neptune longitude");
    ExpectPlanMatchesTermByTerm<kNeptuneRadius>("Neptune radius");
    ExpectPlanMatchesTermByTerm<kPlutoLongitude>("Pluto longitude");
    ExpectPlanMatchesTermByTerm<kPlutoRadius>("Pluto radius");
    ExpectPlanMatchesTermByTerm<kMoonLongitude>("Moon longitude");
    ExpectPlanMatchesTermByTerm<kMoonLatitude>("Moon latitude");
    ExpectPlanMatchesTermByTerm<kMercuryLatitude>("Mercury latitude");
    ExpectPlanMatchesTermByTerm<kVenusLatitude>("Venus latitude");
    ExpectPlanMatchesTermByTerm<kMarsLatitude>("Mars latitude");
    ExpectPlanMatchesTermByTerm<kJupiterLatitude>("Jupiter latitude");
    ExpectPlanMatchesTermByTerm<kSaturnLatitude>("Saturn latitude");
    ExpectPlanMatchesTermByTerm<kUranusLatitude>("Uranus latitude");
    ExpectPlanMatchesTermByTerm<kNeptuneLatitude>("Neptune latitude");
    ExpectPlanMatchesTermByTerm<kPlutoLatitude>("Pluto latitude");
}

TEST(SeriesPlan, EarthAndPlanetTogetherEqualEachAlone) {
    struct Planet {
        int code;
        double (*longitude)(double);
        double (*radius)(double);
    };
    const Planet planets[] = {
        {1, MercuryLongitude, MercuryRadius}, {2, VenusLongitude, VenusRadius},
        {4, MarsLongitude, MarsRadius},       {5, JupiterLongitude, JupiterRadius},
        {6, SaturnLongitude, SaturnRadius},   {7, UranusLongitude, UranusRadius},
        {8, NeptuneLongitude, NeptuneRadius}, {9, PlutoLongitude, PlutoRadius},
    };
    for (double jed : SampleDates()) {
        for (const Planet& planet : planets) {
            HeliocentricPosition earth{};
            HeliocentricPosition body{};
            ASSERT_TRUE(EarthAndPlanetPositions(jed, planet.code, earth, body));
            ASSERT_EQ(Bits(earth.longitude), Bits(EarthLongitude(jed))) << planet.code;
            ASSERT_EQ(Bits(earth.radius), Bits(EarthRadius(jed))) << planet.code;
            ASSERT_EQ(Bits(body.longitude), Bits(planet.longitude(jed))) << planet.code;
            ASSERT_EQ(Bits(body.radius), Bits(planet.radius(jed))) << planet.code;
        }
        const HeliocentricPosition earth = EarthPosition(jed);
        ASSERT_EQ(Bits(earth.longitude), Bits(EarthLongitude(jed)));
        ASSERT_EQ(Bits(earth.radius), Bits(EarthRadius(jed)));
    }
    HeliocentricPosition earth{};
    HeliocentricPosition body{};
    EXPECT_FALSE(EarthAndPlanetPositions(2451545.0, 3, earth, body));
    EXPECT_FALSE(EarthAndPlanetPositions(2451545.0, 12, earth, body));
}

TEST(FmodRevolution, EqualsFmodBitForBit) {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> revolutions(-1.0, 1.0);
    std::uniform_real_distribution<double> days(-3e6, 3e6);
    std::uniform_real_distribution<double> rate(0.0, 0.04);
    for (int i = 0; i < 200000; ++i) {
        double angle = kRevolution * (revolutions(random) + rate(random) * days(random));
        if (i % 3 == 1) {
            // Whole revolutions and their neighbours, where the quotient rounds to an integer.
            angle = kRevolution * std::trunc(days(random) / 100);
            if (i % 2 == 0) angle = std::nextafter(angle, 0.0);
        }
        ASSERT_EQ(Bits(FmodRevolution(angle)), Bits(std::fmod(angle, kRevolution))) << angle;
    }
    for (double angle : {0.0, -0.0, kRevolution, -kRevolution, 1e300, -1e300, 0x1p60}) {
        EXPECT_EQ(Bits(FmodRevolution(angle)), Bits(std::fmod(angle, kRevolution))) << angle;
    }
    EXPECT_TRUE(std::isnan(FmodRevolution(INFINITY)));
    EXPECT_TRUE(std::isnan(FmodRevolution(NAN)));
}

TEST(ReduceDegrees, KeepsThreeSixtyAndFoldsOnce) {
    struct Case {
        double in, out;
    };
    const Case cases[] = {{0, 0},        {360, 360},         {360.5, 0.5},       {720, 360},
                          {-0.5, 359.5}, {-360, 0},          {-720, 0},          {5760.25, 0.25},
                          {5760, 360},   {-5760.25, 359.75}, {1e7 + 0.5, 280.5}, {-1e7, 80}};
    for (const Case& c : cases) EXPECT_EQ(ReduceDegrees(c.in), c.out) << c.in;
}

TEST(ReduceDegrees, OneStepEqualsTheLoopsFarOut) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> turns(-3e4, 3e4);
    for (int i = 0; i < 1000; ++i) {
        double value = turns(random) * 360;
        if (i % 4 == 0) value = std::trunc(value / 360) * 360;  // whole turns: 360 or 0
        double looped = value;
        while (looped < 0) looped += 360;
        while (looped > 360) looped -= 360;
        ASSERT_EQ(Bits(ReduceDegrees(value)), Bits(looped)) << value;
    }
}

TEST(SeriesRow, ReadsTermsAsWritten) {
    constexpr Term mean = Row("Ls");
    static_assert(mean.kind == Term::kMeanLongitude && mean.argument[0] == Ls);
    constexpr Term sine = Row("-17 T sin Gs");
    static_assert(sine.kind == Term::kSin && sine.timesT && sine.amplitude == -17 &&
                  sine.factorCount == 1 && sine.multiplier[0] == 1 && sine.argument[0] == Gs);
    constexpr Term combination = Row("5 sin(4Gs - 8G4 + 3G5)");
    static_assert(combination.factorCount == 3 && combination.multiplier[0] == 4 &&
                  combination.multiplier[1] == -8 && combination.argument[1] == G4 &&
                  combination.multiplier[2] == 3 && combination.argument[2] == G5);
    constexpr Term fourFactors = Row("2 sin(Gm - Fm + 2D - Gs)");
    static_assert(fourFactors.factorCount == 4 && fourFactors.argument[2] == D &&
                  fourFactors.multiplier[3] == -1 && fourFactors.argument[3] == Gs);
    constexpr Term node = Row("7 sin N");
    static_assert(node.argument[0] == N);
    constexpr Term secular = Row("5023 T");
    static_assert(secular.kind == Term::kConstant && secular.timesT && secular.amplitude == 5023);
    // Decimal amplitudes read exactly as the literals do.
    static_assert(Row("1.00014").amplitude == 1.00014);
    static_assert(Row("-0.01675 cos Gs").amplitude == -0.01675);
    static_assert(Row("-0.00787 cos(2L7 - G7 - 2L8)").amplitude == -0.00787);
    static_assert(Row("40.74638").amplitude == 40.74638);
    SUCCEED();
}

}  // namespace
