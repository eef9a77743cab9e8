#include "app/price_readout.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "prices/price_lines.h"

namespace pricewin {

namespace {

constexpr const char* kSigns[] = {"Ari", "Tau", "Gem", "Can", "Leo", "Vir",
                                  "Lib", "Sco", "Sag", "Cap", "Aqu", "Pis"};

}  // namespace

void ReadChartAt(const prices::CChartFrame& frame, const prices::ChartOptions& options, double x,
                 double y, ChartReadout& out, const prices::PriceSeries* series) {
    out.time = frame.TimeOfX(x);
    const std::optional<prices::Bar> bar =
        series != nullptr ? prices::BarNear(*series, out.time) : std::nullopt;
    out.hasBar = bar.has_value();
    if (bar) {
        out.bar = *bar;
        out.barOhlc = series->hasOhlc;
        out.barVolume = series->hasVolume;
    }
    out.price = frame.PriceOfY(y);
    out.degree = prices::PriceDegree(out.price, options.lines.unitsPerCircle);
    out.bodies.resize(options.bodies.size());
    const double jed = prices::JedOfSeconds(out.time);
    for (std::size_t i = 0; i < options.bodies.size(); ++i) {
        out.bodies[i].code = options.bodies[i].code;
        out.bodies[i].longitude = BodyLongitude(jed, options.bodies[i].code, options.lines.source);
    }
}

std::string FormatLongitude(double longitude) {
    double degree = std::fmod(longitude, 360.0);
    if (degree < 0.0) degree += 360.0;
    // Minutes are truncated, as a position is read off a table: 29°59.9' stays in its sign.
    int minutes = static_cast<int>(std::floor(degree * 60.0 + 1e-9));
    if (minutes >= 360 * 60) minutes = 0;
    const int sign = minutes / (30 * 60);
    char text[64];
    // Hundredths are truncated too, so that both parts name the same place.
    const double hundredths = std::floor(degree * 100.0 + 1e-9) / 100.0;
    std::snprintf(text, sizeof text, "%.2f\u00B0 (%s %d\u00B0%02d')", hundredths, kSigns[sign],
                  minutes / 60 % 30, minutes % 60);
    return text;
}

std::string FormatReadout(const ChartReadout& readout, const prices::CChartFrame& frame,
                          bool intraday) {
    const double rows = frame.Bottom() - frame.Top();
    const double low = frame.PriceOfY(frame.Bottom()), high = frame.PriceOfY(frame.Top());
    // Two more decimals than a pixel of the price axis needs.
    const double step = rows > 0.0 ? std::fabs(high - low) / rows / 100.0 : 0.01;
    const bool withClock =
        intraday || frame.Window().timeRight - frame.Window().timeLeft < 3.0 * 86400.0;
    char degree[32];
    std::snprintf(degree, sizeof degree, "%.2f\u00B0", readout.degree);
    std::string text = prices::FormatBarTime(readout.time, withClock) + "   price " +
                       prices::FormatPrice(readout.price, step) + " = " + degree;
    if (readout.hasBar) {
        // The bar's own prices, to a pixel of the axis, in cents at least.
        const prices::Bar& bar = readout.bar;
        const double barStep = std::clamp(step * 100.0, 1e-8, 0.01);
        text += "   bar " + prices::FormatBarTime(static_cast<double>(bar.time), intraday);
        if (readout.barOhlc) {
            text += " O " + prices::FormatPrice(bar.open, barStep) + " H " +
                    prices::FormatPrice(bar.high, barStep) + " L " +
                    prices::FormatPrice(bar.low, barStep);
        }
        text += " C " + prices::FormatPrice(bar.close, barStep);
        if (readout.barVolume) {
            char volume[40];
            std::snprintf(volume, sizeof volume, " V %.0f", bar.volume);
            text += volume;
        }
    }
    for (const BodyReading& body : readout.bodies) {
        const Body* named = BodyOfCode(body.code);
        text += "   ";
        text += named ? named->name : std::to_string(body.code);
        text += ' ';
        text += FormatLongitude(body.longitude);
    }
    return text;
}

bool ParseHarmonics(std::string_view text, std::vector<double>& out, std::string& error) {
    std::vector<double> values;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ',' || text[i] == ' ' || text[i] == '\t') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ',' && text[end] != ' ' && text[end] != '\t')
            ++end;
        const std::string_view part = text.substr(i, end - i);
        double value = 0.0;
        const auto [stop, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (ec != std::errc() || stop != part.data() + part.size() || !std::isfinite(value)) {
            error = "harmonics: '" + std::string(part) + "' is not a number of degrees";
            return false;
        }
        if (value < 0.0 || value >= 360.0) {
            error = "harmonics: " + std::string(part) + " is outside 0 to 360 degrees";
            return false;
        }
        if (values.size() == prices::kMaxHarmonics) {
            error = "harmonics: more than " + std::to_string(prices::kMaxHarmonics);
            return false;
        }
        values.push_back(value);
        i = end;
    }
    if (values.empty()) values.push_back(0.0);
    out = std::move(values);
    return true;
}

std::string FormatHarmonics(const std::vector<double>& harmonics) {
    std::string text;
    char number[32];
    for (double harmonic : harmonics) {
        std::snprintf(number, sizeof number, "%.10g", harmonic);
        if (!text.empty()) text += ", ";
        text += number;
    }
    return text;
}

}  // namespace pricewin
