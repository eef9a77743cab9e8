#include "prices/body_panes.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "ephemeris/bodies.h"
#include "platform/parallel.h"
#include "prices/ohlc.h"
#include "prices/price_chart.h"
#include "prices/sampled_columns.h"

namespace prices {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// Half the span of the central difference that gives a speed: a quarter hour each side is far
// below the time any body's motion changes in, and far above the rounding of a longitude.
constexpr double kSpeedHalfSpanDays = 0.25 / 24.0;
constexpr int kLabelPixels = 11;

constexpr COLORREF kAxisColor = RGB(96, 96, 96);
constexpr COLORREF kZeroColor = RGB(150, 150, 150);
constexpr COLORREF kBandColor = RGB(244, 240, 226);
constexpr COLORREF kBandEdgeColor = RGB(200, 170, 90);
constexpr COLORREF kTextColor = RGB(0, 0, 0);

constexpr PaneKind kPanes[] = {PaneKind::Declination, PaneKind::Latitude, PaneKind::Speed};

double Signed(double folded) {
    return folded > 180.0 ? folded - 360.0 : folded;
}

// Mean distances from the Sun in astronomical units, by heliocentric code (0: none).
double MeanDistance(int helioCode) {
    static constexpr double kDistances[13] = {0,     0.3871, 0.7233, 1.0, 1.5237, 5.2029, 9.5367,
                                              19.19, 30.069, 39.482, 0,   0,      13.70};
    return helioCode >= 0 && helioCode <= 12 ? kDistances[helioCode] : 0.0;
}

// The latitude of `code` seen from its frame's centre, signed degrees.
double FrameLatitude(double jed, int code, PositionSource source) {
    const int helio = code < 0 ? -code : code;
    if (helio == 3 || helio == 11 || helio >= 13) return 0.0;  // the Sun, the Earth, the node
    if (helio == 10) return Signed(BodyLatitude(jed, 10, source));
    const double b = Signed(BodyLatitude(jed, helio, source)) * kDegree;
    if (code > 0) return b / kDegree;
    // Seen from the Earth: the planet's heliocentric place less the Earth's.
    const double l = BodyLongitude(jed, helio, source) * kDegree;
    const double le = BodyLongitude(jed, 3, source) * kDegree;
    const double r = MeanDistance(helio);
    const double x = r * std::cos(b) * std::cos(l) - std::cos(le);
    const double y = r * std::cos(b) * std::sin(l) - std::sin(le);
    const double z = r * std::sin(b);
    return std::atan2(z, std::hypot(x, y)) / kDegree;
}

int U(double pixels, int units) {
    return static_cast<int>(std::lround(pixels * units));
}

}  // namespace

std::span<const PaneKind> PaneKinds() {
    return kPanes;
}

const char* PaneName(PaneKind kind) {
    switch (kind) {
        case PaneKind::Declination:
            return "declination";
        case PaneKind::Latitude:
            return "latitude";
        case PaneKind::Speed:
            return "speed";
    }
    return "declination";
}

std::optional<PaneKind> ParsePaneName(std::string_view text) {
    for (PaneKind kind : kPanes) {
        if (text == PaneName(kind)) return kind;
    }
    return std::nullopt;
}

