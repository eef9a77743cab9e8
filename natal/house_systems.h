#pragma once
// The house systems a horoscope can be drawn in: one table that the chart file, the command
// line, the windows and the help read.
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace natal {

enum class HouseSystem {
    Placidus,
    Koch,
    Equal,
    WholeSign,
    Porphyry,
    Regiomontanus,
    Campanus,
    Alcabitius,
    Topocentric,
    Morinus,
    Meridian,
};

struct HouseSystemInfo {
    HouseSystem system;
    const char* key;   // as files and the command line spell it: "placidus", "whole-sign", ...
    const char* name;  // as a chart shows it: "Placidus", "Whole Sign", ...
    char letter;       // the ephemeris library's letter
    // Undefined where some points of the ecliptic never rise or set (inside the polar circles).
    bool polarUndefined;
};

// Every system, Placidus (the default) first.
std::span<const HouseSystemInfo> HouseSystems();
const HouseSystemInfo& InfoOf(HouseSystem system);
// The system of a key, in any case; nothing for others.
std::optional<HouseSystem> ParseHouseSystem(std::string_view key);
// "placidus, koch, ..." for messages and help.
std::string HouseSystemKeys();

}  // namespace natal
