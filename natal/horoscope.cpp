#include "natal/horoscope.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>

#include "ephemeris/calendar.h"

namespace natal {

namespace {

bool Digits(std::string_view text, std::size_t from, std::size_t count, int& value) {
    if (from + count > text.size()) return false;
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

bool ParseDate(std::string_view text, int& year, int& month, int& day) {
    // YYYY-MM-DD, or -YYYY-MM-DD for years before 1 BCE's year 0 (the Gregorian rule is the
    // same either side of year 0, so the date is checked as written without its sign)
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    const std::optional<caelvane::CivilDate> date = caelvane::ParseIsoDate(text);
    if (!date) return false;
    year = negative ? -date->year : date->year;
    month = date->month;
    day = date->day;
    return true;
}

bool ParseTime(std::string_view text, int& hour, int& minute, int& second) {
    if (text.size() != 5 && text.size() != 8) return false;
    if (!Digits(text, 0, 2, hour) || text[2] != ':' || !Digits(text, 3, 2, minute)) return false;
    second = 0;
    if (text.size() == 8 && (text[5] != ':' || !Digits(text, 6, 2, second))) return false;
    return hour <= 23 && minute <= 59 && second <= 59;
}

std::string FormatDate(const LocalDateTime& local) {
    char text[24];
    std::snprintf(text, sizeof text, "%s%04d-%02d-%02d", local.year < 0 ? "-" : "",
                  std::abs(local.year), local.month, local.day);
    return text;
}

std::string FormatTime(const LocalDateTime& local) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.hour, local.minute, local.second);
    return text;
}

std::optional<std::string> CheckHoroscope(const Horoscope& horoscope) {
    const Place& place = horoscope.place;
    if (!(place.latitude >= -90.0 && place.latitude <= 90.0)) {
        return "latitude " + Number(place.latitude) + " is beyond -90..90";
    }
    if (!(place.longitude >= -180.0 && place.longitude <= 180.0)) {
        return "longitude " + Number(place.longitude) + " is beyond -180..180";
    }
    const LocalDateTime& local = horoscope.local;
    if (!IsValidDate(local.year, local.month, local.day)) {
        char text[64];
        std::snprintf(text, sizeof text, "%d-%02d-%02d", local.year, local.month, local.day);
        return std::string("no such date: ") + text;
    }
    if (local.hour < 0 || local.hour > 23 || local.minute < 0 || local.minute > 59 ||
        local.second < 0 || local.second > 59) {
        return "no such time: " + FormatTime(local);
    }
    if (!ZoneIsKnown(horoscope.zone)) return "unknown time zone '" + horoscope.zone + "'";
    return std::nullopt;
}

}  // namespace natal
