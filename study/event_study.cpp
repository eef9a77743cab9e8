#include "study/event_study.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <limits>
#include <mutex>
#include <numeric>
#include <thread>

#include "events/event_writers.h"

namespace study {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kRecentCases = 10;
// Most draws one study may ask for: the average path keeps one row per draw.
constexpr int kMaxDraws = 1000000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

std::string FormatDay(prices::UnixSeconds seconds) {
    int year = 0, month = 0, day = 0;
    CivilFromDays(FloorDiv(seconds, 86400), year, month, day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

std::uint64_t SplitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t DrawSeed(std::uint64_t seed, const GroupKey& key, Period period) {
    return SplitMix(seed ^ SplitMix(GroupHash(key) + static_cast<std::uint64_t>(period)));
}

// xoshiro256** (Blackman and Vigna): the draws need hundreds of millions of numbers, several
// times faster than std::mt19937_64 and as good for this use. Seeded through SplitMix64.
class CDrawRandom {
public:
    explicit CDrawRandom(std::uint64_t seed) {
        for (std::uint64_t& word : m_state) {
            seed += 0x9E3779B97F4A7C15ull;
            word = SplitMix(seed);
        }
    }
    std::uint64_t operator()() {
        const std::uint64_t result = Rotl(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = Rotl(m_state[3], 45);
        return result;
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t m_state[4];
};

// A whole number in [0, bound), bound below 2^32, without bias (Lemire's multiply-and-reject).
std::uint32_t Below(CDrawRandom& random, std::uint32_t bound) {
    std::uint64_t product = (random() >> 32) * bound;
    auto low = static_cast<std::uint32_t>(product);
    if (low < bound) {
        const std::uint32_t threshold = (0u - bound) % bound;
        while (low < threshold) {
            product = (random() >> 32) * bound;
            low = static_cast<std::uint32_t>(product);
        }
    }
    return static_cast<std::uint32_t>(product >> 32);
}

// Bars [lo, hi], both included; empty when lo > hi.
struct BarRange {
    int lo = 0, hi = -1;
    int Size() const { return hi >= lo ? hi - lo + 1 : 0; }
    bool Holds(int bar) const { return bar >= lo && bar <= hi; }
};

BarRange Intersect(BarRange a, BarRange b) {
    return {std::max(a.lo, b.lo), std::min(a.hi, b.hi)};
}

// What every group of a study shares: the periods' bars, the eligible bars, the baseline and
// the forward returns of every eligible bar, horizon by horizon.
struct PeriodFrame {
    Period period = Period::All;
    BarRange bars;                                  // the bars of the period
    BarRange eligible;                              // those whose whole window fits in the file
    std::vector<double> baselineMean, baselineHit;  // per horizon
    // Forward returns of the eligible bars, horizons side by side: [(bar - lo) * H + h].
    std::vector<double> returns;
};

struct StudyFrame {
    int horizonCount = 0;
    int reach = 0;  // bars after the close before the event that the window needs
    std::vector<PeriodFrame> periods;
};

int SplitBar(const StudyBars& bars, prices::UnixSeconds split) {
    return static_cast<int>(std::lower_bound(bars.times.begin(), bars.times.end(), split) -
                            bars.times.begin());
}

StudyFrame MakeFrame(const StudyBars& bars, const StudyOptions& options) {
    StudyFrame frame;
    const int count = static_cast<int>(bars.times.size());
    const int horizons = static_cast<int>(options.horizons.size());
    frame.horizonCount = horizons;
    frame.reach = std::max(options.after,
                           *std::max_element(options.horizons.begin(), options.horizons.end()));
    const BarRange eligible{1 + options.before, count - frame.reach};
    std::vector<std::pair<Period, BarRange>> periods;
    if (options.split) {
        const int split = SplitBar(bars, *options.split);
        periods.push_back({Period::In, {0, split - 1}});
        periods.push_back({Period::Out, {split, count - 1}});
    } else {
        periods.push_back({Period::All, {0, count - 1}});
    }
    const std::vector<double>& logClose = bars.logClose;
    for (const auto& [period, range] : periods) {
        PeriodFrame pf;
        pf.period = period;
        pf.bars = range;
        pf.eligible = Intersect(range, eligible);
        for (int h : options.horizons) {
            const BarRange base = Intersect(range, {1, count - h});
            double sum = 0;
            int up = 0;
            for (int j = base.lo; j <= base.hi; ++j) {
                const double r = logClose[j + h - 1] - logClose[j - 1];
                sum += r;
                up += r > 0;
            }
            const int n = base.Size();
            pf.baselineMean.push_back(n > 0 ? sum / n : kNaN);
            pf.baselineHit.push_back(n > 0 ? static_cast<double>(up) / n : kNaN);
        }
        pf.returns.resize(static_cast<std::size_t>(pf.eligible.Size()) * horizons);
        for (int j = pf.eligible.lo; j <= pf.eligible.hi; ++j)
            for (int k = 0; k < horizons; ++k) {
                const int h = options.horizons[k];
                pf.returns[static_cast<std::size_t>(j - pf.eligible.lo) * horizons + k] =
                    logClose[j + h - 1] - logClose[j - 1];
            }
        frame.periods.push_back(std::move(pf));
    }
    return frame;
}

// Fills `positions` (offsets into the period's eligible bars) for one random draw.
class CDrawer {
public:
    CDrawer(Control control, std::uint64_t seed, const std::vector<int>& offsets, int size)
        : m_control(control), m_random(seed), m_offsets(offsets), m_size(size) {
        if (control == Control::Shuffle) m_marks.assign(static_cast<std::size_t>(size), 0);
        m_positions.resize(offsets.size());
    }

    const std::vector<int>& Next() {
        const auto size = static_cast<std::uint32_t>(m_size);
        if (m_control == Control::Shift) {
            // Never the events' own places: those are the observation that the +1 of the
            // p-value counts.
            const int shift = size > 1 ? 1 + static_cast<int>(Below(m_random, size - 1)) : 0;
            for (std::size_t i = 0; i < m_offsets.size(); ++i) {
                int at = m_offsets[i] + shift;
                if (at >= m_size) at -= m_size;
                m_positions[i] = at;
            }
        } else {
            // Floyd's sampling: n distinct bars with exactly n random numbers.
            if (++m_stamp == 0) {
                std::fill(m_marks.begin(), m_marks.end(), 0);
                m_stamp = 1;
            }
            const auto n = static_cast<std::uint32_t>(m_offsets.size());
            std::size_t i = 0;
            for (std::uint32_t j = size - n; j < size; ++j) {
                std::uint32_t pick = Below(m_random, j + 1);
                if (m_marks[pick] == m_stamp) pick = j;
                m_marks[pick] = m_stamp;
                m_positions[i++] = static_cast<int>(pick);
            }
        }
        return m_positions;
    }

private:
    Control m_control;
    CDrawRandom m_random;
    const std::vector<int>& m_offsets;
    int m_size;
    std::vector<int> m_positions;
    std::vector<std::uint32_t> m_marks;
    std::uint32_t m_stamp = 0;
};

double Median(std::vector<double> values) {
    if (values.empty()) return kNaN;
    const std::size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + mid, values.end());
    const double upper = values[mid];
    if (values.size() % 2 == 1) return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + mid);
    return (lower + upper) / 2;
}

void Describe(const std::vector<double>& r, HorizonStats& stats) {
    const int n = static_cast<int>(r.size());
    stats.n = n;
    if (n == 0) {
        stats.mean = stats.median = stats.sd = stats.hitRate = stats.excess = stats.t = kNaN;
        return;
    }
    double sum = 0;
    int up = 0;
    for (double value : r) {
        sum += value;
        up += value > 0;
    }
    stats.mean = sum / n;
    stats.hitRate = static_cast<double>(up) / n;
    stats.median = Median(r);
    if (n >= 2) {
        double squares = 0;
        for (double value : r) squares += (value - stats.mean) * (value - stats.mean);
        stats.sd = std::sqrt(squares / (n - 1));
    } else {
        stats.sd = kNaN;
    }
    stats.excess = stats.mean - stats.baselineMean;
    stats.t = n >= 2 && stats.sd > 0 ? stats.excess / (stats.sd / std::sqrt(n)) : kNaN;
}

// One group in one period: its bars, statistics and p-values. Returns false when stopped.
bool StudyPeriod(const StudyBars& bars, const StudyFrame& frame, const PeriodFrame& pf,
                 const GroupKey& key, const std::vector<int>& eventBars,
                 const StudyOptions& options, const std::atomic<bool>& stop, PeriodStats& out) {
    out.period = pf.period;
    int previous = -1;
    for (int bar : eventBars) {
        // An event after the last bar belongs to the last period.
        const bool inPeriod =
            bar >= 0 ? pf.bars.Holds(bar) : pf.bars.hi == static_cast<int>(bars.times.size()) - 1;
        if (!inPeriod) continue;
        ++out.found;
        if (bar < 0 || !pf.eligible.Holds(bar)) {
            ++out.outside;
        } else if (bar == previous) {
            ++out.duplicates;
        } else {
            out.bars.push_back(bar);
            previous = bar;
        }
    }
    const int horizons = frame.horizonCount;
    const int n = static_cast<int>(out.bars.size());
    std::vector<double> returns(static_cast<std::size_t>(n));
    out.recentCount = std::min(n, kRecentCases);
    for (int k = 0; k < horizons; ++k) {
        HorizonStats stats;
        stats.horizon = options.horizons[k];
        stats.baselineMean = pf.baselineMean[k];
        stats.baselineHitRate = pf.baselineHit[k];
        for (int i = 0; i < n; ++i)
            returns[i] =
                pf.returns[static_cast<std::size_t>(out.bars[i] - pf.eligible.lo) * horizons + k];
        Describe(returns, stats);
        stats.p = stats.q = kNaN;
        out.horizons.push_back(stats);
        double recentSum = 0;
        int recentUp = 0;
        for (int i = n - out.recentCount; i < n; ++i) {
            recentSum += returns[i];
            recentUp += returns[i] > 0;
        }
        out.recentMean.push_back(out.recentCount > 0 ? recentSum / out.recentCount : kNaN);
        out.recentHitRate.push_back(
            out.recentCount > 0 ? static_cast<double>(recentUp) / out.recentCount : kNaN);
    }
    if (n < options.minEvents || n == 0) return true;

    std::vector<int> offsets(out.bars.size());
    for (int i = 0; i < n; ++i) offsets[i] = out.bars[i] - pf.eligible.lo;
    CDrawer drawer(options.control, DrawSeed(options.seed, key, pf.period), offsets,
                   pf.eligible.Size());
    std::vector<double> observed(horizons), center(horizons), sums(horizons);
    std::vector<int> extreme(horizons, 0);
    for (int k = 0; k < horizons; ++k) {
        center[k] = pf.baselineMean[k];
        observed[k] = std::fabs(out.horizons[k].mean - center[k]);
        // Sums in another order may differ in the last bits from the events' own: a draw that
        // lands on the same deviation counts as at least as far.
        observed[k] -= 1e-12 * (1 + observed[k]);
    }
    const double* table = pf.returns.data();
    for (int d = 0; d < options.draws; ++d) {
        if ((d & 255) == 255 && stop.load(std::memory_order_relaxed)) return false;
        const std::vector<int>& positions = drawer.Next();
        std::fill(sums.begin(), sums.end(), 0.0);
        if (horizons == 3) {  // the usual case, kept in registers
            double a = 0, b = 0, c = 0;
            for (int at : positions) {
                const double* row = table + static_cast<std::size_t>(at) * 3;
                a += row[0];
                b += row[1];
                c += row[2];
            }
            sums[0] = a, sums[1] = b, sums[2] = c;
        } else {
            for (int at : positions) {
                const double* row = table + static_cast<std::size_t>(at) * horizons;
                for (int k = 0; k < horizons; ++k) sums[k] += row[k];
            }
        }
        for (int k = 0; k < horizons; ++k)
            extreme[k] += std::fabs(sums[k] / n - center[k]) >= observed[k];
    }
    for (int k = 0; k < horizons; ++k)
        out.horizons[k].p = (1.0 + extreme[k]) / (1.0 + options.draws);
    return true;
}

}  // namespace

const char* ControlName(Control control) {
    return control == Control::Shift ? "shift" : "shuffle";
}

std::optional<Control> ParseControl(std::string_view text) {
    if (text == "shift") return Control::Shift;
    if (text == "shuffle") return Control::Shuffle;
    return std::nullopt;
}

const char* PeriodName(Period period) {
    switch (period) {
        case Period::In:
            return "in";
        case Period::Out:
            return "out";
        case Period::All:
            break;
    }
    return "";
}

std::optional<std::string> MakeStudyBars(const prices::PriceSeries& series, StudyBars& bars) {
    StudyBars made;
    made.intraday = series.intraday;
    made.times.reserve(series.bars.size());
    made.logClose.reserve(series.bars.size());
    for (std::size_t i = 0; i < series.bars.size(); ++i) {
        const prices::Bar& bar = series.bars[i];
        if (!(bar.close > 0) || !std::isfinite(bar.close)) {
            char text[64];
            std::snprintf(text, sizeof text, "%g", bar.close);
            return "bar " + std::to_string(i + 1) + " (" + FormatDay(bar.time) + "): close " +
                   text + " is not above 0 (log returns need positive prices)";
        }
        if (!made.times.empty() && bar.time <= made.times.back())
            return "bar " + std::to_string(i + 1) + " (" + FormatDay(bar.time) +
                   ") does not come after the bar before it";
        made.times.push_back(bar.time);
        made.logClose.push_back(std::log(bar.close));
    }
    bars = std::move(made);
    return std::nullopt;
}

int EventBar(const StudyBars& bars, prices::UnixSeconds eventSeconds) {
    auto it = bars.times.end();
    if (bars.intraday) {
        it = std::lower_bound(bars.times.begin(), bars.times.end(), eventSeconds);
    } else {
        const std::int64_t day = FloorDiv(eventSeconds, 86400);
        it = std::lower_bound(bars.times.begin(), bars.times.end(), day,
                              [](prices::UnixSeconds time, std::int64_t wanted) {
                                  return FloorDiv(time, 86400) < wanted;
                              });
    }
    return it == bars.times.end() ? -1 : static_cast<int>(it - bars.times.begin());
}

std::optional<std::string> CheckStudyOptions(const StudyOptions& options, const StudyBars& bars) {
    if (options.horizons.empty()) return std::string("no horizons given");
    for (std::size_t i = 0; i < options.horizons.size(); ++i) {
        const int h = options.horizons[i];
        if (h < 1) return "horizon " + std::to_string(h) + " is not a number of bars of 1 or more";
        for (std::size_t k = 0; k < i; ++k)
            if (options.horizons[k] == h) return "horizon " + std::to_string(h) + " is given twice";
    }
    if (options.before < 0 || options.after < 0)
        return "the window around the events needs 0 or more bars on each side, not " +
               std::to_string(options.before) + " before and " + std::to_string(options.after) +
               " after";
    if (options.draws < 1 || options.draws > kMaxDraws)
        return "draws " + std::to_string(options.draws) + " is not from 1 to " +
               std::to_string(kMaxDraws);
    if (options.minEvents < 1)
        return "the fewest events for a p-value must be 1 or more, not " +
               std::to_string(options.minEvents);
    const int count = static_cast<int>(bars.times.size());
    const int longest = *std::max_element(options.horizons.begin(), options.horizons.end());
    const int reach = std::max(options.after, longest);
    const int needed = 1 + options.before + reach + 1;
    if (count < needed) {
        return "the file has " + std::to_string(count) + " bars, too few for horizon " +
               std::to_string(longest) + " with " + std::to_string(options.before) +
               " bars before and " + std::to_string(options.after) +
               " after the events (at least " + std::to_string(needed) + ")";
    }
    if (options.split) {
        const std::string date = FormatDay(*options.split);
        const std::string span =
            FormatDay(bars.times.front()) + " .. " + FormatDay(bars.times.back());
        if (*options.split <= bars.times.front() || *options.split > bars.times.back())
            return "split date " + date + " is outside the file (" + span + ")";
        const int split = SplitBar(bars, *options.split);
        if (split - 1 < 1 + options.before || split > count - reach)
            return "split date " + date + " leaves a period too short for the window (" + span +
                   ")";
    }
    return std::nullopt;
}

std::vector<double> BenjaminiHochberg(const std::vector<double>& p) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < p.size(); ++i)
        if (!std::isnan(p[i])) order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&p](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    std::vector<double> q(p.size(), kNaN);
    const double m = static_cast<double>(order.size());
    double running = 1.0;
    for (std::size_t rank = order.size(); rank-- > 0;) {
        running = std::min(running, p[order[rank]] * m / static_cast<double>(rank + 1));
        q[order[rank]] = running;
    }
    return q;
}

