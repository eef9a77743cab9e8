// Whole pages against their reviewed display lists. Each folder under the cases folder holds
// job.cvj, expected.trace and optionally an args file of key=value lines:
//   today=YYYY-MM-DD   the host's local date (default 2000-01-18)
//   title=TEXT         the document title (default job.cvj)
//   tz=RULE            the time-zone rule as a POSIX TZ string (default: no daylight saving)
//   page=N             the page to draw (default: the job's own, 1)
//   price=TEXT         a price file's text, applied as the price monitor's Start and poll
//   positions=SOURCE   where positions come from: series (default) or precise
//   style=STYLE        the page style: classic (default) or modern (boxes from estimated
//                      metrics, so the golden holds whatever fonts the machine has)
// CAELVANE_UPDATE_GOLDENS=1 rewrites every expected.trace from the current code: review the
// differences by eye before committing them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "chart/chart_state.h"
#include "chart/price_poll.h"
#include "chart/tests/test_host.h"
#include "ephemeris/position_source.h"
#include "job/caelvane_doc.h"
#include "job/job_file.h"
#include "platform/time_zone.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ParseDate(const std::string& text, caelvane::LocalDate& date) {
    int year = 0, month = 0, day = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d", &year, &month, &day) != 3) return false;
    date = {month, day, year};
    return true;
}

// Applies one args line; false with a reason when it is not understood.
bool ApplyArg(const std::string& line, CCaelvaneDoc& doc, ChartState& state,
              chart_test::CTestHost& host, std::string& error) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        error = "no '=' in \"" + line + "\"";
        return false;
    }
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "today") {
        if (!ParseDate(value, host.today)) error = "bad date " + value;
    } else if (key == "title") {
        doc.SetTitle(value);
    } else if (key == "tz") {
        const std::optional<caelvane::TimeZoneRule> rule = caelvane::ParsePosixTimeZone(value);
        if (rule)
            host.rule = *rule;
        else
            error = "not a POSIX TZ rule: " + value;
    } else if (key == "page") {
        doc.m_currentPage = std::atoi(value.c_str());
    } else if (key == "price") {
        PriceReading reading;
        if (ParsePriceText(value, reading, error)) {
            StartPriceDisplay(doc);
            ApplyPriceReading(doc, reading);
        }
    } else if (key == "positions") {
        if (const std::optional<PositionSource> source = ReadPositionSource(value, error))
            state.positionSource = *source;
    } else if (key == "style") {
        if (const std::optional<PageStyle> style = ReadPageStyle(value, error))
            state.pageStyle = *style;
    } else {
        error = "unknown key " + key;
    }
    return error.empty();
}

std::vector<fs::path> CaseFolders() {
    std::vector<fs::path> folders;
    std::error_code error;  // a missing cases folder is reported by CasesExist, not thrown
    for (fs::directory_iterator it(CAELVANE_CHART_CASES, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_directory()) folders.push_back(it->path());
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

// The folder name as a test name: letters, digits and '_' only ("type0-today-price" ->
// "type0_today_price").
std::string CaseName(const ::testing::TestParamInfo<fs::path>& info) {
    std::string name = info.param.filename().string();
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

bool UpdateGoldens() {
    const char* value = std::getenv("CAELVANE_UPDATE_GOLDENS");
    return value && std::string(value) == "1";
}

TEST(GoldenPages, CasesExist) {
    EXPECT_GE(CaseFolders().size(), 4u) << "one case per job type at least";
}

class GoldenPage : public ::testing::TestWithParam<fs::path> {};

TEST_P(GoldenPage, MatchesItsReviewedTrace) {
    const fs::path& folder = GetParam();
    CCaelvaneDoc doc;
    std::string error;
    ASSERT_TRUE(LoadJobFile((folder / "job.cvj").string(), doc, error)) << error;
    doc.SetTitle("job.cvj");
    chart_test::CTestHost host;
    ChartState state;
    if (fs::exists(folder / "args")) {
        std::istringstream args(ReadFile(folder / "args"));
        for (std::string line; std::getline(args, line);) {
            if (line.empty() || line[0] == '#') continue;
            ASSERT_TRUE(ApplyArg(line, doc, state, host, error)) << error;
        }
    }
    if (state.positionSource == PositionSource::Precise && !PrecisePositionsAvailable())
        GTEST_SKIP() << "built without the precise source";
    const std::string actual = chart_test::DrawToTrace(doc, state, host);
    const fs::path expectedPath = folder / "expected.trace";
    if (UpdateGoldens()) {
        std::ofstream(expectedPath, std::ios::binary) << actual;
        return;
    }
    ASSERT_TRUE(fs::exists(expectedPath)) << "no expected.trace; run with "
                                             "CAELVANE_UPDATE_GOLDENS=1 and review it";
    const std::vector<std::string> expectedLines = chart_test::SplitLines(ReadFile(expectedPath));
    const std::vector<std::string> actualLines = chart_test::SplitLines(actual);
    const std::size_t common = std::min(expectedLines.size(), actualLines.size());
    for (std::size_t i = 0; i < common; ++i) {
        ASSERT_EQ(actualLines[i], expectedLines[i]) << "first difference at line " << i + 1;
    }
    EXPECT_EQ(actualLines.size(), expectedLines.size());
}

// One test per folder, named after it, so that one failing case does not hide the others.
INSTANTIATE_TEST_SUITE_P(Cases, GoldenPage, ::testing::ValuesIn(CaseFolders()), CaseName);

}  // namespace
