#include "ephemeris/swiss/swiss_ephemeris.h"

#include <swephexp.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <system_error>
#include <thread>

#include "ephemeris/swiss/precession_cache.h"

#ifndef CAELVANE_SWISSEPH_DATA_DIR
#define CAELVANE_SWISSEPH_DATA_DIR "/usr/share/libswe/ephe"
#endif

namespace swiss {

namespace {

// Held by every lock where the library's state is shared by the threads of the process.
std::mutex& LibraryMutex() {
    static std::mutex mutex;
    return mutex;
}

// Guards DataState: our record of the data path and of which files serve which years.
std::mutex& StateMutex() {
    static std::mutex mutex;
    return mutex;
}

// What one 600-year data file holds, as far as it was looked for: the files are named by the
// first century of their span (sepl_18.se1 holds 1800..2399, seplm06.se1 600..1 BCE).
struct FileSpan {
    bool known = false;    // looked for
    bool present = false;  // found and read
    double firstJd = 0;    // the span it serves (TT), as the library reports it
    double lastJd = 0;
};

// Written under StateMutex; the path, filesPresent and perThread once, by the first lock.
struct DataState {
    bool initialised = false;
    std::string path;
    bool filesPresent = false;
    // Whether the library keeps its state (data path, open files, caches) for each thread
    // apart, as Debian builds it (thread-local storage): locks in different threads then
    // need not wait for each other.
    bool perThread = false;
    // By span (floor(year / 600)): the planets with the Moon, and the asteroids. A span
    // missing is remembered, so that the library is not sent to open its file again for every
    // position (it would, and fail, thousands of times in a search).
    std::map<int, FileSpan> planetSpans;
    std::map<int, FileSpan> asteroidSpans;
};

// The analytic theory stood in for missing files at least once.
std::atomic<bool> g_analyticUsed{false};

DataState& State() {
    static DataState state;
    return state;
}

// The planetary file of the 1800-2399 range, the one every page of our era reads.
constexpr const char* kPlanetFile = "sepl_18.se1";

// A day inside each end of a file's span: the spans are in TT, the callers' instants in UT.
constexpr double kSpanMarginDays = 2.0;

int SpanOf(double jd) {
    // Years of 365.2425 days from 0000-01-01 (proleptic Gregorian); a day off near the turn of a
    // span is harmless, as the file's own span decides.
    const double year = std::floor((jd - 1721059.5) / 365.2425);
    return static_cast<int>(std::floor(year / 600.0));
}

std::string SpanFileName(const char* prefix, int span) {
    char name[32];
    const int century = span * 6;
    if (century >= 0)
        std::snprintf(name, sizeof name, "%s_%02d.se1", prefix, century);
    else
        std::snprintf(name, sizeof name, "%sm%02d.se1", prefix, -century);
    return name;
}

bool PathHolds(const std::string& path, const std::string& file) {
    std::stringstream folders(path);
    std::string folder;
    std::error_code error;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) continue;
        if (std::filesystem::is_regular_file(std::filesystem::path(folder) / file, error))
            return true;
    }
    return false;
}

// Looks for the span's files once: on the path, then by asking the library for a position in
// the middle of the span and reading back the span of the files it opened.
const FileSpan& Span(int span, bool asteroid) {
    DataState& state = State();
    FileSpan& entry = (asteroid ? state.asteroidSpans : state.planetSpans)[span];
    if (entry.known) return entry;
    entry.known = true;
    const bool onPath = asteroid ? PathHolds(state.path, SpanFileName("seas", span))
                                 : PathHolds(state.path, SpanFileName("sepl", span)) &&
                                       PathHolds(state.path, SpanFileName("semo", span));
    if (!onPath) return entry;
    const double middle = 1721059.5 + (span * 600.0 + 300.0) * 365.2425;
    double values[6] = {};
    char message[AS_MAXCH] = {};
    const int32 returned =
        swe_calc(middle, asteroid ? SE_CHIRON : SE_MOON, SEFLG_SWIEPH, values, message);
    if (returned < 0 || (returned & SEFLG_SWIEPH) == 0) return entry;
    // The files the library keeps open: 0 planets, 1 the Moon, 2 the main asteroids.
    const int files[2] = {asteroid ? 2 : 0, asteroid ? 2 : 1};
    double first = -1e300, last = 1e300;
    for (const int file : files) {
        double start = 0, end = 0;
        int number = 0;
        if (swe_get_current_file_data(file, &start, &end, &number) == nullptr || end <= start)
            return entry;
        first = std::max(first, start);
        last = std::min(last, end);
    }
    entry.present = true;
    entry.firstJd = first + kSpanMarginDays;
    entry.lastJd = last - kSpanMarginDays;
    return entry;
}

