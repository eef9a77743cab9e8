#pragma once
#include <string_view>

#include "platform/drawing_device.h"

// A surface that draws nothing: drawing a page on it only leaves the chart state (page count,
// page date) as that drawing would. Used to learn a job's page count before printing.
class CNullDevice : public CDrawingDevice {
public:
    void Begin() override {}
    void End() override {}
    void SetPenColor(COLORREF) override {}
    void SetPenWidth(int) override {}
    void SelectFont(std::string_view, int, int) override {}
    void Line(int, int, int, int) override {}
    void Circle(int, int, int, int) override {}
    void Text(int, int, std::string_view) override {}
};
