#pragma once
// Where positions come from. The classic series are the default: every page, file and trace
// drawn with them stays as it always was. The precise source (Swiss Ephemeris) is a choice
// the user makes for the whole program; it exists only in builds made with that library.
//
// Every function here answers every body code that positions.h answers, with the same meaning,
// whichever source is chosen.

//
// The precise source (builds with CAELVANE_WITH_SWISSEPH):
// - instants are UT, as everywhere in the chart; the library applies ΔT itself;
// - geocentric longitudes are apparent (light-time, aberration, deflection, nutation), tropical,
//   on the true ecliptic and equinox of date, as astrologers' programs show them;
// - heliocentric longitudes are geometric (no light-time: nobody observes from the Sun), of date;
// - the node is the mean node; Chiron comes from the asteroid file;
// - latitudes are the bodies' own: heliocentric for the planets and Chiron, geocentric for the
//   Moon (codes 10, 13, 20/30/40), 0 for the Earth/Sun and the node as with the series;
// - Chiron outside its asteroid file (1800..2399) comes from the series; a date the library
//   cannot compute at all (NaN, infinities, before 3000 BCE or after 3000 CE) comes wholly from
//   the series; the page positions say so (page_positions.h).
// All of it is exactly repeatable: the same inputs give the same bits, whatever was asked before.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ephemeris/page_positions.h"

// The allowed spellings, for messages and usage lines.
inline constexpr const char* kPositionSourceChoices = "series|precise";

// "series" or "precise": the spelling of the command line and of the profile.
const char* PositionSourceName(PositionSource source);
// The inverse of PositionSourceName; nothing for any other text.
std::optional<PositionSource> ParsePositionSource(std::string_view text);

// A source as the user wrote it (command line, profile): nothing, with a message naming the
// allowed values, for any other text, and for "precise" in a build without the precise source.
std::optional<PositionSource> ReadPositionSource(std::string_view text, std::string& error);

// Whether this build has the precise source. Callers refuse a request for it when not; asking
// for it anyway throws std::invalid_argument.
bool PrecisePositionsAvailable();

// The precise source's library and version ("Swiss Ephemeris 2.10.03"); empty without it.
std::string PreciseSourceName();
// One line on a source for a status bar or a usage text: "classic series", or the library,
// its version and where its data come from.
std::string PositionSourceDescription(PositionSource source);

// Whether the precise source's analytic theory stood in, in this process so far, for data files
// that do not serve a date asked for (after 2399 with the usual files): a notice is due.
bool PreciseAnalyticUsed();
// That notice, one line: "the analytic theory (Moshier) where the data files end (1800-2399)".
std::string PreciseAnalyticNotice();

double BodyLongitude(double jed, int code, PositionSource source);
double BodyLatitude(double jed, int code, PositionSource source);
PagePositions ComputePagePositions(double jed, PositionSource source);
WheelLongitudes ComputeWheelLongitudes(double jed, PositionSource source);

// A body as seen from the Earth with its daily motion, from the precise source alone: apparent,
// true ecliptic and equator of date, UT instant. Longitude 0..360 and latitude -90..90 in
// degrees, speed in degrees of longitude per day (negative while retrograde), declination in
// degrees on the true equator of date.
struct GeocentricMotion {
    double longitude = 0;
    double latitude = 0;
    double speed = 0;
    double declination = 0;
};
// For the geocentric codes -1..-12 (Mercury .. Chiron, -3 the Sun, -10 the Moon, -11 the mean
// node). False when the library has no position there (Chiron outside its file, a date outside
// its range), for any other code, and in a build without the precise source.
bool PreciseGeocentricMotion(double jed, int code, GeocentricMotion& out);
// Several bodies at one instant, each exactly as PreciseGeocentricMotion gives it, with the true
// obliquity there (as PreciseObliquity gives it): the library shares the work of the instant
// among them. found[i] says whether codes[i] has a motion; out and found hold as many entries as
// codes (at most 32). False, with nothing found, where the library has no positions at all.
bool PreciseGeocentricMotions(double jed, std::span<const int> codes,
                              std::span<GeocentricMotion> out, std::span<bool> found,
                              double& obliquity);
// The true obliquity of the ecliptic at a UT instant, degrees; NaN without the precise source.
double PreciseObliquity(double jed);
