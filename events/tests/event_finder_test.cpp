// The finder against published times, against a brute-force scan of the page positions, and
// at the edges of its ranges.
#include "events/event_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <tuple>

#include "ephemeris/calendar.h"
#include "ephemeris/page_positions.h"
#include "ephemeris/positions.h"
#include "events/eclipses.h"
#include "events/event_writers.h"
#include "events/job_aspects.h"
#include "job/caelvane_doc.h"

namespace {

using namespace events;

constexpr double kMinute = 1.0 / 1440;

double Utc(int year, int month, int day, int hour, int minute, int second = 0) {
    return JulianDate(month, day, year, hour, minute) + second / 86400.0;
}

FinderOptions Year2024(KindSet kinds) {
    FinderOptions options;
    options.startJed = Utc(2024, 1, 1, 0, 0);
    options.endJed = Utc(2025, 1, 1, 0, 0);
    options.kinds = kinds;
    options.angles = AllFixedAngles();
    return options;
}

std::vector<SkyEvent> Only(const std::vector<SkyEvent>& events, EventKind kind,
                           EventDetail detail) {
    std::vector<SkyEvent> out;
    for (const SkyEvent& event : events)
        if (event.kind == kind && event.detail == detail) out.push_back(event);
    return out;
}

// Every published time has one found event of the list within `tolerance` days, and the list
// has no other.
void ExpectTimes(const std::vector<SkyEvent>& found, const std::vector<double>& published,
                 double tolerance, const char* what) {
    ASSERT_EQ(found.size(), published.size()) << what;
    for (std::size_t i = 0; i < found.size(); ++i)
        EXPECT_NEAR(found[i].jed, published[i], tolerance)
            << what << " #" << i << ": found " << FormatUtc(found[i].jed);
}

// New and full Moons of 2024 in UT, from the U.S. Naval Observatory's table of the phases of
// the Moon (aa.usno.navy.mil/data/MoonPhases), to the minute. The classic series carry no delta
// T (69 s in 2024) and a Moon good to about a minute of arc: within five minutes.
std::vector<double> NewMoons2024() {
    return {Utc(2024, 1, 11, 11, 57), Utc(2024, 2, 9, 22, 59),  Utc(2024, 3, 10, 9, 0),
            Utc(2024, 4, 8, 18, 21),  Utc(2024, 5, 8, 3, 22),   Utc(2024, 6, 6, 12, 38),
            Utc(2024, 7, 5, 22, 57),  Utc(2024, 8, 4, 11, 13),  Utc(2024, 9, 3, 1, 55),
            Utc(2024, 10, 2, 18, 49), Utc(2024, 11, 1, 12, 47), Utc(2024, 12, 1, 6, 21),
            Utc(2024, 12, 30, 22, 27)};
}

std::vector<double> FullMoons2024() {
    return {Utc(2024, 1, 25, 17, 54),  Utc(2024, 2, 24, 12, 30),  Utc(2024, 3, 25, 7, 0),
            Utc(2024, 4, 23, 23, 49),  Utc(2024, 5, 23, 13, 53),  Utc(2024, 6, 22, 1, 8),
            Utc(2024, 7, 21, 10, 17),  Utc(2024, 8, 19, 18, 26),  Utc(2024, 9, 18, 2, 34),
            Utc(2024, 10, 17, 11, 26), Utc(2024, 11, 15, 21, 28), Utc(2024, 12, 15, 9, 2)};
}

TEST(EventFinder, LunationsOf2024MatchThePublishedTimes) {
    const auto found = FindEvents(Year2024(KindBit(EventKind::Lunation))).events;
    ExpectTimes(Only(found, EventKind::Lunation, EventDetail::NewMoon), NewMoons2024(), 5 * kMinute,
                "new Moon");
    ExpectTimes(Only(found, EventKind::Lunation, EventDetail::FullMoon), FullMoons2024(),
                5 * kMinute, "full Moon");
    // Quarters in between, each lunation a quarter turn on from the one before.
    ASSERT_EQ(found.size(), 50u);  // 13 new, 12 full, 12 first and 13 last quarters
    for (std::size_t i = 1; i < found.size(); ++i) {
        EXPECT_EQ(std::fmod(found[i - 1].angle + 90, 360), found[i].angle);
        EXPECT_GT(found[i].jed - found[i - 1].jed, 5.5);
        EXPECT_LT(found[i].jed - found[i - 1].jed, 9.0);
    }
}

// Mercury's stations of 2024 (UT) as the published ephemerides list them, to the minute:
// 2024-01-02 03:08 D, Apr 1 22:14 R, Apr 25 12:54 D, Aug 5 04:56 R,
// Aug 28 21:14 D, Nov 26 02:42 R, Dec 15 20:56 D. A station is where the
// longitude is flat, so a longitude error of the series of 0.001 degree moves it by an hour or
// more: the series find them within three hours; each alternates with the next.
std::vector<double> MercuryStations2024() {
    return {Utc(2024, 1, 2, 3, 8),    Utc(2024, 4, 1, 22, 14),  Utc(2024, 4, 25, 12, 54),
            Utc(2024, 8, 5, 4, 56),   Utc(2024, 8, 28, 21, 14), Utc(2024, 11, 26, 2, 42),
            Utc(2024, 12, 15, 20, 56)};
}

TEST(EventFinder, MercuryStationsOf2024MatchThePublishedTimes) {
    FinderOptions options = Year2024(KindBit(EventKind::Station));
    options.bodies = {-1};
    const auto found = FindEvents(options).events;
    const std::vector<double> published = {Utc(2024, 1, 2, 3, 8),    Utc(2024, 4, 1, 22, 14),
                                           Utc(2024, 4, 25, 12, 54), Utc(2024, 8, 5, 4, 56),
                                           Utc(2024, 8, 28, 21, 14), Utc(2024, 11, 26, 2, 42),
                                           Utc(2024, 12, 15, 20, 56)};
    ExpectTimes(found, published, 3.0 / 24, "Mercury station");
    for (std::size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(found[i].detail, i % 2 == 0 ? EventDetail::Direct : EventDetail::Retrograde);
    // At the station the speed is zero to well under a minute: the longitude a minute either
    // side differs from the station's by a hair, on the same side.
    for (const SkyEvent& station : found) {
        const double at = BodyLongitude(station.jed, -1);
        const double before = BodyLongitude(station.jed - 30 * kMinute, -1) - at;
        const double after = BodyLongitude(station.jed + 30 * kMinute, -1) - at;
        EXPECT_EQ(before > 0, after > 0) << FormatUtc(station.jed);
    }
}

// The waxing square of Jupiter and Saturn, exact three times in 2024-25 (geocentric; 2024-08-19,
// 2024-12-24, 2025-06-15) and once heliocentric (2025-01-27); the series agree with the dates
// ephemerides print for them to within hours, the slow pair moving 0.1 degree a day apart.
TEST(EventFinder, JupiterSaturnSquaresBothFrames) {
    FinderOptions options;
    options.startJed = Utc(2024, 1, 1, 0, 0);
    options.endJed = Utc(2026, 1, 1, 0, 0);
    options.kinds = KindBit(EventKind::Aspect);
    options.bodies = {5, -5, 6, -6};
    options.angles = {90};
    const auto found = FindEvents(options).events;
    ASSERT_EQ(found.size(), 4u);
    const std::vector<std::pair<Frame, double>> expected = {
        {Frame::Geocentric, Utc(2024, 8, 19, 12, 0)},
        {Frame::Geocentric, Utc(2024, 12, 24, 12, 0)},
        {Frame::Heliocentric, Utc(2025, 1, 27, 12, 0)},
        {Frame::Geocentric, Utc(2025, 6, 15, 12, 0)}};
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].frame, expected[i].first);
        EXPECT_NEAR(found[i].jed, expected[i].second, 0.6) << FormatUtc(found[i].jed);
        EXPECT_EQ(found[i].body1,
                  found[i].frame == Frame::Geocentric ? -6 : 6);  // Saturn is slower
        const double arc = ArcForward(BodyLongitude(found[i].jed, found[i].body1),
                                      BodyLongitude(found[i].jed, found[i].body2));
        EXPECT_NEAR(arc, 90, 1e-6);
    }
    // The middle square comes while Jupiter is retrograde: the arc shrinks through 90.
    const double before =
        ArcForward(BodyLongitude(found[1].jed - 1, -6), BodyLongitude(found[1].jed - 1, -5));
    EXPECT_GT(before, 90);
}

