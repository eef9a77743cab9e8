// caelvane-cli events --natal: transits to a chart of a horoscope file, and the chart files and
// names it refuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>

#include "cli/events_command.h"
#include "cli/tests/run_cli.h"
#include "ephemeris/calendar.h"
#include "ephemeris/position_source.h"
#include "events/event_writers.h"

namespace {

namespace fs = std::filesystem;
using events::EventKind;

struct Captured {
    int status;
    std::string out;
    std::string err;
};

Captured Cli(std::vector<std::string> args) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = RunCli(std::move(args));
    return {status, ::testing::internal::GetCapturedStdout(),
            ::testing::internal::GetCapturedStderr()};
}

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, at);) parts.push_back(part);
    if (!text.empty() && text.back() == at) parts.push_back("");
    return parts;
}

class TransitEvents : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/transit-cli-XXXXXX";
        m_folder = ::mkdtemp(name);
        m_file = (m_folder / "charts.json").string();
        for (const auto& [chart, date] :
             {std::pair{"London birth", "1975-06-14"}, std::pair{"Listing", "1990-03-01"}})
            ASSERT_EQ(Cli({"chart", "new", "-o", m_file, "--name", chart, "--date", date, "--time",
                           "08:30", "--lat", "51.5", "--lon", "-0.12", "--tz", "Europe/London"})
                          .status,
                      0);
    }
    void TearDown() override { fs::remove_all(m_folder); }
    fs::path m_folder;
    std::string m_file;
};

TEST_F(TransitEvents, CsvNamesTheTransitingBodyAndTheNatalPoint) {
    const Captured c = Cli({"events", "--from", "2024-01-01", "--to", "2024-12-31", "--kinds",
                            "transit", "--natal", m_file, "--natal-name", "London birth"});
    ASSERT_EQ(c.status, 0) << c.err;
    const std::vector<std::string> lines = Split(c.out, '\n');
    ASSERT_GT(lines.size(), 1000u);
    EXPECT_EQ(lines.front(), events::kCsvHeader);
    // The natal points as chart show has them, to compare the angles against.
    const Captured shown =
        Cli({"chart", "show", m_file, "--name", "London birth", "--format", "csv"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    std::set<std::string> natalSeen;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::vector<std::string> f = Split(lines[i], ',');
        ASSERT_EQ(f.size(), 8u) << lines[i];
        EXPECT_EQ(f[1], "transit");
        EXPECT_EQ(f[2], "geo");
        EXPECT_EQ(f[4].rfind("natal ", 0), 0u) << lines[i];
        EXPECT_TRUE(f[5].size() > 0 && f[6].empty()) << lines[i];
        EXPECT_TRUE(f[7] == "direct" || f[7] == "retrograde") << lines[i];
        natalSeen.insert(f[4]);
    }
    for (const char* point : {"natal Sun", "natal Moon", "natal Pluto", "natal Asc", "natal MC"})
        EXPECT_EQ(natalSeen.count(point), 1u) << point;
    EXPECT_EQ(natalSeen.count("natal Desc"), 0u);
    EXPECT_TRUE(lines.back().empty());
}

TEST_F(TransitEvents, BadChartFilesAndNamesAreNamed) {
    const std::string damaged = (m_folder / "damaged.json").string();
    std::ofstream(damaged) << "{\"format\": \"caelvane-horoscopes\", \"version\": 1, \"charts\": [";
    const std::string foreign = (m_folder / "foreign.json").string();
    std::ofstream(foreign) << "{\"format\": \"somebody-else\", \"version\": 1, \"charts\": []}";
    const std::string missing = (m_folder / "missing.json").string();
    const std::vector<std::string> range = {"events", "--from", "2024-01-01", "--to", "2024-01-31"};
    const struct {
        std::vector<std::string> more;
        std::string expected;
    } kCases[] = {
        {{"--natal", m_file, "--natal-name", "Nobody"}, "no chart named 'Nobody'"},
        {{"--natal", m_file}, "name one with --natal-name ('London birth', 'Listing')"},
        {{"--natal", damaged}, damaged},
        {{"--natal", foreign}, foreign},
        {{"--natal", missing}, missing},
        {{"--kinds", "transit"}, "the kind transit needs a natal chart"},
        {{"--natal-name", "Listing"}, "--natal-name needs --natal"},
        {{"--natal", m_file, "--natal-name", "Listing", "--kinds", "transit", "--frame", "helio"},
         "transits are geocentric"},
        {{"--kinds", "transits"},
         "unknown kind 'transits' (aspect, ingress, station, lunation, "
         "eclipse, transit)"},
    };
    for (const auto& c : kCases) {
        std::vector<std::string> args = range;
        args.insert(args.end(), c.more.begin(), c.more.end());
        const Captured run = Cli(args);
        EXPECT_EQ(run.status, 2) << c.expected;
        EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << c.expected;
    }
    // A file that failed to load is left as it was.
    std::ifstream in(damaged);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "{\"format\": \"caelvane-horoscopes\", \"version\": 1, \"charts\": [");
}

