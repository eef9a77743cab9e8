#pragma once
// The event finder: aspects, ingresses, stations, lunations, eclipses and transits to the points
// of a natal chart between two moments.
//
// Every body is evaluated once per point of a common grid (a quarter day, fine enough for the
// Moon); each quantity followed (an arc between two bodies, a longitude) is read on that grid
// at a stride of its own, derived from its greatest speed. Where a quantity turns (a station,
// or two bodies changing which one gains) the turn is located first, so that the two crossings
// on either side of it are both found. Crossings are refined to a fraction of a second, turns
// (stations) to seconds. The grid is fixed to the calendar, not to the request, so the same
// event gets the same time whatever range it is found in.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "ephemeris/position_source.h"
#include "events/sky_event.h"

namespace events {

// A point of a natal chart that transits are found to: its name as lists show it after
// "natal " ("Sun", "Asc", "MC"), and its longitude in degrees, [0, 360), in the frame of the
// geocentric positions of the source searched (the precise source: apparent, true equinox of
// date).
struct NatalPoint {
    std::string name;
    double longitude = 0;
};

struct FinderOptions {
    double startJed = 0;  // the range [startJed, endJed), universal time
    double endJed = 0;
    KindSet kinds = kAllKinds;
    bool geocentric = true;
    bool heliocentric = true;
    // Body codes of either frame (see sky_event.h); empty: every body. An aspect needs both
    // its bodies here; lunations and eclipses need the Sun or the Moon.
    std::vector<int> bodies;
    // The aspects' forward arcs, degrees in [0, 360); also those a transit makes, the arc read
    // forward from the natal point to the transiting body.
    std::vector<double> angles;
    // The natal points of transits (geocentric bodies of `bodies` to each); none: no transits.
    std::vector<NatalPoint> natalPoints;
    PositionSource source = PositionSource::Series;
};

// Told the fraction done, often enough that a search stops within a few milliseconds of
// being asked to (several times for every chunk of the grid); returning false stops it.
using FinderProgress = std::function<bool(double fraction)>;

// Told each batch of events as the search finds them: the batches come in time order, each in
// time order (EventBefore), so that their concatenation is what FindEvents returns. The batch
// is the sink's to keep or clear. Returning false stops the search (a writer that failed).
using FinderSink = std::function<bool(std::vector<SkyEvent>& batch)>;

enum class FinderEnd {
    Done,
    Cancelled,  // the progress callback returned false
    Stopped,    // the sink returned false
};

struct FinderResult {
    std::vector<SkyEvent> events;  // in time order (EventBefore)
    bool cancelled = false;        // stopped by the progress callback: events are partial
};

// The bodies of each frame, in code order.
const std::vector<int>& GeocentricBodies();    // -1 .. -12
const std::vector<int>& HeliocentricBodies();  // 1..9, 12

// The widest range one search takes (1,000 years).
inline constexpr double kMaxRangeDays = 1000 * 365.25 + 1;

// The most aspect angles one search follows: every one multiplies the work on every pair.
inline constexpr std::size_t kMaxAngles = 360;
// The most natal points one search follows (a chart has about twenty).
inline constexpr std::size_t kMaxNatalPoints = 64;

// The source events come from unless the user chose one: the precise source where the build
// has it and its data files are present, otherwise the classic series.
PositionSource DefaultEventSource();

// Throws std::invalid_argument for a range ending before it starts or wider than
// kMaxRangeDays, an angle outside [0, 360), more than kMaxAngles angles, a natal point without
// a name, with a comma, quote or control character in it or with a longitude outside
// [0, 360), more than kMaxNatalPoints of them, or the precise source in a build without it.
FinderResult FindEvents(const FinderOptions& options, const FinderProgress& progress = {});

// The same search, handing the events to `sink` a chunk of the grid (64 days) at a time, so
// that memory stays flat whatever the range. Throws as FindEvents does, before any batch.
FinderEnd StreamEvents(const FinderOptions& options, const FinderSink& sink,
                       const FinderProgress& progress = {});

}  // namespace events
