#include "job/job_checks.h"

#include <cmath>

#include "ephemeris/calendar.h"
#include "job/job_type.h"
#include "platform/range_messages.h"

namespace {

using job_limits::DoubleRange;
using job_limits::IntRange;

std::string Indexed(const char* name, int index) {
    return std::string(name) + "[" + std::to_string(index) + "]";
}

class Checker {
public:
    void Int(const std::string& field, int value, IntRange range) {
        if (!m_failure && (value < range.low || value > range.high)) {
            m_failure = JobCheckFailure{field, caelvane::IntRangeMessage(range.low, range.high)};
        }
    }
    // Written so that NaN fails, as it does in the dialog.
    void Double(const std::string& field, double value, DoubleRange range) {
        if (!m_failure && !(value >= range.low && value <= range.high)) {
            m_failure = JobCheckFailure{field, caelvane::DoubleRangeMessage(range.low, range.high)};
        }
    }
    void Chars(const std::string& field, const std::string& value, int maxChars) {
        if (!m_failure && value.size() > static_cast<std::size_t>(maxChars)) {
            m_failure = JobCheckFailure{field, caelvane::MaxCharsMessage(maxChars)};
        }
    }
    // A day that its month has (month and day already in range).
    void Date(const char* prefix, int month, int day, int year) {
        if (m_failure) return;
        const int last = caelvane::DaysInMonth(year, month);
        if (day > last) {
            m_failure = JobCheckFailure{std::string(prefix) + "Day",
                                        "There is no day " + std::to_string(day) + " in month " +
                                            std::to_string(month) + " of " + std::to_string(year) +
                                            ": it has " + std::to_string(last) + " days."};
        }
    }
    const std::optional<JobCheckFailure>& Failure() const { return m_failure; }

private:
    std::optional<JobCheckFailure> m_failure;
};

}  // namespace

std::optional<JobCheckFailure> CheckJobFields(const CCaelvaneDoc& doc) {
    using namespace job_limits;
    Checker check;
    // The job data dialog's order.
    check.Int("endDay", doc.m_endDay, kDay);
    check.Int("endMonth", doc.m_endMonth, kMonth);
    check.Int("endYear", doc.m_endYear, kYear);
    for (int i = 0; i < 4; ++i) {
        check.Double(Indexed("hotSpotDegree", i), doc.m_hotSpotDegree[i], kHotSpotDegree);
    }
    check.Int("natalDay", doc.m_natalDay, kDay);
    check.Int("natalMonth", doc.m_natalMonth, kMonth);
    check.Int("natalYear", doc.m_natalYear, kYear);
    check.Int("startDay", doc.m_startDay, kDay);
    check.Int("startMonth", doc.m_startMonth, kMonth);
    check.Chars("note", doc.m_note, kNoteChars);
    for (int i = 0; i < 4; ++i) {
        check.Chars(Indexed("hotSpotLabel", i), doc.m_hotSpotLabel[i], kHotSpotLabelChars);
    }
    check.Int("overlayFirstValue", doc.m_overlayFirstValue, kOverlayValue);
    check.Int("overlayParts", doc.m_overlayParts, kOverlayParts);
    check.Int("overlayStepSize", doc.m_overlayStepSize, kOverlayValue);
    check.Double("overlayStartDegree", doc.m_overlayStartDegree, kOverlayStartDegree);
    // The aspects dialog's.
    for (int i = 0; i < 4; ++i) {
        check.Double(Indexed("customAspect", i), doc.m_customAspect[i], kCustomAspect);
    }
    // What the dialogs offer no way to enter.
    const std::optional<JobType> type = JobTypeOf(doc);
    if (!check.Failure() && !type) {
        return JobCheckFailure{"jobType",
                               "A job type is 0 (today), 1 (from a start date), 2 (days around "
                               "today) or 3 (from a start to an end date)."};
    }
    if (type && UsesStartDate(*type)) {
        check.Date("start", doc.m_startMonth, doc.m_startDay, doc.m_startYear);
    }
    if (type && UsesEndDate(*type)) check.Date("end", doc.m_endMonth, doc.m_endDay, doc.m_endYear);
    if (doc.m_includeNatal != 0) {
        check.Date("natal", doc.m_natalMonth, doc.m_natalDay, doc.m_natalYear);
    }
    return check.Failure();
}
