// One poll of the price file: nine numbers as text, the 4th and 5th the time, the 9th the price.
#include "chart/price_poll.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "job/caelvane_doc.h"
#include "platform/file_descriptor.h"
#include "platform/regular_file.h"

namespace {

// Beyond this a price has no fractional digits left in a double (steps of 0.125 at 1e15), so
// the degree it gives, five times its remainder by 72, is no longer meaningful.
constexpr double kLargestPrice = 1e15;

// A price file is a line of text; reading stops here so that a wrong path (a device, a huge
// file) cannot exhaust the program.
constexpr std::size_t kMaxPriceFileBytes = 64 * 1024;

// A price file whose last number runs to its very end may be a writer's half-done line
// ("2345" of "2345.75"). It is trusted only once nobody has written to it for this long and a
// second read finds the same bytes.
constexpr long kSettleNanoseconds = 50'000'000;
// Every reading is taken twice, this far apart, and kept only when both agree.
constexpr long kRereadNanoseconds = 20'000'000;

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

public:
    std::size_t Position() const { return m_pos; }
};

std::string Count(int read) {
    return "the price file holds only " + std::to_string(read) + " of the 9 numbers";
}

// ParsePriceText, also giving where the 9th number ended.
bool ParsePrice(std::string_view text, PriceReading& out, std::string& error, std::size_t& end);

}  // namespace

bool ParsePriceText(std::string_view text, PriceReading& out, std::string& error) {
    std::size_t end = 0;
    return ParsePrice(text, out, error, end);
}

namespace {

bool ParsePrice(std::string_view text, PriceReading& out, std::string& error, std::size_t& end) {
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

    end = scanner.Position();
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

bool SameState(const struct stat& a, const struct stat& b) {
    return a.st_ino == b.st_ino && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// One read of the whole file from its start (at most kMaxPriceFileBytes), with the file's state
// before and after. `stable`: nothing changed while it was read.
bool ReadOnce(int fd, std::string& text, bool& stable, struct stat& after, int& err) {
    struct stat before;
    if (::fstat(fd, &before) != 0) {
        err = errno;
        return false;
    }
    text.assign(kMaxPriceFileBytes, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t got =
            ::pread(fd, text.data() + size, text.size() - size, static_cast<off_t>(size));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            err = errno;
            return false;
        }
        if (got == 0) break;
        size += static_cast<std::size_t>(got);
    }
    text.resize(size);
    if (::fstat(fd, &after) != 0) {
        err = errno;
        return false;
    }
    const std::size_t expected =
        std::min<std::size_t>(static_cast<std::size_t>(before.st_size), kMaxPriceFileBytes);
    stable = SameState(before, after) && size == expected;
    return true;
}

// How long ago the file was last written, in nanoseconds (negative for a clock set back).
long long AgeOf(const struct stat& info) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return (static_cast<long long>(now.tv_sec) - info.st_mtim.tv_sec) * 1'000'000'000LL +
           (now.tv_nsec - info.st_mtim.tv_nsec);
}

}  // namespace

bool ReadPriceFile(const std::string& path, PriceReading& out, std::string& error) {
    struct stat info;
    caelvane::OpenFailure failure;
    const FileDescriptor fd(caelvane::OpenRegularFile(path, info, failure));
    if (fd.Get() < 0) {
        const bool opening = failure.step == caelvane::OpenStep::Open;
        error = (opening ? "cannot open " : "cannot read ") + path + ": " +
                (failure.step == caelvane::OpenStep::NotRegular ? "not a regular file"
                                                                : std::strerror(failure.code));
        return false;
    }
    const std::string incomplete =
        "the price file " + path + " is incomplete: it was being written while it was read";

    std::string text;
    bool stable = false;
    struct stat after;
    int err = 0;
    // A writer rewriting the file in place is caught in the middle now and then: read again.
    for (int attempt = 0; attempt < 3 && !stable; ++attempt) {
        if (!ReadOnce(fd.Get(), text, stable, after, err)) {
            error = "cannot read " + path + ": " + std::strerror(err);
            return false;
        }
    }
    if (!stable) {
        error = incomplete;
        return false;
    }
    const bool cut = static_cast<std::size_t>(after.st_size) > kMaxPriceFileBytes;
    PriceReading reading;
    std::size_t end = 0;
    if (!ParsePrice(text, reading, error, end)) {
        if (cut && text.find_first_not_of(" \t\n\v\f\r") == std::string::npos) {
            error = "the first " + std::to_string(text.size()) + " of the " +
                    std::to_string(after.st_size) +
                    " bytes of the price file are blank; a price file is one line of numbers";
        }
        return false;
    }
    // A reading is whole only when a second one, a moment later, finds the same bytes and the
    // file's size and time stamp unchanged: a writer that rewrites the file in place (same
    // length, in two pieces) can be caught between its pieces by a read that itself saw nothing
    // change. The moment is longer when the last number runs to the very end of the file (no
    // line break after it: maybe the first part of a line still being written): then the file
    // must also have been left alone a while.
    const bool bare = end == text.size() && !cut;
    const long long age = AgeOf(after);
    long long wait = kRereadNanoseconds;
    if (bare && age >= 0 && age < kSettleNanoseconds) wait = kSettleNanoseconds - age;
    std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
    std::string again;
    struct stat later;
    if (!ReadOnce(fd.Get(), again, stable, later, err)) {
        error = "cannot read " + path + ": " + std::strerror(err);
        return false;
    }
    // A time stamp in the future (another machine's clock) cannot say how long the file
    // rested; the same bytes again must do.
    const long long rested = AgeOf(later);
    if (!stable || again != text || !SameState(after, later) ||
        (bare && rested >= 0 && rested < kSettleNanoseconds)) {
        error = incomplete;
        return false;
    }
    out = reading;
    return true;
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
