// Every command's usage, help and manual page agree with its option table.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/tests/run_cli.h"
#include "ephemeris/bodies.h"

namespace {

std::set<std::string> TableOptions(cli::OptionTables tables) {
    std::set<std::string> names;
    for (const cli::OptionTable* table : tables) {
        for (const cli::Option& option : table->options) {
            if ((option.flags & cli::kPositional) == 0) names.insert(option.name);
        }
    }
    return names;
}

TEST(OptionTables, UsageAndHelpAreMadeFromEachCommandsTable) {
    for (const cli::CommandEntry& entry : cli::Commands()) {
        SCOPED_TRACE(entry.name);
        ASSERT_NE(entry.tables, nullptr);
        const cli::OptionTables tables = entry.tables();
        ASSERT_FALSE(tables.empty());
        EXPECT_EQ(entry.usage, cli::UsageOf(tables));
        EXPECT_EQ(entry.help, cli::HelpOf(tables));
        for (const cli::OptionTable* table : tables) {
            EXPECT_EQ(std::string(table->name).rfind(entry.name, 0), 0u) << table->name;
        }
        // Every option is in the usage line and heads a line of the help.
        const std::string usage = std::string(entry.usage) + " ";
        for (const std::string& name : TableOptions(tables)) {
            const std::regex word("[ \\[(|]" + name + "[ \\]]");
            EXPECT_TRUE(std::regex_search(usage, word)) << name << " in " << usage;
            const std::regex head("\n  (\\S+ )*(\\S+, )*" + name + "[ ,]");
            EXPECT_TRUE(std::regex_search("\n" + std::string(entry.help), head)) << name;
        }
    }
}

// A body added to the body table appears in every command's help that lists the bodies, in the
// table's order, with the help's lines held to their width.
TEST(OptionTables, BodyListsInTheHelpComeFromTheBodyTable) {
    int lists = 0;
    for (const cli::CommandEntry& entry : cli::Commands()) {
        for (const cli::OptionTable* table : entry.tables()) {
            for (const cli::Option& option : table->options) {
                if (std::string_view(option.name) != "--bodies") continue;
                SCOPED_TRACE(table->name);
                ++lists;
                std::string help = option.help;
                for (char& c : help) c = c == '\n' ? ' ' : c;
                EXPECT_NE(help.find(BodyNameList()), std::string::npos) << help;
                std::istringstream lines(option.help);
                for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 64u);
            }
        }
    }
    EXPECT_GE(lists, 5);
}

// One rule for every command: an option that is not repeatable is refused when given again,
// before anything is read or written, naming the option.
TEST(OptionTables, EveryCommandRefusesAnOptionGivenTwice) {
    int checked = 0;
    for (const cli::CommandEntry& entry : cli::Commands()) {
        for (const cli::OptionTable* table : entry.tables()) {
            // "job new" is typed as the command and its action.
            std::vector<std::string> prefix;
            std::istringstream words(table->name);
            for (std::string word; words >> word;) prefix.push_back(word);
            for (const cli::Option& option : table->options) {
                if ((option.flags & (cli::kPositional | cli::kRepeatable)) != 0) continue;
                SCOPED_TRACE(std::string(table->name) + " " + option.name);
                std::vector<std::string> args = prefix;
                for (int i = 0; i < 2; ++i) {
                    args.push_back(option.name);
                    if ((option.flags & cli::kFlag) == 0) args.push_back("1");
                }
                ::testing::internal::CaptureStdout();
                ::testing::internal::CaptureStderr();
                const int status = RunCli(args);
                const std::string out = ::testing::internal::GetCapturedStdout();
                const std::string err = ::testing::internal::GetCapturedStderr();
                EXPECT_EQ(status, cli::kUsageError);
                EXPECT_NE(err.find(std::string(": ") + option.name + " given twice"),
                          std::string::npos)
                    << err;
                EXPECT_EQ(out, "");
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 50);
}

// A request for help is found over the table: a value that reads "-h" is a value.
TEST(OptionTables, HelpIsAnsweredOnceForEveryCommandButNotInAValue) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({"ephem", "--jed", "-h"}), cli::kUsageError);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "caelvane-cli ephem: --jed needs a finite number, not '-h'\n");

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunCli({"pricefeed", "--random-walk", "-h"}), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout().rfind(
                  std::string("usage: caelvane-cli ") + cli::kPriceFeedUsage + "\n", 0),
              0u);
}

std::string ReadManPage() {
    std::ifstream in(CAELVANE_CLI_MAN_PAGE);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The options a section of the manual page names: long options, and -o.
std::set<std::string> ManOptions(const std::string& man, const std::string& command) {
    std::string title = ".SS ";
    for (char c : command) title += c == '-' ? std::string("\\-") : std::string(1, c);
    const std::size_t start = man.find(title + "\n");
    if (start == std::string::npos) return {};
    std::size_t end = man.find("\n.S", start + title.size());
    const std::string section = man.substr(start, end - start);
    std::set<std::string> names;
    const std::regex option(R"((\\-\\-[a-z]+(?:\\-[a-z]+)*|\\-o)(?![a-z]))");
    for (auto it = std::sregex_iterator(section.begin(), section.end(), option);
         it != std::sregex_iterator(); ++it) {
        names.insert(std::regex_replace(it->str(), std::regex(R"(\\-)"), "-"));
    }
    return names;
}

// The manual page is written by hand, for reading; its option lists are held to the tables here.
TEST(OptionTables, TheManualPageNamesEveryOptionOfEachCommandAndNoOther) {
    const std::string man = ReadManPage();
    ASSERT_FALSE(man.empty()) << CAELVANE_CLI_MAN_PAGE;
    for (const cli::CommandEntry& entry : cli::Commands()) {
        SCOPED_TRACE(entry.name);
        const std::set<std::string> inTable = TableOptions(entry.tables());
        const std::set<std::string> inMan = ManOptions(man, entry.name);
        EXPECT_FALSE(inMan.empty()) << "no section .SS " << entry.name;
        for (const std::string& name : inTable) EXPECT_TRUE(inMan.count(name)) << "lacks " << name;
        for (const std::string& name : inMan)
            EXPECT_TRUE(inTable.count(name)) << "names " << name << ", which the command lacks";
    }
}

}  // namespace
