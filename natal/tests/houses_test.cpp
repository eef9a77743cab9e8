// House cusps and angles checked against the textbook: the Midheaven, Ascendant and Vertex from
// the right ascension of the meridian and the obliquity (spherical trigonometry), the ARMC
// against the mean sidereal time (Meeus, Astronomical Algorithms, 12.4), Regiomontanus from
// its poles, Placidus by trisecting the semi-arcs, and the systems made of the angles (Equal,
// Whole Sign, Porphyry). This machine has no swetest, so the references are computed here,
// independently of the library.
#include <gtest/gtest.h>

#include <cmath>

#include "ephemeris/swiss/swiss_ephemeris.h"
#include "natal/natal_chart.h"

namespace natal {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kArcSecond = 1.0 / 3600.0;

double Rad(double d) {
    return d * kPi / 180.0;
}
double Deg(double r) {
    return r * 180.0 / kPi;
}

double Difference(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d < -180.0) d += 360.0;
    return d;
}

// The ecliptic point on the circle through the north and south points of a "pole" of height
// `pole` that cuts the equator at right ascension `ra`.
double EclipticOf(double ra, double pole, double eps) {
    return Normalize(
        Deg(std::atan2(std::sin(Rad(ra)), std::cos(Rad(ra)) * std::cos(Rad(eps)) -
                                              std::tan(Rad(pole)) * std::sin(Rad(eps)))));
}

double Midheaven(double armc, double eps) {
    return EclipticOf(armc, 0.0, eps);
}
double Ascendant(double armc, double lat, double eps) {
    return EclipticOf(armc + 90.0, lat, eps);
}
// The western point where the prime vertical meets the ecliptic (the prime vertical is the
// circle through the east and west points whose pole is the colatitude).
double Vertex(double armc, double lat, double eps) {
    const double point = EclipticOf(armc - 90.0, lat >= 0 ? 90.0 - lat : -90.0 - lat, eps);
    const double descendant = Ascendant(armc, lat, eps) + 180.0;
    double d = std::fmod(point - descendant + 540.0, 360.0) - 180.0;
    return std::fabs(d) <= 90.0 ? point : Normalize(point + 180.0);
}

double Regiomontanus(int cusp, double armc, double lat, double eps) {
    // houses 11, 12, 2, 3 at 30, 60, 120, 150 degrees of the equator past the meridian
    const double h = cusp == 11 ? 30 : cusp == 12 ? 60 : cusp == 2 ? 120 : 150;
    const double pole = Deg(std::atan(std::tan(Rad(lat)) * std::sin(Rad(h))));
    return EclipticOf(armc + h, pole, eps);
}

// Placidus: the cusp's point has run 1/3 or 2/3 of its semi-arc from the meridian.
double Placidus(int cusp, double armc, double lat, double eps) {
    double lon = Midheaven(armc, eps) + (cusp == 11 ? 30 : cusp == 12 ? 60 : cusp == 2 ? 120 : 150);
    for (int i = 0; i < 200; ++i) {
        const double dec = Deg(std::asin(std::sin(Rad(eps)) * std::sin(Rad(lon))));
        const double ad = Deg(std::asin(std::tan(Rad(lat)) * std::tan(Rad(dec))));
        double ra = 0;
        if (cusp == 11) ra = armc + (90.0 + ad) / 3.0;
        if (cusp == 12) ra = armc + 2.0 * (90.0 + ad) / 3.0;
        if (cusp == 2) ra = armc + 180.0 - 2.0 * (90.0 - ad) / 3.0;
        if (cusp == 3) ra = armc + 180.0 - (90.0 - ad) / 3.0;
        const double next =
            Normalize(Deg(std::atan2(std::sin(Rad(ra)), std::cos(Rad(ra)) * std::cos(Rad(eps)))));
        if (std::fabs(Difference(next, lon)) < 1e-10) return next;
        lon = next;
    }
    return lon;
}

struct Place {
    const char* what;
    const char* utc;
    double lat, lon;
};

const Place kPlaces[] = {
    {"London 1975-06-14 08:30 BST", "1975-06-14T07:30:00Z", 51.50853, -0.12574},
    {"New York, first trade day", "1792-05-17T16:00:00Z", 40.71427, -74.00597},
    {"Sydney", "2000-01-01T00:00:00Z", -33.86785, 151.20732},
    {"Quito, near the equator", "1990-03-21T12:00:00Z", -0.22985, -78.52495},
    {"Helsinki", "2024-12-21T06:00:00Z", 60.16952, 24.93545},
    {"Reykjavik", "1963-11-22T18:30:00Z", 64.13548, -21.89541},
    {"Ushuaia", "1955-02-01T03:00:00Z", -54.8, -68.3},
};

