#pragma once
// caelvane-cli render-prices: the price chart of a bar file, with planetary lines, into a file.
#include <optional>
#include <string>
#include <vector>

#include "cli/lines_command.h"
#include "prices/price_chart.h"

namespace cli {

enum class PriceChartFormat { Png, Svg, Pdf, Trace };

struct RenderPricesRequest {
    std::string file;
    LineOptions lines;
    // Default: candles for files with open, high and low, a line of closes otherwise.
    std::optional<prices::BarStyle> style;
    bool logScale = false;
    bool skipBadRows = false;
    std::optional<PriceChartFormat> format;
    std::string output;
    std::string title;  // default: the file's name
    int width = 1200;
    int height = 700;
    std::optional<std::int64_t> fromDay, toDay;
    std::optional<double> minPrice, maxPrice;
    // --events KINDS, --event-bodies NAMES (in the lines' frame), --retrograde NAMES.
    unsigned eventKinds = 0;
    std::optional<std::string> eventBodies;
    std::vector<int> eventBodyCodes;  // from eventBodies once the frame is known
    std::vector<int> retrograde;      // geocentric codes
    prices::LegendPlace legend = prices::LegendPlace::TopLeft;
    bool lineLabels = false;
    bool tradingDays = false;
    bool volume = false;
};

// With --from or --to: a range holding no bar of the file is refused, naming the range and the
// days the file's bars run.
std::optional<std::string> CheckRequestedDays(const RenderPricesRequest& request,
                                              const prices::PriceSeries& series);

std::optional<std::string> ParseRenderPricesArguments(const std::vector<std::string>& args,
                                                      RenderPricesRequest& request);
// The window of the chart: the whole series unless --from/--to or --min/--max narrow it.
prices::ChartWindow RequestedWindow(const RenderPricesRequest& request,
                                    const prices::PriceSeries& series);
// A --min without --max (or the other way round) that leaves no prices to show against the
// file's own other end: what is wrong, or nothing.
std::optional<std::string> CheckRequestedPrices(const RenderPricesRequest& request,
                                                const prices::PriceSeries& series);

}  // namespace cli
