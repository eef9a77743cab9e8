#pragma once
// Solar and lunar eclipses at their greatest, from the precise source's own eclipse search.

#include <vector>

#include "events/sky_event.h"

namespace caelvane::events {

// Whether this build can search eclipses with the precise source.
bool PreciseEclipsesAvailable();

// Every eclipse whose greatest phase falls in [startJed, endJed) (universal time), solar ones
// named by their global type, lunar ones by theirs. Throws std::invalid_argument when the build
// has no precise source, std::runtime_error when the library reports a failure.
std::vector<SkyEvent> PreciseEclipses(double startJed, double endJed);

}  // namespace caelvane::events
