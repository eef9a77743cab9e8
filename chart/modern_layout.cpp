#include "chart/modern_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/chart_dc.h"
#include "ephemeris/bodies.h"

namespace {

double Linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF color) {
    return 0.2126 * Linear(GetRValue(color)) + 0.7152 * Linear(GetGValue(color)) +
           0.0722 * Linear(GetBValue(color));
}

}  // namespace

double WheelText::Reach(double angle) const {
    const double a = angle * 3.14159265358979323846 / 180.0;
    return std::abs(HalfWidth() * std::cos(a)) + std::abs(HalfHeight() * std::sin(a));
}

void CentreText(const TextInk& ink, double cx, double cy, int& x, int& y) {
    x = static_cast<int>(std::lround(cx - ink.left - ink.width / 2.0));
    y = static_cast<int>(std::lround(cy + ink.top + ink.height / 2.0));
}

PageBox WheelBox(const WheelText& text, int cx, int cy, double r, double angle) {
    const double a = angle * 3.14159265358979323846 / 180.0;
    int x = 0, y = 0;
    CentreText(text.ink, cx + r * std::cos(a), cy + r * std::sin(a), x, y);
    return InkBox(x, y, text.ink);
}

double ContrastOnWhite(COLORREF color) {
    return 1.05 / (Luminance(color) + 0.05);
}

COLORREF ReadableOnWhite(COLORREF color, double ratio) {
    color &= 0xFFFFFF;
    if (ContrastOnWhite(color) >= ratio) return color;
    // Darken in steps of 1/64: the first shade that reads is the nearest one.
    for (int step = 63; step >= 0; --step) {
        const double f = step / 64.0;
        const COLORREF shade =
            RGB(static_cast<int>(GetRValue(color) * f), static_cast<int>(GetGValue(color) * f),
                static_cast<int>(GetBValue(color) * f));
        if (ContrastOnWhite(shade) >= ratio) return shade;
    }
    return 0;
}

namespace {
// No line of the page holds more characters than this: longer texts (from odd job files) are
// cut before they are measured, so that a huge text costs no more than a long one.
constexpr std::size_t kMostCharacters = 1000;
}  // namespace

std::string ElideToWidth(const CChartDC& dc, std::string_view text, int width) {
    const bool cut = text.size() > kMostCharacters;
    text = text.substr(0, kMostCharacters);
    if (!cut && dc.MeasureText(text).width <= width) return std::string(text);
    // The longest start that fits with "..." after it.
    std::size_t low = 0, high = text.size();
    while (low < high) {
        const std::size_t mid = (low + high + 1) / 2;
        const std::string candidate = std::string(text.substr(0, mid)) + "...";
        if (dc.MeasureText(candidate).width <= width)
            low = mid;
        else
            high = mid - 1;
    }
    const std::string shortened = std::string(text.substr(0, low)) + "...";
    return dc.MeasureText(shortened).width <= width ? shortened : std::string();
}

std::vector<std::string> WrapToWidth(const CChartDC& dc, std::string_view text, int width) {
    text = text.substr(0, 4 * kMostCharacters);
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && text[at] == ' ') ++at;
        if (at >= text.size()) break;
        std::size_t end = text.find(' ', at);
        if (end == std::string_view::npos) end = text.size();
        std::string word(text.substr(at, end - at));
        at = end;
        const std::string joined = line.empty() ? word : line + " " + word;
        if (dc.MeasureText(joined).width <= width) {
            line = joined;
            continue;
        }
        if (!line.empty()) lines.push_back(line);
        // A word wider than the line is cut into pieces that fit.
        while (dc.MeasureText(word).width > width && word.size() > 1) {
            std::size_t low = 1, high = word.size() - 1;  // the longest start that fits
            while (low < high) {
                const std::size_t mid = (low + high + 1) / 2;
                if (dc.MeasureText(word.substr(0, mid)).width <= width)
                    low = mid;
                else
                    high = mid - 1;
            }
            lines.push_back(word.substr(0, low));
            word.erase(0, low);
        }
        line = word;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string ZodiacPosition(double longitude, bool retrograde) {
    double value = std::fmod(longitude, 360.0);
    if (!(value >= 0.0)) value = std::isnan(value) ? 0.0 : value + 360.0;
    long long minutes = std::llround(value * 60.0);
    if (minutes >= 360LL * 60) minutes = 0;
    const int sign = static_cast<int>(minutes / (30 * 60));
    const int degree = static_cast<int>(minutes / 60 % 30);
    const int minute = static_cast<int>(minutes % 60);
    char text[64];
    std::snprintf(text, sizeof text, "%d\u00B0%s%02d\u2032%s", degree, ZodiacSignGlyph(sign),
                  minute, retrograde ? " \u211E" : "");
    return text;
}

double DeclinationOf(double longitude, double latitude, double jed) {
    constexpr double kRad = 3.14159265358979323846 / 180.0;
    const double t = (jed - 2451545.0) / 36525.0;
    const double epsilon = (23.439291 - 0.0130042 * t) * kRad;
    const double l = longitude * kRad;
    const double b = latitude * kRad;
    const double s =
        std::sin(b) * std::cos(epsilon) + std::cos(b) * std::sin(epsilon) * std::sin(l);
    return std::asin(std::clamp(s, -1.0, 1.0)) / kRad;
}
