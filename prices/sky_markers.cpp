#include "prices/sky_markers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace prices {

namespace ev = events;

namespace {

std::string Short(const char* name) {
    return std::string(name).substr(0, 3);
}

COLORREF KindColor(ev::EventKind kind) {
    switch (kind) {
        case ev::EventKind::Station:
            return RGB(190, 0, 120);
        case ev::EventKind::Ingress:
            return RGB(0, 110, 190);
        case ev::EventKind::Lunation:
            return RGB(110, 110, 110);
        case ev::EventKind::Eclipse:
            return RGB(0, 0, 0);
        case ev::EventKind::Aspect:
        case ev::EventKind::Transit:
            break;
    }
    return RGB(160, 100, 0);
}

double SecondsOfJed(double jed) {
    return (jed - kUnixEpochJed) * 86400.0;
}

std::vector<std::string> Split(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        std::string part(text.substr(start, comma - start));
        while (!part.empty() && part.front() == ' ') part.erase(0, 1);
        while (!part.empty() && part.back() == ' ') part.pop_back();
        if (!part.empty()) parts.push_back(part);
        start = comma + 1;
    }
    return parts;
}

std::string TooMany(std::size_t count, const char* what) {
    return std::to_string(count) + " " + what + " are more than the chart shows (" +
           std::to_string(kMaxMarkers) + "): choose fewer kinds or bodies, or a shorter file";
}

}  // namespace

ChartMarker MarkerOf(const ev::SkyEvent& event) {
    ChartMarker marker;
    marker.time = SecondsOfJed(event.jed);
    marker.color = KindColor(event.kind);
    switch (event.kind) {
        case ev::EventKind::Station:
            marker.label = Short(ev::BodyName(event.body1)) +
                           (event.detail == ev::EventDetail::Retrograde ? " R" : " D");
            break;
        case ev::EventKind::Ingress:
            marker.label = Short(ev::BodyName(event.body1)) + " " +
                           (event.sign >= 0 ? Short(ev::SignName(event.sign)) : std::string());
            break;
        case ev::EventKind::Lunation:
            marker.label = event.detail == ev::EventDetail::NewMoon        ? "New"
                           : event.detail == ev::EventDetail::FirstQuarter ? "FQ"
                           : event.detail == ev::EventDetail::FullMoon     ? "Full"
                                                                           : "LQ";
            break;
        case ev::EventKind::Eclipse: {
            const ev::EventDetail d = event.detail;
            const bool lunar =
                d == ev::EventDetail::LunarTotal || d == ev::EventDetail::LunarPartial ||
                d == ev::EventDetail::LunarPenumbral || d == ev::EventDetail::PossibleLunar;
            marker.label = lunar ? "Lun ecl" : "Sol ecl";
            break;
        }
        case ev::EventKind::Aspect:
            marker.label = Short(ev::BodyName(event.body1)) + " " + ev::FormatAngle(event.angle) +
                           " " + Short(ev::BodyName(event.body2));
            break;
        case ev::EventKind::Transit:
            marker.label = Short(ev::BodyName(event.body1)) + " " + ev::FormatAngle(event.angle) +
                           " n." + event.natal.substr(0, 3);
            break;
    }
    return marker;
}

