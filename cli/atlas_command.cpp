// caelvane-cli atlas NAME [--limit N]
#include "cli/atlas_command.h"

#include <climits>
#include <cstdint>
#include <cstdio>

#include "cli/commands.h"
#include "cli/option_values.h"
#include "cli/options.h"

namespace cli {

namespace {

constexpr Option kAtlasOptionRows[] = {
    {"NAME", "", "", kPositional | kRequired},
    {"--limit", "N", "at most N places (default 50)"},
};

constexpr OptionTable kAtlasTable{
    .name = "atlas",
    .options = kAtlasOptionRows,
    .intro =
        "Prints the places of the built-in atlas (about 24,000 cities) whose names match "
        "NAME, the\n"
        "most populous first, as CSV: name,region,country,latitude,longitude,zone. Latitude "
        "north\n"
        "and longitude east are positive; zone is the IANA time zone. No network is used.\n",
    .outro = "Exit status 1 when nothing matches.\n",
    .column = 14,
};

constexpr const OptionTable* kAtlasTables[] = {&kAtlasTable};

}  // namespace

OptionTables AtlasOptionTables() {
    return kAtlasTables;
}

const char* const kAtlasUsage = KeepText(UsageOf(kAtlasTable));
const char* const kAtlasHelp = KeepText(HelpOf(kAtlasTable));

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
    ParsedOptions parsed;
    if (auto error = ParseOptions(kAtlasTable, args, parsed))
        return UsageError("atlas", *error, kAtlasUsage);
    const std::string name = parsed.words.empty() ? std::string() : parsed.words[0];
    std::size_t limit = 50;
    if (const std::string* value = parsed.Value("--limit")) {
        const std::optional<std::uint64_t> number = ParseUnsigned(*value);
        if (!number || *number == 0 || *number > UINT_MAX) {
            return UsageError("atlas",
                              "--limit must be a whole number above 0, not '" + *value + "'");
        }
        limit = static_cast<std::size_t>(*number);
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
