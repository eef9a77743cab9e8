#pragma once
// The sky on a price chart: the events of the event finder as markers (stations, ingresses,
// lunations, eclipses, aspects) and the spans while chosen bodies move retrograde, over the
// times of a series. Times are UT seconds since 1970, as the chart's.
#include <string>
#include <vector>

#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "events/event_finder.h"
#include "prices/price_chart.h"

namespace prices {

struct SkyMarkerRequest {
    double from = 0.0, to = 0.0;  // seconds since 1970 UT
    caelvane::events::KindSet kinds = 0;
    Frame frame = Frame::Geocentric;
    // Codes of `frame`; empty: every body of the frame.
    std::vector<int> bodies;
    // The aspects' forward arcs in degrees, for the aspect kind.
    std::vector<double> angles;
    // Geocentric codes of the bodies whose retrograde motion is shaded.
    std::vector<int> retrograde;
    PositionSource source = kDefaultPositionSource;
};

struct SkyMarkers {
    std::vector<ChartMarker> markers;
    std::vector<ChartSpan> spans;
    bool cancelled = false;
    std::string error;  // why nothing was found ("" when all is well)
};

// The longest stretch one request covers, the finder's own bound.
inline constexpr double kMaxMarkerRangeDays = caelvane::events::kMaxRangeDays;

// Finds the markers and spans; progress (0..1 over the whole request) may stop it. Refuses a
// range longer than kMaxMarkerRangeDays and more than kMaxMarkers markers or spans, with a
// message naming the count. Runs on any thread: it shares nothing.
SkyMarkers FindSkyMarkers(const SkyMarkerRequest& request,
                          const caelvane::events::FinderProgress& progress = {});

// The marker of one event: its short label ("Mer R", "Mar Leo", "Full", "Sun 90 Mar") and colour.
ChartMarker MarkerOf(const caelvane::events::SkyEvent& event);

// The body codes of a list of names as the command line takes them ("Mars,Venus"), in `frame`.
// False, with a message naming the bad name, for an unknown body or one without a longitude in
// that frame.
bool ParseBodyList(std::string_view text, Frame frame, std::vector<int>& codes, std::string& error);
// The kinds of a list as the command line takes them ("station,eclipse").
bool ParseKindList(std::string_view text, caelvane::events::KindSet& kinds, std::string& error);

}  // namespace prices