// With the classic series, new and full Moons with the Moon near enough the ecliptic for its
// distance. In 2024 those are exactly the four eclipses of the year.
TEST(EventFinder, SeriesMarkTheLunationsThatCanBeEclipses) {
    const auto found = FindEvents(Year2024(KindBit(EventKind::Eclipse))).events;
    ASSERT_EQ(found.size(), 4u);
    const std::vector<std::pair<EventDetail, double>> expected = {
        {EventDetail::PossibleLunar, Utc(2024, 3, 25, 7, 0)},
        {EventDetail::PossibleSolar, Utc(2024, 4, 8, 18, 21)},
        {EventDetail::PossibleLunar, Utc(2024, 9, 18, 2, 34)},
        {EventDetail::PossibleSolar, Utc(2024, 10, 2, 18, 49)}};
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].detail, expected[i].first);
        EXPECT_NEAR(found[i].jed, expected[i].second, 5 * kMinute);
    }
}

// Penumbral lunar eclipses with the Moon over 1.1 degrees from the ecliptic, missed by a rule
// of latitude alone (greatest at 1987-04-14 02:19, 2031-06-05 11:44, 2031-10-30 07:45 UT, as
// Swiss Ephemeris finds them), are possible eclipses of the series, at the full Moon.
TEST(EventFinder, SeriesFindPenumbralLunarEclipsesFarFromTheEcliptic) {
    for (const double greatest :
         {Utc(1987, 4, 14, 2, 19), Utc(2031, 6, 5, 11, 44), Utc(2031, 10, 30, 7, 45)}) {
        FinderOptions options;
        options.startJed = greatest - 2;
        options.endJed = greatest + 2;
        options.kinds = KindBit(EventKind::Eclipse);
        const auto found = FindEvents(options).events;
        ASSERT_EQ(found.size(), 1u) << FormatUtc(greatest);
        EXPECT_EQ(found[0].detail, EventDetail::PossibleLunar);
        EXPECT_NEAR(found[0].jed, greatest, 0.05) << FormatUtc(found[0].jed);
    }
}

