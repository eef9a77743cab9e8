// caelvane-cli job new [--set NAME=VALUE ...] -o FILE.cvj
// caelvane-cli job show FILE.cvj
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_registry.h"
#include "job/caelvane_doc.h"
#include "job/job_file.h"
#include "job/job_text.h"

namespace {
constexpr const char* kUsage = "job new [--set NAME=VALUE ...] -o FILE.cvj | job show FILE.cvj";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "caelvane-cli job: %s\n", message.c_str());
    return kCliUsageError;
}

int RunNew(const std::vector<std::string>& args) {
    CCaelvaneDoc doc;
    std::string output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--set" || arg == "-o") {
            if (i + 1 >= args.size()) return UsageError(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "-o") {
                if (!output.empty()) return UsageError("-o given twice");
                if (value.empty()) return UsageError("-o needs a file name");
                output = value;
                continue;
            }
            std::string error;
            if (!SetJobField(doc, value, error)) return UsageError(error);
        } else {
            return UsageError("unexpected argument \"" + arg + "\"");
        }
    }
    if (output.empty()) return UsageError("missing -o FILE.cvj");
    std::string error;
    if (!SaveJobFile(output, doc, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

int RunShow(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("show takes one file");
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

int RunJob(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError(std::string("usage: caelvane-cli ") + kUsage);
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "new") return RunNew(rest);
    if (args[0] == "show") return RunShow(rest);
    return UsageError("unknown sub-command \"" + args[0] + "\"; usage: caelvane-cli " + kUsage);
}

const CliCommandRegistration reg("job", kUsage, &RunJob);
}  // namespace
