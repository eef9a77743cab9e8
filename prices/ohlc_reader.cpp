#include "prices/ohlc_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/file_descriptor.h"
#include "platform/regular_file.h"

namespace prices {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// Digits only, no sign: the fields of dates and clocks.
bool Digits(std::string_view text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    int result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
    }
    value = result;
    return true;
}

// Bar files date their rows from year 1 to 9999, in the civil calendar. Every month has its
// first 28 days; only the days after them ask the calendar (a call per bar would show in the
// time a million bars take to load).
bool ValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    return day <= 28 || caelvane::IsValidDate(year, month, day);
}

// Powers of ten that a double holds exactly.
constexpr double kPowers[] = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7, 1e8,
                              1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16};

// Appends the run of decimal digits at `at` to `mantissa`, leaving `at` after it; returns how
// many there were. Eight bytes are looked at together where the line has them.
inline long DigitRun(const char*& at, const char* end, std::uint64_t& mantissa) {
    const char* const start = at;
    if constexpr (std::endian::native == std::endian::little) {
        static constexpr std::uint64_t kTens[] = {1,      10,      100,      1000,     10000,
                                                  100000, 1000000, 10000000, 100000000};
        constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0;
        constexpr std::uint64_t kThrees = 0x3030303030303030;
        while (end - at >= 8) {
            std::uint64_t chunk = 0;
            std::memcpy(&chunk, at, sizeof chunk);
            // A byte is a digit when its high half is 3 and adding 6 keeps it so. A carry out
            // of a byte (0xFA and up, no digit) spoils only the bytes after it.
            const std::uint64_t other = ((chunk & kHighNibbles) ^ kThrees) |
                                        (((chunk + 0x0606060606060606) & kHighNibbles) ^ kThrees);
            const int count = other == 0 ? 8 : std::countr_zero(other) >> 3;
            if (count == 0) break;
            // The digits to the top bytes (the first the lowest), zeros before them; then pairs,
            // fours and the eight summed in three multiplications.
            chunk <<= 8 * (8 - count);
            chunk = ((chunk & 0x0F0F0F0F0F0F0F0F) * 2561) >> 8;
            chunk = ((chunk & 0x00FF00FF00FF00FF) * 6553601) >> 16;
            chunk = ((chunk & 0x0000FFFF0000FFFF) * 42949672960001) >> 32;
            mantissa = mantissa * kTens[count] + chunk;
            at += count;
            if (count < 8) return at - start;
        }
    }
    unsigned digit = 0;
    while (at != end && (digit = static_cast<unsigned char>(*at - '0')) < 10) {
        mantissa = mantissa * 10 + digit;
        ++at;
    }
    return at - start;
}

// The top bit of each byte of `chunk` (eight bytes of text, the first the lowest) that is no
// digit. A byte from 0x8A up carries into the next, which can spoil only the bytes after one
// that is no digit and no point.
[[gnu::always_inline]] inline std::uint64_t NonDigits(std::uint64_t chunk) {
    const std::uint64_t offset = chunk ^ 0x3030303030303030;
    return ((offset + 0x7676767676767676) | offset) & 0x8080808080808080;
}

// The number that up to seven digit bytes of `digits` make once moved to its top bytes by
// `shift` bits (the bytes below them zero): pairs, fours and the eight summed in three
// multiplications.
[[gnu::always_inline]] inline std::uint64_t DigitValue(std::uint64_t digits, unsigned shift) {
    digits <<= shift;
    digits = ((digits & 0x0F0F0F0F0F0F0F0F) * 2561) >> 8;
    digits = ((digits & 0x00FF00FF00FF00FF) * 6553601) >> 16;
    return ((digits & 0x0000FFFF0000FFFF) * 42949672960001) >> 32;
}

}  // namespace

inline bool COhlcParser::DecimalShape::Fits(std::uint64_t chunk, std::uint64_t other, char point1,
                                            char point2) const {
    if ((other & looked) != nonDigits) return false;
    if (decimals == 0) return true;
    const auto at = static_cast<char>(chunk >> (8 * point));
    return at == point1 || at == point2;
}

inline std::uint64_t COhlcParser::DecimalShape::Value(std::uint64_t chunk) const {
    return DigitValue(((chunk & before) << 8) | (chunk & after), shift);
}

bool COhlcParser::DecimalShape::Find(std::uint64_t chunk, std::uint64_t other, char point1,
                                     char point2) {
    if (other == 0) return false;
    const int first = std::countr_zero(other) >> 3;
    if (first == 0) return false;
    const auto stop = static_cast<char>(chunk >> (8 * first));
    int end = first;
    std::uint64_t pointBit = 0;
    if (stop == point1 || stop == point2) {
        const std::uint64_t rest = other & (other - 1);
        if (rest == 0) return false;
        end = std::countr_zero(rest) >> 3;
        if (end == first + 1) return false;
        decimals = static_cast<std::int8_t>(end - first - 1);
        // The digits before the point move up a byte onto it, so that all stand together.
        before = (std::uint64_t{1} << (8 * first)) - 1;
        after = ~((before << 8) | 0xFF);
        shift = static_cast<unsigned>(8 * (8 - end));
        pointBit = std::uint64_t{0x80} << (8 * first);
    } else {
        // Digits alone move up a byte as well, so that one way serves both.
        decimals = 0;
        before = ~std::uint64_t{0};
        after = 0;
        shift = static_cast<unsigned>(8 * (7 - end));
    }
    size = static_cast<std::uint8_t>(end);
    point = static_cast<std::uint8_t>(first);
    // Bytes after the one that ends the number do not matter.
    constexpr std::uint64_t kTopBits = 0x8080808080808080;
    looked = end == 7 ? kTopBits : kTopBits & ((std::uint64_t{1} << (8 * end + 8)) - 1);
    nonDigits = pointBit | (std::uint64_t{0x80} << (8 * end));
    return true;
}

