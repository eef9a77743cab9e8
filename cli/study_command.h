#pragma once
// caelvane-cli study: does a kind of sky event move a market? Forward returns of a price file
// after each group of events, against random draws, as CSV.
#include <optional>
#include <string>
#include <vector>

#include "events/event_finder.h"
#include "study/event_study.h"

namespace cli {

extern const char* const kStudyUsage;
extern const char* const kStudyHelp;

struct StudyRequest {
    std::string file;
    events::FinderOptions finder;  // kinds, frames, bodies, angles, source
    bool bySign = false;
    study::StudyOptions study;
    std::string splitText;     // --split as given, for messages
    std::string output = "-";  // "-": standard output
};

// The usage error the arguments make, if any; otherwise `request` is filled in (the checks
// that need the price file come later).
std::optional<std::string> ParseStudyArguments(const std::vector<std::string>& args,
                                               StudyRequest& request);

// The aspects a study looks at unless told: conjunction, sextile, square, trine and opposition,
// both ways round (0, 60, 90, 120, 180, 240, 270, 300). Fewer groups tested, less dilution of
// the q-values.
std::vector<double> DefaultStudyAngles();

int RunStudyCommand(const std::vector<std::string>& args);

}  // namespace cli
