#pragma once
// Event studies: what a price series did after each kind of sky event, against chance.
//
// The convention (every number below follows it):
// - An event belongs to the first bar whose UTC date is the event's UTC date or later (daily
//   bars), or to the first bar that starts at or after the event (intraday bars). The event's
//   time is its UTC time to the second, as the event exports print it.
// - The h-bar forward return of an event at bar j is ln(close[j+h-1] / close[j-1]): from the
//   close before the event's bar through h bars.
// - An event's window runs from bar j-1-before to bar j-1+max(after, largest horizon). Events
//   whose window runs off either end of the file (or that fall after its last bar) are left
//   out and counted as such. Events of one group on the same bar count once.
// - The baseline of a horizon is every h-bar return of the file (of the period, with a split):
//   every bar j from 1 to N-h.
// - The p-value is two-sided and comes from random draws: each draw puts the group's n events
//   on other bars of the eligible range (bars whose window fits in the file, or in the period)
//   and takes the mean of their forward returns; p = (1 + draws at least as far from the
//   baseline mean as the events' mean) / (1 + draws). "shift" moves all events of the group by
//   one random offset (never 0), circularly within the eligible bars, keeping their spacing;
//   "shuffle" draws n distinct eligible bars.
//   Groups with fewer than minEvents events get no p. q-values are Benjamini-Hochberg over
//   every row (group, horizon, period) that has a p.
// - The t statistic is excess / (sd / sqrt(n)); returns of overlapping horizons are not
//   independent, so t is descriptive and p is the test.
// Every draw comes from a generator seeded from the seed and the group's own key, so results
// do not depend on the number of threads or on which other groups are studied.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "prices/ohlc.h"
#include "study/study_groups.h"

namespace study {

enum class Control : std::uint8_t { Shift, Shuffle };
const char* ControlName(Control control);  // "shift", "shuffle"
std::optional<Control> ParseControl(std::string_view text);

enum class Period : std::uint8_t { All, In, Out };
const char* PeriodName(Period period);  // "", "in", "out"

struct StudyOptions {
    std::vector<int> horizons{1, 5, 20};  // bars, each at least 1, ascending, distinct
    int before = 10;                      // the average path's window around the event, bars
    int after = 20;
    // In-sample before this moment, out-of-sample from it (seconds since 1970, UT); none: one
    // period over the whole file.
    std::optional<prices::UnixSeconds> split;
    int draws = 10000;
    std::uint64_t seed = 1;
    Control control = Control::Shift;
    int minEvents = 10;  // fewer events: listed without p
    int threads = 0;     // 0: one per core
};

// The bars as the study reads them: times and natural logs of the closes.
struct StudyBars {
    std::vector<prices::UnixSeconds> times;
    std::vector<double> logClose;
    bool intraday = false;
};

// What is wrong with the bars (a close of 0 or below, naming the bar and its date), or nothing.
std::optional<std::string> MakeStudyBars(const prices::PriceSeries& series, StudyBars& bars);

// The convention's first rule: the bar of an event at `eventSeconds`, or -1 after the last bar.
int EventBar(const StudyBars& bars, prices::UnixSeconds eventSeconds);

// What is wrong with the options for these bars (horizons of 0 or below, a split date outside
// the file, zero draws, a file too short for the horizons and the window), or nothing.
std::optional<std::string> CheckStudyOptions(const StudyOptions& options, const StudyBars& bars);

struct HorizonStats {
    int horizon = 0;
    int n = 0;
    double mean = 0, median = 0, sd = 0, hitRate = 0;  // sd: sample (n - 1); NaN for n < 2
    double baselineMean = 0, baselineHitRate = 0;
    double excess = 0;
    double t = 0;  // NaN when n < 2 or sd is 0
    double p = 0;  // NaN when not tested (too few events, or cancelled)
    double q = 0;  // NaN when p is
};

struct PeriodStats {
    Period period = Period::All;
    int found = 0;                       // events of the group that fall in the period
    int duplicates = 0;                  // left out for sharing a bar with another of the group
    int outside = 0;                     // left out because their window runs off the file
    std::vector<int> bars;               // the events' bars, ascending
    std::vector<HorizonStats> horizons;  // in the options' order
    // The last 10 cases (fewer when there are fewer): mean and hit rate per horizon.
    int recentCount = 0;
    std::vector<double> recentMean, recentHitRate;
};

struct GroupResult {
    GroupKey key;
    std::vector<double> eventJeds;     // every event of the group found, time order
    std::vector<PeriodStats> periods;  // All, or In and Out with a split
};

struct StudyResult {
    StudyOptions options;
    std::vector<GroupResult> groups;  // in group order
    int rowsTested = 0;               // rows with a p, over which q is taken
    bool cancelled = false;
};

// Told the share of groups done now and then, from the calling thread; returning false stops.
using StudyProgress = std::function<bool(double fraction)>;

// The whole study. The options must have passed CheckStudyOptions.
StudyResult RunStudy(const StudyBars& bars, const std::vector<EventGroup>& groups,
                     const StudyOptions& options, const StudyProgress& progress = {});

// Benjamini-Hochberg q-values of `p` (NaN entries are skipped and stay NaN).
std::vector<double> BenjaminiHochberg(const std::vector<double>& p);

// The average cumulative log return around a group's events, offsets -before..after (the close
// before the event's bar is offset 0), and the band that 95% of the random draws' averages fall
// in at each offset (2.5% and 97.5% quantiles), with the study's control, draws and seed.
struct AveragePath {
    int before = 0, after = 0;
    std::vector<double> mean, low, high;  // before + after + 1 values each
    int n = 0;
};
AveragePath GroupPath(const StudyBars& bars, const StudyResult& study, std::size_t group,
                      std::size_t period);

// Every h-bar forward return of a group's events, and of the baseline, in bar order.
std::vector<double> GroupReturns(const StudyBars& bars, const PeriodStats& period, int horizon);
std::vector<double> BaselineReturns(const StudyBars& bars, const StudyOptions& options,
                                    Period period, int horizon);

}  // namespace study
