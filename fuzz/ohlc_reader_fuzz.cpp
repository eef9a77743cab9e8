// Reads arbitrary bytes as a bar file. Beyond "no crash, no undefined behaviour": the reader
// streams, so the bytes fed whole and fed in small blocks (of sizes the input chooses) must give
// the same bars, the same message and the same count of skipped rows; a refusal says why and
// where; accepted bars go forward in time with finite prices, high at or above low; skipping bad
// rows never refuses a file that reads whole without skipping; a short line cap holds.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "prices/ohlc_reader.h"

namespace {

struct Outcome {
    prices::ReadReport report;
    prices::PriceSeries series;
};

Outcome Whole(std::string_view text, const prices::ReadOptions& options) {
    Outcome outcome;
    outcome.report = prices::ReadOhlcText(text, "fuzz.csv", options, outcome.series);
    return outcome;
}

// Blocks of 1 to 16 bytes, their sizes drawn from the text itself.
Outcome Blocks(std::string_view text, const prices::ReadOptions& options) {
    prices::COhlcParser parser("fuzz.csv", options);
    bool more = true;
    for (std::size_t at = 0, k = 0; at < text.size() && more; ++k) {
        const auto size = static_cast<std::size_t>(
            1 + static_cast<unsigned char>(text[(k * 7) % text.size()]) % 16);
        more = parser.Feed(text.substr(at, size));
        at += size;
    }
    if (more) parser.Finish();
    Outcome outcome;
    outcome.report = parser.Report();
    if (outcome.report.ok) outcome.series = std::move(parser.Series());
    return outcome;
}

bool SameBars(const prices::PriceSeries& a, const prices::PriceSeries& b) {
    if (a.bars.size() != b.bars.size() || a.intraday != b.intraday || a.hasOhlc != b.hasOhlc) {
        return false;
    }
    for (std::size_t i = 0; i < a.bars.size(); ++i) {
        const prices::Bar& x = a.bars[i];
        const prices::Bar& y = b.bars[i];
        if (x.time != y.time || x.open != y.open || x.high != y.high || x.low != y.low ||
            x.close != y.close) {
            return false;
        }
    }
    return true;
}

void CheckOutcome(const Outcome& outcome, const prices::ReadOptions& options) {
    const prices::ReadReport& report = outcome.report;
    if (!report.ok) {
        // "fuzz.csv: ..." or "fuzz.csv:LINE: ...".
        if (report.error.rfind("fuzz.csv:", 0) != 0) std::abort();
        return;
    }
    if (!report.error.empty() || outcome.series.bars.empty()) std::abort();
    if (!options.skipBadRows && report.skipped != 0) std::abort();
    if ((report.skipped == 0) != report.firstSkipped.empty()) std::abort();
    std::optional<prices::Bar> last;
    for (const prices::Bar bar : outcome.series.bars) {
        for (double price : {bar.open, bar.high, bar.low, bar.close}) {
            if (!std::isfinite(price)) std::abort();
            if (options.requirePositive && !(price > 0.0)) std::abort();
        }
        if (bar.high < bar.low) std::abort();
        if (last && bar.time <= last->time) std::abort();
        last = bar;
    }
}

void Check(std::string_view text, const prices::ReadOptions& options) {
    const Outcome whole = Whole(text, options);
    const Outcome blocks = Blocks(text, options);
    CheckOutcome(whole, options);
    if (whole.report.ok != blocks.report.ok || whole.report.error != blocks.report.error ||
        whole.report.skipped != blocks.report.skipped ||
        whole.report.firstSkipped != blocks.report.firstSkipped ||
        !SameBars(whole.series, blocks.series)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    prices::ReadOptions options;
    Check(text, options);
    const bool strictOk = Whole(text, options).report.ok;
    options.skipBadRows = true;
    Check(text, options);
    // Every row a strict reading takes is taken when bad rows are skipped.
    if (strictOk && !Whole(text, options).report.ok) std::abort();
    options.requirePositive = true;
    Check(text, options);
    // A cap short enough that fuzzed lines reach it.
    options.skipBadRows = false;
    options.requirePositive = false;
    options.maxLineBytes = 24;
    options.maxBars = 5;
    Check(text, options);
    options.skipBadRows = true;
    Check(text, options);
    return 0;
}
