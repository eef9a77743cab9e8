#include "prices/sky_markers.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace prices {

namespace ev = caelvane::events;

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
