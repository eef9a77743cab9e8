#pragma once
// caelvane-cli atlas NAME: places of the atlas as CSV.
#include <string>
#include <vector>

#include "natal/atlas.h"

namespace cli {

extern const char* const kAtlasUsage;
extern const char* const kAtlasHelp;
int RunAtlas(const std::vector<std::string>& args);

// One CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);
// "name,region,country,latitude,longitude,zone" and a row per place.
std::string AtlasCsv(const std::vector<natal::AtlasPlace>& places);

}  // namespace cli
