#include "study/study_plots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/colorref.h"
#include "prices/price_chart.h"

namespace study {

namespace {

constexpr int kFontPixels = 12;
constexpr int kTitlePixels = 14;
constexpr COLORREF kTextColor = RGB(0, 0, 0);
constexpr COLORREF kAxisColor = RGB(96, 96, 96);
constexpr COLORREF kGridColor = RGB(225, 225, 225);
constexpr COLORREF kBandColor = RGB(200, 215, 240);
constexpr COLORREF kPathColor = RGB(20, 60, 170);
constexpr COLORREF kEventColor = RGB(200, 40, 40);
constexpr COLORREF kBaselineColor = RGB(175, 175, 175);

int U(double pixels) {
    return static_cast<int>(std::lround(pixels * kPlotUnitsPerPixel));
}
int UY(double pixels) {
    return -U(pixels);
}

std::string Number(double value, double step) {
    const int decimals =
        step >= 1 ? 0 : std::min(6, static_cast<int>(std::ceil(-std::log10(step))));
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, std::fabs(value) < step / 1e6 ? 0.0 : value);
    return text;
}

// The plot area in pixels and the mapping of values into it.
struct Area {
    double left, right, top, bottom;
    double x0, x1, y0, y1;  // the values at the edges
    double X(double x) const { return left + (x - x0) / (x1 - x0) * (right - left); }
    double Y(double y) const { return bottom - (y - y0) / (y1 - y0) * (bottom - top); }
};

void Font(CDrawingDevice& device, int pixels, int bold) {
    device.SelectFont("Arial", pixels * kPlotUnitsPerPixel, bold);
}

// The frame, the value grid of the y axis with labels, and the title.
void DrawAxes(CDrawingDevice& device, const Area& area, const std::string& title,
              const std::string& yLabel) {
    const double step = prices::NiceStep((area.y1 - area.y0) / 6);
    device.SetPenWidth(kPlotUnitsPerPixel);
    Font(device, kFontPixels, 0);
    for (double y = std::ceil(area.y0 / step) * step; y <= area.y1 + step * 1e-9; y += step) {
        device.SetPenColor(kGridColor);
        device.Line(U(area.left), UY(area.Y(y)), U(area.right), UY(area.Y(y)));
        device.SetPenColor(kTextColor);
        const std::string label = Number(y, step);
        device.Text(U(area.left - 8 - 7 * static_cast<double>(label.size())),
                    UY(area.Y(y) - kFontPixels / 2.0), label);
    }
    device.SetPenColor(kAxisColor);
    device.Line(U(area.left), UY(area.top), U(area.left), UY(area.bottom));
    device.Line(U(area.left), UY(area.bottom), U(area.right), UY(area.bottom));
    device.Line(U(area.right), UY(area.top), U(area.right), UY(area.bottom));
    device.Line(U(area.left), UY(area.top), U(area.right), UY(area.top));
    device.SetPenColor(kTextColor);
    Font(device, kTitlePixels, 1);
    device.Text(U(area.left), UY(6), title);
    Font(device, kFontPixels, 0);
    device.Text(U(area.left), UY(area.top - kFontPixels - 4), yLabel);
}

void FillWhite(CDrawingDevice& device, int width, int height) {
    device.SetPenColor(RGB(255, 255, 255));
    device.FillRect(0, 0, U(width), UY(height));
}

}  // namespace

