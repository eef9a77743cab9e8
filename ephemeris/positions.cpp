#include "ephemeris/positions.h"

#include <cmath>

#include "ephemeris/bodies.h"
#include "ephemeris/calendar.h"
#include "ephemeris/chiron.h"
#include "ephemeris/latitudes.h"
#include "ephemeris/moon.h"
#include "ephemeris/planets.h"
#include "ephemeris/position_steps.h"

namespace {

using ephemeris::positions::EarthVectorOf;
using ephemeris::positions::GeocentricLongitude;
using ephemeris::positions::SunFromEarth;

// The daily point turns a quarter degree per minute of the UT day: on the Earth's heliocentric
// longitude at 0h UT, on the Sun's geocentric longitude at 12h UT.
double DailyPoint(double jed) {
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    CalendarDate(jed, month, day, year, hour, minute);
    const int minutes = 60 * hour + minute;
    return std::fmod(EarthLongitude(jed) + 0.25 * minutes, 360);
}

// The planets seen from the Earth (codes -1, -2, -4 .. -9), the Earth's and the planet's series
// evaluated together.
double GeocentricPlanet(double jed, int planetCode) {
    HeliocentricPosition earth{};
    HeliocentricPosition planet{};
    if (!EarthAndPlanetPositions(jed, planetCode, earth, planet)) return 0;
    return GeocentricLongitude(EarthVectorOf(earth), planet);
}

}  // namespace

double BodyLongitude(double jed, int code) {
    switch (code) {
        case 1:
            return MercuryLongitude(jed);
        case 2:
            return VenusLongitude(jed);
        case 3:
            return EarthLongitude(jed);
        case 4:
            return MarsLongitude(jed);
        case 5:
            return JupiterLongitude(jed);
        case 6:
            return SaturnLongitude(jed);
        case 7:
            return UranusLongitude(jed);
        case 8:
            return NeptuneLongitude(jed);
        case 9:
            return PlutoLongitude(jed);
        case 10:
        case -10:
            return MoonLongitude(jed);
        case 11:
        case -11:
            return MeanNodeLongitude(jed);
        case 12:
            return ChironLongitude(jed);
        case 13:
        case -13:
            return MoonLatitude(jed);
        case 20:
            return std::fmod(MoonLongitude(jed) + 90, 360);
        case 30:
            return std::fmod(MoonLongitude(jed) + 180, 360);
        case 40:
            return std::fmod(MoonLongitude(jed) + 270, 360);
        case 2000:
            return DailyPoint(jed);
        case -1:
        case -2:
        case -4:
        case -5:
        case -6:
        case -7:
        case -8:
        case -9:
            return GeocentricPlanet(jed, -code);
        case -3:
            return SunFromEarth(EarthLongitude(jed));
        case -12:
            return GeocentricLongitude(EarthVectorOf(EarthPosition(jed)), ChironPosition(jed));
        case -100:
            return 0;
        case -101:
            return 90;
        case -102:
            return 180;
        case -103:
            return 270;
        default:
            // Unknown codes, heliocentric or geocentric, have no position.
            return 0;
    }
}

double BodyLatitude(double jed, int code) {
    switch (code) {
        case 1:
        case -1:
            return MercuryLatitude(jed);
        case 2:
        case -2:
            return VenusLatitude(jed);
        case 4:
        case -4:
            return MarsLatitude(jed);
        case 5:
        case -5:
            return JupiterLatitude(jed);
        case 6:
        case -6:
            return SaturnLatitude(jed);
        case 7:
        case -7:
            return UranusLatitude(jed);
        case 8:
        case -8:
            return NeptuneLatitude(jed);
        case 9:
        case -9:
            return PlutoLatitude(jed);
        case 10:
        case -10:
        case 13:
        case -13:
        case 20:
        case 30:
        case 40:
            return MoonLatitude(jed);
        case 12:
        case -12:
            return ChironInclination(jed);
        default:
            return 0;
    }
}

double OrbitalPeriod(int code) {
    // A geocentric body moves, on average, with its heliocentric counterpart; the Sun with the
    // Earth (the body table gives it the Earth's period).
    if (const Body* body = BodyOfCode(code)) return body->period;
    switch (code) {
        case 13:
        case -13:
        case 20:
        case 30:
        case 40:
            return BodyOfCode(10)->period;  // the Moon's latitude and its quarter points
        case 2000:
            return 1;
        default:
            return 1000000;  // other codes count as the slowest
    }
}

double ArcForward(double from, double to) {
    double arc = to - from;
    if (arc < 0) arc += 360;
    return arc;
}
