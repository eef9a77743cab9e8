#include "events/sky_event.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <tuple>

#include "ephemeris/bodies.h"

namespace events {

bool EventBefore(const SkyEvent& a, const SkyEvent& b) {
    return std::tie(a.jed, a.kind, a.frame, a.body1, a.body2, a.angle, a.sign, a.detail, a.natal) <
           std::tie(b.jed, b.kind, b.frame, b.body1, b.body2, b.angle, b.sign, b.detail, b.natal);
}

namespace {
constexpr const char* kKindNames[] = {"aspect",   "ingress", "station",
                                      "lunation", "eclipse", "transit"};
static_assert(std::size(kKindNames) == kKindCount);
constexpr const char* kSignNames[] = {"Aries",       "Taurus",    "Gemini",   "Cancer",
                                      "Leo",         "Virgo",     "Libra",    "Scorpio",
                                      "Sagittarius", "Capricorn", "Aquarius", "Pisces"};
}  // namespace

const char* KindName(EventKind kind) {
    return kKindNames[static_cast<int>(kind)];
}

std::optional<EventKind> ParseKind(std::string_view name) {
    for (const EventKind kind : AllKinds())
        if (name == KindName(kind)) return kind;
    return std::nullopt;
}

std::string KindNames() {
    std::string names;
    for (const char* name : kKindNames) names += (names.empty() ? "" : ", ") + std::string(name);
    return names;
}

const char* BodyName(int code) {
    const ::Body* body = BodyOfCode(code);
    return body != nullptr ? body->name : "";
}

std::string SecondBodyName(const SkyEvent& event) {
    if (event.kind == EventKind::Transit) return "natal " + event.natal;
    return BodyName(event.body2);
}

const char* DetailName(EventDetail detail) {
    switch (detail) {
        case EventDetail::None:
            return "";
        case EventDetail::Forward:
            return "forward";
        case EventDetail::Backward:
            return "backward";
        case EventDetail::Retrograde:
            return "retrograde";
        case EventDetail::Direct:
            return "direct";
        case EventDetail::NewMoon:
            return "new";
        case EventDetail::FirstQuarter:
            return "first-quarter";
        case EventDetail::FullMoon:
            return "full";
        case EventDetail::LastQuarter:
            return "last-quarter";
        case EventDetail::SolarTotal:
            return "solar-total";
        case EventDetail::SolarAnnular:
            return "solar-annular";
        case EventDetail::SolarHybrid:
            return "solar-hybrid";
        case EventDetail::SolarPartial:
            return "solar-partial";
        case EventDetail::LunarTotal:
            return "lunar-total";
        case EventDetail::LunarPartial:
            return "lunar-partial";
        case EventDetail::LunarPenumbral:
            return "lunar-penumbral";
        case EventDetail::PossibleSolar:
            return "possible-solar";
        case EventDetail::PossibleLunar:
            return "possible-lunar";
    }
    return "";
}

const char* SignName(int sign) {
    return sign >= 0 && sign < 12 ? kSignNames[sign] : "";
}

std::optional<std::string> AspectName(double angle) {
    struct Named {
        double angle;
        const char* name;
    };
    static constexpr Named kNames[] = {
        {0, "conjunction"},  {30, "semi-sextile"}, {45, "semi-square"}, {60, "sextile"},
        {72, "quintile"},    {90, "square"},       {120, "trine"},      {135, "sesquiquadrate"},
        {144, "biquintile"}, {150, "quincunx"},    {180, "opposition"},
    };
    const double folded = angle > 180 ? 360 - angle : angle;
    for (const Named& named : kNames)
        if (folded == named.angle) return std::string(named.name);
    return std::nullopt;
}

std::string FormatAngle(double angle) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", angle);
    return text;
}

std::string EventSummary(const SkyEvent& event) {
    const std::string frame = std::string(" (") + FrameName(event.frame) + ")";
    switch (event.kind) {
        case EventKind::Aspect: {
            const auto name = AspectName(event.angle);
            const std::string relation = name ? *name : FormatAngle(event.angle) + "\u00B0";
            // The faster body is the one that makes the aspect to the slower.
            return std::string(BodyName(event.body2)) + " " + relation + " " +
                   BodyName(event.body1) + frame;
        }
        case EventKind::Ingress: {
            std::string text =
                std::string(BodyName(event.body1)) +
                (event.detail == EventDetail::Backward ? " re-enters " : " enters ") +
                SignName(event.sign);
            if (event.frame == Frame::Heliocentric) text += frame;
            return text;
        }
        case EventKind::Transit: {
            const auto name = AspectName(event.angle);
            const std::string relation = name ? *name : FormatAngle(event.angle) + "\u00B0";
            return std::string(BodyName(event.body1)) + " " + relation + " " +
                   SecondBodyName(event) +
                   (event.detail == EventDetail::Retrograde ? " (retrograde)" : "");
        }
        case EventKind::Station:
            return std::string(BodyName(event.body1)) + " stations " +
                   (event.detail == EventDetail::Retrograde ? "retrograde" : "direct");
        case EventKind::Lunation:
            switch (event.detail) {
                case EventDetail::NewMoon:
                    return "New Moon";
                case EventDetail::FirstQuarter:
                    return "First quarter Moon";
                case EventDetail::FullMoon:
                    return "Full Moon";
                default:
                    return "Last quarter Moon";
            }
        case EventKind::Eclipse:
            switch (event.detail) {
                case EventDetail::SolarTotal:
                    return "Total solar eclipse";
                case EventDetail::SolarAnnular:
                    return "Annular solar eclipse";
                case EventDetail::SolarHybrid:
                    return "Hybrid solar eclipse";
                case EventDetail::SolarPartial:
                    return "Partial solar eclipse";
                case EventDetail::LunarTotal:
                    return "Total lunar eclipse";
                case EventDetail::LunarPartial:
                    return "Partial lunar eclipse";
                case EventDetail::LunarPenumbral:
                    return "Penumbral lunar eclipse";
                case EventDetail::PossibleSolar:
                    return "Possible solar eclipse";
                default:
                    return "Possible lunar eclipse";
            }
    }
    return "";
}

}  // namespace events
