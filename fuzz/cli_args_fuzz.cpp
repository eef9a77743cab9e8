// Reads arbitrary bytes as a command line of caelvane-cli (one argument a line, the first the
// command's name) and reads it over that command's option tables, as the program does. Beyond
// "no crash, no undefined behaviour": a refusal says why; an accepted line holds only options of
// the table, each at most once unless it may repeat, a value for every option that takes one,
// and no more words than the table has places for. The commands' own readers that open no file
// then read the same line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/ephem_command.h"
#include "cli/options.h"
#include "cli/pricefeed_command.h"
#include "cli/render_command.h"

namespace {

std::vector<std::string> Arguments(std::string_view text) {
    std::vector<std::string> args;
    while (!text.empty() && args.size() < 40) {
        const std::size_t end = text.find('\n');
        args.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return args;
}

void CheckTable(const cli::OptionTable& table, const std::vector<std::string>& args) {
    cli::ParsedOptions parsed;
    if (const std::optional<std::string> problem = cli::ParseOptions(table, args, parsed)) {
        if (problem->empty()) std::abort();
        return;
    }
    bool repeatableWords = false;
    for (const cli::Option& option : table.options) {
        if ((option.flags & cli::kPositional) != 0)
            repeatableWords = (option.flags & cli::kRepeatable) != 0;
    }
    if (parsed.words.size() > 1 && !repeatableWords) std::abort();
    for (std::size_t i = 0; i < parsed.given.size(); ++i) {
        const cli::Option* option = parsed.given[i].option;
        if (option < table.options.data() || option >= table.options.data() + table.options.size())
            std::abort();
        if ((option->flags & cli::kFlag) != 0 && !parsed.given[i].value.empty()) std::abort();
        if ((option->flags & cli::kRepeatable) != 0) continue;
        for (std::size_t k = i + 1; k < parsed.given.size(); ++k) {
            if (parsed.given[k].option == option) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args =
        Arguments(std::string_view(reinterpret_cast<const char*>(data), size));
    if (args.empty()) return 0;
    const std::string name = args.front();
    args.erase(args.begin());
    for (const cli::CommandEntry& entry : cli::Commands()) {
        if (name != entry.name) continue;
        cli::AsksForHelp(args, entry.tables());
        for (const cli::OptionTable* table : entry.tables()) {
            CheckTable(*table, args);
            // An action's table reads what follows the action's name.
            if (!args.empty()) {
                CheckTable(*table, std::vector<std::string>(args.begin() + 1, args.end()));
            }
        }
    }
    // The commands' readers that need no file.
    if (name == "ephem") {
        cli::EphemRequest request;
        if (const auto problem = cli::ParseEphemArguments(args, request);
            problem && problem->empty())
            std::abort();
    } else if (name == "render") {
        cli::RenderOptions options;
        const auto problem = cli::ParseRenderArguments(args, options);
        if (problem && problem->empty()) std::abort();
        if (!problem && (options.jobPath.empty() || options.output.empty() || !options.format))
            std::abort();
    } else if (name == "pricefeed") {
        cli::PriceFeedOptions options;
        const auto problem = cli::ParsePriceFeedArguments(args, options);
        if (problem && problem->empty()) std::abort();
        if (!problem && options.randomWalk == !options.csv.empty()) std::abort();
    }
    return 0;
}
