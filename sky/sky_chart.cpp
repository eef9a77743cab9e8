#include "sky/sky_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "prices/ohlc.h"

namespace sky {

namespace {

using prices::BodyMotion;
using prices::CChartFrame;
using prices::kUnitsPerPixel;

constexpr double kDials[] = {360.0, 180.0, 120.0, 90.0, 60.0, 45.0, 30.0, 22.5};
constexpr int kFontPixels = 13;
constexpr int kTitlePixels = 16;

constexpr COLORREF kAxisColor = RGB(96, 96, 96);
constexpr COLORREF kGridColor = RGB(226, 226, 226);
constexpr COLORREF kSignColor = RGB(200, 200, 215);
constexpr COLORREF kTextColor = RGB(0, 0, 0);

// Julian days (UT) the precise source computes, and the years the series are taken for.
constexpr double kPreciseFirstJd = 625001.5;
constexpr double kPreciseLastJd = 2817998.5;
constexpr double kJdOf1970 = 2440587.5;

constexpr const char* kSigns[] = {"Ari", "Tau", "Gem", "Can", "Leo", "Vir",
                                  "Lib", "Sco", "Sag", "Cap", "Aqu", "Pis"};

int U(double pixels) {
    return static_cast<int>(std::lround(pixels * kUnitsPerPixel));
}
int UY(double pixels) {
    return -static_cast<int>(std::lround(pixels * kUnitsPerPixel));
}

// A date for a message; an instant no calendar reaches (NaN, 1e300) as the number it is, since
// the calendar's arithmetic would overflow on it.
std::string DateText(double seconds) {
    if (!(std::fabs(seconds) < 1e13)) {
        char text[48];
        std::snprintf(text, sizeof text, "%g seconds from 1970", seconds);
        return text;
    }
    return prices::FormatBarTime(seconds, false);
}

// Degree ticks: the finest of a ladder of steps that keeps them 36 pixels apart.
double DegreeStep(const CChartFrame& frame) {
    static constexpr double kSteps[] = {0.25, 0.5, 1, 2, 2.5, 5, 7.5, 10, 15, 30, 45, 90};
    const prices::ChartWindow& w = frame.Window();
    const double perPixel = (w.priceHigh - w.priceLow) / (frame.Bottom() - frame.Top());
    for (double step : kSteps) {
        if (step / perPixel >= 36.0) return step;
    }
    return 90.0;
}

void DrawAxes(CDrawingDevice& device, const SkyChartOptions& options, const CChartFrame& frame) {
    const prices::ChartWindow& w = frame.Window();
    const double step = DegreeStep(frame);
    const std::vector<prices::TimeTick> timeTicks = prices::TimeAxisTicks(frame);
    const double bottom = frame.PlotBottom();
    device.SetPenWidth(0);
    std::vector<double> degrees;
    for (double k = std::ceil(w.priceLow / step); k * step <= w.priceHigh && degrees.size() < 400;
         ++k) {
        degrees.push_back(k * step);
    }
    for (double degree : degrees) {
        // The signs' cusps stand out on the dials they fall on.
        const bool cusp = std::fmod(degree, 30.0) == 0.0 && options.dial >= 60.0;
        device.SetPenColor(cusp ? kSignColor : kGridColor);
        const double y = frame.YOfPrice(degree);
        device.Line(U(frame.Left()), UY(y), U(frame.Right()), UY(y));
    }
    device.SetPenColor(kGridColor);
    for (const prices::TimeTick& tick : timeTicks) {
        const double x = frame.XOfTime(tick.seconds);
        device.Line(U(x), UY(frame.Top()), U(x), UY(bottom));
    }
    device.SetPenColor(kAxisColor);
    device.Line(U(frame.Left()), UY(frame.Top()), U(frame.Right()), UY(frame.Top()));
    device.Line(U(frame.Right()), UY(frame.Top()), U(frame.Right()), UY(bottom));
    device.Line(U(frame.Right()), UY(bottom), U(frame.Left()), UY(bottom));
    device.Line(U(frame.Left()), UY(bottom), U(frame.Left()), UY(frame.Top()));
    device.Line(U(frame.Left()), UY(frame.Bottom()), U(frame.Right()), UY(frame.Bottom()));
    for (int pane = 0; pane < frame.PaneCount(); ++pane) {
        device.Line(U(frame.Left()), UY(frame.PaneTop(pane)), U(frame.Right()),
                    UY(frame.PaneTop(pane)));
    }
    for (const prices::TimeTick& tick : timeTicks) {
        const double x = frame.XOfTime(tick.seconds);
        device.Line(U(x), UY(bottom), U(x), UY(bottom + 4));
    }
    device.SelectFont("Arial", kFontPixels * kUnitsPerPixel, 0);
    device.SetPenColor(kTextColor);
    char text[48];
    for (double degree : degrees) {
        const double y = frame.YOfPrice(degree);
        device.Line(U(frame.Right()), UY(y), U(frame.Right() + 4), UY(y));
        if (options.dial == 360.0 && std::fmod(degree, 30.0) == 0.0 && degree < 360.0) {
            std::snprintf(text, sizeof text, "%g\xB0 %s", degree,
                          kSigns[static_cast<int>(degree / 30.0) % 12]);
        } else {
            std::snprintf(text, sizeof text, "%g\xB0", degree);
        }
        device.Text(U(frame.Right() + 7), UY(y - kFontPixels / 2.0), text);
    }
    for (const prices::TimeTick& tick : timeTicks) {
        const double x = frame.XOfTime(tick.seconds);
        device.Text(U(x + 3), UY(bottom + 6), tick.label);
    }
}

void DrawLevels(CDrawingDevice& device, const SkyChartOptions& options, const CChartFrame& frame) {
    if (options.levels.empty()) return;
    prices::CClippedPolyline clip(device, frame.Left(), frame.Top(), frame.Right(), frame.Bottom(),
                                  kUnitsPerPixel);
    device.SetPenWidth(4);
    for (const SkyLevel& level : options.levels) {
        const double y = frame.YOfPrice(Fold(level.longitude, options.dial));
        device.SetPenColor(level.color);
        clip.Line(frame.Left(), y, frame.Right(), y);
    }
    device.SelectFont("Arial", (kFontPixels - 2) * kUnitsPerPixel, 0);
    for (const SkyLevel& level : options.levels) {
        const double y = frame.YOfPrice(Fold(level.longitude, options.dial));
        if (y < frame.Top() + kFontPixels || y > frame.Bottom()) continue;
        device.SetPenColor(level.color);
        const double width = static_cast<double>(level.label.size()) * (kFontPixels - 2) * 0.58;
        device.Text(U(frame.Right() - 4 - width), UY(y - kFontPixels), level.label);
    }
}

void DrawBodies(CDrawingDevice& device, const SkyChartOptions& options, const CChartFrame& frame,
                SkyCache& cache) {
    if (options.bodies.empty()) return;
    const prices::ColumnGrid grid = prices::GridOf(frame);
    cache.columns.resize(grid.count);
    cache.longitudes.resize(grid.count);
    for (std::size_t i = 0; i < grid.count; ++i) {
        cache.columns[i] = frame.XOfTime(
            static_cast<double>(grid.first + static_cast<std::int64_t>(i)) * grid.step);
    }
    prices::CClippedPolyline polyline(device, frame.Left(), frame.Top(), frame.Right(),
                                      frame.Bottom(), kUnitsPerPixel, options.quality);
    device.SetPenWidth(6);
    std::vector<int> codes;
    for (const prices::BodyStyle& body : options.bodies) codes.push_back(body.code);
    std::vector<const BodyMotion*> sampled;
    cache.motions.SampleMany(codes, options.source, grid.step, grid.first, grid.count, sampled);
    for (std::size_t b = 0; b < options.bodies.size(); ++b) {
        const prices::BodyStyle& body = options.bodies[b];
        const BodyMotion* motions = sampled[b];
        for (std::size_t i = 0; i < grid.count; ++i) cache.longitudes[i] = motions[i].longitude;
        std::size_t pieces = 0;
        FoldedPieces(cache.columns.data(), cache.longitudes.data(), grid.count, options.dial,
                     cache.pieces, pieces);
        device.SetPenColor(body.color);
        for (std::size_t p = 0; p < pieces; ++p) {
            for (const prices::LinePoint& point : cache.pieces[p]) {
                polyline.Add(point.x, frame.YOfPrice(point.price));
            }
            polyline.Finish();
        }
    }
}

void DrawLegend(CDrawingDevice& device, const SkyChartOptions& options, const CChartFrame& frame) {
    device.SelectFont("Arial", kTitlePixels * kUnitsPerPixel, 1);
    device.SetPenColor(kTextColor);
    // A title is a file name or the user's own words: UTF-8.
    if (!options.title.empty()) device.TextUtf8(U(frame.Left()), UY(6), options.title);
    if (options.bodies.empty()) return;
    device.SelectFont("Arial", kFontPixels * kUnitsPerPixel, 0);
    const double rowHeight = kFontPixels + 3;
    const double left = frame.Left() + 3, top = frame.Top() + 3;
    const double height = 3 + rowHeight * static_cast<double>(options.bodies.size() + 1) + 3;
    const double right = std::min(frame.Right() - 1, left + 250);
    device.SetPenColor(RGB(255, 255, 255));
    device.FillRect(U(left), UY(top), U(right), UY(top + height));
    device.SetPenColor(kGridColor);
    device.Line(U(left), UY(top + height), U(right), UY(top + height));
    device.Line(U(right), UY(top + height), U(right), UY(top));
    double y = top + 3;
    for (const prices::BodyStyle& body : options.bodies) {
        const Body* named = BodyOfCode(body.code);
        device.SetPenColor(body.color);
        device.Text(U(left + 5), UY(y), named != nullptr ? named->name : std::to_string(body.code));
        y += rowHeight;
    }
    char text[160];
    std::snprintf(text, sizeof text, "%s\xB0 dial, %s, %s positions",
                  DialName(options.dial).c_str(),
                  options.frame == Frame::Geocentric ? "geocentric" : "heliocentric",
                  PositionSourceName(options.source));
    device.SetPenColor(kAxisColor);
    device.Text(U(left + 5), UY(y), text);
}

}  // namespace

std::span<const double> Dials() {
    return kDials;
}

std::string DialName(double dial) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", dial);
    return text;
}

