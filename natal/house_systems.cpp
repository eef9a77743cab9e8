#include "natal/house_systems.h"

#include <cctype>

namespace natal {

std::span<const HouseSystemInfo> HouseSystems() {
    static const HouseSystemInfo kSystems[] = {
        {HouseSystem::Placidus, "placidus", "Placidus", 'P', true},
        {HouseSystem::Koch, "koch", "Koch", 'K', true},
        {HouseSystem::Equal, "equal", "Equal", 'E', false},
        {HouseSystem::WholeSign, "whole-sign", "Whole Sign", 'W', false},
        {HouseSystem::Porphyry, "porphyry", "Porphyry", 'O', false},
        {HouseSystem::Regiomontanus, "regiomontanus", "Regiomontanus", 'R', false},
        {HouseSystem::Campanus, "campanus", "Campanus", 'C', false},
        {HouseSystem::Alcabitius, "alcabitius", "Alcabitius", 'B', false},
        {HouseSystem::Topocentric, "topocentric", "Topocentric", 'T', false},
        {HouseSystem::Morinus, "morinus", "Morinus", 'M', false},
        {HouseSystem::Meridian, "meridian", "Meridian", 'X', false},
    };
    return kSystems;
}

const HouseSystemInfo& InfoOf(HouseSystem system) {
    for (const HouseSystemInfo& info : HouseSystems()) {
        if (info.system == system) return info;
    }
    return HouseSystems().front();
}

std::optional<HouseSystem> ParseHouseSystem(std::string_view key) {
    for (const HouseSystemInfo& info : HouseSystems()) {
        const std::string_view name = info.key;
        if (name.size() != key.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < key.size() && same; ++i) {
            same = std::tolower(static_cast<unsigned char>(key[i])) == name[i];
        }
        if (same) return info.system;
    }
    return std::nullopt;
}

std::string HouseSystemKeys() {
    std::string keys;
    for (const HouseSystemInfo& info : HouseSystems()) {
        if (!keys.empty()) keys += ", ";
        keys += info.key;
    }
    return keys;
}

}  // namespace natal
