#include "prices/clipped_polyline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace prices {
namespace {

constexpr int kUnits = 4;

// Keeps the strokes it is given, in pixels (y down again).
class CStrokes : public CDrawingDevice {
public:
    struct Stroke {
        double x1, y1, x2, y2;
    };
    void Begin() override {}
    void End() override {}
    void SetPenColor(COLORREF) override {}
    void SetPenWidth(int) override {}
    void SelectFont(std::string_view, int, int) override {}
    void Line(int x1, int y1, int x2, int y2) override {
        strokes.push_back(
            {x1 / double(kUnits), -y1 / double(kUnits), x2 / double(kUnits), -y2 / double(kUnits)});
    }
    void Circle(int, int, int, int) override {}
    void Text(int, int, std::string_view) override {}
    std::vector<Stroke> strokes;
};

// The distance from (x, y) to the nearest stroke that spans its x.
double DistanceToStrokes(const std::vector<CStrokes::Stroke>& strokes, double x, double y) {
    double best = std::numeric_limits<double>::infinity();
    for (const CStrokes::Stroke& s : strokes) {
        const double lo = std::min(s.x1, s.x2), hi = std::max(s.x1, s.x2);
        if (x < lo - 1e-9 || x > hi + 1e-9) continue;
        const double y0 = s.x2 == s.x1 ? s.y1 : s.y1 + (s.y2 - s.y1) * (x - s.x1) / (s.x2 - s.x1);
        best = std::min(best, std::fabs(y0 - y));
    }
    return best;
}

TEST(ClippedPolyline, MergedStrokesPassWithinTheToleranceOfEverySample) {
    struct Case {
        const char* name;
        double (*y)(double);
        std::size_t mostStrokes;  // what merging should bring a 1000-column line down to
    };
    const Case cases[] = {
        {"straight", [](double x) { return 100.0 + 0.37 * x; }, 1},
        {"gentle sine", [](double x) { return 250.0 + 80.0 * std::sin(x / 150.0); }, 120},
        {"fast sine", [](double x) { return 250.0 + 40.0 * std::sin(x / 7.0); }, 1000},
        {"steps", [](double x) { return std::floor(x / 100.0) * 20.0 + 10.0; }, 30},
    };
    for (const Case& c : cases) {
        CStrokes device;
        CClippedPolyline line(device, 0, 0, 2000, 1000, kUnits);
        for (int i = 0; i < 1000; ++i) line.Add(i, c.y(i));
        line.Finish();
        EXPECT_LE(device.strokes.size(), c.mostStrokes) << c.name;
        for (int i = 0; i < 1000; ++i) {
            // The tolerance, and the rounding of the ends to surface units.
            EXPECT_LE(DistanceToStrokes(device.strokes, i, c.y(i)), kPolylineTolerance + 0.25)
                << c.name << " at x " << i;
        }
    }
}

TEST(ClippedPolyline, PointsOutOfOrderRepeatedOrNotFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        std::vector<std::pair<double, double>> points;
        std::vector<CStrokes::Stroke> expected;
    };
    const std::vector<Case> cases = {
        {"a repeated point adds nothing",
         {{10, 10}, {20, 20}, {30, 30}, {30, 30}, {40, 40}},
         {{10, 10, 40, 40}}},
        {"a point back at the same column is joined by its own stroke",
         {{10, 10}, {20, 20}, {30, 30}, {30, 90}, {40, 90}},
         {{10, 10, 30, 30}, {30, 30, 30, 90}, {30, 90, 40, 90}}},
        {"a point behind the run's start",
         {{10, 10}, {20, 10}, {30, 10}, {15, 50}, {25, 50}},
         {{10, 10, 30, 10}, {30, 10, 15, 50}, {15, 50, 25, 50}}},
        {"not a number ends the line",
         {{10, 10}, {20, 20}, {25, nan}, {30, 50}, {40, 50}},
         {{10, 10, 20, 20}, {30, 50, 40, 50}}},
        {"infinity ends the line",
         {{10, 10}, {20, 20}, {inf, 30}, {30, 50}, {40, 50}},
         {{10, 10, 20, 20}, {30, 50, 40, 50}}},
        {"a single point draws nothing", {{10, 10}}, {}},
    };
    for (const Case& c : cases) {
        CStrokes device;
        CClippedPolyline line(device, 0, 0, 100, 100, kUnits);
        for (const auto& [x, y] : c.points) line.Add(x, y);
        line.Finish();
        ASSERT_EQ(device.strokes.size(), c.expected.size()) << c.name;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            const CStrokes::Stroke& got = device.strokes[i];
            const CStrokes::Stroke& want = c.expected[i];
            EXPECT_TRUE(got.x1 == want.x1 && got.y1 == want.y1 && got.x2 == want.x2 &&
                        got.y2 == want.y2)
                << c.name << " stroke " << i << ": " << got.x1 << "," << got.y1 << " " << got.x2
                << "," << got.y2;
        }
    }
}

