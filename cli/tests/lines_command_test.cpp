#include "cli/lines_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/tests/run_cli.h"
#include "ephemeris/bodies.h"
#include "ephemeris/calendar.h"
#include "ephemeris/position_source.h"
#include "ephemeris/positions.h"
#include "prices/ohlc.h"

namespace {

std::vector<std::string> Split(const std::string& text, char by) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, by);) parts.push_back(part);
    return parts;
}

std::string Refusal(std::vector<std::string> args) {
    ::testing::internal::CaptureStderr();
    const int status = RunCli(std::move(args));
    const std::string text = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, cli::kUsageError) << text;
    return text.substr(0, text.find('\n'));
}

TEST(LinesCommand, RowsAreTheLevelsTheLongitudesImply) {
    cli::LinesRequest request;
    ASSERT_EQ(cli::ParseLinesArguments(
                  {"--from", "1995-06-14", "--to", "1995-06-16", "--bodies", "Mars,jupiter",
                   "--harmonics", "0,90", "--offset", "5", "--min", "1000", "--max", "1300"},
                  request),
              std::nullopt);
    const std::vector<std::string> rows = Split(cli::LinesCsv(request), '\n');
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "date,body,frame,longitude,harmonic,price");
    // 300 units hold four or five turns of 72: per day, body and harmonic.
    EXPECT_GE(rows.size(), 1u + 3 * 2 * 2 * 4);
    EXPECT_LE(rows.size(), 1u + 3 * 2 * 2 * 5);
    std::string previousKey;
    int groups = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> f = Split(rows[i], ',');
        ASSERT_EQ(f.size(), 6u) << rows[i];
        const int day = std::stoi(f[0].substr(8, 2));
        const int code = f[1] == "Mars" ? -4 : -5;
        EXPECT_TRUE(f[1] == "Mars" || f[1] == "Jupiter");
        EXPECT_EQ(f[2], "geo");
        const double jed = JulianDate(6, day, 1995, 17, 0);
        const double longitude = std::stod(f[3]);
        EXPECT_NEAR(longitude, BodyLongitude(jed, code, request.lines.settings.source), 1e-6);
        const double harmonic = std::stod(f[4]);
        const double price = std::stod(f[5]);
        EXPECT_GE(price, 1000.0);
        EXPECT_LE(price, 1300.0);
        // A whole number of turns above the degree's own price.
        const double turns = (price - (longitude + harmonic + 5.0) / 360.0 * 72.0) / 72.0;
        EXPECT_NEAR(turns, std::round(turns), 1e-6) << rows[i];
        const std::string key = f[0] + f[1] + f[4];
        if (key != previousKey) ++groups;
        previousKey = key;
    }
    // Grouped by day, then body, then harmonic.
    EXPECT_EQ(groups, 3 * 2 * 2);
}

TEST(LinesCommand, HeliocentricFrameTimeAndUnitsAreUsed) {
    cli::LinesRequest request;
    ASSERT_EQ(cli::ParseLinesArguments({"--from", "2001-01-01", "--to", "2001-01-01", "--bodies",
                                        "Earth", "--frame", "helio", "--units-per-circle", "360",
                                        "--time", "06:30", "--min", "0", "--max", "360"},
                                       request),
              std::nullopt);
    const std::vector<std::string> rows = Split(cli::LinesCsv(request), '\n');
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<std::string> f = Split(rows[1], ',');
    const double longitude =
        BodyLongitude(JulianDate(1, 1, 2001, 6, 30), 3, request.lines.settings.source);
    EXPECT_EQ(f[1], "Earth");
    EXPECT_EQ(f[2], "helio");
    EXPECT_NEAR(std::stod(f[5]), longitude, 1e-6);
}