#if CAELVANE_WITH_SWISSEPH
// Every eclipse Swiss Ephemeris finds in sixty years is a possible eclipse of the series, of the
// same kind, at the same lunation; the series flag few lunations without one.
TEST(EventFinder, SeriesMissNoEclipseOfTheLibrary) {
    FinderOptions options;
    options.startJed = Utc(1980, 1, 1, 0, 0);
    options.endJed = Utc(2040, 1, 1, 0, 0);
    options.kinds = KindBit(EventKind::Eclipse);
    const auto possible = FindEvents(options).events;
    const auto eclipses = PreciseEclipses(options.startJed, options.endJed);
    ASSERT_GT(eclipses.size(), 250u);
    for (const SkyEvent& eclipse : eclipses) {
        const bool solar = eclipse.detail == EventDetail::SolarTotal ||
                           eclipse.detail == EventDetail::SolarAnnular ||
                           eclipse.detail == EventDetail::SolarHybrid ||
                           eclipse.detail == EventDetail::SolarPartial;
        const bool found = std::any_of(possible.begin(), possible.end(), [&](const SkyEvent& e) {
            return std::fabs(e.jed - eclipse.jed) < 0.5 &&
                   e.detail == (solar ? EventDetail::PossibleSolar : EventDetail::PossibleLunar);
        });
        EXPECT_TRUE(found) << DetailName(eclipse.detail) << " " << FormatUtc(eclipse.jed);
    }
    EXPECT_LE(possible.size(), eclipses.size() + 6);
}

// The eclipses of 2024 at their greatest, UT, from NASA's eclipse pages
// (eclipse.gsfc.nasa.gov): penumbral lunar 2024-03-25 07:13, total solar 2024-04-08 18:17:20
// (18:18:29 TD), partial lunar 2024-09-18 02:44, annular solar 2024-10-02 18:45.
TEST(EventFinder, PreciseEclipsesOf2024MatchNasa) {
    const auto found = PreciseEclipses(Utc(2024, 1, 1, 0, 0), Utc(2025, 1, 1, 0, 0));
    ASSERT_EQ(found.size(), 4u);
    const std::vector<std::pair<EventDetail, double>> expected = {
        {EventDetail::SolarTotal, Utc(2024, 4, 8, 18, 17, 20)},
        {EventDetail::SolarAnnular, Utc(2024, 10, 2, 18, 45)},
        {EventDetail::LunarPenumbral, Utc(2024, 3, 25, 7, 13)},
        {EventDetail::LunarPartial, Utc(2024, 9, 18, 2, 44)}};
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].detail, expected[i].first) << i;
        EXPECT_NEAR(found[i].jed, expected[i].second, 1.5 * kMinute) << FormatUtc(found[i].jed);
    }
    // The range is half open and exact at the greatest phase.
    EXPECT_EQ(PreciseEclipses(found[0].jed, found[0].jed + 1).size(), 1u);
    EXPECT_TRUE(PreciseEclipses(found[0].jed - 1, found[0].jed).empty());
}
#endif

