// caelvane-cli job new [--set NAME=VALUE ...] [--unchecked] -o FILE.cvj
// caelvane-cli job show FILE.cvj
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "job/caelvane_doc.h"
#include "job/job_checks.h"
#include "job/job_file.h"
#include "job/job_text.h"

namespace cli {

namespace {

constexpr Option kJobNewRows[] = {
    {"--set", "NAME=VALUE",
     "a field as `job show` prints it (the name without m_: jobType,\n"
     "startMonth, note, hotSpotDegree[2], ...); repeatable",
     kRepeatable},
    {"--unchecked", "",
     "skip the checks the job dialogs make (ranges, lengths of texts,\n"
     "a job type of 0 to 3, dates that exist), for test files",
     kFlag | kRepeatable},
    {"-o", "FILE.cvj", "the job file to write", kRequired},
};

constexpr OptionTable kJobNewTable{
    .name = "job new",
    .options = kJobNewRows,
    .intro = "job new writes a job with the defaults, changed by the given fields.\n",
    .unknownOption = "unexpected argument \"{}\"",
};

constexpr Option kJobShowRows[] = {
    {"FILE.cvj", "", "", kPositional | kRequired},
};

constexpr OptionTable kJobShowTable{
    .name = "job show",
    .options = kJobShowRows,
    .intro =
        "job show FILE.cvj prints every saved field as NAME=VALUE, one a line, in file order;\n"
        "`job new --unchecked --set LINE ...` takes the lines back.\n",
    .unknownOption = "show takes one file",
    .extraWord = "show takes one file",
};

constexpr const OptionTable* kJobTables[] = {&kJobNewTable, &kJobShowTable};

}  // namespace

OptionTables JobOptionTables() {
    return kJobTables;
}

const char* const kJobUsage = KeepText(UsageOf(kJobTables));
const char* const kJobHelp = KeepText(HelpOf(kJobTables));

namespace {

int JobUsageError(const std::string& message) {
    return cli::UsageError("job", message);
}

// The value of one field as `job show` prints it.
std::string FieldValue(CCaelvaneDoc& doc, const std::string& field) {
    const std::string text = "\n" + JobToText(doc);
    const std::string key = "\n" + field + "=";
    const std::size_t at = text.find(key);
    if (at == std::string::npos) return "";
    const std::size_t begin = at + key.size();
    return text.substr(begin, text.find('\n', begin) - begin);
}

int RunNew(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    if (auto error = ParseOptions(kJobNewTable, args, parsed)) return JobUsageError(*error);
    CCaelvaneDoc doc;
    std::string output;
    const bool unchecked = parsed.Has("--unchecked");
    std::map<std::string, std::string> given;  // the last value given for each field, as typed
    for (const std::string& value : parsed.Values("--set")) {
        std::string error;
        if (!SetJobField(doc, value, error)) return JobUsageError(error);
        const std::size_t equals = value.find('=');
        given[value.substr(0, equals)] = value.substr(equals + 1);
    }
    if (const std::string* value = parsed.Value("-o")) {
        if (value->empty()) return JobUsageError("-o needs a file name");
        output = *value;
    }
    if (output.empty()) return JobUsageError("missing -o FILE.cvj");
    // Checked once every field is set, so that the order of the --set options does not matter
    // (a month first, then a day it has).
    if (!unchecked) {
        if (const std::optional<JobCheckFailure> failure = CheckJobFields(doc)) {
            const auto typed = given.find(failure->field);
            return JobUsageError(
                failure->field + "=" +
                (typed != given.end() ? typed->second : FieldValue(doc, failure->field)) + ": " +
                failure->message);
        }
    }
    std::string error;
    if (!SaveJobFile(output, doc, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

int RunShow(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    if (auto error = ParseOptions(kJobShowTable, args, parsed)) return JobUsageError(*error);
    if (parsed.words.size() != 1) return JobUsageError("show takes one file");
    CCaelvaneDoc doc;
    std::string error;
    if (!LoadJobFile(parsed.words[0], doc, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string text = JobToText(doc);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "caelvane-cli job: cannot write to standard output\n");
        return 1;
    }
    return 0;
}

}  // namespace

int RunJob(const std::vector<std::string>& args) {
    if (args.empty()) return JobUsageError(std::string("usage: caelvane-cli ") + kJobUsage);
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "new") return RunNew(rest);
    if (args[0] == "show") return RunShow(rest);
    return JobUsageError("unknown sub-command \"" + args[0] + "\"; usage: caelvane-cli " +
                         kJobUsage);
}

}  // namespace cli
