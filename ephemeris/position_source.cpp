#include "ephemeris/position_source.h"

#include <cmath>
#include <stdexcept>

#include "ephemeris/bodies.h"
#include "ephemeris/calendar.h"
#include "ephemeris/positions.h"

#if CAELVANE_WITH_SWISSEPH
#include "ephemeris/swiss/swiss_ephemeris.h"
#endif

namespace {

#if CAELVANE_WITH_SWISSEPH

using swiss::CalcEcliptic;
using swiss::EclipticPosition;
using swiss::SwissEphemerisLock;

// The library's body for our code 1..12 on the given wheel (the body table holds its numbers,
// so that only the door includes the library's header).
int SweBodyOf(int code, Frame frame) {
    return BodyOfCode(frame == Frame::Geocentric ? -code : code)->preciseNumber;
}

double FoldLatitude(double latitude) {
    return latitude < 0 ? latitude + 360 : latitude;
}

// The daily point on a given heliocentric Earth longitude: a quarter degree per UT minute.
double DailyPointFrom(double jed, double earthLongitude) {
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    CalendarDate(jed, month, day, year, hour, minute);
    return std::fmod(earthLongitude + 0.25 * (60 * hour + minute), 360);
}

// Everything a page reads, from the library, under one lock. The Moon and its node are
// geocentric by nature, so both wheels show their geocentric values, as with the series.
// False when the library cannot compute the date at all.
bool FillPrecise(double jed, WheelLongitudes& wheels, std::array<double, 13>* latitude,
                 double* moonLatitude) {
    if (!swiss::SwissDateInRange(jed)) return false;
    SwissEphemerisLock lock;
    EclipticPosition position;
    bool analytic = false;
    auto calc = [&](int code, Frame frame) {
        if (!CalcEcliptic(lock, jed, SweBodyOf(code, frame), frame, position)) return false;
        analytic = analytic || position.analytic;
        return true;
    };
    for (int code = 1; code <= 11; ++code) {
        const bool sharedByBothWheels = code == 10 || code == 11;
        if (!sharedByBothWheels) {
            if (!calc(code, Frame::Heliocentric)) return false;
            wheels.heliocentric[code] = position.longitude;
            if (latitude != nullptr && code != 3)
                (*latitude)[code] = FoldLatitude(position.latitude);
        }
        if (!calc(code, Frame::Geocentric)) return false;
        wheels.geocentric[code] = position.longitude;
        if (sharedByBothWheels) wheels.heliocentric[code] = position.longitude;
        if (code == 10 && latitude != nullptr) {
            (*latitude)[10] = *moonLatitude = FoldLatitude(position.latitude);
        }
    }
    if (calc(12, Frame::Heliocentric)) {
        wheels.heliocentric[12] = position.longitude;
        const double chironLatitude = FoldLatitude(position.latitude);
        if (calc(12, Frame::Geocentric)) {
            wheels.geocentric[12] = position.longitude;
            if (latitude != nullptr) (*latitude)[12] = chironLatitude;
        } else {
            wheels.chironFromSeries = true;
        }
    } else {
        wheels.chironFromSeries = true;
    }
    if (wheels.chironFromSeries) {
        wheels.heliocentric[12] = BodyLongitude(jed, 12);
        wheels.geocentric[12] = BodyLongitude(jed, -12);
        if (latitude != nullptr) (*latitude)[12] = BodyLatitude(jed, 12);
    }
    wheels.analytic = analytic;
    return true;
}

// One body from the library; false when it has no position for it.
bool PreciseBody(double jed, int code, Frame frame, EclipticPosition& out) {
    SwissEphemerisLock lock;
    return CalcEcliptic(lock, jed, SweBodyOf(code, frame), frame, out);
}

// Chiron counts as known only if the library has it on both wheels, as on a page.
bool PreciseChiron(double jed, EclipticPosition& heliocentric, EclipticPosition& geocentric) {
    return PreciseBody(jed, 12, Frame::Heliocentric, heliocentric) &&
           PreciseBody(jed, 12, Frame::Geocentric, geocentric);
}

// Each code as the precise page gives it. Whatever the library has no position for (Chiron far
// from its data, a date it refuses) comes from the series, as on the page.
double PreciseLongitude(double jed, int code) {
    EclipticPosition position, other;
    switch (code) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
            if (!PreciseBody(jed, code, Frame::Heliocentric, position)) break;
            return position.longitude;
        case -1:
        case -2:
        case -3:
        case -4:
        case -5:
        case -6:
        case -7:
        case -8:
        case -9:
        case -10:
        case -11:
            if (!PreciseBody(jed, -code, Frame::Geocentric, position)) break;
            return position.longitude;
        case 10:
        case 11:
            if (!PreciseBody(jed, code, Frame::Geocentric, position)) break;
            return position.longitude;
        case 12:
            if (!PreciseChiron(jed, position, other)) break;
            return position.longitude;
        case -12:
            if (!PreciseChiron(jed, other, position)) break;
            return position.longitude;
        case 13:
        case -13:
            if (!PreciseBody(jed, 10, Frame::Geocentric, position)) break;
            return FoldLatitude(position.latitude);
        case 20:
        case 30:
        case 40: {
            if (!PreciseBody(jed, 10, Frame::Geocentric, position)) break;
            const double offset = code == 20 ? 90 : code == 30 ? 180 : 270;
            return std::fmod(position.longitude + offset, 360);
        }
        case 2000:
            if (!PreciseBody(jed, 3, Frame::Heliocentric, position)) break;
            return DailyPointFrom(jed, position.longitude);
        default:
            break;  // the fixed directions and unknown codes do not depend on the source
    }
    return BodyLongitude(jed, code);
}

