#pragma once
// The atlas: about 24,000 cities of the world with their coordinates and time zones, from the
// geonames library the system ships (its data are built into the library; no network).
#include <string>
#include <string_view>
#include <vector>

namespace natal {

struct AtlasPlace {
    std::string name;     // "London"
    std::string region;   // "England", "Ontario": tells namesakes apart
    std::string country;  // "United Kingdom"
    std::string countryCode;
    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive
    std::string zone;      // IANA name
    unsigned population = 0;
};

// The places whose names match `query` (the library's own matching: whole words from their
// beginnings, any case, most populous first), at most `limit` of them. An empty query finds
// nothing.
std::vector<AtlasPlace> SearchAtlas(std::string_view query, std::size_t limit = 50);

// Whether the atlas holds any place (false when the library came without its data).
bool AtlasAvailable();

}  // namespace natal
