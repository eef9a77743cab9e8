#pragma once
// The aspects a natal wheel draws and their orbs: one table, with the orbs the common programs
// use by default, which the user may change per aspect.
#include <array>
#include <span>
#include <string>
#include <string_view>
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

// The widest orb a table takes, degrees.
inline constexpr double kMaxOrb = 15.0;

// The table as the profile keeps it: "conjunction=8;opposition=8;..." in the order of Aspects(),
// each orb with up to three decimals.
std::string OrbTableText(const OrbTable& orbs);
// The inverse: each name once at most, in any order, an orb from 0 to kMaxOrb; aspects not
// named keep their default. False, with `orbs` untouched, for anything else.
bool ParseOrbTable(std::string_view text, OrbTable& orbs);

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