bool ParsePaneList(std::string_view text, std::vector<PaneKind>& panes, std::string& error) {
    panes.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view name =
            text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
        const std::optional<PaneKind> kind = ParsePaneName(name);
        if (!kind) {
            error = "'" + std::string(name) +
                    "' is not a pane; use declination, latitude or speed, separated by commas";
            return false;
        }
        if (std::find(panes.begin(), panes.end(), *kind) != panes.end()) {
            error = "the pane '" + std::string(name) + "' is named twice";
            return false;
        }
        panes.push_back(*kind);
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

double MeanObliquity(double jed) {
    const double t = (jed - 2451545.0) / 36525.0;
    return 23.439291111111 - (46.8150 * t + 0.00059 * t * t - 0.001813 * t * t * t) / 3600.0;
}

double ObliquityOfDate(double jed, PositionSource source) {
    if (source == PositionSource::Precise) {
        const double obliquity = PreciseObliquity(jed);
        if (std::isfinite(obliquity)) return obliquity;
    }
    return MeanObliquity(jed);
}

double DeclinationOf(double longitude, double latitude, double obliquity) {
    const double l = longitude * kDegree, b = latitude * kDegree, e = obliquity * kDegree;
    const double s = std::sin(b) * std::cos(e) + std::cos(b) * std::sin(e) * std::sin(l);
    return std::asin(std::clamp(s, -1.0, 1.0)) / kDegree;
}

BodyMotion ComputeBodyMotion(double jed, int code, PositionSource source) {
    BodyMotion motion;
    if (source == PositionSource::Precise && code < 0) {
        GeocentricMotion precise;
        if (PreciseGeocentricMotion(jed, code, precise)) {
            motion.longitude = precise.longitude;
            motion.latitude = precise.latitude;
            motion.speed = precise.speed;
            motion.declination = precise.declination;
            return motion;
        }
    }
    motion.longitude = BodyLongitude(jed, code, source);
    const double before = BodyLongitude(jed - kSpeedHalfSpanDays, code, source);
    const double after = BodyLongitude(jed + kSpeedHalfSpanDays, code, source);
    double arc = std::fmod(after - before, 360.0);
    if (arc > 180.0) arc -= 360.0;
    if (arc <= -180.0) arc += 360.0;
    motion.speed = arc / (2.0 * kSpeedHalfSpanDays);
    motion.latitude = FrameLatitude(jed, code, source);
    motion.declination =
        DeclinationOf(motion.longitude, motion.latitude, ObliquityOfDate(jed, source));
    return motion;
}

void ComputeBodyMotions(double jed, std::span<const int> codes, PositionSource source,
                        std::span<BodyMotion> out, double& obliquity) {
    constexpr std::size_t kMost = 32;
    obliquity = std::nan("");
    bool found[kMost] = {};
    if (source == PositionSource::Precise && codes.size() <= kMost) {
        // The geocentric bodies from the library in one go; the rest one by one below.
        GeocentricMotion precise[kMost];
        if (PreciseGeocentricMotions(jed, codes, std::span(precise, codes.size()),
                                     std::span(found, codes.size()), obliquity)) {
            for (std::size_t i = 0; i < codes.size(); ++i) {
                if (!found[i] || codes[i] >= 0) {
                    found[i] = false;
                    continue;
                }
                out[i] = {precise[i].longitude, precise[i].latitude, precise[i].speed,
                          precise[i].declination};
            }
        }
    }
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (i < kMost && found[i]) continue;
        out[i] = ComputeBodyMotion(jed, codes[i], source);
    }
    if (!std::isfinite(obliquity)) obliquity = ObliquityOfDate(jed, source);
}

const BodyMotion* CMotionSampler::Sample(int code, PositionSource source, double step,
                                         std::int64_t first, std::size_t count) {
    MotionEntry* entry = nullptr;
    for (MotionEntry& candidate : m_motions) {
        if (candidate.code == code && candidate.source == source) entry = &candidate;
    }
    if (entry == nullptr) {
        entry = &m_motions.emplace_back();
        entry->code = code;
        entry->source = source;
    }
    m_computed += FillSampledColumns(*entry, step, first, count, [&](double jed) {
        return ComputeBodyMotion(jed, code, source);
    });
    return entry->values.data();
}

