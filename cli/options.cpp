#include "cli/options.h"

#include <algorithm>
#include <cstring>

namespace cli {

namespace {

bool IsOptionWord(const std::string& word) {
    return word.size() > 1 && word[0] == '-';
}

const Option* Find(const OptionTable& table, std::string_view name) {
    for (const Option& option : table.options) {
        if ((option.flags & kPositional) == 0 && name == option.name) return &option;
    }
    return nullptr;
}

const Option* Positional(const OptionTable& table) {
    for (const Option& option : table.options) {
        if ((option.flags & kPositional) != 0) return &option;
    }
    return nullptr;
}

// `pattern` with "{}" as `word` and "{P}" as `placeholder`.
std::string Fill(std::string pattern, std::string_view word, std::string_view placeholder) {
    for (std::size_t at = pattern.find("{P}"); at != std::string::npos;
         at = pattern.find("{P}", at + placeholder.size()))
        pattern.replace(at, 3, placeholder);
    if (const std::size_t at = pattern.find("{}"); at != std::string::npos)
        pattern.replace(at, 2, word);
    return pattern;
}

std::string HeadOf(const Option& option) {
    std::string head = option.name;
    const char* value = option.helpValue != nullptr ? option.helpValue : option.value;
    if ((option.flags & (kFlag | kPositional)) == 0 && value != nullptr && *value != '\0')
        head += std::string(" ") + value;
    return head;
}

std::string UsageToken(const Option& option) {
    if (option.usage != nullptr) return option.usage;
    const bool required = (option.flags & kRequired) != 0;
    std::string core = option.name;
    if ((option.flags & (kFlag | kPositional)) == 0) core += std::string(" ") + option.value;
    if ((option.flags & kRepeatable) != 0 && (option.flags & kFlag) == 0)
        return required ? core + " [" + core + " ...]" : "[" + core + " ...]";
    return required ? core : "[" + core + "]";
}

}  // namespace

bool ParsedOptions::Has(std::string_view name) const {
    return Value(name) != nullptr;
}

const std::string* ParsedOptions::Value(std::string_view name) const {
    const std::string* value = nullptr;
    for (const GivenOption& option : given) {
        if (name == option.option->name) value = &option.value;
    }
    return value;
}

std::vector<std::string> ParsedOptions::Values(std::string_view name) const {
    std::vector<std::string> values;
    for (const GivenOption& option : given) {
        if (name == option.option->name) values.push_back(option.value);
    }
    return values;
}

std::optional<std::string> ParseOptions(const OptionTable& table,
                                        const std::vector<std::string>& args,
                                        ParsedOptions& parsed) {
    parsed = ParsedOptions{};
    const Option* positional = Positional(table);
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (!optionsEnded && word == "--" && positional != nullptr) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !IsOptionWord(word)) {
            if (positional == nullptr) {
                std::string message = Fill(table.unknownOption, word, "");
                if (table.usageAfterUnknown) message += "; usage: " + UsageOf(table);
                return message;
            }
            if (!parsed.words.empty() && (positional->flags & kRepeatable) == 0)
                return Fill(table.extraWord, word, positional->name);
            parsed.words.push_back(word);
            continue;
        }
        const Option* option = Find(table, word);
        if (option == nullptr) {
            std::string message = Fill(table.unknownOption, word, "");
            if (table.usageAfterUnknown) message += "; usage: " + UsageOf(table);
            return message;
        }
        std::string value;
        if ((option->flags & kFlag) == 0) {
            if (i + 1 >= args.size()) return word + " needs a value";
            value = args[++i];
        }
        // A script that gives an option twice has a mistake in it: which one it meant is not
        // ours to guess.
        if ((option->flags & kRepeatable) == 0 &&
            std::any_of(parsed.given.begin(), parsed.given.end(),
                        [&](const GivenOption& g) { return g.option == option; }))
            return word + " given twice";
        parsed.given.push_back({option, std::move(value)});
    }
    return std::nullopt;
}

