// caelvane-cli study end to end: a planted effect is found, the same seed gives the same bytes,
// the columns follow the options, and bad input is refused naming the value.
#include "cli/study_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/commands.h"
#include "cli/tests/run_cli.h"
#include "ephemeris/calendar.h"
#include "events/event_finder.h"

namespace {

constexpr std::int64_t kDay = 86400;

std::vector<std::string> Split(const std::string& text, char by) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, by);) parts.push_back(part);
    return parts;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class StudyCommand : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/study_command_testXXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    // Weekday closes from 2000-01-03 for eight years, a random walk; with `plant`, the bar of
    // every full Moon (by the convention) gains 1.5%.
    std::string PriceFile(bool plant, const char* name = "prices.csv") {
        std::vector<std::int64_t> days;
        for (std::int64_t day = DaysFromCivil(2000, 1, 3); day < DaysFromCivil(2008, 1, 1); ++day)
            if ((day + 4) % 7 != 0 && (day + 4) % 7 != 6) days.push_back(day);
        std::vector<double> step(days.size(), 0.0);
        std::mt19937_64 random(17);
        std::normal_distribution<double> noise(0.0, 0.01);
        for (double& s : step) s = noise(random);
        if (plant) {
            events::FinderOptions finder;
            finder.startJed = JulianDate(1, 3, 2000, 0, 0);
            finder.endJed = JulianDate(1, 1, 2008, 0, 0);
            finder.kinds = events::KindBit(events::EventKind::Lunation);
            finder.heliocentric = false;
            for (const auto& event : events::FindEvents(finder).events) {
                if (event.detail != events::EventDetail::FullMoon) continue;
                const std::int64_t day =
                    static_cast<std::int64_t>(std::floor(event.jed - 2440587.5 + 0.5 / kDay));
                const auto bar = std::lower_bound(days.begin(), days.end(), day);
                if (bar != days.end()) step[bar - days.begin()] += 0.015;
            }
        }
        const std::string path = m_folder + "/" + name;
        std::ofstream out(path);
        out << "Date,Close\n";
        double level = std::log(1000.0);
        for (std::size_t i = 0; i < days.size(); ++i) {
            if (i > 0) level += step[i];
            int y = 0, m = 0, d = 0;
            CivilFromDays(days[i], y, m, d);
            char line[64];
            std::snprintf(line, sizeof line, "%04d-%02d-%02d,%.6f\n", y, m, d, std::exp(level));
            out << line;
        }
        return path;
    }

    int Run(std::vector<std::string> args, std::string& err) {
        ::testing::internal::CaptureStderr();
        const int status = RunCli(std::move(args));
        err = ::testing::internal::GetCapturedStderr();
        return status;
    }

    std::string m_folder;
};

TEST_F(StudyCommand, PlantedEffectAfterFullMoonsIsFound) {
    const std::string prices = PriceFile(true);
    const std::string out = m_folder + "/study.csv";
    std::string err;
    ASSERT_EQ(Run({"study", prices, "--kinds", "lunation", "--positions", "series", "--draws",
                   "2000", "-o", out},
                  err),
              0)
        << err;
    EXPECT_NE(err.find("12 rows tested"), std::string::npos) << err;
    const std::vector<std::string> rows = Split(ReadAll(out), '\n');
    ASSERT_EQ(rows.size(), 1u + 4 * 3);
    EXPECT_EQ(rows[0],
              "kind,body1,body2,angle,sign,detail,horizon,n,mean,median,sd,hit_rate,"
              "baseline_mean,baseline_hit_rate,excess,t,p,q");
    int foundFull = 0, foundOther = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> f = Split(rows[i], ',');
        ASSERT_EQ(f.size(), 18u) << rows[i];
        EXPECT_EQ(f[0], "lunation");
        EXPECT_EQ(f[1], "Sun");
        EXPECT_EQ(f[2], "Moon");
        EXPECT_GT(std::stoi(f[7]), 90) << rows[i];  // eight years of each phase
        const bool significant = std::stod(f[17]) < 0.01;
        if (f[5] == "full" && f[6] == "1") {
            EXPECT_TRUE(significant) << rows[i];
            EXPECT_NEAR(std::stod(f[14]), 0.015, 0.005) << rows[i];
        }
        (f[5] == "full" ? foundFull : foundOther) += significant;
    }
    EXPECT_GE(foundFull, 1);
    EXPECT_EQ(foundOther, 0);
}

