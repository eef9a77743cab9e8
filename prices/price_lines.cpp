#include "prices/price_lines.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

#include "platform/parallel.h"
#include "prices/ohlc.h"
#include "prices/sampled_columns.h"

namespace prices {

std::string CheckLineSettings(const LineSettings& settings) {
    char text[160];
    if (!(settings.unitsPerCircle > 0.0) || !std::isfinite(settings.unitsPerCircle)) {
        std::snprintf(text, sizeof text, "units per circle must be a number above 0, not %g",
                      settings.unitsPerCircle);
        return text;
    }
    if (!std::isfinite(settings.offset)) return "the offset must be a finite number of degrees";
    for (double harmonic : settings.harmonics) {
        if (!std::isfinite(harmonic)) return "harmonics must be finite numbers of degrees";
    }
    if (settings.harmonics.empty()) return "the list of harmonics is empty";
    if (settings.harmonics.size() > kMaxHarmonics) {
        std::snprintf(text, sizeof text, "%zu harmonics are more than the %zu a chart draws",
                      settings.harmonics.size(), kMaxHarmonics);
        return text;
    }
    for (int code : settings.bodies) {
        if (BodyOfCode(code) == nullptr) {
            std::snprintf(text, sizeof text, "%d is no body code", code);
            return text;
        }
    }
    return {};
}

double WrappedDegree(double degrees) {
    double degree = std::fmod(degrees, 360.0);
    if (degree < 0.0) degree += 360.0;
    // fmod of a value just below 0 can round up to exactly 360.
    if (degree >= 360.0) degree = 0.0;
    return degree;
}

double LinePrice(double degree, double unitsPerCircle, std::int64_t turn) {
    return (degree / 360.0 + static_cast<double>(turn)) * unitsPerCircle;
}

void LevelsInRange(double degree, double unitsPerCircle, double low, double high,
                   std::vector<double>& out) {
    out.clear();
    if (!(unitsPerCircle > 0.0) || !(low <= high)) return;
    const double base = degree / 360.0 * unitsPerCircle;
    const double firstTurn = std::ceil((low - base) / unitsPerCircle);
    const double lastTurn = std::floor((high - base) / unitsPerCircle);
    // Turns beyond kMaxLineTurns cannot be stepped one by one in a double (above 2^53 adding 1
    // changes nothing) nor held in an integer; a range of more turns than any chart shows is a
    // caller's mistake, not a list to build. Callers refuse such ranges with CheckPriceRange.
    if (!(std::fabs(firstTurn) <= kMaxLineTurns && std::fabs(lastTurn) <= kMaxLineTurns)) return;
    if (!(lastTurn - firstTurn < 1e7)) return;
    const auto first = static_cast<std::int64_t>(firstTurn) - 1;
    const auto last = static_cast<std::int64_t>(lastTurn) + 1;
    for (std::int64_t k = first; k <= last; ++k) {
        const double price = LinePrice(degree, unitsPerCircle, k);
        if (price >= low && price <= high) out.push_back(price);
    }
}

std::string CheckPriceRange(double low, double high, double unitsPerCircle) {
    const double limit = kMaxLineTurns * unitsPerCircle;
    for (double price : {low, high}) {
        if (!(std::fabs(price) <= limit)) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "the price %g is beyond the largest price lines are drawn for "
                          "(%g, 2^50 turns of %g units)",
                          price, limit, unitsPerCircle);
            return text;
        }
    }
    return {};
}

double PriceDegree(double price, double unitsPerCircle) {
    return std::fmod(price, unitsPerCircle) * (360.0 / unitsPerCircle);
}

void TurnPieces(const double* x, const double* degree, std::size_t samples, double unitsPerCircle,
                std::vector<std::vector<LinePoint>>& pieces, std::size_t& count) {
    count = 0;
    const double scale = unitsPerCircle / 360.0;
    const auto startPiece = [&]() -> std::vector<LinePoint>& {
        if (pieces.size() <= count) pieces.emplace_back();
        std::vector<LinePoint>& piece = pieces[count++];
        piece.clear();
        return piece;
    };
    if (samples == 0) return;
    std::vector<LinePoint>* piece = &startPiece();
    piece->push_back({x[0], degree[0] * scale});
    for (std::size_t i = 1; i < samples; ++i) {
        const double d0 = degree[i - 1], d1 = degree[i];
        const double delta = d1 - d0;
        if (delta < -180.0 || delta > 180.0) {
            // Forward past 360 (d1 small), or backward past 0 (d1 large).
            const bool forward = delta < 0.0;
            const double travelled = forward ? 360.0 - d0 : d0;
            const double total = forward ? d1 + 360.0 - d0 : d0 + 360.0 - d1;
            const double xc = x[i - 1] + (x[i] - x[i - 1]) * (travelled / total);
            piece->push_back({xc, forward ? unitsPerCircle : 0.0});
            piece = &startPiece();
            piece->push_back({xc, forward ? 0.0 : unitsPerCircle});
        }
        piece->push_back({x[i], d1 * scale});
    }
}

