// Both position sources behind the same body codes: the series unchanged, the precise source
// consistent with itself (page == per code, bit for bit), near the series where it must be, with
// its fall-backs, and safe for any date.

#include "ephemeris/position_source.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "ephemeris/calendar.h"
#include "ephemeris/positions.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Every code BodyLongitude answers, and a few it does not know.
const std::vector<int> kCodes = {1,    2,    3,    4,    5,  6,  7,    8,   9,   10,
                                 11,   12,   13,   20,   30, 40, 2000, -1,  -2,  -3,
                                 -4,   -5,   -6,   -7,   -8, -9, -10,  -11, -12, -13,
                                 -100, -101, -102, -103, 0,  14, -14,  99,  -99, 1999};

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

double Separation(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0));
}

TEST(PositionSource, NamesReadBackAndBadValuesAreRefusedWithTheChoices) {
    for (const PositionSource source : {PositionSource::Series, PositionSource::Precise}) {
        EXPECT_EQ(ParsePositionSource(PositionSourceName(source)), source);
    }
    std::string error;
    EXPECT_EQ(ReadPositionSource("series", error), PositionSource::Series);
    EXPECT_TRUE(error.empty());
    for (const char* bad : {"", "Series", "precise ", "swiss", "0"}) {
        error.clear();
        EXPECT_FALSE(ReadPositionSource(bad, error)) << bad;
        EXPECT_EQ(error, "'" + std::string(bad) + "' is not a position source; use series|precise");
    }
    error.clear();
    EXPECT_EQ(ReadPositionSource("precise", error).has_value(), PrecisePositionsAvailable());
    EXPECT_EQ(error.empty(), PrecisePositionsAvailable()) << error;
}

// Asked for the series, every entry point is the classic one, bit for bit.
TEST(PositionSource, SeriesIsTheClassicEngineForEveryCode) {
    for (const double jed : {2415020.5, 2451545.0, 2460000.708, 2488069.5, 1e9, kNaN}) {
        const PagePositions page = ComputePagePositions(jed, PositionSource::Series);
        const PagePositions classic = ComputePagePositions(jed);
        EXPECT_EQ(page.source, PositionSource::Series);
        EXPECT_FALSE(page.preciseRefused || page.chironFromSeries || page.analytic);
        for (const int code : kCodes) {
            EXPECT_TRUE(SameBits(BodyLongitude(jed, code, PositionSource::Series),
                                 BodyLongitude(jed, code)))
                << code << " at " << jed;
            EXPECT_TRUE(
                SameBits(BodyLatitude(jed, code, PositionSource::Series), BodyLatitude(jed, code)))
                << code << " at " << jed;
            EXPECT_TRUE(SameBits(page.Longitude(code), classic.Longitude(code))) << code;
        }
    }
}

#if CAELVANE_WITH_SWISSEPH

constexpr PositionSource kPrecise = PositionSource::Precise;

// The page's values, each against its per-code call; every code, the derived ones included.
void ExpectPageMatchesPerCode(double jed) {
    const PagePositions page = ComputePagePositions(jed, kPrecise);
    const WheelLongitudes wheels = ComputeWheelLongitudes(jed, kPrecise);
    for (const int code : kCodes) {
        const double longitude = BodyLongitude(jed, code, kPrecise);
        const double latitude = BodyLatitude(jed, code, kPrecise);
        EXPECT_TRUE(SameBits(page.Longitude(code), longitude))
            << "longitude of " << code << " at " << jed << ": page " << page.Longitude(code)
            << ", per code " << longitude;
        EXPECT_TRUE(SameBits(wheels.Longitude(code), longitude)) << code << " at " << jed;
        EXPECT_TRUE(SameBits(page.Latitude(code), latitude))
            << "latitude of " << code << " at " << jed << ": page " << page.Latitude(code)
            << ", per code " << latitude;
    }
}

TEST(PrecisePositions, PageIsThePerCodeValuesBitForBit) {
    // Inside the data files, beyond them (analytic theory), beyond Chiron's range.
    for (const double jed : {2451545.0, 2415020.3125, 2469807.5, 2378496.5, 2524594.5, 1903682.5,
                             630000.5, 2817000.5, 3500000.5}) {
        ExpectPageMatchesPerCode(jed);
    }
}

