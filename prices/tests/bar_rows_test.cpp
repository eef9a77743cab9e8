// Rows and dates of bar files at the places a slip gives a plausible but wrong reading, and the
// degree of a price line where the offset meets the wrap of the circle.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ephemeris/calendar.h"
#include "prices/ohlc_reader.h"
#include "prices/price_lines.h"

namespace {

TEST(BarRows, DatesFollowTheWholeGregorianRule) {
    struct Case {
        const char* text;
        bool valid;
    };
    const Case cases[] = {
        {"2000-02-29", true},  {"1900-02-29", false}, {"2024-02-29", true},  {"2023-02-29", false},
        {"2100-02-29", false}, {"1600-02-29", true},  {"02/29/2000", true},  {"29.02.1900", false},
        {"20000229", true},    {"19000229", false},   {"2024-04-31", false}, {"2024-12-31", true},
    };
    for (const Case& c : cases) {
        std::int64_t days = 0;
        EXPECT_EQ(prices::ParseBarDate(c.text, days), c.valid) << c.text;
        if (c.valid && c.text[4] == '-') {
            const auto date = caelvane::ParseIsoDate(c.text);
            ASSERT_TRUE(date) << c.text;
            EXPECT_EQ(days, DaysFromCivil(date->year, date->month, date->day)) << c.text;
        }
    }
}

TEST(BarRows, AHeaderlessRowOfFourPricesIsOneOhlcBar) {
    prices::PriceSeries series;
    const prices::ReadReport report =
        prices::ReadOhlcText("2024-03-01,1,3,0.5,2\n", "bars.csv", {}, series);
    ASSERT_TRUE(report.ok) << report.error;
    ASSERT_EQ(series.bars.size(), 1u);
    const prices::Bar& bar = series.bars.front();
    EXPECT_EQ(bar.time, DaysFromCivil(2024, 3, 1) * 86400);
    EXPECT_EQ(bar.open, 1);
    EXPECT_EQ(bar.high, 3);
    EXPECT_EQ(bar.low, 0.5);
    EXPECT_EQ(bar.close, 2);
    EXPECT_TRUE(series.hasOhlc);
}

TEST(BarRows, LineDegreeAddsBeforeItWraps) {
    struct Case {
        double longitude, harmonic, offset, degree;
    };
    const Case cases[] = {
        {350, 0, 20, 10}, {350, 20, 0, 10}, {10, 0, -20, 350}, {0, 0, 0, 0},
        {359, 1, 0, 0},   {180, 90, 90, 0}, {90, 270, 45, 45}, {10, -370, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(prices::LineDegree(c.longitude, c.harmonic, c.offset), c.degree, 1e-9)
            << c.longitude << " + " << c.harmonic << " + " << c.offset;
    }
}

}  // namespace
