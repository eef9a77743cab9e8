#include "job/job_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "job/caelvane_doc.h"

namespace {

struct Case {
    const char* name;
    std::function<void(CCaelvaneDoc&)> change;
    const char* field;  // "" when the job passes
    const char* message;
};

TEST(JobChecks, EachRuleNamesItsFieldInTheDialogsWords) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const char* days = "Please enter an integer between 1 and 31.";
    const char* years = "Please enter an integer between 1400 and 2600.";
    const Case cases[] = {
        {"the default job", [](CCaelvaneDoc&) {}, "", ""},
        {"end day 32", [](CCaelvaneDoc& d) { d.m_endDay = 32; }, "endDay", days},
        {"end month 0", [](CCaelvaneDoc& d) { d.m_endMonth = 0; }, "endMonth",
         "Please enter an integer between 1 and 12."},
        {"end year 2601", [](CCaelvaneDoc& d) { d.m_endYear = 2601; }, "endYear", years},
        {"hot spot 360 is the last allowed", [](CCaelvaneDoc& d) { d.m_hotSpotDegree[3] = 360; },
         "", ""},
        {"hot spot past 360", [](CCaelvaneDoc& d) { d.m_hotSpotDegree[3] = 360.001; },
         "hotSpotDegree[3]", "Please enter a number between 0 and 360."},
        {"hot spot NaN", [&](CCaelvaneDoc& d) { d.m_hotSpotDegree[0] = nan; }, "hotSpotDegree[0]",
         "Please enter a number between 0 and 360."},
        {"natal year checked even without the natal date",
         [](CCaelvaneDoc& d) { d.m_natalYear = 1399; }, "natalYear", years},
        {"start year has no range", [](CCaelvaneDoc& d) { d.m_startYear = 9000; }, "", ""},
        {"note of 81", [](CCaelvaneDoc& d) { d.m_note.assign(81, 'n'); }, "note",
         "Please enter no more than 80 characters."},
        {"label of 9", [](CCaelvaneDoc& d) { d.m_hotSpotLabel[2] = "123456789"; },
         "hotSpotLabel[2]", "Please enter no more than 8 characters."},
        {"overlay parts 91", [](CCaelvaneDoc& d) { d.m_overlayParts = 91; }, "overlayParts",
         "Please enter an integer between 1 and 90."},
        {"overlay step", [](CCaelvaneDoc& d) { d.m_overlayStepSize = -100001; }, "overlayStepSize",
         "Please enter an integer between -100000 and 100000."},
        {"overlay start 359.5", [](CCaelvaneDoc& d) { d.m_overlayStartDegree = 359.5; },
         "overlayStartDegree", "Please enter a number between 0 and 359."},
        {"custom aspect infinite", [&](CCaelvaneDoc& d) { d.m_customAspect[1] = inf; },
         "customAspect[1]", "Please enter a number between 0 and 359."},
        {"job type 4", [](CCaelvaneDoc& d) { d.m_jobType = 4; }, "jobType",
         "A job type is 0 (today), 1 (from a start date), 2 (days around today) or 3 (from a "
         "start to an end date)."},
        {"job type -1", [](CCaelvaneDoc& d) { d.m_jobType = -1; }, "jobType", nullptr},
        {"30 February as start of a dated job",
         [](CCaelvaneDoc& d) { d.m_jobType = 1, d.m_startMonth = 2, d.m_startDay = 30; },
         "startDay", "There is no day 30 in month 2 of 2000: it has 29 days."},
        {"29 February of a common year as end",
         [](CCaelvaneDoc& d) {
             d.m_jobType = 3, d.m_endMonth = 2, d.m_endDay = 29, d.m_endYear = 2001;
         },
         "endDay", "There is no day 29 in month 2 of 2001: it has 28 days."},
        {"an end date the job type does not use",
         [](CCaelvaneDoc& d) { d.m_jobType = 1, d.m_endMonth = 4, d.m_endDay = 31; }, "", ""},
        {"31 April as included natal date",
         [](CCaelvaneDoc& d) { d.m_includeNatal = 1, d.m_natalMonth = 4, d.m_natalDay = 31; },
         "natalDay", "There is no day 31 in month 4 of 2000: it has 30 days."},
        {"the dialog's order: end day before the note",
         [](CCaelvaneDoc& d) { d.m_note.assign(100, 'n'), d.m_endDay = 0; }, "endDay", days},
        {"ranges before dates",
         [](CCaelvaneDoc& d) { d.m_startDay = 31, d.m_startMonth = 2, d.m_overlayParts = 0; },
         "overlayParts", "Please enter an integer between 1 and 90."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCaelvaneDoc doc;
        c.change(doc);
        const std::optional<JobCheckFailure> failure = CheckJobFields(doc);
        if (std::string(c.field).empty()) {
            EXPECT_FALSE(failure) << failure->field << ": " << failure->message;
            continue;
        }
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->field, c.field);
        if (c.message != nullptr) {
            EXPECT_EQ(failure->message, c.message);
        }
    }
}

}  // namespace
