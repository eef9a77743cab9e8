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
        {"Sun", -3, 0, "\u2609"},      {"Moon", -10, 10, "\u263D"}, {"Mercury", -1, 1, "\u263F"},
        {"Venus", -2, 2, "\u2640"},    {"Earth", 0, 3, "\u2641"},   {"Mars", -4, 4, "\u2642"},
        {"Jupiter", -5, 5, "\u2643"},  {"Saturn", -6, 6, "\u2644"}, {"Uranus", -7, 7, "\u2645"},
        {"Neptune", -8, 8, "\u2646"},  {"Pluto", -9, 9, "\u2647"},  {"Node", -11, 11, "\u260A"},
        {"Chiron", -12, 12, "\u26B7"},
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

const char* ZodiacSignName(int index) {
    static const char* const kNames[] = {"Aries",       "Taurus",    "Gemini",   "Cancer",
                                         "Leo",         "Virgo",     "Libra",    "Scorpio",
                                         "Sagittarius", "Capricorn", "Aquarius", "Pisces"};
    return kNames[((index % 12) + 12) % 12];
}

const char* ZodiacSignGlyph(int index) {
    static const char* const kGlyphs[] = {"\u2648", "\u2649", "\u264A", "\u264B",
                                          "\u264C", "\u264D", "\u264E", "\u264F",
                                          "\u2650", "\u2651", "\u2652", "\u2653"};
    return kGlyphs[((index % 12) + 12) % 12];
}