// With the precise source everything above holds to the minute: the lunations and Mercury's
// stations against the same published tables (given to the minute), the Jupiter-Saturn squares
// against Swiss Ephemeris's own swetest program (2.10: the arc is 90 at 2024-08-19 21:46 and
// 2024-12-24 21:59 UT), and the eclipses are the four of NASA's list with their types.
TEST(EventFinder, PreciseSourceMatchesPublishedTimesToTheMinute) {
    if (!PrecisePositionsAvailable()) GTEST_SKIP() << "no precise source in this build";
    FinderOptions options = Year2024(kAllKinds);
    options.source = PositionSource::Precise;
    options.geocentric = true;
    options.heliocentric = false;
    options.bodies = {-1, -3, -5, -6, -10};
    options.angles = {90};
    const auto found = FindEvents(options).events;
    const double minute = kMinute + 0.5 / 86400;  // the tables round to the minute
    ExpectTimes(Only(found, EventKind::Lunation, EventDetail::NewMoon), NewMoons2024(), minute,
                "new Moon");
    ExpectTimes(Only(found, EventKind::Lunation, EventDetail::FullMoon), FullMoons2024(), minute,
                "full Moon");
    std::vector<SkyEvent> stations, squares, eclipses;
    for (const SkyEvent& event : found) {
        if (event.kind == EventKind::Station && event.body1 == -1) stations.push_back(event);
        if (event.kind == EventKind::Aspect && event.body1 == -6 && event.body2 == -5)
            squares.push_back(event);
        if (event.kind == EventKind::Eclipse) eclipses.push_back(event);
    }
    ExpectTimes(stations, MercuryStations2024(), minute, "Mercury station");
    ExpectTimes(squares, {Utc(2024, 8, 19, 21, 46), Utc(2024, 12, 24, 21, 59)}, minute,
                "Jupiter-Saturn square");
    ASSERT_EQ(eclipses.size(), 4u);
    EXPECT_EQ(eclipses[0].detail, EventDetail::LunarPenumbral);
    EXPECT_EQ(eclipses[1].detail, EventDetail::SolarTotal);
    EXPECT_EQ(eclipses[2].detail, EventDetail::LunarPartial);
    EXPECT_EQ(eclipses[3].detail, EventDetail::SolarAnnular);
}

// ---- a brute-force scan of the page positions --------------------------------------------

struct Crossing {
    EventKind kind;
    Frame frame;
    int body1, body2;
    double angle;
    int sign;
    double jed;  // the later of the two samples around it
};

double Wrap(double degrees) {
    degrees = std::fmod(degrees, 360);
    if (degrees > 180) degrees -= 360;
    if (degrees <= -180) degrees += 360;
    return degrees;
}

