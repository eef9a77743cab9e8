#include "ephemeris/moon.h"

#include "ephemeris/moon_tables.h"
#include "ephemeris/series.h"
#include "ephemeris/series_eval.h"

namespace {

using namespace ephemeris::series::tables;

}  // namespace

double MoonLongitude(double jed) {
    return ephemeris::series::Longitude<kMoonLongitude>(jed);
}

double MoonLatitude(double jed) {
    // No mean-longitude term; the reduction folds a southern latitude to 360 minus its size.
    return ephemeris::series::Longitude<kMoonLatitude>(jed);
}

double MeanNodeLongitude(double jed) {
    const double T = (jed - 2451545.0) * ephemeris::series::kCenturiesPerDay + 1;
    return ephemeris::series::ReduceDegrees((933060 - 6962911 * T + 7.5 * T * T) / 3600);
}
