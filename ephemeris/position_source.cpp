#include "ephemeris/position_source.h"

#include <stdexcept>

#include "ephemeris/positions.h"

namespace {

[[noreturn]] void RefusePrecise() {
    throw std::invalid_argument("precise positions are not part of this build");
}

}  // namespace

const char* PositionSourceName(PositionSource source) {
    return source == PositionSource::Precise ? "precise" : "series";
}

std::optional<PositionSource> ParsePositionSource(std::string_view text) {
    if (text == "series") return PositionSource::Series;
    if (text == "precise") return PositionSource::Precise;
    return std::nullopt;
}

bool PrecisePositionsAvailable() {
    return false;
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
