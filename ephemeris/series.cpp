#include "ephemeris/series.h"

#include <cmath>

namespace ephemeris::series {

Arguments ComputeArguments(double jed, std::uint32_t mask) {
    Arguments args;
    args.t = jed - 2451545.0;
    args.T = args.t * kCenturiesPerDay + 1;
    for (int i = 0; i < kArgumentCount; ++i) {
        if ((mask & (1u << i)) == 0) continue;
        args.value[i] = ArgumentAngle(static_cast<Argument>(i), args.t);
    }
    return args;
}

double SumSeries(std::span<const Term> terms, const Arguments& args) {
    double sum = 0;
    for (const Term& term : terms) {
        double x = term.multiplier[0] * args.value[term.argument[0]];
        for (int i = 1; i < term.factorCount; ++i) {
            x += term.multiplier[i] * args.value[term.argument[i]];
        }
        const double amplitude = term.timesT ? term.amplitude * args.T : term.amplitude;
        switch (term.kind) {
            case Term::kSin:
                sum += amplitude * std::sin(x);
                break;
            case Term::kCos:
                sum += amplitude * std::cos(x);
                break;
            case Term::kMeanLongitude:
                sum += x * kArcsecondsPerRadian;
                break;
            case Term::kConstant:
                sum += amplitude;
                break;
        }
    }
    return sum;
}

double ReduceDegrees(double degrees) {
    // Within a few turns the loops below are what runs. Further out each step of the loops is
    // exact (360 is a multiple of the spacing of doubles up to 2^55), so they would end where
    // fmod lands in one step; beyond 2^55 they would never end, and fmod still gives a value.
    constexpr double kLoopRange = 360.0 * 16;
    if (std::fabs(degrees) > kLoopRange) {
        if (std::isinf(degrees)) return std::nan("");
        const double rest = std::fmod(degrees, 360.0);
        if (degrees > 0) return rest == 0 ? 360.0 : rest;
        return rest < 0 ? rest + 360.0 : 0.0;
    }
    while (degrees < 0) degrees += 360;
    while (degrees > 360) degrees -= 360;
    return degrees;
}

}  // namespace ephemeris::series
