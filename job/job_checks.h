#pragma once
#include <optional>
#include <string>

#include "job/caelvane_doc.h"

// The limits the job's dialogs put on its fields, shared by the dialogs (which check them on
// OK, in their own order and words) and by whatever builds jobs without them, such as the
// command line. The file itself holds any value: these are the rules of editing, not of
// loading.
namespace job_limits {

struct IntRange {
    int low;
    int high;
};
struct DoubleRange {
    double low;
    double high;
};

inline constexpr IntRange kDay{1, 31};
inline constexpr IntRange kMonth{1, 12};
// The start year has none: the dialog lets any whole number through.
inline constexpr IntRange kYear{1400, 2600};
inline constexpr DoubleRange kHotSpotDegree{0.0, 360.0};
inline constexpr int kNoteChars = 80;
inline constexpr int kHotSpotLabelChars = 8;
inline constexpr IntRange kOverlayValue{-100000, 100000};  // first value and step size
inline constexpr IntRange kOverlayParts{1, 90};
inline constexpr DoubleRange kOverlayStartDegree{0.0, 359.0};
inline constexpr DoubleRange kCustomAspect{0.0, 359.0};

}  // namespace job_limits

struct JobCheckFailure {
    std::string field;    // as the text form names it: "endDay", "hotSpotLabel[2]"
    std::string message;  // the dialog's own words where a dialog refuses the value
};

// The first field of `doc` that editing would refuse: the job data dialog's checks in the
// order its OK makes them, then the aspects dialog's, then what no dialog lets a user enter
// (a job type outside the four, a date that does not exist for the dates the job type uses,
// the natal date when it is included). Empty when every field passes.
std::optional<JobCheckFailure> CheckJobFields(const CCaelvaneDoc& doc);