// Every aspect and ingress the page positions show between samples `step` apart: an arc or a
// longitude whose offset from a target changes sign between two samples (and not by wrapping
// round the circle).
std::vector<Crossing> BruteForce(double start, double end, double step,
                                 const std::vector<double>& angles) {
    std::vector<Crossing> out;
    std::vector<PagePositions> pages;
    for (double jed = start; jed <= end + 1e-9; jed += step)
        pages.push_back(ComputePagePositions(jed));
    const auto scan = [&](auto value, double target, auto make) {
        for (std::size_t i = 1; i < pages.size(); ++i) {
            const double a = Wrap(value(pages[i - 1]) - target);
            const double b = Wrap(value(pages[i]) - target);
            if ((a >= 0) != (b >= 0) && std::fabs(a - b) < 90)
                out.push_back(make(pages[i].jed, b > a));
        }
    };
    for (const Frame frame : {Frame::Geocentric, Frame::Heliocentric}) {
        const auto& bodies = frame == Frame::Geocentric ? GeocentricBodies() : HeliocentricBodies();
        for (std::size_t i = 0; i < bodies.size(); ++i) {
            for (std::size_t j = i + 1; j < bodies.size(); ++j) {
                const bool iSlower = OrbitalPeriod(bodies[i]) > OrbitalPeriod(bodies[j]);
                const int slow = iSlower ? bodies[i] : bodies[j];
                const int fast = iSlower ? bodies[j] : bodies[i];
                for (double angle : angles)
                    scan(
                        [&](const PagePositions& p) {
                            return p.Longitude(fast) - p.Longitude(slow);
                        },
                        angle,
                        [&](double jed, bool) {
                            return Crossing{EventKind::Aspect, frame, slow, fast, angle, -1, jed};
                        });
            }
            for (int boundary = 0; boundary < 12; ++boundary)
                scan([&](const PagePositions& p) { return p.Longitude(bodies[i]); },
                     30.0 * boundary,
                     [&](double jed, bool rising) {
                         return Crossing{EventKind::Ingress,
                                         frame,
                                         bodies[i],
                                         0,
                                         -1,
                                         rising ? boundary : (boundary + 11) % 12,
                                         jed};
                     });
        }
    }
    return out;
}

// Mercury retrograde in the spring of 2024, with its close returns over the same degrees: every
// crossing the scan sees at half-hour samples is found once by the finder, within the sample,
// and the finder finds nothing the scan does not see.
TEST(EventFinder, AgreesWithABruteForceScanOfThePagePositions) {
    FinderOptions options;
    options.startJed = Utc(2024, 3, 20, 0, 0);
    options.endJed = Utc(2024, 5, 5, 0, 0);
    options.kinds = KindBit(EventKind::Aspect) | KindBit(EventKind::Ingress);
    options.angles = AllFixedAngles();
    const double step = 1.0 / 48;
    const auto found = FindEvents(options).events;
    const auto scanned = BruteForce(options.startJed, options.endJed, step, options.angles);
    ASSERT_GT(scanned.size(), 500u);

    using Key = std::tuple<EventKind, Frame, int, int, double, int>;
    std::multimap<Key, double> byKey;
    for (const SkyEvent& event : found) {
        const bool aspect = event.kind == EventKind::Aspect;
        byKey.emplace(Key{event.kind, event.frame, event.body1, aspect ? event.body2 : 0,
                          aspect ? event.angle : -1, aspect ? -1 : event.sign},
                      event.jed);
    }
    std::size_t matched = 0;
    for (const Crossing& crossing : scanned) {
        const Key key{crossing.kind,  crossing.frame, crossing.body1,
                      crossing.body2, crossing.angle, crossing.sign};
        auto [first, last] = byKey.equal_range(key);
        auto hit = std::find_if(first, last, [&](const auto& entry) {
            return entry.second > crossing.jed - step - 1e-6 && entry.second <= crossing.jed + 1e-6;
        });
        if (hit == last) {
            ADD_FAILURE() << KindName(crossing.kind) << " " << FrameName(crossing.frame) << " "
                          << BodyName(crossing.body1) << "/" << BodyName(crossing.body2) << " "
                          << crossing.angle << " sign " << crossing.sign << " near "
                          << FormatUtc(crossing.jed) << " not found";
            continue;
        }
        byKey.erase(hit);
        ++matched;
    }
    EXPECT_EQ(matched, scanned.size());
    for (const auto& [key, jed] : byKey)
        ADD_FAILURE() << "found but not scanned: " << KindName(std::get<0>(key)) << " "
                      << BodyName(std::get<2>(key)) << "/" << BodyName(std::get<3>(key)) << " "
                      << std::get<4>(key) << " at " << FormatUtc(jed);
}

// Each event is refined to the crossing itself: the arc at the found time equals the angle to
// far better than the Moon's motion in a second (0.0002 degree).
TEST(EventFinder, CrossingsAreRefinedToUnderASecond) {
    FinderOptions options = Year2024(KindBit(EventKind::Aspect) | KindBit(EventKind::Ingress));
    options.endJed = options.startJed + 40;
    for (const SkyEvent& event : FindEvents(options).events) {
        const double value = event.kind == EventKind::Aspect
                                 ? ArcForward(BodyLongitude(event.jed, event.body1),
                                              BodyLongitude(event.jed, event.body2))
                                 : BodyLongitude(event.jed, event.body1);
        const double target =
            event.kind == EventKind::Aspect
                ? event.angle
                : 30.0 *
                      (event.detail == EventDetail::Forward ? event.sign : (event.sign + 1) % 12);
        EXPECT_LT(std::fabs(Wrap(value - target)), 2e-4) << EventSummary(event);
    }
}

