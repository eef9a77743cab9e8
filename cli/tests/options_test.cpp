// The one parser of argv over an option table, the value readers every command shares, and the
// usage and help made from the rows.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "cli/option_values.h"

namespace {

using cli::kFlag;
using cli::kPositional;
using cli::kRepeatable;
using cli::kRequired;
using cli::Option;
using cli::OptionTable;

constexpr Option kRows[] = {
    {"FILE", "", "the file", kPositional},
    {"--from", "YYYY-MM-DD", "the days,\nboth included", kRequired},
    {"--to", "YYYY-MM-DD", nullptr, kRequired},
    {"--all", "", "every page", kFlag},
    {"--set", "NAME=VALUE", "a field; repeatable", kRepeatable},
    {"--positions", "series|precise", "the source", 0, "SOURCE"},
    {"--width", "W", "the size", 0, nullptr, "[--width W --height H]"},
    {"--height", "H", nullptr, 0, nullptr, ""},
    {"-o", "OUT", "the output"},
};
constexpr OptionTable kTable{.name = "try", .options = kRows};
constexpr Option kNoWordRows[] = {{"--jed", "J", "a date", kRepeatable}};
constexpr OptionTable kNoWords{.name = "nowords",
                               .options = kNoWordRows,
                               .unknownOption = "unexpected argument \"{}\"",
                               .usageAfterUnknown = true};

struct ParseCase {
    const char* name;
    const OptionTable* table;
    std::vector<std::string> args;
    std::string error;                 // "" when accepted
    std::vector<std::string> words;    // when accepted
    std::vector<std::string> setList;  // the --set values, when accepted
    const char* from = nullptr;        // the --from value, when accepted
};

TEST(OptionParser, ReadsArgvOverTheTable) {
    const ParseCase cases[] = {
        {"nothing", &kTable, {}, "", {}, {}},
        {"options and a word in any order",
         &kTable,
         {"--from", "2024-01-01", "a.csv", "--all"},
         "",
         {"a.csv"},
         {},
         "2024-01-01"},
        {"missing value", &kTable, {"a.csv", "--from"}, "--from needs a value", {}, {}},
        {"unknown option", &kTable, {"--frm", "x"}, "unknown argument '--frm'", {}, {}},
        {"--opt=value is not read",
         &kTable,
         {"--from=2024-01-01"},
         "unknown argument '--from=2024-01-01'",
         {},
         {}},
        {"repeated option", &kTable, {"--from", "a", "--from", "b"}, "--from given twice", {}, {}},
        {"repeated flag", &kTable, {"--all", "--all"}, "--all given twice", {}, {}},
        {"repeatable option keeps every value in order",
         &kTable,
         {"--set", "a=1", "x", "--set", "b=2"},
         "",
         {"x"},
         {"a=1", "b=2"}},
        {"second word", &kTable, {"a", "b"}, "more than one FILE: 'b'", {}, {}},
        {"a value is the next word whatever it looks like",
         &kTable,
         {"--from", "-h", "--set", "--all"},
         "",
         {},
         {"--all"},
         "-h"},
        {"an empty value", &kTable, {"--from", ""}, "", {}, {}, ""},
        {"a lone dash is a word", &kTable, {"-"}, "", {"-"}, {}},
        {"-- ends the options", &kTable, {"--", "--all"}, "", {"--all"}, {}},
        {"after -- a second word is still one too many",
         &kTable,
         {"a", "--", "--all"},
         "more than one FILE: '--all'",
         {},
         {}},
        {"a word where no word belongs",
         &kNoWords,
         {"--jed", "1", "x"},
         "unexpected argument \"x\"; usage: nowords [--jed J ...]",
         {},
         {}},
        {"an unknown option with the usage",
         &kNoWords,
         {"--days"},
         "unexpected argument \"--days\"; usage: nowords [--jed J ...]",
         {},
         {}},
        {"-- where no word belongs",
         &kNoWords,
         {"--"},
         "unexpected argument \"--\"; usage: nowords [--jed J ...]",
         {},
         {}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        cli::ParsedOptions parsed;
        const std::optional<std::string> error = cli::ParseOptions(*c.table, c.args, parsed);
        EXPECT_EQ(error.value_or(""), c.error);
        if (error) continue;
        EXPECT_EQ(parsed.words, c.words);
        EXPECT_EQ(parsed.Values("--set"), c.setList);
        if (c.from != nullptr) {
            ASSERT_NE(parsed.Value("--from"), nullptr);
            EXPECT_EQ(*parsed.Value("--from"), c.from);
        } else {
            EXPECT_FALSE(parsed.Has("--from"));
        }
    }
}

TEST(OptionParser, FindsHelpWhereAnOptionMayStand) {
    const cli::OptionTable* tables[] = {&kTable};
    const struct {
        std::vector<std::string> args;
        bool help;
    } cases[] = {
        {{"--help"}, true},
        {{"-h"}, true},
        {{"a.csv", "--from", "x", "--help"}, true},
        {{"a.csv", "-h"}, true},
        {{"--all", "-h"}, true},        // after a flag
        {{"--from", "x", "-h"}, true},  // after a value
        {{"--from", "-h"}, false},      // the value of --from
        {{"--unknown", "-h"}, false},   // perhaps the value of an option the table lacks
        {{"--", "--help"}, false},      // a file name
        {{"a.csv", "--", "-h"}, false},
        {{}, false},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const std::string& arg : c.args) joined += arg + " ";
        EXPECT_EQ(cli::AsksForHelp(c.args, tables), c.help) << joined;
    }
}

TEST(OptionParser, UsageAndHelpComeFromTheRows) {
    EXPECT_EQ(cli::UsageOf(kTable),
              "try [FILE] --from YYYY-MM-DD --to YYYY-MM-DD [--all] [--set NAME=VALUE ...] "
              "[--positions series|precise] [--width W --height H] [-o OUT]");
    const cli::OptionTable* both[] = {&kTable, &kNoWords};
    EXPECT_EQ(cli::UsageOf(both), cli::UsageOf(kTable) + " | nowords [--jed J ...]");
    EXPECT_EQ(cli::OptionListOf(kTable),
              "  FILE                     the file\n"
              "  --from, --to YYYY-MM-DD  the days,\n"
              "                           both included\n"
              "  --all                    every page\n"
              "  --set NAME=VALUE         a field; repeatable\n"
              "  --positions SOURCE       the source\n"
              "  --width W, --height H    the size\n"
              "  -o OUT                   the output\n");
}

TEST(OptionValues, NumbersAreReadOneWay) {
    const struct {
        const char* text;
        std::optional<double> real;
        std::optional<long long> whole;
    } cases[] = {
        {"12", 12, 12},
        {"+12", 12, 12},
        {"-7", -7, -7},
        {"2451545.25", 2451545.25, std::nullopt},
        {"1e3", 1000, std::nullopt},
        {".5", 0.5, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"+", std::nullopt, std::nullopt},
        {"++1", std::nullopt, std::nullopt},
        {"+-1", std::nullopt, std::nullopt},
        {" 1", std::nullopt, std::nullopt},
        {"1 ", std::nullopt, std::nullopt},
        {"1,5", std::nullopt, std::nullopt},
        {"0x10", std::nullopt, std::nullopt},
        {"inf", std::nullopt, std::nullopt},
        {"nan", std::nullopt, std::nullopt},
        {"1e999", std::nullopt, std::nullopt},
        {"99999999999999999999", 1e20, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cli::ParseReal(c.text), c.real) << c.text;
        EXPECT_EQ(cli::ParseWhole(c.text), c.whole) << c.text;
    }
    EXPECT_EQ(cli::ParseUnsigned("18446744073709551615"), UINT64_MAX);
    EXPECT_FALSE(cli::ParseUnsigned("18446744073709551616"));
    EXPECT_FALSE(cli::ParseUnsigned("-1"));
    EXPECT_FALSE(cli::ParseUnsigned("+1"));
    EXPECT_EQ(cli::SplitList("a,,b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(cli::SplitList(""), (std::vector<std::string>{""}));
}

TEST(OptionValues, RefusalsNameTheOptionAndTheValue) {
    int whole = 0;
    double real = 0;
    cli::Date date{};
    PositionSource source = PositionSource::Series;
    const double open = std::numeric_limits<double>::infinity();
    const struct {
        std::optional<std::string> got;
        const char* expected;
    } cases[] = {
        {cli::ReadWhole("--dpi", "0", 1, 1200, whole),
         "--dpi needs a whole number from 1 to 1200, not '0'"},
        {cli::ReadWhole("--dpi", "1.5", 1, 1200, whole),
         "--dpi needs a whole number from 1 to 1200, not '1.5'"},
        {cli::ReadReal("--speed", "x", 1e-5, 1e9, real),
         "--speed needs a number from 1e-05 to 1e+09, not 'x'"},
        {cli::ReadReal("--step", "-1", 0, open, real),
         "--step needs a number of at least 0, not '-1'"},
        {cli::ReadReal("--offset", "inf", -open, open, real), "--offset needs a number, not 'inf'"},
        {cli::ReadDate("--from", "2023-02-29", date),
         "--from needs a date YYYY-MM-DD, not '2023-02-29'"},
        {cli::ReadDate("--to", "10000-01-01", date),
         "--to needs a date YYYY-MM-DD, not '10000-01-01'"},
        {cli::ReadPositions("--positions", "swiss", source),
         "--positions: 'swiss' is not a position source; use series|precise"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got.value_or("accepted"), c.expected);

    EXPECT_FALSE(cli::ReadWhole("--dpi", "+1200", 1, 1200, whole));
    EXPECT_EQ(whole, 1200);
    EXPECT_FALSE(cli::ReadReal("--offset", "-12.5", -open, open, real));
    EXPECT_EQ(real, -12.5);
    EXPECT_FALSE(cli::ReadDate("--from", "0000-02-29", date));
    EXPECT_EQ(date.year, 0);
    EXPECT_FALSE(cli::ReadPositions("--positions", "series", source));
    EXPECT_EQ(source, PositionSource::Series);
}

}  // namespace

namespace {

TEST(WrapHelp, BreaksAtSpacesWithinTheWidth) {
    struct Case {
        const char* name;
        const char* text;
        std::size_t width;
        const char* expected;
    };
    const Case cases[] = {
        {"fits on one line", "Sun, Moon", 9, "Sun, Moon"},
        {"one over the width breaks", "Sun, Moon", 8, "Sun,\nMoon"},
        {"greedy over several lines", "aa bb cc dd ee", 5, "aa bb\ncc dd\nee"},
        {"a word longer than the width stands alone", "a longword b", 4, "a\nlongword\nb"},
        {"runs of spaces fold into one", "  a   b  ", 10, "a b"},
        {"empty", "", 10, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(cli::WrapHelp(c.text, c.width), c.expected) << c.name;
}

}  // namespace
