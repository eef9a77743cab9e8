#pragma once
#include <string_view>

#include "platform/colorref.h"
#include "platform/drawing_device.h"

// The drawing context of one chart page. Page coordinates: 0.001 inch, x right, y up, origin
// at the bottom left of the chart; a page point (x, y) lands on the surface at
// (x + originX, y + originY - 10000) = (x + 200, y - 10300).
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

    int OriginX() const { return m_originX; }
    int OriginY() const { return m_originY; }
    int PenWidth() const { return m_penWidth; }
    COLORREF PenColor() const { return m_penColor; }

private:
    CDrawingDevice& m_device;
    int m_originX = 200;
    int m_originY = -300;
    int m_penWidth = 1;  // page units
    COLORREF m_penColor = 0;
};
