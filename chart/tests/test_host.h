#pragma once
// Host services for chart tests: a fixed local date, a fixed time-zone rule, message boxes
// recorded (and written into the trace, as the command line does).
#include <sstream>
#include <string>
#include <vector>

#include "chart/draw_page.h"
#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"
#include "platform/host_services.h"
#include "render/trace_device.h"

namespace chart_test {

// A relative transition record: the `day`-th `dayOfWeek` of `month` (day 5: the last one).
inline caelvane::SystemTime Relative(int month, int dayOfWeek, int day) {
    caelvane::SystemTime time;
    time.month = month;
    time.dayOfWeek = dayOfWeek;
    time.day = day;
    time.hour = 2;
    return time;
}

// Daylight time from the first Sunday of April to the last Sunday of October.
inline caelvane::TimeZoneRule NorthernRule() {
    return {Relative(10, 0, 5), Relative(4, 0, 1)};
}

// Daylight time from the first Sunday of October to the first Sunday of April of the next year.
inline caelvane::TimeZoneRule SouthernRule() {
    return {Relative(4, 0, 1), Relative(10, 0, 1)};
}

// No daylight saving: the standard-time record's month is 0.
inline caelvane::TimeZoneRule NoDaylightRule() {
    return {};
}

class CTestHost : public caelvane::CHostServices {
public:
    caelvane::LocalDate today{1, 18, 2000};
    caelvane::TimeZoneRule rule = NoDaylightRule();
    std::vector<std::string> messages;
    CTraceDevice* trace = nullptr;

    caelvane::LocalDate Today() const override { return today; }
    caelvane::TimeZoneRule ZoneRule() const override { return rule; }
    void MessageBox(const std::string& text) override {
        messages.push_back(text);
        if (trace) trace->Message(text);
    }
};

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// One page of `doc` as its trace, drawn with `state` (left as the drawing leaves it).
inline std::string DrawToTrace(CCaelvaneDoc& doc, ChartState& state, CTestHost& host) {
    CTraceDevice device;
    host.trace = &device;
    // As a view keeps it.
    if (const std::optional<int> pages = DrawChartPage(doc, state, device, host))
        doc.m_pageCount = *pages;
    host.trace = nullptr;
    return device.Trace();
}

// One page of `doc` as its trace, drawn with a state of its own.
inline std::string DrawToTrace(CCaelvaneDoc& doc, CTestHost& host) {
    ChartState state;
    return DrawToTrace(doc, state, host);
}

}  // namespace chart_test
