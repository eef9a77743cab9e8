#pragma once
// The one door into Swiss Ephemeris (libswe).
//
// The library keeps state: its data path, open file handles, a cache of the last positions
// computed, the ΔT and nutation of the last date. The rule for the whole program is:
//
//   Every call into libswe, anywhere in the program, happens while a SwissEphemerisLock is
//   alive in the calling thread.
//
// Debian builds the library with thread-local storage: each thread has a state of its own, and
// calls from two threads do not disturb each other. The first lock finds out whether this
// build does (SwissStatePerThread); where it does, a lock sets the thread's data path before
// its first call and closes the thread's files when the thread ends, and locks in different
// threads run side by side. Where the state is shared, a lock holds one process-wide mutex for
// its whole life, so that calls made under it never interleave with calls from another thread.
// Either way, nobody else calls swe_set_ephe_path, swe_set_jpl_file, swe_set_sid_mode,
// swe_set_topo or swe_close, because a later caller would inherit that state. Keep a lock for a
// short, bounded stretch of work (a page, a search step); never wait for another thread, or
// take a second lock in the same thread, while holding one: the mutex is not recursive.
//
// The data path is SE_EPHE_PATH from the environment when set, else the folder the build found
// the data files in. Where no data file serves a date (none installed, or after 2399 with the
// usual ones) the planets and the Moon come from the library's analytic theory (Moshier's),
// asked for directly: which files are missing is found once and remembered. Asteroids (Chiron)
// then have no position.

#include <span>
#include <string>

#include "ephemeris/frame.h"

namespace swiss {

class SwissEphemerisLock {
public:
    SwissEphemerisLock();
    ~SwissEphemerisLock();
    SwissEphemerisLock(const SwissEphemerisLock&) = delete;
    SwissEphemerisLock& operator=(const SwissEphemerisLock&) = delete;

private:
    bool m_serialised = false;  // holds the process-wide mutex
};

// Whether the library keeps a state for each thread (see above): locks in different threads
// then run at the same time.
bool SwissStatePerThread();

// The library's version and where its data come from, for a notice line or a status bar:
// "Swiss Ephemeris 2.10.03, data files 1800-2399 in /usr/share/libswe/ephe", or, without data
// files, "Swiss Ephemeris 2.10.03, analytic fall-back (no data files in PATH)".
std::string SwissDataDescription();

// Whether the planetary data file was found on the data path.
bool SwissDataFilesPresent();

// The data path in use (set once by the first lock).
std::string SwissDataPath();

// Whether a UT instant lies where the library computes the planets and the Moon: about 3000 BCE
// to 3000 CE (its analytic theory; the data files cover 1800..2399). Needs no lock.
bool SwissDateInRange(double jdUt);

struct EclipticPosition {
    double longitude = 0;  // degrees, 0..360, true equinox of date
    double latitude = 0;   // degrees, -90..90
    bool analytic =
        false;  // computed by the analytic theory, the data files missing or out of range
};

// One body (a libswe body number, SE_SUN ..) at a UT instant, tropical, ecliptic of date.
// Geocentric: apparent (light-time, aberration, deflection, nutation) as seen from the Earth's
// centre. Heliocentric: the geometric position of date (no light-time: a chart's heliocentric
// wheel shows where the bodies are, not what an observer on the Sun would see).
// False when the library has no position (Chiron outside its asteroid file, a date outside
// SwissDateInRange, NaN); `error` then holds the reason.
bool CalcEcliptic(const SwissEphemerisLock& held, double jdUt, int body, Frame frame,
                  EclipticPosition& out, std::string* error = nullptr);

// A body for a horoscope: the ecliptic place and its daily motion, and the equatorial place
// (right ascension, declination), all apparent, geocentric, true equinox of date, at a UT
// instant. Speeds in degrees per day. False as CalcEcliptic.
struct BodyState {
    double longitude = 0;       // degrees, 0..360
    double latitude = 0;        // degrees, -90..90
    double longitudeSpeed = 0;  // degrees per day, negative while retrograde
    double rightAscension = 0;  // degrees, 0..360
    double declination = 0;     // degrees, -90..90
    bool analytic = false;
};
bool CalcBodyState(const SwissEphemerisLock& held, double jdUt, int body, BodyState& out,
                   std::string* error = nullptr);

// The same without the equatorial place (rightAscension and declination stay 0): one call
// into the library instead of two, for charts that sample a body at every pixel column.
bool CalcEclipticMotion(const SwissEphemerisLock& held, double jdUt, int body, BodyState& out,
                        std::string* error = nullptr);
// Several bodies at one instant, each exactly as CalcEclipticMotion gives it, and the true
// obliquity there, exactly as TrueObliquity gives it: the library computes ΔT, the Earth and the
// nutation of the instant once for all of them. found[i] says whether bodies[i] has a position
// (`error` holds the last reason one has not); out and found hold as many entries as bodies.
// False, with nothing found, for a date outside SwissDateInRange.
bool CalcEclipticMotions(const SwissEphemerisLock& held, double jdUt, std::span<const int> bodies,
                         std::span<BodyState> out, std::span<bool> found, double& trueObliquity,
                         std::string* error = nullptr);

// House cusps and angles at a UT instant and a place (latitude north and longitude east
// positive, degrees), for one of the library's house-system letters ('P' Placidus, 'K', 'E',
// 'W', 'O', 'R', 'C', 'B', 'T', 'M', 'X'). Longitudes in degrees 0..360, true equinox of date.
// `undefined` is set when the library could not compute the asked system there (Placidus and
// Koch inside the polar circles) and gave Porphyry cusps instead.
struct HouseCusps {
    double cusps[12] = {};  // cusp 1 first
    double ascendant = 0;
    double midheaven = 0;
    double armc = 0;  // right ascension of the meridian, degrees
    double vertex = 0;
    bool undefined = false;
};
bool CalcHouses(const SwissEphemerisLock& held, double jdUt, double latitude, double longitude,
                char system, HouseCusps& out, std::string* error = nullptr);

// The library's flag for where its positions over [fromUt, toUt] come from (UT instants):
// SEFLG_SWIEPH where the data files serve the whole stretch, else SEFLG_MOSEPH, its analytic
// theory, without sending the library to look for the missing files again. For the library's
// own searches (eclipses); CalcEcliptic and the others choose for themselves. Positions outside
// the files were always the analytic theory's (the library fell back to it after a failed open
// of the file); only the cost of asking has gone.
int EphemerisFlag(const SwissEphemerisLock& held, double fromUt, double toUt);

// Whether, in this process so far, the analytic theory stood in for data files that do not
// serve a date asked for (after 2399 with the usual files).
bool AnalyticTheoryUsed();

// The true obliquity of the ecliptic at a UT instant, degrees.
double TrueObliquity(const SwissEphemerisLock& held, double jdUt);

}  // namespace swiss
