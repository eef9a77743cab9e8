#include "chart/chart_dc.h"

CChartDC::CChartDC(CDrawingDevice& device, PageStyle style) : m_device(device), m_style(style) {
    m_device.Begin();
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
    m_device.Text(ToSurface(x, m_originX), ToSurface(y, m_originY - 10000), text);
    if (Modern()) RecordBox(x, y, text, false);
}

void CChartDC::DrawTextUtf8(int x, int y, std::string_view text) {
    m_device.TextUtf8(ToSurface(x, m_originX), ToSurface(y, m_originY - 10000), text);
    if (Modern()) RecordBox(x, y, text, true);
}

void CChartDC::SelectChartFont(std::string_view face, int height, int bold) {
    m_fontFace.assign(face);
    m_fontHeight = height;
    m_fontBold = bold;
    m_device.SelectFont(face, height, bold);
}

TextInk CChartDC::MeasureText(std::string_view text, bool utf8) const {
    static const CEstimatedTextMetrics estimate;
    const CTextMetrics* metrics = m_device.TextMetrics();
    return (metrics ? *metrics : estimate)
        .Measure(m_fontFace, m_fontHeight, m_fontBold, text, utf8);
}

void CChartDC::RecordBox(int x, int y, std::string_view text, bool utf8) {
    const TextInk ink = MeasureText(text, utf8);
    m_device.TextBox(ToSurface(x + ink.left, m_originX),
                     ToSurface(y - ink.top, m_originY - 10000), ink.width, ink.height);
}