// Split one range at arbitrary moments, and at the very moment of an event: the pieces hold the
// same events at the same times as the whole, none twice, none lost.
TEST(EventFinder, RangeEdgesFindEachEventOnce) {
    FinderOptions whole = Year2024(kAllKinds);
    whole.endJed = whole.startJed + 90;
    const auto all = FindEvents(whole).events;
    ASSERT_GT(all.size(), 500u);
    const SkyEvent& pivot = all[all.size() / 2];
    for (const double split : {whole.startJed + 31.37, pivot.jed, whole.startJed + 45.0}) {
        FinderOptions left = whole, right = whole;
        left.endJed = split;
        right.startJed = split;
        auto pieces = FindEvents(left).events;
        const auto second = FindEvents(right).events;
        pieces.insert(pieces.end(), second.begin(), second.end());
        ASSERT_EQ(pieces.size(), all.size()) << "split at " << FormatUtc(split);
        for (std::size_t i = 0; i < all.size(); ++i) {
            EXPECT_EQ(pieces[i].jed, all[i].jed) << i;
            EXPECT_EQ(EventSummary(pieces[i]), EventSummary(all[i])) << i;
        }
    }
    // An event at the start of a range belongs to it; at the end, to the next one.
    FinderOptions at = whole;
    at.startJed = pivot.jed;
    at.endJed = pivot.jed + 1e-9;
    const auto alone = FindEvents(at).events;
    EXPECT_TRUE(std::any_of(alone.begin(), alone.end(),
                            [&](const SkyEvent& e) { return e.jed == pivot.jed; }));
    at.startJed = pivot.jed - 1;
    at.endJed = pivot.jed;
    const auto before = FindEvents(at).events;
    EXPECT_TRUE(std::none_of(before.begin(), before.end(),
                             [&](const SkyEvent& e) { return e.jed == pivot.jed; }));
}

TEST(EventFinder, EventsComeInTimeOrderAndFollowTheFilters) {
    FinderOptions options = Year2024(kAllKinds);
    options.endJed = options.startJed + 60;
    options.heliocentric = false;
    options.bodies = {-3, -10, -4};
    const auto events = FindEvents(options).events;
    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(std::is_sorted(events.begin(), events.end(), EventBefore));
    for (const SkyEvent& event : events) {
        EXPECT_EQ(event.frame, Frame::Geocentric);
        for (int body : {event.body1, event.body2})
            EXPECT_TRUE(body == 0 || body == -3 || body == -10 || body == -4) << body;
    }
}

TEST(EventFinder, RefusesBadRequestsAndStopsWhenCancelled) {
    FinderOptions options = Year2024(kAllKinds);
    FinderOptions backwards = options;
    std::swap(backwards.startJed, backwards.endJed);
    EXPECT_THROW(FindEvents(backwards), std::invalid_argument);
    FinderOptions tooLong = options;
    tooLong.endJed = tooLong.startJed + kMaxRangeDays + 1;
    EXPECT_THROW(FindEvents(tooLong), std::invalid_argument);
    FinderOptions badAngle = options;
    badAngle.angles = {360};
    EXPECT_THROW(FindEvents(badAngle), std::invalid_argument);

    int calls = 0;
    const auto result = FindEvents(options, [&](double fraction) {
        EXPECT_GE(fraction, 0);
        EXPECT_LE(fraction, 1);
        return ++calls < 2;
    });
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(calls, 2);
}