StudyResult RunStudy(const StudyBars& bars, const std::vector<EventGroup>& groups,
                     const StudyOptions& options, const StudyProgress& progress) {
    StudyResult result;
    result.options = options;
    const StudyFrame frame = MakeFrame(bars, options);
    result.groups.resize(groups.size());

    std::atomic<bool> stop{false};
    // One group, start to end; false when stopped on the way.
    const auto studyGroup = [&](std::size_t g) {
        const EventGroup& group = groups[g];
        GroupResult& out = result.groups[g];
        out.key = group.key;
        out.eventJeds = group.jeds;
        std::vector<int> eventBars;
        eventBars.reserve(group.jeds.size());
        for (double jed : group.jeds) eventBars.push_back(EventBar(bars, events::UnixSeconds(jed)));
        for (const PeriodFrame& pf : frame.periods) {
            out.periods.emplace_back();
            if (!StudyPeriod(bars, frame, pf, group.key, eventBars, options, stop,
                             out.periods.back()))
                return false;
        }
        return true;
    };

    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t threads = std::min<std::size_t>(
        options.threads > 0 ? static_cast<std::size_t>(options.threads) : cores, groups.size());
    const double total = static_cast<double>(std::max<std::size_t>(groups.size(), 1));
    if (threads <= 1) {
        for (std::size_t g = 0; g < groups.size(); ++g) {
            if (!studyGroup(g) || (progress && !progress((g + 1) / total))) {
                stop.store(true);
                break;
            }
        }
    } else {
        // Workers take the next group as they finish one; the calling thread reports progress
        // and passes a stop on.
        std::atomic<std::size_t> next{0};
        std::size_t done = 0;
        std::mutex mutex;
        std::condition_variable changed;
        const auto work = [&] {
            for (;;) {
                const std::size_t g = next.fetch_add(1);
                if (g >= groups.size() || stop.load()) break;
                if (!studyGroup(g)) stop.store(true);
                {
                    std::lock_guard lock(mutex);
                    ++done;
                }
                changed.notify_one();
            }
        };
        std::vector<std::thread> pool;
        for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(work);
        {
            std::unique_lock lock(mutex);
            std::size_t told = 0;
            while (done < groups.size() && !stop.load()) {
                changed.wait_for(lock, std::chrono::milliseconds(100));
                if (progress && done != told) {
                    told = done;
                    const double fraction = done / total;
                    lock.unlock();
                    const bool goOn = progress(fraction);
                    lock.lock();
                    if (!goOn) stop.store(true);
                }
            }
        }
        for (std::thread& thread : pool) thread.join();
        // The last word goes to the caller too: a stop asked for at the end still counts.
        if (!stop.load() && progress && !progress(1.0)) stop.store(true);
    }
    if (stop.load()) {
        result.cancelled = true;
        return result;
    }

    // q over every row of the study: groups, periods and horizons in table order.
    std::vector<double> p;
    for (const GroupResult& group : result.groups)
        for (const PeriodStats& period : group.periods)
            for (const HorizonStats& stats : period.horizons) p.push_back(stats.p);
    const std::vector<double> q = BenjaminiHochberg(p);
    std::size_t row = 0;
    for (GroupResult& group : result.groups)
        for (PeriodStats& period : group.periods)
            for (HorizonStats& stats : period.horizons) {
                stats.q = q[row++];
                result.rowsTested += !std::isnan(stats.p);
            }
    return result;
}

