// The convention of the event study (which bar an event belongs to, forward returns, windows
// off the ends, events sharing a bar) on hand-built series, and its statistics against values
// worked out by hand.
#include "study/event_study.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ephemeris/calendar.h"
#include "study/study_csv.h"

namespace {

using namespace study;
using prices::UnixSeconds;

constexpr UnixSeconds kDay = 86400;

UnixSeconds At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return DaysFromCivil(year, month, day) * kDay + hour * 3600 + minute * 60 + second;
}

double Jed(UnixSeconds seconds) {
    return prices::JedOfSeconds(seconds);
}

// Weekday bars from Monday 2024-01-01 with the given log closes.
StudyBars Weekdays(const std::vector<double>& logClose) {
    StudyBars bars;
    std::int64_t day = DaysFromCivil(2024, 1, 1);
    for (double value : logClose) {
        while ((day + 4) % 7 == 6 || (day + 4) % 7 == 0) ++day;  // 1970-01-01 was a Thursday
        bars.times.push_back(day * kDay);
        bars.logClose.push_back(value);
        ++day;
    }
    return bars;
}

EventGroup Group(std::vector<double> jeds, int body = -4) {
    EventGroup group;
    group.key.kind = events::EventKind::Station;
    group.key.body1 = body;
    group.key.detail = events::EventDetail::Retrograde;
    group.jeds = std::move(jeds);
    return group;
}

TEST(StudyConvention, EventsFallOnTheFirstBarOfTheirDateOrLater) {
    StudyBars daily = Weekdays(std::vector<double>(15, 0.0));  // 2024-01-01 .. 2024-01-19
    StudyBars hourly;
    for (int h = 0; h < 10; ++h) hourly.times.push_back(At(2024, 3, 4, 9 + h));
    hourly.logClose.assign(10, 0.0);
    hourly.intraday = true;
    struct Case {
        const StudyBars* bars;
        UnixSeconds event;
        int bar;
        const char* what;
    } const cases[] = {
        {&daily, At(2024, 1, 1, 0, 0), 0, "midnight of the first bar's date"},
        {&daily, At(2024, 1, 3, 23, 59, 59), 2, "late on a weekday: that day's bar"},
        {&daily, At(2024, 1, 6, 12, 0), 5, "Saturday: Monday's bar"},
        {&daily, At(2024, 1, 7, 23, 0), 5, "Sunday night: Monday's bar"},
        {&daily, At(2023, 12, 30, 12, 0), 0, "before the file: the first bar"},
        {&daily, At(2024, 1, 19, 22, 0), 14, "the last bar's date"},
        {&daily, At(2024, 1, 20, 0, 0), -1, "after the last bar's date: none"},
        {&hourly, At(2024, 3, 4, 10, 30), 2, "intraday: the next bar to start"},
        {&hourly, At(2024, 3, 4, 11, 0), 2, "intraday: a bar starting at the event"},
        {&hourly, At(2024, 3, 4, 18, 0, 1), -1, "intraday: after the last bar's start"},
    };
    for (const Case& c : cases) EXPECT_EQ(EventBar(*c.bars, c.event), c.bar) << c.what;
}

TEST(StudyConvention, WindowsOffTheEndsAndSharedBarsAreCounted) {
    StudyBars bars = Weekdays(std::vector<double>(15, 0.0));
    StudyOptions options;
    options.horizons = {1, 2};
    options.before = 1;
    options.after = 1;
    options.draws = 10;
    options.threads = 1;
    // Eligible bars: j - 1 - before >= 0 and j - 1 + max(after, 2) <= 14, so 2 .. 13.
    const EventGroup group = Group({
        Jed(At(2023, 12, 30, 12)),  // before the file: bar 0, off the start
        Jed(At(2024, 1, 1, 10)),    // the first bar, off the start
        Jed(At(2024, 1, 2, 10)),    // bar 1: no bar before-window
        Jed(At(2024, 1, 6, 12)),    // Saturday: bar 5
        Jed(At(2024, 1, 10, 3)),    // bar 7
        Jed(At(2024, 1, 10, 20)),   // bar 7 again: once
        Jed(At(2024, 1, 18, 12)),   // bar 13: the last eligible
        Jed(At(2024, 1, 19, 12)),   // the last bar, off the end
        Jed(At(2024, 1, 22, 12)),   // after the file
    });
    ASSERT_FALSE(CheckStudyOptions(options, bars));
    const StudyResult result = RunStudy(bars, {group}, options);
    ASSERT_EQ(result.groups.size(), 1u);
    const PeriodStats& period = result.groups[0].periods.at(0);
    EXPECT_EQ(period.found, 9);
    EXPECT_EQ(period.outside, 5);
    EXPECT_EQ(period.duplicates, 1);
    EXPECT_EQ(period.bars, (std::vector<int>{5, 7, 13}));
    EXPECT_EQ(period.horizons.at(0).n, 3);
}

