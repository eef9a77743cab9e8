#include "prices/body_panes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "prices/ohlc.h"
#include "prices/price_chart.h"
#include "render/trace_device.h"
#ifdef SKY_TESTS_WITH_NATAL
#include "natal/natal_chart.h"
#endif

namespace prices {
namespace {

constexpr double kRad = std::numbers::pi / 180.0;
constexpr double kArcsecond = 1.0 / 3600.0;

// The declination by rotating the ecliptic unit vector about the x axis: a route of its own,
// not the formula under test.
double RotatedDeclination(double longitude, double latitude, double obliquity) {
    const double x = std::cos(latitude * kRad) * std::cos(longitude * kRad);
    const double y = std::cos(latitude * kRad) * std::sin(longitude * kRad);
    const double z = std::sin(latitude * kRad);
    const double e = obliquity * kRad;
    const double zEquatorial = y * std::sin(e) + z * std::cos(e);
    return std::atan2(zEquatorial, std::hypot(x, y * std::cos(e) - z * std::sin(e))) / kRad;
}

double JedOf(int year, int month, int day, int hour, int minute) {
    return JedOfSeconds(static_cast<double>(DaysFromCivil(year, month, day)) * 86400.0 +
                        hour * 3600.0 + minute * 60.0);
}

TEST(Declination, RotatesTheEclipticOntoTheEquator) {
    struct Case {
        double longitude, latitude, obliquity, expected;
        const char* what;
    };
    const Case cases[] = {
        {0, 0, 23.44, 0, "the vernal equinox"},
        {90, 0, 23.44, 23.44, "the summer solstice"},
        {270, 0, 23.44, -23.44, "the winter solstice"},
        {180, 5, 23.44, 5 * std::cos(23.44 * kRad), "latitude at the autumn equinox (approx)"},
        {90, 90, 23.44, 66.56, "the ecliptic pole"},
        {123.4, -7.2, 23.4393, RotatedDeclination(123.4, -7.2, 23.4393), "any place"},
        {301.7, 4.9, 23.4470, RotatedDeclination(301.7, 4.9, 23.4470), "any other"},
    };
    for (const Case& c : cases) {
        const double tolerance = c.what[0] == 'l' ? 0.02 : 1e-9;
        EXPECT_NEAR(DeclinationOf(c.longitude, c.latitude, c.obliquity), c.expected, tolerance)
            << c.what;
    }
}

TEST(Obliquity, MeanObliquityMatchesTheStandardValues) {
    // J2000: 23°26'21.448"; a century later 46.8" less.
    EXPECT_NEAR(MeanObliquity(2451545.0), 23.0 + 26.0 / 60 + 21.448 / 3600, 1e-9);
    EXPECT_NEAR(MeanObliquity(2451545.0 + 36525.0), MeanObliquity(2451545.0) - 46.8157 / 3600,
                0.01 / 3600);
}

TEST(PaneList, NamesAreCheckedOneByOne) {
    struct Case {
        const char* text;
        bool ok;
        std::size_t count;
        const char* named;  // in the error
    };
    const Case cases[] = {
        {"declination", true, 1, ""},
        {"declination,latitude,speed", true, 3, ""},
        {"speed,declination", true, 2, ""},
        {"", false, 0, "''"},
        {"speed,,latitude", false, 0, "''"},
        {"declination,", false, 0, "''"},
        {"Declination", false, 0, "'Declination'"},
        {"speed,speed", false, 0, "'speed'"},
        {"velocity", false, 0, "'velocity'"},
    };
    for (const Case& c : cases) {
        std::vector<PaneKind> panes;
        std::string error;
        EXPECT_EQ(ParsePaneList(c.text, panes, error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(panes.size(), c.count) << c.text;
        } else {
            EXPECT_NE(error.find(c.named), std::string::npos) << c.text << ": " << error;
        }
    }
}

TEST(BodyMotion, SeriesSunDeclinationFollowsItsLongitude) {
    // The Sun has no latitude: its declination is that of its longitude alone.
    for (int month = 1; month <= 12; ++month) {
        const double jed = JedOf(2023, month, 15, 12, 0);
        const BodyMotion sun = ComputeBodyMotion(jed, -3, PositionSource::Series);
        EXPECT_EQ(sun.latitude, 0.0);
        EXPECT_NEAR(sun.declination, RotatedDeclination(sun.longitude, 0.0, MeanObliquity(jed)),
                    1e-9)
            << "month " << month;
        // Close to a degree a day, faster in January.
        EXPECT_GT(sun.speed, 0.95) << month;
        EXPECT_LT(sun.speed, 1.02) << month;
    }
}

TEST(BodyMotion, SpeedChangesSignAtAKnownStation) {
    // Mercury stationed retrograde on 2024-04-01 at 22:14 UT.
    const double station = JedOf(2024, 4, 1, 22, 14);
    struct Case {
        PositionSource source;
        double before, after;  // days from the station where the speed has turned
    };
    std::vector<Case> cases = {{PositionSource::Series, 1.5, 1.5}};
    if (PrecisePositionsAvailable()) cases.push_back({PositionSource::Precise, 0.05, 0.05});
    for (const Case& c : cases) {
        const BodyMotion early = ComputeBodyMotion(station - c.before, -1, c.source);
        const BodyMotion late = ComputeBodyMotion(station + c.after, -1, c.source);
        EXPECT_GT(early.speed, 0.0) << PositionSourceName(c.source);
        EXPECT_LT(late.speed, 0.0) << PositionSourceName(c.source);
        // Heliocentric Mercury never stations.
        EXPECT_GT(ComputeBodyMotion(station, 1, c.source).speed, 1.0);
    }
}

TEST(BodyMotion, PreciseDeclinationAndSpeedAgreeWithOurOwnRoutes) {
    if (!PrecisePositionsAvailable()) GTEST_SKIP() << "no precise source in this build";
    // The library's equatorial declination against ours from its ecliptic place and the true
    // obliquity, and its speed against a central difference of its longitudes.
    const double jeds[] = {JedOf(1987, 3, 4, 5, 6), JedOf(2024, 4, 1, 22, 14),
                           JedOf(2031, 11, 30, 0, 0), JedOf(2150, 7, 1, 12, 0)};
    const int codes[] = {-3, -10, -1, -2, -4, -5, -6, -7, -8, -9, -11, -12};
    for (double jed : jeds) {
        const double obliquity = ObliquityOfDate(jed, PositionSource::Precise);
        EXPECT_NEAR(obliquity, MeanObliquity(jed), 10.0 * kArcsecond);  // nutation at most 9.2"
        for (int code : codes) {
            const BodyMotion motion = ComputeBodyMotion(jed, code, PositionSource::Precise);
            EXPECT_NEAR(motion.declination,
                        RotatedDeclination(motion.longitude, motion.latitude, obliquity),
                        kArcsecond)
                << code << " at " << jed;
            EXPECT_NEAR(motion.longitude, BodyLongitude(jed, code, PositionSource::Precise), 1e-9)
                << code;
            const double h = 0.01;
            double arc = BodyLongitude(jed + h, code, PositionSource::Precise) -
                         BodyLongitude(jed - h, code, PositionSource::Precise);
            if (arc > 180) arc -= 360;
            if (arc < -180) arc += 360;
            EXPECT_NEAR(motion.speed, arc / (2 * h), 1e-4) << code << " at " << jed;
        }
    }
}

TEST(MotionSampler, APanComputesOnlyTheNewColumns) {
    CMotionSampler sampler;
    const double step = 86400.0;
    const BodyMotion* first = sampler.Sample(-4, PositionSource::Series, step, 19000, 100);
    const double mars = first[50].longitude;
    EXPECT_EQ(sampler.Computed(), 100u);
    const BodyMotion* moved = sampler.Sample(-4, PositionSource::Series, step, 19010, 100);
    EXPECT_EQ(sampler.Computed(), 110u);
    EXPECT_EQ(moved[40].longitude, mars);
    // Another step is another grid: everything anew.
    sampler.Sample(-4, PositionSource::Series, step * 2, 9505, 100);
    EXPECT_EQ(sampler.Computed(), 210u);
    // Another body has its own samples.
    sampler.Sample(-5, PositionSource::Series, step * 2, 9505, 100);
    EXPECT_EQ(sampler.Computed(), 310u);
}

TEST(ClippedPolyline, StrokesStayInsideTheBox) {
    CTraceDevice trace;
    trace.Begin();
    CClippedPolyline line(trace, 10, 10, 100, 50, 4);
    line.Line(0, 30, 200, 30);  // across: cut at both sides
    line.Line(20, 0, 20, 5);    // above: nothing
    line.Line(50, 60, 50, 40);  // from below
    for (double x = 0; x <= 120; x += 1) line.Add(x, 30 + (x > 60 ? 100 : 0));
    line.Finish();
    trace.End();
    std::istringstream lines(trace.Trace());
    std::string op;
    int count = 0;
    for (std::string row; std::getline(lines, row);) {
        int x1, y1, x2, y2;
        if (std::sscanf(row.c_str(), "line %d %d %d %d", &x1, &y1, &x2, &y2) != 4) continue;
        ++count;
        // The trace shifts by the page offsets; compare the spans only.
        EXPECT_LE(std::abs(x2 - x1), 90 * 4) << row;
        EXPECT_LE(std::abs(y2 - y1), 40 * 4) << row;
    }
    EXPECT_GE(count, 3);
}

}  // namespace
}  // namespace prices

namespace prices {
namespace {

TEST(MotionSampler, ManyBodiesAtOnceMatchOneByOne) {
    CMotionSampler many, single;
    std::vector<const BodyMotion*> out;
    // Mars twice: one set of samples serves both.
    many.SampleMany({-4, -5, -4}, PositionSource::Series, 86400.0, 19000, 50, out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], out[2]);
    EXPECT_EQ(many.Computed(), 100u);
    many.SampleMany({-4, -5, -4}, PositionSource::Series, 86400.0, 19005, 50, out);
    EXPECT_EQ(many.Computed(), 110u);
    const BodyMotion* mars = single.Sample(-4, PositionSource::Series, 86400.0, 19005, 50);
    for (std::size_t i = 0; i < 50; ++i) {
        EXPECT_EQ(out[0][i].longitude, mars[i].longitude) << i;
        EXPECT_EQ(out[0][i].speed, mars[i].speed) << i;
    }
}

// Enough columns to be shared among threads: every body, geocentric and heliocentric, the
// node and Chiron (which the precise source has only inside its file), and the obliquity come
// out exactly as one body at a time gives them, for both sources, and a pan keeps them.
TEST(MotionSampler, ColumnsSharedAmongThreadsMatchOneByOne) {
    const std::vector<int> codes = {-3, -10, -1, -2, -4, -5, -6, -7, -8, -9, -11, -12, 4, 12};
    std::vector<PositionSource> sources = {PositionSource::Series};
    if (PrecisePositionsAvailable()) sources.push_back(PositionSource::Precise);
    for (const PositionSource source : sources) {
        // 1780..1829 in steps of 30 days: Chiron's file begins inside it.
        const double step = 30 * 86400.0;
        const std::int64_t first = -2000;
        for (const std::int64_t shift : {0, 40}) {
            CMotionSampler many;
            std::vector<const BodyMotion*> out;
            many.SampleMany(codes, source, step, first, 600, out);
            if (shift != 0) many.SampleMany(codes, source, step, first + shift, 600, out);
            const double* obliquity = many.Obliquity(source, step, first + shift, 600);
            ASSERT_EQ(out.size(), codes.size());
            for (std::size_t i = 0; i < 600; i += 7) {
                const double jed =
                    JedOfSeconds(static_cast<double>(first + shift + static_cast<int>(i)) * step);
                for (std::size_t b = 0; b < codes.size(); ++b) {
                    const BodyMotion one = ComputeBodyMotion(jed, codes[b], source);
                    EXPECT_EQ(out[b][i].longitude, one.longitude) << codes[b] << " at " << jed;
                    EXPECT_EQ(out[b][i].latitude, one.latitude) << codes[b] << " at " << jed;
                    EXPECT_EQ(out[b][i].speed, one.speed) << codes[b] << " at " << jed;
                    EXPECT_EQ(out[b][i].declination, one.declination) << codes[b] << " at " << jed;
                }
                EXPECT_EQ(obliquity[i], ObliquityOfDate(jed, source)) << jed;
            }
        }
    }
}

}  // namespace
}  // namespace prices

