#include "tools/price_feed.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>

#include "ephemeris/calendar.h"
#include "platform/atomic_file.h"

namespace {

// The monitor refuses prices from here on (no fractional digits left for the degree).
constexpr double kLargestPrice = 1e15;

std::string FormatDecimal(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// A field without its blanks and its quotes, if it has them.
std::string_view FieldText(std::string_view text) {
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = Trim(text.substr(1, text.size() - 2));
    }
    return text;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(FieldText(line.substr(start, comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return fields;
}

bool ParseUnsigned(std::string_view text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

// Days since 0001-01-01 of the proleptic Gregorian calendar.
std::int64_t DayNumber(int year, int month, int day) {
    return DaysFromCivil(year, month, day) - DaysFromCivil(1, 1, 1);
}

struct CivilTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

bool ParseDate(std::string_view text, CivilTime& out) {
    const char separator = text.find('-') != std::string_view::npos ? '-' : '/';
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t next = text.find(separator, start);
        parts.push_back(text.substr(start, next - start));
        if (next == std::string_view::npos) break;
        start = next + 1;
    }
    if (parts.size() != 3) return false;
    int a = 0, b = 0, c = 0;
    if (!ParseUnsigned(parts[0], a) || !ParseUnsigned(parts[1], b) || !ParseUnsigned(parts[2], c)) {
        return false;
    }
    if (parts[0].size() == 4) {
        out.year = a, out.month = b, out.day = c;  // YYYY-MM-DD, YYYY/MM/DD
    } else if (parts[2].size() == 4 && separator == '/') {
        out.month = a, out.day = b, out.year = c;  // MM/DD/YYYY
    } else {
        return false;
    }
    return out.year >= 1 && caelvane::IsValidDate(out.year, out.month, out.day);
}

bool ParseClock(std::string_view text, CivilTime& out) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t next = text.find(':', start);
        parts.push_back(text.substr(start, next - start));
        if (next == std::string_view::npos) break;
        start = next + 1;
    }
    if (parts.size() < 2 || parts.size() > 3) return false;
    int second = 0;
    // Fractions of a second are allowed and dropped.
    if (parts.size() == 3) {
        std::string_view seconds = parts[2];
        const std::size_t dot = seconds.find('.');
        if (dot != std::string_view::npos) {
            const std::string_view fraction = seconds.substr(dot + 1);
            int ignored = 0;
            if (!fraction.empty() && !ParseUnsigned(fraction.substr(0, 9), ignored)) return false;
            seconds = seconds.substr(0, dot);
        }
        if (!ParseUnsigned(seconds, second) || second > 59) return false;
    }
    int hour = 0, minute = 0;
    if (!ParseUnsigned(parts[0], hour) || !ParseUnsigned(parts[1], minute)) return false;
    if (parts[0].size() > 2 || parts[1].size() != 2 || hour > 23 || minute > 59) return false;
    out.hour = hour, out.minute = minute, out.second = second;
    return true;
}

// "DATE", "DATE TIME" or "DATETIME" with a 'T' between date and time.
bool ParseDateTime(std::string_view text, CivilTime& out, bool& hasTime) {
    std::size_t split = text.find_first_of(" T");
    if (split == std::string_view::npos) {
        hasTime = false;
        out.hour = out.minute = out.second = 0;
        return ParseDate(text, out);
    }
    hasTime = true;
    std::string_view clock = text.substr(split + 1);
    // A zone suffix ("Z") of an ISO time stamp: the feed writes the clock as it stands.
    if (!clock.empty() && clock.back() == 'Z') clock.remove_suffix(1);
    return ParseDate(text.substr(0, split), out) && ParseClock(Trim(clock), out);
}

bool ParsePrice(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() &&
           std::isfinite(value) && std::fabs(value) < kLargestPrice;
}

struct Columns {
    int date = -1, time = -1, open = -1, high = -1, low = -1, price = -1;
};

std::optional<Columns> HeaderColumns(const std::vector<std::string_view>& fields) {
    Columns columns;
    for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
        const std::string name = Lower(fields[static_cast<std::size_t>(i)]);
        if (name == "date") {
            columns.date = i;
        } else if (name == "time") {
            columns.time = i;
        } else if (name == "datetime" || name == "timestamp" || name == "date_time" ||
                   name == "date time") {
            columns.date = i;
            columns.time = -1;
        } else if (name == "open") {
            columns.open = i;
        } else if (name == "high") {
            columns.high = i;
        } else if (name == "low") {
            columns.low = i;
        } else if (name == "price" || name == "close" || name == "last") {
            columns.price = i;
        }
    }
    if (columns.date < 0 || columns.price < 0) return std::nullopt;
    return columns;
}

// Columns of a CSV without a header, from its first row.
std::optional<Columns> PositionalColumns(const std::vector<std::string_view>& fields) {
    Columns columns;
    columns.date = 0;
    CivilTime scratch;
    int next = 1;
    if (fields.size() > 1 && ParseClock(fields[1], scratch)) {
        columns.time = 1;
        next = 2;
    }
    const int numbers = static_cast<int>(fields.size()) - next;
    if (numbers == 1) {
        columns.price = next;
    } else if (numbers == 4) {
        columns.open = next, columns.high = next + 1, columns.low = next + 2;
        columns.price = next + 3;
    } else {
        return std::nullopt;
    }
    return columns;
}

std::string LineError(int line, const std::string& reason) {
    return "line " + std::to_string(line) + ": " + reason;
}

}  // namespace