TEST_F(TransitEvents, TheChartsPointsAreItsBodiesAndAngles) {
    std::vector<events::NatalPoint> points;
    ASSERT_EQ(cli::NatalPointsOf(m_file, "Listing", points), std::nullopt);
    ASSERT_GE(points.size(), 13u);
    EXPECT_EQ(points.front().name, "Sun");
    EXPECT_EQ(points[points.size() - 2].name, "Asc");
    EXPECT_EQ(points.back().name, "MC");
    for (const auto& point : points) EXPECT_TRUE(point.longitude >= 0 && point.longitude < 360);
    // Without a --kinds list, transits come with every other kind when a chart is named.
    cli::EventsRequest request;
    ASSERT_EQ(cli::ParseEventsArguments({"--from", "2024-01-01", "--to", "2024-01-02", "--natal",
                                         m_file, "--natal-name", "Listing"},
                                        JulianDate(1, 1, 2024, 0, 0), request),
              std::nullopt);
    EXPECT_EQ(request.finder.natalPoints.size(), points.size());
    EXPECT_EQ(request.finder.kinds, events::kAllKinds);
}

// A study of transits: each natal point a group of its own. Closes gain 1.5% on the bar of
// every Moon conjunct natal Moon; that group stands out and the Moon's conjunctions to the other
// points do not.
TEST_F(TransitEvents, StudyGroupsTransitsByNatalPoint) {
    std::vector<events::NatalPoint> points;
    ASSERT_EQ(cli::NatalPointsOf(m_file, "London birth", points), std::nullopt);
    events::FinderOptions finder;
    finder.startJed = JulianDate(1, 3, 2000, 0, 0);
    finder.endJed = JulianDate(1, 1, 2008, 0, 0);
    finder.kinds = events::KindBit(EventKind::Transit);
    finder.heliocentric = false;
    finder.bodies = {-10};
    finder.angles = {0};
    finder.natalPoints = points;
    finder.source = events::DefaultEventSource();
    std::set<std::int64_t> planted;
    for (const auto& event : events::FindEvents(finder).events)
        if (event.natal == "Moon")
            planted.insert(static_cast<std::int64_t>(std::floor(event.jed - 2440587.5)));
    ASSERT_GT(planted.size(), 90u);

    const std::string prices = (m_folder / "prices.csv").string();
    {
        std::ofstream out(prices);
        out << "Date,Close\n";
        std::mt19937_64 random(5);
        std::normal_distribution<double> noise(0.0, 0.01);
        double level = std::log(1000.0);
        bool first = true;
        for (std::int64_t day = DaysFromCivil(2000, 1, 3); day < DaysFromCivil(2008, 1, 1); ++day) {
            // Every day a bar, so that an event's bar is its own day.
            if (!first) level += noise(random) + (planted.count(day) ? 0.015 : 0.0);
            first = false;
            int y = 0, m = 0, d = 0;
            CivilFromDays(day, y, m, d);
            char line[64];
            std::snprintf(line, sizeof line, "%04d-%02d-%02d,%.6f\n", y, m, d, std::exp(level));
            out << line;
        }
    }
    const Captured c = Cli({"study", prices, "--kinds", "transit", "--bodies", "Moon", "--aspects",
                            "0", "--horizons", "1", "--draws", "2000", "--natal", m_file,
                            "--natal-name", "London birth"});
    ASSERT_EQ(c.status, 0) << c.err;
    const std::vector<std::string> rows = Split(c.out, '\n');
    ASSERT_GT(rows.size(), 1u);
    std::set<std::string> groups;
    for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
        const std::vector<std::string> f = Split(rows[i], ',');
        ASSERT_EQ(f.size(), 18u) << rows[i];
        EXPECT_EQ(f[0], "transit");
        EXPECT_EQ(f[1], "Moon");
        EXPECT_TRUE(groups.insert(f[2] + " " + f[5]).second) << "twice: " << rows[i];
        const bool significant = std::stod(f[17]) < 0.01;
        EXPECT_EQ(significant, f[2] == "natal Moon") << rows[i];
    }
    // Every point direct (the Moon never turns).
    EXPECT_EQ(groups.size(), points.size());
    // Transits need a chart in the study too.
    EXPECT_EQ(Cli({"study", prices, "--kinds", "transit"}).status, 2);
    const Captured unnamed = Cli({"study", prices, "--kinds", "transit", "--natal", m_file});
    EXPECT_EQ(unnamed.status, 2);
    EXPECT_NE(unnamed.err.find("--natal-name"), std::string::npos) << unnamed.err;
}

}  // namespace
