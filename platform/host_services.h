#pragma once
#include <string>

#include "ephemeris/calendar.h"

namespace caelvane {

struct LocalDate {
    int month = 1;
    int day = 1;
    int year = 2000;
};

// What the chart and the tools ask of the host: the local date (TODAY jobs), the time-zone
// rule (daylight-saving turn of the hour dial) and a modal OK message box. The desktop
// program, the command line and the tests each supply their own.
class CHostServices {
public:
    virtual ~CHostServices() = default;
    virtual LocalDate Today() const = 0;
    virtual TimeZoneRule ZoneRule() const = 0;
    // A modal message with an OK button; returns when the user has dismissed it.
    virtual void MessageBox(const std::string& text) = 0;
};

}  // namespace caelvane
