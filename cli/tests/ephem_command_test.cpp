#include "cli/ephem_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

// What a table writer writes, as lines.
class Capture {
public:
    Capture() : m_file(open_memstream(&m_buffer, &m_size)) {}
    ~Capture() {
        if (m_file != nullptr) std::fclose(m_file);
        std::free(m_buffer);
    }
    std::FILE* File() { return m_file; }
    std::vector<std::string> Lines() {
        std::fflush(m_file);
        std::vector<std::string> lines;
        std::istringstream text(std::string(m_buffer, m_size));
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }

private:
    char* m_buffer = nullptr;
    std::size_t m_size = 0;
    std::FILE* m_file;
};

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream text(line);
    for (std::string field; std::getline(text, field, ',');) fields.push_back(field);
    return fields;
}

std::string Refusal(const std::vector<std::string>& args, cli::EphemRequest& request) {
    return cli::ParseEphemArguments(args, request).value_or("");
}

std::string Refusal(const std::vector<std::string>& args) {
    cli::EphemRequest request;
    return Refusal(args, request);
}

TEST(EphemJedTable, EveryCodeForEveryJedInOrder) {
    Capture out;
    cli::WriteJedTable({2451545.0, 2415020.5}, out.File());
    const std::vector<std::string> lines = out.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "jed,code,longitude,latitude");
    const std::size_t codes = cli::JedTableCodes().size();
    // 12 heliocentric wheel codes, 4 more (20, 30, 40, 2000), 13 geocentric ones and 4 specials
    // (-100..-103): every code the engine serves.
    EXPECT_EQ(codes, 34u);
    ASSERT_EQ(lines.size(), 1 + 2 * codes);
    for (std::size_t row = 0; row < 2 * codes; ++row) {
        const std::vector<std::string> fields = Fields(lines[1 + row]);
        ASSERT_EQ(fields.size(), 4u) << lines[1 + row];
        EXPECT_EQ(fields[0], row < codes ? "2451545.000000" : "2415020.500000");
        EXPECT_EQ(std::stoi(fields[1]), cli::JedTableCodes()[row % codes]);
    }
    EXPECT_EQ(Fields(lines[1])[1], "1");
    EXPECT_EQ(Fields(lines.back())[1], "-103");
}

TEST(EphemDailyTable, NamedColumns) {
    Capture out;
    cli::WriteDailyTable({2024, 1, 1}, {2024, 1, 1}, {17, 0}, out.File());
    const std::vector<std::string> lines = out.Lines();
    ASSERT_EQ(lines.size(), 2u);
    const std::vector<std::string> header = Fields(lines[0]);
    ASSERT_EQ(header.size(), 4 + cli::DailyColumns().size());
    const std::vector<std::string> leading(header.begin(), header.begin() + 4);
    EXPECT_EQ(leading, (std::vector<std::string>{"date", "time_ut", "jed", "weekday"}));
    // Heliocentric wheel, geocentric wheel, then the latitudes; spreadsheets look them up by
    // name, so the names and their order are fixed.
    const std::vector<std::string> expected = {
        "helio_mercury", "helio_venus",  "helio_earth",   "helio_mars",  "helio_jupiter",
        "helio_saturn",  "helio_uranus", "helio_neptune", "helio_pluto", "helio_moon",
        "helio_node",    "helio_chiron", "geo_mercury",   "geo_venus",   "geo_sun",
        "geo_mars",      "geo_jupiter",  "geo_saturn",    "geo_uranus",  "geo_neptune",
        "geo_pluto",     "geo_moon",     "geo_node",      "geo_chiron",  "lat_mercury",
        "lat_venus",     "lat_mars",     "lat_jupiter",   "lat_saturn",  "lat_uranus",
        "lat_neptune",   "lat_pluto",    "lat_moon",      "incl_chiron"};
    EXPECT_EQ(std::vector<std::string>(header.begin() + 4, header.end()), expected);

    const std::vector<std::string> row = Fields(lines[1]);
    ASSERT_EQ(row.size(), header.size());
    EXPECT_EQ(row[0], "2024-01-01");
    EXPECT_EQ(row[1], "17:00");
    // 2024-01-01 0h UT is JED 2460310.5 (2000-01-01 0h UT = 2451544.5, 8766 days before);
    // 17:00 adds 17/24 of a day.
    EXPECT_EQ(row[2], "2460311.208333");
    EXPECT_EQ(row[3], "Mon");  // calendar: 1 January 2024 was a Monday
}

TEST(EphemDailyTable, ToIsInclusiveAcrossMonthsAndLeapDays) {
    const auto dates = [](cli::Date from, cli::Date to) {
        Capture out;
        cli::WriteDailyTable(from, to, {0, 0}, out.File());
        std::vector<std::string> result;
        const std::vector<std::string> lines = out.Lines();
        for (std::size_t i = 1; i < lines.size(); ++i) result.push_back(Fields(lines[i])[0]);
        return result;
    };
    EXPECT_EQ(dates({2024, 2, 27}, {2024, 3, 1}),
              (std::vector<std::string>{"2024-02-27", "2024-02-28", "2024-02-29", "2024-03-01"}));
    EXPECT_EQ(dates({2023, 2, 28}, {2023, 3, 1}),
              (std::vector<std::string>{"2023-02-28", "2023-03-01"}));
    EXPECT_EQ(dates({1999, 12, 31}, {2000, 1, 1}),
              (std::vector<std::string>{"1999-12-31", "2000-01-01"}));
    EXPECT_EQ(dates({2000, 5, 5}, {2000, 5, 5}), (std::vector<std::string>{"2000-05-05"}));
    EXPECT_EQ(dates({2000, 1, 1}, {2000, 12, 31}).size(), 366u);
}

