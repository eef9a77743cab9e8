// Reads arbitrary bytes as the profile's orb table. Beyond "no crash, no undefined behaviour":
// a refusal leaves the table as it was; an accepted table holds orbs from 0 to the widest, and
// its text reads back to the same text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "natal/aspects.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    natal::OrbTable orbs;
    orbs.orb.fill(1.25);
    const natal::OrbTable before = orbs;
    if (!natal::ParseOrbTable(text, orbs)) {
        if (orbs.orb != before.orb) std::abort();
        return 0;
    }
    for (double orb : orbs.orb)
        if (!(orb >= 0 && orb <= natal::kMaxOrb)) std::abort();
    const std::string written = natal::OrbTableText(orbs);
    natal::OrbTable again;
    if (!natal::ParseOrbTable(written, again)) std::abort();
    if (natal::OrbTableText(again) != written) std::abort();
    return 0;
}
