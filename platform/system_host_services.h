#pragma once
// Host services from the operating system, for the command line and other programs without a
// window: the local date from the C library, the zone's daylight-saving rule from TZ or the
// zone files, and messages on standard error.

#include <string>

#include "platform/host_services.h"

namespace caelvane {

class CSystemHostServices : public CHostServices {
public:
    LocalDate Today() const override;
    TimeZoneRule ZoneRule() const override;
    // Writes the text and a newline to standard error; nobody needs to dismiss it.
    void MessageBox(const std::string& text) override;
};

}  // namespace caelvane
