#pragma once
#include <string_view>

#include "platform/colorref.h"
#include "platform/drawing_device.h"

// The drawing context of one chart page. Page coordinates: 0.001 inch, x right, y up, origin
// at the bottom left of the chart; a page point (x, y) lands on the surface at
// (x + g_originX, y + g_originY - 10000) = (x + 200, y - 10300).
class CChartDC {
public:
    explicit CChartDC(CDrawingDevice& device);
    ~CChartDC();
    CChartDC(const CChartDC&) = delete;
    CChartDC& operator=(const CChartDC&) = delete;

    void SetColor(COLORREF color);
    void SetPenWidth(int width);
    void DrawLine(int x1, int y1, int x2, int y2);
    void DrawCircle(int x, int y, int radius, int fill);
    void DrawText(int x, int y, std::string_view text);
    void SelectChartFont(std::string_view face, int height, int bold);

private:
    CDrawingDevice& m_device;
};

// Module variables of the drawing context (one set for the whole program).
extern int g_originX;        // 200 after every construction
extern int g_originY;        // -300 after every construction
extern int g_penWidth;       // page units; 1 after construction
extern COLORREF g_penColor;  // 0 after construction
