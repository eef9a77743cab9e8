#pragma once
#include <string>
#include <string_view>

#include "platform/drawing_device.h"

// Records a page as its display list in page coordinates, one drawing-context operation per
// line, in drawing order: begin, end, color, width, ends, font, line, circle, text, box, rect,
// message.
// The trace is a product feature (diffable regression goldens and bug reports): keep it exact.
class CTraceDevice : public CDrawingDevice {
public:
    void Begin() override;
    void End() override;
    void SetPenColor(COLORREF color) override;
    void SetPenWidth(int width) override;
    void SelectFont(std::string_view face, int height, int bold) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void Circle(int x, int y, int radius, int fill) override;
    void Text(int x, int y, std::string_view text) override;
    // "ends round" / "ends flat" (never on chart pages).
    void SetPenEnds(PenEnds ends) override;
    // "rect X1 Y1 X2 Y2" (never on chart pages, which fill nothing).
    void FillRect(int x1, int y1, int x2, int y2) override;
    // "box X Y W H": the ink box of the text before (left, top, width, height), recorded only
    // where a page asks for it.
    void TextBox(int x, int y, int width, int height) override;
    // The font metrics that the boxes (and layouts that measure) use: the real fonts where the
    // caller has them; without, an estimate.
    void SetTextMetrics(const CTextMetrics* metrics) { m_metrics = metrics; }
    const CTextMetrics* TextMetrics() const override { return m_metrics; }
    // A message box shown while drawing.
    void Message(std::string_view text);

    const std::string& Trace() const { return m_trace; }
    void Clear() { m_trace.clear(); }

    // Quotes text as the trace does: \ and " escaped with a backslash, bytes below 0x20 and
    // from 0x7F up as \xHH (lower-case hex).
    static std::string Quote(std::string_view text);

private:
    std::string m_trace;
    const CTextMetrics* m_metrics = nullptr;
};
