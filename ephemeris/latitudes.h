#pragma once
// Heliocentric ecliptic latitudes of the planets Mercury to Pluto (the Earth's is 0).
//
// Argument: JED. Results in degrees folded into 0..360: +3.26 gives 3.26, -3.02 gives 356.98;
// subtract 360 above 180 for the signed value. Used for display only.

double MercuryLatitude(double jed);
double VenusLatitude(double jed);
double MarsLatitude(double jed);
double JupiterLatitude(double jed);
double SaturnLatitude(double jed);
double UranusLatitude(double jed);
double NeptuneLatitude(double jed);
double PlutoLatitude(double jed);
