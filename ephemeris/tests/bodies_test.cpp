#include "ephemeris/bodies.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "ephemeris/positions.h"

namespace {

// Everything else finds a body by its code or its name: both must lead to one row, and the
// rows must agree with the codes of positions.h.
TEST(BodyTable, CodesAndNamesLeadToOneRow) {
    std::set<int> codes;
    std::set<std::string> names, columns;
    std::set<int> preciseNumbers;
    for (const Body& body : Bodies()) {
        SCOPED_TRACE(body.name);
        EXPECT_TRUE(names.insert(body.name).second);
        EXPECT_TRUE(columns.insert(body.column).second);
        EXPECT_TRUE(preciseNumbers.insert(body.preciseNumber).second);
        EXPECT_EQ(FindBody(body.name), &body);
        for (const Frame frame : {Frame::Geocentric, Frame::Heliocentric}) {
            const int code = BodyCode(body, frame);
            if (code == 0) continue;
            EXPECT_EQ(code < 0, frame == Frame::Geocentric);
            EXPECT_TRUE(std::abs(code) >= 1 && std::abs(code) <= 12) << code;
            EXPECT_EQ(BodyOfCode(code), &body);
            EXPECT_EQ(BodyIndex(code), &body - kBodyTable);
            EXPECT_TRUE(codes.insert(code).second) << code;
        }
        // Either frame's code names the body's period (the Sun's is the Earth's).
        EXPECT_EQ(OrbitalPeriod(body.geoCode != 0 ? body.geoCode : body.helioCode), body.period);
        EXPECT_GT(body.period, 0);
        // The Moon and the node show their geocentric place on the heliocentric wheel too.
        if (body.earthBound) {
            EXPECT_EQ(body.helioCode, -body.geoCode);
        }
        if (body.stations) {
            EXPECT_NE(body.geoCode, 0);
        }
    }
    EXPECT_EQ(codes.size(), 24u);  // the two wheels of a page, 12 bodies each
}

TEST(BodyTable, LookupsOfWhatIsNoBody) {
    const struct {
        int code;
        double period;
    } cases[] = {{0, 1000000}, {13, 27.321582}, {-13, 27.321582}, {20, 27.321582}, {40, 27.321582},
                 {2000, 1},    {-20, 1000000},  {-100, 1000000},  {14, 1000000}};
    for (const auto& c : cases) {
        EXPECT_EQ(BodyOfCode(c.code), nullptr) << c.code;
        EXPECT_EQ(BodyIndex(c.code), -1) << c.code;
        EXPECT_EQ(OrbitalPeriod(c.code), c.period) << c.code;
    }
    for (const char* name : {"", "sun ", "Sol", "Earth2", "node\n"})
        EXPECT_EQ(FindBody(name), nullptr) << name;
    EXPECT_EQ(FindBody("cHIRON"), FindBody("Chiron"));
}

TEST(BodyTable, NameListForMessages) {
    EXPECT_EQ(BodyNameList(),
              "Sun, Moon, Mercury, Venus, Earth, Mars, Jupiter, Saturn, Uranus, Neptune, Pluto, "
              "Node, Chiron");
}

TEST(Frame, NamesRoundTrip) {
    for (const Frame frame : {Frame::Geocentric, Frame::Heliocentric})
        EXPECT_EQ(ParseFrame(FrameName(frame)), frame);
    EXPECT_EQ(std::string(FrameName(Frame::Geocentric)), "geo");
    EXPECT_EQ(std::string(FrameName(Frame::Heliocentric)), "helio");
    for (const char* text : {"", "Geo", "geocentric", "helio "}) EXPECT_FALSE(ParseFrame(text));
}

}  // namespace
