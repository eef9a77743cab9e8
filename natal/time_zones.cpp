#include "natal/time_zones.h"

#include <date/tz.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <stdexcept>

namespace natal {

namespace {

std::string TwoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string LocalText(const LocalDateTime& local) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.year, local.month,
                  local.day, local.hour, local.minute, local.second);
    return text;
}

// The database is read once, on first use; date's own initialisation is not guarded for a
// first use from two threads at once.
const date::time_zone* FindZone(const std::string& name) {
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    try {
        return date::locate_zone(name);
    } catch (const std::exception&) {
        return nullptr;
    }
}

// The birthplace's local mean time, rounded to the second.
int MeanTimeOffset(double longitude) {
    return static_cast<int>(std::lround(longitude * 240.0));
}

bool IsLmt(const date::sys_info& info) {
    return info.abbrev == "LMT";
}

}  // namespace

const char* ChoiceName(LocalTimeChoice choice) {
    switch (choice) {
        case LocalTimeChoice::Earlier:
            return "earlier";
        case LocalTimeChoice::Later:
            return "later";
        default:
            return "";
    }
}

bool ParseChoice(std::string_view text, LocalTimeChoice& choice) {
    if (text == "earlier") {
        choice = LocalTimeChoice::Earlier;
    } else if (text == "later") {
        choice = LocalTimeChoice::Later;
    } else if (text.empty()) {
        choice = LocalTimeChoice::None;
    } else {
        return false;
    }
    return true;
}

bool ParseFixedOffset(std::string_view text, int& seconds) {
    // [+-]HH:MM or [+-]HH:MM:SS
    if (text.size() != 6 && text.size() != 9) return false;
    if (text[0] != '+' && text[0] != '-') return false;
    const auto digits = [&](std::size_t at, int& value) {
        if (!std::isdigit(static_cast<unsigned char>(text[at])) ||
            !std::isdigit(static_cast<unsigned char>(text[at + 1])))
            return false;
        value = (text[at] - '0') * 10 + (text[at + 1] - '0');
        return true;
    };
    int hours = 0, minutes = 0, secs = 0;
    if (!digits(1, hours) || text[3] != ':' || !digits(4, minutes)) return false;
    if (text.size() == 9 && (text[6] != ':' || !digits(7, secs))) return false;
    if (minutes > 59 || secs > 59) return false;
    const int total = hours * 3600 + minutes * 60 + secs;
    if (total > 15 * 3600) return false;
    seconds = text[0] == '-' ? -total : total;
    return true;
}

std::string FormatOffset(int seconds) {
    const char sign = seconds < 0 ? '-' : '+';
    const int magnitude = std::abs(seconds);
    std::string text =
        std::string(1, sign) + TwoDigits(magnitude / 3600) + ":" + TwoDigits(magnitude / 60 % 60);
    if (magnitude % 60 != 0) text += ":" + TwoDigits(magnitude % 60);
    return text;
}

bool ZoneIsKnown(const std::string& zone) {
    int seconds = 0;
    return ParseFixedOffset(zone, seconds) || FindZone(zone) != nullptr;
}

bool IsValidDate(int year, int month, int day) {
    return year >= -9999 && year <= 9999 && caelvane::IsValidDate(year, month, day);
}

ZoneResolution ResolveLocalTime(const LocalDateTime& local, const std::string& zone,
                                double longitude, LocalTimeChoice choice) {
    ZoneResolution result;
    if (!IsValidDate(local.year, local.month, local.day)) {
        result.error = "no such date: " + LocalText(local).substr(0, 10);
        return result;
    }
    if (local.hour < 0 || local.hour > 23 || local.minute < 0 || local.minute > 59 ||
        local.second < 0 || local.second > 59) {
        result.error = "no such time: " + LocalText(local).substr(11);
        return result;
    }
    const std::int64_t localSeconds = DaysFromCivil(local.year, local.month, local.day) * 86400 +
                                      local.hour * 3600 + local.minute * 60 + local.second;
    int fixed = 0;
    if (ParseFixedOffset(zone, fixed)) {
        result.ok = true;
        result.fixedOffset = true;
        result.offsetSeconds = fixed;
        result.abbreviation = FormatOffset(fixed);
        result.utcSeconds = localSeconds - fixed;
        return result;
    }
    const date::time_zone* found = FindZone(zone);
    if (found == nullptr) {
        result.error = "unknown time zone '" + zone + "'";
        return result;
    }
    const date::local_seconds when{std::chrono::seconds{localSeconds}};
    date::local_info info;
    try {
        info = found->get_info(when);
    } catch (const std::exception& e) {
        result.error = "cannot read time zone '" + zone + "': " + e.what();
        return result;
    }
    const date::sys_info* used = &info.first;
    if (info.result != date::local_info::unique) {
        result.kind = info.result == date::local_info::ambiguous ? LocalTimeKind::Ambiguous
                                                                 : LocalTimeKind::Skipped;
        result.offsetBefore = static_cast<int>(info.first.offset.count());
        result.offsetAfter = static_cast<int>(info.second.offset.count());
        const std::string what = result.kind == LocalTimeKind::Ambiguous
                                     ? "happens twice (clocks were set back)"
                                     : "does not exist (clocks were set forward)";
        if (choice == LocalTimeChoice::None) {
            result.error = "local time " + LocalText(local) + " " + what + " in " + zone +
                           ": choose earlier (" + FormatOffset(result.offsetBefore) +
                           ") or later (" + FormatOffset(result.offsetAfter) + ")";
            return result;
        }
        used = choice == LocalTimeChoice::Earlier ? &info.first : &info.second;
        result.note = "local time " + LocalText(local) + " " + what + "; the " +
                      ChoiceName(choice) + " reading (" + used->abbrev + ", " +
                      FormatOffset(static_cast<int>(used->offset.count())) + ") is used";
    }
    result.ok = true;
    if (IsLmt(*used)) {
        result.localMeanTime = true;
        result.offsetSeconds = MeanTimeOffset(longitude);
        result.abbreviation = "LMT";
        result.note = "before standard time in " + zone + ": local mean time of longitude " +
                      FormatOffset(result.offsetSeconds) + " is used";
    } else {
        result.offsetSeconds = static_cast<int>(used->offset.count());
        result.abbreviation = used->abbrev;
    }
    result.utcSeconds = localSeconds - result.offsetSeconds;
    return result;
}

bool LocalTimeOf(std::int64_t utcSeconds, const std::string& zone, double longitude,
                 LocalDateTime& local, int& offsetSeconds) {
    if (!ParseFixedOffset(zone, offsetSeconds)) {
        const date::time_zone* found = FindZone(zone);
        if (found == nullptr) return false;
        try {
            const date::sys_info info =
                found->get_info(date::sys_seconds{std::chrono::seconds{utcSeconds}});
            offsetSeconds =
                IsLmt(info) ? MeanTimeOffset(longitude) : static_cast<int>(info.offset.count());
        } catch (const std::exception&) {
            return false;
        }
    }
    const std::int64_t localSeconds = utcSeconds + offsetSeconds;
    std::int64_t days = localSeconds / 86400;
    std::int64_t rest = localSeconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    CivilFromDays(days, local.year, local.month, local.day);
    local.hour = static_cast<int>(rest / 3600);
    local.minute = static_cast<int>(rest / 60 % 60);
    local.second = static_cast<int>(rest % 60);
    return true;
}

}  // namespace natal