// Whether the data files serve every instant of [fromUt, toUt].
bool FilesServe(double fromUt, double toUt, bool asteroid) {
    // The span last found serving, for this thread: most calls fall inside it, and need not
    // wait for the record's mutex.
    thread_local double servedFirst[2] = {1.0, 1.0}, servedLast[2] = {0.0, 0.0};
    const int kind = asteroid ? 1 : 0;
    if (fromUt >= servedFirst[kind] && toUt <= servedLast[kind]) return true;
    std::lock_guard<std::mutex> guard(StateMutex());
    for (int span = SpanOf(fromUt) - 1; span <= SpanOf(fromUt) + 1; ++span) {
        const FileSpan& entry = Span(span, asteroid);
        if (entry.present && fromUt >= entry.firstJd && toUt <= entry.lastJd) {
            servedFirst[kind] = entry.firstJd;
            servedLast[kind] = entry.lastJd;
            return true;
        }
    }
    return false;
}

// The library's state in one thread. Where the library keeps it per thread, a thread sets the
// data path before its first call, and closes its files when it ends (they would stay open,
// three descriptors a thread, for the life of the process).
struct ThreadLibrary {
    bool ready = false;
    ~ThreadLibrary() {
        if (ready) swe_close();
    }
};
thread_local ThreadLibrary t_library;

// Whether a setting made in one thread is seen in another. The probe sets a user ΔT in a
// thread of its own and reads ΔT here; every lock waits for it, so no other call is under way.
bool ProbeStatePerThread() {
    constexpr double kJ2000 = 2451545.0;
    char message[AS_MAXCH] = {};
    const double automatic = swe_deltat_ex(kJ2000, SEFLG_SWIEPH, message);
    std::thread other([] { swe_set_delta_t_userdef(1.0); });
    other.join();
    const double seen = swe_deltat_ex(kJ2000, SEFLG_SWIEPH, message);
    if (seen == automatic) return true;
    swe_set_delta_t_userdef(SE_DELTAT_AUTOMATIC);
    return false;
}

// Once per process: the data path, and whether the library's state is per thread.
const DataState& Initialise() {
    std::lock_guard<std::mutex> guard(StateMutex());
    DataState& state = State();
    if (state.initialised) return state;
    // The library itself prefers SE_EPHE_PATH to the path it is given; name the same folder.
    const char* fromEnvironment = std::getenv("SE_EPHE_PATH");
    state.path = (fromEnvironment != nullptr && *fromEnvironment != '\0')
                     ? fromEnvironment
                     : CAELVANE_SWISSEPH_DATA_DIR;
    swe_set_ephe_path(state.path.c_str());
    state.filesPresent = PathHolds(state.path, kPlanetFile);
    state.perThread = ProbeStatePerThread();
    t_library.ready = state.perThread;
    state.initialised = true;
    return state;
}

// The span the library computes with the data files installed (1800..2399) and its analytic
// theory (3000 BCE .. 3000 CE, in TT: a day's margin for ΔT). Beyond it, the library only
// answers with an error, so it is not asked: the answer then depends on the date alone.
constexpr double kEarliestJd = 625001.5;
// The bits of a flag word that name a source (the library keeps its own mask private).
constexpr int32 kEphemerisBits = SEFLG_JPLEPH | SEFLG_SWIEPH | SEFLG_MOSEPH;
constexpr double kLatestJd = 2817998.5;

}  // namespace

SwissEphemerisLock::SwissEphemerisLock() {
    const DataState& state = Initialise();
    if (!state.perThread) {
        LibraryMutex().lock();
        m_serialised = true;
    } else if (!t_library.ready) {
        swe_set_ephe_path(state.path.c_str());
        t_library.ready = true;
    }
}

SwissEphemerisLock::~SwissEphemerisLock() {
    if (m_serialised) LibraryMutex().unlock();
}

bool SwissDataFilesPresent() {
    return Initialise().filesPresent;
}

std::string SwissDataPath() {
    return Initialise().path;
}

bool SwissStatePerThread() {
    return Initialise().perThread;
}

std::string SwissDataDescription() {
    SwissEphemerisLock lock;
    const DataState& state = Initialise();
    char version[AS_MAXCH] = {};
    swe_version(version);
    std::string text = std::string("Swiss Ephemeris ") + version;
    if (state.filesPresent)
        text += ", data files 1800-2399 in " + state.path;
    else
        text += ", analytic fall-back (no data files in " + state.path + ")";
    return text;
}