// Log closes whose one-bar returns are 0.01, 0.02, -0.01, 0, 0.03, -0.02, 0, 0.01, 0, -0.01, 0.
StudyBars HandSeries() {
    return Weekdays({0, .01, .03, .02, .02, .05, .03, .03, .04, .04, .03, .03});
}

TEST(StudyStatistics, MatchValuesWorkedOutByHand) {
    const StudyBars bars = HandSeries();
    StudyOptions options;
    options.horizons = {1, 3};
    options.before = 1;
    options.after = 1;
    options.draws = 50;
    options.minEvents = 4;
    options.threads = 1;
    // Events on bars 2, 3, 4, 5 (2024-01-03 .. 2024-01-08).
    const EventGroup group = Group({Jed(At(2024, 1, 3, 12)), Jed(At(2024, 1, 4, 12)),
                                    Jed(At(2024, 1, 5, 12)), Jed(At(2024, 1, 8, 12))});
    const StudyResult result = RunStudy(bars, {group}, options);
    const PeriodStats& period = result.groups.at(0).periods.at(0);
    ASSERT_EQ(period.horizons.size(), 2u);
    struct Expected {
        double mean, median, sd, hit, baseMean, baseHit, t;
    };
    // One bar: returns 0.02, -0.01, 0, 0.03 against the eleven one-bar returns.
    // Three bars: L[j+2] - L[j-1] = 0.01, 0.02, 0.01, 0.01 against the nine of the file
    // (0.02, 0.01, 0.02, 0.01, 0.01, -0.01, 0.01, 0, -0.01).
    const Expected expected[] = {
        {0.01, 0.01, std::sqrt(1e-3 / 3), 0.5, 0.03 / 11, 4.0 / 11,
         (0.01 - 0.03 / 11) / (std::sqrt(1e-3 / 3) / 2)},
        {0.0125, 0.01, 0.005, 1.0, 0.06 / 9, 6.0 / 9, (0.0125 - 0.06 / 9) / (0.005 / 2)},
    };
    for (int k = 0; k < 2; ++k) {
        const HorizonStats& s = period.horizons[k];
        const Expected& e = expected[k];
        SCOPED_TRACE("horizon " + std::to_string(s.horizon));
        EXPECT_EQ(s.n, 4);
        EXPECT_NEAR(s.mean, e.mean, 1e-12);
        EXPECT_NEAR(s.median, e.median, 1e-12);
        EXPECT_NEAR(s.sd, e.sd, 1e-12);
        EXPECT_DOUBLE_EQ(s.hitRate, e.hit);
        EXPECT_NEAR(s.baselineMean, e.baseMean, 1e-12);
        EXPECT_DOUBLE_EQ(s.baselineHitRate, e.baseHit);
        EXPECT_NEAR(s.excess, e.mean - e.baseMean, 1e-12);
        EXPECT_NEAR(s.t, e.t, 1e-9);
        EXPECT_GE(s.p, 1.0 / 51);
        EXPECT_LE(s.p, 1.0);
        EXPECT_GE(s.q, s.p);
        EXPECT_LE(s.q, 1.0);
    }
    EXPECT_EQ(period.recentCount, 4);
    EXPECT_NEAR(period.recentMean.at(0), 0.01, 1e-12);
}

