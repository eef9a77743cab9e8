// One poll of the price file: nine numbers as text, the 4th and 5th the time, the 9th the price.
#include "chart/price_poll.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "job/caelvane_doc.h"

namespace {

// Beyond this a price has no fractional digits left in a double (steps of 0.125 at 1e15), so
// the degree it gives, five times its remainder by 72, is no longer meaningful.
constexpr double kLargestPrice = 1e15;

// A price file is a line of text; reading stops here so that a wrong path (a device, a huge
// file) cannot exhaust the program.
constexpr std::size_t kMaxPriceFileBytes = 64 * 1024;

constexpr int kNumberCount = 9;
constexpr int kIntegerCount = 5;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads numbers the way the scanf pattern "%d%d%d%d%d%lf%lf%lf%lf" does: each one after any
// white space, as far as it is a number; the first character that cannot start one ends the
// reading. Unlike scanf it never misreads an integer that does not fit, and it does not depend
// on the C locale's decimal point.
class NumberScanner {
public:
    explicit NumberScanner(std::string_view text) : m_text(text) {}

    enum class Result { kOk, kNoNumber, kOutOfRange };

    Result ReadInt(int& value) {
        const char* p = SkipToNumber();
        const char* end = m_text.data() + m_text.size();
        p = SkipPlus(p, end);
        const auto [next, ec] = std::from_chars(p, end, value);
        return Finish(next, ec);
    }

    Result ReadDouble(double& value) {
        const char* p = SkipToNumber();
        const char* end = m_text.data() + m_text.size();
        p = SkipPlus(p, end);
        const auto [next, ec] = std::from_chars(p, end, value, std::chars_format::general);
        return Finish(next, ec);
    }

private:
    // from_chars takes a leading '-' but not '+'; "+-1" stays refused.
    static const char* SkipPlus(const char* p, const char* end) {
        return (p != end && *p == '+' && (p + 1 == end || p[1] != '-')) ? p + 1 : p;
    }

    const char* SkipToNumber() {
        while (m_pos < m_text.size() && IsSpace(m_text[m_pos])) ++m_pos;
        return m_text.data() + m_pos;
    }

    Result Finish(const char* next, std::errc ec) {
        if (ec == std::errc::invalid_argument) return Result::kNoNumber;
        m_pos = static_cast<std::size_t>(next - m_text.data());
        return ec == std::errc::result_out_of_range ? Result::kOutOfRange : Result::kOk;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

std::string Count(int read) {
    return "the price file holds only " + std::to_string(read) + " of the 9 numbers";
}

}  // namespace

bool ParsePriceText(std::string_view text, PriceReading& out, std::string& error) {
    bool blank = true;
    for (char c : text) blank = blank && IsSpace(c);
    if (blank) {
        error = "the price file is empty";
        return false;
    }

    NumberScanner scanner(text);
    int integers[kIntegerCount] = {};
    double decimals[kNumberCount - kIntegerCount] = {};
    for (int n = 0; n < kNumberCount; ++n) {
        const NumberScanner::Result result = n < kIntegerCount
                                                 ? scanner.ReadInt(integers[n])
                                                 : scanner.ReadDouble(decimals[n - kIntegerCount]);
        if (result == NumberScanner::Result::kNoNumber) {
            error = Count(n);
            return false;
        }
        if (result == NumberScanner::Result::kOutOfRange && n < kIntegerCount) {
            error = "number " + std::to_string(n + 1) + " of the price file is too large";
            return false;
        }
        // The 6th to 8th numbers are not used: one out of range is read and left alone.
        if (result == NumberScanner::Result::kOutOfRange && n == kNumberCount - 1) {
            error = "the price is out of range";
            return false;
        }
    }

    const double price = decimals[3];
    if (!std::isfinite(price)) {
        error = "the price is not a finite number";
        return false;
    }
    if (std::fabs(price) >= kLargestPrice) {
        error = "the price is too large to give a degree";
        return false;
    }

    PriceReading reading;
    reading.price = price;
    // The feed's hours after midnight belong to the trading day before: 0..5 become 24..29.
    reading.hour = integers[3] <= 5 ? integers[3] + 24 : integers[3];
    reading.minute = integers[4];
    // One turn of the wheel per 72 price units; the remainder keeps the price's sign.
    reading.degree = std::fmod(price, 72.0) * 5.0;
    out = reading;
    return true;
}

bool ReadPriceFile(const std::string& path, PriceReading& out, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string text(kMaxPriceFileBytes, '\0');
    const std::size_t size = std::fread(text.data(), 1, text.size(), file.get());
    if (std::ferror(file.get())) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    text.resize(size);
    return ParsePriceText(text, out, error);
}

void StartPriceDisplay(CCaelvaneDoc& doc) {
    doc.m_priceMonitorOn = 1;
}

void ApplyPriceReading(CCaelvaneDoc& doc, const PriceReading& reading) {
    doc.m_priceDegree = reading.degree;
    doc.m_price = reading.price;
    doc.m_hotSpotDegree[0] = reading.degree;
    doc.m_priceHour = reading.hour;
    doc.m_priceMinute = reading.minute;
}
