#pragma once
// Body codes: 1 Mercury, 2 Venus, 3 Earth (-3 the Sun), 4 Mars .. 9 Pluto, 10 Moon,
// 11 mean lunar node, 12 Chiron, 13 Moon's latitude, 20/30/40 Moon + 90/180/270,
// 2000 the daily point, -100..-103 the fixed directions 0/90/180/270.
// Positive codes are heliocentric, negative geocentric.

// Ecliptic longitude in degrees, 0..360, mean equinox of date.
double BodyLongitude(double jed, int code);
// Ecliptic latitude in degrees, folded into 0..360 (callers subtract 360 above 180).
double BodyLatitude(double jed, int code);
// Sidereal period in days, used to tell the faster of two bodies; 1e6 for unknown codes.
double OrbitalPeriod(int code);
// to - from, plus 360 once if negative.
double ArcForward(double from, double to);
