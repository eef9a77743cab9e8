#include "natal/atlas.h"

#include <geonames.h>

#include <mutex>

namespace natal {

namespace {

// The library loads its table on first use and keeps it; one caller at a time.
std::mutex& AtlasMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string Text(const gchar* text) {
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

bool AtlasAvailable() {
    std::lock_guard<std::mutex> lock(AtlasMutex());
    return geonames_get_n_cities() > 0;
}

std::vector<AtlasPlace> SearchAtlas(std::string_view query, std::size_t limit) {
    std::vector<AtlasPlace> places;
    const std::string text(query);
    if (text.find_first_not_of(" \t") == std::string::npos) return places;
    std::lock_guard<std::mutex> lock(AtlasMutex());
    guint length = 0;
    GError* error = nullptr;
    gint* indices =
        geonames_query_cities_sync(text.c_str(), GEONAMES_QUERY_DEFAULT, &length, nullptr, &error);
    if (error != nullptr) g_error_free(error);
    if (indices == nullptr) return places;
    for (guint i = 0; i < length && places.size() < limit; ++i) {
        GeonamesCity* city = geonames_get_city(indices[i]);
        if (city == nullptr) continue;
        AtlasPlace place;
        place.name = Text(geonames_city_get_name(city));
        place.region = Text(geonames_city_get_state(city));
        place.country = Text(geonames_city_get_country(city));
        place.countryCode = Text(geonames_city_get_country_code(city));
        place.zone = Text(geonames_city_get_timezone(city));
        place.latitude = geonames_city_get_latitude(city);
        place.longitude = geonames_city_get_longitude(city);
        place.population = geonames_city_get_population(city);
        geonames_city_free(city);
        places.push_back(std::move(place));
    }
    g_free(indices);
    return places;
}

}  // namespace natal
