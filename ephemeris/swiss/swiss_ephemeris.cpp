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

bool CalcBodyState(const SwissEphemerisLock& /*held*/, double jdUt, int body, BodyState& out,
                   std::string* error) {
    out = BodyState{};
    if (!SwissDateInRange(jdUt)) {
        if (error != nullptr) *error = "date outside the library's range";
        return false;
    }
    double ecliptic[6] = {};
    double equatorial[6] = {};
    char message[AS_MAXCH] = {};
    const int32 returned = swe_calc_ut(jdUt, body, SEFLG_SWIEPH | SEFLG_SPEED, ecliptic, message);
    if (returned < 0 || !std::isfinite(ecliptic[0]) || !std::isfinite(ecliptic[1]) ||
        !std::isfinite(ecliptic[3])) {
        if (error != nullptr) *error = message[0] != '\0' ? message : "no position";
        return false;
    }
    const int32 returnedEq =
        swe_calc_ut(jdUt, body, SEFLG_SWIEPH | SEFLG_EQUATORIAL, equatorial, message);
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
    return true;
}

bool CalcEclipticMotion(const SwissEphemerisLock& /*held*/, double jdUt, int body, BodyState& out,
                        std::string* error) {
    out = BodyState{};
    if (!SwissDateInRange(jdUt)) {
        if (error != nullptr) *error = "date outside the library's range";
        return false;
    }
    double ecliptic[6] = {};
    char message[AS_MAXCH] = {};
    const int32 returned = swe_calc_ut(jdUt, body, SEFLG_SWIEPH | SEFLG_SPEED, ecliptic, message);
    if (returned < 0 || !std::isfinite(ecliptic[0]) || !std::isfinite(ecliptic[1]) ||
        !std::isfinite(ecliptic[3])) {
        if (error != nullptr) *error = message[0] != '\0' ? message : "no position";
        return false;
    }
    out.longitude = ecliptic[0];
    out.latitude = ecliptic[1];
    out.longitudeSpeed = ecliptic[3];
    out.analytic = (returned & SEFLG_MOSEPH) != 0;
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

double TrueObliquity(const SwissEphemerisLock& /*held*/, double jdUt) {
    double values[6] = {};
    char message[AS_MAXCH] = {};
    swe_calc_ut(jdUt, SE_ECL_NUT, 0, values, message);
    return values[0];
}

}  // namespace caelvane::swiss
