#pragma once
// Solar and lunar eclipses at their greatest, from the precise source's own eclipse search.

#include <optional>
#include <vector>

#include "events/sky_event.h"

namespace events {

// Whether this build can search eclipses with the precise source.
bool PreciseEclipsesAvailable();

// Every eclipse whose greatest phase falls in [startJed, endJed) (universal time), solar ones
// named by their global type, lunar ones by theirs. Where the data files end (2399) the
// library's analytic theory searches, and the events say so; it ends in 3000 CE, and with it the
// eclipses found. Throws std::invalid_argument when the build
// has no precise source, std::runtime_error when the library reports a failure.
std::vector<SkyEvent> PreciseEclipses(double startJed, double endJed);

// The same eclipses taken a stretch at a time, for a search that hands on its events as it
// goes: each call of Until adds those whose greatest phase falls before `untilJed`, in the
// order found (solar, then lunar), once each.
class EclipseCursor {
public:
    EclipseCursor(double startJed, double endJed);
    void Until(double untilJed, std::vector<SkyEvent>& out);

private:
    struct Series {
        double from = 0;                  // where the next search starts
        std::optional<SkyEvent> pending;  // found, not yet reached
        bool done = false;
    };
    void Advance(Series& series, bool solar, double untilJed, std::vector<SkyEvent>& out);

    double m_start = 0, m_end = 0;
    Series m_solar, m_lunar;
};

}  // namespace events