// Ours, the lines default to the precise source where the build has it; --positions series
// still gives the classic series. Without --positions the source is named on standard error.
TEST(LinesCommand, PreciseByDefaultAndSaysSo) {
    const std::vector<std::string> base = {"--from", "2024-01-01", "--to", "2024-01-01", "--bodies",
                                           "Mars",   "--min",      "0",    "--max",      "72"};
    cli::LinesRequest byDefault;
    ASSERT_EQ(cli::ParseLinesArguments(base, byDefault), std::nullopt);
    EXPECT_EQ(byDefault.lines.settings.source,
              PrecisePositionsAvailable() ? PositionSource::Precise : PositionSource::Series);
    std::vector<std::string> withSeries = base;
    withSeries.insert(withSeries.end(), {"--positions", "series"});
    cli::LinesRequest series;
    ASSERT_EQ(cli::ParseLinesArguments(withSeries, series), std::nullopt);
    EXPECT_EQ(series.lines.settings.source, PositionSource::Series);
    EXPECT_EQ(cli::DefaultSourceNote(series.lines), "");
    EXPECT_NE(cli::DefaultSourceNote(byDefault.lines), "");

    std::vector<std::string> args = base;
    args.insert(args.begin(), "lines");
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli(args), 0);
    const std::string note = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(::testing::internal::GetCapturedStdout().rfind("date,body,", 0), 0u);
    EXPECT_EQ(note, "caelvane-cli lines: note: " + cli::DefaultSourceNote(byDefault.lines) + "\n");
    EXPECT_NE(note.find(PositionSourceDescription(byDefault.lines.settings.source)),
              std::string::npos);
}

TEST(LinesCommand, RefusesBadRequestsWithExitTwo) {
    const std::vector<std::string> base = {"lines", "--from", "2001-01-01", "--to", "2001-01-02"};
    const auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = base;
        args.insert(args.end(), more.begin(), more.end());
        return Refusal(args);
    };
    EXPECT_EQ(with({"--bodies", "Mars", "--min", "1", "--max", "2", "--units-per-circle", "0"}),
              "caelvane-cli lines: --units-per-circle must be a number above 0, not '0'");
    EXPECT_EQ(with({"--bodies", "Mars", "--min", "1", "--max", "2", "--units-per-circle", "-72"}),
              "caelvane-cli lines: --units-per-circle must be a number above 0, not '-72'");
    EXPECT_EQ(with({"--bodies", "", "--min", "1", "--max", "2"}),
              "caelvane-cli lines: --bodies: the list of bodies is empty");
    EXPECT_EQ(with({"--min", "1", "--max", "2"}), "caelvane-cli lines: --bodies is needed");
    EXPECT_EQ(with({"--bodies", "Mars", "--min", "5", "--max", "3"}),
              "caelvane-cli lines: --min 5 is above --max 3");
    EXPECT_EQ(with({"--bodies", "Vulcan", "--min", "1", "--max", "2"}),
              "caelvane-cli lines: --bodies: unknown body 'Vulcan' (Sun, Moon, Mercury, Venus, "
              "Earth, Mars, Jupiter, Saturn, Uranus, Neptune, Pluto, Node, Chiron)");
    EXPECT_EQ(with({"--bodies", "Earth", "--min", "1", "--max", "2"}),
              "caelvane-cli lines: Earth has no geocentric longitude");
    EXPECT_EQ(with({"--bodies", "Sun", "--frame", "helio", "--min", "1", "--max", "2"}),
              "caelvane-cli lines: Sun has no heliocentric longitude");
    EXPECT_EQ(with({"--bodies", "Mars", "--min", "1", "--max", "2", "--time", "25:00"}),
              "caelvane-cli lines: --time must be HH:MM, not '25:00'");
    EXPECT_EQ(with({"--bodies", "Mars", "--max", "2"}),
              "caelvane-cli lines: --min and --max are needed");
    EXPECT_EQ(Refusal({"lines", "--from", "2001-01-03", "--to", "2001-01-02", "--bodies", "Mars",
                       "--min", "1", "--max", "2"}),
              "caelvane-cli lines: --from is after --to");
    EXPECT_EQ(with({"--bodies", "Mars", "--min", "1", "--max", "2", "--positions", "exact"}),
              "caelvane-cli lines: --positions must be series|precise, not 'exact'");
    if (!PrecisePositionsAvailable()) {
        EXPECT_EQ(with({"--bodies", "Mars", "--min", "1", "--max", "2", "--positions", "precise"}),
                  "caelvane-cli lines: --positions precise: this build has no precise positions "
                  "(series only)");
    }
}