AveragePath GroupPath(const StudyBars& bars, const StudyResult& study, std::size_t group,
                      std::size_t period) {
    const StudyOptions& options = study.options;
    AveragePath path;
    path.before = options.before;
    path.after = options.after;
    const int width = options.before + options.after + 1;
    const GroupResult& result = study.groups.at(group);
    const PeriodStats& stats = result.periods.at(period);
    const int n = static_cast<int>(stats.bars.size());
    path.n = n;
    path.mean.assign(width, kNaN);
    path.low.assign(width, kNaN);
    path.high.assign(width, kNaN);
    if (n == 0) return path;
    const std::vector<double>& logClose = bars.logClose;
    // The cumulative return at offset k of an event at bar j: from the close before its bar.
    const auto addPath = [&](int j, std::vector<double>& sums) {
        const double base = logClose[j - 1];
        const double* from = logClose.data() + (j - 1 - options.before);
        for (int k = 0; k < width; ++k) sums[k] += from[k] - base;
    };
    std::vector<double> sums(width, 0.0);
    for (int j : stats.bars) addPath(j, sums);
    for (int k = 0; k < width; ++k) path.mean[k] = sums[k] / n;

    const StudyFrame frame = MakeFrame(bars, options);
    const PeriodFrame& pf = frame.periods.at(period);
    std::vector<int> offsets(stats.bars.size());
    for (int i = 0; i < n; ++i) offsets[i] = stats.bars[i] - pf.eligible.lo;
    CDrawer drawer(options.control, DrawSeed(options.seed, result.key, pf.period), offsets,
                   pf.eligible.Size());
    const int draws = options.draws;
    std::vector<double> table(static_cast<std::size_t>(draws) * width);
    for (int d = 0; d < draws; ++d) {
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int at : drawer.Next()) addPath(at + pf.eligible.lo, sums);
        for (int k = 0; k < width; ++k)
            table[static_cast<std::size_t>(k) * draws + d] = sums[k] / n;
    }
    const auto quantile = [draws](double* values, double share) {
        const double position = share * (draws - 1);
        const auto below = static_cast<std::ptrdiff_t>(std::floor(position));
        std::nth_element(values, values + below, values + draws);
        const double low = values[below];
        if (below + 1 >= draws) return low;
        const double high = *std::min_element(values + below + 1, values + draws);
        return low + (high - low) * (position - static_cast<double>(below));
    };
    for (int k = 0; k < width; ++k) {
        double* column = table.data() + static_cast<std::size_t>(k) * draws;
        path.low[k] = quantile(column, 0.025);
        path.high[k] = quantile(column, 0.975);
    }
    return path;
}

std::vector<double> GroupReturns(const StudyBars& bars, const PeriodStats& period, int horizon) {
    std::vector<double> out;
    out.reserve(period.bars.size());
    for (int j : period.bars) out.push_back(bars.logClose[j + horizon - 1] - bars.logClose[j - 1]);
    return out;
}

std::vector<double> BaselineReturns(const StudyBars& bars, const StudyOptions& options,
                                    Period period, int horizon) {
    const int count = static_cast<int>(bars.times.size());
    BarRange range{1, count - horizon};
    if (options.split && period != Period::All) {
        const int split = SplitBar(bars, *options.split);
        range = Intersect(
            range, period == Period::In ? BarRange{0, split - 1} : BarRange{split, count - 1});
    }
    std::vector<double> out;
    for (int j = range.lo; j <= range.hi; ++j)
        out.push_back(bars.logClose[j + horizon - 1] - bars.logClose[j - 1]);
    return out;
}

}  // namespace study
