#pragma once
// Runs one page element into a trace recorder with the chart state and scratch set by the test.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "chart/chart_dc.h"
#include "chart/chart_state.h"
#include "chart/draw_page.h"
#include "chart/page_elements.h"
#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"
#include "render/trace_device.h"

// Each document colour its own value, so a trace line names the colour it stands for.
struct ElementColors {
    static constexpr COLORREF kWheelLines = 0x000011;
    static constexpr COLORREF kWheelText = 0x000022;
    static constexpr COLORREF kCurrentText = 0x000033;
    static constexpr COLORREF kCurrentLines = 0x000044;
    static constexpr COLORREF kNatalText = 0x000055;
    static constexpr COLORREF kNatalDots = 0x000066;
    static constexpr COLORREF kAspectLines = 0x000077;
    static constexpr COLORREF kAspectText = 0x000088;
    static constexpr COLORREF kAspectHighlights = 0x000099;
    static constexpr COLORREF kMoonBall = 0x0000AA;
    static constexpr COLORREF kOverlayCircle = 0x0000BB;
};

inline std::string ColorLine(COLORREF color) {
    char text[32];
    std::snprintf(text, sizeof text, "color %08X", static_cast<unsigned>(color));
    return text;
}

class ElementTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.m_colorWheelLines = ElementColors::kWheelLines;
        doc.m_colorWheelText = ElementColors::kWheelText;
        doc.m_colorCurrentText = ElementColors::kCurrentText;
        doc.m_colorCurrentLines = ElementColors::kCurrentLines;
        doc.m_colorNatalText = ElementColors::kNatalText;
        doc.m_colorNatalDots = ElementColors::kNatalDots;
        doc.m_colorAspectLines = ElementColors::kAspectLines;
        doc.m_colorAspectText = ElementColors::kAspectText;
        doc.m_colorAspectHighlights = ElementColors::kAspectHighlights;
        doc.m_colorMoonBall = ElementColors::kMoonBall;
        doc.m_colorOverlayCircle = ElementColors::kOverlayCircle;
        LoadStateFromDoc();
        SetPage(1, 1, 2000, 17, 0);  // 2000-01-01 17:00 UT
        state.natalJed = 2451545.0;
    }

    // The copies a drawing makes from the job before its elements run; the page set by the
    // test stays.
    void LoadStateFromDoc() {
        const int hour = state.pageHour, minute = state.pageMinute;
        CopyChartState(doc, state);
        state.pageHour = hour;
        state.pageMinute = minute;
    }

    void SetPage(int month, int day, int year, int hour, int minute) {
        state.pageMonth = month;
        state.pageDay = day;
        state.pageYear = year;
        state.pageHour = hour;
        state.pageMinute = minute;
        state.pageJed = JulianDate(month, day, year, hour, minute);
    }

    // Draws with `element` on a fresh drawing context and returns the trace lines between
    // "begin" and "end".
    std::vector<std::string> Run(const std::function<void(CChartDC&)>& element) {
        CTraceDevice device;
        {
            CChartDC dc(device);
            element(dc);
        }
        std::vector<std::string> lines;
        std::istringstream in(device.Trace());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        EXPECT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.front(), "begin");
        EXPECT_EQ(lines.back(), "end");
        if (lines.size() >= 2) lines = {lines.begin() + 1, lines.end() - 1};
        return lines;
    }

    static std::vector<std::string> Matching(const std::vector<std::string>& lines,
                                             const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& line : lines)
            if (line.rfind(prefix, 0) == 0) out.push_back(line);
        return out;
    }

    static int Count(const std::vector<std::string>& lines, const std::string& prefix) {
        return static_cast<int>(Matching(lines, prefix).size());
    }

    // Every colour the trace sets is black.
    static void ExpectAllBlack(const std::vector<std::string>& lines) {
        for (const std::string& line : Matching(lines, "color ")) EXPECT_EQ(line, "color 00000000");
        EXPECT_GT(Count(lines, "color "), 0);
    }

    CCaelvaneDoc doc;
    ChartState state;
    PageScratch scratch;
};
