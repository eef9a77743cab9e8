#pragma once
// The Moon (geocentric by nature: the same values serve both wheels) and its mean node.
//
// Argument: JED (universal time taken as it is, no delta T). Results in degrees, 0..360.

// Geocentric ecliptic longitude of the Moon, mean equinox of date.
double MoonLongitude(double jed);
// Geocentric ecliptic latitude of the Moon, folded: north b gives b, south b gives 360 - |b|
// (5.17 stays 5.17, -5.29 gives 354.71). Subtract 360 above 180 for the signed value.
double MoonLatitude(double jed);
// Longitude of the Moon's mean ascending node.
double MeanNodeLongitude(double jed);
