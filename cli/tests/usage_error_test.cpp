#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

int RunCli(std::vector<std::string> args) {
    args.insert(args.begin(), "caelvane-cli");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return cli::Main(static_cast<int>(args.size()), argv.data());
}

TEST(CommandTable, EveryCommandOnceWithItsUsage) {
    std::vector<std::string> names;
    for (const cli::CommandEntry& entry : cli::Commands()) {
        names.push_back(entry.name);
        // The usage line starts with the command's own name.
        EXPECT_EQ(std::string(entry.usage).rfind(std::string(entry.name) + " ", 0), 0u)
            << entry.usage;
        EXPECT_NE(entry.run, nullptr);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"ephem", "events", "job", "pricefeed", "render"}));
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
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), expected);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({}), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), expected);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({"plot"}), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "caelvane-cli: unknown command 'plot'\n" + expected);
}

}  // namespace
