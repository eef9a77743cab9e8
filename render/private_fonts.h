#pragma once
// The fonts a page is drawn with, and only those, for programs that draw pages without a
// desktop: Liberation Sans (what "Arial" means here) and DejaVu Sans (the glyphs the others
// lack). Fontconfig then reads two folders' caches instead of the whole system's configuration
// and fonts, a good part of the cost of a process that draws one page.
#include <string>
#include <vector>

#include "render/page_fonts.h"

// The configuration (fontconfig's XML) for the given font files: their folders with the
// system's caches, only those files accepted, "Arial" and the generic families bound to them,
// and the rendering settings of Debian's defaults (slight hinting, antialiasing, the default
// LCD filter, no hinting of DejaVu Sans below 7.5 pixels), so that pages look as they do under
// the system's configuration.
std::string PrivateFontConfigXml(const std::vector<std::string>& fontFiles);

// Makes the private configuration fontconfig's current one, before anything (Qt) starts it.
// Does nothing when FONTCONFIG_FILE is set (the user chose a configuration), when
// CAELVANE_SYSTEM_FONTS=1, or when the fonts are missing. Returns whether it took effect.
bool UsePrivateFontConfig();