// Year 0 is a leap year of the proleptic Gregorian calendar: its 29 February exists and the
// days step by one JED each (1721117.5 is 0000-02-28 0h UT).
TEST(EphemDailyTable, YearZeroHasItsLeapDay) {
    cli::EphemRequest request;
    ASSERT_FALSE(cli::ParseEphemArguments(
        {"--from", "0000-02-28", "--to", "0000-03-01", "--time", "00:00"}, request));
    Capture out;
    cli::WriteDailyTable(request.from, request.to, request.time, out.File());
    const std::vector<std::string> lines = out.Lines();
    ASSERT_EQ(lines.size(), 4u);
    const char* const expected[][2] = {{"0000-02-28", "1721117.500000"},
                                       {"0000-02-29", "1721118.500000"},
                                       {"0000-03-01", "1721119.500000"}};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::vector<std::string> row = Fields(lines[i + 1]);
        EXPECT_EQ(row[0], expected[i][0]);
        EXPECT_EQ(row[2], expected[i][1]) << row[0];
    }
}

TEST(EphemArguments, TwoKindsOfTable) {
    cli::EphemRequest request;
    ASSERT_EQ(Refusal({"--jed", "2451545", "--jed", "-1e3"}, request), "");
    EXPECT_EQ(request.jeds, (std::vector<double>{2451545.0, -1000.0}));

    request = {};
    ASSERT_EQ(Refusal({"--to", "2024-03-01", "--from", "2024-02-28"}, request), "");
    EXPECT_TRUE(request.jeds.empty());
    EXPECT_EQ(request.from.day, 28);
    EXPECT_EQ(request.to.month, 3);
    // The pages' time of day unless --time says otherwise.
    EXPECT_EQ(request.time.hour, 17);
    EXPECT_EQ(request.time.minute, 0);

    request = {};
    ASSERT_EQ(Refusal({"--from", "2024-02-28", "--to", "2024-02-28", "--time", "23:59"}, request),
              "");
    EXPECT_EQ(request.time.hour, 23);
    EXPECT_EQ(request.time.minute, 59);
}

TEST(EphemArguments, RefusalsNameTheProblem) {
    const std::string usage = cli::kEphemUsage;
    EXPECT_EQ(Refusal({}), "needs --jed, or --from and --to; usage: " + usage);
    EXPECT_EQ(Refusal({"--from", "2024-01-01"}),
              "needs --jed, or --from and --to; usage: " + usage);
    EXPECT_EQ(Refusal({"--days", "3"}), "unknown argument '--days'; usage: " + usage);
    EXPECT_EQ(Refusal({"--jed"}), "--jed needs a value");
    EXPECT_EQ(Refusal({"--jed", "nan"}), "--jed needs a finite number, not 'nan'");
    EXPECT_EQ(Refusal({"--jed", "1", "--time", "12:00"}),
              "--jed cannot be combined with --from, --to or --time");
    EXPECT_EQ(Refusal({"--from", "2024-01-02", "--to", "2024-01-01"}), "--to lies before --from");
    EXPECT_EQ(Refusal({"--from", "2024-01-01", "--from", "2024-01-02"}), "--from given twice");
    EXPECT_EQ(Refusal({"--from", "2023-02-29", "--to", "2023-03-01"}),
              "--from needs a date YYYY-MM-DD, not '2023-02-29'");
    EXPECT_EQ(Refusal({"--time", "24:00"}), "--time needs HH:MM (00:00 to 23:59), not '24:00'");
}

TEST(EphemParsers, DatesTimesAndJeds) {
    EXPECT_TRUE(cli::ParseDate("2000-02-29"));
    EXPECT_TRUE(cli::ParseDate("2024-02-29"));
    EXPECT_FALSE(cli::ParseDate("1900-02-29"));
    EXPECT_FALSE(cli::ParseDate("2023-02-29"));
    EXPECT_FALSE(cli::ParseDate("2023-09-31"));
    EXPECT_FALSE(cli::ParseDate("2023-01-00"));
    EXPECT_FALSE(cli::ParseDate("+999-01-01"));
    EXPECT_FALSE(cli::ParseDate("2023-01-1"));
    ASSERT_TRUE(cli::ParseDate("1987-10-19"));
    EXPECT_EQ(cli::ParseDate("1987-10-19")->year, 1987);

    EXPECT_TRUE(cli::ParseTime("00:00"));
    EXPECT_FALSE(cli::ParseTime("23:60"));
    EXPECT_FALSE(cli::ParseTime("7:00"));
    EXPECT_FALSE(cli::ParseTime("07-00"));

    EXPECT_EQ(cli::ParseJed("2451545.25"), 2451545.25);
    for (const char* bad : {"", "inf", "nan", "1e999", "12x", "1 "}) {
        EXPECT_FALSE(cli::ParseJed(bad)) << bad;
    }
}

}  // namespace
