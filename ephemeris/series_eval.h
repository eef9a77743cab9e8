#pragma once
// Evaluating series tables for a date; each call computes the arguments it needs afresh.
//
// Many terms of a table share an angle (k sin X, k T sin X and k cos X). A plan made at compile
// time lists each distinct angle once, with whether its sine, its cosine or both are needed, so
// every sine and cosine is computed once per call. The terms are then summed in table order from
// those values: bit for bit what the term-by-term sum gives (SumSeries), in about half the time.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <type_traits>
#include <utility>

#include "ephemeris/series.h"

namespace ephemeris::series {

template <std::size_t TermCount, std::size_t TableCount>
struct Plan {
    enum Need : std::uint8_t { kSinOnly, kCosOnly, kBoth };
    struct Angle {
        std::uint8_t factorCount = 0;
        std::int8_t multiplier[Term::kMaxFactors] = {};
        Argument argument[Term::kMaxFactors] = {};
        Need need = kSinOnly;
    };

    std::uint32_t mask = 0;
    std::size_t angleCount = 0;
    Angle angles[TermCount] = {};
    Term terms[TermCount] = {};
    std::uint16_t termAngle[TermCount] = {};
    std::size_t tableEnd[TableCount] = {};
};

namespace detail {

constexpr bool SameAngle(const Term& term, const auto& angle) {
    if (term.factorCount != angle.factorCount) return false;
    for (int i = 0; i < term.factorCount; ++i) {
        if (term.multiplier[i] != angle.multiplier[i] || term.argument[i] != angle.argument[i]) {
            return false;
        }
    }
    return true;
}

template <const auto&... tables>
consteval auto MakePlan() {
    constexpr std::size_t kTerms = (std::size(tables) + ...);
    using PlanType = Plan<kTerms, sizeof...(tables)>;
    PlanType plan;
    std::size_t count = 0;
    std::size_t table = 0;
    auto append = [&](std::span<const Term> terms) {
        for (const Term& term : terms) plan.terms[count++] = term;
        plan.tableEnd[table++] = count;
    };
    (append(tables), ...);

    for (std::size_t i = 0; i < kTerms; ++i) {
        const Term& term = plan.terms[i];
        for (int f = 0; f < term.factorCount; ++f) plan.mask |= 1u << term.argument[f];
        if (term.kind != Term::kSin && term.kind != Term::kCos) continue;
        std::size_t a = 0;
        while (a < plan.angleCount && !SameAngle(term, plan.angles[a])) ++a;
        auto& angle = plan.angles[a];
        const auto need = term.kind == Term::kSin ? PlanType::kSinOnly : PlanType::kCosOnly;
        if (a == plan.angleCount) {
            ++plan.angleCount;
            angle.factorCount = term.factorCount;
            for (int f = 0; f < term.factorCount; ++f) {
                angle.multiplier[f] = term.multiplier[f];
                angle.argument[f] = term.argument[f];
            }
            angle.need = need;
        } else if (angle.need != need) {
            angle.need = PlanType::kBoth;
        }
        plan.termAngle[i] = static_cast<std::uint16_t>(a);
    }
    return plan;
}

template <const auto& plan>
struct PlanEvaluator {
    using PlanType = std::remove_cvref_t<decltype(plan)>;
    static constexpr std::size_t kAngles = plan.angleCount > 0 ? plan.angleCount : 1;
    static constexpr std::size_t kTables = std::size(plan.tableEnd);

    // Every step below is written out per angle and per term at compile time: the amplitudes
    // become constants and no switch runs, but each operation and its order are those of the
    // term-by-term sum.
    struct State {
        double t;
        double T;
        double value[kArgumentCount];
        double sines[kAngles];
        double cosines[kAngles];
        std::array<double, kTables> sums;
    };

    template <std::size_t arg>
    static void Argument(State& state) {
        if constexpr ((plan.mask & (1u << arg)) != 0) {
            state.value[arg] = ArgumentAngle(static_cast<series::Argument>(arg), state.t);
        }
    }

    template <std::size_t a>
    static void Angle(State& state) {
        constexpr auto angle = plan.angles[a];
        double x = angle.multiplier[0] * state.value[angle.argument[0]];
        if constexpr (angle.factorCount > 1)
            x += angle.multiplier[1] * state.value[angle.argument[1]];
        if constexpr (angle.factorCount > 2)
            x += angle.multiplier[2] * state.value[angle.argument[2]];
        if constexpr (angle.factorCount > 3)
            x += angle.multiplier[3] * state.value[angle.argument[3]];
        if constexpr (angle.need != PlanType::kCosOnly) state.sines[a] = std::sin(x);
        if constexpr (angle.need != PlanType::kSinOnly) state.cosines[a] = std::cos(x);
    }

    static constexpr std::size_t TableOf(std::size_t term) {
        std::size_t table = 0;
        while (plan.tableEnd[table] <= term) ++table;
        return table;
    }

    template <std::size_t i>
    static void AddTerm(State& state) {
        constexpr Term term = plan.terms[i];
        double& sum = state.sums[TableOf(i)];
        if constexpr (term.kind == Term::kMeanLongitude) {
            sum += state.value[term.argument[0]] * kArcsecondsPerRadian;
        } else {
            double amplitude = term.amplitude;
            if constexpr (term.timesT) amplitude = term.amplitude * state.T;
            if constexpr (term.kind == Term::kSin) {
                sum += amplitude * state.sines[plan.termAngle[i]];
            } else if constexpr (term.kind == Term::kCos) {
                sum += amplitude * state.cosines[plan.termAngle[i]];
            } else {
                sum += amplitude;
            }
        }
    }

    template <std::size_t... args, std::size_t... angles, std::size_t... terms>
    static std::array<double, kTables> Evaluate(double jed, std::index_sequence<args...>,
                                                std::index_sequence<angles...>,
                                                std::index_sequence<terms...>) {
        State state;
        state.t = jed - 2451545.0;
        state.T = state.t * kCenturiesPerDay + 1;
        state.sums.fill(0);
        // Braced lists run their elements left to right (terms in table order) and, unlike
        // comma folds, do not nest: a plan of hundreds of terms stays within every compiler's
        // bracket depth.
        [[maybe_unused]] const int inArgumentOrder[] = {0, (Argument<args>(state), 0)...};
        [[maybe_unused]] const int inAngleOrder[] = {0, (Angle<angles>(state), 0)...};
        [[maybe_unused]] const int inTableOrder[] = {0, (AddTerm<terms>(state), 0)...};
        return state.sums;
    }

    static std::array<double, kTables> Evaluate(double jed) {
        return Evaluate(jed, std::make_index_sequence<kArgumentCount>(),
                        std::make_index_sequence<plan.angleCount>(),
                        std::make_index_sequence<std::size(plan.terms)>());
    }
};

template <const auto&... tables>
inline constexpr auto kPlanOf = MakePlan<tables...>();

}  // namespace detail

// The sums of several tables for one date, in the order given: arcseconds for longitude and
// latitude tables, AU for radius tables. Tables evaluated together share their angles.
template <const auto&... tables>
std::array<double, sizeof...(tables)> SumTogether(double jed) {
    return detail::PlanEvaluator<detail::kPlanOf<tables...>>::Evaluate(jed);
}

// One table's sum for the date.
template <const auto& table>
double Sum(double jed) {
    return SumTogether<table>(jed)[0];
}

// A longitude or latitude series: the sum in degrees, reduced to 0..360.
template <const auto& table>
double Longitude(double jed) {
    return ReduceArcseconds(Sum<table>(jed));
}

}  // namespace ephemeris::series
