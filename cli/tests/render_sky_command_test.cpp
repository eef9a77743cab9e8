#include "cli/render_sky_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tests/run_cli.h"

namespace {

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

const std::vector<std::string> kGood = {
    "--from",   "2020-01-01", "--to", "2030-01-01", "--bodies",    "Jupiter,Saturn,Uranus,Pluto",
    "--format", "trace",      "-o",   "-",          "--positions", "series"};

TEST(RenderSkyArguments, GoodArgumentsFillTheRequest) {
    cli::RenderSkyRequest request;
    ASSERT_FALSE(
        cli::ParseRenderSkyArguments(With(kGood, {"--panes", "declination,speed", "--width", "640",
                                                  "--frame", "helio", "--dial", "90"}),
                                     request));
    EXPECT_EQ(request.dial, 90.0);
    EXPECT_EQ(request.bodies, (std::vector<int>{5, 6, 7, 9}));
    EXPECT_EQ(request.panes.size(), 2u);
    EXPECT_EQ(request.width, 640);
    EXPECT_EQ(request.format, cli::SkyFormat::Trace);
    EXPECT_TRUE(request.sourceGiven);
}

TEST(RenderSkyArguments, BadInputIsRefusedNamingTheValue) {
    struct Case {
        std::vector<std::string> extra;
        const char* named;
    };
    const std::vector<Case> cases = {
        {{"--dial", "100"}, "'100'"},
        {{"--dial", "45.0"}, "'45.0'"},
        {{"--panes", "velocity"}, "'velocity'"},
        {{"--panes", "speed,speed"}, "'speed'"},
        {{"--width", "100"}, "'100'"},
        {{"--height", "12x"}, "'12x'"},
        {{"--frame", "topo"}, "'topo'"},
        {{"--events", "comets"}, "comets"},
        {{"--bogus", "1"}, "'--bogus'"},
        {{"--dial"}, "--dial needs a value"},
    };
    for (const Case& c : cases) {
        cli::RenderSkyRequest request;
        const std::string error =
            cli::ParseRenderSkyArguments(With(kGood, c.extra), request).value_or("");
        EXPECT_NE(error.find(c.named), std::string::npos) << c.named << ": " << error;
    }
    const std::vector<std::pair<std::vector<std::string>, const char*>> whole = {
        {{"--from", "2020-01-01", "--to", "2021-01-01", "--bodies", "", "--format", "trace", "-o",
          "-"},
         "empty"},
        {{"--from", "2020-01-01", "--to", "2021-01-01", "--bodies", "Vulcan", "--format", "trace",
          "-o", "-"},
         "'Vulcan'"},
        {{"--from", "2020-01-01", "--to", "2021-01-01", "--bodies", "Sun", "--frame", "helio",
          "--format", "trace", "-o", "-"},
         "Sun"},
        {{"--from", "2021-01-01", "--to", "2020-01-01", "--bodies", "Sun", "--format", "trace",
          "-o", "-"},
         "empty"},
        {{"--from", "2020-02-30", "--to", "2021-01-01", "--bodies", "Sun", "--format", "trace",
          "-o", "-"},
         "'2020-02-30'"},
        {{"--from", "2020-01-01", "--to", "2021-01-01", "--bodies", "Sun", "-o", "-"}, "--format"},
        {{"--from", "2020-01-01", "--to", "2021-01-01", "--bodies", "Sun", "--format", "jpg", "-o",
          "-"},
         "'jpg'"},
    };
    for (const auto& [args, named] : whole) {
        cli::RenderSkyRequest request;
        const std::string error = cli::ParseRenderSkyArguments(args, request).value_or("");
        EXPECT_NE(error.find(named), std::string::npos) << named << ": " << error;
    }
    if (PrecisePositionsAvailable()) {
        cli::RenderSkyRequest request;
        const std::string error =
            cli::ParseRenderSkyArguments(
                {"--from", "2900-01-01", "--to", "3500-01-01", "--bodies", "Sun", "--positions",
                 "precise", "--format", "trace", "-o", "-"},
                request)
                .value_or("");
        EXPECT_NE(error.find("3500-01-01"), std::string::npos) << error;
    }
}

TEST(RenderSky, RefusalsExitWithTwoAndWriteNothing) {
    const std::string out = ::testing::TempDir() + "render_sky_refused.trace";
    std::filesystem::remove(out);
    EXPECT_EQ(RunCli({"render-sky", "--from", "2020-01-01", "--to", "2021-01-01", "--bodies", "Sun",
                      "--dial", "7", "--format", "trace", "-o", out}),
              2);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(RenderSky, WritesTheTraceOfTheChart) {
    const std::string out = ::testing::TempDir() + "render_sky.trace";
    ASSERT_EQ(
        RunCli({"render-sky",  "--from",   "2024-03-01", "--to",    "2024-05-01", "--bodies",
                "Sun,Mercury", "--dial",   "30",         "--panes", "speed",      "--positions",
                "series",      "--format", "trace",      "-o",      out,          "--width",
                "400",         "--height", "300"}),
        0);
    std::ifstream file(out);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str().rfind("begin\n", 0), 0u);
    EXPECT_NE(text.str().find("\"2024-03-01 to 2024-05-01\""), std::string::npos);
    EXPECT_NE(text.str().find("\"speed (degrees a day)\""), std::string::npos);
    EXPECT_NE(text.str().find("\"30\\xb0 dial, geocentric, series positions\""), std::string::npos);
    std::filesystem::remove(out);
}

}  // namespace
