#pragma once
// caelvane-cli without Qt, and its companion with it. The program users run links no Qt, so
// that the commands that need none (traces, classic PDF pages, positions, events, jobs, ...)
// never pay for loading it. What needs Qt (PNG and SVG through its painter, the modern page
// that measures its texts with Qt's fonts, the price, sky and natal charts' files) is handed to
// the companion, caelvane-cli-qt: the same command line built with Qt, started in this same
// process (exec) with the same arguments, so that exit status, standard output and error, and
// files are the companion's own, exactly as one program's.
#include <optional>
#include <string>
#include <vector>

namespace cli {

// The companion's file name.
extern const char* const kCompanionName;

// Whether the command line `argv` (argv[1] names the command) needs what only the companion
// has. Arguments that do not parse stay here: this program refuses them in the same words.
bool NeedsCompanion(int argc, char** argv);

// Where the companion of the program at `selfPath` (a file path) is: beside it (a build
// folder), else in its install folder (bin/ -> libexec/caelvane/). nullopt when neither holds
// an executable file.
std::optional<std::string> FindCompanion(const std::string& selfPath);

// Both places FindCompanion looks, in its order.
std::vector<std::string> CompanionCandidates(const std::string& selfPath);

// Replaces this process by the companion with the same arguments (argv[0] included). Returns
// only when that fails, with the exit status of a failure after the message on standard error.
int RunCompanion(char** argv);

}  // namespace cli