namespace {

// Reads [-]DIGITS[POINT DIGITS] from `cursor` on, stopping at the first byte that cannot belong
// to it, where `cursor` is left. Fails for anything a double cannot hold exactly in its
// mantissa (more than 16 digits or above 2^53), and for no digits on either side of a point.
// Where the value is a count of 10^-decimals that the bar store can take as it stands, `count`
// and `countDecimals` give it (else `countDecimals` is -1).
[[gnu::noinline]] bool ScanDecimal(const char*& cursor, const char* end, char point,
                                   char otherPoint, double& value, std::int32_t& count,
                                   std::int8_t& countDecimals) {
    constexpr std::uint64_t kExactMantissa = std::uint64_t{1} << 53;
    constexpr long kMostDigits = 16;
    constexpr std::uint64_t kMostCount = std::uint64_t{1} << 30;
    const char* at = cursor;  // a local, which the compiler keeps in a register
    const bool negative = at != end && *at == '-';
    if (negative) ++at;
    // The mantissa may wrap around past 19 digits; the digit count refuses those afterwards.
    std::uint64_t mantissa = 0;
    long digits = DigitRun(at, end, mantissa);
    if (digits == 0) return false;
    long decimals = 0;
    if (at != end && (*at == point || *at == otherPoint)) {
        ++at;
        decimals = DigitRun(at, end, mantissa);
        if (decimals == 0) return false;
        digits += decimals;
    }
    if (digits > kMostDigits || mantissa > kExactMantissa) return false;
    // Both operands are exact, so the one rounding of the division gives the double nearest
    // the decimal, as a general parser does.
    const double magnitude = static_cast<double>(mantissa) / kPowers[decimals];
    value = negative ? -magnitude : magnitude;
    // A negative zero is no count: the store keeps it as a double.
    const bool counted = decimals <= 9 && mantissa <= kMostCount && (mantissa != 0 || !negative);
    count = static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(mantissa)
                                               : static_cast<std::int64_t>(mantissa));
    countDecimals = counted ? static_cast<std::int8_t>(decimals) : std::int8_t{-1};
    cursor = at;
    return true;
}

inline bool ScanDecimal(const char*& cursor, const char* end, char point, char otherPoint,
                        double& value) {
    std::int32_t count = 0;
    std::int8_t countDecimals = 0;
    return ScanDecimal(cursor, end, point, otherPoint, value, count, countDecimals);
}

// The first separator of a date, and where it stands.
std::size_t SeparatorAt(std::string_view text, char& separator) {
    const std::size_t at = text.find_first_of("-/.");
    separator = at == std::string_view::npos ? '\0' : text[at];
    return at;
}

// Text of the file as a message shows it: control bytes (a NUL would end the message where a
// window shows it) as \xHH.
std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string Shown(std::string_view text) {
    constexpr std::size_t kShownBytes = 40;
    if (text.size() <= kShownBytes) return "'" + Escaped(text) + "'";
    return "'" + Escaped(text.substr(0, kShownBytes)) + "...'";
}

std::string_view Unquoted(std::string_view field) {
    field = Trim(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = Trim(field.substr(1, field.size() - 2));
    }
    return field;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// A header name without quotes, angle brackets or spaces around it, in lower case.
std::string HeaderKey(std::string_view field) {
    field = Trim(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = Trim(field.substr(1, field.size() - 2));
    }
    if (field.size() >= 2 && field.front() == '<' && field.back() == '>') {
        field = field.substr(1, field.size() - 2);
    }
    std::string key = Lower(field);
    std::replace(key.begin(), key.end(), '_', ' ');
    return key;
}

}  // namespace

bool ParseBarDate(std::string_view text, std::int64_t& days) {
    text = Trim(text);
    int year = 0, month = 0, day = 0;
    char separator = '\0';
    const std::size_t first = SeparatorAt(text, separator);
    if (first == std::string_view::npos) {
        // YYYYMMDD
        if (text.size() != 8 || !Digits(text.substr(0, 4), year) ||
            !Digits(text.substr(4, 2), month) || !Digits(text.substr(6, 2), day)) {
            return false;
        }
    } else {
        const std::size_t second = text.find(separator, first + 1);
        if (second == std::string_view::npos) return false;
        const std::string_view a = text.substr(0, first);
        const std::string_view b = text.substr(first + 1, second - first - 1);
        const std::string_view c = text.substr(second + 1);
        if (a.size() == 4 && separator != '.') {
            // YYYY-MM-DD or YYYY/MM/DD
            if (!Digits(a, year) || b.size() > 2 || !Digits(b, month) || c.size() > 2 ||
                !Digits(c, day)) {
                return false;
            }
        } else if (c.size() == 4 && a.size() <= 2 && b.size() <= 2) {
            // MM/DD/YYYY, or DD.MM.YYYY with dots
            int x = 0, y = 0;
            if (!Digits(a, x) || !Digits(b, y) || !Digits(c, year)) return false;
            if (separator == '.') {
                day = x, month = y;
            } else if (separator == '/') {
                month = x, day = y;
            } else {
                return false;
            }
        } else {
            return false;
        }
    }
    if (!ValidDate(year, month, day)) return false;
    days = DaysFromCivil(year, month, day);
    return true;
}

