#pragma once
// Where positions come from. The classic series are the default: every page, file and trace
// drawn with them stays as it always was. The precise source (Swiss Ephemeris) is a choice
// the user makes for the whole program; it exists only in builds made with that library.
//
// Every function here answers every body code that positions.h answers, with the same meaning,
// whichever source is chosen.

#include <optional>
#include <string_view>

#include "ephemeris/page_positions.h"

enum class PositionSource { Series, Precise };

inline constexpr PositionSource kDefaultPositionSource = PositionSource::Series;

// The allowed spellings, for messages and usage lines.
inline constexpr const char* kPositionSourceChoices = "series|precise";

// "series" or "precise": the spelling of the command line and of the profile.
const char* PositionSourceName(PositionSource source);
// The inverse of PositionSourceName; nothing for any other text.
std::optional<PositionSource> ParsePositionSource(std::string_view text);

// Whether this build has the precise source. Callers refuse a request for it when not; asking
// for it anyway throws std::invalid_argument.
bool PrecisePositionsAvailable();

double BodyLongitude(double jed, int code, PositionSource source);
double BodyLatitude(double jed, int code, PositionSource source);
PagePositions ComputePagePositions(double jed, PositionSource source);
WheelLongitudes ComputeWheelLongitudes(double jed, PositionSource source);