bool ParseDial(std::string_view text, double& dial) {
    for (double candidate : kDials) {
        if (text == DialName(candidate)) {
            dial = candidate;
            return true;
        }
    }
    return false;
}

double Fold(double longitude, double dial) {
    double folded = std::fmod(longitude, dial);
    if (folded < 0.0) folded += dial;
    // fmod of a value just below 0 can round up to exactly the dial.
    if (folded >= dial) folded = 0.0;
    return folded;
}

void FoldedPieces(const double* x, const double* longitude, std::size_t samples, double dial,
                  std::vector<std::vector<prices::LinePoint>>& pieces, std::size_t& count) {
    // The dial scaled to a circle: a wrap is a step of more than half the dial between samples,
    // which is the price lines' turn from one circle to the next.
    static thread_local std::vector<double> scaled;
    scaled.resize(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        scaled[i] = Fold(longitude[i], dial) * (360.0 / dial);
        if (scaled[i] >= 360.0) scaled[i] = 0.0;
    }
    prices::TurnPieces(x, scaled.data(), samples, dial, pieces, count);
}

void SourceRange(PositionSource source, double& first, double& last) {
    if (source == PositionSource::Precise) {
        first = (kPreciseFirstJd - kJdOf1970) * 86400.0;
        last = (kPreciseLastJd - kJdOf1970) * 86400.0;
    } else {
        first = static_cast<double>(prices::DaysFromCivil(1, 1, 1)) * 86400.0;
        last = static_cast<double>(prices::DaysFromCivil(9999, 12, 31)) * 86400.0;
    }
}

