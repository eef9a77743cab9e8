#pragma once
#include <optional>
#include <string>
#include <string_view>

// How the chart page is drawn: the classic page, exactly as it always was, or the modern one
// (astrological symbols, positions to the minute, nothing overlapping). The program's choice,
// never the job's: a job file looks the same whichever style shows it.
enum class PageStyle { Classic, Modern };

inline constexpr PageStyle kDefaultPageStyle = PageStyle::Classic;

inline const char* PageStyleName(PageStyle style) {
    return style == PageStyle::Modern ? "modern" : "classic";
}

// "classic" or "modern"; anything else is refused with the reason in `error`.
inline std::optional<PageStyle> ReadPageStyle(std::string_view text, std::string& error) {
    if (text == "classic") return PageStyle::Classic;
    if (text == "modern") return PageStyle::Modern;
    error = "unknown page style \"" + std::string(text) + "\" (classic or modern)";
    return std::nullopt;
}
