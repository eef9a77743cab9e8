#include "chart/chart_dc.h"

CChartDC::CChartDC(CDrawingDevice& device, PageStyle style) : m_device(device), m_style(style) {
    m_device.Begin();
    if (Modern()) m_device.SetScalableText(true);
}

CChartDC::~CChartDC() {
    m_device.End();
}

void CChartDC::SetColor(COLORREF color) {
    m_penColor = color;
    m_device.SetPenColor(color);
}

void CChartDC::SetPenWidth(int width) {
    m_penWidth = width;
    m_device.SetPenWidth(width);
}

// Page to surface: (x + originX, y + originY - 10000). Done in 64 bits and clamped so that
// extreme coordinates from odd job files stay defined.
static int ToSurface(int value, int shift) {
    long long v = static_cast<long long>(value) + shift;
    if (v > 2147483647LL) return 2147483647;
    if (v < -2147483647LL - 1) return -2147483647 - 1;
    return static_cast<int>(v);
}

void CChartDC::DrawLine(int x1, int y1, int x2, int y2) {
    const int dy = m_originY - 10000;
    m_device.Line(ToSurface(x1, m_originX), ToSurface(y1, dy), ToSurface(x2, m_originX),
                  ToSurface(y2, dy));
}

void CChartDC::DrawCircle(int x, int y, int radius, int fill) {
    m_device.Circle(ToSurface(x, m_originX), ToSurface(y, m_originY - 10000), radius, fill);
}

void CChartDC::DrawText(int x, int y, std::string_view text) {
    Text(x, y, text, false);
}

void CChartDC::DrawTextUtf8(int x, int y, std::string_view text) {
    Text(x, y, text, true);
}

void CChartDC::Text(int x, int y, std::string_view text, bool utf8) {
    const int sx = ToSurface(x, m_originX);
    const int sy = ToSurface(y, m_originY - 10000);
    if (!Modern()) {
        utf8 ? m_device.TextUtf8(sx, sy, text) : m_device.Text(sx, sy, text);
        return;
    }
    const COLORREF readable = ReadableOnWhite(m_penColor);
    if (readable != (m_penColor & 0xFFFFFF)) m_device.SetPenColor(readable);
    utf8 ? m_device.TextUtf8(sx, sy, text) : m_device.Text(sx, sy, text);
    RecordBox(x, y, text, utf8);
    if (readable != (m_penColor & 0xFFFFFF)) m_device.SetPenColor(m_penColor);
}

bool CChartDC::IsClear(const PageBox& box, int margin) const {
    const PageBox grown = box.Grown(margin);
    for (const PageBox& placed : m_placed)
        if (grown.Intersects(placed)) return false;
    return true;
}

bool CChartDC::TryDrawText(int x, int y, std::string_view text, bool utf8) {
    if (Modern() && !IsClear(BoxOf(x, y, text, utf8), 10)) return false;
    Text(x, y, text, utf8);
    return true;
}

void CChartDC::SelectChartFont(std::string_view face, int height, int bold) {
    m_fontFace.assign(face);
    m_fontHeight = height;
    m_fontBold = bold;
    m_device.SelectFont(face, height, bold);
}

TextInk CChartDC::MeasureText(std::string_view text, bool utf8) const {
    return MeasureTextIn(m_fontFace, m_fontHeight, m_fontBold, text, utf8);
}

TextInk CChartDC::MeasureTextIn(std::string_view face, int height, int bold, std::string_view text,
                                bool utf8) const {
    static const CEstimatedTextMetrics estimate;
    const CTextMetrics* metrics = m_device.TextMetrics();
    return (metrics ? *metrics : estimate).Measure(face, height, bold, text, utf8);
}

void CChartDC::RecordBox(int x, int y, std::string_view text, bool utf8) {
    const TextInk ink = MeasureText(text, utf8);
    if (!ink.Empty()) m_placed.push_back(InkBox(x, y, ink));
    m_device.TextBox(ToSurface(x + ink.left, m_originX), ToSurface(y - ink.top, m_originY - 10000),
                     ink.width, ink.height);
}