TEST(LinesCommand, WritesTheFileWhole) {
    char folder[] = "/tmp/lines_testXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/levels.csv";
    EXPECT_EQ(RunCli({"lines", "--from", "2001-01-01", "--to", "2001-01-05", "--bodies", "Sun",
                      "--min", "0", "--max", "72", "-o", path}),
              0);
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(Split(text.str(), '\n').size(), 6u);
    unlink(path.c_str());
    rmdir(folder);
}

// What a line's price says back through the price monitor's rule (degree = fmod(price, 72) * 5)
// is the body's degree plus harmonic and offset, to the six decimals printed, in both frames.
TEST(LinesCommand, PricesMapBackToTheDegreeThroughTheMonitorsRule) {
    for (const char* frame : {"geo", "helio"}) {
        cli::LinesRequest request;
        ASSERT_EQ(cli::ParseLinesArguments(
                      {"--from", "2023-12-30", "--to", "2024-01-02", "--bodies",
                       "Mercury,Mars,Saturn,Node", "--frame", frame, "--harmonics", "0,120,270.5",
                       "--offset", "-10", "--min", "-100", "--max", "400"},
                      request),
                  std::nullopt);
        const std::vector<std::string> rows = Split(cli::LinesCsv(request), '\n');
        // 500 units hold six or seven turns of 72: per day, body and harmonic.
        EXPECT_GE(rows.size(), 1u + 4 * 4 * 3 * 6);
        for (std::size_t i = 1; i < rows.size(); ++i) {
            const std::vector<std::string> f = Split(rows[i], ',');
            ASSERT_EQ(f.size(), 6u) << rows[i];
            EXPECT_EQ(f[2], frame);
            const int code = BodyCode(*FindBody(f[1]), *ParseFrame(frame));
            const double jed = JulianDate(std::stoi(f[0].substr(5, 2)), std::stoi(f[0].substr(8)),
                                          std::stoi(f[0].substr(0, 4)), 17, 0);
            const double longitude = BodyLongitude(jed, code, request.lines.settings.source);
            EXPECT_NEAR(std::stod(f[3]), longitude, 1e-6) << rows[i];
            const double wanted = std::fmod(longitude + std::stod(f[4]) - 10.0 + 720.0, 360.0);
            double degree = std::fmod(std::stod(f[5]), 72.0) * 5.0;
            if (degree < 0.0) degree += 360.0;  // the monitor's rule keeps the price's sign
            double diff = std::fabs(degree - wanted);
            diff = std::min(diff, 360.0 - diff);
            // Six decimals of price are 5e-6 of a degree at 72 units a circle.
            EXPECT_LE(diff, 5e-6) << rows[i];
        }
    }
}

TEST(LinesCommand, HelpDescribesEveryOption) {
    for (const char* command : {"lines", "render-prices"}) {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(RunCli({command, "--help"}), 0);
        const std::string help = ::testing::internal::GetCapturedStdout();
        for (const char* option : {"--bodies", "--frame", "--units-per-circle", "--offset",
                                   "--harmonics", "--positions", "--min", "--max", "-o "}) {
            EXPECT_NE(help.find(option), std::string::npos) << command << " " << option;
        }
        // The usage line, then what the options mean.
        EXPECT_GT(std::count(help.begin(), help.end(), '\n'), 10) << help;
    }
}

}  // namespace
