#include "ephemeris/page_positions.h"

#include <cmath>
#include <cstddef>

#include "ephemeris/chiron.h"
#include "ephemeris/latitude_tables.h"
#include "ephemeris/moon.h"
#include "ephemeris/moon_tables.h"
#include "ephemeris/planet_tables.h"
#include "ephemeris/planets.h"
#include "ephemeris/position_source.h"
#include "ephemeris/position_steps.h"
#include "ephemeris/positions.h"
#include "ephemeris/series.h"
#include "ephemeris/series_eval.h"

namespace {

using namespace ephemeris::series::tables;

using ephemeris::positions::EarthFromSunSum;
using ephemeris::positions::EarthVector;
using ephemeris::positions::EarthVectorOf;
using ephemeris::positions::GeocentricLongitude;
using ephemeris::positions::SunFromEarth;
using ephemeris::series::ReduceArcseconds;
using ephemeris::series::SumTogether;

// The planets other than the Earth, in the order their tables are summed below.
constexpr int kPlanetCodes[] = {1, 2, 4, 5, 6, 7, 8, 9};
constexpr std::size_t kPlanetCount = std::size(kPlanetCodes);

// Where each sum lands in the array SumTogether returns.
constexpr std::size_t kSunSum = 0;
constexpr std::size_t kEarthRadiusSum = 1;
constexpr std::size_t PlanetLongitudeSum(std::size_t planet) {
    return 2 + 2 * planet;
}
constexpr std::size_t PlanetRadiusSum(std::size_t planet) {
    return 3 + 2 * planet;
}
constexpr std::size_t kMoonLongitudeSum = 2 + 2 * kPlanetCount;
constexpr std::size_t kMoonLatitudeSum = kMoonLongitudeSum + 1;
constexpr std::size_t PlanetLatitudeSum(std::size_t planet) {
    return kMoonLatitudeSum + 1 + planet;
}

// clang-format off
auto WheelSums(double jed) {
    return SumTogether<
        kSunLongitude, kEarthRadius,
        kMercuryLongitude, kMercuryRadius, kVenusLongitude, kVenusRadius,
        kMarsLongitude, kMarsRadius, kJupiterLongitude, kJupiterRadius,
        kSaturnLongitude, kSaturnRadius, kUranusLongitude, kUranusRadius,
        kNeptuneLongitude, kNeptuneRadius, kPlutoLongitude, kPlutoRadius,
        kMoonLongitude>(jed);
}

auto PageSums(double jed) {
    return SumTogether<
        kSunLongitude, kEarthRadius,
        kMercuryLongitude, kMercuryRadius, kVenusLongitude, kVenusRadius,
        kMarsLongitude, kMarsRadius, kJupiterLongitude, kJupiterRadius,
        kSaturnLongitude, kSaturnRadius, kUranusLongitude, kUranusRadius,
        kNeptuneLongitude, kNeptuneRadius, kPlutoLongitude, kPlutoRadius,
        kMoonLongitude, kMoonLatitude,
        kMercuryLatitude, kVenusLatitude, kMarsLatitude, kJupiterLatitude,
        kSaturnLatitude, kUranusLatitude, kNeptuneLatitude, kPlutoLatitude>(jed);
}
// clang-format on

// The longitudes from the sums, each by the steps BodyLongitude takes for its code.
template <std::size_t N>
void FillLongitudes(double jed, const std::array<double, N>& sums, WheelLongitudes& wheels) {
    wheels.jed = jed;
    const HeliocentricPosition earth{EarthFromSunSum(sums[kSunSum]), sums[kEarthRadiusSum]};
    const EarthVector earthVector = EarthVectorOf(earth);
    wheels.heliocentric[3] = earth.longitude;
    wheels.geocentric[3] = SunFromEarth(earth.longitude);

    for (std::size_t i = 0; i < kPlanetCount; ++i) {
        const HeliocentricPosition planet{ReduceArcseconds(sums[PlanetLongitudeSum(i)]),
                                          sums[PlanetRadiusSum(i)]};
        wheels.heliocentric[kPlanetCodes[i]] = planet.longitude;
        wheels.geocentric[kPlanetCodes[i]] = GeocentricLongitude(earthVector, planet);
    }

    // The Moon and its node are geocentric by nature: both wheels show the same values.
    const double moon = ReduceArcseconds(sums[kMoonLongitudeSum]);
    wheels.heliocentric[10] = wheels.geocentric[10] = moon;
    const double node = MeanNodeLongitude(jed);
    wheels.heliocentric[11] = wheels.geocentric[11] = node;

    const HeliocentricPosition chiron = ChironPosition(jed);
    wheels.heliocentric[12] = chiron.longitude;
    wheels.geocentric[12] = GeocentricLongitude(earthVector, chiron);
}

// A NaN (no position: a date that is NaN, infinite or too far for the series) carries a sign
// bit that depends on which operand of a commutative operation the compiler put first, and that
// differs between the inlined page sums and the per-code sums. Such values are taken from the
// per-code functions, so that the page matches them bit for bit even there; ordinary dates
// never get here.
void TakeNaNsFromPerCode(WheelLongitudes& wheels) {
    for (int k = 1; k <= 12; ++k) {
        if (std::isnan(wheels.heliocentric[k]))
            wheels.heliocentric[k] = BodyLongitude(wheels.jed, k);
        if (std::isnan(wheels.geocentric[k])) wheels.geocentric[k] = BodyLongitude(wheels.jed, -k);
    }
}

void TakeNaNsFromPerCode(PagePositions& page) {
    TakeNaNsFromPerCode(static_cast<WheelLongitudes&>(page));
    for (int k = 1; k <= 12; ++k) {
        if (std::isnan(page.latitude[k])) page.latitude[k] = BodyLatitude(page.jed, k);
    }
    if (std::isnan(page.moonLatitude)) page.moonLatitude = BodyLongitude(page.jed, 13);
}

}  // namespace

double WheelLongitudes::Longitude(int code) const {
    if (code >= 1 && code <= 12) return heliocentric[code];
    if (code >= -12 && code <= -1) return geocentric[-code];
    return BodyLongitude(jed, code, source);
}

double PagePositions::Longitude(int code) const {
    if (code == 13 || code == -13) return moonLatitude;
    return WheelLongitudes::Longitude(code);
}

double PagePositions::Latitude(int code) const {
    if (code == 13 || code == -13) return moonLatitude;
    if (code >= 1 && code <= 12) return latitude[code];
    if (code >= -12 && code <= -1) return latitude[-code];
    return BodyLatitude(jed, code, source);
}

WheelLongitudes ComputeWheelLongitudes(double jed) {
    WheelLongitudes wheels;
    FillLongitudes(jed, WheelSums(jed), wheels);
    TakeNaNsFromPerCode(wheels);
    return wheels;
}

PagePositions ComputePagePositions(double jed) {
    PagePositions page;
    const auto sums = PageSums(jed);
    FillLongitudes(jed, sums, page);

    // The Earth's latitude is 0 by definition, the node's has no meaning: both stay 0, as
    // BodyLatitude gives them.
    for (std::size_t i = 0; i < kPlanetCount; ++i) {
        page.latitude[kPlanetCodes[i]] = ReduceArcseconds(sums[PlanetLatitudeSum(i)]);
    }
    page.moonLatitude = ReduceArcseconds(sums[kMoonLatitudeSum]);
    page.latitude[10] = page.moonLatitude;
    page.latitude[12] = ChironInclination(jed);
    TakeNaNsFromPerCode(page);
    return page;
}
