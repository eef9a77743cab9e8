#include "render/trace_device.h"

#include <charconv>
#include <cstdio>

namespace {
// The drawing context maps page (x, y) to surface (x + 200, y - 10300); the trace is in page
// coordinates.
constexpr long long kSurfaceToPageX = -200;
constexpr long long kSurfaceToPageY = 10300;

// A page has thousands of numbers: written in place, without a string for each.
void AppendNumber(std::string& out, long long value) {
    char text[24] = {' '};
    const std::to_chars_result end = std::to_chars(text + 1, text + sizeof text, value);
    out.append(text, end.ptr);
}
}  // namespace

std::string CTraceDevice::Quote(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
    return out;
}

void CTraceDevice::Begin() {
    m_trace += "begin\n";
}
void CTraceDevice::End() {
    m_trace += "end\n";
}

void CTraceDevice::SetPenColor(COLORREF color) {
    char line[32];
    std::snprintf(line, sizeof line, "color %08X\n", static_cast<unsigned>(color));
    m_trace += line;
}

void CTraceDevice::SetPenWidth(int width) {
    m_trace += "width";
    AppendNumber(m_trace, width);
    m_trace += '\n';
}

void CTraceDevice::SetPenEnds(PenEnds ends) {
    m_trace += ends == PenEnds::Flat ? "ends flat\n" : "ends round\n";
}

void CTraceDevice::SelectFont(std::string_view face, int height, int bold) {
    m_trace += "font ";
    m_trace += face;
    AppendNumber(m_trace, height);
    AppendNumber(m_trace, bold);
    m_trace += '\n';
}

void CTraceDevice::Line(int x1, int y1, int x2, int y2) {
    m_trace += "line";
    AppendNumber(m_trace, x1 + kSurfaceToPageX);
    AppendNumber(m_trace, y1 + kSurfaceToPageY);
    AppendNumber(m_trace, x2 + kSurfaceToPageX);
    AppendNumber(m_trace, y2 + kSurfaceToPageY);
    m_trace += '\n';
}

void CTraceDevice::Circle(int x, int y, int radius, int fill) {
    m_trace += "circle";
    AppendNumber(m_trace, x + kSurfaceToPageX);
    AppendNumber(m_trace, y + kSurfaceToPageY);
    AppendNumber(m_trace, radius);
    AppendNumber(m_trace, fill);
    m_trace += '\n';
}

void CTraceDevice::Text(int x, int y, std::string_view text) {
    m_trace += "text";
    AppendNumber(m_trace, x + kSurfaceToPageX);
    AppendNumber(m_trace, y + kSurfaceToPageY);
    m_trace += ' ';
    m_trace += Quote(text);
    m_trace += '\n';
}

void CTraceDevice::TextBox(int x, int y, int width, int height) {
    m_trace += "box";
    AppendNumber(m_trace, x + kSurfaceToPageX);
    AppendNumber(m_trace, y + kSurfaceToPageY);
    AppendNumber(m_trace, width);
    AppendNumber(m_trace, height);
    m_trace += '\n';
}

void CTraceDevice::FillRect(int x1, int y1, int x2, int y2) {
    m_trace += "rect";
    AppendNumber(m_trace, x1 + kSurfaceToPageX);
    AppendNumber(m_trace, y1 + kSurfaceToPageY);
    AppendNumber(m_trace, x2 + kSurfaceToPageX);
    AppendNumber(m_trace, y2 + kSurfaceToPageY);
    m_trace += '\n';
}

void CTraceDevice::Message(std::string_view text) {
    m_trace += "message ";
    m_trace += Quote(text);
    m_trace += '\n';
}
