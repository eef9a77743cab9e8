// Transits to natal points: each reported moment against the angle at that moment, a scan for
// passes the finder missed, a planet turning inside the orb, and the points the finder refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <tuple>

#include "ephemeris/calendar.h"
#include "ephemeris/position_source.h"
#include "events/event_finder.h"
#include "events/event_writers.h"
#include "events/job_aspects.h"

namespace {

using namespace events;

constexpr double kArcSecond = 1.0 / 3600;

double Utc(int year, int month, int day) {
    return JulianDate(month, day, year, 0, 0);
}

double Wrap180(double degrees) {
    degrees = std::fmod(degrees, 360);
    if (degrees > 180) return degrees - 360;
    if (degrees <= -180) return degrees + 360;
    return degrees;
}

FinderOptions Transits(double from, double to, std::vector<NatalPoint> points) {
    FinderOptions options;
    options.startJed = from;
    options.endJed = to;
    options.kinds = KindBit(EventKind::Transit);
    options.heliocentric = false;
    options.angles = AllFixedAngles();
    options.natalPoints = std::move(points);
    options.source = DefaultEventSource();
    return options;
}

// Points at the awkward places: 0 (the wrap), just under 360, and ordinary ones.
const std::vector<NatalPoint> kPoints = {
    {"Sun", 82.8237}, {"Asc", 0.0}, {"MC", 359.99995}, {"Moon", 201.5}};

TEST(Transits, EachMomentMakesItsAngleToASecondOfArc) {
    const FinderOptions options = Transits(Utc(2024, 1, 1), Utc(2025, 1, 1), kPoints);
    const std::vector<SkyEvent> found = FindEvents(options).events;
    ASSERT_GT(found.size(), 500u);
    for (const SkyEvent& event : found) {
        ASSERT_EQ(event.kind, EventKind::Transit);
        double natal = -1;
        for (const NatalPoint& point : kPoints)
            if (point.name == event.natal) natal = point.longitude;
        ASSERT_GE(natal, 0) << event.natal;
        const double at = BodyLongitude(event.jed, event.body1, options.source);
        const double miss = Wrap180(at - natal - event.angle);
        EXPECT_LT(std::fabs(miss), kArcSecond)
            << EventSummary(event) << " at " << FormatUtc(event.jed) << ": off by " << miss * 3600
            << "\"";
        // The pass is read forward from the natal point, and the detail is the body's motion.
        const double before = BodyLongitude(event.jed - 0.01, event.body1, options.source);
        const bool direct = Wrap180(at - before) > 0;
        EXPECT_EQ(event.detail, direct ? EventDetail::Direct : EventDetail::Retrograde)
            << EventSummary(event) << " at " << FormatUtc(event.jed);
    }
}

// A scan of every body against every point, six-hourly (hourly for the Moon), counting the
// passes of every angle; the finder must list exactly those.
TEST(Transits, NoPassIsMissedOrFoundTwice) {
    const double from = Utc(2024, 1, 1), to = Utc(2024, 7, 1);
    const FinderOptions options = Transits(from, to, kPoints);
    using Key = std::tuple<int, std::string, double>;
    std::map<Key, int> found, scanned;
    for (const SkyEvent& event : FindEvents(options).events)
        ++found[{event.body1, event.natal, event.angle}];
    for (int code : GeocentricBodies()) {
        const double step = code == -10 ? 1.0 / 24 : 0.25;
        double previous = BodyLongitude(from, code, options.source);
        for (double jed = from + step; jed < to + step / 2; jed += step) {
            const double now = BodyLongitude(jed, code, options.source);
            for (const NatalPoint& point : kPoints) {
                for (double angle : options.angles) {
                    const double a = Wrap180(previous - point.longitude - angle);
                    const double b = Wrap180(now - point.longitude - angle);
                    // A sign change near zero, not the jump at 180.
                    if ((a < 0) != (b < 0) && std::fabs(a - b) < 90)
                        ++scanned[{code, point.name, angle}];
                }
            }
            previous = now;
        }
    }
    for (const auto& [key, count] : scanned)
        EXPECT_EQ(found[key], count) << BodyName(std::get<0>(key)) << " to natal "
                                     << std::get<1>(key) << " at " << std::get<2>(key);
    for (const auto& [key, count] : found)
        EXPECT_EQ(scanned[key], count) << BodyName(std::get<0>(key)) << " to natal "
                                       << std::get<1>(key) << " at " << std::get<2>(key);
}

// A planet that stations inside the orb passes the point three times: forward, back, forward,
// with its two stations between; a point just outside its loop is passed once.
TEST(Transits, AStationInsideTheOrbMakesThreePasses) {
    const struct {
        const char* what;
        int body;
        double from, to;
        double point;
        int passes;
    } kCases[] = {
        // Mercury turned at 27°13' Aries on 2024-04-01 and at 15°58' on 2024-04-25.
        {"Mercury inside its loop", -1, Utc(2024, 3, 1), Utc(2024, 6, 1), 20.0, 3},
        {"Mercury beyond its loop", -1, Utc(2024, 3, 1), Utc(2024, 6, 1), 28.5, 1},
        // Jupiter turned at 15°34' Taurus on 2023-09-04 and at 5°34' on 2023-12-31.
        {"Jupiter inside its loop", -5, Utc(2023, 5, 1), Utc(2024, 6, 1), 40.0, 3},
        // Saturn turned at 19°25' Pisces on 2024-06-29 and at 12°44' on 2024-11-15.
        {"Saturn inside its loop", -6, Utc(2024, 1, 1), Utc(2025, 6, 1), 346.0, 3},
        {"Saturn before its loop", -6, Utc(2024, 1, 1), Utc(2025, 6, 1), 338.0, 1},
    };
    for (const auto& c : kCases) {
        FinderOptions options = Transits(c.from, c.to, {{"Sun", c.point}});
        options.kinds |= KindBit(EventKind::Station);
        options.angles = {0};
        options.bodies = {c.body};
        const std::vector<SkyEvent> found = FindEvents(options).events;
        std::vector<SkyEvent> passes, stations;
        for (const SkyEvent& event : found)
            (event.kind == EventKind::Transit ? passes : stations).push_back(event);
        ASSERT_EQ(static_cast<int>(passes.size()), c.passes) << c.what;
        if (c.passes != 3) continue;
        ASSERT_EQ(stations.size(), 2u) << c.what;
        EXPECT_EQ(passes[0].detail, EventDetail::Direct) << c.what;
        EXPECT_EQ(passes[1].detail, EventDetail::Retrograde) << c.what;
        EXPECT_EQ(passes[2].detail, EventDetail::Direct) << c.what;
        EXPECT_LT(passes[0].jed, stations[0].jed) << c.what;
        EXPECT_LT(stations[0].jed, passes[1].jed) << c.what;
        EXPECT_LT(passes[1].jed, stations[1].jed) << c.what;
        EXPECT_LT(stations[1].jed, passes[2].jed) << c.what;
    }
}

TEST(Transits, OtherKindsAreUnchangedByNatalPoints) {
    FinderOptions plain = Transits(Utc(2024, 1, 1), Utc(2024, 3, 1), {});
    plain.kinds = kAllKinds;
    plain.heliocentric = true;
    const std::vector<SkyEvent> before = FindEvents(plain).events;
    FinderOptions with = plain;
    with.natalPoints = kPoints;
    std::vector<SkyEvent> after;
    for (const SkyEvent& event : FindEvents(with).events)
        if (event.kind != EventKind::Transit) after.push_back(event);
    EXPECT_EQ(EventsCsv(before), EventsCsv(after));
    for (const SkyEvent& event : before) EXPECT_NE(event.kind, EventKind::Transit);
}

TEST(Transits, BadNatalPointsAreRefusedNamingThem) {
    const struct {
        NatalPoint point;
        const char* expected;
    } kCases[] = {
        {{"Sun", 360.0}, "natal point Sun at longitude 360"},
        {{"Sun", -0.5}, "natal point Sun at longitude -0.5"},
        {{"Sun", std::numeric_limits<double>::quiet_NaN()}, "natal point Sun at longitude"},
        {{"", 10.0}, "natal point name '' is not plain"},
        {{"Sun,Moon", 10.0}, "natal point name 'Sun,Moon' is not plain"},
        {{"Sun\n", 10.0}, "is not plain"},
    };
    for (const auto& c : kCases) {
        const FinderOptions options = Transits(Utc(2024, 1, 1), Utc(2024, 2, 1), {c.point});
        try {
            FindEvents(options);
            ADD_FAILURE() << "accepted " << c.point.name << " at " << c.point.longitude;
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos)
                << error.what();
        }
    }
    FinderOptions many = Transits(Utc(2024, 1, 1), Utc(2024, 2, 1), {});
    many.natalPoints.assign(kMaxNatalPoints + 1, {"Sun", 1.0});
    EXPECT_THROW(FindEvents(many), std::invalid_argument);
}

TEST(Transits, CancelStopsTheSearch) {
    const FinderOptions options = Transits(Utc(2000, 1, 1), Utc(2100, 1, 1), kPoints);
    int asked = 0;
    const FinderResult result = FindEvents(options, [&](double) { return ++asked < 3; });
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(asked, 3);
}

}  // namespace