NatalChart ChartAt(const Place& place, HouseSystem system) {
    std::int64_t utc = 0;
    EXPECT_TRUE(ParseIsoUtc(place.utc, utc)) << place.utc;
    Horoscope horoscope;
    int offset = 0;
    LocalTimeOf(utc, "+00:00", 0, horoscope.local, offset);
    horoscope.zone = "+00:00";
    horoscope.place = {"", place.lat, place.lon};
    horoscope.houses = system;
    NatalChart chart;
    std::string error;
    EXPECT_TRUE(ComputeNatalChart(horoscope, std::nullopt, chart, error)) << error;
    EXPECT_TRUE(chart.houses.has_value()) << place.what;
    return chart;
}

TEST(Houses, ArmcIsTheSiderealTimeOfThePlace) {
    for (const Place& place : kPlaces) {
        const NatalChart chart = ChartAt(place, HouseSystem::Placidus);
        const double jd = chart.jdUt;
        const double t = (jd - 2451545.0) / 36525.0;
        const double gmst = 280.46061837 + 360.98564736629 * (jd - 2451545.0) +
                            0.000387933 * t * t - t * t * t / 38710000.0;
        // The library's is apparent sidereal time: the equation of the equinoxes is below
        // 1.2 seconds of time (0.005 degrees).
        EXPECT_NEAR(Difference(chart.houses->armc, gmst + place.lon), 0.0, 0.006) << place.what;
    }
}

TEST(Houses, AnglesAgreeWithSphericalTrigonometry) {
    for (const Place& place : kPlaces) {
        const NatalChart chart = ChartAt(place, HouseSystem::Placidus);
        const Houses& houses = *chart.houses;
        const double eps = chart.obliquity;
        EXPECT_NEAR(Difference(houses.midheaven, Midheaven(houses.armc, eps)), 0, kArcSecond)
            << place.what;
        EXPECT_NEAR(Difference(houses.ascendant, Ascendant(houses.armc, place.lat, eps)), 0,
                    kArcSecond)
            << place.what;
        EXPECT_NEAR(Difference(houses.vertex, Vertex(houses.armc, place.lat, eps)), 0, kArcSecond)
            << place.what;
        // The Ascendant rises in the east: 0..180 degrees ahead of the Midheaven.
        EXPECT_GT(Difference(houses.ascendant, houses.midheaven), 0) << place.what;
    }
}

TEST(Houses, CuspsAgreeWithTheirDefinitions) {
    for (const Place& place : kPlaces) {
        for (HouseSystem system :
             {HouseSystem::Placidus, HouseSystem::Regiomontanus, HouseSystem::Equal,
              HouseSystem::WholeSign, HouseSystem::Porphyry}) {
            const NatalChart chart = ChartAt(place, system);
            const Houses& h = *chart.houses;
            const double eps = chart.obliquity;
            const double asc = h.ascendant, mc = h.midheaven;
            double expected[12] = {};
            for (int i = 0; i < 12; ++i) {
                switch (system) {
                    case HouseSystem::Equal:
                        expected[i] = asc + 30.0 * i;
                        break;
                    case HouseSystem::WholeSign:
                        expected[i] = 30.0 * SignOf(asc) + 30.0 * i;
                        break;
                    default:
                        break;
                }
            }
            if (system == HouseSystem::Porphyry) {
                const double east = Normalize(asc - mc) / 3.0;   // MC to Asc
                const double west = (180.0 - 3.0 * east) / 3.0;  // Asc to IC
                const double starts[4] = {asc, mc + 180.0, asc + 180.0, mc};
                const double steps[4] = {west, east, west, east};
                for (int q = 0; q < 4; ++q) {
                    for (int k = 0; k < 3; ++k) expected[q * 3 + k] = starts[q] + k * steps[q];
                }
            }
            if (system == HouseSystem::Placidus || system == HouseSystem::Regiomontanus) {
                const auto cusp = [&](int n) {
                    return system == HouseSystem::Placidus
                               ? Placidus(n, h.armc, place.lat, eps)
                               : Regiomontanus(n, h.armc, place.lat, eps);
                };
                expected[0] = asc;
                expected[9] = mc;
                expected[10] = cusp(11);
                expected[11] = cusp(12);
                expected[1] = cusp(2);
                expected[2] = cusp(3);
                for (int i = 3; i < 9; ++i) {
                    if (i != 9) expected[i] = expected[(i + 6) % 12] + 180.0;
                }
            }
            for (int i = 0; i < 12; ++i) {
                EXPECT_NEAR(Difference(h.cusps[i], expected[i]), 0, kArcSecond)
                    << place.what << ", " << InfoOf(system).name << ", cusp " << i + 1;
            }
            EXPECT_FALSE(h.fellBack);
        }
    }
}

