#include "prices/price_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "chart/price_poll.h"
#include "ephemeris/calendar.h"
#include "ephemeris/positions.h"
#include "prices/ohlc.h"
#include "prices/price_chart.h"

namespace prices {
namespace {

TEST(PriceLines, LevelsMatchHandComputedPrices) {
    std::vector<double> levels;
    // 100 degrees at 72 units a circle: 20, then every 72 units.
    LevelsInRange(LineDegree(100.0, 0.0, 0.0), 72.0, 0.0, 200.0, levels);
    EXPECT_EQ(levels, (std::vector<double>{20.0, 92.0, 164.0}));
    // A harmonic of 90 and an offset of 10 put it at 200 degrees: 40 + 72 k.
    LevelsInRange(LineDegree(100.0, 90.0, 10.0), 72.0, 100.0, 260.0, levels);
    EXPECT_EQ(levels, (std::vector<double>{112.0, 184.0, 256.0}));
    // 360 units: a degree is a unit; the ends of the range are inside it.
    LevelsInRange(LineDegree(359.0, 180.0, 0.0), 360.0, 179.0, 539.0, levels);
    EXPECT_EQ(levels, (std::vector<double>{179.0, 539.0}));
    // Negative prices are turns below zero.
    LevelsInRange(LineDegree(90.0, 0.0, 0.0), 72.0, -100.0, 0.0, levels);
    EXPECT_EQ(levels, (std::vector<double>{-54.0}));
    // Offsets below zero wrap.
    EXPECT_DOUBLE_EQ(LineDegree(5.0, 0.0, -10.0), 355.0);
    EXPECT_DOUBLE_EQ(LinePrice(355.0, 72.0, 2), 71.0 + 144.0);
    LevelsInRange(10.0, 72.0, 5.0, 1.0, levels);
    EXPECT_TRUE(levels.empty());
}

// The price monitor turns a price into a degree by its own rule: every level of a line must
// come back to the line's degree through it.
TEST(PriceLines, LevelsMapBackToTheBodysDegreeThroughTheMonitorsRule) {
    std::vector<double> levels;
    const double jed = JulianDate(6, 15, 1995, 17, 0);
    for (int code : {-3, -4, -5, -10, 5, 3}) {
        const double longitude = BodyLongitude(jed, code);
        LevelsInRange(LineDegree(longitude, 0.0, 0.0), 72.0, 1.0, 8000.0, levels);
        ASSERT_GT(levels.size(), 100u);
        for (double price : levels) {
            char line[96];
            std::snprintf(line, sizeof line, "6 15 1995 17 0 0 0 0 %.9f\n", price);
            PriceReading reading;
            std::string error;
            ASSERT_TRUE(ParsePriceText(line, reading, error)) << error;
            // The file's nine decimals leave a little over 1e-8 units, i.e. 5e-8 degrees.
            EXPECT_NEAR(reading.degree, longitude, 1e-6) << code << " at " << price;
            EXPECT_NEAR(PriceDegree(price, 72.0), longitude, 1e-9);
        }
    }
    EXPECT_DOUBLE_EQ(PriceDegree(3600.0 + 90.0, 360.0), 90.0);
}

TEST(PriceLines, SettingsAreRefusedWithTheirFault) {
    LineSettings settings;
    settings.bodies = {-4, 5};
    EXPECT_EQ(CheckLineSettings(settings), "");
    settings.unitsPerCircle = 0.0;
    EXPECT_EQ(CheckLineSettings(settings), "units per circle must be a number above 0, not 0");
    settings.unitsPerCircle = -3.0;
    EXPECT_EQ(CheckLineSettings(settings), "units per circle must be a number above 0, not -3");
    settings.unitsPerCircle = 72.0;
    settings.harmonics.clear();
    EXPECT_EQ(CheckLineSettings(settings), "the list of harmonics is empty");
    settings.harmonics.assign(kMaxHarmonics, 1.0);
    EXPECT_EQ(CheckLineSettings(settings), "");
    settings.harmonics.push_back(2.0);
    EXPECT_EQ(CheckLineSettings(settings), "361 harmonics are more than the 360 a chart draws");
    settings.harmonics = {0.0};
    settings.bodies = {77};
    EXPECT_EQ(CheckLineSettings(settings), "77 is no body code");
}

TEST(PriceLines, WrapsEndOnTheBoundaryWithoutAStroke) {
    std::vector<std::vector<LinePoint>> pieces;
    std::size_t count = 0;
    const double x[] = {0, 1, 2, 3};
    const double forward[] = {350, 355, 5, 10};
    TurnPieces(x, forward, 4, 72.0, pieces, count);
    ASSERT_EQ(count, 2u);
    ASSERT_EQ(pieces[0].size(), 3u);
    EXPECT_DOUBLE_EQ(pieces[0][1].price, 71.0);
    EXPECT_DOUBLE_EQ(pieces[0][2].x, 1.5);
    EXPECT_DOUBLE_EQ(pieces[0][2].price, 72.0);
    ASSERT_EQ(pieces[1].size(), 3u);
    EXPECT_DOUBLE_EQ(pieces[1][0].x, 1.5);
    EXPECT_DOUBLE_EQ(pieces[1][0].price, 0.0);
    EXPECT_DOUBLE_EQ(pieces[1][2].price, 2.0);

    // Retrograde back over 0: the piece ends at the bottom, the next starts at the top.
    const double backward[] = {10, 2, 358, 350};
    TurnPieces(x, backward, 4, 72.0, pieces, count);
    ASSERT_EQ(count, 2u);
    EXPECT_DOUBLE_EQ(pieces[0].back().x, 1.5);
    EXPECT_DOUBLE_EQ(pieces[0].back().price, 0.0);
    EXPECT_DOUBLE_EQ(pieces[1].front().x, 1.5);
    EXPECT_DOUBLE_EQ(pieces[1].front().price, 72.0);

    // The Moon, sampled daily for a year: every wrap is a new piece, no piece jumps.
    std::vector<double> xs, degrees;
    const double start = JulianDate(1, 1, 1996, 17, 0);
    for (int day = 0; day < 366; ++day) {
        xs.push_back(day);
        degrees.push_back(BodyLongitude(start + day, -10));
    }
    TurnPieces(xs.data(), degrees.data(), xs.size(), 72.0, pieces, count);
    EXPECT_GE(count, 13u);
    EXPECT_LE(count, 15u);
    for (std::size_t p = 0; p < count; ++p) {
        for (std::size_t i = 0; i < pieces[p].size(); ++i) {
            EXPECT_GE(pieces[p][i].price, 0.0);
            EXPECT_LE(pieces[p][i].price, 72.0);
            if (i > 0) {
                EXPECT_LT(std::fabs(pieces[p][i].price - pieces[p][i - 1].price), 4.0);
            }
        }
        if (p + 1 < count) {
            EXPECT_EQ(pieces[p].back().price, 72.0);
            EXPECT_EQ(pieces[p + 1].front().price, 0.0);
            EXPECT_EQ(pieces[p].back().x, pieces[p + 1].front().x);
        }
    }
}

// Keeps the lines it is given, in surface units.
class CLineList : public CDrawingDevice {
public:
    void Begin() override {}
    void End() override {}
    void SetPenColor(COLORREF) override {}
    void SetPenWidth(int) override {}
    void SelectFont(std::string_view, int, int) override {}
    void Line(int x1, int y1, int x2, int y2) override { lines.emplace_back(x1, y1, x2, y2); }
    void Circle(int, int, int, int) override {}
    void Text(int, int, std::string_view) override {}
    std::vector<std::tuple<int, int, int, int>> lines;
};

TEST(PriceLines, TurnsDrawnFromOneShapeMatchTheirPointsDrawnOneByOne) {
    struct Case {
        const char* name;
        double (*degree)(double column, std::mt19937& random);
        double pixelsPerTurn;  // on average; each window varies it
        DrawQuality quality;
        bool smooth = true;  // merges into far fewer strokes than samples
    };
    const auto noise = [](std::mt19937& random) {
        return std::uniform_real_distribution<double>(-0.5, 0.5)(random);
    };
    static double (*jitter)(std::mt19937&) = noise;
    const Case cases[] = {
        {"slow, several turns in view", [](double c, std::mt19937&) { return 100.0 + 0.05 * c; },
         150.0, DrawQuality::Exact},
        {"forward wraps", [](double c, std::mt19937&) { return std::fmod(7.0 + 1.7 * c, 360.0); },
         200.0, DrawQuality::Exact},
        {"retrograde wraps",
         [](double c, std::mt19937&) { return 359.0 - std::fmod(0.9 * c, 360.0); }, 300.0,
         DrawQuality::Moving},
        {"loops back and forth",
         [](double c, std::mt19937&) {
             return std::fmod(720.0 + 200.0 * std::sin(c / 90.0), 360.0);
         },
         250.0, DrawQuality::Exact},
        {"noisy, moving",
         [](double c, std::mt19937& r) {
             return std::fmod(50.0 + 0.3 * c + 40.0 * jitter(r), 360.0);
         },
         400.0, DrawQuality::Moving, false},
        {"steep steps drawn upright",
         [](double c, std::mt19937& r) { return std::fmod(3.0 * c + 2.0 * jitter(r), 360.0); },
         3000.0, DrawQuality::Moving, false},
        {"flat at whole prices", [](double c, std::mt19937&) { return c < 300 ? 90.0 : 180.0; },
         144.0, DrawQuality::Moving},
    };
    std::mt19937 random(20261208);
    for (const Case& c : cases) {
        std::size_t drawn = 0;
        for (int window = 0; window < 20; ++window) {
            // A window of random prices, size and turn spacing, with columns reaching past both
            // edges and turns past the top and the foot.
            const int width = std::uniform_int_distribution<int>(200, 900)(random);
            const int height = std::uniform_int_distribution<int>(150, 700)(random);
            const double units = window % 3 == 0 ? 72.0 : 360.0 / (1 + window % 7);
            const double turns =
                height / c.pixelsPerTurn * std::uniform_real_distribution<double>(0.6, 1.6)(random);
            ChartWindow w;
            w.priceLow = std::uniform_real_distribution<double>(-500.0, 5000.0)(random);
            if (window % 4 == 0) w.priceLow = std::round(w.priceLow / units) * units;
            w.priceHigh = w.priceLow + turns * units;
            const CChartFrame frame(width, height, w, false);
            std::vector<double> xs, degrees;
            for (double x = frame.Left() - 5.5; x < frame.Right() + 5; x += 1.0) {
                xs.push_back(x);
                degrees.push_back(c.degree(x - frame.Left(), random));
            }
            std::vector<std::vector<LinePoint>> pieces;
            std::size_t count = 0;
            TurnPieces(xs.data(), degrees.data(), xs.size(), units, pieces, count);
            const auto firstTurn = static_cast<std::int64_t>(std::floor(w.priceLow / units)) - 1;
            const auto lastTurn = static_cast<std::int64_t>(std::floor(w.priceHigh / units));
            CLineList byPoints, byShape;
            CClippedPolyline pointLine(byPoints, frame.Left(), frame.Top(), frame.Right(),
                                       frame.Bottom(), 4, c.quality);
            CClippedPolyline shapeLine(byShape, frame.Left(), frame.Top(), frame.Right(),
                                       frame.Bottom(), 4, c.quality);
            std::vector<CTurnShape> shapes(count);
            std::size_t strokes = 0;
            for (std::size_t p = 0; p < count; ++p) {
                ASSERT_TRUE(shapes[p].Build(pieces[p], c.quality,
                                            [&](double price) { return frame.YOfPrice(price); }))
                    << c.name << ", window " << window << ", piece " << p;
                strokes += shapes[p].Strokes();
            }
            for (std::int64_t turn = firstTurn; turn <= lastTurn; ++turn) {
                const double base = static_cast<double>(turn) * units;
                const auto yOf = [&](double price) { return frame.YOfPrice(price + base); };
                for (std::size_t p = 0; p < count; ++p) {
                    for (const LinePoint& point : pieces[p])
                        pointLine.Add(point.x, yOf(point.price));
                    pointLine.Finish();
                    shapes[p].Draw(shapeLine, yOf);
                }
            }
            drawn += byPoints.lines.size();
            EXPECT_EQ(byShape.lines, byPoints.lines) << c.name << ", window " << window;
            // Merging is what makes the shapes worth keeping (a steep line has little to merge).
            if (c.smooth) {
                EXPECT_LT(strokes, xs.size() / 2) << c.name << ", window " << window;
            }
        }
        EXPECT_GT(drawn, 0u) << c.name;
    }
}

TEST(PriceLines, TurnShapeRefusesPointsThatAreNotFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        std::vector<LinePoint> points;
        bool built;
    };
    const Case cases[] = {
        {"finite", {{0, 1}, {1, 2}, {2, 3}}, true},
        {"a single point", {{0, 1}}, true},
        {"no points", {}, true},
        {"NaN price", {{0, 1}, {1, nan}, {2, 3}}, false},
        {"infinite x", {{0, 1}, {inf, 2}}, false},
    };
    for (const Case& c : cases) {
        CTurnShape shape;
        EXPECT_EQ(shape.Build(c.points, DrawQuality::Moving, [](double price) { return -price; }),
                  c.built)
            << c.name;
    }
}

TEST(PriceLines, SamplerComputesOnlyColumnsNewToItsGrid) {
    CLongitudeSampler sampler;
    const double step = 3600.0;
    const std::int64_t first = 800000;  // hours since 1970: 2061
    const double* values = sampler.Sample(-4, PositionSource::Series, step, first, 100);
    EXPECT_EQ(sampler.Computed(), 100u);
    EXPECT_EQ(values[7], BodyLongitude(JedOfSeconds((first + 7) * step), -4));
    values = sampler.Sample(-4, PositionSource::Series, step, first + 30, 100);
    EXPECT_EQ(sampler.Computed(), 130u);
    EXPECT_EQ(values[0], BodyLongitude(JedOfSeconds((first + 30) * step), -4));
    EXPECT_EQ(values[99], BodyLongitude(JedOfSeconds((first + 129) * step), -4));
    // Another body keeps its own; another step starts over.
    sampler.Sample(-5, PositionSource::Series, step, first, 10);
    EXPECT_EQ(sampler.Computed(), 140u);
    sampler.Sample(-4, PositionSource::Series, step * 2, first, 10);
    EXPECT_EQ(sampler.Computed(), 150u);
}

TEST(PriceLines, SamplingManyBodiesGivesWhatEachGivesAlone) {
    struct Case {
        const char* name;
        PositionSource source;
        std::vector<int> codes;
        std::size_t count;  // columns: enough to be shared among cores for the series
    };
    const std::vector<Case> cases = {
        {"series, ten bodies",
         PositionSource::Series,
         {-1, -2, -3, -4, -5, -6, -7, -8, -9, -10},
         1500},
        {"series, a body named twice", PositionSource::Series, {-10, -3, -10}, 300},
        {"precise, ten bodies",
         PositionSource::Precise,
         {-1, -2, -3, -4, -5, -6, -7, -8, -9, -10},
         300},
        {"precise, heliocentric and the node", PositionSource::Precise, {3, 4, -11, 5}, 200},
    };
    const double step = 21600.0;
    const std::int64_t first = 200000;  // quarter days since 1970: 2106
    for (const Case& c : cases) {
        if (c.source == PositionSource::Precise && !PrecisePositionsAvailable()) continue;
        CLongitudeSampler many, alone;
        std::vector<const double*> sampled;
        // Cold, then panned both ways: only the new columns are computed.
        const std::int64_t firsts[] = {first, first + 40, first - 25};
        std::size_t expected = 0;
        std::set<int> distinct(c.codes.begin(), c.codes.end());
        for (std::size_t pan = 0; pan < 3; ++pan) {
            many.SampleMany(c.codes, c.source, step, firsts[pan], c.count, sampled);
            expected += distinct.size() * (pan == 0 ? c.count : pan == 1 ? 40 : 65);
            EXPECT_EQ(many.Computed(), expected) << c.name << ", pan " << pan;
            ASSERT_EQ(sampled.size(), c.codes.size());
            for (std::size_t b = 0; b < c.codes.size(); ++b) {
                const double* own = alone.Sample(c.codes[b], c.source, step, firsts[pan], c.count);
                for (std::size_t i = 0; i < c.count; ++i) {
                    // Bit for bit: the same positions whatever was computed before them.
                    ASSERT_EQ(std::memcmp(&sampled[b][i], &own[i], sizeof(double)), 0)
                        << c.name << ", pan " << pan << ", body " << c.codes[b] << ", column " << i
                        << ": " << sampled[b][i] << " against " << own[i];
                }
            }
        }
    }
}

TEST(PriceLines, LineDegreeIsTheRemainderOfTheSumBy360) {
    const auto reference = [](double longitude, double harmonic, double offset) {
        double degree = std::fmod(longitude + harmonic + offset, 360.0);
        if (degree < 0.0) degree += 360.0;
        if (degree >= 360.0) degree = 0.0;
        return degree;
    };
    const double below360 = std::nextafter(360.0, 0.0), below720 = std::nextafter(720.0, 0.0);
    const double cases[][3] = {
        {0.0, 0.0, 0.0},       {-0.0, 0.0, 0.0},
        {359.5, 0.0, 0.0},     {below360, 0.0, 0.0},
        {360.0, 0.0, 0.0},     {359.9, 270.0, 90.0},
        {below720, 0.0, 0.0},  {720.0, 0.0, 0.0},
        {100.0, 360.0, 359.0}, {10.0, -20.0, 0.0},
        {-1e-18, 0.0, 0.0},    {1e-300, 0.0, 0.0},
        {123.4, 0.0, -400.0},  {1e9 + 0.25, 0.0, 0.0},
        {0.1, 0.2, 359.7},     {359.99999999999994, 0.0, 360.0},
        {5.0, 90.0, -3600.5},
    };
    for (const auto& c : cases) {
        const double got = LineDegree(c[0], c[1], c[2]), want = reference(c[0], c[1], c[2]);
        EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0)
            << c[0] << " + " << c[1] << " + " << c[2] << ": " << got << " against " << want;
        EXPECT_GE(got, 0.0);
        EXPECT_LT(got, 360.0);
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<double> longitude(0.0, 360.0), harmonic(0.0, 360.0),
        offset(-30.0, 30.0);
    for (int i = 0; i < 100000; ++i) {
        const double l = longitude(random), h = harmonic(random), o = offset(random);
        const double got = LineDegree(l, h, o), want = reference(l, h, o);
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << l << " + " << h << " + " << o;
    }
    EXPECT_TRUE(std::isnan(LineDegree(std::nan(""), 0.0, 0.0)));
}

}  // namespace
}  // namespace prices