bool ParseExactDecimal(std::string_view text, char point, double& value) {
    const char* at = text.data();
    const char* const end = at + text.size();
    double scanned = 0.0;
    if (!ScanDecimal(at, end, point, point, scanned) || at != end) return false;
    value = scanned;
    return true;
}

bool ParseBarClock(std::string_view text, std::int64_t& seconds) {
    // HH:MM, as most intraday files give it.
    const auto digit = [](char c) { return static_cast<unsigned char>(c - '0') < 10; };
    if (text.size() == 5 && text[2] == ':' && digit(text[0]) && digit(text[1]) && digit(text[3]) &&
        digit(text[4])) {
        const int hour = (text[0] - '0') * 10 + (text[1] - '0');
        const int minute = (text[3] - '0') * 10 + (text[4] - '0');
        if (hour > 23 || minute > 59) return false;
        seconds = hour * 3600 + minute * 60;
        return true;
    }
    text = Trim(text);
    if (!text.empty() && text.back() == 'Z') text.remove_suffix(1);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    int hour = 0, minute = 0, second = 0;
    if (colon > 2 || !Digits(text.substr(0, colon), hour)) return false;
    std::string_view rest = text.substr(colon + 1);
    const std::size_t colon2 = rest.find(':');
    if (!Digits(rest.substr(0, std::min<std::size_t>(colon2, rest.size())), minute) ||
        std::min<std::size_t>(colon2, rest.size()) != 2) {
        return false;
    }
    if (colon2 != std::string_view::npos) {
        std::string_view sec = rest.substr(colon2 + 1);
        // Fractions of a second are allowed and dropped.
        const std::size_t dot = sec.find('.');
        if (dot != std::string_view::npos) {
            int fraction = 0;
            const std::string_view digits = sec.substr(dot + 1);
            if (digits.empty() || !Digits(digits.substr(0, 9), fraction)) return false;
            sec = sec.substr(0, dot);
        }
        if (sec.size() != 2 || !Digits(sec, second)) return false;
    }
    if (hour > 23 || minute > 59 || second > 59) return false;
    seconds = hour * 3600 + minute * 60 + second;
    return true;
}

bool ParseBarDateTime(std::string_view text, UnixSeconds& out, bool& hasClock) {
    text = Trim(text);
    const std::size_t split = text.find_first_of(" T");
    std::int64_t days = 0, clock = 0;
    if (split == std::string_view::npos) {
        hasClock = false;
        if (!ParseBarDate(text, days)) return false;
    } else {
        hasClock = true;
        if (!ParseBarDate(text.substr(0, split), days) ||
            !ParseBarClock(text.substr(split + 1), clock)) {
            return false;
        }
    }
    out = days * 86400 + clock;
    return true;
}

bool COhlcParser::DateTime(std::string_view text, UnixSeconds& out, bool& hasClock) {
    // Intraday files give the same date on hundreds of rows in a row: its days are kept.
    if (m_dateKnown && text.size() == m_lastDateSize &&
        std::memcmp(text.data(), m_lastDate, text.size()) == 0) {
        hasClock = false;
        out = m_lastDays * 86400;
        return true;
    }
    text = Trim(text);
    std::size_t split = 0;
    while (split < text.size() && text[split] != ' ' && text[split] != 'T') ++split;
    if (split == text.size()) split = std::string_view::npos;
    const std::string_view date = text.substr(0, split);
    std::int64_t days = 0, clock = 0;
    if (m_dateKnown && date == std::string_view(m_lastDate, m_lastDateSize)) {
        days = m_lastDays;
    } else {
        if (!ParseBarDate(date, days)) return false;
        m_dateKnown = date.size() <= sizeof m_lastDate;
        if (m_dateKnown) {
            std::memcpy(m_lastDate, date.data(), date.size());
            m_lastDateSize = date.size();
            unsigned char masks[sizeof m_lastDate] = {};
            std::memset(masks, 0xFF, date.size());
            std::memcpy(m_dateWords, m_lastDate, sizeof m_dateWords);
            std::memcpy(m_dateMasks, masks, sizeof m_dateMasks);
            m_lastDays = days;
        }
    }
    hasClock = split != std::string_view::npos;
    if (hasClock && !ParseBarClock(text.substr(split + 1), clock)) return false;
    out = days * 86400 + clock;
    return true;
}

COhlcParser::COhlcParser(std::string fileName, ReadOptions options)
    : m_fileName(std::move(fileName)), m_options(options) {
    m_series.name = m_fileName;
    const std::size_t slash = m_series.name.find_last_of('/');
    if (slash != std::string::npos) m_series.name.erase(0, slash + 1);
}

bool COhlcParser::Fail(std::string message) {
    if (!m_failed) {
        m_failed = true;
        m_report.ok = false;
        m_report.error = std::move(message);
    }
    return false;
}

