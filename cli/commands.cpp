#include "cli/commands.h"

#include <cstdio>

#include "cli/lines_command.h"
#include "cli/render_sky_command.h"
#include "cli/study_command.h"
#ifdef CAELVANE_HAVE_NATAL
#include "cli/atlas_command.h"
#include "cli/chart_command.h"
#include "cli/render_chart_command.h"
#endif

namespace cli {

const char* const kVersion = CAELVANE_VERSION;

const char* const kUsageTrailer =
    "'caelvane-cli --version' prints the version; 'caelvane-cli COMMAND --help' describes the\n"
    "command's options. Dates are YYYY-MM-DD of the proleptic Gregorian calendar (year 0000 is\n"
    "1 BCE); the classic pages name days before 1582-10-15 in the Julian calendar, as\n"
    "historians do.\n";

std::span<const CommandEntry> Commands() {
    static const CommandEntry kCommands[] = {
#ifdef CAELVANE_HAVE_NATAL
        {"atlas", kAtlasUsage, &RunAtlas, kAtlasHelp, &AtlasOptionTables},
        {"chart", kChartUsage, &RunChart, kChartHelp, &ChartOptionTables},
#endif
        {"ephem", kEphemUsage, &RunEphem, kEphemHelp, &EphemOptionTables},
        // sky events of a date range
        {"events", kEventsUsage, &RunEvents, kEventsHelp, &EventsOptionTables},
        {"job", kJobUsage, &RunJob, kJobHelp, &JobOptionTables},
        // planetary price levels as CSV
        {"lines", kLinesUsage, &RunLines, kLinesHelp, &LinesOptionTables},
        {"pricefeed", kPriceFeedUsage, &RunPriceFeed, kPriceFeedHelp, &PriceFeedOptionTables},
        {"render", kRenderUsage, &RunRender, kRenderHelp, &RenderOptionTables},
#ifdef CAELVANE_HAVE_NATAL
        {"render-chart", kRenderChartUsage, &RunRenderChart, kRenderChartHelp,
         &RenderChartOptionTables},
#endif
        {"render-prices", kRenderPricesUsage, &RunRenderPrices, kRenderPricesHelp,
         &RenderPricesOptionTables},
        {"render-sky", kRenderSkyUsage, &RunRenderSky, kRenderSkyHelp, &RenderSkyOptionTables},
        // sky events against a market
        {"study", kStudyUsage, &RunStudyCommand, kStudyHelp, &StudyOptionTables},
    };
    return kCommands;
}

int UsageError(std::string_view command, std::string_view message, const char* usage) {
    std::fprintf(stderr, "caelvane-cli %.*s: %.*s\n", static_cast<int>(command.size()),
                 command.data(), static_cast<int>(message.size()), message.data());
    if (usage != nullptr) std::fprintf(stderr, "usage: caelvane-cli %s\n", usage);
    return kUsageError;
}

void PrintCommandHelp(const CommandEntry& entry) {
    std::printf("usage: caelvane-cli %s\n", entry.usage);
    if (entry.help != nullptr) std::fputs(entry.help, stdout);
    std::fflush(stdout);
}

namespace {
void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: caelvane-cli COMMAND [ARGS...]\n");
    for (const CommandEntry& entry : Commands()) std::fprintf(out, "  %s\n", entry.usage);
    std::fputs(kUsageTrailer, out);
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
    if (name == "--version") {
        std::printf("caelvane-cli %s\n", kVersion);
        return 0;
    }
    for (const CommandEntry& entry : Commands()) {
        if (name != entry.name) continue;
        const std::vector<std::string> args(argv + 2, argv + argc);
        // The one place --help is answered, for every command alike.
        if (AsksForHelp(args, entry.tables != nullptr ? entry.tables() : OptionTables{})) {
            PrintCommandHelp(entry);
            return 0;
        }
        return entry.run(args);
    }
    std::fprintf(stderr, "caelvane-cli: unknown command '%s'\n", name.c_str());
    PrintUsage(stderr);
    return kUsageError;
}

}  // namespace cli
