#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_registry.h"

namespace {
std::vector<CliCommandEntry>& Registry() {
    static std::vector<CliCommandEntry> commands;
    return commands;
}

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: caelvane-cli COMMAND [ARGS...]\n");
    for (const CliCommandEntry& entry : Registry()) std::fprintf(out, "  %s\n", entry.usage);
}
}  // namespace

CliCommandRegistration::CliCommandRegistration(const char* name, const char* usage, CliCommand run) {
    Registry().push_back({name, usage, run});
}

const std::vector<CliCommandEntry>& CliCommands() { return Registry(); }

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return kCliUsageError;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return 0;
    }
    for (const CliCommandEntry& entry : Registry()) {
        if (name == entry.name) return entry.run(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "caelvane-cli: unknown command '%s'\n", name.c_str());
    PrintUsage(stderr);
    return kCliUsageError;
}
