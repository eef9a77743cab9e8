#pragma once
// Where a position is seen from: the Earth's centre (geocentric) or the Sun's (heliocentric).
// The one frame type of the program: the position sources, the event finder, the price lines,
// the charts and the command line all speak it.
#include <cstdint>
#include <optional>
#include <string_view>

enum class Frame : std::uint8_t { Geocentric, Heliocentric };

// "geo" or "helio", the spelling of the command line and of files.
constexpr const char* FrameName(Frame frame) {
    return frame == Frame::Geocentric ? "geo" : "helio";
}

// The inverse of FrameName; nothing for any other text.
constexpr std::optional<Frame> ParseFrame(std::string_view text) {
    if (text == "geo") return Frame::Geocentric;
    if (text == "helio") return Frame::Heliocentric;
    return std::nullopt;
}
