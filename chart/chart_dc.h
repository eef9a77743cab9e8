#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "chart/modern_layout.h"
#include "chart/page_style.h"
#include "platform/colorref.h"
#include "platform/drawing_device.h"
#include "platform/text_metrics.h"

// The drawing context of one chart page. Page coordinates: 0.001 inch, x right, y up, origin
// at the bottom left of the chart; a page point (x, y) lands on the surface at
// (x + originX, y + originY - 10000) = (x + 200, y - 10300).
//
// In the modern style every text is followed by its ink box (the device's TextBox), measured
// with the device's own font metrics, so that a recording shows which texts could touch; the
// context keeps the boxes, so that texts that may be left out (TryDrawText) never land on
// one drawn before. Texts in a colour that reads poorly on white are drawn in a darker shade.
class CChartDC {
public:
    explicit CChartDC(CDrawingDevice& device, PageStyle style = PageStyle::Classic);
    ~CChartDC();
    CChartDC(const CChartDC&) = delete;
    CChartDC& operator=(const CChartDC&) = delete;

    void SetColor(COLORREF color);
    void SetPenWidth(int width);
    void DrawLine(int x1, int y1, int x2, int y2);
    void DrawCircle(int x, int y, int radius, int fill);
    void DrawText(int x, int y, std::string_view text);
    void SelectChartFont(std::string_view face, int height, int bold);
    // Text in UTF-8 (symbols, degree signs); the modern page only.
    void DrawTextUtf8(int x, int y, std::string_view text);

    // The ink of `text` in the current font, in page units relative to the text's point.
    TextInk MeasureText(std::string_view text, bool utf8 = false) const;
    // The same in another font, without selecting it.
    TextInk MeasureTextIn(std::string_view face, int height, int bold, std::string_view text,
                          bool utf8) const;
    bool Modern() const { return m_style == PageStyle::Modern; }

    // The box `text` would cover at (x, y) in the current font.
    PageBox BoxOf(int x, int y, std::string_view text, bool utf8 = false) const {
        return InkBox(x, y, MeasureText(text, utf8));
    }
    // Whether `box` (grown by `margin`) stays clear of every text drawn so far (modern only).
    bool IsClear(const PageBox& box, int margin = 0) const;
    // Draws the text only where it stays clear of every text drawn so far; the classic page
    // always draws it. True when drawn.
    bool TryDrawText(int x, int y, std::string_view text, bool utf8 = false);
    // Marks a box as taken, for texts that later elements must keep away from.
    void Reserve(const PageBox& box) { m_placed.push_back(box); }

    int OriginX() const { return m_originX; }
    int OriginY() const { return m_originY; }
    int PenWidth() const { return m_penWidth; }
    COLORREF PenColor() const { return m_penColor; }

private:
    void RecordBox(int x, int y, std::string_view text, bool utf8);
    void Text(int x, int y, std::string_view text, bool utf8);

    CDrawingDevice& m_device;
    PageStyle m_style;
    std::string m_fontFace = "Arial";
    int m_fontHeight = 0;
    int m_fontBold = 0;
    std::vector<PageBox> m_placed;
    int m_originX = 200;
    int m_originY = -300;
    int m_penWidth = 1;  // page units
    COLORREF m_penColor = 0;
};