void CMotionSampler::SampleMany(const std::vector<int>& codes, PositionSource source, double step,
                                std::int64_t first, std::size_t count,
                                std::vector<const BodyMotion*>& out) {
    std::vector<MotionEntry*> entries;
    for (int code : codes) {
        bool known = false;
        for (const MotionEntry& candidate : m_motions) {
            known = known || (candidate.code == code && candidate.source == source);
        }
        if (!known) {
            MotionEntry& entry = m_motions.emplace_back();
            entry.code = code;
            entry.source = source;
        }
    }
    // Each body once, however often it is named.
    for (MotionEntry& candidate : m_motions) {
        if (candidate.source != source) continue;
        if (std::find(codes.begin(), codes.end(), candidate.code) != codes.end()) {
            entries.push_back(&candidate);
        }
    }
    ObliquityEntry& obliquity = ObliquityEntryOf(source);
    // What each entry keeps from its last grid, and which columns it lacks (the obliquity is
    // the last "entry").
    const std::size_t rows = entries.size() + 1;
    std::vector<char> missing(rows * count, 0);
    for (std::size_t e = 0; e < entries.size(); ++e) {
        KeepSampledColumns(*entries[e], step, first, count, e, rows, missing);
    }
    KeepSampledColumns(obliquity, step, first, count, entries.size(), rows, missing);
    const std::vector<std::size_t> columns = ColumnsToCompute(missing, rows, count);
    // Date by date, every body at one date before the next (the precise source then computes
    // what the bodies share once); the dates spread over the cores when there are many.
    std::atomic<std::size_t> computed{0};
    caelvane::ParallelRanges(
        columns.size(), kColumnsPerThread,
        [&](std::size_t begin, std::size_t end) {
            std::vector<int> here;
            std::vector<std::size_t> which;
            std::vector<BodyMotion> motions;
            std::size_t done = 0;
            for (std::size_t c = begin; c < end; ++c) {
                const std::size_t i = columns[c];
                const char* row = &missing[i * rows];
                here.clear();
                which.clear();
                for (std::size_t e = 0; e < entries.size(); ++e) {
                    if (row[e] == 0) continue;
                    here.push_back(entries[e]->code);
                    which.push_back(e);
                }
                motions.resize(here.size());
                const double jed =
                    JedOfSeconds(static_cast<double>(first + static_cast<std::int64_t>(i)) * step);
                double ofDate = 0;
                ComputeBodyMotions(jed, here, source, motions, ofDate);
                for (std::size_t k = 0; k < which.size(); ++k) {
                    entries[which[k]]->scratch[i] = motions[k];
                }
                if (row[entries.size()] != 0) obliquity.scratch[i] = ofDate;
                done += here.size();
            }
            computed += done;
        },
        kMostThreads);
    m_computed += computed;
    const auto adopt = [&](auto& entry) {
        entry.values.swap(entry.scratch);
        entry.first = first;
        entry.step = step;
    };
    for (MotionEntry* entry : entries) adopt(*entry);
    adopt(obliquity);
    out.clear();
    for (int code : codes) {
        for (MotionEntry* entry : entries) {
            if (entry->code == code) out.push_back(entry->values.data());
        }
    }
}

CMotionSampler::ObliquityEntry& CMotionSampler::ObliquityEntryOf(PositionSource source) {
    for (ObliquityEntry& candidate : m_obliquities) {
        if (candidate.source == source) return candidate;
    }
    ObliquityEntry& entry = m_obliquities.emplace_back();
    entry.source = source;
    return entry;
}

const double* CMotionSampler::Obliquity(PositionSource source, double step, std::int64_t first,
                                        std::size_t count) {
    ObliquityEntry& entry = ObliquityEntryOf(source);
    FillSampledColumns(entry, step, first, count,
                       [&](double jed) { return ObliquityOfDate(jed, source); });
    return entry.values.data();
}

ColumnGrid GridOf(const CChartFrame& frame) {
    const ChartWindow& w = frame.Window();
    const double plotWidth = frame.Right() - frame.Left();
    ColumnGrid grid;
    // The step is rounded to a fixed ladder so that a pan's rounding does not change it.
    const double rawStep = (w.timeRight - w.timeLeft) / plotWidth;
    grid.step = std::exp2(std::round(std::log2(rawStep) * 64.0) / 64.0);
    grid.first = static_cast<std::int64_t>(std::floor(w.timeLeft / grid.step)) - 1;
    const auto last = static_cast<std::int64_t>(std::ceil(w.timeRight / grid.step)) + 1;
    grid.count = static_cast<std::size_t>(last - grid.first + 1);
    return grid;
}

