#include "natal/aspects.h"

#include <cmath>

namespace natal {

std::span<const AspectInfo> Aspects() {
    static const AspectInfo kAspects[] = {
        {AspectKind::Conjunction, "conjunction", 0, 8, "\u260C", true, true},
        {AspectKind::Opposition, "opposition", 180, 8, "\u260D", true, true},
        {AspectKind::Trine, "trine", 120, 7, "\u25B3", false, true},
        {AspectKind::Square, "square", 90, 7, "\u25A1", true, true},
        {AspectKind::Sextile, "sextile", 60, 5, "\u2736", false, true},
        {AspectKind::Quincunx, "quincunx", 150, 3, "\u22BC", false, false},
        {AspectKind::SemiSextile, "semi-sextile", 30, 2, "\u22BB", false, false},
        {AspectKind::SemiSquare, "semi-square", 45, 2, "\u2220", true, false},
        {AspectKind::Sesquiquadrate, "sesquiquadrate", 135, 2, "\u2220\u00BD", true, false},
    };
    return kAspects;
}

const AspectInfo& InfoOf(AspectKind kind) {
    return Aspects()[static_cast<std::size_t>(kind)];
}

OrbTable::OrbTable() {
    for (const AspectInfo& info : Aspects()) orb[static_cast<int>(info.kind)] = info.defaultOrb;
}

namespace {

bool Tightest(double a, double b, const OrbTable& orbs, Aspect& found) {
    double separation = std::fabs(std::fmod(a - b, 360.0));
    if (separation > 180.0) separation = 360.0 - separation;
    bool any = false;
    for (const AspectInfo& info : Aspects()) {
        const double off = separation - info.angle;
        const double allowed = orbs.Of(info.kind);
        if (allowed <= 0 || std::fabs(off) > allowed) continue;
        if (!any || std::fabs(off) < std::fabs(found.orb)) {
            found.kind = info.kind;
            found.orb = off;
            any = true;
        }
    }
    return any;
}

}  // namespace

std::vector<Aspect> FindAspects(const std::vector<ChartPoint>& points, const OrbTable& orbs) {
    std::vector<Aspect> aspects;
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = i + 1; j < points.size(); ++j) {
            Aspect aspect;
            if (!Tightest(points[i].longitude, points[j].longitude, orbs, aspect)) continue;
            aspect.first = static_cast<int>(i);
            aspect.second = static_cast<int>(j);
            aspects.push_back(aspect);
        }
    }
    return aspects;
}

std::vector<Aspect> FindAspects(const std::vector<ChartPoint>& first,
                                const std::vector<ChartPoint>& second, const OrbTable& orbs) {
    std::vector<Aspect> aspects;
    for (std::size_t i = 0; i < first.size(); ++i) {
        for (std::size_t j = 0; j < second.size(); ++j) {
            Aspect aspect;
            if (!Tightest(first[i].longitude, second[j].longitude, orbs, aspect)) continue;
            aspect.first = static_cast<int>(i);
            aspect.second = static_cast<int>(j);
            aspects.push_back(aspect);
        }
    }
    return aspects;
}

}  // namespace natal
