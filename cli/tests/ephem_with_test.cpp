// ephem --with: declination and speed columns after the longitudes and latitudes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ephem_command.h"

namespace {

constexpr double kRad = std::numbers::pi / 180.0;

std::vector<std::string> TableLines(const std::vector<double>& jeds, PositionSource source,
                                    const std::vector<cli::EphemExtra>& extras) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    cli::WriteJedTable(jeds, file, source, extras);
    std::fclose(file);
    std::istringstream text(std::string(buffer, size));
    std::free(buffer);
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

std::vector<double> Numbers(const std::string& line) {
    std::vector<double> values;
    std::istringstream text(line);
    for (std::string field; std::getline(text, field, ',');) values.push_back(std::stod(field));
    return values;
}

// The row of `code` at the first JED.
std::vector<double> Row(const std::vector<std::string>& lines, int code) {
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<double> row = Numbers(lines[i]);
        if (static_cast<int>(row[1]) == code) return row;
    }
    return {};
}

// Declination of an ecliptic place, by the spherical triangle, in this test's own words.
double Declination(double longitude, double latitude, double obliquity) {
    return std::asin(std::sin(latitude * kRad) * std::cos(obliquity * kRad) +
                     std::cos(latitude * kRad) * std::sin(obliquity * kRad) *
                         std::sin(longitude * kRad)) /
           kRad;
}

double MeanObliquity(double jed) {
    const double t = (jed - 2451545.0) / 36525.0;
    return (84381.448 - 46.815 * t - 0.00059 * t * t + 0.001813 * t * t * t) / 3600.0;
}

TEST(EphemWith, WithoutItTheTableStaysAsItWas) {
    const std::vector<std::string> plain = TableLines({2460402.5}, PositionSource::Series, {});
    EXPECT_EQ(plain.front(), "jed,code,longitude,latitude");
    const std::vector<std::string> both =
        TableLines({2460402.5}, PositionSource::Series,
                   {cli::EphemExtra::Declination, cli::EphemExtra::Speed});
    ASSERT_EQ(plain.size(), both.size());
    EXPECT_EQ(both.front(), "jed,code,longitude,latitude,declination,speed");
    // The leading columns are the same bytes.
    for (std::size_t i = 1; i < plain.size(); ++i) {
        EXPECT_EQ(both[i].rfind(plain[i] + ",", 0), 0u) << both[i];
    }
    const std::vector<std::string> swapped =
        TableLines({2460402.5}, PositionSource::Series,
                   {cli::EphemExtra::Speed, cli::EphemExtra::Declination});
    EXPECT_EQ(swapped.front(), "jed,code,longitude,latitude,speed,declination");
}

TEST(EphemWith, ColumnsAgreeWithValuesComputedHere) {
    struct Case {
        PositionSource source;
        int code;
        double declinationTolerance;  // degrees
        bool useTableLatitude;        // the latitude column is seen from the Earth
    };
    std::vector<Case> cases = {
        {PositionSource::Series, -3, 1e-7, false},
        {PositionSource::Series, -10, 1e-7, true},
    };
    if (PrecisePositionsAvailable()) {
        // The library's own equatorial place; ours by rotating its ecliptic place with the
        // obliquity of date. The Sun's latitude (under 1") is left out here.
        cases.push_back({PositionSource::Precise, -3, 1.0 / 3600, false});
        cases.push_back({PositionSource::Precise, -10, 1.0 / 3600, true});
    }
    const std::vector<double> jeds = {2451545.0, 2460402.42639, 2470000.75};
    for (const Case& c : cases) {
        const std::vector<std::string> lines =
            TableLines(jeds, c.source, {cli::EphemExtra::Declination, cli::EphemExtra::Speed});
        for (std::size_t j = 0; j < jeds.size(); ++j) {
            const std::vector<std::string> one(
                {lines[0]});  // header only, then the rows of this JED
            std::vector<std::string> rows = one;
            for (std::size_t i = 1; i < lines.size(); ++i) {
                if (std::fabs(Numbers(lines[i])[0] - jeds[j]) < 1e-6) rows.push_back(lines[i]);
            }
            const std::vector<double> row = Row(rows, c.code);
            ASSERT_EQ(row.size(), 6u);
            const double jed = jeds[j];
            const double latitude =
                c.useTableLatitude ? (row[3] > 180 ? row[3] - 360 : row[3]) : 0.0;
            const double obliquity =
                c.source == PositionSource::Precise ? PreciseObliquity(jed) : MeanObliquity(jed);
            EXPECT_NEAR(row[4], Declination(row[2], latitude, obliquity), c.declinationTolerance)
                << PositionSourceName(c.source) << " code " << c.code << " jed " << jed;
            // Speed: the longitudes an hour either side.
            double arc = BodyLongitude(jed + 1.0 / 24, c.code, c.source) -
                         BodyLongitude(jed - 1.0 / 24, c.code, c.source);
            if (arc < -180) arc += 360;
            if (arc > 180) arc -= 360;
            EXPECT_NEAR(row[5], arc * 12.0, 1e-3) << "code " << c.code << " jed " << jed;
        }
    }
}

TEST(EphemWith, BadListsAreRefusedNamingTheValue) {
    struct Case {
        const char* text;
        const char* named;
    };
    const Case cases[] = {
        {"", "''"},       {"velocity", "'velocity'"}, {"speed,speed", "'speed' twice"},
        {"speed,", "''"}, {"Speed", "'Speed'"},       {"latitude", "'latitude'"},
    };
    for (const Case& c : cases) {
        std::vector<cli::EphemExtra> extras;
        const std::optional<std::string> error = cli::ParseEphemExtras(c.text, extras);
        ASSERT_TRUE(error.has_value()) << c.text;
        EXPECT_NE(error->find(c.named), std::string::npos) << *error;
    }
    cli::EphemRequest request;
    EXPECT_EQ(cli::ParseEphemArguments({"--jed", "2451545", "--with", "speed", "--with", "speed"},
                                       request)
                  .value_or(""),
              "--with given twice");
    EXPECT_FALSE(cli::ParseEphemArguments(
        {"--from", "2024-01-01", "--to", "2024-01-03", "--with", "declination,speed"}, request));
    EXPECT_EQ(request.extras.size(), 2u);
}

TEST(EphemWith, DailyTableNamesItsNewColumns) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    cli::WriteDailyTable({2024, 4, 1}, {2024, 4, 2}, {22, 14}, file, PositionSource::Series,
                         {cli::EphemExtra::Speed});
    std::fclose(file);
    const std::string text(buffer, size);
    std::free(buffer);
    const std::string header = text.substr(0, text.find('\n'));
    EXPECT_NE(header.find(",lat_moon,incl_chiron,speed_helio_mercury,"), std::string::npos);
    EXPECT_EQ(header.substr(header.size() - 16), "speed_geo_chiron");
    EXPECT_EQ(header.find("dec_"), std::string::npos);
    // Every row as wide as the header.
    std::istringstream lines(text);
    const auto commas = [](const std::string& line) {
        return std::count(line.begin(), line.end(), ',');
    };
    for (std::string line; std::getline(lines, line);) EXPECT_EQ(commas(line), commas(header));
}

}  // namespace
