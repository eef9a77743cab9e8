// A page drawn from either position source: the notice line says which, and everything that
// reads positions (wheels, natal marks, tables, Moon scale) follows the state's source.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/chart_state.h"
#include "chart/tests/test_host.h"
#include "ephemeris/position_source.h"
#include "job/caelvane_doc.h"

namespace {

using chart_test::CTestHost;
using chart_test::DrawToTrace;
using chart_test::SplitLines;

constexpr char kSeriesNotice[] =
    "text 500 360 \"Caelvane 1.1 - a graphical ephemeris: positions computed from its own series, "
    "times in UT\"";

std::string NoticeOf(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (line.rfind("text 500 360 ", 0) == 0) return line;
    return {};
}

// A one-day job on `year`-06-01 with a natal date a year earlier.
struct OneDayJob {
    int year;
};

void Fill(CCaelvaneDoc& doc, int year) {
    doc.m_jobType = 1;
    doc.m_startMonth = 6;
    doc.m_startYear = year;
    doc.m_includeNatal = 1;
    doc.m_natalYear = year - 1;
    doc.m_includeAspects = 1;
}

std::vector<std::string> Draw(OneDayJob job, PositionSource source) {
    CCaelvaneDoc doc;
    Fill(doc, job.year);
    CTestHost host;
    ChartState state;
    state.positionSource = source;
    const std::vector<std::string> lines = SplitLines(DrawToTrace(doc, state, host));
    EXPECT_EQ(state.positionSource, source) << "the drawing changed the view's source";
    return lines;
}

TEST(PositionsPage, SeriesNoticeStaysAsItWas) {
    EXPECT_EQ(NoticeOf(Draw(OneDayJob{2024}, PositionSource::Series)), kSeriesNotice);
    EXPECT_EQ(NoticeOf(Draw(OneDayJob{1700}, PositionSource::Series)), kSeriesNotice);
}

#if CAELVANE_WITH_SWISSEPH

TEST(PositionsPage, PreciseNoticeNamesTheLibraryAndWhatTheSeriesSupplied) {
    const std::string start = "text 500 360 \"Caelvane 1.1 - a graphical ephemeris: ";
    const std::string library = PreciseSourceName();
    ASSERT_EQ(library.rfind("Swiss Ephemeris 2.", 0), 0u) << library;
    EXPECT_EQ(NoticeOf(Draw(OneDayJob{2024}, PositionSource::Precise)),
              start + "positions from " + library + ", times in UT\"");
    // Before the data files: the analytic theory, and Chiron from the series.
    EXPECT_EQ(NoticeOf(Draw(OneDayJob{1700}, PositionSource::Precise)),
              start + "positions from " + library +
                  " (analytic theory, no data files for the date), Chiron from its own series, "
                  "times in UT\"");
    // Beyond the library altogether: the series, said so.
    EXPECT_EQ(NoticeOf(Draw(OneDayJob{3500}, PositionSource::Precise)),
              start + "positions computed from its own series (the date is beyond " + library +
                  "), times in UT\"");
}

// Same elements in the same order; the bodies, marks and table values move.
TEST(PositionsPage, PreciseMovesThePositionsNotThePage) {
    const std::vector<std::string> series = Draw(OneDayJob{2024}, PositionSource::Series);
    const std::vector<std::string> precise = Draw(OneDayJob{2024}, PositionSource::Precise);
    ASSERT_EQ(series.size(), precise.size());
    int differing = 0;
    for (std::size_t i = 0; i < series.size(); ++i) {
        if (series[i] == precise[i]) continue;
        ++differing;
        // Only drawing commands with coordinates or values change, never their kind.
        EXPECT_EQ(series[i].substr(0, series[i].find(' ')),
                  precise[i].substr(0, precise[i].find(' ')))
            << series[i] << " / " << precise[i];
    }
    EXPECT_GT(differing, 20);  // the Moon alone moves by arcminutes, Chiron by degrees

    // Beyond the library the page is the series' page but for its notice line.
    const std::vector<std::string> farSeries = Draw(OneDayJob{3500}, PositionSource::Series);
    const std::vector<std::string> farPrecise = Draw(OneDayJob{3500}, PositionSource::Precise);
    ASSERT_EQ(farSeries.size(), farPrecise.size());
    for (std::size_t i = 0; i < farSeries.size(); ++i) {
        if (farSeries[i].rfind("text 500 360 ", 0) == 0) continue;
        EXPECT_EQ(farSeries[i], farPrecise[i]);
    }
}

#endif

}  // namespace