bool AsksForHelp(const std::vector<std::string>& args, OptionTables tables) {
    // Whether the word after `word` is its value: yes for an option of the tables that takes
    // one, no for a flag of theirs, and maybe (so it is not help) for an option they lack.
    const auto takesValue = [&](const std::string& word) {
        for (const OptionTable* table : tables) {
            if (const Option* option = Find(*table, word)) return (option->flags & kFlag) == 0;
        }
        return true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--") return false;
        if (word == "--help" ||
            (word == "-h" && (i == 0 || !IsOptionWord(args[i - 1]) || !takesValue(args[i - 1]))))
            return true;
        // A value that is itself "--help" is still taken as the request: --help is never a
        // value anyone means.
    }
    return false;
}

std::string UsageOf(const OptionTable& table) {
    std::string usage = table.name;
    for (const Option& option : table.options) {
        const std::string token = UsageToken(option);
        if (!token.empty()) usage += " " + token;
    }
    return usage;
}

std::string UsageOf(OptionTables tables) {
    std::string usage;
    for (const OptionTable* table : tables) usage += (usage.empty() ? "" : " | ") + UsageOf(*table);
    return usage;
}

std::string OptionListOf(const OptionTable& table) {
    struct Entry {
        std::string head;
        const char* help;
    };
    std::vector<Entry> entries;
    for (const Option& option : table.options) {
        if (option.help == nullptr && !entries.empty()) {
            // Described with the option before: "--from, --to YYYY-MM-DD" when the values
            // match, "--width W, --height H" when they do not.
            Entry& previous = entries.back();
            const std::string head = HeadOf(option);
            const std::string value = head.substr(std::strlen(option.name));
            if (!value.empty() && previous.head.size() >= value.size() &&
                previous.head.compare(previous.head.size() - value.size(), value.size(), value) ==
                    0)
                previous.head =
                    previous.head.substr(0, previous.head.size() - value.size()) + ", " + head;
            else
                previous.head += ", " + head;
            continue;
        }
        if (option.help == nullptr || *option.help == '\0') continue;
        entries.push_back({HeadOf(option), option.help});
    }
    std::size_t column = static_cast<std::size_t>(table.column);
    if (column == 0) {
        for (const Entry& entry : entries) column = std::max(column, entry.head.size() + 4);
    }
    std::string text;
    for (const Entry& entry : entries) {
        std::string line = "  " + entry.head;
        line += std::string(line.size() < column ? column - line.size() : 1, ' ');
        // Every program start makes the help texts: a piece at a time, not a byte at a time.
        for (const char* c = entry.help;;) {
            const char* end = std::strchr(c, '\n');
            if (end == nullptr) {
                line += c;
                break;
            }
            line.append(c, end + 1).append(column, ' ');
            c = end + 1;
        }
        text += line + "\n";
    }
    return text;
}

std::string HelpOf(const OptionTable& table) {
    return std::string(table.intro) + OptionListOf(table) + table.outro;
}

std::string HelpOf(OptionTables tables) {
    std::string help;
    for (const OptionTable* table : tables) help += HelpOf(*table);
    return help;
}

const char* KeepText(const std::string& text) {
    // Reachable from the constant that holds it for the program's life: never freed.
    char* kept = new char[text.size() + 1];
    std::memcpy(kept, text.c_str(), text.size() + 1);
    return kept;
}

std::string WrapHelp(std::string_view text, std::size_t width) {
    std::string wrapped;
    std::size_t lineLength = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(' ', at);
        if (start == std::string_view::npos) break;
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view word = text.substr(start, end - start);
        if (lineLength == 0) {
            lineLength = word.size();
        } else if (lineLength + 1 + word.size() <= width) {
            wrapped += ' ';
            lineLength += 1 + word.size();
        } else {
            wrapped += '\n';
            lineLength = word.size();
        }
        wrapped += word;
        at = end;
    }
    return wrapped;
}

}  // namespace cli
