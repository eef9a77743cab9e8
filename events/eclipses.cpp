#include "events/eclipses.h"

#include <stdexcept>
#include <string>

#if CAELVANE_WITH_SWISSEPH
#include <swephexp.h>

#include "ephemeris/swiss/swiss_ephemeris.h"
#endif

namespace caelvane::events {

#if CAELVANE_WITH_SWISSEPH

namespace {

EventDetail SolarType(int flags) {
    if (flags & SE_ECL_TOTAL) return EventDetail::SolarTotal;
    if (flags & SE_ECL_ANNULAR_TOTAL) return EventDetail::SolarHybrid;
    if (flags & SE_ECL_ANNULAR) return EventDetail::SolarAnnular;
    return EventDetail::SolarPartial;
}

EventDetail LunarType(int flags) {
    if (flags & SE_ECL_TOTAL) return EventDetail::LunarTotal;
    if (flags & SE_ECL_PARTIAL) return EventDetail::LunarPartial;
    return EventDetail::LunarPenumbral;
}

SkyEvent Eclipse(double jed, EventDetail detail) {
    SkyEvent event;
    event.jed = jed;
    event.kind = EventKind::Eclipse;
    event.frame = Frame::Geo;
    event.body1 = -3;
    event.body2 = -10;
    event.detail = detail;
    return event;
}

// The search steps from eclipse to eclipse; each call looks ahead from just after the last.
template <class Search, class Type>
void Collect(double startJed, double endJed, const Search& search, const Type& type,
             std::vector<SkyEvent>& out) {
    // An eclipse lasts a few hours around its greatest phase: start that much early so that one
    // whose maximum is just inside the range is not skipped because its beginning is outside.
    double from = startJed - 0.5;
    for (;;) {
        double times[10] = {};
        char error[256] = {};
        int flags = 0;
        {
            const swiss::SwissEphemerisLock lock;
            flags = search(from, times, error);
        }
        if (flags < 0) throw std::runtime_error(std::string("eclipse search failed: ") + error);
        const double maximum = times[0];
        if (maximum >= endJed) return;
        if (maximum >= startJed) out.push_back(Eclipse(maximum, type(flags)));
        from = maximum + 1;
    }
}

}  // namespace

bool PreciseEclipsesAvailable() {
    return true;
}

std::vector<SkyEvent> PreciseEclipses(double startJed, double endJed) {
    std::vector<SkyEvent> eclipses;
    Collect(
        startJed, endJed,
        [](double from, double* times, char* error) {
            return swe_sol_eclipse_when_glob(from, SEFLG_SWIEPH, 0, times, 0, error);
        },
        SolarType, eclipses);
    Collect(
        startJed, endJed,
        [](double from, double* times, char* error) {
            return swe_lun_eclipse_when(from, SEFLG_SWIEPH, 0, times, 0, error);
        },
        LunarType, eclipses);
    return eclipses;
}

#else

bool PreciseEclipsesAvailable() {
    return false;
}

std::vector<SkyEvent> PreciseEclipses(double, double) {
    throw std::invalid_argument("precise positions are not part of this build");
}

#endif

}  // namespace caelvane::events
