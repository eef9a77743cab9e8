#pragma once
// caelvane-cli events: sky events of a date range as CSV, iCalendar or text.
#include <optional>
#include <string>
#include <vector>

#include "events/event_finder.h"

namespace cli {

enum class EventsFormat { Csv, Ics, Text };

struct EventsRequest {
    events::FinderOptions finder;
    EventsFormat format = EventsFormat::Csv;
    std::string output = "-";  // "-": standard output
    std::string zone;          // --tz; empty: the host's zone
};

// The usage error the arguments make, if any; otherwise `request` is filled in. `todayJed` is
// 0h UT of the host's local date, for jobs whose range counts from today.
std::optional<std::string> ParseEventsArguments(const std::vector<std::string>& args,
                                                double todayJed, EventsRequest& request);

// The points of the chart named `name` in the horoscope file at `path` (the file's only chart
// when `name` is empty), as transits are found to them; the usage error otherwise, naming the
// file, the name or the value at fault.
std::optional<std::string> NatalPointsOf(const std::string& path, const std::string& name,
                                         std::vector<events::NatalPoint>& points);

// An angle of an --aspects list: degrees from 0 to below 360.
std::optional<double> ParseAspectAngle(const std::string& text);

// Body names (any case) to the codes of both frames: "Sun" -3, "Earth" 3, "Mars" 4 and -4.
std::optional<std::vector<int>> ParseBodies(const std::string& list, std::string& bad);

// --kinds and --bodies of the commands that run the event finder: the refusal names the value.
std::optional<std::string> ReadKinds(const std::string& list, events::KindSet& kinds);
std::optional<std::string> ReadBodyCodes(const std::string& list, std::vector<int>& codes);

// The text form: one line per event, local time of `zone` (empty: the host's zone).
std::string EventsText(const std::vector<events::SkyEvent>& events, const std::string& zone);

}  // namespace cli
