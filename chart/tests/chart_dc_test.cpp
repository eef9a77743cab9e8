// The drawing context: page-to-surface mapping, its module variables, and the trace it
// records.
#include "chart/chart_dc.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "render/trace_device.h"

namespace {

// Records the surface coordinates the device is given, unconverted.
class CSurfaceRecorder : public CDrawingDevice {
public:
    std::vector<std::string> calls;
    void Begin() override { calls.push_back("begin"); }
    void End() override { calls.push_back("end"); }
    void SetPenColor(COLORREF color) override { calls.push_back("color " + std::to_string(color)); }
    void SetPenWidth(int width) override { calls.push_back("width " + std::to_string(width)); }
    void SelectFont(std::string_view face, int height, int bold) override {
        calls.push_back("font " + std::string(face) + " " + std::to_string(height) + " " +
                        std::to_string(bold));
    }
    void Line(int x1, int y1, int x2, int y2) override {
        calls.push_back("line " + std::to_string(x1) + " " + std::to_string(y1) + " " +
                        std::to_string(x2) + " " + std::to_string(y2));
    }
    void Circle(int x, int y, int radius, int fill) override {
        calls.push_back("circle " + std::to_string(x) + " " + std::to_string(y) + " " +
                        std::to_string(radius) + " " + std::to_string(fill));
    }
    void Text(int x, int y, std::string_view text) override {
        calls.push_back("text " + std::to_string(x) + " " + std::to_string(y) + " " +
                        std::string(text));
    }
};

TEST(ChartDC, MapsPagePointsOntoTheSurface) {
    CSurfaceRecorder surface;
    {
        CChartDC dc(surface);
        dc.DrawText(0, 10300, "top");       // the top edge, 0.2 inch from the left
        dc.DrawLine(500, 500, 7500, 9500);  // 0.7 inch from the left, 9.8 inches down
        dc.DrawCircle(5700, 7800, 1460, 1);
        dc.DrawLine(INT_MAX, INT_MIN, 0, 0);  // held to the int range, no overflow
    }
    // Worked out by hand: x + 200, y - 10300 (0.2 inch in, from the top of an 11-inch page).
    const std::vector<std::string> expected = {
        "begin",
        "text 200 0 top",
        "line 700 -9800 7700 -800",
        "circle 5900 -2500 1460 1",
        "line 2147483647 -2147483648 200 -10300",
        "end",
    };
    EXPECT_EQ(surface.calls, expected);
}

TEST(ChartDC, EveryContextStartsFromTheSameSettings) {
    CSurfaceRecorder surface;
    {
        CChartDC first(surface);
        first.SetPenWidth(30);
        first.SetColor(0x123456);
    }
    CChartDC dc(surface);
    EXPECT_EQ(dc.OriginX(), 200);
    EXPECT_EQ(dc.OriginY(), -300);
    EXPECT_EQ(dc.PenWidth(), 1);
    EXPECT_EQ(dc.PenColor(), 0u);

    dc.SetPenWidth(20);
    dc.SetColor(0xFF0000);
    dc.SetColor(0x0000FF);  // the second colour wins; the width stays
    EXPECT_EQ(dc.PenColor(), 0x0000FFu);
    EXPECT_EQ(dc.PenWidth(), 20);
}

TEST(TraceDevice, WritesTheDisplayListInPageCoordinates) {
    CTraceDevice trace;
    {
        CChartDC dc(trace);
        dc.SetColor(0x0000FF);
        dc.SetPenWidth(20);
        dc.SelectChartFont("Arial", 200, 1);
        dc.DrawLine(500, 500, 7500, 500);
        dc.DrawCircle(5700, 3300, 450, 0);
        dc.DrawText(550, 9400, "Job: a\"b\\c ");
        trace.Message("first\nsecond \x7f\xe9");
    }
    EXPECT_EQ(trace.Trace(),
              "begin\n"
              "color 000000FF\n"
              "width 20\n"
              "font Arial 200 1\n"
              "line 500 500 7500 500\n"
              "circle 5700 3300 450 0\n"
              "text 550 9400 \"Job: a\\\"b\\\\c \"\n"
              "message \"first\\x0asecond \\x7f\\xe9\"\n"
              "end\n");
}

}  // namespace
