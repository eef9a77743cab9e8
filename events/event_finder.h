#pragma once
// The event finder: aspects, ingresses, stations, lunations and eclipses between two moments.
//
// Every body is evaluated once per point of a common grid (a quarter day, fine enough for the
// Moon); each quantity followed (an arc between two bodies, a longitude) is read on that grid
// at a stride of its own, derived from its greatest speed. Where a quantity turns (a station,
// or two bodies changing which one gains) the turn is located first, so that the two crossings
// on either side of it are both found. Crossings are refined to a fraction of a second, turns
// (stations) to seconds. The grid is fixed to the calendar, not to the request, so the same
// event gets the same time whatever range it is found in.

#include <functional>
#include <vector>

#include "ephemeris/position_source.h"
#include "events/sky_event.h"

namespace caelvane::events {

struct FinderOptions {
    double startJed = 0;  // the range [startJed, endJed), universal time
    double endJed = 0;
    KindSet kinds = kAllKinds;
    bool geocentric = true;
    bool heliocentric = true;
    // Body codes of either frame (see sky_event.h); empty: every body. An aspect needs both
    // its bodies here; lunations and eclipses need the Sun or the Moon.
    std::vector<int> bodies;
    // The aspects' forward arcs, degrees in [0, 360).
    std::vector<double> angles;
    PositionSource source = PositionSource::Series;
};

// Told the fraction done now and then; returning false stops the search.
using FinderProgress = std::function<bool(double fraction)>;

struct FinderResult {
    std::vector<SkyEvent> events;  // in time order (EventBefore)
    bool cancelled = false;        // stopped by the progress callback: events are partial
};

// The bodies of each frame, in code order.
const std::vector<int>& GeocentricBodies();    // -1 .. -12
const std::vector<int>& HeliocentricBodies();  // 1..9, 12

// The widest range one search takes (1,000 years).
inline constexpr double kMaxRangeDays = 1000 * 365.25 + 1;

// Throws std::invalid_argument for a range ending before it starts or wider than
// kMaxRangeDays, an angle outside [0, 360), or the precise source in a build without it.
FinderResult FindEvents(const FinderOptions& options, const FinderProgress& progress = {});

}  // namespace caelvane::events
