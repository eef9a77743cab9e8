#pragma once
// Every position one chart page reads, for one date, from one evaluation: the series of all
// bodies summed together (each fundamental argument and each distinct sine or cosine computed
// once), the Earth's position shared by every geocentric body, Chiron's orbit solved once.
// Each value is bit for bit what the per-code functions (positions.h) give.

#include <array>

// The longitudes of both wheels. Arrays are indexed by body code 1..12; element 0 is 0.
struct WheelLongitudes {
    double jed = 0;
    std::array<double, 13> heliocentric{};  // heliocentric[k] == BodyLongitude(jed, k)
    std::array<double, 13> geocentric{};    // geocentric[k] == BodyLongitude(jed, -k)

    // BodyLongitude(jed, code): the stored value for codes -12..-1 and 1..12, a per-code call
    // for any other code.
    double Longitude(int code) const;
};

// The wheels plus the latitudes and the Moon scale's values.
struct PagePositions : WheelLongitudes {
    std::array<double, 13>
        latitude{};           // latitude[k] == BodyLatitude(jed, k) == BodyLatitude(jed, -k)
    double moonLatitude = 0;  // BodyLongitude(jed, 13), the same as latitude[10]

    // As WheelLongitudes::Longitude, codes 13 and -13 included.
    double Longitude(int code) const;
    // BodyLatitude(jed, code): stored for codes -13..-1 and 1..13, a per-code call otherwise.
    double Latitude(int code) const;
};

// Everything a page reads at its date: the 24 longitudes, the 12 latitudes and code 13.
PagePositions ComputePagePositions(double jed);

// The 24 longitudes alone (the natal marks), without the latitude series.
WheelLongitudes ComputeWheelLongitudes(double jed);