std::string CheckSkyRange(double from, double to, PositionSource source) {
    if (!(to > from)) {
        return "the range from " + DateText(from) + " to " + DateText(to) + " is empty";
    }
    double first = 0.0, last = 0.0;
    SourceRange(source, first, last);
    for (double edge : {from, to}) {
        if (!(edge >= first && edge <= last)) {
            return DateText(edge) + " is beyond what the " +
                   (source == PositionSource::Precise ? std::string("precise source")
                                                      : std::string("series")) +
                   " covers (" + DateText(first) + " to " + DateText(last) + ")";
        }
    }
    return {};
}

prices::ChartWindow DialWindow(double from, double to, double dial) {
    prices::ChartWindow window;
    window.timeLeft = from;
    window.timeRight = to;
    window.priceLow = 0.0;
    window.priceHigh = dial;
    return window;
}

prices::CChartFrame SkyFrame(int width, int height, const prices::ChartWindow& window,
                             std::size_t panes) {
    return prices::CChartFrame(width, height, window, false, nullptr, false,
                               static_cast<int>(panes));
}

void DrawSkyChart(CDrawingDevice& device, const SkyChartOptions& options,
                  const prices::CChartFrame& frame, SkyCache& cache) {
    prices::DrawChartSpans(device, options.spans, frame);
    DrawAxes(device, options, frame);
    DrawLevels(device, options, frame);
    device.SetPenEnds(CDrawingDevice::PenEnds::Flat);
    DrawBodies(device, options, frame, cache);
    device.SetPenEnds(CDrawingDevice::PenEnds::Round);
    prices::DrawChartMarkers(device, options.markers, frame);
    if (!options.panes.empty() && frame.PaneCount() > 0) {
        prices::DrawBodyPanes(device, frame,
                              {options.panes, options.bodies, options.source, options.quality},
                              cache.motions);
    }
    DrawLegend(device, options, frame);
}

std::string FormatZodiac(double longitude, const char* degree) {
    const double folded = Fold(longitude, 360.0);
    auto minutes = static_cast<long>(std::floor(folded * 60.0 + 0.5));
    if (minutes >= 360 * 60) minutes = 0;
    const int sign = static_cast<int>(minutes / (30 * 60));
    const long within = minutes - sign * 30L * 60;
    char text[48];
    std::snprintf(text, sizeof text, "%ld%s%02ld' %s", within / 60, degree, within % 60,
                  kSigns[sign]);
    return text;
}

std::string SkyReadout(const SkyChartOptions& options, double seconds, double folded) {
    std::string text = prices::FormatBarTime(seconds, true) + " UT";
    char part[96];
    std::snprintf(part, sizeof part, "   %.2f\xC2\xB0 on the %s\xC2\xB0 dial", folded,
                  DialName(options.dial).c_str());
    text += part;
    const double jed = prices::JedOfSeconds(seconds);
    for (const prices::BodyStyle& body : options.bodies) {
        const double longitude = BodyLongitude(jed, body.code, options.source);
        const Body* named = BodyOfCode(body.code);
        std::snprintf(part, sizeof part, "   %s %s (%.2f)", named != nullptr ? named->name : "?",
                      FormatZodiac(longitude, "\xC2\xB0").c_str(), Fold(longitude, options.dial));
        text += part;
    }
    return text;
}

}  // namespace sky
