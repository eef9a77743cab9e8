#include "tools/price_file_path.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    // A session without HOME (a service, a cron job) still has an account.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir) {
        return found->pw_dir;
    }
    return "/";
}

// XDG base folders count only when absolute; otherwise the fallback under the home folder.
std::string BaseFolder(const std::string& xdgValue, const std::string& home, const char* fallback) {
    if (!xdgValue.empty() && xdgValue.front() == '/') return xdgValue;
    std::string base = home.empty() ? HomeFolder() : home;
    if (base.size() > 1 && base.back() == '/') base.pop_back();
    if (base == "/") base.clear();
    return base + "/" + fallback;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

void AppendUtf8(std::string& out, unsigned long codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | ((codePoint >> 18) & 0x07));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Section and key names are stored with %XX escapes for characters outside [A-Za-z0-9_-.].
std::string PercentDecode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// One stored value: unquoted parts with surrounding blanks dropped, quoted parts kept as they
// are, backslash escapes in both. A comma outside quotes makes a list, which is not a path.
bool UnescapeValue(const std::string& raw, std::string& value) {
    std::string out;
    bool inQuotes = false;
    std::size_t pendingBlanks = 0;  // blanks outside quotes, kept only if text follows
    std::size_t i = 0;
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
    for (; i < raw.size(); ++i) {
        const char c = raw[i];
        if (!inQuotes && (c == ' ' || c == '\t')) {
            ++pendingBlanks;
            continue;
        }
        if (!inQuotes && pendingBlanks > 0) {
            out.append(pendingBlanks, ' ');
            pendingBlanks = 0;
        }
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ',' && !inQuotes) {
            return false;
        } else if (c == '\\' && i + 1 < raw.size()) {
            const char e = raw[++i];
            switch (e) {
                case 'a':
                    out += '\a';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'v':
                    out += '\v';
                    break;
                case 'x': {
                    unsigned long code = 0;
                    while (i + 1 < raw.size() && HexValue(raw[i + 1]) >= 0 && code < 0x10FFFF) {
                        code = code * 16 + static_cast<unsigned long>(HexValue(raw[++i]));
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default:
                    if (e >= '0' && e <= '7') {
                        unsigned long code = static_cast<unsigned long>(e - '0');
                        while (i + 1 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '7' &&
                               code < 0x10FFFF) {
                            code = code * 8 + static_cast<unsigned long>(raw[++i] - '0');
                        }
                        AppendUtf8(out, code);
                    } else {
                        out += e;  // \" \\ \' \? and anything else stand for themselves
                    }
            }
        } else {
            out += c;
        }
    }
    if (out.rfind("@@", 0) == 0) {
        out.erase(0, 1);
    } else if (!out.empty() && out.front() == '@') {
        return false;  // a typed value (@ByteArray, @Variant, ...), not plain text
    }
    value = out;
    return true;
}

}  // namespace

PriceFileLocation ResolvePriceFilePath(const PriceFileInputs& inputs) {
    if (!inputs.environment.empty()) return {inputs.environment, PriceFileSource::kEnvironment};
    if (!inputs.profileSetting.empty()) return {inputs.profileSetting, PriceFileSource::kProfile};
    const std::string data = BaseFolder(inputs.xdgDataHome, inputs.home, ".local/share");
    return {data + "/Caelvane/" + kPriceFileName, PriceFileSource::kDefault};
}

PriceFileLocation PriceFileLocationFor(const std::string& profileSetting) {
    PriceFileInputs inputs;
    inputs.environment = Environment(kPriceFileEnvironmentVariable);
    inputs.profileSetting = profileSetting;
    inputs.xdgDataHome = Environment("XDG_DATA_HOME");
    inputs.home = HomeFolder();
    return ResolvePriceFilePath(inputs);
}

PriceFileLocation CurrentPriceFileLocation() {
    std::string setting;
    if (!ReadProfileText(ProfileFilePath(), kPriceFileProfileSection, kPriceFileProfileKey,
                         setting)) {
        setting.clear();
    }
    return PriceFileLocationFor(setting);
}

const char* DescribePriceFileSource(PriceFileSource source) {
    switch (source) {
        case PriceFileSource::kEnvironment:
            return "from CAELVANE_PRICE_FILE";
        case PriceFileSource::kProfile:
            return "from the profile";
        case PriceFileSource::kDefault:
            break;
    }
    return "default";
}

std::string ProfileFilePath() {
    return BaseFolder(Environment("XDG_CONFIG_HOME"), HomeFolder(), ".config") +
           "/Caelvane/Caelvane.ini";
}

bool ReadProfileText(const std::string& iniPath, const std::string& section, const std::string& key,
                     std::string& value) {
    std::ifstream in(iniPath, std::ios::binary);
    if (!in) return false;
    std::string line;
    std::string current;
    bool found = false;
    std::string raw;
    while (std::getline(in, line)) {
        const std::string text = Trim(line);
        if (text.empty() || text.front() == ';' || text.front() == '#') continue;
        if (text.front() == '[') {
            const auto close = text.find(']');
            current = PercentDecode(
                text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            continue;
        }
        const auto equals = text.find('=');
        if (equals == std::string::npos) continue;
        std::string name = PercentDecode(Trim(text.substr(0, equals)));
        std::string fullSection = current;
        // "Settings/PriceFile" under [General] is the same key as PriceFile under [Settings].
        const auto slash = name.rfind('/');
        if (slash != std::string::npos) {
            const std::string prefix = name.substr(0, slash);
            fullSection =
                (current.empty() || current == "General") ? prefix : current + "/" + prefix;
            name = name.substr(slash + 1);
        }
        if (fullSection == section && name == key) {
            raw = text.substr(equals + 1);
            found = true;  // the last occurrence wins, as for the settings writer
        }
    }
    if (!found) return false;
    return UnescapeValue(raw, value);
}
