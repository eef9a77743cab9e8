// caelvane-cli atlas NAME [--limit N]
#include "cli/atlas_command.h"

#include <charconv>
#include <cstdio>

#include "cli/commands.h"

namespace cli {

const char* const kAtlasUsage = "atlas NAME [--limit N]";

const char* const kAtlasHelp =
    "Prints the places of the built-in atlas (about 24,000 cities) whose names match NAME, the\n"
    "most populous first, as CSV: name,region,country,latitude,longitude,zone. Latitude north\n"
    "and longitude east are positive; zone is the IANA time zone. No network is used.\n"
    "  --limit N   at most N places (default 50)\n"
    "Exit status 1 when nothing matches.\n";

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string AtlasCsv(const std::vector<natal::AtlasPlace>& places) {
    std::string csv = "name,region,country,latitude,longitude,zone\n";
    for (const natal::AtlasPlace& place : places) {
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%.5f,%.5f", place.latitude, place.longitude);
        csv += CsvField(place.name) + "," + CsvField(place.region) + "," + CsvField(place.country) +
               "," + numbers + "," + CsvField(place.zone) + "\n";
    }
    return csv;
}

int RunAtlas(const std::vector<std::string>& args) {
    std::string name;
    std::size_t limit = 50;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--limit") {
            if (i + 1 >= args.size())
                return UsageError("atlas", "--limit needs a value", kAtlasUsage);
            const std::string& value = args[++i];
            unsigned number = 0;
            const auto [end, ec] =
                std::from_chars(value.data(), value.data() + value.size(), number);
            if (value.empty() || ec != std::errc() || end != value.data() + value.size() ||
                number == 0) {
                return UsageError("atlas",
                                  "--limit must be a whole number above 0, not '" + value + "'");
            }
            limit = number;
        } else if (!arg.empty() && arg[0] == '-' && arg.size() > 1) {
            return UsageError("atlas", "unknown argument '" + arg + "'", kAtlasUsage);
        } else if (!name.empty()) {
            return UsageError("atlas", "more than one NAME: '" + arg + "'", kAtlasUsage);
        } else {
            name = arg;
        }
    }
    if (name.find_first_not_of(" \t") == std::string::npos) {
        return UsageError("atlas", "missing NAME", kAtlasUsage);
    }
    const std::vector<natal::AtlasPlace> places = natal::SearchAtlas(name, limit);
    if (places.empty()) {
        std::fprintf(stderr, "caelvane-cli atlas: no place named '%s' in the atlas\n",
                     name.c_str());
        return 1;
    }
    const std::string csv = AtlasCsv(places);
    std::fwrite(csv.data(), 1, csv.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace cli