bool COhlcParser::BadRow(int column, std::string_view reason) {
    std::string message = m_fileName + ":" + std::to_string(m_lineNumber) + ": ";
    if (column >= 0) {
        message += "column " + std::to_string(column + 1);
        if (static_cast<std::size_t>(column) < m_columns.names.size()) {
            message += " (" + m_columns.names[static_cast<std::size_t>(column)] + ")";
        }
        message += ": ";
    }
    message += reason;
    if (!m_options.skipBadRows) return Fail(std::move(message));
    if (m_report.skipped++ == 0) m_report.firstSkipped = std::move(message);
    return true;
}

bool COhlcParser::Feed(std::string_view block) {
    // Lines within the block may be read past their end up to its end.
    const char* const readable = block.data() + block.size();
    while (!m_failed && !block.empty()) {
        const std::size_t newline = block.find('\n');
        const std::string_view piece = block.substr(0, newline);
        const bool complete = newline != std::string_view::npos;
        block.remove_prefix(complete ? newline + 1 : block.size());

        if (m_overlong) {
            // The rest of a line already found too long: dropped unread.
            if (complete) m_overlong = false;
            continue;
        }
        if (m_partial.size() + piece.size() > m_options.maxLineBytes) {
            ++m_lineNumber;
            m_partial.clear();
            m_overlong = !complete;
            if (!m_headerSeen) {
                return Fail(m_fileName + ":" + std::to_string(m_lineNumber) +
                            ": the line is longer than " + std::to_string(m_options.maxLineBytes) +
                            " bytes");
            }
            BadRow(-1,
                   "the line is longer than " + std::to_string(m_options.maxLineBytes) + " bytes");
            continue;
        }
        if (!complete) {
            m_partial.append(piece);
            break;
        }
        ++m_lineNumber;
        if (m_partial.empty()) {
            Line(piece, readable);
        } else {
            m_partial.append(piece);
            Line(m_partial, m_partial.data() + m_partial.size());
            m_partial.clear();
        }
    }
    return !m_failed;
}

bool COhlcParser::Finish() {
    if (m_failed) return false;
    if (!m_partial.empty()) {
        ++m_lineNumber;
        m_unended = true;
        Line(m_partial, m_partial.data() + m_partial.size());
        m_partial.clear();
    }
    if (m_failed) return false;
    if (!m_headerSeen) return Fail(m_fileName + ": the file holds no columns");
    if (m_series.bars.empty()) return Fail(m_fileName + ": the file holds no price rows");
    if (m_direction < 0) {
        m_series.bars.Reverse();
        m_report.descending = true;
    }
    m_report.ok = true;
    return true;
}

void COhlcParser::ExpectBytes(std::uint64_t fileBytes) {
    m_expectedBytes = fileBytes;
}

void COhlcParser::ReserveForFile() {
    // The rows so far tell the bytes a row takes; a few percent more rows than the file would
    // hold at that rate spares the copies of a growing store (and the peak of twice its size
    // while one runs). Pages reserved and never filled cost no memory.
    const double bytesPerRow = static_cast<double>(m_rowBytes) / kSampleRows;
    const double rows = static_cast<double>(m_expectedBytes) / bytesPerRow * 1.05 + kSampleRows;
    m_series.bars.reserve(
        static_cast<std::size_t>(std::min(rows, static_cast<double>(m_options.maxBars))));
}

