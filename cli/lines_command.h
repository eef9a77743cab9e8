#pragma once
// caelvane-cli lines: planetary price levels as CSV, and the line options that render-prices
// shares with it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "prices/price_lines.h"

namespace cli {

// What the options of `lines` and `render-prices` mean, for --help.
extern const char* const kLinesHelp;
extern const char* const kRenderPricesHelp;

// --bodies, --frame, --units-per-circle, --offset, --harmonics, --positions as given.
struct LineOptions {
    prices::LineSettings settings;
    std::vector<std::string> bodyNames;
    bool bodiesGiven = false;
    // Without --positions the precise source is taken where the build has it.
    bool sourceGiven = false;
};

// A note for standard error on the source a command took by default ("" when --positions
// chose it): which source, and how to choose the other.
std::string DefaultSourceNote(const LineOptions& options);

// Reads the line options among `parsed`; what was wrong with one of them, if anything.
std::optional<std::string> ReadLineOptions(const ParsedOptions& parsed, LineOptions& options);
// Turns the names into codes of the frame and checks the whole; what is wrong, or nothing.
std::optional<std::string> FinishLineOptions(LineOptions& options);

struct LinesRequest {
    LineOptions lines;
    std::int64_t fromDay = 0;  // days since 1970-01-01
    std::int64_t toDay = 0;
    int minuteOfDay = 17 * 60;  // UT, the chart's time
    double minPrice = 0.0;
    double maxPrice = 0.0;
    std::string output;  // empty: standard output
};

inline constexpr std::int64_t kMaxLineDays = 200000;
// The most rows one request may give (about 600 MB of CSV).
inline constexpr double kMaxLineRows = 1e7;

std::optional<std::string> ParseLinesArguments(const std::vector<std::string>& args,
                                               LinesRequest& request);
// The CSV: date,body,frame,longitude,harmonic,price; one row per day, body, harmonic and turn
// inside [minPrice, maxPrice], in that order.
std::string LinesCsv(const LinesRequest& request);

}  // namespace cli
