#pragma once
// The sky on a price chart: the events of the event finder as markers (stations, ingresses,
// lunations, eclipses, aspects) and the spans while chosen bodies move retrograde, over the
// times of a series. Times are UT seconds since 1970, as the chart's.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "events/event_finder.h"
#include "prices/price_chart.h"

namespace prices {

struct SkyMarkerRequest {
    double from = 0.0, to = 0.0;  // seconds since 1970 UT
    events::KindSet kinds = 0;
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
inline constexpr double kMaxMarkerRangeDays = events::kMaxRangeDays;

// Finds the markers and spans; progress (0..1 over the whole request) may stop it. Refuses a
// range longer than kMaxMarkerRangeDays and more than kMaxMarkers markers or spans, with a
// message naming the count. Runs on any thread: it shares nothing.
SkyMarkers FindSkyMarkers(const SkyMarkerRequest& request,
                          const events::FinderProgress& progress = {});

// The marker of one event: its short label ("Mer R", "Mar Leo", "Full", "Sun 90 Mar") and colour.
ChartMarker MarkerOf(const events::SkyEvent& event);

// Where a plot draws its markers. Markers that each have a pixel column to themselves get a line
// across the plot each, the label in the first of kMarkerRows rows at the top where it clears the
// label before it: the drawing charts have always had. Where two or more fall in one column
// (decades on one screen), the markers are thinned: one line per column, in the colour of its
// first marker, and, where the columns crowd (more than one in kDenseColumnPixels on average),
// a short tick at the foot of the plot instead of a line (the labels then in half the rows); a
// column's label is its first marker's, with "+N" for the others, and only where it fits
// inside the plot, clear of the others. The rest are read with MarkersNear (the crosshair).
inline constexpr int kMarkerRows = 4;
inline constexpr double kDenseColumnPixels = 8.0;
inline constexpr double kMarkerTickPixels = 7.0;

struct MarkerLayout {
    struct Line {
        double x;        // pixels
        COLORREF color;  // of the marker; a line across the plot is drawn in a tint of it
    };
    struct Label {
        double x;  // pixels: where the label starts
        int row;   // 0 at the top
        std::string text;
        COLORREF color;
    };
    bool thinned = false;  // two or more markers share a column
    bool ticks = false;    // the lines are ticks at the foot of the plot
    std::vector<Line> lines;
    std::vector<Label> labels;
};

// Lays out the markers within the plot (at most kMaxMarkers of them). `labelWidth` is a label's
// width in pixels; `thinned` tells it which layout asks (the classic one keeps its estimate).
MarkerLayout LayOutMarkers(
    const std::vector<ChartMarker>& markers, const CChartFrame& frame,
    const std::function<double(std::string_view label, bool thinned)>& labelWidth);

// The markers within `pixels` of the column at x, by time; at most `most` of them.
std::vector<const ChartMarker*> MarkersNear(const std::vector<ChartMarker>& markers,
                                            const CChartFrame& frame, double x, double pixels,
                                            std::size_t most = 12);

// The body codes of a list of names as the command line takes them ("Mars,Venus"), in `frame`.
// False, with a message naming the bad name, for an unknown body or one without a longitude in
// that frame.
bool ParseBodyList(std::string_view text, Frame frame, std::vector<int>& codes, std::string& error);
// The kinds of a list as the command line takes them ("station,eclipse").
bool ParseKindList(std::string_view text, events::KindSet& kinds, std::string& error);

}  // namespace prices