TEST(StudyStatistics, EventsOnEveryEligibleBarHaveP1UnderTheShift) {
    // Every shift of a group that fills the eligible bars is the group itself.
    const StudyBars bars = HandSeries();
    StudyOptions options;
    options.horizons = {1};
    options.before = 1;
    options.after = 1;
    options.draws = 99;
    options.minEvents = 2;
    std::vector<double> jeds;
    for (int j = 2; j <= 11; ++j) jeds.push_back(Jed(bars.times[j] + 3600));
    const StudyResult result = RunStudy(bars, {Group(jeds)}, options);
    EXPECT_EQ(result.groups.at(0).periods.at(0).horizons.at(0).n, 10);
    EXPECT_DOUBLE_EQ(result.groups.at(0).periods.at(0).horizons.at(0).p, 1.0);
}

TEST(StudyStatistics, GroupsUnderTheFewestEventsHaveNoP) {
    const StudyBars bars = HandSeries();
    StudyOptions options;
    options.horizons = {1};
    options.before = 1;
    options.after = 1;
    options.draws = 20;
    const StudyResult result =
        RunStudy(bars, {Group({Jed(At(2024, 1, 3, 12)), Jed(At(2024, 1, 4, 12))})}, options);
    const HorizonStats& s = result.groups.at(0).periods.at(0).horizons.at(0);
    EXPECT_EQ(s.n, 2);
    EXPECT_TRUE(std::isnan(s.p));
    EXPECT_TRUE(std::isnan(s.q));
    EXPECT_EQ(result.rowsTested, 0);
    // The CSV leaves p and q empty.
    const std::string csv = StudyCsv(result);
    EXPECT_NE(csv.find("\nstation,Mars,,,,retrograde,1,2,"), std::string::npos) << csv;
    EXPECT_EQ(csv.substr(csv.size() - 3), ",,\n") << csv;
}

TEST(StudyStatistics, BenjaminiHochbergByHand) {
    const double nan = std::nan("");
    const std::vector<double> q = BenjaminiHochberg({0.01, 0.04, 0.03, 0.005, nan, 0.9});
    // m = 5: 0.005*5/1, 0.01*5/2, 0.03*5/3, 0.04*5/4, 0.9*5/5, then the running minimum.
    const double expected[] = {0.025, 0.05, 0.05, 0.025, nan, 0.9};
    ASSERT_EQ(q.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        if (std::isnan(expected[i]))
            EXPECT_TRUE(std::isnan(q[i]));
        else
            EXPECT_NEAR(q[i], expected[i], 1e-12) << "row " << i;
    }
}

TEST(StudyOptionsCheck, BadValuesAreNamed) {
    const StudyBars bars = Weekdays(std::vector<double>(40, 0.0));  // 2024-01-01 .. 2024-02-23
    struct Case {
        std::vector<int> horizons;
        int draws;
        std::optional<UnixSeconds> split;
        const char* named;
    } const cases[] = {
        {{1, 0}, 10, {}, "horizon 0"},
        {{-5}, 10, {}, "horizon -5"},
        {{1, 1}, 10, {}, "horizon 1 is given twice"},
        {{1}, 0, {}, "draws 0"},
        {{30}, 10, {}, "too few for horizon 30"},
        {{1},
         10,
         At(2030, 1, 1),
         "split date 2030-01-01 is outside the file (2024-01-01 .. 2024-02-23)"},
        {{1}, 10, At(2024, 1, 1), "split date 2024-01-01 is outside"},
        {{1}, 10, At(2024, 1, 3), "split date 2024-01-03 leaves a period too short"},
    };
    for (const Case& c : cases) {
        StudyOptions options;
        options.horizons = c.horizons;
        options.draws = c.draws;
        options.split = c.split;
        const auto problem = CheckStudyOptions(options, bars);
        ASSERT_TRUE(problem) << c.named;
        EXPECT_NE(problem->find(c.named), std::string::npos) << *problem;
    }
    StudyOptions fine;
    fine.horizons = {1, 5};
    fine.after = 5;
    fine.split = At(2024, 2, 1);
    EXPECT_FALSE(CheckStudyOptions(fine, bars));
}