// Inside the polar circles some degrees of the ecliptic never rise: Placidus and Koch have no
// cusps there and the chart is drawn in Porphyry, saying so; the other systems stay.
TEST(Houses, PolarLatitudesFallBackToPorphyry) {
    const Place kPolar[] = {
        {"Tromso", "1975-06-14T07:30:00Z", 69.6496, 18.956},
        {"Longyearbyen", "2001-01-01T12:00:00Z", 78.2232, 15.6267},
        {"McMurdo", "1990-07-01T00:00:00Z", -77.846, 166.676},
    };
    for (const Place& place : kPolar) {
        for (HouseSystem system : {HouseSystem::Placidus, HouseSystem::Koch}) {
            const NatalChart chart = ChartAt(place, system);
            const NatalChart porphyry = ChartAt(place, HouseSystem::Porphyry);
            ASSERT_TRUE(chart.houses.has_value());
            EXPECT_TRUE(chart.houses->fellBack) << place.what;
            EXPECT_EQ(chart.houses->system, HouseSystem::Porphyry);
            for (int i = 0; i < 12; ++i) {
                EXPECT_DOUBLE_EQ(chart.houses->cusps[i], porphyry.houses->cusps[i]);
            }
            bool said = false;
            for (const std::string& note : chart.notes)
                said = said || note.find("Porphyry") != std::string::npos;
            EXPECT_TRUE(said) << place.what;
        }
        for (const HouseSystemInfo& info : HouseSystems()) {
            if (info.polarUndefined) continue;
            const NatalChart chart = ChartAt(place, info.system);
            EXPECT_FALSE(chart.houses->fellBack) << place.what << " " << info.name;
        }
    }
}

TEST(Houses, BodiesSitInTheHouseThatHoldsThem) {
    const double cusps[12] = {350, 20, 50, 80, 110, 140, 170, 200, 230, 260, 290, 320};
    const struct {
        double lon;
        int house;
    } kCases[] = {{350, 1}, {359.99, 1}, {0, 1}, {19.99, 1}, {20, 2}, {349.99, 12}, {200, 8}};
    for (const auto& c : kCases) EXPECT_EQ(HouseOf(c.lon, cusps), c.house) << c.lon;
}

TEST(NatalChart, SaysWhenTheDataFilesDoNotCoverIt) {
    if (!swiss::SwissDataFilesPresent()) GTEST_SKIP() << "no data files";
    const struct {
        int year;
        bool analytic;
    } kCases[] = {{1975, false}, {2399, false}, {1500, true}, {2600, true}};
    for (const auto& c : kCases) {
        Horoscope h;
        h.name = "x";
        h.local = {c.year, 6, 14, 8, 30, 0};
        h.zone = "+00:00";
        NatalChart chart;
        std::string error;
        ASSERT_TRUE(ComputeNatalChart(h, std::nullopt, chart, error)) << error;
        bool noted = false;
        for (const std::string& note : chart.notes) {
            noted = noted || note.find("analytic theory") != std::string::npos;
        }
        EXPECT_EQ(noted, c.analytic) << c.year;
    }
}

TEST(Houses, SystemKeysRoundTrip) {
    EXPECT_EQ(HouseSystems().size(), 11u);
    for (const HouseSystemInfo& info : HouseSystems()) {
        EXPECT_EQ(ParseHouseSystem(info.key), info.system);
    }
    EXPECT_EQ(ParseHouseSystem("Whole-Sign"), HouseSystem::WholeSign);
    EXPECT_FALSE(ParseHouseSystem("gauquelin"));
    EXPECT_FALSE(ParseHouseSystem(""));
}

}  // namespace
}  // namespace natal
