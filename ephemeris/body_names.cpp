#include "ephemeris/body_names.h"

const char* FrameName(Frame frame) {
    return frame == Frame::Geocentric ? "geo" : "helio";
}

std::optional<Frame> ParseFrame(std::string_view text) {
    if (text == "geo") return Frame::Geocentric;
    if (text == "helio") return Frame::Heliocentric;
    return std::nullopt;
}

std::span<const BodyName> BodyNames() {
    static constexpr BodyName kBodies[] = {
        {"Sun", -3, 0},      {"Moon", -10, 10},  {"Mercury", -1, 1}, {"Venus", -2, 2},
        {"Earth", 0, 3},     {"Mars", -4, 4},    {"Jupiter", -5, 5}, {"Saturn", -6, 6},
        {"Uranus", -7, 7},   {"Neptune", -8, 8}, {"Pluto", -9, 9},   {"Node", -11, 11},
        {"Chiron", -12, 12},
    };
    return kBodies;
}

const BodyName* FindBody(std::string_view name) {
    for (const BodyName& body : BodyNames()) {
        const std::string_view known = body.name;
        if (known.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            const char a =
                name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] + 32) : name[i];
            const char b =
                known[i] >= 'A' && known[i] <= 'Z' ? static_cast<char>(known[i] + 32) : known[i];
            same = a == b;
        }
        if (same) return &body;
    }
    return nullptr;
}

int BodyCode(const BodyName& body, Frame frame) {
    return frame == Frame::Geocentric ? body.geoCode : body.helioCode;
}

const BodyName* BodyOfCode(int code) {
    if (code == 0) return nullptr;
    for (const BodyName& body : BodyNames()) {
        if (body.geoCode == code || body.helioCode == code) return &body;
    }
    return nullptr;
}
