#pragma once
// The options of every sub-command, written once as a table: the one parser of argv reads
// them, and the usage line, `--help` and the manual page's option list come from the same rows.
//
// A word of argv is an option when it starts with '-' and is not "-" alone; "--" ends the
// options, and every word after it is a positional argument. An option's value is the next word
// whatever it looks like (`--title -h` is a title). `--opt=value` is not read: it is an unknown
// option.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum OptionFlag : unsigned {
    kFlag = 1u,        // takes no value
    kRequired = 2u,    // the usage shows it without brackets
    kRepeatable = 4u,  // may be given again; every value is kept, in order (any other option
                       // given again is refused: "--x given twice")
    kPositional = 8u,  // a word, not an option: `name` is its placeholder ("FILE.cvj")
};

struct Option {
    const char* name;   // "--from", "-o"; a positional's placeholder ("FILE.cvj")
    const char* value;  // the value as the usage line shows it ("series|precise"); "" for none
    // The help line; '\n' starts a continuation line under it. nullptr: described together with
    // the option before ("--from, --to YYYY-MM-DD"); "": not listed (a positional the prose
    // explains).
    const char* help;
    unsigned flags = 0;
    const char* helpValue = nullptr;  // the value in the help's head, when not `value` ("SOURCE")
    // The usage token when the option belongs to a group ("[--page N | --all]"); "" for the
    // group's later members, which the first one's token shows.
    const char* usage = nullptr;
};

struct OptionTable {
    const char* name;  // the command as typed: "render", "job new"
    std::span<const Option> options;
    const char* intro = "";  // the help's prose before the option list
    const char* outro = "";  // and after it
    int column = 0;          // where the help lines start; 0: two spaces after the longest head
    // The refusals of words the table does not know, in this command's words: "{}" stands for
    // the word, "{P}" for the positional's placeholder.
    const char* unknownOption = "unknown argument '{}'";
    const char* extraWord = "more than one {P}: '{}'";
    // The refusal of an unknown option ends with "; usage: USAGE".
    bool usageAfterUnknown = false;
};

// The tables of one command: one, or one per action ("job new", "job show").
using OptionTables = std::span<const OptionTable* const>;

struct GivenOption {
    const Option* option;
    std::string value;  // empty for a flag
};

// What argv said, option by option in the order given, and the positional words.
struct ParsedOptions {
    std::vector<GivenOption> given;
    std::vector<std::string> words;

    bool Has(std::string_view name) const;
    // The value of the option's last appearance; nullptr when it was not given.
    const std::string* Value(std::string_view name) const;
    // Every value given for the option, in order.
    std::vector<std::string> Values(std::string_view name) const;
};

// Reads `args` (after the command's name) over `table`. The refusal, if any: an unknown option,
// an option without its value ("--x needs a value"), one given twice where the table allows it
// once, or a positional word the table has no place for.
std::optional<std::string> ParseOptions(const OptionTable& table,
                                        const std::vector<std::string>& args,
                                        ParsedOptions& parsed);

// Whether `args` ask for the command's help: --help anywhere, or -h where an option may stand,
// before a "--" that ends the options. A "-h" after an option that takes a value (or after an
// option the tables do not know, which might) is that value, not a request for help.
bool AsksForHelp(const std::vector<std::string>& args, OptionTables tables = {});

// "render FILE.cvj [--page N | --all] ..." from the rows; the tables of one command joined by
// " | ".
std::string UsageOf(const OptionTable& table);
std::string UsageOf(OptionTables tables);
// The help under the usage line: each table's intro, its option list and its outro.
std::string HelpOf(const OptionTable& table);
std::string HelpOf(OptionTables tables);
// The help's option list alone, "  HEAD  HELP" a line.
std::string OptionListOf(const OptionTable& table);

// A text made once and kept for the program's life, for the usage and help constants.
const char* KeepText(const std::string& text);

// `text` broken at spaces into lines of at most `width` characters, joined by '\n' as a help's
// continuation lines; a word longer than `width` stands on a line of its own. For help lines
// made from a list (the bodies of the body table).
std::string WrapHelp(std::string_view text, std::size_t width = 64);

}  // namespace cli
