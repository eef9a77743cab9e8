#include "ephemeris/bodies.h"

const Body* FindBody(std::string_view name) {
    for (const Body& body : kBodyTable) {
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

std::string BodyNameList() {
    std::string names;
    for (const Body& body : kBodyTable)
        names += (names.empty() ? "" : ", ") + std::string(body.name);
    return names;
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
