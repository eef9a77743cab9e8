#pragma once
// What the price chart's crosshair reads at a point, and the panel's texts, kept free of Qt
// so that the numbers can be checked against the price-line formula directly.
#include <string>
#include <string_view>
#include <vector>

#include "prices/price_chart.h"

namespace pricewin {

struct BodyReading {
    int code = 0;
    double longitude = 0.0;  // degrees in the options' frame, from the options' source
};

struct ChartReadout {
    double time = 0.0;  // seconds since 1970 UT
    double price = 0.0;
    double degree = 0.0;  // the price read as a degree at the options' units per circle
    std::vector<BodyReading> bodies;
    // The bar under the point (within half the step to its neighbours), when there is one.
    bool hasBar = false;
    prices::Bar bar;
    bool barOhlc = false;    // the series has open, high and low (else the close alone)
    bool barVolume = false;  // and volumes
};

// Reads the chart at pixel (x, y) of `frame`; `out` is reused so that a moving mouse costs no
// allocation once the body list has been seen.
// With `series`, the bar under the point as well.
void ReadChartAt(const prices::CChartFrame& frame, const prices::ChartOptions& options, double x,
                 double y, ChartReadout& out, const prices::PriceSeries* series = nullptr);

// "123.45° (Leo 3°27')": the longitude and its place in the sign, in UTF-8.
std::string FormatLongitude(double longitude);

// The readout as one line of the status bar.
std::string FormatReadout(const ChartReadout& readout, const prices::CChartFrame& frame,
                          bool intraday);

// A list of harmonics as a user types it: numbers of degrees separated by commas or spaces
// ("0, 90, 180"). An empty text stands for the body's own line alone. False, with a message
// naming the bad entry, for anything else.
bool ParseHarmonics(std::string_view text, std::vector<double>& out, std::string& error);
std::string FormatHarmonics(const std::vector<double>& harmonics);

}  // namespace pricewin
