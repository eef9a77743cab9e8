// Loads arbitrary bytes as a job file. Beyond "no crash, no leak, no undefined behaviour" it
// checks that whatever loads is stable: saving it and loading the result gives the same bytes
// again, and its text form set field by field into a new job gives those bytes too.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "job/caelvane_doc.h"
#include "job/job_file.h"
#include "job/job_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CCaelvaneDoc doc;
    std::string error;
    if (!LoadJobBytes({data, size}, doc, error)) {
        if (error != kUnexpectedFileFormat) std::abort();
        return 0;
    }
    if (doc.m_currentPage != 1 || doc.m_priceMonitorOn != 0) std::abort();

    const std::vector<std::uint8_t> saved = SaveJobBytes(doc);
    // A canonical record is never longer than the bytes it came from, except that 2-byte
    // characters shrink and padded length prefixes get shorter.
    if (saved.size() > size) std::abort();

    CCaelvaneDoc again;
    if (!LoadJobBytes(saved, again, error)) std::abort();
    if (SaveJobBytes(again) != saved) std::abort();

    CCaelvaneDoc fromText;
    std::istringstream lines(JobToText(doc));
    for (std::string line; std::getline(lines, line);) {
        if (!SetJobField(fromText, line, error)) std::abort();
    }
    if (SaveJobBytes(fromText) != saved) std::abort();
    return 0;
}
