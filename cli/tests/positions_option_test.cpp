// --positions series|precise on every sub-command that computes positions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/ephem_command.h"
#include "cli/render_command.h"
#include "ephemeris/position_source.h"
#include "job/caelvane_doc.h"
#include "job/job_file.h"

namespace {

namespace fs = std::filesystem;

const std::string kBadValue = "--positions: 'swiss' is not a position source; use series|precise";

TEST(PositionsOption, EphemTakesItOnceInBothForms) {
    cli::EphemRequest request;
    ASSERT_FALSE(cli::ParseEphemArguments({"--jed", "2451545"}, request));
    EXPECT_EQ(request.source, PositionSource::Series);
    ASSERT_FALSE(cli::ParseEphemArguments(
        {"--from", "2024-01-01", "--positions", "series", "--to", "2024-01-02"}, request));
    EXPECT_EQ(request.source, PositionSource::Series);
    EXPECT_EQ(cli::ParseEphemArguments({"--jed", "1", "--positions", "swiss"}, request), kBadValue);
    EXPECT_EQ(cli::ParseEphemArguments({"--jed", "1", "--positions"}, request),
              "--positions needs a value");
    EXPECT_EQ(cli::ParseEphemArguments(
                  {"--positions", "series", "--jed", "1", "--positions", "series"}, request),
              "--positions given twice");
    const auto precise =
        cli::ParseEphemArguments({"--positions", "precise", "--jed", "1"}, request);
    if (PrecisePositionsAvailable()) {
        EXPECT_FALSE(precise) << *precise;
        EXPECT_EQ(request.source, PositionSource::Precise);
    } else {
        EXPECT_TRUE(precise);
    }
}

TEST(PositionsOption, RenderTakesItOnce) {
    cli::RenderOptions options;
    ASSERT_FALSE(cli::ParseRenderArguments({"a.cvj"}, options));
    EXPECT_FALSE(options.positions);
    cli::RenderOptions bad;
    EXPECT_EQ(cli::ParseRenderArguments({"a.cvj", "--positions", "swiss"}, bad), kBadValue);
    cli::RenderOptions twice;
    EXPECT_EQ(cli::ParseRenderArguments({"a.cvj", "--positions", "series", "--positions", "series"},
                                        twice),
              "--positions given twice");
    cli::RenderOptions series;
    ASSERT_FALSE(cli::ParseRenderArguments({"a.cvj", "--positions", "series"}, series));
    EXPECT_EQ(series.positions, PositionSource::Series);
}

#if CAELVANE_WITH_SWISSEPH

std::vector<std::string> CsvRows(void (*write)(std::FILE*, PositionSource), PositionSource source) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    write(file, source);
    std::fclose(file);
    std::istringstream text(std::string(buffer, size));
    std::free(buffer);
    std::vector<std::string> rows;
    for (std::string line; std::getline(text, line);) rows.push_back(line);
    return rows;
}

// The tables print the chosen source's values, same layout for both.
TEST(PositionsOption, EphemTablesPrintTheChosenSource) {
    auto jedTable = [](std::FILE* out, PositionSource source) {
        cli::WriteJedTable({2451545.0}, out, source);
    };
    const std::vector<std::string> series = CsvRows(jedTable, PositionSource::Series);
    const std::vector<std::string> precise = CsvRows(jedTable, PositionSource::Precise);
    ASSERT_EQ(series.size(), precise.size());
    // The Sun (code -3, row 20): the library's apparent 280°22'08.11" at J2000.0 UT.
    EXPECT_EQ(precise[20].substr(0, 28), "2451545.000000,-3,280.368918");
    EXPECT_NE(series[20], precise[20]);
    // The fixed directions do not depend on the source.
    EXPECT_EQ(series.back(), precise.back());

    auto dailyTable = [](std::FILE* out, PositionSource source) {
        cli::WriteDailyTable({2024, 4, 8}, {2024, 4, 9}, {18, 17}, out, source);
    };
    const std::vector<std::string> dailySeries = CsvRows(dailyTable, PositionSource::Series);
    const std::vector<std::string> dailyPrecise = CsvRows(dailyTable, PositionSource::Precise);
    ASSERT_EQ(dailyPrecise.size(), 3u);
    EXPECT_EQ(dailySeries[0], dailyPrecise[0]);
    EXPECT_NE(dailySeries[1], dailyPrecise[1]);
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PositionsOption, RenderDrawsWithTheChosenSource) {
    const fs::path dir =
        fs::temp_directory_path() / ("caelvane-positions-" + std::to_string(getpid()));
    fs::create_directories(dir);
    CCaelvaneDoc doc;
    doc.m_jobType = 1;
    doc.m_startYear = 2024;
    std::string error;
    ASSERT_TRUE(SaveJobFile((dir / "job.cvj").string(), doc, error)) << error;
    const std::string job = (dir / "job.cvj").string();
    for (const char* source : {"series", "precise"}) {
        const fs::path out = dir / (std::string(source) + ".trace");
        ASSERT_EQ(
            cli::RunRender({job, "--format", "trace", "--positions", source, "-o", out.string()}),
            0);
        const std::string trace = ReadAll(out);
        const bool precise = std::string(source) == "precise";
        EXPECT_EQ(
            trace.find("positions computed from its own series, times in UT") != std::string::npos,
            !precise);
        EXPECT_EQ(trace.find("positions from " + PreciseSourceName() + ", times in UT") !=
                      std::string::npos,
                  precise);
    }
    EXPECT_EQ(cli::RunRender({job, "--positions", "nope", "-o", (dir / "x.pdf").string()}),
              cli::kUsageError);
    EXPECT_FALSE(fs::exists(dir / "x.pdf"));
    fs::remove_all(dir);
}

#endif

}  // namespace