std::string FormatPriceLine(const PriceQuote& quote) {
    std::string line;
    for (int value : {quote.month, quote.day, quote.year, quote.hour, quote.minute}) {
        line += std::to_string(value);
        line += ' ';
    }
    line += FormatDecimal(quote.open) + ' ' + FormatDecimal(quote.high) + ' ' +
            FormatDecimal(quote.low) + ' ' + FormatDecimal(quote.price) + '\n';
    return line;
}

bool WritePriceFile(const std::string& path, std::string_view text, std::string& error) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        error = "cannot create the folder " + folder.string() + ": " + ec.message();
        return false;
    }
    caelvane::AtomicWriteFailure failure;
    if (caelvane::WriteFileAtomically(path, text, failure)) return true;
    const std::string reason = failure.Reason();
    switch (failure.step) {
        case caelvane::AtomicWriteStep::Create:
            error = "cannot write in " + folder.string() + ": " + reason;
            break;
        case caelvane::AtomicWriteStep::Mode:
            error = "cannot set the mode of " + failure.temporary + ": " + reason;
            break;
        case caelvane::AtomicWriteStep::Write:
            error = "cannot write " + failure.temporary + ": " + reason;
            break;
        default:  // a folder or a device in the file's place, or the rename itself
            error = "cannot replace " + path + ": " + reason;
            break;
    }
    return false;
}

bool ParsePriceCsv(std::string_view text, std::vector<TimedQuote>& out, std::string& error) {
    std::vector<TimedQuote> quotes;
    CPriceCsvReader reader;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::optional<TimedQuote> quote;
        if (!reader.Line(text.substr(start, end - start), quote, error)) return false;
        if (quote) quotes.push_back(*quote);
        start = end + 1;
    }
    if (!reader.Finish(error)) return false;
    out = std::move(quotes);
    return true;
}

