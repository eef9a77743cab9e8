// The atlas (libgeonames) for the commands that look places up, loaded on their first call:
// with it come GLib, GIO and eight more libraries, most of the loading a process would
// otherwise do at its start (lazy_library.h).
#include <geonames.h>

#include "cli/lazy_library.h"

namespace {

const CLazyLibrary& Library() {
    static const CLazyLibrary library("libgeonames.so.0");
    return library;
}

template <typename Function>
Function* Geonames(const char* name) {
    return Library().Find<Function>(name);
}

}  // namespace

extern "C" {

// Without the library the atlas is empty: its users say it is not available.
gint geonames_get_n_cities(void) {
    static auto* const real = Geonames<decltype(geonames_get_n_cities)>("geonames_get_n_cities");
    return real != nullptr ? real() : 0;
}

gint* geonames_query_cities_sync(const gchar* query, GeonamesQueryFlags flags, guint* length,
                                 GCancellable* cancellable, GError** error) {
    static auto* const real =
        Geonames<decltype(geonames_query_cities_sync)>("geonames_query_cities_sync");
    if (real != nullptr) return real(query, flags, length, cancellable, error);
    *length = 0;
    return nullptr;
}

GeonamesCity* geonames_get_city(gint index) {
    static auto* const real = Geonames<decltype(geonames_get_city)>("geonames_get_city");
    return real != nullptr ? real(index) : nullptr;
}

void geonames_city_free(GeonamesCity* city) {
    static auto* const real = Geonames<decltype(geonames_city_free)>("geonames_city_free");
    if (real != nullptr) real(city);
}

const gchar* geonames_city_get_name(GeonamesCity* city) {
    static auto* const real = Geonames<decltype(geonames_city_get_name)>("geonames_city_get_name");
    return real != nullptr ? real(city) : nullptr;
}

const gchar* geonames_city_get_state(GeonamesCity* city) {
    static auto* const real =
        Geonames<decltype(geonames_city_get_state)>("geonames_city_get_state");
    return real != nullptr ? real(city) : nullptr;
}

const gchar* geonames_city_get_country(GeonamesCity* city) {
    static auto* const real =
        Geonames<decltype(geonames_city_get_country)>("geonames_city_get_country");
    return real != nullptr ? real(city) : nullptr;
}

const gchar* geonames_city_get_country_code(GeonamesCity* city) {
    static auto* const real =
        Geonames<decltype(geonames_city_get_country_code)>("geonames_city_get_country_code");
    return real != nullptr ? real(city) : nullptr;
}

const gchar* geonames_city_get_timezone(GeonamesCity* city) {
    static auto* const real =
        Geonames<decltype(geonames_city_get_timezone)>("geonames_city_get_timezone");
    return real != nullptr ? real(city) : nullptr;
}

gdouble geonames_city_get_latitude(GeonamesCity* city) {
    static auto* const real =
        Geonames<decltype(geonames_city_get_latitude)>("geonames_city_get_latitude");
    return real != nullptr ? real(city) : 0.0;
}

gdouble geonames_city_get_longitude(GeonamesCity* city) {
    static auto* const real =
        Geonames<decltype(geonames_city_get_longitude)>("geonames_city_get_longitude");
    return real != nullptr ? real(city) : 0.0;
}

guint geonames_city_get_population(GeonamesCity* city) {
    static auto* const real =
        Geonames<decltype(geonames_city_get_population)>("geonames_city_get_population");
    return real != nullptr ? real(city) : 0;
}

// What the atlas hands back is GLib's to free; GLib is loaded with the atlas. Where GLib is
// loaded anyway (Qt uses it), these must stay the program's own: exported, they would take the
// place of GLib's for every caller, GLib itself included, while it is being loaded.
__attribute__((visibility("hidden"))) void g_free(gpointer memory) {
    static auto* const real = Geonames<decltype(g_free)>("g_free");
    if (real != nullptr) real(memory);
}

__attribute__((visibility("hidden"))) void g_error_free(GError* error) {
    static auto* const real = Geonames<decltype(g_error_free)>("g_error_free");
    if (real != nullptr) real(error);
}

}  // extern "C"