TEST(PrecisePositions, EveryCodeGivesAnAngleOfOneTurn) {
    for (double jed = 2415020.5; jed < 2488070; jed += 733.37) {
        const PagePositions page = ComputePagePositions(jed, kPrecise);
        EXPECT_EQ(page.source, kPrecise);
        EXPECT_FALSE(page.preciseRefused || page.chironFromSeries || page.analytic) << jed;
        for (const int code : kCodes) {
            const double longitude = BodyLongitude(jed, code, kPrecise);
            const double latitude = BodyLatitude(jed, code, kPrecise);
            EXPECT_TRUE(longitude >= 0 && longitude < 360) << code << " at " << jed;
            EXPECT_TRUE(latitude >= 0 && latitude < 360) << code << " at " << jed;
        }
        // Folded latitudes stay small either side of the ecliptic (Pluto reaches 17 degrees).
        for (int k = 1; k <= 12; ++k) {
            const double folded = page.latitude[k];
            EXPECT_LT(std::min(folded, 360 - folded), 18.0) << k << " at " << jed;
        }
    }
}

// The series are off by minutes of arc for the planets and by degrees for Chiron; anything
// beyond that is a wiring fault (a body swapped, a wheel taken for the other, J2000 for date).
TEST(PrecisePositions, StayNearTheSeriesForEveryBody) {
    const double kTolerance[13] = {0, 0.3, 0.3, 0.05, 0.3, 0.3, 0.3, 0.3, 0.3, 0.6, 0.3, 0.05, 6.0};
    for (double jed = 2415020.5; jed < 2488070; jed += 1009.71) {
        const PagePositions precise = ComputePagePositions(jed, kPrecise);
        const PagePositions series = ComputePagePositions(jed);
        for (int k = 1; k <= 12; ++k) {
            EXPECT_LT(Separation(precise.heliocentric[k], series.heliocentric[k]), kTolerance[k])
                << k << " at " << jed;
            EXPECT_LT(Separation(precise.geocentric[k], series.geocentric[k]), kTolerance[k])
                << -k << " at " << jed;
        }
        EXPECT_LT(Separation(precise.moonLatitude, series.moonLatitude), 0.1) << jed;
        EXPECT_LT(Separation(precise.Longitude(2000), series.Longitude(2000)), 0.05) << jed;
    }
}

// Meeus, Astronomical Algorithms (2nd ed.), examples 25.b, 47.a and 33.a: apparent positions at
// 0h TD in 1992, given here in UT with that year's ΔT of about 59 s.
TEST(PrecisePositions, GeocentricCodesAgreeWithPublishedPositions) {
    constexpr double kArcsecond = 1.0 / 3600;
    const double deltaT = 59.0 / 86400;
    EXPECT_NEAR(BodyLongitude(2448908.5 - deltaT, -3, kPrecise), 199.906, 1.5 * kArcsecond);
    const double moonJed = 2448724.5 - 58.5 / 86400;
    EXPECT_NEAR(BodyLongitude(moonJed, -10, kPrecise), 133.167265, 10 * kArcsecond);
    EXPECT_NEAR(BodyLongitude(moonJed, 10, kPrecise), 133.167265, 10 * kArcsecond);
    EXPECT_NEAR(BodyLongitude(moonJed, 13, kPrecise), 360 - 3.229126, 10 * kArcsecond);
    EXPECT_NEAR(BodyLatitude(moonJed, 20, kPrecise), 360 - 3.229126, 10 * kArcsecond);
    EXPECT_NEAR(BodyLongitude(moonJed, 30, kPrecise), 313.167265, 10 * kArcsecond);
    EXPECT_NEAR(BodyLongitude(2448976.5 - deltaT, -2, kPrecise), 313.08102, 3 * kArcsecond);
}

TEST(PrecisePositions, HeliocentricEarthIsOppositeTheSunAndDrivesTheDailyPoint) {
    const double jed = 2459581.1875;  // 2022-01-01 16:30 UT
    const double earth = BodyLongitude(jed, 3, kPrecise);
    // Geometric against apparent: the annual aberration (20.5") and the light-time apart.
    EXPECT_NEAR(std::remainder(earth + 180 - BodyLongitude(jed, -3, kPrecise), 360), 20.5 / 3600,
                1.0 / 3600);
    EXPECT_DOUBLE_EQ(BodyLongitude(jed, 2000, kPrecise), std::fmod(earth + 0.25 * 990, 360));
}