bool CPriceCsvReader::Line(std::string_view text, std::optional<TimedQuote>& quoteOut,
                           std::string& error) {
    quoteOut.reset();
    const std::string_view line = Trim(text);
    const int lineNumber = ++m_lineNumber;
    if (line.empty() || line.front() == '#') return true;
    const std::vector<std::string_view> fields = SplitFields(line);

    if (!m_columns) {
        // A header names its columns; a first row starts with the digits of a date.
        const bool header =
            fields[0].empty() || !std::isdigit(static_cast<unsigned char>(fields[0].front()));
        if (header) {
            const std::optional<::Columns> named = HeaderColumns(fields);
            if (!named) {
                error = LineError(lineNumber,
                                  "the header needs a date (or datetime) and a price column");
                return false;
            }
            m_columns = Columns{named->date, named->time, named->open,
                                named->high, named->low,  named->price};
            m_hasOhlc = m_columns->open >= 0 && m_columns->high >= 0 && m_columns->low >= 0;
            return true;
        }
        const std::optional<::Columns> positional = PositionalColumns(fields);
        if (!positional) {
            error = LineError(lineNumber,
                              "expected a date and time, then PRICE or OPEN,HIGH,LOW,PRICE");
            return false;
        }
        m_columns = Columns{positional->date, positional->time, positional->open,
                            positional->high, positional->low,  positional->price};
        m_hasOhlc = m_columns->open >= 0;
    }

    const Columns& columns = *m_columns;
    auto field = [&](int index) -> std::string_view {
        return index >= 0 && static_cast<std::size_t>(index) < fields.size()
                   ? fields[static_cast<std::size_t>(index)]
                   : std::string_view();
    };
    CivilTime when;
    bool hasTime = false;
    if (!ParseDateTime(field(columns.date), when, hasTime)) {
        error = LineError(lineNumber, "not a date: \"" + std::string(field(columns.date)) + "\"");
        return false;
    }
    if (columns.time >= 0) {
        if (hasTime || !ParseClock(field(columns.time), when)) {
            error =
                LineError(lineNumber, "not a time: \"" + std::string(field(columns.time)) + "\"");
            return false;
        }
    }
    TimedQuote timed;
    PriceQuote& quote = timed.quote;
    quote.year = when.year, quote.month = when.month, quote.day = when.day;
    quote.hour = when.hour, quote.minute = when.minute;
    if (!ParsePrice(field(columns.price), quote.price)) {
        error = LineError(lineNumber,
                          "not a usable price: \"" + std::string(field(columns.price)) + "\"");
        return false;
    }
    if (m_hasOhlc) {
        for (auto [index, target] :
             {std::pair{columns.open, &quote.open}, std::pair{columns.high, &quote.high},
              std::pair{columns.low, &quote.low}}) {
            if (!ParsePrice(field(index), *target)) {
                error =
                    LineError(lineNumber, "not a number: \"" + std::string(field(index)) + "\"");
                return false;
            }
        }
    } else {
        m_dayRange.Update(quote);
    }
    timed.seconds = DayNumber(when.year, when.month, when.day) * 86400 + when.hour * 3600 +
                    when.minute * 60 + when.second;
    if (m_any && timed.seconds < m_lastSeconds) {
        error = LineError(lineNumber, "the time goes back before the row above");
        return false;
    }
    m_any = true;
    m_lastSeconds = timed.seconds;
    quoteOut = timed;
    return true;
}

bool CPriceCsvReader::Finish(std::string& error) const {
    if (m_any) return true;
    error = "no prices in the file";
    return false;
}

CRandomWalk::CRandomWalk(double start, double step, std::uint64_t seed)
    : m_start(start), m_step(step), m_engine(seed) {}

double CRandomWalk::Next() {
    if (!m_started) {
        m_started = true;
        return m_start;
    }
    // The top bit of the engine's output: the engine is fixed by the standard, unlike the
    // distributions, so a seed means the same walk everywhere.
    const bool up = (m_engine() >> 63) != 0;
    std::int64_t next = m_steps + (up ? 1 : -1);
    if (m_start + static_cast<double>(next) * m_step <= 0.0) next = m_steps + 1;
    m_steps = next;
    return m_start + static_cast<double>(m_steps) * m_step;
}

void CDayRange::Update(PriceQuote& quote) {
    if (!m_any || quote.year != m_year || quote.month != m_month || quote.day != m_day) {
        m_any = true;
        m_year = quote.year, m_month = quote.month, m_day = quote.day;
        m_open = m_high = m_low = quote.price;
    }
    m_high = std::max(m_high, quote.price);
    m_low = std::min(m_low, quote.price);
    quote.open = m_open;
    quote.high = m_high;
    quote.low = m_low;
}
