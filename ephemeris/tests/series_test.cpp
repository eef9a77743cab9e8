// Reference positions of the planet, Moon, Chiron and latitude series at the two reference
// dates: 2000 January 1, 12h UT (t = 0, T = 1) and 1900 January 0.5 (T = 0, where the reduced
// arguments are negative angles). Every expected value is a published example value of its
// series (rounded as published); the comments below say what a value shows, not where it is from.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ephemeris/chiron.h"
#include "ephemeris/latitudes.h"
#include "ephemeris/moon.h"
#include "ephemeris/planets.h"

namespace {

using Series = double (*)(double);

struct Reference {
    const char* name;
    Series series;
    double jed;
    double expected;
    int decimals;  // the reference is rounded to this many decimals
};

// The references are rounded values; allow a little over half a unit of their last digit (Earth
// at T = 0 computes 99.6435497, the reference says 99.6436).
double Tolerance(int decimals) {
    return 0.6 * std::pow(10.0, -decimals);
}

void ExpectReference(const Reference& ref) {
    const double actual = ref.series(ref.jed);
    EXPECT_NEAR(actual, ref.expected, Tolerance(ref.decimals))
        << ref.name << " at JED " << std::to_string(ref.jed);
}

constexpr double kJ2000 = 2451545.0;
constexpr double kJ1900 = 2415020.0;

const Reference kPlanetReferences[] = {
    {"EarthLongitude", EarthLongitude, kJ2000, 100.3774, 4},
    {"EarthRadius", EarthRadius, kJ2000, 0.98327, 5},
    {"MercuryLongitude", MercuryLongitude, kJ2000, 253.7812, 4},
    {"MercuryRadius", MercuryRadius, kJ2000, 0.46644, 5},
    {"VenusLongitude", VenusLongitude, kJ2000, 182.6052, 4},
    {"VenusRadius", VenusRadius, kJ2000, 0.72021, 5},
    {"MarsLongitude", MarsLongitude, kJ2000, 359.4495, 4},
    {"MarsRadius", MarsRadius, kJ2000, 1.39125, 5},
    {"JupiterLongitude", JupiterLongitude, kJ2000, 36.2979, 4},
    {"JupiterRadius", JupiterRadius, kJ2000, 4.96632, 5},
    {"SaturnLongitude", SaturnLongitude, kJ2000, 45.7269, 4},
    {"SaturnRadius", SaturnRadius, kJ2000, 9.18092, 5},
    {"UranusLongitude", UranusLongitude, kJ2000, 316.4293, 4},
    {"UranusRadius", UranusRadius, kJ2000, 19.92270, 5},
    {"NeptuneLongitude", NeptuneLongitude, kJ2000, 303.9439, 4},
    {"NeptuneRadius", NeptuneRadius, kJ2000, 30.11884, 5},
    {"PlutoLongitude", PlutoLongitude, kJ2000, 250.4768, 4},
    {"PlutoRadius", PlutoRadius, kJ2000, 30.27738, 5},

    {"EarthLongitude", EarthLongitude, kJ1900, 99.6436, 4},
    {"EarthRadius", EarthRadius, kJ1900, 0.98326, 5},
    {"MercuryLongitude", MercuryLongitude, kJ1900, 199.6823, 4},
    {"MercuryRadius", MercuryRadius, kJ1900, 0.41830, 5},
    {"VenusLongitude", VenusLongitude, kJ1900, 342.3427, 4},
    {"VenusRadius", VenusRadius, kJ1900, 0.72750, 5},
    {"MarsLongitude", MarsLongitude, kJ1900, 286.1482, 4},
    {"MarsRadius", MarsRadius, kJ1900, 1.42172, 5},
    {"JupiterLongitude", JupiterLongitude, kJ1900, 234.4995, 4},
    {"JupiterRadius", JupiterRadius, kJ1900, 5.38470, 5},
    {"SaturnLongitude", SaturnLongitude, kJ1900, 266.4885, 4},
    {"SaturnRadius", SaturnRadius, kJ1900, 10.06719, 5},
    {"UranusLongitude", UranusLongitude, kJ1900, 248.6501, 4},
    {"UranusRadius", UranusRadius, kJ1900, 18.99093, 5},
    {"NeptuneLongitude", NeptuneLongitude, kJ1900, 85.6938, 4},
    {"NeptuneRadius", NeptuneRadius, kJ1900, 29.87529, 5},
    {"PlutoLongitude", PlutoLongitude, kJ1900, 75.7744, 4},
    {"PlutoRadius", PlutoRadius, kJ1900, 47.00765, 5},
};

TEST(PlanetSeries, MatchReferencesAtBothEpochs) {
    for (const Reference& ref : kPlanetReferences) ExpectReference(ref);
}

const Reference kMoonReferences[] = {
    {"MoonLongitude", MoonLongitude, kJ2000, 223.3162, 4},
    {"MoonLatitude", MoonLatitude, kJ2000, 5.1710, 4},
    {"MeanNodeLongitude", MeanNodeLongitude, kJ2000, 125.0435, 4},
    {"MoonLongitude", MoonLongitude, 2451559.0, 36.5637, 4},
    // A southern latitude of 5.2863 degrees comes back folded.
    {"MoonLatitude", MoonLatitude, 2451559.0, 354.7137, 4},
    {"MeanNodeLongitude", MeanNodeLongitude, kJ1900, 259.1833, 4},
    // The node polynomial gives 2193.2744 degrees here: six turns come off.
    {"MeanNodeLongitude", MeanNodeLongitude, 2378496.0, 33.2744, 4},
};

TEST(MoonSeries, MatchReferences) {
    for (const Reference& ref : kMoonReferences) ExpectReference(ref);
}

const Reference kChironReferences[] = {
    {"ChironLongitude", ChironLongitude, kJ2000, 249.0614, 4},
    {"ChironRadius", ChironRadius, kJ2000, 9.81520, 5},
    {"ChironInclination", ChironInclination, kJ2000, 6.94104, 5},
    // First day of the newer elements.
    {"ChironLongitude", ChironLongitude, 2451400.5, 243.8952, 4},
    {"ChironRadius", ChironRadius, 2451400.5, 9.58127, 5},
    // Older elements; a mean anomaly of 726.786 degrees reduces into the first half-orbit.
    {"ChironLongitude", ChironLongitude, 2450449.5, 203.7481, 4},
    {"ChironRadius", ChironRadius, 2450449.5, 8.59902, 5},
    {"ChironLongitude", ChironLongitude, 2436934.5, 325.0650, 4},
    {"ChironRadius", ChironRadius, 2436934.5, 16.36615, 5},
    {"ChironLongitude", ChironLongitude, 2469807.5, 245.5629, 4},
    {"ChironRadius", ChironRadius, 2469807.5, 9.68817, 5},
    {"ChironLongitude", ChironLongitude, kJ1900, 256.3564, 4},
    {"ChironRadius", ChironRadius, kJ1900, 10.44057, 5},
};

TEST(ChironOrbit, MatchesReferencesOnBothElementSets) {
    for (const Reference& ref : kChironReferences) ExpectReference(ref);
}

const Reference kLatitudeReferences[] = {
    {"MercuryLatitude", MercuryLatitude, kJ2000, 356.9786, 4},
    {"VenusLatitude", VenusLatitude, kJ2000, 3.2634, 4},
    {"MarsLatitude", MarsLatitude, kJ2000, 358.5777, 4},
    {"JupiterLatitude", JupiterLatitude, kJ2000, 358.8265, 4},
    {"SaturnLatitude", SaturnLatitude, kJ2000, 357.6966, 4},
    {"UranusLatitude", UranusLatitude, kJ2000, 359.3156, 4},
    {"NeptuneLatitude", NeptuneLatitude, kJ2000, 0.2423, 4},
    {"PlutoLatitude", PlutoLatitude, kJ2000, 11.2517, 4},
};

TEST(LatitudeSeries, MatchReferencesFolded) {
    for (const Reference& ref : kLatitudeReferences) ExpectReference(ref);
}

}  // namespace