double PreciseLatitude(double jed, int code) {
    EclipticPosition position;
    switch (code) {
        case 1:
        case -1:
        case 2:
        case -2:
        case 4:
        case -4:
        case 5:
        case -5:
        case 6:
        case -6:
        case 7:
        case -7:
        case 8:
        case -8:
        case 9:
        case -9: {
            const int body = code < 0 ? -code : code;
            if (!PreciseBody(jed, body, Frame::Heliocentric, position)) break;
            return FoldLatitude(position.latitude);
        }
        case 12:
        case -12: {
            EclipticPosition geocentric;
            if (!PreciseChiron(jed, position, geocentric)) break;
            return FoldLatitude(position.latitude);
        }
        case 10:
        case -10:
        case 13:
        case -13:
        case 20:
        case 30:
        case 40:
            if (!PreciseBody(jed, 10, Frame::Geocentric, position)) break;
            return FoldLatitude(position.latitude);
        default:
            break;
    }
    return BodyLatitude(jed, code);
}

#else

[[noreturn]] void RefusePrecise() {
    throw std::invalid_argument("precise positions are not part of this build");
}

#endif

}  // namespace

const char* PositionSourceName(PositionSource source) {
    return source == PositionSource::Precise ? "precise" : "series";
}

std::optional<PositionSource> ParsePositionSource(std::string_view text) {
    if (text == "series") return PositionSource::Series;
    if (text == "precise") return PositionSource::Precise;
    return std::nullopt;
}

std::optional<PositionSource> ReadPositionSource(std::string_view text, std::string& error) {
    const std::optional<PositionSource> source = ParsePositionSource(text);
    if (!source) {
        error =
            "'" + std::string(text) + "' is not a position source; use " + kPositionSourceChoices;
    } else if (*source == PositionSource::Precise && !PrecisePositionsAvailable()) {
        error =
            "precise positions are not part of this build (made without Swiss Ephemeris); "
            "use series";
        return std::nullopt;
    }
    return source;
}

std::string PreciseAnalyticNotice() {
    return "the analytic theory (Moshier) for dates the data files do not serve (they hold "
           "1800-2399)";
}

#if CAELVANE_WITH_SWISSEPH

bool PrecisePositionsAvailable() {
    return true;
}

std::string PreciseSourceName() {
    static const std::string name = [] {
        const std::string description = swiss::SwissDataDescription();
        return description.substr(0, description.find(','));
    }();
    return name;
}

std::string PositionSourceDescription(PositionSource source) {
    if (source == PositionSource::Series) return "classic series";
    return swiss::SwissDataDescription();
}

bool PreciseAnalyticUsed() {
    return swiss::AnalyticTheoryUsed();
}

double BodyLongitude(double jed, int code, PositionSource source) {
    if (source == PositionSource::Precise) return PreciseLongitude(jed, code);
    return BodyLongitude(jed, code);
}

double BodyLatitude(double jed, int code, PositionSource source) {
    if (source == PositionSource::Precise) return PreciseLatitude(jed, code);
    return BodyLatitude(jed, code);
}

PagePositions ComputePagePositions(double jed, PositionSource source) {
    if (source == PositionSource::Precise) {
        PagePositions page;
        page.jed = jed;
        page.source = PositionSource::Precise;
        if (FillPrecise(jed, page, &page.latitude, &page.moonLatitude)) return page;
        page = ComputePagePositions(jed);
        page.preciseRefused = true;
        return page;
    }
    return ComputePagePositions(jed);
}

