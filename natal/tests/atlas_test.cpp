#include "natal/atlas.h"

#include <gtest/gtest.h>

namespace natal {
namespace {

TEST(Atlas, FindsCitiesWithRegionCountryAndZone) {
    ASSERT_TRUE(AtlasAvailable());
    const struct {
        const char* query;
        const char* name;
        const char* region;
        const char* country;
        const char* zone;
        double lat, lon;
    } kCases[] = {
        {"London", "London", "England", "United Kingdom", "Europe/London", 51.51, -0.13},
        {"london", "London", "Ontario", "Canada", "America/Toronto", 42.98, -81.23},
        {"Mumbai", "Mumbai", "Maharashtra", "India", "Asia/Kolkata", 19.07, 72.88},
        {"Sydney", "Sydney", "New South Wales", "Australia", "Australia/Sydney", -33.87, 151.21},
    };
    for (const auto& c : kCases) {
        const std::vector<AtlasPlace> places = SearchAtlas(c.query);
        bool found = false;
        for (const AtlasPlace& place : places) {
            if (place.name != c.name || place.region != c.region) continue;
            found = true;
            EXPECT_EQ(place.country, c.country);
            EXPECT_EQ(place.zone, c.zone);
            EXPECT_NEAR(place.latitude, c.lat, 0.05) << c.query;
            EXPECT_NEAR(place.longitude, c.lon, 0.05) << c.query;
        }
        EXPECT_TRUE(found) << c.query << " in " << c.region;
    }
}

TEST(Atlas, NothingForEmptyOrUnknownNames) {
    EXPECT_TRUE(SearchAtlas("").empty());
    EXPECT_TRUE(SearchAtlas("   ").empty());
    EXPECT_TRUE(SearchAtlas("Qxzqxzqxz").empty());
    EXPECT_LE(SearchAtlas("a", 7).size(), 7u);
}

}  // namespace
}  // namespace natal
