#pragma once
// The aspects a natal wheel draws and their orbs: one table, with the orbs the common programs
// use by default, which the user may change per aspect.
#include <array>
#include <span>
#include <vector>

#include "natal/natal_chart.h"

namespace natal {

enum class AspectKind {
    Conjunction,
    Opposition,
    Trine,
    Square,
    Sextile,
    Quincunx,
    SemiSextile,
    SemiSquare,
    Sesquiquadrate,
};
inline constexpr int kAspectKinds = 9;

struct AspectInfo {
    AspectKind kind;
    const char* name;   // "conjunction", ...
    double angle;       // degrees
    double defaultOrb;  // degrees
    const char* glyph;  // UTF-8, in DejaVu Sans
    bool hard;          // conjunction, opposition, square and their halves: drawn red
    bool major;
};
std::span<const AspectInfo> Aspects();
const AspectInfo& InfoOf(AspectKind kind);

// The orb allowed per aspect, degrees; 0 leaves the aspect out.
struct OrbTable {
    std::array<double, kAspectKinds> orb{};
    OrbTable();  // the defaults
    double Of(AspectKind kind) const { return orb[static_cast<int>(kind)]; }
};

struct Aspect {
    int first = 0;   // index into the first list
    int second = 0;  // index into the second list
    AspectKind kind = AspectKind::Conjunction;
    double orb = 0;  // degrees off exact, signed: the separation minus the aspect's angle
};

// The aspects between the points of one list (each pair once), or between two lists (natal
// and transiting), the tightest of the aspects within orb for each pair.
std::vector<Aspect> FindAspects(const std::vector<ChartPoint>& points, const OrbTable& orbs);
std::vector<Aspect> FindAspects(const std::vector<ChartPoint>& first,
                                const std::vector<ChartPoint>& second, const OrbTable& orbs);

}  // namespace natal