namespace {

double ValueOf(const BodyMotion& motion, PaneKind kind) {
    switch (kind) {
        case PaneKind::Declination:
            return motion.declination;
        case PaneKind::Latitude:
            return motion.latitude;
        case PaneKind::Speed:
            return motion.speed;
    }
    return 0.0;
}

// A round bound at or above `value`: 1, 2, 5 times a power of ten, or whole multiples of 5
// above 5.
double RoundUp(double value) {
    if (!(value > 0.0) || !std::isfinite(value)) return 1.0;
    if (value > 5.0) return std::ceil(value / 5.0) * 5.0;
    const double step = NiceStep(value);
    return step;
}

std::string Label(double value) {
    char text[32];
    const double size = std::fabs(value);
    std::snprintf(text, sizeof text,
                  size >= 10 || size == 0 ? "%.0f"
                  : size >= 1             ? "%.1f"
                                          : "%.2g",
                  value);
    return text;
}

}  // namespace

void DrawBodyPanes(CDrawingDevice& device, const CChartFrame& frame, const PaneOptions& options,
                   CMotionSampler& sampler) {
    const int panes = std::min(frame.PaneCount(), static_cast<int>(options.panes.size()));
    if (panes <= 0) return;
    const ColumnGrid grid = GridOf(frame);
    std::vector<double> xs(grid.count);
    for (std::size_t i = 0; i < grid.count; ++i) {
        xs[i] = frame.XOfTime(static_cast<double>(grid.first + static_cast<std::int64_t>(i)) *
                              grid.step);
    }
    // Every body's motions first: the sampler's arrays stay valid only until its next call.
    std::vector<int> codes;
    for (const BodyStyle& body : options.bodies) codes.push_back(body.code);
    std::vector<const BodyMotion*> sampled;
    sampler.SampleMany(codes, options.source, grid.step, grid.first, grid.count, sampled);
    std::vector<std::vector<BodyMotion>> motions;
    motions.reserve(sampled.size());
    for (const BodyMotion* body : sampled) motions.emplace_back(body, body + grid.count);
    const bool wantsObliquity = std::find(options.panes.begin(), options.panes.begin() + panes,
                                          PaneKind::Declination) != options.panes.begin() + panes;
    std::vector<double> obliquity;
    if (wantsObliquity) {
        const double* sampled =
            sampler.Obliquity(options.source, grid.step, grid.first, grid.count);
        obliquity.assign(sampled, sampled + grid.count);
    }
    // The columns inside the plot, for the scales.
    std::size_t from = grid.count, to = 0;
    for (std::size_t i = 0; i < grid.count; ++i) {
        if (xs[i] >= frame.Left() && xs[i] <= frame.Right()) {
            from = std::min(from, i);
            to = i + 1;
        }
    }
    const double left = frame.Left(), right = frame.Right();
    for (int pane = 0; pane < panes; ++pane) {
        const PaneKind kind = options.panes[static_cast<std::size_t>(pane)];
        const double top = frame.PaneTop(pane) + 3.0, bottom = frame.PaneBottom(pane) - 3.0;
        double low = 0.0, high = 0.0;
        for (const std::vector<BodyMotion>& body : motions) {
            for (std::size_t i = from; i < to; ++i) {
                const double value = ValueOf(body[i], kind);
                if (!std::isfinite(value)) continue;
                low = std::min(low, value), high = std::max(high, value);
            }
        }
        double bandTop = 0.0;
        if (kind == PaneKind::Declination) {
            for (std::size_t i = from; i < to; ++i) bandTop = std::max(bandTop, obliquity[i]);
            high = std::max(high, bandTop), low = std::min(low, -bandTop);
        }
        if (kind != PaneKind::Speed) {
            // Symmetric about the equator or the ecliptic, on a round bound.
            high = RoundUp(std::max(std::fabs(low), std::fabs(high)) * 1.04);
            low = -high;
        } else {
            const double margin = std::max((high - low) * 0.06, 1e-3);
            high = high > 0.0 ? high + margin : margin;
            low = low < 0.0 ? low - margin : -margin;
        }
        const auto yOf = [&](double value) {
            return bottom - (value - low) / (high - low) * (bottom - top);
        };
        CClippedPolyline polyline(device, left, frame.PaneTop(pane), right, frame.PaneBottom(pane),
                                  kUnitsPerPixel, options.quality);
        device.SetPenWidth(0);
        if (kind == PaneKind::Declination && from < to) {
            // The band of the obliquity: its mean in view shaded, its edges drawn as they move.
            double sum = 0.0;
            for (std::size_t i = from; i < to; ++i) sum += obliquity[i];
            const double mean = sum / static_cast<double>(to - from);
            device.SetPenColor(kBandColor);
            device.FillRect(U(left + 1, kUnitsPerPixel), -U(yOf(mean), kUnitsPerPixel),
                            U(right - 1, kUnitsPerPixel), -U(yOf(-mean), kUnitsPerPixel));
            device.SetPenColor(kBandEdgeColor);
            for (double sign : {1.0, -1.0}) {
                for (std::size_t i = 0; i < grid.count; ++i) {
                    polyline.Add(xs[i], yOf(sign * obliquity[i]));
                }
                polyline.Finish();
            }
        }
        device.SetPenColor(kZeroColor);
        polyline.Line(left, yOf(0.0), right, yOf(0.0));
        for (std::size_t b = 0; b < motions.size(); ++b) {
            const std::vector<BodyMotion>& body = motions[b];
            device.SetPenColor(options.bodies[b].color);
            device.SetPenWidth(4);
            for (std::size_t i = 0; i < grid.count; ++i)
                polyline.Add(xs[i], yOf(ValueOf(body[i], kind)));
            polyline.Finish();
            if (kind != PaneKind::Declination) continue;
            // Out of bounds: the stretches beyond the band, drawn again with a broad pen.
            device.SetPenWidth(12);
            for (std::size_t i = 0; i < grid.count; ++i) {
                if (std::fabs(body[i].declination) > obliquity[i]) {
                    polyline.Add(xs[i], yOf(body[i].declination));
                } else {
                    polyline.Finish();
                }
            }
            polyline.Finish();
        }
        // The scale on the right, the pane's name at its top left.
        device.SetPenWidth(0);
        device.SetPenColor(kAxisColor);
        device.SelectFont("Arial", kLabelPixels * kUnitsPerPixel, 0);
        for (double value : {high, 0.0, low}) {
            const double y = yOf(value);
            device.Line(U(right, kUnitsPerPixel), -U(y, kUnitsPerPixel),
                        U(right + 4, kUnitsPerPixel), -U(y, kUnitsPerPixel));
            const double textY = std::clamp(y - kLabelPixels / 2.0, frame.PaneTop(pane),
                                            frame.PaneBottom(pane) - kLabelPixels);
            device.Text(U(right + 7, kUnitsPerPixel), -U(textY, kUnitsPerPixel),
                        Label(value) + (kind == PaneKind::Speed ? "\xB0/d" : "\xB0"));
        }
        device.SetPenColor(kTextColor);
        char title[120];
        if (kind == PaneKind::Declination) {
            std::snprintf(title, sizeof title, "declination (out of bounds beyond %.2f\xB0)",
                          bandTop);
        } else if (kind == PaneKind::Latitude) {
            std::snprintf(title, sizeof title, "ecliptic latitude");
        } else {
            std::snprintf(title, sizeof title, "speed (degrees a day)");
        }
        device.Text(U(left + 4, kUnitsPerPixel), -U(frame.PaneTop(pane) + 2, kUnitsPerPixel),
                    title);
    }
}

}  // namespace prices
