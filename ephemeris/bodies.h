#pragma once
// The body table: every body the program knows, with everything that differs from one body to
// the next outside its position theory. The events, the command line, the windows, the charts
// and the help read it; a new body is a new row here (and its positions in the sources).
//
// Codes are the ephemeris codes of positions.h: geocentric negative, heliocentric positive.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ephemeris/frame.h"

// A colour as red, green and blue, 0..255 each.
struct BodyColor {
    std::uint8_t red, green, blue;
};

struct Body {
    const char* name;   // "Sun", "Moon", "Mercury", ...: lists, files, the command line
    int geoCode;        // 0: the body has no longitude seen from the Earth (the Earth itself)
    int helioCode;      // 0: none seen from the Sun (the Sun itself)
    const char* glyph;  // the astrological symbol, UTF-8 (DejaVu Sans draws them all)
    // Sidereal period in days, which tells the faster of two bodies; the Sun has the Earth's.
    double period;
    // The greatest speed in degrees of longitude a day, with room to spare, in each frame: the
    // event finder's step is chosen from it.
    double geoMaxSpeed;
    double helioMaxSpeed;
    BodyColor color;  // its lines on the charts, told apart on white
    // The daily table's column: "helio_" or "geo_" and this; its latitude column ("lat_mars",
    // "incl_chiron"), or nothing for a body without one.
    const char* column;
    const char* latitudeColumn;
    int preciseNumber;  // the precise source's (Swiss Ephemeris) body number
    bool stations;      // turns retrograde and direct, seen from the Earth
    // Circles the Earth (the Moon and its node): the heliocentric wheel shows its geocentric
    // place, so it has no heliocentric events of its own.
    bool earthBound;
};

// Sun, Moon, Mercury, Venus, Earth, Mars, Jupiter, Saturn, Uranus, Neptune, Pluto, Node, Chiron,
// in that order: the order of every list of bodies.
inline constexpr Body kBodyTable[] = {
    {"Sun", -3, 0, "\u2609", 365.25636, 1.05, 0, {230, 150, 0}, "sun", nullptr, 0, false, false},
    {"Moon",
     -10,
     10,
     "\u263D",
     27.321582,
     15.5,
     15.5,
     {110, 110, 130},
     "moon",
     "lat_moon",
     1,
     false,
     true},
    {"Mercury",
     -1,
     1,
     "\u263F",
     87.96856,
     2.4,
     6.5,
     {0, 150, 160},
     "mercury",
     "lat_mercury",
     2,
     true,
     false},
    {"Venus",
     -2,
     2,
     "\u2640",
     224.6988,
     1.35,
     1.7,
     {220, 60, 160},
     "venus",
     "lat_venus",
     3,
     true,
     false},
    {"Earth",
     0,
     3,
     "\u2641",
     365.25636,
     0,
     1.05,
     {230, 150, 0},
     "earth",
     nullptr,
     14,
     false,
     false},
    {"Mars",
     -4,
     4,
     "\u2642",
     686.9895,
     0.85,
     0.75,
     {220, 20, 20},
     "mars",
     "lat_mars",
     4,
     true,
     false},
    {"Jupiter",
     -5,
     5,
     "\u2643",
     4332.59,
     0.26,
     0.1,
     {40, 90, 220},
     "jupiter",
     "lat_jupiter",
     5,
     true,
     false},
    {"Saturn",
     -6,
     6,
     "\u2644",
     10759.2,
     0.14,
     0.05,
     {90, 60, 30},
     "saturn",
     "lat_saturn",
     6,
     true,
     false},
    {"Uranus",
     -7,
     7,
     "\u2645",
     30685.93,
     0.08,
     0.02,
     {0, 170, 80},
     "uranus",
     "lat_uranus",
     7,
     true,
     false},
    {"Neptune",
     -8,
     8,
     "\u2646",
     60187.64,
     0.05,
     0.01,
     {120, 50, 200},
     "neptune",
     "lat_neptune",
     8,
     true,
     false},
    {"Pluto",
     -9,
     9,
     "\u2647",
     90885,
     0.05,
     0.01,
     {150, 0, 60},
     "pluto",
     "lat_pluto",
     9,
     true,
     false},
    {"Node",
     -11,
     11,
     "\u260A",
     6798.375,
     0.07,
     0.07,
     {100, 140, 0},
     "node",
     nullptr,
     10,
     false,
     true},
    {"Chiron",
     -12,
     12,
     "\u26B7",
     18335.55,
     0.17,
     0.08,
     {200, 110, 60},
     "chiron",
     "incl_chiron",
     15,
     true,
     false},
};

inline constexpr std::size_t kBodyCount = std::size(kBodyTable);

constexpr std::span<const Body> Bodies() {
    return kBodyTable;
}

// The entry named `name`, in any case; nothing for an unknown name.
const Body* FindBody(std::string_view name);
// The body's code in `frame`, 0 when it has none there.
constexpr int BodyCode(const Body& body, Frame frame) {
    return frame == Frame::Geocentric ? body.geoCode : body.helioCode;
}
// The entry whose code in either frame is `code`; nothing for other codes.
constexpr const Body* BodyOfCode(int code) {
    if (code == 0) return nullptr;
    for (const Body& body : kBodyTable)
        if (body.geoCode == code || body.helioCode == code) return &body;
    return nullptr;
}
// The body's place in the table, for the body of a code of either frame; -1 for other codes.
constexpr int BodyIndex(int code) {
    const Body* body = BodyOfCode(code);
    return body != nullptr ? static_cast<int>(body - kBodyTable) : -1;
}
// The names, comma-separated, for messages and help: "Sun, Moon, Mercury, ...".
std::string BodyNameList();

// The twelve signs, Aries first; any index is taken modulo 12.
const char* ZodiacSignName(int index);   // "Aries", ...
const char* ZodiacSignGlyph(int index);  // the symbol, UTF-8
