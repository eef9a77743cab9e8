#pragma once
// Every position one chart page reads, for one date, from one evaluation: the series of all
// bodies summed together (each fundamental argument and each distinct sine or cosine computed
// once), the Earth's position shared by every geocentric body, Chiron's orbit solved once.
// Each value is bit for bit what the per-code functions (positions.h) give.

#include <array>

// Where positions come from (see position_source.h): the classic series, or the precise source.
enum class PositionSource { Series, Precise };

inline constexpr PositionSource kDefaultPositionSource = PositionSource::Series;

// The longitudes of both wheels. Arrays are indexed by body code 1..12; element 0 is 0.
struct WheelLongitudes {
    double jed = 0;
    std::array<double, 13> heliocentric{};  // heliocentric[k] == BodyLongitude(jed, k, source)
    std::array<double, 13> geocentric{};    // geocentric[k] == BodyLongitude(jed, -k, source)

    // The source the values came from. A page asked of the precise source at a date that the
    // precise source cannot compute comes from the series instead, and says so in
    // `preciseRefused`.
    PositionSource source = PositionSource::Series;
    bool preciseRefused = false;
    // Precise only: Chiron is outside its asteroid file (1800..2399, or no file) and comes
    // from the series, on both wheels and in the latitude.
    bool chironFromSeries = false;
    // Precise only: the library's analytic theory stood in for its data files (missing, or the
    // date outside their 1800..2399 range).
    bool analytic = false;

    // BodyLongitude(jed, code, source): the stored value for codes -12..-1 and 1..12, a
    // per-code call for any other code.
    double Longitude(int code) const;
};

// The wheels plus the latitudes and the Moon scale's values.
struct PagePositions : WheelLongitudes {
    std::array<double, 13>
        latitude{};           // latitude[k] == BodyLatitude(jed, k) == BodyLatitude(jed, -k)
    double moonLatitude = 0;  // BodyLongitude(jed, 13), the same as latitude[10]

    // As WheelLongitudes::Longitude, codes 13 and -13 included.
    double Longitude(int code) const;
    // BodyLatitude(jed, code, source): stored for codes -13..-1 and 1..13, a per-code call
    // otherwise.
    double Latitude(int code) const;
};

// Everything a page reads at its date: the 24 longitudes, the 12 latitudes and code 13.
PagePositions ComputePagePositions(double jed);

// The 24 longitudes alone (the natal marks), without the latitude series.
WheelLongitudes ComputeWheelLongitudes(double jed);
