#include "events/eclipses.h"

#include <stdexcept>
#include <string>

#if CAELVANE_WITH_SWISSEPH
#include <swephexp.h>

#include "ephemeris/swiss/swiss_ephemeris.h"
#endif

namespace events {

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

SkyEvent Eclipse(double jed, EventDetail detail, bool analytic) {
    SkyEvent event;
    event.jed = jed;
    event.kind = EventKind::Eclipse;
    event.frame = Frame::Geocentric;
    event.body1 = -3;
    event.body2 = -10;
    event.detail = detail;
    event.analytic = analytic;
    return event;
}

// The next eclipse of one kind whose greatest phase comes after `from`; nothing where the
// library's theory ends (3000 CE) before the search does.
std::optional<SkyEvent> NextEclipse(bool solar, double from) {
    double times[10] = {};
    char error[256] = {};
    int flags = 0;
    int source = 0;
    {
        const swiss::SwissEphemerisLock lock;
        // The next eclipse of a kind comes within the year: the data files must serve that
        // year, else (after 2399 with the usual files) the analytic theory searches.
        source = swiss::EphemerisFlag(lock, from - 1, from + 400);
        flags = solar ? swe_sol_eclipse_when_glob(from, source, 0, times, 0, error)
                      : swe_lun_eclipse_when(from, source, 0, times, 0, error);
    }
    if (flags < 0 && !swiss::SwissDateInRange(from + 400)) return std::nullopt;
    if (flags < 0) throw std::runtime_error(std::string("eclipse search failed: ") + error);
    return Eclipse(times[0], solar ? SolarType(flags) : LunarType(flags), source == SEFLG_MOSEPH);
}

}  // namespace

bool PreciseEclipsesAvailable() {
    return true;
}

EclipseCursor::EclipseCursor(double startJed, double endJed) : m_start(startJed), m_end(endJed) {
    // An eclipse lasts a few hours around its greatest phase: start that much early so that one
    // whose maximum is just inside the range is not skipped because its beginning is outside.
    m_solar.from = m_lunar.from = startJed - 0.5;
}

// Each search steps on from just after the last eclipse found, at least a day on, so the
// searches over a range number no more than its eclipses and one more.
void EclipseCursor::Advance(Series& series, bool solar, double untilJed,
                            std::vector<SkyEvent>& out) {
    while (!series.done) {
        if (!series.pending) {
            series.pending = NextEclipse(solar, series.from);
            if (!series.pending) {
                series.done = true;
                return;
            }
            series.from = series.pending->jed + 1;
        }
        const SkyEvent& eclipse = *series.pending;
        if (eclipse.jed >= m_end) {
            series.done = true;
            return;
        }
        if (eclipse.jed >= untilJed) return;
        if (eclipse.jed >= m_start) out.push_back(eclipse);
        series.pending.reset();
    }
}

void EclipseCursor::Until(double untilJed, std::vector<SkyEvent>& out) {
    Advance(m_solar, true, untilJed, out);
    Advance(m_lunar, false, untilJed, out);
}

std::vector<SkyEvent> PreciseEclipses(double startJed, double endJed) {
    std::vector<SkyEvent> eclipses;
    EclipseCursor(startJed, endJed).Until(endJed, eclipses);
    return eclipses;
}

#else

bool PreciseEclipsesAvailable() {
    return false;
}

std::vector<SkyEvent> PreciseEclipses(double, double) {
    throw std::invalid_argument("precise positions are not part of this build");
}

EclipseCursor::EclipseCursor(double, double) {
    throw std::invalid_argument("precise positions are not part of this build");
}

void EclipseCursor::Advance(Series&, bool, double, std::vector<SkyEvent>&) {}

void EclipseCursor::Until(double, std::vector<SkyEvent>&) {}

#endif

}  // namespace events
