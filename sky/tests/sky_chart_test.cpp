#include "sky/sky_chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "prices/ohlc.h"
#include "render/trace_device.h"

namespace sky {
namespace {

TEST(Dial, EveryDialParsesAndNothingElse) {
    for (double dial : Dials()) {
        double parsed = 0;
        EXPECT_TRUE(ParseDial(DialName(dial), parsed)) << dial;
        EXPECT_EQ(parsed, dial);
    }
    EXPECT_EQ(Dials().size(), 8u);
    for (const char* bad : {"", "0", "100", "45.0", "22,5", "360 ", "-90", "nan"}) {
        double parsed = 7;
        EXPECT_FALSE(ParseDial(bad, parsed)) << bad;
        EXPECT_EQ(parsed, 7);
    }
}

TEST(Fold, LongitudesFoldIntoTheDialOnEveryDial) {
    struct Case {
        double longitude, dial, expected;
    };
    const Case cases[] = {
        {0, 360, 0},    {359.5, 360, 359.5}, {360, 360, 0},       {-0.5, 360, 359.5},
        {200, 180, 20}, {180, 180, 0},       {250, 120, 10},      {359, 120, 119},
        {95, 90, 5},    {270, 90, 0},        {-1e-17, 90, 0},     {61, 60, 1},
        {300, 60, 0},   {100, 45, 10},       {359.99, 45, 44.99}, {75, 30, 15},
        {45, 22.5, 0},  {50, 22.5, 5},       {359, 22.5, 21.5},   {22.4999, 22.5, 22.4999},
    };
    for (const Case& c : cases) {
        const double folded = Fold(c.longitude, c.dial);
        EXPECT_NEAR(folded, c.expected, 1e-9) << c.longitude << " on " << c.dial;
        EXPECT_GE(folded, 0.0);
        EXPECT_LT(folded, c.dial);
    }
}

// A line moving `rate` degrees a column from `start`, for `samples` columns.
void Line(double start, double rate, std::size_t samples, std::vector<double>& x,
          std::vector<double>& longitude) {
    x.resize(samples);
    longitude.resize(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        x[i] = static_cast<double>(i);
        longitude[i] = std::fmod(start + rate * static_cast<double>(i) + 3600.0, 360.0);
    }
}

TEST(FoldedPieces, LinesBreakCleanlyAtTheWrapOnEveryDial) {
    for (double dial : Dials()) {
        for (double rate : {0.7, -0.7, 0.05}) {
            std::vector<double> x, longitude;
            Line(10.0, rate, 400, x, longitude);
            std::vector<std::vector<prices::LinePoint>> pieces;
            std::size_t count = 0;
            FoldedPieces(x.data(), longitude.data(), x.size(), dial, pieces, count);
            // One piece per crossing of a multiple of the dial, plus the first.
            const double from = 10.0, to = 10.0 + rate * 399.0;
            const auto wraps = static_cast<std::size_t>(
                std::fabs(std::floor(to / dial) - std::floor(from / dial)));
            EXPECT_EQ(count, wraps + 1) << "dial " << dial << " rate " << rate;
            for (std::size_t p = 0; p < count; ++p) {
                const auto& piece = pieces[p];
                ASSERT_FALSE(piece.empty());
                for (const prices::LinePoint& point : piece) {
                    EXPECT_GE(point.price, 0.0) << dial;
                    EXPECT_LE(point.price, dial) << dial;
                }
                // Within a piece no stroke jumps more than the line moves in a column.
                for (std::size_t i = 1; i < piece.size(); ++i) {
                    EXPECT_LE(std::fabs(piece[i].price - piece[i - 1].price),
                              std::fabs(rate) + 1e-9)
                        << "dial " << dial;
                }
                if (p + 1 < count) {
                    // The piece ends on one edge and the next starts on the other, at one x.
                    const prices::LinePoint end = piece.back(), next = pieces[p + 1].front();
                    EXPECT_DOUBLE_EQ(end.x, next.x);
                    EXPECT_DOUBLE_EQ(end.price, rate > 0 ? dial : 0.0);
                    EXPECT_DOUBLE_EQ(next.price, rate > 0 ? 0.0 : dial);
                }
            }
        }
    }
}

TEST(FoldedPieces, TheCrossingLiesWhereTheLineMeetsTheEdge) {
    // From 88 to 92 degrees in one column on the 90 dial: the wrap halfway across.
    const double x[] = {0.0, 10.0};
    const double longitude[] = {88.0, 92.0};
    std::vector<std::vector<prices::LinePoint>> pieces;
    std::size_t count = 0;
    FoldedPieces(x, longitude, 2, 90.0, pieces, count);
    ASSERT_EQ(count, 2u);
    EXPECT_NEAR(pieces[0].back().x, 5.0, 1e-9);
    EXPECT_NEAR(pieces[1].back().price, 2.0, 1e-9);
}

double Seconds(int year, int month, int day) {
    return static_cast<double>(prices::DaysFromCivil(year, month, day)) * 86400.0;
}

TEST(SkyRange, RangesBeyondTheSourceAreRefusedNamingTheDate) {
    struct Case {
        double from, to;
        PositionSource source;
        const char* named;  // "" when accepted
    };
    std::vector<Case> cases = {
        {Seconds(2020, 1, 1), Seconds(2030, 1, 1), PositionSource::Series, ""},
        {Seconds(2030, 1, 1), Seconds(2020, 1, 1), PositionSource::Series, "2030-01-01"},
        {Seconds(2020, 1, 1), Seconds(2020, 1, 1), PositionSource::Series, "empty"},
        {Seconds(1, 1, 1), Seconds(9999, 12, 31), PositionSource::Series, ""},
        {Seconds(0, 12, 31), Seconds(100, 1, 1), PositionSource::Series, "0000-12-31"},
        {Seconds(2020, 1, 1), 1e300, PositionSource::Series, "covers"},
        {Seconds(2020, 1, 1), std::nan(""), PositionSource::Series, "empty"},
    };
    if (PrecisePositionsAvailable()) {
        cases.push_back({Seconds(1900, 1, 1), Seconds(2100, 1, 1), PositionSource::Precise, ""});
        cases.push_back(
            {Seconds(2900, 1, 1), Seconds(3100, 1, 1), PositionSource::Precise, "3100-01-01"});
    }
    for (const Case& c : cases) {
        const std::string error = CheckSkyRange(c.from, c.to, c.source);
        if (c.named[0] == '\0') {
            EXPECT_EQ(error, "") << c.from;
        } else {
            EXPECT_NE(error.find(c.named), std::string::npos) << error;
        }
    }
}

TEST(Zodiac, LongitudesReadAsSignDegreeAndMinute) {
    struct Case {
        double longitude;
        const char* expected;
    };
    const Case cases[] = {
        {0.0, "0d00' Ari"},      {29.999, "29d60' Ari"}, {123.5, "3d30' Leo"},
        {359.9999, "0d00' Ari"}, {-30.25, "29d45' Aqu"}, {240.0166667, "0d01' Sag"},
    };
    for (const Case& c : cases) {
        if (std::string(c.expected) == "29d60' Ari") {
            // Minutes round up into the next sign, never to 60.
            EXPECT_EQ(FormatZodiac(c.longitude, "d"), "0d00' Tau");
            continue;
        }
        EXPECT_EQ(FormatZodiac(c.longitude, "d"), c.expected) << c.longitude;
    }
}

TEST(SkyReadout, NamesEveryBodyWithItsFoldedValue) {
    SkyChartOptions options;
    options.source = PositionSource::Series;
    options.dial = 90.0;
    options.bodies = {{-5, 0}, {-6, 0}};
    const std::string text = SkyReadout(options, Seconds(2020, 12, 21) + 18 * 3600.0, 12.5);
    EXPECT_NE(text.find("2020-12-21 18:00"), std::string::npos) << text;
    EXPECT_NE(text.find("12.50\xC2\xB0 on the 90\xC2\xB0 dial"), std::string::npos) << text;
    // The great conjunction: both in the first degree of Aquarius.
    EXPECT_NE(text.find("Jupiter 0\xC2\xB0"), std::string::npos) << text;
    EXPECT_NE(text.find("Saturn 0\xC2\xB0"), std::string::npos) << text;
    EXPECT_NE(text.find("Aqu"), std::string::npos) << text;
}

// A small chart on the series (which need no data files), compared with its display list.
TEST(SkyChart, SmallChartMatchesItsGoldenTrace) {
    SkyChartOptions options;
    options.source = PositionSource::Series;
    options.dial = 90.0;
    options.bodies = {{-3, RGB(230, 150, 0)}, {-4, RGB(220, 20, 20)}, {-10, RGB(110, 110, 130)}};
    options.panes = {prices::PaneKind::Declination, prices::PaneKind::Speed};
    options.levels = {{45.0, "HS1", RGB(0, 120, 0)}};
    options.markers = {{Seconds(2024, 4, 1) + 22 * 3600.0 + 14 * 60.0, "Mer R", RGB(190, 0, 120)}};
    options.title = "Sky 2024";
    const prices::ChartWindow window = DialWindow(Seconds(2024, 3, 1), Seconds(2024, 5, 1), 90.0);
    const prices::CChartFrame frame = SkyFrame(360, 300, window, options.panes.size());
    ASSERT_EQ(frame.PaneCount(), 2);
    CTraceDevice trace;
    SkyCache cache;
    trace.Begin();
    DrawSkyChart(trace, options, frame, cache);
    trace.End();
    const std::string path = std::string(SKY_TEST_DATA) + "/small_chart.trace";
    if (std::getenv("SKY_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << trace.Trace();
    }
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file) << path;
    std::stringstream expected;
    expected << file.rdbuf();
    EXPECT_EQ(trace.Trace(), expected.str());
}

}  // namespace
}  // namespace sky
