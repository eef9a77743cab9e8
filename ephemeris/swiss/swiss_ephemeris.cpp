#include "ephemeris/swiss/swiss_ephemeris.h"

#include <swephexp.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <system_error>

#ifndef CAELVANE_SWISSEPH_DATA_DIR
#define CAELVANE_SWISSEPH_DATA_DIR "/usr/share/libswe/ephe"
#endif

namespace caelvane::swiss {

namespace {

std::mutex& LibraryMutex() {
    static std::mutex mutex;
    return mutex;
}

// Written once, under the mutex, by the first lock; read afterwards only under a lock or after
// one has existed.
struct DataState {
    bool initialised = false;
    std::string path;
    bool filesPresent = false;
};

DataState& State() {
    static DataState state;
    return state;
}

// The planetary file of the 1800-2399 range, the one every page of our era reads.
constexpr const char* kPlanetFile = "sepl_18.se1";

bool PathHoldsPlanetFile(const std::string& path) {
    std::stringstream folders(path);
    std::string folder;
    std::error_code error;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) continue;
        if (std::filesystem::is_regular_file(std::filesystem::path(folder) / kPlanetFile, error))
            return true;
    }
    return false;
}

void InitialiseUnderMutex() {
    DataState& state = State();
    if (state.initialised) return;
    // The library itself prefers SE_EPHE_PATH to the path it is given; name the same folder.
    const char* fromEnvironment = std::getenv("SE_EPHE_PATH");
    state.path = (fromEnvironment != nullptr && *fromEnvironment != '\0')
                     ? fromEnvironment
                     : CAELVANE_SWISSEPH_DATA_DIR;
    swe_set_ephe_path(state.path.c_str());
    state.filesPresent = PathHoldsPlanetFile(state.path);
    state.initialised = true;
}

// The span the library computes with the data files installed (1800..2399) and its analytic
// theory (3000 BCE .. 3000 CE, in TT: a day's margin for ΔT). Beyond it, the library only
// answers with an error, so it is not asked: the answer then depends on the date alone.
constexpr double kEarliestJd = 625001.5;
constexpr double kLatestJd = 2817998.5;

}  // namespace

SwissEphemerisLock::SwissEphemerisLock() {
    LibraryMutex().lock();
    InitialiseUnderMutex();
}

SwissEphemerisLock::~SwissEphemerisLock() {
    LibraryMutex().unlock();
}

bool SwissDataFilesPresent() {
    SwissEphemerisLock lock;
    return State().filesPresent;
}

std::string SwissDataPath() {
    SwissEphemerisLock lock;
    return State().path;
}

std::string SwissDataDescription() {
    SwissEphemerisLock lock;
    char version[AS_MAXCH] = {};
    swe_version(version);
    std::string text = std::string("Swiss Ephemeris ") + version;
    if (State().filesPresent)
        text += ", data files 1800-2399 in " + State().path;
    else
        text += ", analytic fall-back (no data files in " + State().path + ")";
    return text;
}

bool SwissDateInRange(double jdUt) {
    return jdUt >= kEarliestJd && jdUt <= kLatestJd;  // false for NaN
}

bool CalcEcliptic(const SwissEphemerisLock& /*held*/, double jdUt, int body, Centre centre,
                  EclipticPosition& out, std::string* error) {
    out = EclipticPosition{};
    if (!SwissDateInRange(jdUt)) {
        if (error != nullptr) *error = "date outside the library's range";
        return false;
    }
    int32 flags = SEFLG_SWIEPH;
    if (centre == Centre::Heliocentric) flags |= SEFLG_HELCTR | SEFLG_TRUEPOS;
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
    return true;
}

}  // namespace caelvane::swiss