bool COhlcParser::Line(std::string_view line, const char* readable) {
    if (m_lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    line = Trim(line);
    if (line.empty() || line.front() == '#') return true;
    if (!m_headerSeen) return Header(line);
    if (m_series.bars.size() < kSampleRows) m_rowBytes += line.size() + 1;
    return Row(line, readable);
}

void COhlcParser::Split(std::string_view line) {
    m_fields.clear();
    std::size_t start = 0;
    while (true) {
        std::size_t end = start;
        // A quoted field may hold the delimiter.
        if (end < line.size() && line[end] == '"') {
            const std::size_t close = line.find('"', end + 1);
            end = close == std::string_view::npos ? line.size() : close + 1;
        }
        end = line.find(m_delimiter, end);
        if (end == std::string_view::npos) {
            m_fields.push_back(line.substr(start));
            return;
        }
        m_fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
}

bool COhlcParser::Header(std::string_view line) {
    m_headerSeen = true;
    // The delimiter is the one the first line uses most.
    const auto count = [line](char c) { return std::count(line.begin(), line.end(), c); };
    const std::ptrdiff_t tabs = count('\t'), semicolons = count(';'), commas = count(',');
    m_delimiter = tabs >= semicolons && tabs >= commas && tabs > 0 ? '\t'
                  : semicolons >= commas && semicolons > 0         ? ';'
                                                                   : ',';
    m_decimalComma = m_delimiter != ',';
    Split(line);

    Columns columns;
    int adjusted = -1, price = -1;
    for (int i = 0; i < static_cast<int>(m_fields.size()); ++i) {
        const std::string key = HeaderKey(m_fields[static_cast<std::size_t>(i)]);
        std::string_view shown = Trim(m_fields[static_cast<std::size_t>(i)]);
        if (shown.size() >= 2 && shown.front() == '"' && shown.back() == '"') {
            shown = shown.substr(1, shown.size() - 2);
        }
        columns.names.push_back(Escaped(shown));
        if (key == "date" || key == "day") {
            columns.date = i;
        } else if (key == "time") {
            columns.time = i;
        } else if (key == "datetime" || key == "date time" || key == "timestamp" ||
                   key == "time stamp") {
            columns.date = i;
        } else if (key == "open") {
            columns.open = i;
        } else if (key == "high") {
            columns.high = i;
        } else if (key == "low") {
            columns.low = i;
        } else if (key == "close") {
            columns.close = i;
        } else if (key == "adj close" || key == "adjclose" || key == "adjusted close") {
            adjusted = i;
        } else if (key == "price" || key == "last") {
            price = i;
        } else if (key == "volume" || key == "vol" || key == "vol.") {
            columns.volume = i;
        }
    }
    if (columns.close < 0) columns.close = price >= 0 ? price : adjusted;

    if (columns.date < 0 || columns.close < 0) {
        // No header: the first line may be a row of DATE [TIME] PRICE or OHLC [VOLUME].
        std::int64_t scratch = 0;
        UnixSeconds when = 0;
        bool hasClock = false;
        if (!m_fields.empty() && ParseBarDateTime(m_fields[0], when, hasClock)) {
            Columns positional;
            positional.date = 0;
            int next = 1;
            if (m_fields.size() > 1 && ParseBarClock(m_fields[1], scratch))
                positional.time = next++;
            const int numbers = static_cast<int>(m_fields.size()) - next;
            if (numbers == 1) {
                positional.close = next;
            } else if (numbers >= 4) {
                positional.open = next;
                positional.high = next + 1;
                positional.low = next + 2;
                positional.close = next + 3;
                if (numbers >= 5) positional.volume = next + 4;
            }
            if (positional.close >= 0) {
                static constexpr const char* kNames[] = {"Date", "Time",  "Open",  "High",
                                                         "Low",  "Close", "Volume"};
                positional.names.assign(m_fields.size(), "");
                positional.names[0] = kNames[0];
                if (positional.time >= 0) positional.names[1] = kNames[1];
                if (positional.open >= 0) {
                    for (int k = 0; k < 3; ++k) {
                        positional.names[static_cast<std::size_t>(positional.open + k)] =
                            kNames[2 + k];
                    }
                }
                positional.names[static_cast<std::size_t>(positional.close)] = kNames[5];
                if (positional.volume >= 0) {
                    positional.names[static_cast<std::size_t>(positional.volume)] = kNames[6];
                }
                columns = std::move(positional);
            }
        }
        if (columns.date < 0 || columns.close < 0) {
            return Fail(m_fileName + ":" + std::to_string(m_lineNumber) +
                        ": no recognisable header: a Date (or DateTime) column and a Close (or "
                        "Price) column are needed");
        }
        m_columns = std::move(columns);
        m_columns.needed = 1 + std::max({m_columns.date, m_columns.time, m_columns.open,
                                         m_columns.high, m_columns.low, m_columns.close});
        m_series.hasOhlc = m_columns.open >= 0;
        m_series.hasVolume = m_columns.volume >= 0;
        return Row(line, line.data() + line.size());
    }
    m_columns = std::move(columns);
    m_columns.needed = 1 + std::max({m_columns.date, m_columns.time, m_columns.open, m_columns.high,
                                     m_columns.low, m_columns.close});
    m_series.hasOhlc = m_columns.open >= 0 || m_columns.high >= 0 || m_columns.low >= 0;
    m_series.hasVolume = m_columns.volume >= 0;
    return true;
}

bool COhlcParser::NumberField(int column, double& value) {
    const std::string_view text = Unquoted(m_fields[static_cast<std::size_t>(column)]);
    if (text.empty()) return BadRow(column, "missing value") && false;
    std::string_view digits = text;
    if (digits.front() == '+') digits.remove_prefix(1);
    {
        const char* at = digits.data();
        const char* const end = at + digits.size();
        if (ScanDecimal(at, end, '.', m_decimalComma ? ',' : '.', value) && at == end) return true;
    }
    char buffer[64];
    if (m_decimalComma && digits.size() < sizeof buffer &&
        digits.find(',') != std::string_view::npos) {
        std::memcpy(buffer, digits.data(), digits.size());
        std::replace(buffer, buffer + digits.size(), ',', '.');
        digits = std::string_view(buffer, digits.size());
    }
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                           std::chars_format::general);
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        if (ec == std::errc::result_out_of_range && end == digits.data() + digits.size()) {
            return BadRow(column, Shown(text) + " is out of range") && false;
        }
        return BadRow(column, Shown(text) + " is not a number") && false;
    }
    if (!std::isfinite(value))
        return BadRow(column, Shown(text) + " is not a finite number") && false;
    return true;
}

namespace {

// HH:MM or HH:MM:SS as the whole field at `at`, digits only and in range; else false, leaving
// the field to ParseBarClock (which takes more forms).
inline bool PlainClock(const char*& at, const char* end, char delimiter, std::int64_t& seconds) {
    const auto digit = [](char c) { return static_cast<unsigned>(c - '0'); };
    const std::ptrdiff_t left = end - at;
    if (left < 5 || at[2] != ':') return false;
    const unsigned h1 = digit(at[0]), h2 = digit(at[1]), m1 = digit(at[3]), m2 = digit(at[4]);
    if (h1 > 9 || h2 > 9 || m1 > 9 || m2 > 9) return false;
    const unsigned hour = h1 * 10 + h2, minute = m1 * 10 + m2;
    unsigned second = 0;
    std::ptrdiff_t size = 5;
    if (left > 5 && at[5] == ':') {
        if (left < 8) return false;
        const unsigned s1 = digit(at[6]), s2 = digit(at[7]);
        if (s1 > 9 || s2 > 9) return false;
        second = s1 * 10 + s2;
        size = 8;
    }
    if ((left > size && at[size] != delimiter) || hour > 23 || minute > 59 || second > 59) {
        return false;
    }
    seconds = hour * 3600 + minute * 60 + second;
    at += size;
    return true;
}

}  // namespace