TEST(ClippedPolyline, StrokesAreCutAtTheBox) {
    struct Case {
        const char* name;
        double x1, y1, x2, y2;
        bool drawn;
        CStrokes::Stroke expected;
    };
    const Case cases[] = {
        {"across both sides", 0, 30, 200, 30, true, {10, 30, 100, 30}},
        {"wholly above", 20, 0, 20, 5, false, {}},
        {"from below", 50, 60, 50, 40, true, {50, 50, 50, 40}},
        {"diagonal through a corner", 0, 0, 60, 60, true, {10, 10, 50, 50}},
        {"inside", 20, 20, 30, 40, true, {20, 20, 30, 40}},
    };
    for (const Case& c : cases) {
        CStrokes device;
        CClippedPolyline line(device, 10, 10, 100, 50, kUnits);
        line.Line(c.x1, c.y1, c.x2, c.y2);
        ASSERT_EQ(device.strokes.size(), c.drawn ? 1u : 0u) << c.name;
        if (!c.drawn) continue;
        const CStrokes::Stroke& got = device.strokes[0];
        EXPECT_DOUBLE_EQ(got.x1, c.expected.x1) << c.name;
        EXPECT_DOUBLE_EQ(got.y1, c.expected.y1) << c.name;
        EXPECT_DOUBLE_EQ(got.x2, c.expected.x2) << c.name;
        EXPECT_DOUBLE_EQ(got.y2, c.expected.y2) << c.name;
    }
}

// While the view is dragged, a long steep step between neighbouring columns becomes upright
// strokes covering the rise the raster would fill in each column; everything else is drawn as
// exactly.
TEST(ClippedPolyline, MovingFramesDrawLongSteepStepsUpright) {
    struct Case {
        const char* name;
        double dx;         // pixels between samples
        double (*y)(int);  // of sample i
        bool upright;      // every stroke upright, else the same strokes as an exact frame
    };
    const Case cases[] = {
        {"zigzag across the plot", 1.0, [](int i) { return i % 2 == 0 ? 20.0 : 400.0; }, true},
        {"steep ramp", 1.0, [](int i) { return 10.0 + 9.0 * i; }, true},
        {"gentle slope", 1.0, [](int i) { return 100.0 + 2.9 * i; }, false},
        {"steep over a wide gap", 5.0, [](int i) { return i % 2 == 0 ? 20.0 : 400.0; }, false},
    };
    for (const Case& c : cases) {
        CStrokes exact, moving;
        {
            CClippedPolyline a(exact, 0, 0, 2000, 1000, kUnits);
            CClippedPolyline b(moving, 0, 0, 2000, 1000, kUnits, DrawQuality::Moving);
            for (int i = 0; i < 40; ++i) {
                a.Add(10 + i * c.dx, c.y(i));
                b.Add(10 + i * c.dx, c.y(i));
            }
        }
        if (!c.upright) {
            ASSERT_EQ(moving.strokes.size(), exact.strokes.size()) << c.name;
            for (std::size_t i = 0; i < exact.strokes.size(); ++i) {
                EXPECT_EQ(moving.strokes[i].y2, exact.strokes[i].y2) << c.name << " " << i;
            }
            continue;
        }
        // One stroke a column, from the midpoint of the step before to that of the step after.
        ASSERT_EQ(moving.strokes.size(), 40u) << c.name;
        for (int i = 0; i < 40; ++i) {
            const CStrokes::Stroke& s = moving.strokes[static_cast<std::size_t>(i)];
            EXPECT_EQ(s.x1, s.x2) << c.name << " column " << i;
            EXPECT_EQ(s.x1, 10 + i * c.dx) << c.name << " column " << i;
            double low = c.y(i), high = c.y(i);
            for (int n : {i - 1, i + 1}) {
                if (n < 0 || n >= 40) continue;
                low = std::min(low, (c.y(i) + c.y(n)) / 2),
                high = std::max(high, (c.y(i) + c.y(n)) / 2);
            }
            EXPECT_NEAR(std::min(s.y1, s.y2), low, 0.25) << c.name << " column " << i;
            EXPECT_NEAR(std::max(s.y1, s.y2), high, 0.25) << c.name << " column " << i;
        }
    }
}

}  // namespace
}  // namespace prices