bool CTurnShape::Trace(const std::vector<LinePoint>& points) {
    m_strokes.resize(m_recorded.size());
    for (std::size_t i = 0; i < m_recorded.size(); ++i) {
        const PolylineStroke& recorded = m_recorded[i];
        Stroke& stroke = m_strokes[i];
        stroke.x1 = recorded.x1, stroke.x2 = recorded.x2;
        if (!FindEnd(points, recorded.x1, recorded.y1, stroke.end1) ||
            !FindEnd(points, recorded.x2, recorded.y2, stroke.end2)) {
            m_strokes.clear();
            return false;
        }
    }
    return true;
}

bool CTurnShape::FindEnd(const std::vector<LinePoint>& points, double x, double y, End& end) const {
    // The polyline strokes from its samples and, in a moving frame, from the middle of two
    // neighbours. Samples ascend in x (a wrap's crossing may stand an ulp out of step).
    const auto at = std::lower_bound(points.begin(), points.end(), x,
                                     [](const LinePoint& p, double value) { return p.x < value; });
    const auto index = static_cast<std::size_t>(at - points.begin());
    const std::size_t from = index >= 2 ? index - 2 : 0;
    const std::size_t to = std::min(points.size(), index + 3);
    for (std::size_t i = from; i < to; ++i) {
        if (points[i].x == x && m_y[i] == y) {
            end = {points[i].price, points[i].price, false};
            return true;
        }
    }
    for (std::size_t i = from; i < to; ++i) {
        if (points[i].x != x) continue;
        for (std::size_t j : {i - 1, i + 1}) {
            if (j >= points.size()) continue;  // i - 1 wraps round for i = 0
            if ((m_y[i] + m_y[j]) / 2.0 == y) {
                end = {points[i].price, points[j].price, true};
                return true;
            }
        }
    }
    return false;
}

CLongitudeSampler::Entry& CLongitudeSampler::EntryOf(int code, PositionSource source) {
    for (Entry& candidate : m_entries) {
        if (candidate.code == code && candidate.source == source) return candidate;
    }
    Entry& entry = m_entries.emplace_back();
    entry.code = code;
    entry.source = source;
    return entry;
}

void CLongitudeSampler::SampleMany(const std::vector<int>& codes, PositionSource source,
                                   double step, std::int64_t first, std::size_t count,
                                   std::vector<const double*>& out) {
    // Every entry first: adding one moves the others.
    for (int code : codes) EntryOf(code, source);
    std::vector<Entry*> entries;  // each body once, however often it is named
    for (int code : codes) {
        Entry* entry = &EntryOf(code, source);
        if (std::find(entries.begin(), entries.end(), entry) == entries.end()) {
            entries.push_back(entry);
        }
    }
    const std::size_t rows = entries.size();
    std::vector<char> missing(rows * count, 0);
    for (std::size_t e = 0; e < rows; ++e) {
        KeepSampledColumns(*entries[e], step, first, count, e, rows, missing);
    }
    const std::vector<std::size_t> columns = ColumnsToCompute(missing, rows, count);
    std::atomic<std::size_t> computed{0};
    // The precise source computes one position at a time, and what it keeps of an instant
    // serves only the body after it: its dates stay in one thread.
    const std::size_t parts = source == PositionSource::Precise ? 1 : 8;
    caelvane::ParallelRanges(
        columns.size(), kColumnsPerThread,
        [&](std::size_t begin, std::size_t end) {
            std::size_t done = 0;
            for (std::size_t c = begin; c < end; ++c) {
                const std::size_t i = columns[c];
                const double jed =
                    JedOfSeconds(static_cast<double>(first + static_cast<std::int64_t>(i)) * step);
                for (std::size_t e = 0; e < rows; ++e) {
                    if (missing[i * rows + e] == 0) continue;
                    entries[e]->scratch[i] = BodyLongitude(jed, entries[e]->code, source);
                    ++done;
                }
            }
            computed += done;
        },
        parts);
    m_computed += computed;
    for (Entry* entry : entries) {
        entry->values.swap(entry->scratch);
        entry->first = first;
        entry->step = step;
    }
    out.clear();
    for (int code : codes) out.push_back(EntryOf(code, source).values.data());
}

const double* CLongitudeSampler::Sample(int code, PositionSource source, double step,
                                        std::int64_t first, std::size_t count) {
    Entry* entry = &EntryOf(code, source);
    m_computed += FillSampledColumns(*entry, step, first, count,
                                     [&](double jed) { return BodyLongitude(jed, code, source); });
    return entry->values.data();
}

}  // namespace prices
