#pragma once
// Trigonometric series of the planets, the Sun and the Moon, written as text and turned into
// terms at compile time, so that each table reads like the published series, one term a row:
//
//   "Ls"                  mean longitude (radians) times 206264.80622016377 arcseconds
//   "6910 sin Gs"         6910 * sin(Gs)
//   "-17 T sin Gs"        -17 * T * sin(Gs)
//   "-7 cos(Gs - G5)"     -7 * cos(Gs - G5)
//   "5023 T", "2511"      5023 * T, the constant 2511
//
// The arguments are the fundamental arguments below, in radians; a term's argument is an
// integer combination of them (2G1 - 5G2 is 2 * G1 - 5 * G2). Nothing here depends on
// anything outside the standard library.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace ephemeris::series {

// The fundamental arguments: mean longitudes (L), mean anomalies (G), arguments of latitude (F)
// of the Moon (m), the Sun (s) and the planets (digit = body code), the Moon's mean elongation
// D and the longitude of its ascending node N.
// clang-format off
enum Argument : std::uint8_t {
    Lm, Gm, Fm, D, N,
    Ls, Gs,
    L1, G1, F1,
    L2, G2, F2,
    L4, G4, F4,
    L5, G5,
    L6, G6,
    L7, G7, F7,
    L8, G8, F8,
    L9, G9, F9,
    kArgumentCount
};
// clang-format on

struct ArgumentDefinition {
    std::string_view name;
    double a;  // revolutions at t = 0
    double b;  // revolutions per day
};

// a + b * t revolutions, t in days from 2000 January 1, 12h.
inline constexpr ArgumentDefinition kArguments[kArgumentCount] = {
    {"Lm", 0.606434, 0.03660110129}, {"Gm", 0.374897, 0.03629164709},
    {"Fm", 0.259091, 0.0367481952},  {"D", 0.827362, 0.03386319198},
    {"N", 0.347343, -0.00014709391}, {"Ls", 0.779072, 0.00273790931},
    {"Gs", 0.993126, 0.0027377785},  {"L1", 0.700695, 0.011367714},
    {"G1", 0.485541, 0.01136759566}, {"F1", 0.566441, 0.01136762384},
    {"L2", 0.505498, 0.00445046867}, {"G2", 0.140023, 0.00445036173},
    {"F2", 0.292498, 0.00445040017}, {"L4", 0.987353, 0.00145575328},
    {"G4", 0.053856, 0.00145561327}, {"F4", 0.849694, 0.00145569465},
    {"L5", 0.089608, 0.00023080893}, {"G5", 0.056531, 0.00023080893},
    {"L6", 0.133295, 0.00009294371}, {"G6", 0.882987, 0.00009294371},
    {"L7", 0.870169, 0.00003269438}, {"G7", 0.400589, 0.00003269438},
    {"F7", 0.664614, 0.00003265562}, {"L8", 0.846912, 0.00001672092},
    {"G8", 0.725368, 0.00001672092}, {"F8", 0.480856, 0.00001663715},
    {"L9", 0.663854, 0.00001115482}, {"G9", 0.041020, 0.00001104864},
    {"F9", 0.357355, 0.00001104864},
};

// The engine's full circle in radians.
inline constexpr double kRevolution = 6.283185308;
// 1296000 / kRevolution: arcseconds per radian.
inline constexpr double kArcsecondsPerRadian = 206264.80622016377;
// 1 / 36525, so that centuries are a multiplication.
inline constexpr double kCenturiesPerDay = 2.7378507871321012e-05;

struct Term {
    enum Kind : std::uint8_t { kConstant, kSin, kCos, kMeanLongitude };
    static constexpr int kMaxFactors = 4;

    double amplitude = 0;  // arcseconds (AU in radius series)
    Kind kind = kConstant;
    bool timesT = false;  // multiplied by T, the centuries from 1900 January 0.5
    std::uint8_t factorCount = 0;
    std::int8_t multiplier[kMaxFactors] = {};
    Argument argument[kMaxFactors] = {};
};

namespace detail {

// Compile-time reader of one term's text. A malformed text throws, which fails compilation.
class TermReader {
public:
    explicit constexpr TermReader(std::string_view text) : text_(text) {}

    constexpr Term Read() {
        Term term;
        SkipSpaces();
        const int meanLongitude = PeekArgumentAlone();
        if (meanLongitude >= 0) {
            term.kind = Term::kMeanLongitude;
            term.amplitude = 1;
            AddFactor(term, 1, static_cast<Argument>(meanLongitude));
            pos_ = text_.size();
            return term;
        }
        term.amplitude = ReadAmplitude();
        SkipSpaces();
        if (Accept("T")) {
            term.timesT = true;
            SkipSpaces();
        }
        if (Accept("sin")) {
            term.kind = Term::kSin;
        } else if (Accept("cos")) {
            term.kind = Term::kCos;
        } else {
            term.kind = Term::kConstant;
        }
        if (term.kind != Term::kConstant) {
            SkipSpaces();
            if (Accept("(")) {
                ReadFactor(term, 1);
                for (;;) {
                    SkipSpaces();
                    if (Accept(")")) break;
                    if (Accept("+")) {
                        ReadFactor(term, 1);
                    } else if (Accept("-")) {
                        ReadFactor(term, -1);
                    } else {
                        Fail();
                    }
                }
            } else {
                ReadFactor(term, 1);
            }
        }
        SkipSpaces();
        if (pos_ != text_.size()) Fail();
        return term;
    }

private:
    [[noreturn]] static void Fail() { throw "malformed series term"; }