#ifdef SKY_TESTS_WITH_NATAL
namespace prices {
namespace {

TEST(BodyMotion, PreciseDeclinationAndSpeedAgreeWithTheLibrarysEquatorialPlaces) {
    // A horoscope's bodies come from the library's equatorial call; ours from its ecliptic place
    // turned by the obliquity. To 1" and 0.0001 degrees a day.
    struct Body {
        const char* name;
        int code;
    };
    const Body bodies[] = {{"Sun", -3},     {"Moon", -10},   {"Mercury", -1}, {"Venus", -2},
                           {"Mars", -4},    {"Jupiter", -5}, {"Saturn", -6},  {"Uranus", -7},
                           {"Neptune", -8}, {"Pluto", -9},   {"Chiron", -12}};
    for (double jed : {2446858.7, 2460402.4264, 2463000.0}) {
        std::vector<natal::ChartPoint> points;
        std::string error;
        ASSERT_TRUE(natal::BodiesAt(jed, nullptr, points, nullptr, error)) << error;
        for (const Body& body : bodies) {
            const natal::ChartPoint* point = nullptr;
            for (const natal::ChartPoint& candidate : points) {
                if (candidate.name == body.name) point = &candidate;
            }
            ASSERT_NE(point, nullptr) << body.name;
            const BodyMotion motion = ComputeBodyMotion(jed, body.code, PositionSource::Precise);
            EXPECT_NEAR(motion.declination, point->declination, 1.0 / 3600) << body.name;
            EXPECT_NEAR(motion.speed, point->speed, 1e-4) << body.name;
            EXPECT_NEAR(motion.longitude, point->longitude, 1e-9) << body.name;
        }
    }
}

}  // namespace
}  // namespace prices
#endif
