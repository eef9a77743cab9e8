// Sets the lines of arbitrary text as fields of a job, as `caelvane-cli job new --set` does.
// Beyond "no crash, no undefined behaviour": a refused line says why and leaves the job as it
// was; whatever job results survives its own text form (every line taken back, the same record
// again); and the dialogs' checks judge any job without fault.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "job/caelvane_doc.h"
#include "job/job_checks.h"
#include "job/job_file.h"
#include "job/job_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CCaelvaneDoc doc;
    CCaelvaneDoc before;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        before.CopyFieldsFrom(doc);
        std::string error;
        if (!SetJobField(doc, line, error)) {
            if (error.empty()) std::abort();
            if (SaveJobBytes(doc) != SaveJobBytes(before)) std::abort();
        }
    }
    const std::vector<std::uint8_t> saved = SaveJobBytes(doc);

    CCaelvaneDoc again;
    std::istringstream shown(JobToText(doc));
    for (std::string line; std::getline(shown, line);) {
        std::string error;
        if (!SetJobField(again, line, error)) std::abort();
    }
    if (SaveJobBytes(again) != saved) std::abort();

    if (const std::optional<JobCheckFailure> failure = CheckJobFields(doc)) {
        if (failure->field.empty() || failure->message.empty()) std::abort();
    }
    return 0;
}