bool SwissDateInRange(double jdUt) {
    return jdUt >= kEarliestJd && jdUt <= kLatestJd;  // false for NaN
}

bool CalcEcliptic(const SwissEphemerisLock& /*held*/, double jdUt, int body, Frame frame,
                  EclipticPosition& out, std::string* error) {
    out = EclipticPosition{};
    if (!SwissDateInRange(jdUt)) {
        if (error != nullptr) *error = "date outside the library's range";
        return false;
    }
    const bool asteroid = body == SE_CHIRON;
    const bool files = FilesServe(jdUt, jdUt, asteroid);
    if (asteroid && !files) {
        // The analytic theory has no asteroids.
        if (error != nullptr) *error = "no asteroid file for the date";
        return false;
    }
    int32 flags = files ? SEFLG_SWIEPH : SEFLG_MOSEPH;
    if (frame == Frame::Heliocentric) flags |= SEFLG_HELCTR | SEFLG_TRUEPOS;
    double values[6] = {};
    char message[AS_MAXCH] = {};
    const int32 returned = swe_calc_ut(jdUt, body, flags, values, message);
    if (returned < 0 || !std::isfinite(values[0]) || !std::isfinite(values[1])) {
        if (error != nullptr) *error = message[0] != '\0' ? message : "no position";
        return false;
    }
    out.longitude = values[0];
    out.latitude = values[1];
    out.analytic = (returned & SEFLG_MOSEPH) != 0;
    if (out.analytic) g_analyticUsed = true;
    return true;
}

bool CalcBodyState(const SwissEphemerisLock& /*held*/, double jdUt, int body, BodyState& out,
                   std::string* error) {
    out = BodyState{};
    if (!SwissDateInRange(jdUt)) {
        if (error != nullptr) *error = "date outside the library's range";
        return false;
    }
    const bool asteroid = body == SE_CHIRON;
    const bool files = FilesServe(jdUt, jdUt, asteroid);
    if (asteroid && !files) {
        if (error != nullptr) *error = "no asteroid file for the date";
        return false;
    }
    const int32 source = files ? SEFLG_SWIEPH : SEFLG_MOSEPH;
    double ecliptic[6] = {};
    double equatorial[6] = {};
    char message[AS_MAXCH] = {};
    const int32 returned = swe_calc_ut(jdUt, body, source | SEFLG_SPEED, ecliptic, message);
    if (returned < 0 || !std::isfinite(ecliptic[0]) || !std::isfinite(ecliptic[1]) ||
        !std::isfinite(ecliptic[3])) {
        if (error != nullptr) *error = message[0] != '\0' ? message : "no position";
        return false;
    }
    const int32 returnedEq =
        swe_calc_ut(jdUt, body, source | SEFLG_EQUATORIAL, equatorial, message);
    if (returnedEq < 0 || !std::isfinite(equatorial[0]) || !std::isfinite(equatorial[1])) {
        if (error != nullptr) *error = message[0] != '\0' ? message : "no position";
        return false;
    }
    out.longitude = ecliptic[0];
    out.latitude = ecliptic[1];
    out.longitudeSpeed = ecliptic[3];
    out.rightAscension = equatorial[0];
    out.declination = equatorial[1];
    out.analytic = (returned & SEFLG_MOSEPH) != 0;
    if (out.analytic) g_analyticUsed = true;
    return true;
}

bool CalcEclipticMotion(const SwissEphemerisLock& held, double jdUt, int body, BodyState& out,
                        std::string* error) {
    bool found = false;
    double obliquity = 0;
    std::string reason;
    if (!CalcEclipticMotions(held, jdUt, std::span<const int>(&body, 1),
                             std::span<BodyState>(&out, 1), std::span<bool>(&found, 1), obliquity,
                             &reason) ||
        !found) {
        if (error != nullptr) *error = reason.empty() ? "no position" : reason;
        return false;
    }
    return true;
}

bool CalcEclipticMotions(const SwissEphemerisLock& /*held*/, double jdUt,
                         std::span<const int> bodies, std::span<BodyState> out,
                         std::span<bool> found, double& trueObliquity, std::string* error) {
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        out[i] = BodyState{};
        found[i] = false;
    }
    trueObliquity = std::nan("");
    if (!SwissDateInRange(jdUt)) {
        if (error != nullptr) *error = "date outside the library's range";
        return false;
    }
    // What swe_calc_ut does for each body, once for all: ΔT for the source the files allow,
    // then each body at the same instant of TT, where the library finds the Earth and the
    // nutation of that instant already computed.
    const int32 planets = FilesServe(jdUt, jdUt, false) ? SEFLG_SWIEPH : SEFLG_MOSEPH;