TEST(PrecisePositions, ChironOutsideItsRangeComesFromTheSeriesAndSaysSo) {
    const double jed = JulianDate(6, 1, 500, 17, 0);  // before 675 CE
    const PagePositions page = ComputePagePositions(jed, kPrecise);
    EXPECT_TRUE(page.chironFromSeries);
    EXPECT_TRUE(page.analytic);  // far from the data files, the analytic theory
    EXPECT_FALSE(page.preciseRefused);
    EXPECT_TRUE(SameBits(page.heliocentric[12], BodyLongitude(jed, 12)));
    EXPECT_TRUE(SameBits(page.geocentric[12], BodyLongitude(jed, -12)));
    EXPECT_TRUE(SameBits(page.latitude[12], BodyLatitude(jed, 12)));
    // The rest stays precise.
    EXPECT_FALSE(SameBits(page.geocentric[3], BodyLongitude(jed, -3)));
    ExpectPageMatchesPerCode(jed);

    // The asteroid file holds 1800..2399: Chiron of 1700 is the series', the planets are the
    // analytic theory's; in 1850 all of it comes from the files.
    const PagePositions before = ComputePagePositions(JulianDate(6, 1, 1700, 17, 0), kPrecise);
    EXPECT_TRUE(before.chironFromSeries);
    EXPECT_TRUE(before.analytic);
    const PagePositions inFiles = ComputePagePositions(JulianDate(6, 1, 1850, 17, 0), kPrecise);
    EXPECT_FALSE(inFiles.chironFromSeries || inFiles.analytic);
}

// NaN, infinities and dates beyond the library: the series' values, exactly, and said.
TEST(PrecisePositions, DatesTheLibraryRefusesComeFromTheSeries) {
    // 3500 BCE and 3500 CE lie beyond the library's analytic theory.
    for (const double jed : {kNaN, kInf, -kInf, 1e9, -1e9, 1e300, 442000.5, 3000000.5}) {
        const PagePositions page = ComputePagePositions(jed, kPrecise);
        const PagePositions series = ComputePagePositions(jed);
        EXPECT_TRUE(page.preciseRefused) << jed;
        EXPECT_EQ(page.source, PositionSource::Series);
        const WheelLongitudes wheels = ComputeWheelLongitudes(jed, kPrecise);
        EXPECT_TRUE(wheels.preciseRefused) << jed;
        for (const int code : kCodes) {
            EXPECT_TRUE(SameBits(page.Longitude(code), series.Longitude(code))) << code;
            EXPECT_TRUE(SameBits(page.Latitude(code), series.Latitude(code))) << code;
            EXPECT_TRUE(SameBits(BodyLongitude(jed, code, kPrecise), BodyLongitude(jed, code)))
                << code << " at " << jed;
            EXPECT_TRUE(SameBits(BodyLatitude(jed, code, kPrecise), BodyLatitude(jed, code)))
                << code << " at " << jed;
        }
    }
}

// The library caches its last results; whatever was asked before, the same date gives the
// same bits.
TEST(PrecisePositions, RepeatExactlyWhateverWasAskedBefore) {
    const std::vector<double> jeds = {2451545.0, 2451545.0 + 1e-9, 2430000.25, 2460310.5,
                                      2451545.0};
    std::vector<PagePositions> first;
    for (const double jed : jeds) first.push_back(ComputePagePositions(jed, kPrecise));
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = jeds.size(); i-- > 0;) {
            BodyLongitude(jeds[i] + 0.5, -12, kPrecise);  // disturb the caches
            const PagePositions again = ComputePagePositions(jeds[i], kPrecise);
            for (int k = 1; k <= 12; ++k) {
                EXPECT_TRUE(SameBits(again.heliocentric[k], first[i].heliocentric[k])) << k;
                EXPECT_TRUE(SameBits(again.geocentric[k], first[i].geocentric[k])) << k;
                EXPECT_TRUE(SameBits(again.latitude[k], first[i].latitude[k])) << k;
            }
        }
    }
    EXPECT_FALSE(PreciseSourceName().empty());
    EXPECT_EQ(PositionSourceDescription(PositionSource::Series), "classic series");
    EXPECT_EQ(PositionSourceDescription(kPrecise).rfind(PreciseSourceName() + ", ", 0), 0u);
}

#else

TEST(PositionSource, PreciseIsRefusedInABuildWithoutIt) {
    EXPECT_FALSE(PrecisePositionsAvailable());
    EXPECT_THROW(BodyLongitude(2451545.0, 1, PositionSource::Precise), std::invalid_argument);
    EXPECT_THROW(ComputePagePositions(2451545.0, PositionSource::Precise), std::invalid_argument);
    EXPECT_TRUE(PreciseSourceName().empty());
}

#endif

}  // namespace
