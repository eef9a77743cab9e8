#pragma once
#include <string>

// Where the price monitor reads the latest price and `caelvane-cli pricefeed` writes it.
// No Qt: the command-line feed writer uses the same rules as the desktop program.
//
// Rules, first match wins:
//  1. the environment variable CAELVANE_PRICE_FILE, when set and not empty;
//  2. the profile setting "PriceFile" of section "Settings", when not empty;
//  3. $XDG_DATA_HOME/Caelvane/sp1last.can, or $HOME/.local/share/Caelvane/sp1last.can when
//     XDG_DATA_HOME is unset, empty or not an absolute path.

inline constexpr const char* kPriceFileEnvironmentVariable = "CAELVANE_PRICE_FILE";
inline constexpr const char* kPriceFileProfileSection = "Settings";
inline constexpr const char* kPriceFileProfileKey = "PriceFile";
inline constexpr const char* kPriceFileName = "sp1last.can";

enum class PriceFileSource { kEnvironment, kProfile, kDefault };

struct PriceFileLocation {
    std::string path;
    PriceFileSource source = PriceFileSource::kDefault;
};

// Everything the rules look at; empty means unset.
struct PriceFileInputs {
    std::string environment;     // value of CAELVANE_PRICE_FILE
    std::string profileSetting;  // [Settings] PriceFile of the profile
    std::string xdgDataHome;     // XDG_DATA_HOME
    std::string home;            // HOME (or the account's home folder)
};

// The rules above, as a pure function of their inputs.
PriceFileLocation ResolvePriceFilePath(const PriceFileInputs& inputs);

// The rules with this process's environment and the given profile setting.
PriceFileLocation PriceFileLocationFor(const std::string& profileSetting);

// The rules with this process's environment and the per-user profile file read from disk
// (what the command line uses; the desktop program passes its own profile's value instead).
PriceFileLocation CurrentPriceFileLocation();

// A short English description of the source, for the dialog and the command line:
// "from CAELVANE_PRICE_FILE", "from the profile", "default".
const char* DescribePriceFileSource(PriceFileSource source);

// The per-user profile the desktop program keeps its settings in (INI format, organisation and
// application "Caelvane"): $XDG_CONFIG_HOME/Caelvane/Caelvane.ini, or
// $HOME/.config/Caelvane/Caelvane.ini.
std::string ProfileFilePath();

// Reads one text value from an INI profile as the desktop program's settings writer stores it
// (quoted values with backslash escapes, a doubled leading '@'). Returns false when the file,
// the section or the key is not there, or the value is not plain text.
bool ReadProfileText(const std::string& iniPath, const std::string& section, const std::string& key,
                     std::string& value);
