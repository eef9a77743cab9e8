#pragma once
// Chiron on a Kepler ellipse with polynomial elements, two element sets split at
// JED 2451400.5 (1999 August 10, 0h). The orbit's inclination is not applied to the longitude.

#include "ephemeris/planets.h"

struct KeplerSolution {
    double trueAnomaly;       // radians, 0..2 pi
    double eccentricAnomaly;  // radians
};

// Kepler's equation M = E - e sin E by a damped fixed-point step (factor 0.5), to |residual|
// below 1e-6. meanAnomaly in radians, any value (reduced to one revolution first); converges for
// every e below 1. A non-finite mean anomaly, or an e for which the step does not settle, gives
// NaN anomalies.
KeplerSolution SolveKepler(double meanAnomaly, double e);

// Heliocentric longitude, degrees, 0..360, measured along the orbit.
double ChironLongitude(double jed);
// Radius vector, AU.
double ChironRadius(double jed);
// Longitude and radius from one solution of Kepler's equation.
HeliocentricPosition ChironPosition(double jed);
// Inclination of the orbit, degrees (about 6.94), not folded; stands in for a latitude.
double ChironInclination(double jed);