// Streamed, the search hands on the same events as a whole search, a chunk at a time and in
// time order across the batches, asks to go on many times a chunk (so that a cancel is felt
// at once), and stops when the sink fails.
TEST(EventFinder, StreamsInTimeOrderedBatchesAndStopsWhenAsked) {
    for (const PositionSource source : {PositionSource::Series, PositionSource::Precise}) {
        if (source == PositionSource::Precise && !PrecisePositionsAvailable()) continue;
        FinderOptions options = Year2024(kAllKinds);
        options.endJed = options.startJed + 200;
        options.source = source;
        const auto whole = FindEvents(options).events;
        std::vector<SkyEvent> streamed;
        int batches = 0;
        std::vector<double> fractions;
        const FinderEnd end = StreamEvents(
            options,
            [&](std::vector<SkyEvent>& batch) {
                ++batches;
                EXPECT_FALSE(batch.empty());
                EXPECT_TRUE(std::is_sorted(batch.begin(), batch.end(), EventBefore));
                if (!streamed.empty() && !batch.empty()) {
                    EXPECT_FALSE(EventBefore(batch.front(), streamed.back()));
                }
                streamed.insert(streamed.end(), batch.begin(), batch.end());
                return true;
            },
            [&](double fraction) {
                fractions.push_back(fraction);
                return true;
            });
        EXPECT_EQ(end, FinderEnd::Done);
        EXPECT_GE(batches, 3);
        ASSERT_EQ(streamed.size(), whole.size());
        for (std::size_t i = 0; i < whole.size(); ++i) {
            EXPECT_EQ(streamed[i].jed, whole[i].jed) << i;
            EXPECT_EQ(EventSummary(streamed[i]), EventSummary(whole[i])) << i;
        }
        // Every track of every chunk: far more often than once a chunk.
        EXPECT_GT(fractions.size(), 100u * static_cast<std::size_t>(batches));
        EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
        EXPECT_EQ(fractions.back(), 1.0);

        int calls = 0;
        EXPECT_EQ(StreamEvents(options,
                               [&](std::vector<SkyEvent>&) {
                                   ++calls;
                                   return false;
                               }),
                  FinderEnd::Stopped);
        EXPECT_EQ(calls, 1);
    }
    // Eclipses alone with the precise source: no grid, the library's own search.
    if (PrecisePositionsAvailable()) {
        FinderOptions options = Year2024(KindBit(EventKind::Eclipse));
        options.source = PositionSource::Precise;
        std::size_t count = 0;
        EXPECT_EQ(StreamEvents(options,
                               [&](std::vector<SkyEvent>& batch) {
                                   count += batch.size();
                                   return true;
                               }),
                  FinderEnd::Done);
        EXPECT_EQ(count, 4u);
    }
    FinderOptions many = Year2024(kAllKinds);
    many.angles.assign(kMaxAngles + 1, 90);
    EXPECT_THROW(StreamEvents(many, [](std::vector<SkyEvent>&) { return true; }),
                 std::invalid_argument);
}

// The job's significant aspects: the flags the chart counts (exactly 1) and enabled custom
// angles, folded into the circle.
TEST(JobAspects, SelectedAndCustomAnglesAsTheChartCountsThem) {
    CCaelvaneDoc doc;
    for (int i = 0; i < 20; ++i) doc.m_aspectSelected[i] = 0;
    for (int i = 0; i < 4; ++i) doc.m_customAspectEnabled[i] = 0;
    doc.m_aspectSelected[19] = 1;  // 90
    doc.m_aspectSelected[5] = 1;   // 180
    doc.m_aspectSelected[0] = 2;   // not 1: the chart ignores it
    doc.m_customAspect[0] = 22.5;
    doc.m_customAspectEnabled[0] = 1;
    doc.m_customAspect[1] = 450;  // 90 again
    doc.m_customAspectEnabled[1] = 1;
    doc.m_customAspect[2] = 10;  // not enabled
    EXPECT_EQ(SignificantAngles(doc), (std::vector<double>{22.5, 90, 180}));
    EXPECT_EQ(AllFixedAngles().size(), 20u);
}

TEST(FinderBodies, EachFrameInCodeOrder) {
    EXPECT_EQ(GeocentricBodies(),
              (std::vector<int>{-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12}));
    // The Moon and the node are the Earth's: no heliocentric events of their own.
    EXPECT_EQ(HeliocentricBodies(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 12}));
}

TEST(EventKinds, EveryKindHasANameAndABit) {
    KindSet seen = 0;
    for (const EventKind kind : AllKinds()) {
        const char* name = KindName(kind);
        EXPECT_EQ(ParseKind(name), kind) << name;
        EXPECT_EQ(seen & KindBit(kind), 0u) << name;
        seen |= KindBit(kind);
    }
    EXPECT_EQ(seen, kAllKinds);
    EXPECT_EQ(KindNames(), "aspect, ingress, station, lunation, eclipse, transit");
    EXPECT_FALSE(ParseKind("Aspect"));
    EXPECT_FALSE(ParseKind(""));
}

}  // namespace
