#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/tests/run_cli.h"

namespace {

TEST(CommandTable, EveryCommandOnceWithItsUsage) {
    std::vector<std::string> names;
    for (const cli::CommandEntry& entry : cli::Commands()) {
        names.push_back(entry.name);
        // The usage line starts with the command's own name.
        EXPECT_EQ(std::string(entry.usage).rfind(std::string(entry.name) + " ", 0), 0u)
            << entry.usage;
        EXPECT_NE(entry.run, nullptr);
    }
    std::vector<std::string> expected = {"ephem",         "events",     "job",
                                         "lines",         "pricefeed",  "render",
                                         "render-prices", "render-sky", "study"};
#ifdef CAELVANE_HAVE_NATAL
    expected.insert(expected.begin(), {"atlas", "chart"});
    expected.insert(expected.end() - 3, "render-chart");
#endif
    EXPECT_EQ(names, expected);
}

TEST(UsageErrors, OneShapeForEveryCommand) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(cli::UsageError("job", "-o given twice"), cli::kUsageError);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "caelvane-cli job: -o given twice\n");

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(cli::UsageError("render", "missing FILE.cvj", cli::kRenderUsage), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              std::string("caelvane-cli render: missing FILE.cvj\nusage: caelvane-cli ") +
                  cli::kRenderUsage + "\n");
}

TEST(UsageErrors, CommandsReportThroughIt) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({"render"}), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              std::string("caelvane-cli render: missing FILE.cvj\nusage: caelvane-cli ") +
                  cli::kRenderUsage + "\n");

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({"ephem", "--time", "25:00"}), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "caelvane-cli ephem: --time needs HH:MM (00:00 to 23:59), not '25:00'\n");

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({"job", "frob"}), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              std::string("caelvane-cli job: unknown sub-command \"frob\"; usage: caelvane-cli ") +
                  cli::kJobUsage + "\n");

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({"pricefeed", "--count", "0", "--random-walk"}), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "caelvane-cli pricefeed: --count must be at least 1\n");
}

TEST(Dispatcher, HelpUnknownAndMissingCommands) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunCli({"help"}), 0);
    std::string expected = "usage: caelvane-cli COMMAND [ARGS...]\n";
    for (const cli::CommandEntry& entry : cli::Commands()) {
        expected += std::string("  ") + entry.usage + "\n";
    }
    expected += cli::kUsageTrailer;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), expected);

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunCli({"--version"}), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              std::string("caelvane-cli ") + cli::kVersion + "\n");
    EXPECT_TRUE(std::string(cli::kVersion).find_first_of("0123456789") == 0);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({}), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), expected);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({"plot"}), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "caelvane-cli: unknown command 'plot'\n" + expected);
}

// Every command of the table answers --help (usage on standard output, status 0), however it
// parses the rest: a property of the table, so that a command added to it has it too.
TEST(Help, EveryCommandAnswersItBeforeItsOwnParsing) {
    const std::vector<std::vector<std::string>> asks = {
        {"--help"}, {"-h"}, {"new", "--help"}, {"file.cvj", "--page", "2", "--help"}};
    for (const cli::CommandEntry& entry : cli::Commands()) {
        for (std::vector<std::string> args : asks) {
            SCOPED_TRACE(std::string(entry.name) + " " + args.front());
            args.insert(args.begin(), entry.name);
            ::testing::internal::CaptureStdout();
            ::testing::internal::CaptureStderr();
            EXPECT_EQ(RunCli(args), 0);
            const std::string out = ::testing::internal::GetCapturedStdout();
            EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
            EXPECT_EQ(out.rfind(std::string("usage: caelvane-cli ") + entry.usage + "\n", 0), 0u)
                << out;
            if (entry.help != nullptr) {
                EXPECT_NE(out.find(entry.help), std::string::npos);
            }
        }
    }
}

TEST(Help, OnlyBeforeTheEndOfTheOptions) {
    EXPECT_TRUE(cli::AsksForHelp({"-h"}));
    EXPECT_TRUE(cli::AsksForHelp({"a.cvj", "--help"}));
    // After "--" it is a file name; "-h" later on may be an option's value.
    EXPECT_FALSE(cli::AsksForHelp({"--", "--help"}));
    EXPECT_FALSE(cli::AsksForHelp({"--title", "-h"}));
    EXPECT_FALSE(cli::AsksForHelp({}));
}

TEST(Help, RenderStatesTheMemoryOfItsLargestPage) {
    EXPECT_NE(std::string(cli::kRenderHelp).find("the limit of 1200 dpi about 950 MB"),
              std::string::npos);
}

// Every option a usage line names is described in the command's help, so that a new option
// cannot ship with a usage entry alone.
TEST(Help, DescribesEveryOptionOfItsUsage) {
    const auto isOptionChar = [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; };
    for (const cli::CommandEntry& entry : cli::Commands()) {
        SCOPED_TRACE(entry.name);
        ASSERT_NE(entry.help, nullptr);
        const std::string usage = entry.usage;
        const std::string help = entry.help;
        for (std::size_t at = usage.find('-'); at != std::string::npos;
             at = usage.find('-', at + 1)) {
            const bool starts =
                at == 0 || usage[at - 1] == ' ' || usage[at - 1] == '[' || usage[at - 1] == '|';
            if (!starts || at + 1 >= usage.size() || !isOptionChar(usage[at + 1])) continue;
            std::size_t end = at + 1;
            while (end < usage.size() && isOptionChar(usage[end])) ++end;
            const std::string option = usage.substr(at, end - at);
            at = end;
            if (option == "-" || option == "--") continue;
            // Described: named in the head of an option line ("  --a, --b X   what they do").
            bool described = false;
            std::size_t line = 0;
            while (!described && line < help.size()) {
                std::size_t next = help.find('\n', line);
                if (next == std::string::npos) next = help.size();
                const std::string text = help.substr(line, next - line) + ' ';
                line = next + 1;
                const std::size_t start = text.find_first_not_of(' ');
                if (start < 2 || text[start] != '-') continue;
                const std::string head = text.substr(start, text.find("  ", start) - start);
                for (const char after : {' ', ','}) {
                    if ((head + ' ').find(option + after) != std::string::npos) described = true;
                }
            }
            EXPECT_TRUE(described) << option;
        }
    }
}

TEST(Help, StatesTheCalendarsAndWhatEachSourceDoesWithAJed) {
    struct Case {
        const char* text;
        const char* phrase;
    };
    const Case cases[] = {
        {cli::kEventsHelp, "proleptic\n"},
        {cli::kEphemHelp, "proleptic"},
        {cli::kRenderHelp, "Julian calendar"},
        {cli::kEphemHelp, "The series source takes J as it"},
        {cli::kEphemHelp, "the precise source takes J as\n                     universal time"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(std::string(c.text).find(c.phrase), std::string::npos) << c.phrase;
    }
}

}  // namespace
