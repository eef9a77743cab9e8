#pragma once
#include <string>
#include <vector>

// Sub-commands of caelvane-cli register themselves here, one source file each, so the
// dispatcher in main.cpp needs no list of them.
using CliCommand = int (*)(const std::vector<std::string>& args);  // args after the command name

struct CliCommandRegistration {
    CliCommandRegistration(const char* name, const char* usage, CliCommand run);
};

struct CliCommandEntry {
    const char* name;
    const char* usage;
    CliCommand run;
};
const std::vector<CliCommandEntry>& CliCommands();

// Exit status for malformed arguments.
inline constexpr int kCliUsageError = 2;