bool COhlcParser::SameDate(const char* at, const char* end, const char* readable) const {
    const auto left = static_cast<std::size_t>(end - at);
    if (!m_dateKnown || left < m_lastDateSize) return false;
    if (readable - at >= 16) {
        std::uint64_t words[2];
        std::memcpy(words, at, sizeof words);
        if ((((words[0] ^ m_dateWords[0]) & m_dateMasks[0]) |
             ((words[1] ^ m_dateWords[1]) & m_dateMasks[1])) != 0) {
            return false;
        }
    } else if (std::memcmp(at, m_lastDate, m_lastDateSize) != 0) {
        return false;
    }
    return left == m_lastDateSize || at[m_lastDateSize] == m_delimiter;
}

void COhlcParser::SetUpRoles() {
    static_assert(static_cast<int>(Role::Open) == CBarStore::kOpen &&
                  static_cast<int>(Role::High) == CBarStore::kHigh &&
                  static_cast<int>(Role::Low) == CBarStore::kLow &&
                  static_cast<int>(Role::Close) == CBarStore::kClose &&
                  static_cast<int>(Role::Volume) == CBarStore::kVolume);
    const std::pair<int, Role> columns[] = {
        {m_columns.date, Role::Date},    {m_columns.time, Role::Time},
        {m_columns.open, Role::Open},    {m_columns.high, Role::High},
        {m_columns.low, Role::Low},      {m_columns.close, Role::Close},
        {m_columns.volume, Role::Volume}};
    for (const auto& [column, role] : columns) {
        if (role <= Role::Volume && column < 0) {
            m_rowCounts.decimals[static_cast<int>(role)] = CBarStore::Counts::kDerived;
        }
        if (column < 0) continue;
        if (static_cast<std::size_t>(column) >= m_roles.size()) {
            m_roles.resize(static_cast<std::size_t>(column) + 1, Role::Ignored);
        }
        m_roles[static_cast<std::size_t>(column)] = role;
    }
    m_roles.push_back(Role::Rest);
    m_countedChecks = m_columns.high >= 0 && m_columns.low >= 0;
}

Bar COhlcParser::BarOf(const PlainRow& row) const {
    const auto value = [&row](int f) {
        const int decimals = row.known.decimals[f];
        return decimals >= 0 ? static_cast<double>(row.known.counts[f]) / kPowers[decimals]
                             : row.values[f];
    };
    Bar bar;
    bar.time = row.time;
    bar.close = value(CBarStore::kClose);
    bar.open = m_columns.open >= 0 ? value(CBarStore::kOpen) : bar.close;
    bar.high = m_columns.high >= 0 ? value(CBarStore::kHigh) : std::max(bar.open, bar.close);
    bar.low = m_columns.low >= 0 ? value(CBarStore::kLow) : std::min(bar.open, bar.close);
    bar.volume = m_columns.volume >= 0 ? value(CBarStore::kVolume) : 0.0;
    return bar;
}

inline bool COhlcParser::Sound(const PlainRow& row) const {
    const CBarStore::Counts& known = row.known;
    const auto counted = [&known](int f) {
        return known.decimals[f] >= 0 || known.decimals[f] == CBarStore::Counts::kDerived;
    };
    if (m_countedChecks && known.decimals[CBarStore::kHigh] == known.decimals[CBarStore::kLow] &&
        counted(CBarStore::kHigh) && counted(CBarStore::kOpen) && counted(CBarStore::kClose) &&
        counted(CBarStore::kVolume)) {
        // Counts of the same decimals compare as their doubles do; a count is not -0, so it is
        // below 0, or at most 0, as its double is.
        if (known.counts[CBarStore::kHigh] < known.counts[CBarStore::kLow]) return false;
        if (known.decimals[CBarStore::kVolume] >= 0 && known.counts[CBarStore::kVolume] < 0) {
            return false;
        }
        if (m_options.requirePositive) {
            for (const int f :
                 {CBarStore::kOpen, CBarStore::kHigh, CBarStore::kLow, CBarStore::kClose}) {
                if (known.decimals[f] >= 0 && known.counts[f] <= 0) return false;
            }
        }
        return true;
    }
    // Faults are told by the general way.
    const Bar bar = BarOf(row);
    if (bar.high < bar.low || bar.volume < 0.0) return false;
    if (m_options.requirePositive &&
        (bar.close <= 0.0 || bar.open <= 0.0 || bar.high <= 0.0 || bar.low <= 0.0)) {
        return false;
    }
    return true;
}

