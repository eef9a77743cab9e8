// caelvane-cli job new [--set NAME=VALUE ...] -o FILE.cvj
// caelvane-cli job show FILE.cvj
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "job/caelvane_doc.h"
#include "job/job_file.h"
#include "job/job_text.h"

namespace cli {

const char* const kJobUsage = "job new [--set NAME=VALUE ...] -o FILE.cvj | job show FILE.cvj";

namespace {

int JobUsageError(const std::string& message) {
    return cli::UsageError("job", message);
}

int RunNew(const std::vector<std::string>& args) {
    CCaelvaneDoc doc;
    std::string output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--set" || arg == "-o") {
            if (i + 1 >= args.size()) return JobUsageError(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "-o") {
                if (!output.empty()) return JobUsageError("-o given twice");
                if (value.empty()) return JobUsageError("-o needs a file name");
                output = value;
                continue;
            }
            std::string error;
            if (!SetJobField(doc, value, error)) return JobUsageError(error);
        } else {
            return JobUsageError("unexpected argument \"" + arg + "\"");
        }
    }
    if (output.empty()) return JobUsageError("missing -o FILE.cvj");
    std::string error;
    if (!SaveJobFile(output, doc, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

int RunShow(const std::vector<std::string>& args) {
    if (args.size() != 1) return JobUsageError("show takes one file");
    CCaelvaneDoc doc;
    std::string error;
    if (!LoadJobFile(args[0], doc, error)) {
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
