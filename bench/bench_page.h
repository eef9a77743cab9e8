#pragma once
// The host and the job that the page benchmarks draw, so that their figures compare.
#include <string>

#include "job/caelvane_doc.h"
#include "platform/host_services.h"

// January 18, 2000 and a zone with daylight time from April to October; messages dropped.
class CBenchHost : public caelvane::CHostServices {
public:
    caelvane::LocalDate Today() const override { return {1, 18, 2000}; }
    caelvane::TimeZoneRule ZoneRule() const override {
        caelvane::TimeZoneRule rule;
        rule.standardDate = {0, 10, 0, 5, 2, 0};
        rule.daylightDate = {0, 4, 0, 1, 2, 0};
        return rule;
    }
    void MessageBox(const std::string&) override {}
};

// The default job with the natal date and the overlay on: every element but the price display.
inline CCaelvaneDoc& BenchJob() {
    static CCaelvaneDoc doc;
    static bool ready = false;
    if (!ready) {
        doc.SetTitle("bench.cvj");
        doc.m_includeNatal = 1;
        doc.m_overlayEnabled = 1;
        ready = true;
    }
    return doc;
}
