#include "cli/chart_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "cli/atlas_command.h"
#include "cli/commands.h"
#include "cli/tests/run_cli.h"

namespace {

namespace fs = std::filesystem;

struct Captured {
    int status;
    std::string out;
    std::string err;
};

Captured Cli(std::vector<std::string> args) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = RunCli(std::move(args));
    Captured c{status, ::testing::internal::GetCapturedStdout(),
               ::testing::internal::GetCapturedStderr()};
    return c;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ChartCommand : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/chart-cli-XXXXXX";
        m_folder = ::mkdtemp(name);
        m_file = (m_folder / "charts.json").string();
    }
    void TearDown() override { fs::remove_all(m_folder); }
    std::string File() const { return m_file; }
    fs::path m_folder;
    std::string m_file;
};

TEST_F(ChartCommand, LondonFromTheAtlasShowsAPlacidusChart) {
    Captured c = Cli({"chart", "new", "-o", File(), "--name", "London 1975", "--date", "1975-06-14",
                      "--time", "08:30", "--place", "London"});
    ASSERT_EQ(c.status, 0) << c.err;
    c = Cli({"chart", "show", File()});
    ASSERT_EQ(c.status, 0) << c.err;
    const nlohmann::json shown = nlohmann::json::parse(c.out);
    EXPECT_EQ(shown["utc"], "1975-06-14T07:30:00Z");
    EXPECT_NEAR(shown["jd_ut"].get<double>(), 2442577.8125, 1e-9);
    EXPECT_EQ(shown["zone"], "Europe/London");
    EXPECT_EQ(shown["offset"], "+01:00");
    ASSERT_EQ(shown["points"].size(), 12u);
    const nlohmann::json& sun = shown["points"][0];
    EXPECT_EQ(sun["name"], "Sun");
    for (const char* key : {"longitude", "latitude", "speed", "declination"}) {
        EXPECT_TRUE(sun[key].is_number()) << key;
    }
    EXPECT_EQ(sun["sign"], "Gemini");  // the Sun passes 22 Gemini in mid-June
    EXPECT_NEAR(sun["speed"].get<double>(), 0.957, 0.01);
    EXPECT_NEAR(sun["declination"].get<double>(), 23.2, 0.2);
    EXPECT_TRUE(sun["house"].is_number_integer());
    const nlohmann::json& houses = shown["houses"];
    EXPECT_EQ(houses["system"], "placidus");
    ASSERT_EQ(houses["cusps"].size(), 12u);
    EXPECT_DOUBLE_EQ(houses["cusps"][0].get<double>(), houses["asc"].get<double>());
    EXPECT_DOUBLE_EQ(houses["cusps"][9].get<double>(), houses["mc"].get<double>());
    EXPECT_TRUE(houses["vertex"].is_number());
    // Whole signs on request, without touching the file.
    const std::string before = ReadAll(File());
    c = Cli({"chart", "show", File(), "--houses", "whole-sign", "--format", "csv"});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(c.out.substr(0, c.out.find('\n')),
              "utc,jd_ut,zone,offset,system,name,longitude,latitude,speed,declination,sign,house");
    EXPECT_NE(c.out.find("\ncusp 1,") == std::string::npos ? c.out.find(",cusp 1,") : 0,
              std::string::npos);
    EXPECT_NE(c.out.find(",whole-sign,Sun,"), std::string::npos) << c.out;
    EXPECT_EQ(ReadAll(File()), before);
}

TEST_F(ChartCommand, TimeUnknownHasNoHouses) {
    ASSERT_EQ(Cli({"chart", "new", "-o", File(), "--name", "X", "--date", "1947-08-15", "--time",
                   "unknown", "--lat", "28.61", "--lon", "77.21", "--tz", "+05:30"})
                  .status,
              0);
    const Captured c = Cli({"chart", "show", File(), "--name", "X"});
    ASSERT_EQ(c.status, 0) << c.err;
    const nlohmann::json shown = nlohmann::json::parse(c.out);
    EXPECT_EQ(shown["utc"], "1947-08-15T06:30:00Z");
    EXPECT_TRUE(shown["houses"].is_null());
    EXPECT_TRUE(shown["points"][0]["house"].is_null());
    EXPECT_NE(c.err.find("time not known"), std::string::npos) << c.err;
}