MarkerLayout LayOutMarkers(const std::vector<ChartMarker>& markers, const CChartFrame& frame,
                           const std::function<double(std::string_view, bool)>& labelWidth) {
    MarkerLayout layout;
    if (markers.empty()) return layout;
    std::vector<const ChartMarker*> shown;
    for (const ChartMarker& marker : markers) {
        const double x = frame.XOfTime(marker.time);
        if (x >= frame.Left() && x <= frame.Right()) shown.push_back(&marker);
        if (shown.size() >= kMaxMarkers) break;
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](const ChartMarker* a, const ChartMarker* b) { return a->time < b->time; });
    // Markers by column; a time that goes back (a trading axis) still sorts its columns.
    struct Column {
        double x;
        long index;
        std::size_t first, count;
    };
    std::vector<Column> columns;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const double x = frame.XOfTime(shown[i]->time);
        const auto index = static_cast<long>(std::floor(x));
        if (!columns.empty() && columns.back().index == index) {
            ++columns.back().count;
            layout.thinned = true;
        } else {
            columns.push_back({x, index, i, 1});
        }
    }
    if (!layout.thinned) {
        std::vector<long> seen;
        seen.reserve(columns.size());
        for (const Column& column : columns) seen.push_back(column.index);
        std::sort(seen.begin(), seen.end());
        layout.thinned = std::adjacent_find(seen.begin(), seen.end()) != seen.end();
    }

    double rowEnd[kMarkerRows];
    std::fill(std::begin(rowEnd), std::end(rowEnd), -1e300);
    // Thinned labels keep a wider gap and stay inside the plot; over ticks, fewer rows keep
    // the top of the chart clear.
    int rows = kMarkerRows;
    double gap = 4;
    const auto place = [&](double x, std::string text, COLORREF color) {
        const double width = labelWidth(text, layout.thinned);
        if (layout.thinned && x + 2 + width > frame.Right()) return;
        int row = 0;
        while (row < rows && rowEnd[row] > x) ++row;
        if (row == rows) return;  // too crowded: the line alone says it
        rowEnd[row] = x + 2 + width + gap;
        layout.labels.push_back({x + 2, row, std::move(text), color});
    };
    if (!layout.thinned) {
        for (const ChartMarker* marker : shown) {
            layout.lines.push_back({frame.XOfTime(marker->time), marker->color});
        }
        for (const ChartMarker* marker : shown) {
            place(frame.XOfTime(marker->time), marker->label, marker->color);
        }
        return layout;
    }
    const double plotWidth = std::max(1.0, frame.Right() - frame.Left());
    layout.ticks = static_cast<double>(columns.size()) * kDenseColumnPixels > plotWidth;
    gap = 10;
    if (layout.ticks) rows = kMarkerRows / 2;
    for (const Column& column : columns) {
        const ChartMarker& first = *shown[column.first];
        const double x = static_cast<double>(column.index) + 0.5;
        layout.lines.push_back({x, first.color});
        std::string text = first.label;
        if (column.count > 1) text += " +" + std::to_string(column.count - 1);
        place(x, std::move(text), first.color);
    }
    return layout;
}

std::vector<const ChartMarker*> MarkersNear(const std::vector<ChartMarker>& markers,
                                            const CChartFrame& frame, double x, double pixels,
                                            std::size_t most) {
    std::vector<const ChartMarker*> near;
    const double from = frame.TimeOfX(x - pixels), to = frame.TimeOfX(x + pixels);
    for (const ChartMarker& marker : markers) {
        if (marker.time >= std::min(from, to) && marker.time <= std::max(from, to))
            near.push_back(&marker);
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const ChartMarker* a, const ChartMarker* b) { return a->time < b->time; });
    if (near.size() > most) near.resize(most);
    return near;
}