#ifdef CAELVANE_SWISS_PRECESSION_CACHE
    // Several bodies share the instant's precession; one alone would pay for reading it.
    std::optional<PrecessionBatch> batch;
    if (bodies.size() > 1) batch.emplace();
#endif
    char message[AS_MAXCH] = {};
    double deltaT[2] = {std::nan(""), std::nan("")};  // for the planets' source and the files'
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        const bool asteroid = bodies[i] == SE_CHIRON;
        if (asteroid && !FilesServe(jdUt, jdUt, true)) {
            // The analytic theory has no asteroids.
            if (error != nullptr) *error = "no asteroid file for the date";
            continue;
        }
        const int32 source = asteroid ? SEFLG_SWIEPH : planets;
        double& dt = deltaT[source == planets ? 0 : 1];
        if (std::isnan(dt)) dt = swe_deltat_ex(jdUt, source, message);
        double values[6] = {};
        int32 returned = swe_calc(jdUt + dt, bodies[i], source | SEFLG_SPEED, values, message);
        if (returned >= 0 && (returned & kEphemerisBits) != source) {
            // The library fell back to another source after all: ΔT for that one, as
            // swe_calc_ut does.
            const double fallbackDt = swe_deltat_ex(jdUt, returned, message);
            returned =
                swe_calc(jdUt + fallbackDt, bodies[i], source | SEFLG_SPEED, values, message);
        }
        if (returned < 0 || !std::isfinite(values[0]) || !std::isfinite(values[1]) ||
            !std::isfinite(values[3])) {
            if (error != nullptr) *error = message[0] != '\0' ? message : "no position";
            continue;
        }
        BodyState& state = out[i];
        state.longitude = values[0];
        state.latitude = values[1];
        state.longitudeSpeed = values[3];
        state.analytic = (returned & SEFLG_MOSEPH) != 0;
        if (state.analytic) g_analyticUsed = true;
        found[i] = true;
    }
    // As TrueObliquity asks for it, where the nutation of the instant is already known.
    double values[6] = {};
    swe_calc_ut(jdUt, SE_ECL_NUT, 0, values, message);
    trueObliquity = values[0];
    return true;
}

bool CalcHouses(const SwissEphemerisLock& /*held*/, double jdUt, double latitude, double longitude,
                char system, HouseCusps& out, std::string* error) {
    out = HouseCusps{};
    if (!SwissDateInRange(jdUt)) {
        if (error != nullptr) *error = "date outside the library's range";
        return false;
    }
    if (!(latitude >= -90.0 && latitude <= 90.0 && longitude >= -180.0 && longitude <= 180.0)) {
        if (error != nullptr) *error = "place outside the globe";
        return false;
    }
    double cusps[13] = {};
    double ascmc[10] = {};
    char message[AS_MAXCH] = {};
    int32 returned = swe_houses_ex2(jdUt, 0, latitude, longitude, system, cusps, ascmc, nullptr,
                                    nullptr, message);
    if (returned < 0) {
        // The library gives Porphyry where the asked system has no cusps; ask for them by name
        // so that the answer does not rest on that habit.
        out.undefined = true;
        returned = swe_houses_ex2(jdUt, 0, latitude, longitude, 'O', cusps, ascmc, nullptr, nullptr,
                                  message);
        if (returned < 0) {
            if (error != nullptr) *error = message[0] != '\0' ? message : "no house cusps";
            return false;
        }
    }
    for (int i = 0; i < 12; ++i) out.cusps[i] = cusps[i + 1];
    out.ascendant = ascmc[SE_ASC];
    out.midheaven = ascmc[SE_MC];
    out.armc = ascmc[SE_ARMC];
    out.vertex = ascmc[SE_VERTEX];
    for (double value : out.cusps) {
        if (!std::isfinite(value)) {
            if (error != nullptr) *error = "no house cusps";
            return false;
        }
    }
    return true;
}

int EphemerisFlag(const SwissEphemerisLock& /*held*/, double fromUt, double toUt) {
    if (FilesServe(fromUt, toUt, false)) return SEFLG_SWIEPH;
    g_analyticUsed = true;
    return SEFLG_MOSEPH;
}

bool AnalyticTheoryUsed() {
    return g_analyticUsed;
}

double TrueObliquity(const SwissEphemerisLock& /*held*/, double jdUt) {
    double values[6] = {};
    char message[AS_MAXCH] = {};
    swe_calc_ut(jdUt, SE_ECL_NUT, 0, values, message);
    return values[0];
}

}  // namespace swiss
