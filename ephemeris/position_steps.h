#pragma once
// The steps from series sums to positions, shared by the per-code functions (positions.cpp,
// planets.cpp) and the page of positions (page_positions.cpp): each value is computed by the same
// expressions on both paths, so the two give the same bits and cannot drift apart.

#include <cmath>

#include "ephemeris/planets.h"
#include "ephemeris/series.h"

namespace ephemeris::positions {

inline constexpr double kDegreesPerRadian = 57.29577951;
inline constexpr double kRadiansPerDegree = 0.017453292520882225;  // 1 / 57.29577951

// The Earth opposite the Sun's geocentric longitude (the Sun's series sum, arcseconds).
inline double EarthFromSunSum(double sunArcseconds) {
    return series::ReduceDegrees(sunArcseconds / 3600 + 180);
}

// The Sun's geocentric longitude from the Earth's heliocentric one.
inline double SunFromEarth(double earthLongitude) {
    return std::fmod(earthLongitude + 180, 360);
}

// The Earth's place in the ecliptic plane: the half of every geocentric conversion that does
// not depend on the body, so that a page computes it once for all its bodies.
struct EarthVector {
    double x;  // AU, towards longitude 0
    double y;  // AU, towards longitude 90
};

inline EarthVector EarthVectorOf(const HeliocentricPosition& earth) {
    const double earthLongitude = earth.longitude * kRadiansPerDegree;
    const double earthRadius = earth.radius;
    return {earthRadius * std::cos(earthLongitude), earthRadius * std::sin(earthLongitude)};
}

// The body seen from the Earth: both positions in the ecliptic plane, latitudes ignored, no
// light-time, aberration, nutation or parallax.
inline double GeocentricLongitude(const EarthVector& earth, const HeliocentricPosition& body) {
    const double longitude = body.longitude * kRadiansPerDegree;
    const double y = body.radius * std::sin(longitude) - earth.y;
    const double x = body.radius * std::cos(longitude) - earth.x;
    double lambda = std::atan2(y, x) * kDegreesPerRadian;
    if (lambda < 0) lambda += 360;
    return lambda;
}

}  // namespace ephemeris::positions