SkyMarkers FindSkyMarkers(const SkyMarkerRequest& request, const ev::FinderProgress& progress) {
    SkyMarkers out;
    const double fromJed = JedOfSeconds(request.from), toJed = JedOfSeconds(request.to);
    if (!(toJed > fromJed) || toJed - fromJed > kMaxMarkerRangeDays) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the events of %.0f days are asked for; at most %.0f days (1,000 years) "
                      "are searched",
                      toJed - fromJed, kMaxMarkerRangeDays);
        out.error = text;
        return out;
    }
    const bool markers = request.kinds != 0;
    const bool spans = !request.retrograde.empty();
    const auto part = [&](double offset, double share) -> ev::FinderProgress {
        if (!progress) return {};
        return [&progress, offset, share](double fraction) {
            return progress(offset + fraction * share);
        };
    };
    try {
        if (markers) {
            ev::FinderOptions options;
            options.startJed = fromJed;
            options.endJed = toJed;
            options.kinds = request.kinds;
            options.geocentric = request.frame == Frame::Geocentric;
            options.heliocentric = !options.geocentric;
            options.bodies = request.bodies;
            options.angles = request.angles;
            options.source = request.source;
            const ev::FinderResult found = ev::FindEvents(options, part(0.0, spans ? 0.7 : 1.0));
            if (found.cancelled) {
                out.cancelled = true;
                return out;
            }
            if (found.events.size() > kMaxMarkers) {
                out.error = TooMany(found.events.size(), "events");
                return out;
            }
            out.markers.reserve(found.events.size());
            for (const ev::SkyEvent& event : found.events) out.markers.push_back(MarkerOf(event));
        }
        if (spans) {
            // A body already retrograde at the start stationed before it: the search begins
            // early enough to see that station (the longest retrograde run is under 6 months).
            constexpr double kLeadDays = 200.0;
            ev::FinderOptions options;
            options.startJed = fromJed - kLeadDays;
            options.endJed = toJed;
            options.kinds = ev::KindBit(ev::EventKind::Station);
            options.geocentric = true;
            options.heliocentric = false;
            options.bodies = request.retrograde;
            options.source = request.source;
            const ev::FinderResult found =
                ev::FindEvents(options, part(markers ? 0.7 : 0.0, markers ? 0.3 : 1.0));
            if (found.cancelled) {
                out.cancelled = true;
                return out;
            }
            for (int code : request.retrograde) {
                const Body* named = BodyOfCode(code);
                const std::string label = Short(named != nullptr ? named->name : "?") + " Rx";
                // The start of the run under way; NaN while the body moves direct.
                double start = std::numeric_limits<double>::quiet_NaN();
                for (const ev::SkyEvent& event : found.events) {
                    if (event.body1 != code) continue;
                    if (event.detail == ev::EventDetail::Retrograde) {
                        start = SecondsOfJed(event.jed);
                    } else if (event.detail == ev::EventDetail::Direct && !std::isnan(start)) {
                        const double end = SecondsOfJed(event.jed);
                        if (end > request.from) {
                            out.spans.push_back({std::max(start, request.from), end, label,
                                                 DefaultBodyColor(code)});
                        }
                        start = std::numeric_limits<double>::quiet_NaN();
                    }
                    if (out.spans.size() > kMaxMarkers) {
                        out.error = TooMany(out.spans.size(), "retrograde spans");
                        out.markers.clear();
                        out.spans.clear();
                        return out;
                    }
                }
                // Still retrograde at the end.
                if (!std::isnan(start)) {
                    out.spans.push_back({start, request.to, label, DefaultBodyColor(code)});
                }
            }
        }
    } catch (const std::exception& e) {
        out.markers.clear();
        out.spans.clear();
        out.error = e.what();
    }
    return out;
}

bool ParseBodyList(std::string_view text, Frame frame, std::vector<int>& codes,
                   std::string& error) {
    codes.clear();
    for (const std::string& name : Split(text)) {
        const Body* body = FindBody(name);
        if (body == nullptr) {
            error = "unknown body '" + name + "' (" + BodyNameList() + ")";
            return false;
        }
        const int code = BodyCode(*body, frame);
        if (code == 0) {
            error = std::string(body->name) + " has no " +
                    (frame == Frame::Geocentric ? "geocentric" : "heliocentric") + " longitude";
            return false;
        }
        codes.push_back(code);
    }
    if (codes.empty()) {
        error = "the list of bodies is empty";
        return false;
    }
    return true;
}

bool ParseKindList(std::string_view text, ev::KindSet& kinds, std::string& error) {
    kinds = 0;
    for (const std::string& name : Split(text)) {
        const std::optional<ev::EventKind> kind = ev::ParseKind(name);
        // Transits need a natal chart, which markers over a chart of prices or the sky have not.
        if (!kind || *kind == ev::EventKind::Transit) {
            error =
                "unknown event kind '" + name + "' (aspect, ingress, station, lunation, eclipse)";
            return false;
        }
        kinds |= ev::KindBit(*kind);
    }
    if (kinds == 0) {
        error = "the list of event kinds is empty";
        return false;
    }
    return true;
}

}  // namespace prices
