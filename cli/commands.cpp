#include "cli/commands.h"

#include <cstdio>

namespace cli {

std::span<const CommandEntry> Commands() {
    static const CommandEntry kCommands[] = {
        {"ephem", kEphemUsage, &RunEphem},
        {"events", kEventsUsage, &RunEvents},  // sky events of a date range
        {"job", kJobUsage, &RunJob},
        {"pricefeed", kPriceFeedUsage, &RunPriceFeed},
        {"render", kRenderUsage, &RunRender},
    };
    return kCommands;
}

int UsageError(std::string_view command, std::string_view message, const char* usage) {
    std::fprintf(stderr, "caelvane-cli %.*s: %.*s\n", static_cast<int>(command.size()),
                 command.data(), static_cast<int>(message.size()), message.data());
    if (usage != nullptr) std::fprintf(stderr, "usage: caelvane-cli %s\n", usage);
    return kUsageError;
}

namespace {
void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: caelvane-cli COMMAND [ARGS...]\n");
    for (const CommandEntry& entry : Commands()) std::fprintf(out, "  %s\n", entry.usage);
}
}  // namespace

int Main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return kUsageError;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return 0;
    }
    for (const CommandEntry& entry : Commands()) {
        if (name == entry.name) return entry.run(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "caelvane-cli: unknown command '%s'\n", name.c_str());
    PrintUsage(stderr);
    return kUsageError;
}

}  // namespace cli