TEST_F(ChartCommand, BadInputIsNamedAndLosesNothing) {
    ASSERT_EQ(Cli({"chart", "new", "-o", File(), "--name", "Kept", "--date", "2000-01-01", "--time",
                   "12:00", "--lat", "0", "--lon", "0", "--tz", "UTC"})
                  .status,
              0);
    const std::string kept = ReadAll(File());
    const std::vector<std::string> base = {"chart",  "new", "-o",     File(),
                                           "--name", "N",   "--time", "12:00"};
    const struct {
        std::vector<std::string> more;
        const char* expected;
    } kCases[] = {
        {{"--date", "2000-01-01", "--lat", "91", "--lon", "0", "--tz", "UTC"}, "latitude 91"},
        {{"--date", "2000-01-01", "--lat", "0", "--lon", "-181", "--tz", "UTC"}, "longitude -181"},
        {{"--date", "2000-01-01", "--lat", "0", "--lon", "0", "--tz", "Mars/Base"},
         "unknown time zone 'Mars/Base'"},
        {{"--date", "2000-02-30", "--lat", "0", "--lon", "0", "--tz", "UTC"}, "'2000-02-30'"},
        {{"--date", "9000-01-01", "--lat", "0", "--lon", "0", "--tz", "UTC"},
         "9000-01-01 is outside the precise source's range"},
        {{"--date", "2000-01-01", "--lat", "north", "--lon", "0", "--tz", "UTC"}, "'north'"},
        {{"--date", "2000-01-01", "--place", "Qxzqxz"}, "no place named 'Qxzqxz'"},
        {{"--date", "2000-01-01", "--lat", "0", "--lon", "0", "--tz", "UTC", "--houses", "vedic"},
         "not 'vedic'"},
        {{"--date", "2000-01-01", "--lat", "0", "--lon", "0", "--tz", "UTC", "--choice", "both"},
         "not 'both'"},
    };
    for (const auto& c : kCases) {
        std::vector<std::string> args = base;
        args.insert(args.end(), c.more.begin(), c.more.end());
        const Captured r = Cli(args);
        EXPECT_EQ(r.status, cli::kUsageError) << c.expected << ": " << r.err;
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
        EXPECT_EQ(ReadAll(File()), kept);
    }
    // A skipped local time without a choice, then with one.
    std::vector<std::string> skipped = {
        "chart",  "new",   "-o",    File(), "--name", "Spring", "--date", "2021-03-14",
        "--time", "02:30", "--lat", "40.7", "--lon",  "-74",    "--tz",   "America/New_York"};
    Captured r = Cli(skipped);
    EXPECT_EQ(r.status, cli::kUsageError);
    EXPECT_NE(r.err.find("02:30:00 does not exist"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(File()), kept);
    skipped.insert(skipped.end(), {"--choice", "later"});
    r = Cli(skipped);
    EXPECT_EQ(r.status, 0) << r.err;
    // The same name twice, a name not in the file.
    r = Cli(skipped);
    EXPECT_EQ(r.status, cli::kUsageError);
    EXPECT_NE(r.err.find("a chart named 'Spring' is already"), std::string::npos) << r.err;
    r = Cli({"chart", "show", File(), "--name", "Autumn"});
    EXPECT_EQ(r.status, cli::kUsageError);
    EXPECT_NE(r.err.find("no chart named 'Autumn'"), std::string::npos) << r.err;
    r = Cli({"chart", "show", File()});
    EXPECT_EQ(r.status, cli::kUsageError);
    EXPECT_NE(r.err.find("name one with --name ('Kept', 'Spring')"), std::string::npos) << r.err;
}

TEST_F(ChartCommand, ADamagedFileIsNeverOverwritten) {
    const std::string damaged = "{\"format\": \"caelvane-horoscopes\", \"version\": 1, \"char";
    std::ofstream(File()) << damaged;
    Captured r = Cli({"chart", "new", "-o", File(), "--name", "N", "--date", "2000-01-01", "--time",
                      "12:00", "--lat", "0", "--lon", "0", "--tz", "UTC"});
    EXPECT_EQ(r.status, cli::kUsageError);
    EXPECT_NE(r.err.find(File()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("left as it was"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(File()), damaged);
    r = Cli({"chart", "show", File()});
    EXPECT_EQ(r.status, cli::kUsageError);
    EXPECT_NE(r.err.find("not JSON"), std::string::npos) << r.err;
}

TEST(AtlasCommand, PrintsPlacesAsCsv) {
    Captured c = Cli({"atlas", "London", "--limit", "2"});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(c.out,
              "name,region,country,latitude,longitude,zone\n"
              "London,England,United Kingdom,51.50853,-0.12574,Europe/London\n"
              "London,Ontario,Canada,42.98339,-81.23304,America/Toronto\n");
    c = Cli({"atlas", "Qxzqxz"});
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.err.find("no place named 'Qxzqxz'"), std::string::npos);
    EXPECT_EQ(Cli({"atlas"}).status, cli::kUsageError);
    EXPECT_EQ(Cli({"atlas", "London", "--limit", "0"}).status, cli::kUsageError);
    EXPECT_EQ(cli::CsvField("a,\"b\""), "\"a,\"\"b\"\"\"");
}

}  // namespace

namespace {

TEST_F(ChartCommand, RenderChartDrawsTheWheelOrRefusesNamingTheValue) {
    ASSERT_EQ(Cli({"chart", "new", "-o", File(), "--name", "London 1975", "--date", "1975-06-14",
                   "--time", "08:30", "--place", "London"})
                  .status,
              0);
    Captured c = Cli(
        {"render-chart", File(), "--transits", "2024-06-14T12:00", "--format", "trace", "-o", "-"});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(c.out.substr(0, 6), "begin\n");
    EXPECT_EQ(c.out.substr(c.out.size() - 4), "end\n");
    EXPECT_NE(c.out.find("font DejaVu Sans"), std::string::npos);
    // The Sun's symbol, U+2609, as the trace escapes its bytes.
    EXPECT_NE(c.out.find("\"\\xe2\\x98\\x89\""), std::string::npos);
    EXPECT_NE(c.out.find("Transits 2024-06-14 12:00 UTC"), std::string::npos);
    const std::string png = (m_folder / "wheel.png").string();
    c = Cli({"render-chart", File(), "--solar-arc", "2024-06-14", "-o", png});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(ReadAll(png).substr(1, 3), "PNG");
    const struct {
        std::vector<std::string> args;
        const char* expected;
    } kCases[] = {
        {{"--transits", "2024-06-14", "-o", "x.png"}, "not '2024-06-14'"},
        {{"--progressed", "2024-13-01", "-o", "x.png"}, "not '2024-13-01'"},
        {{"--transits", "2024-06-14T12:00", "--solar-arc", "2024-06-14", "-o", "x.png"},
         "give one of"},
        {{"--name", "Paris", "-o", "x.png"}, "no chart named 'Paris'"},
        {{"-o", "x.gif"}, "'x.gif' is none of"},
        {{"--houses", "vedic", "-o", "x.png"}, "not 'vedic'"},
        {{"--width", "10", "-o", "x.png"}, "not '10'"},
    };
    for (const auto& k : kCases) {
        std::vector<std::string> args = {"render-chart", File()};
        args.insert(args.end(), k.args.begin(), k.args.end());
        const Captured r = Cli(args);
        EXPECT_EQ(r.status, cli::kUsageError) << k.expected << ": " << r.err;
        EXPECT_NE(r.err.find(k.expected), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists("x.png"));
}

}  // namespace