bool COhlcParser::FastRow(std::string_view line, const char* readable, PlainRow& row) {
    const char delimiter = m_delimiter;
    const char otherPoint = m_decimalComma ? ',' : '.';
    bool hasClock = false;
    std::int64_t clock = 0;
    const char* at = line.data();
    const char* const end = at + line.size();
    const Role* const roles = m_roles.data();
    std::size_t field = 0;
    for (;; ++field) {
        const Role role = roles[field];
        if (role <= Role::Volume) {
            const int r = static_cast<int>(role);
            DecimalShape& shape = m_shapes[r];
            std::uint64_t chunk = 0;
            std::uint64_t other = 0;
            if (readable - at >= 8 &&
                (std::memcpy(&chunk, at, sizeof chunk), other = NonDigits(chunk),
                 shape.Fits(chunk, other, '.', otherPoint) ||
                     shape.Find(chunk, other, '.', otherPoint))) {
                // Seven digits at most: a count the store takes as it stands.
                row.known.counts[r] = static_cast<std::int32_t>(shape.Value(chunk));
                row.known.decimals[r] = shape.decimals;
                at += shape.size;
            } else if (!ScanDecimal(at, end, '.', otherPoint, row.values[r], row.known.counts[r],
                                    row.known.decimals[r])) {
                return false;
            }
        } else if (role == Role::Date && SameDate(at, end, readable)) {
            // The date of the row before, as intraday files give it hundreds of times in a row.
            row.time = m_lastDays * 86400;
            at += m_lastDateSize;
        } else if (role == Role::Rest) {
            for (; at < end; ++at) {
                if (*at == '"') return false;
                field += *at == delimiter;
            }
            break;
        } else if (role != Role::Time || !PlainClock(at, end, delimiter, clock)) {
            const char* const start = at;
            while (at < end && *at != delimiter) {
                if (*at++ == '"') return false;
            }
            const std::string_view text(start, static_cast<std::size_t>(at - start));
            if (role == Role::Date && !DateTime(text, row.time, hasClock)) return false;
            if (role == Role::Time && !ParseBarClock(text, clock)) return false;
        }
        if (at >= end) break;
        if (*at++ != delimiter) return false;
    }
    // A number read past the line (which the bytes after a line rule out) is no plain row.
    if (at != end) return false;
    const std::size_t fields = field + 1;
    if (fields < static_cast<std::size_t>(m_columns.needed) ||
        (m_unended && fields < m_columns.names.size())) {
        return false;
    }
    row.time += clock;
    return Sound(row);
}

bool COhlcParser::Row(std::string_view line, const char* readable) {
    if (!m_generalOnly) [[likely]] {
        if (m_roles.empty()) SetUpRoles();
        PlainRow row;
        row.known = m_rowCounts;
        if (FastRow(line, readable, row)) [[likely]]
            return Accept(row);
    }
    return GeneralRow(line);
}

bool COhlcParser::GeneralRow(std::string_view line) {
    Split(line);
    if (static_cast<int>(m_fields.size()) < m_columns.needed) {
        return BadRow(static_cast<int>(m_fields.size()),
                      "missing: the row has " + std::to_string(m_fields.size()) + " fields, " +
                          std::to_string(m_columns.needed) + " are needed");
    }
    // A last line without its line feed and short of the header's fields is most likely a file
    // cut off while it was written or copied: its last number may be cut too ("1234." of
    // "1234.56"), so the row is not taken as it stands.
    if (m_unended && m_fields.size() < m_columns.names.size()) {
        return BadRow(static_cast<int>(m_fields.size()),
                      "missing: the last line ends after " + std::to_string(m_fields.size()) +
                          " of the " + std::to_string(m_columns.names.size()) +
                          " fields of the header, without a line feed (is the file cut short?)");
    }
    Bar bar;
    bool hasClock = false;
    const std::string_view dateText = Unquoted(m_fields[static_cast<std::size_t>(m_columns.date)]);
    if (!DateTime(dateText, bar.time, hasClock)) {
        return BadRow(m_columns.date, Shown(Trim(dateText)) +
                                          " is not a date (YYYY-MM-DD or MM/DD/YYYY, with an "
                                          "optional HH:MM[:SS])");
    }
    if (m_columns.time >= 0) {
        std::int64_t clock = 0;
        const std::string_view timeText =
            Unquoted(m_fields[static_cast<std::size_t>(m_columns.time)]);
        if (!ParseBarClock(timeText, clock)) {
            return BadRow(m_columns.time, Shown(Trim(timeText)) + " is not a time (HH:MM[:SS])");
        }
        bar.time += clock;
    }
    if (!NumberField(m_columns.close, bar.close)) return !m_failed;
    bar.open = bar.high = bar.low = bar.close;
    if (m_columns.open >= 0 && !NumberField(m_columns.open, bar.open)) return !m_failed;
    if (m_columns.high >= 0 && !NumberField(m_columns.high, bar.high)) return !m_failed;
    if (m_columns.low >= 0 && !NumberField(m_columns.low, bar.low)) return !m_failed;
    if (m_options.requirePositive) {
        const std::pair<int, double> prices[] = {{m_columns.open, bar.open},
                                                 {m_columns.high, bar.high},
                                                 {m_columns.low, bar.low},
                                                 {m_columns.close, bar.close}};
        for (const auto& [column, value] : prices) {
            if (column >= 0 && value <= 0.0) {
                return BadRow(column, Shown(Trim(m_fields[static_cast<std::size_t>(column)])) +
                                          " is not above 0, as a log scale needs");
            }
        }
    }
    // A file that lacks one of them still gives a bar that holds its open and close.
    if (m_columns.high < 0) bar.high = std::max(bar.open, bar.close);
    if (m_columns.low < 0) bar.low = std::min(bar.open, bar.close);
    if (bar.high < bar.low) {
        return BadRow(m_columns.high >= 0 ? m_columns.high : m_columns.low,
                      "the high is below the low");
    }
    if (m_columns.volume >= 0 && static_cast<std::size_t>(m_columns.volume) < m_fields.size()) {
        // A volume is not needed: an empty or missing one is none traded (some exports leave
        // holidays so).
        const std::string_view volumeText =
            Unquoted(m_fields[static_cast<std::size_t>(m_columns.volume)]);
        if (!volumeText.empty()) {
            if (!NumberField(m_columns.volume, bar.volume)) return !m_failed;
            if (bar.volume < 0.0) {
                return BadRow(m_columns.volume, Shown(volumeText) + " is a volume below 0");
            }
        }
    }
    return Accept(bar);
}

