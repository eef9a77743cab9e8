// A page of positions from one call must be the per-code values bit for bit, at every date the
// engine takes: ordinary pages, far dates and the inputs that give NaN.

#include "ephemeris/page_positions.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ephemeris/calendar.h"
#include "ephemeris/positions.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Hex(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%a (0x%016llx)", value,
                  static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
    return text;
}

// The first value of the page that differs from its per-code call, described; empty when none.
std::string FirstDifference(const PagePositions& page, double jed) {
    struct Read {
        const char* what;
        int code;
        double fromPage;
        double perCode;
    };
    std::vector<Read> reads;
    for (int k = 1; k <= 12; ++k) {
        reads.push_back({"longitude", k, page.heliocentric[k], BodyLongitude(jed, k)});
        reads.push_back({"longitude", -k, page.geocentric[k], BodyLongitude(jed, -k)});
        reads.push_back({"latitude", k, page.latitude[k], BodyLatitude(jed, k)});
        reads.push_back({"latitude", -k, page.latitude[k], BodyLatitude(jed, -k)});
    }
    reads.push_back({"longitude", 13, page.moonLatitude, BodyLongitude(jed, 13)});
    reads.push_back({"page jed", 0, page.jed, jed});
    for (const Read& read : reads) {
        if (std::bit_cast<std::uint64_t>(read.fromPage) !=
            std::bit_cast<std::uint64_t>(read.perCode)) {
            return std::string(read.what) + " of code " + std::to_string(read.code) + " at JED " +
                   Hex(jed) + ": page " + Hex(read.fromPage) + ", per code " + Hex(read.perCode);
        }
    }
    return {};
}

// The wheels alone must be the page's own longitudes.
std::string WheelDifference(const WheelLongitudes& wheels, const PagePositions& page) {
    for (int k = 0; k <= 12; ++k) {
        if (std::bit_cast<std::uint64_t>(wheels.heliocentric[k]) !=
                std::bit_cast<std::uint64_t>(page.heliocentric[k]) ||
            std::bit_cast<std::uint64_t>(wheels.geocentric[k]) !=
                std::bit_cast<std::uint64_t>(page.geocentric[k])) {
            return "code " + std::to_string(k) + " at JED " + Hex(page.jed);
        }
    }
    return {};
}

void ExpectSameAsPerCode(const std::vector<double>& dates) {
    for (double jed : dates) {
        const PagePositions page = ComputePagePositions(jed);
        const std::string difference = FirstDifference(page, jed);
        ASSERT_TRUE(difference.empty()) << difference;
        const std::string wheelDifference = WheelDifference(ComputeWheelLongitudes(jed), page);
        ASSERT_TRUE(wheelDifference.empty()) << "wheels only differ: " << wheelDifference;
    }
}

TEST(PagePositions, DenseSweepFrom1600To2400MatchesPerCodeBitForBit) {
    // Every 73.05 days plus a changing fraction of a day: about 4000 pages, every hour of the
    // day and every phase of the fast series; plus random dates in the same span.
    std::vector<double> dates;
    const double first = JulianDate(1, 1, 1600, 0, 0);
    const double last = JulianDate(12, 31, 2400, 0, 0);
    for (int i = 0; first + i * 73.05 < last; ++i)
        dates.push_back(first + i * 73.05 + (i % 97) / 97.0);
    std::mt19937_64 random(16002400);
    std::uniform_real_distribution<double> anyDate(first, last);
    for (int i = 0; i < 1000; ++i) dates.push_back(anyDate(random));
    // Chiron changes element sets here; the last minutes of the old set and the new epoch.
    dates.insert(dates.end(), {2451400.5, std::nextafter(2451400.5, 0.0), 2451400.4993055556,
                               2451545.0, 2415020.0, 2451544.5});
    ExpectSameAsPerCode(dates);
}

TEST(PagePositions, FarDatesMatchPerCodeBitForBit) {
    std::vector<double> dates;
    for (double offset : {1e6, -1e6, 1e9, -1e9}) {
        dates.push_back(2451545.0 + offset);
        dates.push_back(offset);
        for (int i = 1; i <= 50; ++i) dates.push_back(offset + i * 0.37 * offset / 1e6);
    }
    // Beyond the range where the argument reduction stays exact, and where fmod takes over.
    dates.insert(dates.end(), {4e9, -4e9, 7.3e11, -7.3e11, 1e12, -1e12, 1e15, 1e20, -1e20});
    ExpectSameAsPerCode(dates);
}

TEST(PagePositions, BadInputsGiveTheSameNumbersAndNaNsAsPerCode) {
    ExpectSameAsPerCode({kNaN, -kNaN, kInf, -kInf, 1e300, -1e300,
                         std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
                         std::numeric_limits<double>::denorm_min(), 0.0, -0.0, -1.5});
    // NaN must really come out of the page where per-code gives NaN, not some stale number.
    const PagePositions page = ComputePagePositions(kNaN);
    EXPECT_TRUE(std::isnan(page.heliocentric[1]));
    EXPECT_TRUE(std::isnan(page.geocentric[12]));
    EXPECT_TRUE(std::isnan(page.moonLatitude));
}

TEST(PagePositions, LookupsByCodeAnswerAsBodyLongitudeAndBodyLatitude) {
    // Every code a page or a caller may ask, stored or not: the unknown codes, the Moon's
    // quarter points, the daily point and the fixed directions go to the per-code functions.
    std::vector<int> codes;
    for (int code = -110; code <= 45; ++code) codes.push_back(code);
    codes.insert(codes.end(), {1999, 2000, 2001});
    for (double jed : {2451545.0, 2451544.5, 2460000.123, 2305447.75, kNaN}) {
        const PagePositions page = ComputePagePositions(jed);
        const WheelLongitudes wheels = ComputeWheelLongitudes(jed);
        for (int code : codes) {
            const auto longitude = std::bit_cast<std::uint64_t>(BodyLongitude(jed, code));
            EXPECT_EQ(std::bit_cast<std::uint64_t>(page.Longitude(code)), longitude)
                << "code " << code << " at " << jed;
            if (code != 13 && code != -13) {
                EXPECT_EQ(std::bit_cast<std::uint64_t>(wheels.Longitude(code)), longitude)
                    << "code " << code << " at " << jed;
            }
            EXPECT_EQ(std::bit_cast<std::uint64_t>(page.Latitude(code)),
                      std::bit_cast<std::uint64_t>(BodyLatitude(jed, code)))
                << "code " << code << " at " << jed;
        }
    }
}

}  // namespace