void DrawPathPlot(CDrawingDevice& device, int width, int height, const AveragePath& path,
                  const std::string& title) {
    FillWhite(device, width, height);
    const int count = static_cast<int>(path.mean.size());
    double low = 0, high = 0;
    for (int k = 0; k < count; ++k)
        for (double value : {path.mean[k], path.low[k], path.high[k]})
            if (std::isfinite(value)) {
                low = std::min(low, value * 100);
                high = std::max(high, value * 100);
            }
    if (high - low < 1e-9) high = low + 1;
    const double margin = (high - low) * 0.08;
    Area area{70,
              std::max(80.0, width - 20.0),
              48,
              std::max(60.0, height - 40.0),
              static_cast<double>(-path.before),
              static_cast<double>(std::max(path.after, 1 - path.before)),
              low - margin,
              high + margin};
    if (area.x1 <= area.x0) area.x1 = area.x0 + 1;
    DrawAxes(device, area, title,
             "average cumulative log return, % (n = " + std::to_string(path.n) +
                 "); band: 95% of random draws");

    // The band, one vertical stroke a pixel, between the offsets' values.
    device.SetPenColor(kBandColor);
    device.SetPenWidth(kPlotUnitsPerPixel);
    device.SetPenEnds(CDrawingDevice::PenEnds::Flat);
    for (double x = area.left; x <= area.right; x += 1.0) {
        const double offset =
            area.x0 + (x - area.left) / (area.right - area.left) * (area.x1 - area.x0);
        const int k = std::clamp(static_cast<int>(std::floor(offset)) + path.before, 0, count - 1);
        const int k2 = std::min(k + 1, count - 1);
        const double share = std::clamp(offset + path.before - k, 0.0, 1.0);
        const double bandLow = path.low[k] + (path.low[k2] - path.low[k]) * share;
        const double bandHigh = path.high[k] + (path.high[k2] - path.high[k]) * share;
        if (!std::isfinite(bandLow) || !std::isfinite(bandHigh)) continue;
        device.Line(U(x), UY(area.Y(bandLow * 100)), U(x), UY(area.Y(bandHigh * 100)));
    }
    device.SetPenEnds(CDrawingDevice::PenEnds::Round);

    // The zero line, the event, and the offsets along the bottom.
    device.SetPenColor(kAxisColor);
    device.Line(U(area.left), UY(area.Y(0)), U(area.right), UY(area.Y(0)));
    device.SetPenColor(kEventColor);
    device.Line(U(area.X(0)), UY(area.top), U(area.X(0)), UY(area.bottom));
    Font(device, kFontPixels, 0);
    device.SetPenColor(kTextColor);
    const int tick = count > 40 ? 10 : 5;
    for (int offset = -path.before; offset <= path.after; ++offset) {
        if (offset % tick != 0) continue;
        const double x = area.X(offset);
        device.SetPenColor(kAxisColor);
        device.Line(U(x), UY(area.bottom), U(x), UY(area.bottom + 4));
        device.SetPenColor(kTextColor);
        const std::string label = std::to_string(offset);
        device.Text(U(x - 3.5 * static_cast<double>(label.size())), UY(area.bottom + 6), label);
    }
    device.Text(U(area.left), UY(area.bottom + 8 + kFontPixels),
                "bars from the close before the event's bar");

    device.SetPenColor(kPathColor);
    device.SetPenWidth(2 * kPlotUnitsPerPixel);
    for (int k = 0; k + 1 < count; ++k) {
        if (!std::isfinite(path.mean[k]) || !std::isfinite(path.mean[k + 1])) continue;
        device.Line(U(area.X(k - path.before)), UY(area.Y(path.mean[k] * 100)),
                    U(area.X(k + 1 - path.before)), UY(area.Y(path.mean[k + 1] * 100)));
    }
    device.SetPenWidth(kPlotUnitsPerPixel);
}

