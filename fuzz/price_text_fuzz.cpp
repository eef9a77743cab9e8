// Parses arbitrary bytes as the price file and as a price feed's CSV. Beyond "no crash, no
// undefined behaviour": a refused text says why and leaves the last reading as it was; an
// accepted one has a finite price below the limit and the degree that price gives; a CSV read
// whole and read line by line gives the same quotes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chart/price_poll.h"
#include "tools/price_feed.h"

namespace {

void CheckPriceText(std::string_view text) {
    PriceReading reading;
    reading.hour = -7;
    reading.minute = -8;
    reading.price = -9.0;
    reading.degree = -10.0;
    std::string error;
    if (!ParsePriceText(text, reading, error)) {
        if (error.empty()) std::abort();
        if (reading.hour != -7 || reading.minute != -8 || reading.price != -9.0 ||
            reading.degree != -10.0) {
            std::abort();
        }
        return;
    }
    if (!std::isfinite(reading.price) || std::fabs(reading.price) >= 1e15) std::abort();
    if (reading.degree != std::fmod(reading.price, 72.0) * 5.0) std::abort();
    if (std::fabs(reading.degree) >= 360.0) std::abort();
}

void CheckCsv(std::string_view text) {
    std::vector<TimedQuote> whole;
    std::string wholeError;
    const bool wholeOk = ParsePriceCsv(text, whole, wholeError);

    CPriceCsvReader reader;
    std::vector<TimedQuote> lines;
    std::string lineError;
    bool lineOk = true;
    for (std::size_t start = 0; start < text.size() && lineOk;) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::optional<TimedQuote> quote;
        lineOk = reader.Line(text.substr(start, end - start), quote, lineError);
        if (lineOk && quote) lines.push_back(*quote);
        start = end + 1;
    }
    if (lineOk) lineOk = reader.Finish(lineError);
    if (wholeOk != lineOk || wholeError != lineError) std::abort();
    if (!wholeOk) return;
    if (whole.size() != lines.size()) std::abort();
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (whole[i].seconds != lines[i].seconds || whole[i].quote.price != lines[i].quote.price) {
            std::abort();
        }
        if (i > 0 && whole[i].seconds < whole[i - 1].seconds) std::abort();
        // Every accepted price gives a line the price file's reader takes back (short of the
        // limit, where 15 digits may round a price up onto it).
        PriceReading reading;
        std::string error;
        if (std::fabs(whole[i].quote.price) < 9.99e14 &&
            !ParsePriceText(FormatPriceLine(whole[i].quote), reading, error)) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckPriceText(text);
    CheckCsv(text);
    return 0;
}
