#pragma once
// The sub-commands of caelvane-cli, one table in commands.cpp, and what they share.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

using Command = int (*)(const std::vector<std::string>& args);  // args after the command name

struct CommandEntry {
    const char* name;
    const char* usage;
    Command run;
};

// Every sub-command, in the order of the usage text.
std::span<const CommandEntry> Commands();

// The whole program: argv[1] names the sub-command. Returns the exit status.
int Main(int argc, char** argv);

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
extern const char* const kPriceFeedUsage;
extern const char* const kRenderUsage;
int RunEphem(const std::vector<std::string>& args);
int RunEvents(const std::vector<std::string>& args);
int RunJob(const std::vector<std::string>& args);
int RunPriceFeed(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);

}  // namespace cli
