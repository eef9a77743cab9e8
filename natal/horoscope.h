#pragma once
// A horoscope as a user enters it: a name, the local date and time of birth (or of a first
// trade, an incorporation), the place and its time zone. What is computed from it lives in
// NatalChart.
#include <optional>
#include <string>

#include "natal/house_systems.h"
#include "natal/time_zones.h"

namespace natal {

struct Place {
    std::string name;      // free text, may be empty
    double latitude = 0;   // degrees, north positive, -90..90
    double longitude = 0;  // degrees, east positive, -180..180
};

struct Horoscope {
    std::string name;
    LocalDateTime local;       // proleptic Gregorian, wall-clock time in `zone`
    bool timeUnknown = false;  // then the chart stands at local noon and has no houses
    Place place;
    std::string zone = "UTC";  // IANA name or a fixed offset "+05:30"
    LocalTimeChoice choice = LocalTimeChoice::None;
    HouseSystem houses = HouseSystem::Placidus;
};

// What is wrong with the entries, naming the value (a latitude beyond 90, an unknown zone, a
// date that does not exist), or nothing. The instant itself is checked by ResolveLocalTime.
std::optional<std::string> CheckHoroscope(const Horoscope& horoscope);

// "YYYY-MM-DD" and "HH:MM" / "HH:MM:SS" as typed; false for anything else.
bool ParseDate(std::string_view text, int& year, int& month, int& day);
bool ParseTime(std::string_view text, int& hour, int& minute, int& second);
std::string FormatDate(const LocalDateTime& local);
std::string FormatTime(const LocalDateTime& local);  // "HH:MM:SS"

}  // namespace natal
