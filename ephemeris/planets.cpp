#include "ephemeris/planets.h"

#include "ephemeris/planet_tables.h"
#include "ephemeris/position_steps.h"
#include "ephemeris/series.h"
#include "ephemeris/series_eval.h"

namespace {

using namespace ephemeris::series::tables;

using ephemeris::positions::EarthFromSunSum;
using ephemeris::series::Longitude;
using ephemeris::series::ReduceArcseconds;
using ephemeris::series::Sum;
using ephemeris::series::SumTogether;

template <const auto& longitudeTable, const auto& radiusTable>
bool Geocentric(double jed, HeliocentricPosition& earth, HeliocentricPosition& planet) {
    const auto sums = SumTogether<kSunLongitude, kEarthRadius, longitudeTable, radiusTable>(jed);
    earth = {EarthFromSunSum(sums[0]), sums[1]};
    planet = {ReduceArcseconds(sums[2]), sums[3]};
    return true;
}

}  // namespace

double EarthLongitude(double jed) {
    return EarthFromSunSum(Sum<kSunLongitude>(jed));
}
double MercuryLongitude(double jed) {
    return Longitude<kMercuryLongitude>(jed);
}
double VenusLongitude(double jed) {
    return Longitude<kVenusLongitude>(jed);
}
double MarsLongitude(double jed) {
    return Longitude<kMarsLongitude>(jed);
}
double JupiterLongitude(double jed) {
    return Longitude<kJupiterLongitude>(jed);
}
double SaturnLongitude(double jed) {
    return Longitude<kSaturnLongitude>(jed);
}
double UranusLongitude(double jed) {
    return Longitude<kUranusLongitude>(jed);
}
double NeptuneLongitude(double jed) {
    return Longitude<kNeptuneLongitude>(jed);
}
double PlutoLongitude(double jed) {
    return Longitude<kPlutoLongitude>(jed);
}

double EarthRadius(double jed) {
    return Sum<kEarthRadius>(jed);
}
double MercuryRadius(double jed) {
    return Sum<kMercuryRadius>(jed);
}
double VenusRadius(double jed) {
    return Sum<kVenusRadius>(jed);
}
double MarsRadius(double jed) {
    return Sum<kMarsRadius>(jed);
}
double JupiterRadius(double jed) {
    return Sum<kJupiterRadius>(jed);
}
double SaturnRadius(double jed) {
    return Sum<kSaturnRadius>(jed);
}
double UranusRadius(double jed) {
    return Sum<kUranusRadius>(jed);
}
double NeptuneRadius(double jed) {
    return Sum<kNeptuneRadius>(jed);
}
double PlutoRadius(double jed) {
    return Sum<kPlutoRadius>(jed);
}

HeliocentricPosition EarthPosition(double jed) {
    const auto sums = SumTogether<kSunLongitude, kEarthRadius>(jed);
    return {EarthFromSunSum(sums[0]), sums[1]};
}
bool EarthAndPlanetPositions(double jed, int code, HeliocentricPosition& earth,
                             HeliocentricPosition& planet) {
    switch (code) {
        case 1:
            return Geocentric<kMercuryLongitude, kMercuryRadius>(jed, earth, planet);
        case 2:
            return Geocentric<kVenusLongitude, kVenusRadius>(jed, earth, planet);
        case 4:
            return Geocentric<kMarsLongitude, kMarsRadius>(jed, earth, planet);
        case 5:
            return Geocentric<kJupiterLongitude, kJupiterRadius>(jed, earth, planet);
        case 6:
            return Geocentric<kSaturnLongitude, kSaturnRadius>(jed, earth, planet);
        case 7:
            return Geocentric<kUranusLongitude, kUranusRadius>(jed, earth, planet);
        case 8:
            return Geocentric<kNeptuneLongitude, kNeptuneRadius>(jed, earth, planet);
        case 9:
            return Geocentric<kPlutoLongitude, kPlutoRadius>(jed, earth, planet);
        default:
            return false;
    }
}