WheelLongitudes ComputeWheelLongitudes(double jed, PositionSource source) {
    if (source == PositionSource::Precise) {
        WheelLongitudes wheels;
        wheels.jed = jed;
        wheels.source = PositionSource::Precise;
        if (FillPrecise(jed, wheels, nullptr, nullptr)) return wheels;
        wheels = ComputeWheelLongitudes(jed);
        wheels.preciseRefused = true;
        return wheels;
    }
    return ComputeWheelLongitudes(jed);
}

bool PreciseGeocentricMotion(double jed, int code, GeocentricMotion& out) {
    bool found = false;
    double obliquity = 0;
    return PreciseGeocentricMotions(jed, std::span<const int>(&code, 1),
                                    std::span<GeocentricMotion>(&out, 1),
                                    std::span<bool>(&found, 1), obliquity) &&
           found;
}

bool PreciseGeocentricMotions(double jed, std::span<const int> codes,
                              std::span<GeocentricMotion> out, std::span<bool> found,
                              double& obliquity) {
    constexpr std::size_t kMost = 32;
    int bodies[kMost];
    swiss::BodyState states[kMost];
    bool known[kMost];
    obliquity = std::nan("");
    for (std::size_t i = 0; i < codes.size(); ++i) found[i] = false;
    if (codes.size() > kMost) return false;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        // Any other code is asked for as the Sun and left unfound below.
        bodies[i] = codes[i] <= -1 && codes[i] >= -12 ? SweBodyOf(-codes[i], Frame::Geocentric)
                                                      : SweBodyOf(3, Frame::Geocentric);
    }
    SwissEphemerisLock lock;
    if (!swiss::CalcEclipticMotions(lock, jed, std::span<const int>(bodies, codes.size()),
                                    std::span<swiss::BodyState>(states, codes.size()),
                                    std::span<bool>(known, codes.size()), obliquity)) {
        return false;
    }
    // The equator of date is the ecliptic of date turned by the true obliquity: the library's
    // own equatorial place, without a second call for it.
    constexpr double kRad = 3.14159265358979323846 / 180.0;
    const double e = obliquity * kRad;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (!known[i] || codes[i] > -1 || codes[i] < -12) continue;
        const swiss::BodyState& state = states[i];
        GeocentricMotion& motion = out[i];
        motion.longitude = state.longitude;
        motion.latitude = state.latitude;
        motion.speed = state.longitudeSpeed;
        const double l = state.longitude * kRad, b = state.latitude * kRad;
        const double s = std::sin(b) * std::cos(e) + std::cos(b) * std::sin(e) * std::sin(l);
        motion.declination = std::asin(s < -1.0 ? -1.0 : s > 1.0 ? 1.0 : s) / kRad;
        found[i] = true;
    }
    return true;
}

double PreciseObliquity(double jed) {
    if (!swiss::SwissDateInRange(jed)) return std::nan("");
    SwissEphemerisLock lock;
    return swiss::TrueObliquity(lock, jed);
}

#else

bool PreciseAnalyticUsed() {
    return false;
}

bool PrecisePositionsAvailable() {
    return false;
}

std::string PreciseSourceName() {
    return {};
}

std::string PositionSourceDescription(PositionSource source) {
    if (source == PositionSource::Precise) RefusePrecise();
    return "classic series";
}

double BodyLongitude(double jed, int code, PositionSource source) {
    if (source == PositionSource::Precise) RefusePrecise();
    return BodyLongitude(jed, code);
}

double BodyLatitude(double jed, int code, PositionSource source) {
    if (source == PositionSource::Precise) RefusePrecise();
    return BodyLatitude(jed, code);
}

PagePositions ComputePagePositions(double jed, PositionSource source) {
    if (source == PositionSource::Precise) RefusePrecise();
    return ComputePagePositions(jed);
}

WheelLongitudes ComputeWheelLongitudes(double jed, PositionSource source) {
    if (source == PositionSource::Precise) RefusePrecise();
    return ComputeWheelLongitudes(jed);
}

#endif

#if !CAELVANE_WITH_SWISSEPH

bool PreciseGeocentricMotion(double, int, GeocentricMotion&) {
    return false;
}

bool PreciseGeocentricMotions(double, std::span<const int> codes, std::span<GeocentricMotion>,
                              std::span<bool> found, double& obliquity) {
    for (std::size_t i = 0; i < codes.size(); ++i) found[i] = false;
    obliquity = std::nan("");
    return false;
}

double PreciseObliquity(double) {
    return std::nan("");
}

#endif
