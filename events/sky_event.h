#pragma once
// One moment found by the event finder, and the names every writer and view shows for it.
//
// Bodies are the ephemeris codes of their frame: geocentric -1..-12 (-3 the Sun, -10 the Moon,
// -11 the node), heliocentric 1..9 and 12 (3 the Earth). Eclipses and lunations name the Sun
// and the Moon. A transit names the transiting body (geocentric) and a point of a natal chart
// by its name ("Sun", "Asc", "MC").

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ephemeris/frame.h"

namespace events {

enum class EventKind : std::uint8_t { Aspect, Ingress, Station, Lunation, Eclipse, Transit };
// How many kinds there are, counted from the last of them (a new kind after Transit moves this);
// lists, menus and sets of kinds follow it.
inline constexpr int kKindCount = static_cast<int>(EventKind::Transit) + 1;

// Every kind, in the enum's order.
constexpr std::array<EventKind, kKindCount> AllKinds() {
    std::array<EventKind, kKindCount> kinds{};
    for (int k = 0; k < kKindCount; ++k)
        kinds[static_cast<std::size_t>(k)] = static_cast<EventKind>(k);
    return kinds;
}

// A set of kinds, one bit each.
using KindSet = unsigned;
constexpr KindSet KindBit(EventKind kind) {
    return 1u << static_cast<unsigned>(kind);
}
inline constexpr KindSet kAllKinds = (1u << kKindCount) - 1;

enum class EventDetail : std::uint8_t {
    None,
    Forward,
    Backward,
    Retrograde,  // a station that begins retrograde motion; a transit made moving backward
    Direct,      // a station that ends it; a transit made moving forward
    NewMoon,
    FirstQuarter,
    FullMoon,
    LastQuarter,
    SolarTotal,
    SolarAnnular,
    SolarHybrid,
    SolarPartial,
    LunarTotal,
    LunarPartial,
    LunarPenumbral,
    PossibleSolar,  // a new Moon near a node, as far as the classic series' rough rule tells
    PossibleLunar,
};

struct SkyEvent {
    double jed = 0;  // universal time
    EventKind kind = EventKind::Aspect;
    Frame frame = Frame::Geocentric;
    int body1 = 0;      // 0: none; for an aspect the slower body; for a transit the transiting one
    int body2 = 0;      // 0 for a transit, whose second party is `natal`
    double angle = -1;  // the aspect's forward arc or the lunation's elongation; < 0: none
    int sign = -1;      // the sign entered, 0 Aries .. 11 Pisces; < 0: none
    EventDetail detail = EventDetail::None;
    std::string natal;  // a transit's natal point ("Sun", "Asc"); empty otherwise
    // Found with the precise source's analytic theory, its data files not serving the date.
    bool analytic = false;
};

// Time order; events at the same moment in a fixed order of their other fields, so that every
// run lists them alike.
bool EventBefore(const SkyEvent& a, const SkyEvent& b);

// "aspect", "ingress", ...; the inverse for the command line.
const char* KindName(EventKind kind);
std::optional<EventKind> ParseKind(std::string_view name);
// The body's name for a code of either frame ("Sun" for -3, "Earth" for 3); "" for 0.
const char* BodyName(int code);
// The event's second party as every list shows it: the name of body2, or for a transit
// "natal " and the natal point's name ("natal Sun", "natal MC").
std::string SecondBodyName(const SkyEvent& event);
// The kinds' names, comma-separated, for messages: "aspect, ingress, ...".
std::string KindNames();
// "forward", "retrograde", "full", "solar-total", ...; "" for None.
const char* DetailName(EventDetail detail);
// "Aries" .. "Pisces".
const char* SignName(int sign);
// The aspect's common name for an angle and its mirror (90 and 270: "square"), or nothing.
std::optional<std::string> AspectName(double angle);
// An angle as the CSV shows it: "90", "22.5".
std::string FormatAngle(double angle);

// A line a calendar shows: "Mars square Saturn (geo)", "Mercury stations retrograde",
// "Full Moon", "Jupiter enters Cancer".
std::string EventSummary(const SkyEvent& event);

}  // namespace events