void DrawReturnHistogram(CDrawingDevice& device, int width, int height,
                         const std::vector<double>& events, const std::vector<double>& baseline,
                         const std::string& title) {
    FillWhite(device, width, height);
    // Bins over the middle 99% of every bar's returns and all of the events', in percent.
    std::vector<double> sorted = baseline;
    std::sort(sorted.begin(), sorted.end());
    double low = 0, high = 0;
    if (!sorted.empty()) {
        low = sorted[static_cast<std::size_t>(0.005 * static_cast<double>(sorted.size() - 1))];
        high = sorted[static_cast<std::size_t>(0.995 * static_cast<double>(sorted.size() - 1))];
    }
    for (double value : events) {
        low = std::min(low, value);
        high = std::max(high, value);
    }
    low *= 100;
    high *= 100;
    if (high - low < 1e-9) {
        low -= 0.5;
        high += 0.5;
    }
    constexpr int kBins = 30;
    const double binWidth = (high - low) / kBins;
    const auto shares = [&](const std::vector<double>& values) {
        std::vector<double> counts(kBins, 0.0);
        for (double value : values) {
            const int bin =
                std::clamp(static_cast<int>((value * 100 - low) / binWidth), 0, kBins - 1);
            counts[bin] += 1;
        }
        for (double& c : counts) c /= std::max<double>(1, static_cast<double>(values.size()));
        return counts;
    };
    const std::vector<double> eventShares = shares(events);
    const std::vector<double> baseShares = shares(baseline);
    double top = 0;
    for (int b = 0; b < kBins; ++b)
        top = std::max({top, eventShares[b] * 100, baseShares[b] * 100});
    if (top <= 0) top = 1;
    Area area{
        70,       std::max(80.0, width - 20.0), 48, std::max(60.0, height - 40.0), low, high, 0,
        top * 1.1};
    DrawAxes(device, area, title, "share of returns, %");

    device.SetPenColor(kBaselineColor);
    for (int b = 0; b < kBins; ++b) {
        if (baseShares[b] <= 0) continue;
        device.FillRect(U(area.X(low + b * binWidth) + 1), UY(area.Y(0)),
                        U(area.X(low + (b + 1) * binWidth) - 1), UY(area.Y(baseShares[b] * 100)));
    }
    device.SetPenColor(kPathColor);
    device.SetPenWidth(2 * kPlotUnitsPerPixel);
    for (int b = 0; b < kBins; ++b) {
        if (eventShares[b] <= 0) continue;
        const double x1 = area.X(low + b * binWidth) + 2, x2 = area.X(low + (b + 1) * binWidth) - 2;
        const double y = area.Y(eventShares[b] * 100);
        device.Line(U(x1), UY(area.bottom), U(x1), UY(y));
        device.Line(U(x1), UY(y), U(x2), UY(y));
        device.Line(U(x2), UY(y), U(x2), UY(area.bottom));
    }
    device.SetPenWidth(kPlotUnitsPerPixel);

    const auto mean = [](const std::vector<double>& values) {
        double sum = 0;
        for (double value : values) sum += value;
        return values.empty() ? 0.0 : sum / static_cast<double>(values.size()) * 100;
    };
    device.SetPenColor(kAxisColor);
    device.Line(U(area.X(mean(baseline))), UY(area.top), U(area.X(mean(baseline))),
                UY(area.bottom));
    device.SetPenColor(kEventColor);
    device.Line(U(area.X(mean(events))), UY(area.top), U(area.X(mean(events))), UY(area.bottom));

    Font(device, kFontPixels, 0);
    const double step = prices::NiceStep((high - low) / 6);
    for (double x = std::ceil(low / step) * step; x <= high + step * 1e-9; x += step) {
        device.SetPenColor(kAxisColor);
        device.Line(U(area.X(x)), UY(area.bottom), U(area.X(x)), UY(area.bottom + 4));
        device.SetPenColor(kTextColor);
        const std::string label = Number(x, step);
        device.Text(U(area.X(x) - 3.5 * static_cast<double>(label.size())), UY(area.bottom + 6),
                    label);
    }
    char legend[160];
    std::snprintf(legend, sizeof legend,
                  "log return, %%; outlined: the events (n = %zu), grey: every bar (n = %zu); "
                  "red line: events' mean",
                  events.size(), baseline.size());
    device.Text(U(area.left), UY(area.bottom + 8 + kFontPixels), legend);
}

}  // namespace study
