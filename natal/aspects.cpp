#include "natal/aspects.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

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

std::string OrbTableText(const OrbTable& orbs) {
    std::string text;
    for (const AspectInfo& info : Aspects()) {
        char value[32];
        std::snprintf(value, sizeof value, "%.3f", orbs.Of(info.kind));
        std::string number = value;
        // "8.000" reads "8", "2.500" reads "2.5".
        while (number.back() == '0') number.pop_back();
        if (number.back() == '.') number.pop_back();
        if (!text.empty()) text += ';';
        text += std::string(info.name) + '=' + number;
    }
    return text;
}

bool ParseOrbTable(std::string_view text, OrbTable& orbs) {
    OrbTable parsed;
    std::array<bool, kAspectKinds> seen{};
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        const std::string_view item = text.substr(start, end - start);
        start = end + 1;
        if (item.empty() && end == text.size()) break;
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) return false;
        const std::string_view name = item.substr(0, equals);
        const std::string_view number = item.substr(equals + 1);
        double value = 0;
        const auto [at, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (number.empty() || ec != std::errc() || at != number.data() + number.size() ||
            !(value >= 0 && value <= kMaxOrb))
            return false;
        bool known = false;
        for (const AspectInfo& info : Aspects()) {
            if (name != info.name) continue;
            const auto index = static_cast<std::size_t>(info.kind);
            if (seen[index]) return false;
            seen[index] = true;
            parsed.orb[index] = value;
            known = true;
        }
        if (!known) return false;
    }
    orbs = parsed;
    return true;
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
