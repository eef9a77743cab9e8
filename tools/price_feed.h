#pragma once
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

// The writer's side of the price file: the line it holds, the atomic replacement that keeps a
// reader from ever seeing half of it, and the two sources of prices (a CSV of timed prices and
// a random walk). No Qt: `caelvane-cli pricefeed` is a plain program like any outside feed.

// One update of the price file. The reader uses hour, minute and price; the date and the
// day's open, high and low are there because feeds write them.
struct PriceQuote {
    int month = 1;
    int day = 1;
    int year = 2000;
    int hour = 0;    // 0..23, as the clock shows it
    int minute = 0;  // 0..59
    double open = 0.0;
    double high = 0.0;
    double low = 0.0;
    double price = 0.0;
};

// "month day year hour minute open high low price" and a line feed; decimals with up to 15
// significant digits and '.' whatever the locale.
std::string FormatPriceLine(const PriceQuote& quote);

// Replaces the price file at `path` by `text` through the atomic replacement (a reader sees
// the old or the new file, never a part), creating missing folders of the path first. On
// failure nothing is left behind and `error` says why in the price feed's words.
bool WritePriceFile(const std::string& path, std::string_view text, std::string& error);

// A quote with its time stamp in seconds since 0001-01-01 00:00 of the CSV's own clock (no time
// zone: only the differences between rows matter, for the pace of the replay).
struct TimedQuote {
    std::int64_t seconds = 0;
    PriceQuote quote;
};

// Reads a CSV of timed prices. Blank lines and lines starting with '#' are skipped. The first
// line may be a header naming the columns (case-insensitive): "date", "time", "datetime" or
// "timestamp", "open", "high", "low", and "price", "close" or "last"; other columns are
// ignored. Without a header the columns are DATE TIME or DATETIME, then PRICE or OPEN,HIGH,LOW,
// PRICE. Dates are YYYY-MM-DD, YYYY/MM/DD or MM/DD/YYYY, times HH:MM or HH:MM:SS, a date and
// time may share one field ("2024-03-01 14:30", "2024-03-01T14:30:00"); a date alone means
// 00:00. Without open, high and low columns they are the day's first price and its running
// high and low. Rows must not go back in time. Fails with "line N: reason".
bool ParsePriceCsv(std::string_view text, std::vector<TimedQuote>& out, std::string& error);

// Prices of a random walk: the first is `start`, each next one `step` above or below the one
// before with equal chance (a walk that would reach zero or below turns up instead). Prices are
// start + k * step, so they do not drift away from the step's grid. The same seed gives the
// same walk on every machine.
class CRandomWalk {
public:
    CRandomWalk(double start, double step, std::uint64_t seed);
    double Next();

private:
    double m_start;
    double m_step;
    std::int64_t m_steps = 0;
    bool m_started = false;
    std::mt19937_64 m_engine;
};

// The day's open, high and low for feeds that give prices only: a new calendar day opens at
// its first price.
class CDayRange {
public:
    // Fills open, high and low of `quote` from its date and price.
    void Update(PriceQuote& quote);

private:
    bool m_any = false;
    int m_year = 0, m_month = 0, m_day = 0;
    double m_open = 0.0, m_high = 0.0, m_low = 0.0;
};

// The same reading one line at a time, for a CSV too long to hold (a replay streams it).
class CPriceCsvReader {
public:
    // One line without its line feed. Returns false on a bad line, with `error` as
    // "line N: reason"; otherwise `quote` holds the line's quote, or nothing for a blank line,
    // a comment or the header.
    bool Line(std::string_view line, std::optional<TimedQuote>& quote, std::string& error);
    // After the last line: false with "no prices in the file" when no line gave a quote.
    bool Finish(std::string& error) const;

private:
    struct Columns {
        int date = -1, time = -1, open = -1, high = -1, low = -1, price = -1;
    };
    std::optional<Columns> m_columns;
    bool m_hasOhlc = false;
    CDayRange m_dayRange;
    int m_lineNumber = 0;
    bool m_any = false;
    std::int64_t m_lastSeconds = 0;
};