    constexpr void SkipSpaces() {
        while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    }
    constexpr bool Accept(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }
    static constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    // A text that is nothing but a mean longitude ("Ls", "L1"): its Argument, or -1.
    constexpr int PeekArgumentAlone() const {
        for (const Argument arg : kAllArguments) {
            if (text_.substr(pos_) == kArguments[arg].name) return arg;
        }
        return -1;
    }

    // A decimal amplitude, read into a double exactly as a literal would be: the digits as an
    // integer divided by a power of ten, both exact, so one correctly rounded division.
    constexpr double ReadAmplitude() {
        bool negative = false;
        if (Accept("-")) negative = true;
        if (pos_ >= text_.size() || !IsDigit(text_[pos_])) Fail();
        std::uint64_t digits = 0;
        double scale = 1;
        bool fraction = false;
        while (pos_ < text_.size() && (IsDigit(text_[pos_]) || text_[pos_] == '.')) {
            if (text_[pos_] == '.') {
                if (fraction) Fail();
                fraction = true;
            } else {
                digits = digits * 10 + static_cast<std::uint64_t>(text_[pos_] - '0');
                if (fraction) scale *= 10;
            }
            ++pos_;
        }
        const double value = static_cast<double>(digits) / scale;
        return negative ? -value : value;
    }

    constexpr void ReadFactor(Term& term, int sign) {
        SkipSpaces();
        int multiplier = 0;
        bool hasDigits = false;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) {
            multiplier = multiplier * 10 + (text_[pos_] - '0');
            hasDigits = true;
            ++pos_;
        }
        if (!hasDigits) multiplier = 1;
        AddFactor(term, sign * multiplier, ReadArgument());
    }

    constexpr Argument ReadArgument() {
        // Two-letter names first, so that "D" and "N" never cut a longer name short.
        for (int pass = 0; pass < 2; ++pass) {
            for (const Argument arg : kAllArguments) {
                const std::string_view name = kArguments[arg].name;
                if ((name.size() == 2) == (pass == 0) && Accept(name)) return arg;
            }
        }
        Fail();
    }

    static constexpr void AddFactor(Term& term, int multiplier, Argument arg) {
        if (term.factorCount >= Term::kMaxFactors || multiplier < -127 || multiplier > 127) Fail();
        term.multiplier[term.factorCount] = static_cast<std::int8_t>(multiplier);
        term.argument[term.factorCount] = arg;
        ++term.factorCount;
    }

    static constexpr Argument kAllArguments[kArgumentCount] = {
        Lm, Gm, Fm, D,  N,  Ls, Gs, L1, G1, F1, L2, G2, F2, L4, G4,
        F4, L5, G5, L6, G6, L7, G7, F7, L8, G8, F8, L9, G9, F9};

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace detail

// One row of a series table, read at compile time.
consteval Term Row(std::string_view text) {
    return detail::TermReader(text).Read();
}

// Which fundamental arguments a table names, one bit per Argument.
constexpr std::uint32_t ArgumentsUsed(std::span<const Term> terms) {
    std::uint32_t mask = 0;
    for (const Term& term : terms) {
        for (int i = 0; i < term.factorCount; ++i) mask |= 1u << term.argument[i];
    }
    return mask;
}

// fmod(angle, kRevolution) bit for bit, in a tenth of the time. fmod is exact, and so is this:
// angle - n * kRevolution rounds once in the fused multiply-add to a value that is exactly
// representable, and a quotient that the division rounded to the neighbouring integer is put
// right by one step, exactly again. Far out, where the quotient is no longer exact, fmod answers.
inline double FmodRevolution(double angle) {
    constexpr double y = kRevolution;
    if (!(std::fabs(angle) < 0x1p40 * y)) return std::fmod(angle, y);
    const double n = static_cast<double>(static_cast<std::int64_t>(angle / y));  // truncated
    double r = std::fma(-n, y, angle);
    if (angle >= 0) {
        if (r < 0) {
            r += y;
        } else if (r >= y) {
            r -= y;
        }
    } else {
        if (r > 0) {
            r -= y;
        } else if (r <= -y) {
            r += y;
        }
    }
    return r == 0 ? std::copysign(0.0, angle) : r;
}

// The angle of a fundamental argument for t days from 2000 January 1, 12h, within one revolution.
inline double ArgumentAngle(Argument arg, double t) {
    const ArgumentDefinition& def = kArguments[arg];
    return FmodRevolution(kRevolution * (def.a + def.b * t));
}

// The time variables of one date and the fundamental arguments a caller asked for.
struct Arguments {
    double t = 0;  // days from 2000 January 1, 12h
    double T = 0;  // centuries from 1900 January 0.5
    double value[kArgumentCount] = {};
};

// Fills t, T and the arguments named in `mask`, each reduced to within one revolution (fmod keeps
// the sign, so for t < 0 an argument may be a negative angle).
Arguments ComputeArguments(double jed, std::uint32_t mask);

// The sum of a table's terms, in table order, term by term. Longitude and latitude tables sum in
// arcseconds, radius tables in AU. The engine evaluates plans (series_eval.h) that give the same
// bits faster; this is their plain reference.
double SumSeries(std::span<const Term> terms, const Arguments& args);

// While below 0 add 360, then while above 360 subtract 360: the result lies in 0..360 and
// exactly 360 stays 360. Values too large for the loop to reach 0..360 in a few steps are
// reduced in one step to the same result; an infinite value gives NaN, NaN stays NaN.
double ReduceDegrees(double degrees);

// A longitude or latitude series' sum (arcseconds) in degrees, reduced to 0..360.
inline double ReduceArcseconds(double arcseconds) {
    return ReduceDegrees(arcseconds / 3600);
}

}  // namespace ephemeris::series
