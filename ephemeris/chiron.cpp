#include "ephemeris/chiron.h"

#include <cmath>

#include "ephemeris/series.h"

namespace {

constexpr double kDegreesPerRadian = 57.29577951;
constexpr double kRadiansPerDegree = 0.017453292520882225;   // 1 / 57.29577951
constexpr double kCenturiesPerDay = 2.7378507871321012e-05;  // 1 / 36525
constexpr double kFullCircle = 6.283185307;
constexpr double kHalfCircle = 3.1415927;

// The newer element set starts at 1999 August 10, 0h.
constexpr double kNewElementsEpoch = 2451400.5;
constexpr double kOldElementsEpoch = 2415020.0;

// For e below 1 the damped step contracts by at most (1 + e) / 2 per step, so Chiron's orbit
// settles within about thirty steps; the cap only ends a search that cannot settle.
constexpr int kMaxKeplerSteps = 10000;

struct Elements {
    double e;
    double meanAnomaly;  // degrees
    double perihelion;   // argument of perihelion, degrees
    double node;         // longitude of the ascending node, degrees
    double a;            // semi-major axis, AU
};

Elements ElementsAt(double jed) {
    if (jed >= kNewElementsEpoch) {
        const double tc = (jed - kNewElementsEpoch) * kCenturiesPerDay;
        return {0.3793816, 25.11847 + 716.95945 * tc,
                339.21394 - 0.98745412 * tc + 0.14634022 * tc * tc,
                209.39582 - 0.12236962 * tc - 0.94660938 * tc * tc, 13.6102621};
    }
    const double tc = (jed - kOldElementsEpoch) * kCenturiesPerDay;
    return {0.382270369 - 0.004694073 * tc, 34.6127752 + 713.5756219 * tc,
            336.182213 + 2.163306646 * tc, 208.1482658 + 1.247724355 * tc, 13.66975144};
}

KeplerSolution SolveAt(const Elements& elements) {
    return SolveKepler(elements.meanAnomaly * kRadiansPerDegree, elements.e);
}

}  // namespace

KeplerSolution SolveKepler(double meanAnomaly, double e) {
    const double nan = std::nan("");
    if (!std::isfinite(meanAnomaly) || !std::isfinite(e)) return {nan, nan};
    double m = std::fmod(meanAnomaly, kFullCircle);
    if (m < 0) m += kFullCircle;

    double eccentric = m;
    int step = 0;
    for (;; ++step) {
        if (step == kMaxKeplerSteps) return {nan, nan};
        const double d = m - (eccentric - e * std::sin(eccentric));
        if (std::fabs(d) < 1e-6) break;
        eccentric = eccentric + 0.5 * d;
    }
    // Read through a volatile copy so that the compiler does not turn every sine of the loop into
    // a sine-and-cosine for the sake of this one cosine. Same value, fewer cosines.
    const volatile double solved = eccentric;
    const double cosE = std::cos(solved);
    double nu = std::acos((e - cosE) / (e * cosE - 1));
    if (m > kHalfCircle) nu = kFullCircle - nu;
    return {nu, eccentric};
}

HeliocentricPosition ChironPosition(double jed) {
    const Elements elements = ElementsAt(jed);
    const KeplerSolution solution = SolveAt(elements);
    // The sum can fall below 0 far from the epochs (the node's square term takes it there a few
    // thousand years on), where subtracting alone would leave it outside 0..360; the reduction
    // adds 360 there as well.
    const double lambda =
        solution.trueAnomaly * kDegreesPerRadian + elements.perihelion + elements.node;
    return {ephemeris::series::ReduceDegrees(lambda),
            elements.a * (1 - elements.e * std::cos(solution.eccentricAnomaly))};
}

double ChironLongitude(double jed) {
    return ChironPosition(jed).longitude;
}

double ChironRadius(double jed) {
    return ChironPosition(jed).radius;
}

double ChironInclination(double jed) {
    const double ti = (jed - kNewElementsEpoch) * kCenturiesPerDay;
    return 6.94144 - 0.09980003 * ti - 0.28725463 * ti * ti;
}
