#pragma once
// The bodies' names as users type them, and the body codes they stand for in each frame.
#include <optional>
#include <span>
#include <string_view>

enum class Frame { Geocentric, Heliocentric };

// "geo" or "helio", the spelling of the command line and of files.
const char* FrameName(Frame frame);
std::optional<Frame> ParseFrame(std::string_view text);

struct BodyName {
    const char* name;   // "Sun", "Moon", "Mercury", ...
    int geoCode;        // 0: the body has no longitude seen from the Earth (the Earth itself)
    int helioCode;      // 0: none seen from the Sun (the Sun itself)
    const char* glyph;  // the astrological symbol, UTF-8 (DejaVu Sans draws them all)
};

// Sun, Moon, Mercury, Venus, Earth, Mars, Jupiter, Saturn, Uranus, Neptune, Pluto, Node, Chiron,
// in that order. The Moon and the Node are the Earth's in both frames.
std::span<const BodyName> BodyNames();

// The entry named `name`, in any case; nothing for an unknown name.
const BodyName* FindBody(std::string_view name);
// The body's code in `frame`, 0 when it has none there.
int BodyCode(const BodyName& body, Frame frame);
// The entry whose code in either frame is `code`; nothing for other codes.
const BodyName* BodyOfCode(int code);

// The twelve signs, Aries first; any index is taken modulo 12.
const char* ZodiacSignName(int index);   // "Aries", ...
const char* ZodiacSignGlyph(int index);  // the symbol, UTF-8
