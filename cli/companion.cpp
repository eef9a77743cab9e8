#include "cli/companion.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "cli/commands.h"
#include "cli/render_command.h"
#include "cli/render_prices_command.h"
#include "cli/render_sky_command.h"

namespace cli {

const char* const kCompanionName = CAELVANE_CLI_COMPANION_NAME;

namespace {

// The chart page formats this program writes itself, in the page style given: traces, and PDF
// and SVG through our own writers. PNG is Qt's raster; the modern page measures its texts with
// Qt's fonts, in every format.
bool WritesPageWithoutQt(Format format, PageStyle style) {
    if (style == PageStyle::Modern) return false;
    switch (format) {
        case Format::Trace:
            return true;
        case Format::Pdf:
        case Format::Svg:
#ifdef CAELVANE_HAVE_PDF_PAGES
            return true;
#else
            return false;
#endif
        case Format::Png:
            return false;
    }
    return false;
}

#ifdef CAELVANE_HAVE_NATAL
// render-chart's format: --format, else the extension of -o; a word that names none of its
// formats is refused by the command itself.
bool ChartNeedsQt(const std::vector<std::string>& args) {
    const OptionTables tables = RenderChartOptionTables();
    ParsedOptions parsed;
    if (tables.empty() || ParseOptions(*tables[0], args, parsed)) return false;
    std::string format;
    if (const std::string* given = parsed.Value("--format")) {
        format = *given;
    } else if (const std::string* output = parsed.Value("-o")) {
        const std::size_t dot = output->find_last_of('.');
        if (dot != std::string::npos) format = output->substr(dot + 1);
    }
    return format == "png" || format == "svg" || format == "pdf";
}
#endif

}  // namespace

bool NeedsCompanion(int argc, char** argv) {
    if (argc < 2) return false;
    const std::string_view name = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    const CommandEntry* entry = nullptr;
    for (const CommandEntry& candidate : Commands()) {
        if (name == candidate.name) entry = &candidate;
    }
    if (entry == nullptr) return false;
    if (AsksForHelp(args, entry->tables != nullptr ? entry->tables() : OptionTables{}))
        return false;
    if (name == "render") {
        RenderOptions options;
        if (ParseRenderArguments(args, options)) return false;
        return !WritesPageWithoutQt(*options.format, options.style.value_or(kDefaultPageStyle));
    }
    // The charts' files are drawn by Qt's painter (and their PDF laid out with its metrics).
    if (name == "render-prices") {
        RenderPricesRequest request;
        if (ParseRenderPricesArguments(args, request)) return false;
        return request.format != PriceChartFormat::Trace;
    }
    if (name == "render-sky") {
        RenderSkyRequest request;
        if (ParseRenderSkyArguments(args, request)) return false;
        return request.format != SkyFormat::Trace;
    }
#ifdef CAELVANE_HAVE_NATAL
    if (name == "render-chart") return ChartNeedsQt(args);
#endif
    return false;
}

std::vector<std::string> CompanionCandidates(const std::string& selfPath) {
    const std::size_t slash = selfPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : selfPath.substr(0, slash);
    return {folder + "/" + kCompanionName,
            folder + "/" + CAELVANE_CLI_COMPANION_FROM_BIN + "/" + kCompanionName};
}

std::optional<std::string> FindCompanion(const std::string& selfPath) {
    for (const std::string& path : CompanionCandidates(selfPath)) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return std::nullopt;
}

namespace {

// This program's file, links resolved (a link in PATH leads to the installed program).
std::string SelfPath(const char* argv0) {
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length > 0) return std::string(buffer, static_cast<std::size_t>(length));
    return argv0 != nullptr ? argv0 : "";
}

}  // namespace

int RunCompanion(char** argv) {
    const std::string self = SelfPath(argv[0]);
    const std::optional<std::string> companion = FindCompanion(self);
    if (!companion) {
        const std::vector<std::string> places = CompanionCandidates(self);
        std::fprintf(stderr,
                     "caelvane-cli: %s draws this with Qt and is not installed: neither %s nor "
                     "%s exists\n",
                     kCompanionName, places[0].c_str(), places[1].c_str());
        return 1;
    }
    ::execv(companion->c_str(), argv);
    std::fprintf(stderr, "caelvane-cli: cannot run %s: %s\n", companion->c_str(),
                 std::strerror(errno));
    return 1;
}

}  // namespace cli