TEST(StudyBarsCheck, NonPositiveClosesAreRefusedNamingTheBar) {
    prices::PriceSeries series;
    for (int i = 0; i < 3; ++i) {
        prices::Bar bar;
        bar.time = At(2024, 1, 1 + i);
        bar.close = i == 2 ? 0.0 : 10.0;
        series.bars.push_back(bar);
    }
    StudyBars bars;
    const auto problem = MakeStudyBars(series, bars);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("bar 3 (2024-01-03): close 0"), std::string::npos) << *problem;
}

TEST(StudySplit, PeriodsSideBySideWithTheirOwnBaselines) {
    // Rising by 0.01 a bar before 2024-02-01, falling by 0.01 from it.
    std::vector<double> logClose;
    StudyBars shape = Weekdays(std::vector<double>(60, 0.0));
    double level = 0;
    for (std::size_t j = 0; j < shape.times.size(); ++j) {
        if (j > 0) level += shape.times[j] < At(2024, 2, 1) ? 0.01 : -0.01;
        logClose.push_back(level);
    }
    const StudyBars bars = Weekdays(logClose);
    StudyOptions options;
    options.horizons = {1};
    options.before = 2;
    options.after = 2;
    options.draws = 30;
    options.minEvents = 1;
    options.split = At(2024, 2, 1);
    const EventGroup group = Group({Jed(At(2024, 1, 10, 12)), Jed(At(2024, 2, 14, 12))});
    ASSERT_FALSE(CheckStudyOptions(options, bars));
    const StudyResult result = RunStudy(bars, {group}, options);
    const std::vector<PeriodStats>& periods = result.groups.at(0).periods;
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_EQ(periods[0].period, Period::In);
    EXPECT_EQ(periods[1].period, Period::Out);
    EXPECT_NEAR(periods[0].horizons[0].mean, 0.01, 1e-12);
    EXPECT_NEAR(periods[0].horizons[0].baselineMean, 0.01, 1e-12);
    EXPECT_NEAR(periods[1].horizons[0].mean, -0.01, 1e-12);
    EXPECT_NEAR(periods[1].horizons[0].baselineMean, -0.01, 1e-12);
    const std::string csv = StudyCsv(result);
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "kind,body1,body2,angle,sign,detail,horizon,period,n,mean,median,sd,hit_rate,"
              "baseline_mean,baseline_hit_rate,excess,t,p,q");
    EXPECT_NE(csv.find(",1,in,1,0.01,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",1,out,1,-0.01,"), std::string::npos) << csv;
}

TEST(StudyPath, AverageCumulativeReturnFromTheCloseBeforeTheEvent) {
    const StudyBars bars = HandSeries();
    StudyOptions options;
    options.horizons = {1};
    options.before = 1;
    options.after = 2;
    options.draws = 40;
    options.minEvents = 1;
    // Bars 2 and 5: offsets -1..2 from L[1] and L[4]: (0, .02, .01) - .01 ... by hand:
    // bar 2: L0-L1, 0, L2-L1, L3-L1 = -.01, 0, .02, .01; bar 5: L3-L4, 0, L5-L4, L6-L4 =
    // 0, 0, .03, .01.
    const StudyResult result =
        RunStudy(bars, {Group({Jed(At(2024, 1, 3, 12)), Jed(At(2024, 1, 8, 12))})}, options);
    const AveragePath path = GroupPath(bars, result, 0, 0);
    ASSERT_EQ(path.mean.size(), 4u);
    const double expected[] = {-0.005, 0, 0.025, 0.01};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(path.mean[k], expected[k], 1e-12) << "offset " << k - 1;
        EXPECT_LE(path.low[k], path.high[k]);
    }
    EXPECT_DOUBLE_EQ(path.low[1], 0.0);  // every draw starts at its own close
    EXPECT_DOUBLE_EQ(path.high[1], 0.0);
}

}  // namespace
