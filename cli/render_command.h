#pragma once
// caelvane-cli render: its argument parsing and the names it gives jobs and files.
#include <optional>
#include <string>
#include <vector>

#include "chart/page_style.h"
#include "ephemeris/position_source.h"
#include "platform/host_services.h"

namespace cli {

enum class Format { Pdf, Png, Svg, Trace };

struct RenderOptions {
    std::string jobPath;
    std::optional<int> page;
    bool all = false;
    // After parsing: always set (from --format, else the extension of -o, else PDF).
    std::optional<Format> format;
    // After parsing: always set ("-" for standard output).
    std::string output;
    std::optional<caelvane::LocalDate> today;
    std::optional<std::string> title;
    std::optional<std::string> priceFile;
    std::optional<int> dpi;
    std::optional<PositionSource> positions;  // --positions; the series when not given
    std::optional<PageStyle> style;           // --style; classic when not given
};

// The usage error the arguments make, if any; otherwise `options` is complete.
std::optional<std::string> ParseRenderArguments(const std::vector<std::string>& args,
                                                RenderOptions& options);

// YYYY-MM-DD, a real day of the Gregorian calendar from year 1 to 9999.
bool ParseLocalDate(const std::string& text, caelvane::LocalDate& date);

std::string BaseName(const std::string& path);
// The name without its last extension; a name that starts with its only dot keeps it.
std::string StemOf(const std::string& name);
// The format named by an output file's extension, if any.
std::optional<Format> FormatOfPath(const std::string& path);

// The title the desktop program gives a job it opens: the name of the file the path leads to
// (links followed), as single-byte Latin-1 text. File names are UTF-8; a character beyond
// Latin-1 becomes one '?' per UTF-16 unit, and a byte that is no part of a valid sequence one '?'.
std::string DesktopTitle(const std::string& path);

// The file of page `page` (1-based) of `pageCount` under --all: "year.png", page 7 of 366 ->
// "year-007.png"; at least three digits, as many as the page count has.
std::string NumberedPath(const std::string& path, int page, int pageCount);

}  // namespace cli
