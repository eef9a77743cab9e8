// The modern page measured: no two texts touch for any job on any date (crowded skies and the
// price display included), with the fonts the page is really drawn in, and the boxes the trace
// records are where the painter puts the ink.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "chart/chart_dc.h"
#include "chart/chart_state.h"
#include "chart/draw_page.h"
#include "chart/modern_layout.h"
#include "ephemeris/calendar.h"
#include "ephemeris/position_source.h"
#include "job/caelvane_doc.h"
#include "platform/host_services.h"
#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"
#include "render/qt_text_metrics.h"
#include "render/trace_device.h"

namespace {

class CFixedHost : public caelvane::CHostServices {
public:
    caelvane::LocalDate Today() const override { return {1, 18, 2000}; }
    caelvane::TimeZoneRule ZoneRule() const override { return {}; }
    void MessageBox(const std::string&) override {}
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct TracedText {
    std::string line;
    PageBox box;
};

// Every text of a modern trace with the box after it; a text without one fails the test.
std::vector<TracedText> TextBoxes(const std::string& trace) {
    std::vector<TracedText> texts;
    const std::vector<std::string> lines = SplitLines(trace);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("text ", 0) != 0) continue;
        int x = 0, y = 0, w = 0, h = 0;
        const bool boxed =
            i + 1 < lines.size() &&
            std::sscanf(lines[i + 1].c_str(), "box %d %d %d %d", &x, &y, &w, &h) == 4;
        EXPECT_TRUE(boxed) << "no box after: " << lines[i];
        if (boxed) texts.push_back({lines[i], {x, y - h, x + w, y}});
    }
    return texts;
}

std::string Overlaps(const std::vector<TracedText>& texts) {
    std::string found;
    for (std::size_t a = 0; a < texts.size(); ++a)
        for (std::size_t b = a + 1; b < texts.size(); ++b)
            if (texts[a].box.Intersects(texts[b].box))
                found += texts[a].line + "  <->  " + texts[b].line + "\n";
    return found;
}

std::string RandomText(std::mt19937& random, std::size_t maxLength) {
    static const std::string kChars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,;:-+()/&WWWMMM";
    std::string text(std::uniform_int_distribution<std::size_t>(0, maxLength)(random), ' ');
    for (char& c : text) c = kChars[random() % kChars.size()];
    return text;
}

// Dates (JED at 17:00 UT) on which five geocentric bodies stand within 10 degrees.
std::vector<double> CrowdedDates(std::size_t wanted) {
    std::vector<double> dates;
    for (double jed = JulianDate(1, 1, 1950, 17, 0); dates.size() < wanted; jed += 3.0) {
        const WheelLongitudes wheel = ComputeWheelLongitudes(jed, PositionSource::Series);
        std::vector<double> sorted(wheel.geocentric.begin() + 1, wheel.geocentric.end());
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        for (std::size_t i = 0; i < n; ++i) {
            const double end = sorted[(i + 4) % n] + (i + 4 >= n ? 360.0 : 0.0);
            if (end - sorted[i] <= 10.0) {
                dates.push_back(jed);
                jed += 40.0;  // the next crowd, not the same one
                break;
            }
        }
    }
    return dates;
}

void RandomJob(std::mt19937& random, double jed, CCaelvaneDoc& doc) {
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    CalendarDate(jed, month, day, year, hour, minute);
    const bool range = pick(0, 1) == 1;
    doc.m_jobType = range ? 3 : 1;
    doc.m_startMonth = month, doc.m_startDay = day, doc.m_startYear = year;
    CalendarDate(jed + pick(0, range ? 4000 : 0), month, day, year, hour, minute);
    doc.m_endMonth = month, doc.m_endDay = day, doc.m_endYear = year;
    doc.m_currentPage = 1;
    doc.m_includeAspects = pick(0, 3) != 0;
    doc.m_includeNatal = pick(0, 1);
    doc.m_natalMonth = pick(1, 12), doc.m_natalDay = pick(1, 28),
    doc.m_natalYear = pick(1900, 2020);
    for (int k = 0; k < 4; ++k) {
        doc.m_hotSpotDegree[k] = pick(0, 35999) / 100.0;
        doc.m_hotSpotLabel[k] = RandomText(random, 24);
    }
    doc.m_note = RandomText(random, 80);
    doc.m_overlayEnabled = pick(0, 2) == 0;
    doc.m_overlayParts = pick(1, 90);
    doc.m_overlayStartDegree = pick(0, 359);
    doc.m_overlayFirstValue = pick(-1000, 100000);
    doc.m_overlayStepSize = pick(-50, 5000);
    doc.m_useColor = pick(0, 4) != 0;
    doc.m_colorNoteText = static_cast<COLORREF>(random() & 0xFFFFFF);
    doc.m_colorCurrentText = static_cast<COLORREF>(random() & 0xFFFFFF);
    doc.SetTitle(RandomText(random, 60) + ".cvj");
    // The price display on at a random price, as the price monitor leaves it.
    doc.m_priceMonitorOn = pick(0, 1);
    doc.m_price = pick(0, 9) == 0 ? pick(-1000000, 1000000) * 1000.0 : pick(0, 9999999) / 1000.0;
    doc.m_priceDegree = std::fmod(std::abs(doc.m_price), 72.0) * 5.0;
    doc.m_priceHour = pick(6, 29);
    doc.m_priceMinute = pick(0, 59);
}

class ModernPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }

    static std::string Trace(CCaelvaneDoc& doc) {
        ChartState state;
        state.pageStyle = PageStyle::Modern;
        CFixedHost host;
        CTraceDevice trace;
        trace.SetTextMetrics(&CQtTextMetrics::Instance());
        DrawChartPage(doc, state, trace, host);
        return trace.Trace();
    }
};

TEST_F(ModernPageTest, NoTwoTextsTouchOnAThousandRandomJobs) {
    std::mt19937 random(20240405);
    const std::vector<double> crowded = CrowdedDates(300);
    std::uniform_real_distribution<double> anyDate(JulianDate(1, 1, 1800, 17, 0),
                                                   JulianDate(1, 1, 2200, 17, 0));
    int failures = 0;
    for (int run = 0; run < 1000 && failures < 5; ++run) {
        const double jed =
            run < static_cast<int>(crowded.size()) ? crowded[run] : std::floor(anyDate(random));
        CCaelvaneDoc doc;
        RandomJob(random, jed, doc);
        const std::vector<TracedText> texts = TextBoxes(Trace(doc));
        ASSERT_GT(texts.size(), 40u);
        const std::string overlaps = Overlaps(texts);
        if (!overlaps.empty()) {
            ++failures;
            ADD_FAILURE() << "run " << run << " (JED " << jed << "):\n" << overlaps;
        }
        // The price display's two lines fit whole beside the Moon's notes (a price of up to
        // seven digits before the point).
        for (const TracedText& text : texts) {
            const bool priceLine = text.line.find(" \"Price ") != std::string::npos ||
                                   text.line.find(" \"Time ") != std::string::npos;
            if (priceLine && std::abs(doc.m_price) < 1e7 &&
                text.line.find("...") != std::string::npos) {
                ++failures;
                ADD_FAILURE() << "run " << run << ": cut " << text.line;
            }
        }
    }
}

// The box a text's trace gives is where the painter puts its ink, symbols from the fallback
// face included: within a pixel and a half at 300 dpi.
TEST_F(ModernPageTest, TraceBoxesHoldThePaintedInk) {
    struct Case {
        const char* face;
        int height;
        int bold;
        const char* text;
        bool utf8;
    };
    const Case cases[] = {
        {"Arial", 180, 1, "Job: Wednesday, JED 2451563.208", false},
        {"Arial", 110, 0, "HotSpot3 at 180.00 gjpq", false},
        {"DejaVu Sans", 140, 0, "\u2609\u263D\u263F\u2640\u2641\u2642\u2643", true},
        {"DejaVu Sans", 90, 0, "12\u00B0\u2651\u200334\u2032 \u211E", true},
        {"Arial", 120, 1, "\u2644\u2645\u2646\u2647\u260A\u26B7", true},
    };
    constexpr double kDpi = 300.0;
    for (const Case& c : cases) {
        QImage image(2550, 600, QImage::Format_RGB32);
        image.fill(Qt::white);
        PageBox expected;
        {
            QPainter painter(&image);
            CQtPainterDevice device(painter, kDpi, kDpi);
            CChartDC dc(device, PageStyle::Modern);
            dc.SelectChartFont(c.face, c.height, c.bold);
            // Page (300, 10200) is surface (500, -100): well inside the image.
            c.utf8 ? dc.DrawTextUtf8(300, 10200, c.text) : dc.DrawText(300, 10200, c.text);
            expected = dc.BoxOf(300, 10200, c.text, c.utf8);
        }
        int left = image.width(), right = -1, top = image.height(), bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 160) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
        ASSERT_GE(right, 0) << c.text;
        // Page units to pixels: x + 200, y - 10300 on the surface; 0.3 pixels a unit.
        const auto px = [](int page) { return (page + 200) * kDpi / 1000.0; };
        const auto py = [](int page) { return -(page - 10300) * kDpi / 1000.0; };
        EXPECT_NEAR(left, px(expected.left), 1.5) << c.text;
        EXPECT_NEAR(right + 1, px(expected.right), 1.5) << c.text;
        EXPECT_NEAR(top, py(expected.top), 1.5) << c.text;
        EXPECT_NEAR(bottom + 1, py(expected.bottom), 1.5) << c.text;
    }
}

}  // namespace