bool COhlcParser::Refuse(UnixSeconds time, bool& result) {
    const UnixSeconds last = m_lastTime;
    // A time column that alone puts the row out of order is the one at fault.
    const int column =
        m_columns.time >= 0 && time / 86400 == last / 86400 ? m_columns.time : m_columns.date;
    if (!m_series.bars.empty() && time == last) {
        result = BadRow(column, "repeats the time of line " + std::to_string(m_lastLine));
        return false;
    }
    const int direction = time > last ? 1 : -1;
    if (!m_series.bars.empty() && m_direction != 0 && direction != m_direction) {
        result = BadRow(column, std::string(direction < 0 ? "goes back in time from line "
                                                          : "goes forward in time from line ") +
                                    std::to_string(m_lastLine) +
                                    (direction < 0 ? ", though the rows above go forward"
                                                   : ", though the rows above go back") +
                                    ": the rows must be in time order, oldest or newest first");
        return false;
    }
    if (!m_series.bars.empty() && m_direction == 0) m_direction = direction;
    if (m_series.bars.size() >= m_options.maxBars) {
        result = Fail(m_fileName + ":" + std::to_string(m_lineNumber) + ": more than " +
                      std::to_string(m_options.maxBars) + " bars");
        return false;
    }
    return true;
}

inline bool COhlcParser::Admit(UnixSeconds time, bool& result) {
    // Rows that go on in the file's direction, below the cap, take no other test.
    const bool onward = m_direction > 0 ? time > m_lastTime : time < m_lastTime;
    if (!(m_direction != 0 && onward && m_series.bars.size() < m_options.maxBars) &&
        !Refuse(time, result)) {
        return false;
    }
    if (!m_series.intraday && time % 86400 != 0) m_series.intraday = true;
    if (m_series.bars.size() == kSampleRows && m_expectedBytes > 0) ReserveForFile();
    m_lastTime = time;
    m_lastLine = m_lineNumber;
    return true;
}

bool COhlcParser::Accept(const Bar& bar) {
    bool result = true;
    if (!Admit(bar.time, result)) return result;
    m_series.bars.push_back(bar);
    return true;
}

bool COhlcParser::Accept(const PlainRow& row) {
    bool result = true;
    if (!Admit(row.time, result)) return result;
    if (!m_series.bars.PushKnown(row.time, row.known)) {
        m_series.bars.push_back(BarOf(row), row.known);
    }
    return true;
}

ReadReport ReadOhlcText(std::string_view text, const std::string& name, const ReadOptions& options,
                        PriceSeries& out) {
    COhlcParser parser(name, options);
    if (parser.Feed(text)) parser.Finish();
    if (parser.Report().ok) out = std::move(parser.Series());
    return parser.Report();
}

ReadReport ReadOhlcFile(const std::string& path, const ReadOptions& options, PriceSeries& out) {
    COhlcParser parser(path, options);
    struct stat info;
    caelvane::OpenFailure failure;
    const FileDescriptor file(caelvane::OpenRegularFile(path, info, failure));
    const int fd = file.Get();
    if (fd < 0) {
        ReadReport report;
        report.error =
            (failure.step == caelvane::OpenStep::Open ? "cannot open " : "cannot read ") + path +
            ": " +
            (failure.step == caelvane::OpenStep::NotRegular
                 ? std::string("not a regular file")
                 : std::string(std::strerror(failure.code)));
        return report;
    }
    parser.ExpectBytes(static_cast<std::uint64_t>(info.st_size));
    constexpr std::size_t kBlockBytes = std::size_t{1} << 17;
    std::vector<char> block(kBlockBytes);
    bool more = true;
    std::uint64_t bytesRead = 0;
    std::string readError;
    while (more) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            readError = "cannot read " + path + ": " + std::strerror(errno);
            break;
        }
        if (got == 0) break;
        more = parser.Feed(std::string_view(block.data(), static_cast<std::size_t>(got)));
        bytesRead += static_cast<std::uint64_t>(got);
        if (more && options.progress && !options.progress(bytesRead)) {
            ReadReport report;
            report.cancelled = true;
            report.error = "reading " + path + " was cancelled";
            return report;
        }
    }
    if (!readError.empty()) {
        ReadReport report;
        report.error = readError;
        return report;
    }
    if (more) parser.Finish();
    if (parser.Report().ok) out = std::move(parser.Series());
    return parser.Report();
}

}  // namespace prices
