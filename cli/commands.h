#pragma once
// The sub-commands of caelvane-cli, one table in commands.cpp, and what they share.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"

namespace cli {

using Command = int (*)(const std::vector<std::string>& args);  // args after the command name

struct CommandEntry {
    const char* name;
    const char* usage;
    Command run;
    // What the options mean, printed under the usage by `caelvane-cli NAME --help`; every
    // command answers --help, with this text or with its usage alone.
    const char* help = nullptr;
    // The option tables the usage and the help are made from; --help is found over them.
    OptionTables (*tables)() = nullptr;
};

// Every sub-command, in the order of the usage text.
std::span<const CommandEntry> Commands();

// The whole program: argv[1] names the sub-command. Returns the exit status.
int Main(int argc, char** argv);

// "usage: caelvane-cli USAGE" and the entry's help text, on standard output.
void PrintCommandHelp(const CommandEntry& entry);

// The program's version, as `caelvane-cli --version` prints it.
extern const char* const kVersion;
// What the general usage says after the commands' usage lines.
extern const char* const kUsageTrailer;

// Exit status for malformed arguments.
inline constexpr int kUsageError = 2;

// Reports malformed arguments of `command` on standard error as
// "caelvane-cli COMMAND: MESSAGE", followed by the line "usage: caelvane-cli USAGE" when a
// usage is given, and returns kUsageError.
int UsageError(std::string_view command, std::string_view message, const char* usage = nullptr);

// The sub-commands (args after the command name) and their usage lines.
extern const char* const kEphemUsage;
extern const char* const kEventsUsage;
extern const char* const kJobUsage;
extern const char* const kLinesUsage;
extern const char* const kPriceFeedUsage;
extern const char* const kRenderUsage;
extern const char* const kRenderPricesUsage;
extern const char* const kEphemHelp;
extern const char* const kEventsHelp;
extern const char* const kJobHelp;
extern const char* const kPriceFeedHelp;
extern const char* const kRenderHelp;
int RunEphem(const std::vector<std::string>& args);
int RunEvents(const std::vector<std::string>& args);
int RunJob(const std::vector<std::string>& args);
int RunLines(const std::vector<std::string>& args);
int RunPriceFeed(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);
int RunRenderPrices(const std::vector<std::string>& args);
// Each command's option tables.
OptionTables EphemOptionTables();
OptionTables EventsOptionTables();
OptionTables JobOptionTables();
OptionTables LinesOptionTables();
OptionTables PriceFeedOptionTables();
OptionTables RenderOptionTables();
OptionTables RenderPricesOptionTables();
OptionTables RenderSkyOptionTables();
OptionTables StudyOptionTables();
OptionTables AtlasOptionTables();
OptionTables ChartOptionTables();
OptionTables RenderChartOptionTables();

}  // namespace cli
