#pragma once
// Heliocentric ecliptic longitudes and radius vectors of the Earth and the planets Mercury to
// Pluto from their trigonometric series.
//
// Argument: JED (universal time taken as it is, no delta T).
// Longitudes: degrees, 0..360 inclusive (exactly 360 stays 360), mean equinox of date.
// Radius vectors: distance from the Sun in AU; EarthRadius is also the Sun's distance from the
// Earth.

double EarthLongitude(double jed);
double MercuryLongitude(double jed);
double VenusLongitude(double jed);
double MarsLongitude(double jed);
double JupiterLongitude(double jed);
double SaturnLongitude(double jed);
double UranusLongitude(double jed);
double NeptuneLongitude(double jed);
double PlutoLongitude(double jed);

double EarthRadius(double jed);
double MercuryRadius(double jed);
double VenusRadius(double jed);
double MarsRadius(double jed);
double JupiterRadius(double jed);
double SaturnRadius(double jed);
double UranusRadius(double jed);
double NeptuneRadius(double jed);
double PlutoRadius(double jed);

// Longitude and radius vector together, sharing their sines and cosines (the geocentric
// conversion needs both); the same values as the two functions give separately.
struct HeliocentricPosition {
    double longitude;  // degrees, 0..360
    double radius;     // AU
};

HeliocentricPosition EarthPosition(double jed);

// The Earth's and a planet's (code 1, 2, 4..9) positions from one evaluation that shares the
// arguments and angles the four series have in common; false for any other code.
bool EarthAndPlanetPositions(double jed, int code, HeliocentricPosition& earth,
                             HeliocentricPosition& planet);