TEST_F(StudyCommand, SameSeedSameBytesAndOptionalColumns) {
    const std::string prices = PriceFile(false);
    const std::vector<std::string> base = {"study",  prices,    "--positions",
                                           "series", "--draws", "300"};
    std::string err;
    const auto run = [&](std::vector<std::string> extra, const std::string& out) {
        std::vector<std::string> args = base;
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back("-o");
        args.push_back(m_folder + "/" + out);
        EXPECT_EQ(Run(args, err), 0) << err;
        return ReadAll(m_folder + "/" + out);
    };
    const std::string a = run({"--kinds", "lunation,station", "--seed", "7"}, "a.csv");
    EXPECT_EQ(a, run({"--kinds", "lunation,station", "--seed", "7"}, "b.csv"));
    EXPECT_NE(a, run({"--kinds", "lunation,station", "--seed", "8"}, "c.csv"));
    const std::string split =
        run({"--kinds", "station", "--split", "2004-01-01", "--horizons", "1"}, "d.csv");
    EXPECT_EQ(split.substr(0, split.find('\n')),
              "kind,body1,body2,angle,sign,detail,horizon,period,n,mean,median,sd,hit_rate,"
              "baseline_mean,baseline_hit_rate,excess,t,p,q");
    EXPECT_NE(split.find(",retrograde,1,in,"), std::string::npos) << split;
    EXPECT_NE(split.find(",retrograde,1,out,"), std::string::npos) << split;
    const std::string both = run(
        {"--frame", "both", "--kinds", "ingress", "--bodies", "Mars", "--horizons", "5"}, "e.csv");
    EXPECT_EQ(both.substr(0, 18), "kind,frame,body1,b");
    EXPECT_NE(both.find("ingress,helio,Mars,"), std::string::npos) << both;
    EXPECT_NE(both.find("ingress,geo,Mars,"), std::string::npos) << both;
}

TEST_F(StudyCommand, BadInputIsRefusedNamingTheValue) {
    const std::string prices = PriceFile(false);
    const std::string shortFile = m_folder + "/short.csv";
    std::ofstream(shortFile) << "Date,Close\n2024-01-02,10\n2024-01-03,11\n2024-01-04,12\n";
    const std::string zero = m_folder + "/zero.csv";
    std::ofstream(zero) << "Date,Close\n2024-01-02,10\n2024-01-03,0\n2024-01-04,12\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* named;
    } const cases[] = {
        {{"--horizons", "1,0"}, 2, "horizon 0"},
        {{"--horizons", "-3"}, 2, "horizon -3"},
        {{"--horizons", "five"}, 2, "horizon 'five'"},
        {{"--draws", "0"}, 2, "draws 0"},
        {{"--split", "2030-01-01"}, 2, "split date 2030-01-01 is outside the file"},
        {{"--split", "1999-02-30"}, 2, "'1999-02-30'"},
        {{"--kinds", "eclipses"}, 2, "unknown kind 'eclipses'"},
        {{"--bodies", "Vulcan"}, 2, "unknown body 'Vulcan'"},
        {{"--control", "bootstrap"}, 2, "unknown control 'bootstrap'"},
        {{"--frame", "topo"}, 2, "unknown frame 'topo'"},
        {{"--horizons", "3000"}, 2, "too few for horizon 3000"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"study", prices, "--positions", "series"};
        if (c.args[0] != "--kinds") args.insert(args.end(), {"--kinds", "station"});
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string err;
        EXPECT_EQ(Run(args, err), c.status) << c.named << ": " << err;
        EXPECT_NE(err.find(c.named), std::string::npos) << err;
    }
    std::string err;
    EXPECT_EQ(Run({"study", shortFile, "--kinds", "lunation"}, err), 2) << err;
    EXPECT_NE(err.find("the file has 3 bars"), std::string::npos) << err;
    EXPECT_EQ(Run({"study", zero, "--kinds", "lunation"}, err), 1) << err;
    EXPECT_NE(err.find("zero.csv:3"), std::string::npos) << err;
    EXPECT_EQ(Run({"study", prices}, err), 2);
    EXPECT_NE(err.find("needs --kinds"), std::string::npos) << err;
}

TEST(StudyCommandHelp, EveryOptionOfTheUsageIsDescribed) {
    const std::string help = cli::kStudyHelp;
    for (const std::string& word : Split(cli::kStudyUsage, ' ')) {
        std::string option = word;
        option.erase(0, option.find_first_not_of('['));
        if (option.empty() || option[0] != '-' || option == "-") continue;
        option = option.substr(0, option.find_first_of(" ]"));
        EXPECT_NE(help.find("  " + option), std::string::npos) << option;
    }
}

}  // namespace
