#include "natal/natal_wheel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace natal {
namespace {

TEST(NatalWheel, PositionsInSignDegreeAndMinute) {
    const struct {
        double longitude;
        const char* text;
    } kCases[] = {
        {0.0, "0\u00B0\u264800'"},     {29.999999, "29\u00B0\u264859'"},
        {30.0, "0\u00B0\u264900'"},    {82.644109, "22\u00B0\u264A38'"},
        {359.99, "29\u00B0\u265359'"}, {-0.5, "29\u00B0\u265330'"},
        {360.0, "0\u00B0\u264800'"},   {126.912564, "6\u00B0\u264C54'"},
    };
    for (const auto& c : kCases) EXPECT_EQ(SignPosition(c.longitude), c.text) << c.longitude;
    EXPECT_EQ(DeclinationText(23.236681), "23\u00B014'N");
    EXPECT_EQ(DeclinationText(-10.4634), "10\u00B027'S");
}

double Gap(double a, double b) {
    double d = std::fabs(std::fmod(a - b + 720.0, 360.0));
    return std::min(d, 360.0 - d);
}

TEST(NatalWheel, CrowdedBodiesAreSpreadInTheirOrder) {
    const struct {
        std::vector<double> longitudes;
        const char* what;
    } kCases[] = {
        {{10, 100, 200}, "far apart: nothing moves"},
        {{10, 11, 12, 13}, "a stellium"},
        {{359, 0.5, 2, 180}, "across 0 Aries"},
        {{5, 5, 5}, "three at one place"},
        {std::vector<double>(60, 42.0), "more than the circle holds"},
    };
    for (const auto& c : kCases) {
        const double gap = 6.0;
        const std::vector<double> placed = SpreadLongitudes(c.longitudes, gap);
        ASSERT_EQ(placed.size(), c.longitudes.size());
        const double wanted = std::min(gap, 360.0 / static_cast<double>(placed.size()));
        for (std::size_t i = 0; i < placed.size(); ++i) {
            EXPECT_GE(placed[i], 0.0);
            EXPECT_LT(placed[i], 360.0);
            for (std::size_t j = i + 1; j < placed.size(); ++j) {
                EXPECT_GE(Gap(placed[i], placed[j]), wanted - 1e-6) << c.what;
            }
            // Nobody goes further than the crowd needs.
            EXPECT_LE(Gap(placed[i], c.longitudes[i]), gap * placed.size()) << c.what;
        }
        if (c.longitudes.size() == 3 && c.longitudes[1] == 100) {
            for (std::size_t i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(placed[i], c.longitudes[i]);
        }
    }
}

TEST(NatalWheel, AGapThatDependsOnThePlaceIsKeptThere) {
    // Wide at the top of the circle (around 90), narrow elsewhere.
    const auto gapAt = [](double longitude) {
        return 4.0 + 8.0 * std::fabs(std::sin(longitude * 3.14159265358979 / 180.0));
    };
    const struct {
        std::vector<double> longitudes;
        const char* what;
    } kCases[] = {
        {{88, 89, 90, 91, 92}, "a crowd where the gap is widest"},
        {{178, 179, 180, 181}, "a crowd where it is narrowest"},
        {{358, 359, 0, 1, 2}, "a crowd across 0"},
        {{10, 100, 200, 300}, "far apart: nothing moves"},
    };
    for (const auto& c : kCases) {
        const std::vector<double> placed = SpreadLongitudes(c.longitudes, gapAt);
        ASSERT_EQ(placed.size(), c.longitudes.size());
        std::vector<double> sorted = placed;
        std::sort(sorted.begin(), sorted.end());
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            const double a = sorted[i], b = sorted[(i + 1) % sorted.size()];
            const double wanted = std::min(gapAt(a), gapAt(b));
            EXPECT_GE(Gap(a, b), 0.97 * wanted) << c.what << ": " << a << " and " << b;
        }
        if (c.longitudes[1] == 100) {
            for (std::size_t i = 0; i < placed.size(); ++i)
                EXPECT_DOUBLE_EQ(placed[i], c.longitudes[i]) << c.what;
        }
    }
    // More than the circle holds: every gap shrinks alike and the order is kept.
    const std::vector<double> many(80, 42.0);
    const std::vector<double> placed = SpreadLongitudes(many, gapAt);
    for (std::size_t i = 0; i < placed.size(); ++i)
        for (std::size_t j = i + 1; j < placed.size(); ++j)
            EXPECT_GT(Gap(placed[i], placed[j]), 0.5);
}

// A device that keeps what is drawn, to ask the drawing what it shows.
class RecordingDevice : public CDrawingDevice {
public:
    void Begin() override {}
    void End() override {}
    void SetPenColor(COLORREF) override {}
    void SetPenWidth(int) override {}
    void SelectFont(std::string_view face, int height, int) override {
        faces.emplace_back(face);
        font = height;
    }
    void Line(int, int, int, int) override { ++lines; }
    void Circle(int, int, int, int) override { ++circles; }
    void Text(int x, int y, std::string_view text) override {
        texts.emplace_back(text);
        // The box the wheel allows the text: its size's 0.62 a character, one size high.
        int characters = 0;
        for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
        boxes.push_back({static_cast<double>(x), -static_cast<double>(y), characters * font * 0.62,
                         static_cast<double>(font)});
    }
    struct Box {
        double x, y, width, height;
        bool Overlaps(const Box& o) const {
            return x < o.x + o.width && o.x < x + width && y < o.y + o.height && o.y < y + height;
        }
    };
    std::vector<Box> boxes;
    int font = 0;
    bool Shows(const std::string& text) const {
        for (const std::string& t : texts)
            if (t.find(text) != std::string::npos) return true;
        return false;
    }
    std::vector<std::string> texts, faces;
    int lines = 0, circles = 0;
};

NatalChart London(bool timeKnown) {
    Horoscope h;
    h.name = "London 1975";
    h.local = {1975, 6, 14, 8, 30, 0};
    h.timeUnknown = !timeKnown;
    h.place = {"London", 51.50853, -0.12574};
    h.zone = "Europe/London";
    NatalChart chart;
    std::string error;
    EXPECT_TRUE(ComputeNatalChart(h, std::nullopt, chart, error)) << error;
    return chart;
}

TEST(NatalWheel, ShowsEveryBodyEverySignAndTheAngles) {
    const NatalChart chart = London(true);
    RecordingDevice device;
    DrawNatalWheel(device, chart, SecondRing{}, WheelOptions{});
    for (const NatalBody& body : NatalBodies()) EXPECT_TRUE(device.Shows(body.glyph)) << body.name;
    for (int sign = 0; sign < 12; ++sign) EXPECT_TRUE(device.Shows(SignGlyph(sign))) << sign;
    EXPECT_TRUE(device.Shows("AC " + SignPosition(chart.houses->ascendant)));
    EXPECT_TRUE(device.Shows("MC " + SignPosition(chart.houses->midheaven)));
    EXPECT_TRUE(device.Shows("17\u00B019'\u211E")) << "Mercury retrograde";
    EXPECT_TRUE(device.Shows("BST, +01:00"));
    for (const std::string& face : device.faces) EXPECT_EQ(face, kWheelFont);
}

TEST(NatalWheel, SecondRingsAndUnknownTimes) {
    const NatalChart chart = London(true);
    const struct {
        RingKind kind;
        const char* label;
    } kRings[] = {{RingKind::Transits, "Transits 2024-06-14 12:00 UTC"},
                  {RingKind::Progressions, "Secondary progressions for 2024-06-14"},
                  {RingKind::SolarArc, "Solar arc directions for 2024-06-14"}};
    for (const auto& r : kRings) {
        SecondRing ring;
        std::string error;
        ASSERT_TRUE(MakeSecondRing(chart, r.kind, 2460476.0, ring, error)) << error;
        EXPECT_FALSE(ring.points.empty());
        RecordingDevice device;
        DrawNatalWheel(device, chart, ring, WheelOptions{});
        EXPECT_TRUE(device.Shows(r.label)) << r.label;
    }
    // Solar arc: every point moves by the same arc, about a degree a year (49 years).
    SecondRing arc;
    std::string error;
    ASSERT_TRUE(MakeSecondRing(chart, RingKind::SolarArc, 2460476.0, arc, error));
    const double moved = Normalize(arc.points[0].longitude - chart.bodies[0].longitude);
    EXPECT_NEAR(moved, 47.5, 2.0);
    for (std::size_t i = 0; i < chart.bodies.size(); ++i) {
        EXPECT_NEAR(Normalize(arc.points[i].longitude - chart.bodies[i].longitude), moved, 1e-9);
    }
    RecordingDevice device;
    DrawNatalWheel(device, London(false), SecondRing{}, WheelOptions{});
    EXPECT_TRUE(device.Shows("no houses"));
    EXPECT_TRUE(device.Shows("time not known"));
}

// Symbols and places of both rings never overlap, however the second ring's points crowd:
// thirty years of transits, progressions and solar arcs to a chart with a crowd of its own
// (Mars, Jupiter and Chiron in Aries under the Midheaven).
TEST(NatalWheel, NoTwoTextsOfTheWheelOverlap) {
    const NatalChart chart = London(true);
    const double top = 100 * kWheelUnitsPerPixel, bottom = 1050 * kWheelUnitsPerPixel;
    for (RingKind kind :
         {RingKind::None, RingKind::Transits, RingKind::Progressions, RingKind::SolarArc}) {
        for (double jd = 2451545.0; jd < 2451545.0 + 365.25 * 30; jd += 61) {
            SecondRing ring;
            std::string error;
            if (kind != RingKind::None) {
                ASSERT_TRUE(MakeSecondRing(chart, kind, jd, ring, error));
            }
            RecordingDevice device;
            DrawNatalWheel(device, chart, ring, WheelOptions{});
            // The wheel's own texts, between the header and the tables.
            std::vector<std::size_t> wheel;
            for (std::size_t i = 0; i < device.boxes.size(); ++i)
                if (device.boxes[i].y > top && device.boxes[i].y < bottom) wheel.push_back(i);
            for (std::size_t a = 0; a < wheel.size(); ++a) {
                for (std::size_t b = a + 1; b < wheel.size(); ++b) {
                    ASSERT_FALSE(device.boxes[wheel[a]].Overlaps(device.boxes[wheel[b]]))
                        << "ring " << static_cast<int>(kind) << " at " << jd << ": '"
                        << device.texts[wheel[a]] << "' and '" << device.texts[wheel[b]] << "'";
                }
            }
            if (kind == RingKind::None) break;
        }
    }
}

TEST(Aspects, TightestWithinOrb) {
    std::vector<ChartPoint> points(2);
    const struct {
        double a, b;
        bool found;
        AspectKind kind;
        double orb;
    } kCases[] = {
        {10, 10, true, AspectKind::Conjunction, 0}, {10, 197, true, AspectKind::Opposition, -7},
        {350, 110, true, AspectKind::Trine, 0},     {0, 97.5, false, AspectKind::Square, 0},
        {0, 62, true, AspectKind::Sextile, 2},      {0, 151, true, AspectKind::Quincunx, 1},
        {0, 44, true, AspectKind::SemiSquare, -1},  {0, 20, false, AspectKind::Conjunction, 0},
    };
    for (const auto& c : kCases) {
        points[0].longitude = c.a;
        points[1].longitude = c.b;
        const std::vector<Aspect> found = FindAspects(points, OrbTable{});
        ASSERT_EQ(found.size(), c.found ? 1u : 0u) << c.a << " " << c.b;
        if (!c.found) continue;
        EXPECT_EQ(found[0].kind, c.kind) << c.a << " " << c.b;
        EXPECT_NEAR(found[0].orb, c.orb, 1e-9) << c.a << " " << c.b;
    }
    OrbTable none;
    none.orb.fill(0);
    points[0].longitude = points[1].longitude = 0;
    EXPECT_TRUE(FindAspects(points, none).empty());
}

TEST(Aspects, OrbTableRoundTripsThroughItsTextAndRefusesDamage) {
    OrbTable changed;
    changed.orb[static_cast<int>(AspectKind::Trine)] = 6.5;
    changed.orb[static_cast<int>(AspectKind::SemiSquare)] = 0;
    changed.orb[static_cast<int>(AspectKind::Quincunx)] = 15;
    const std::string text = OrbTableText(changed);
    EXPECT_EQ(text.substr(0, 40), "conjunction=8;opposition=8;trine=6.5;squ");
    OrbTable read;
    ASSERT_TRUE(ParseOrbTable(text, read)) << text;
    EXPECT_EQ(read.orb, changed.orb);
    // Names in any order; those not named keep their default.
    ASSERT_TRUE(ParseOrbTable("square=3;conjunction=10", read));
    EXPECT_EQ(read.Of(AspectKind::Square), 3);
    EXPECT_EQ(read.Of(AspectKind::Conjunction), 10);
    EXPECT_EQ(read.Of(AspectKind::Trine), OrbTable{}.Of(AspectKind::Trine));
    ASSERT_TRUE(ParseOrbTable("", read));
    EXPECT_EQ(read.orb, OrbTable{}.orb);

    const char* const kDamaged[] = {
        "conjunction=16",  "conjunction=-1",
        "conjunction=nan", "conjunction=",
        "conjunction",     "conjunction=8;conjunction=7",
        "quintile=2",      "trine=7;;square=6",
        "trine=7x",        "=7",
        "trine=1e999",
    };
    for (const char* damaged : kDamaged) {
        OrbTable kept = changed;
        EXPECT_FALSE(ParseOrbTable(damaged, kept)) << damaged;
        EXPECT_EQ(kept.orb, changed.orb) << damaged;
    }
}

}  // namespace
}  // namespace natal
