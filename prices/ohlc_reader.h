#pragma once
// Reads bar files as people export them: a header naming the columns in any case and order
// (Date, Time, Open, High, Low, Close, Adj Close, Volume, Price, DateTime/Timestamp; others
// are ignored), or no header and the columns DATE [TIME] then PRICE or OPEN HIGH LOW CLOSE
// [VOLUME]. Fields are separated by commas, semicolons or tabs (whichever the first line
// uses); with semicolons or tabs a decimal comma is read as well. Dates are YYYY-MM-DD,
// YYYY/MM/DD, YYYYMMDD, MM/DD/YYYY or DD.MM.YYYY, times HH:MM[:SS[.fff]], a date and a time
// may share a field (space or 'T' between, an optional 'Z'). Rows go forward in time, or all
// backward (newest first, as many sites export): such a file is read as the same series in
// time order. A time given twice, or dates that go up and down, are refused naming the lines. A
// last line without a line feed must hold every field the header names (else the file looks
// cut short).
//
// Files are read in blocks as they stream in, so their size is bounded only by the number of
// bars kept; no line may be longer than ReadOptions::maxLineBytes.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "prices/ohlc.h"

namespace prices {

struct ReadOptions {
    // Drop rows that cannot be read and go on, instead of failing at the first.
    bool skipBadRows = false;
    // Refuse prices of 0 and below, as a log scale must.
    bool requirePositive = false;
    std::size_t maxLineBytes = std::size_t{1} << 20;
    std::size_t maxBars = std::size_t{1} << 24;
    // Told the bytes read so far after every block ReadOhlcFile reads; returning false stops
    // the reading (the report then says `cancelled`). Called on the reading thread.
    std::function<bool(std::uint64_t bytesRead)> progress;
};

struct ReadReport {
    bool ok = false;
    // Why reading failed: "FILE:LINE: column N (NAME): reason", or "FILE: reason" when no line
    // is at fault.
    std::string error;
    std::size_t skipped = 0;  // rows dropped under skipBadRows
    // What was wrong with the first of them: the very error a reading without skipBadRows
    // gives, so that one reading with skipBadRows tells both whether the file is whole and what
    // keeping its good rows would give.
    std::string firstSkipped;
    bool descending = false;  // the rows ran newest first; the bars are in time order
    bool cancelled = false;   // stopped by ReadOptions::progress
};

// The reader behind both entry points, for callers that have the bytes in pieces.
class COhlcParser {
public:
    COhlcParser(std::string fileName, ReadOptions options);

    // Takes the next piece of the file. Returns false once reading has failed.
    bool Feed(std::string_view block);
    // The file has ended. Returns whether the whole file was read.
    bool Finish();

    // The file's size, when known: the bar store is sized from it.
    void ExpectBytes(std::uint64_t fileBytes);

    // Reads every row the general way, which names faults, rather than the quicker way taken by
    // plain rows: both must give the same bars (for the tests that compare them).
    void ReadEveryRowTheGeneralWay() { m_generalOnly = true; }

    const ReadReport& Report() const { return m_report; }
    PriceSeries& Series() { return m_series; }

private:
    struct Columns {
        int date = -1, time = -1, open = -1, high = -1, low = -1, close = -1, volume = -1;
        int needed = 0;  // fields a row must have
        std::vector<std::string> names;
    };

    // A row as the quick way reads it: its time, and each price as a count of 10^-decimals
    // where it is one (else as its double, in `values`).
    struct PlainRow {
        UnixSeconds time = 0;
        CBarStore::Counts known;
        double values[CBarStore::kFields] = {};
    };

    // `readable`: the end of the bytes that may be read, the line's end or beyond it.
    bool Line(std::string_view line, const char* readable);
    bool Header(std::string_view line);
    bool Row(std::string_view line, const char* readable);
    // Reads a row field by field, naming what is wrong with it.
    [[gnu::noinline]] bool GeneralRow(std::string_view line);
    // Reads a row in one pass when it holds nothing unusual; false leaves it to the general way
    // (which also names every fault).
    bool FastRow(std::string_view line, const char* readable, PlainRow& row);
    // Whether a row read the quick way has none of the faults the general way names.
    bool Sound(const PlainRow& row) const;
    Bar BarOf(const PlainRow& row) const;
    void SetUpRoles();
    // Whether the field at `at` is the date text of the row before, whole.
    bool SameDate(const char* at, const char* end, const char* readable) const;
    // Whether a bar at `time` read from the current line keeps the rows in time order and
    // within bounds; if not, `result` is what reading the row returns.
    bool Admit(UnixSeconds time, bool& result);
    // The same for rows that do not simply go on in the file's direction.
    [[gnu::noinline]] bool Refuse(UnixSeconds time, bool& result);
    // Takes a bar read from the current line if it keeps the rows in time order.
    bool Accept(const Bar& bar);
    bool Accept(const PlainRow& row);
    void Split(std::string_view line);
    bool Fail(std::string message);
    // A row is wrong: fails, or counts it when bad rows are skipped. Always returns !failed.
    bool BadRow(int column, std::string_view reason);
    bool NumberField(int column, double& value);
    bool DateTime(std::string_view text, UnixSeconds& out, bool& hasClock);
    void ReserveForFile();

    // Rows read before the store is sized from the bytes they took.
    static constexpr std::size_t kSampleRows = 256;

    std::string m_fileName;
    ReadOptions m_options;
    ReadReport m_report;
    PriceSeries m_series;

    std::string m_partial;  // the unfinished last line of the blocks so far
    bool m_overlong = false;
    bool m_unended = false;  // the line being read is the last, without a line feed
    bool m_failed = false;
    bool m_generalOnly = false;
    bool m_headerSeen = false;
    std::size_t m_lineNumber = 0;
    char m_delimiter = ',';
    bool m_decimalComma = false;
    Columns m_columns;
    // What each field is, by its place in the row; prices first, as FastRow indexes by them.
    // Rest: this field and all after it are ignored (the last of m_roles).
    enum class Role { Open, High, Low, Close, Volume, Date, Time, Ignored, Rest };
    std::vector<Role> m_roles;
    // The layout of a plain decimal in eight bytes of text (at most seven bytes of digits with
    // one point among them or none, then a byte neither), which most price files keep from row
    // to row: where its digits, point and end stand.
    struct DecimalShape {
        std::uint64_t looked = 0;     // the top bits of the bytes up to the one after the number
        std::uint64_t nonDigits = 1;  // which of them are set: the point's (if any) and the end's
                                      // (1, which no chunk gives, before the first number)
        std::uint64_t before = 0;     // the digits before the point (all, without one)
        std::uint64_t after = 0;      // the digits after it
        unsigned shift = 0;           // that moves the digits, together, to the top bytes
        std::int8_t decimals = -1;    // -1 before the first number
        std::uint8_t size = 0;        // bytes of the number
        std::uint8_t point = 0;       // which byte the point is

        // Whether `chunk`, whose non-digit bytes `other` marks, lays out as this shape.
        bool Fits(std::uint64_t chunk, std::uint64_t other, char point1, char point2) const;
        // The digits of a chunk that fits, as a whole number.
        std::uint64_t Value(std::uint64_t chunk) const;
        // Takes the shape of the number that starts `chunk`; false if it starts none.
        bool Find(std::uint64_t chunk, std::uint64_t other, char point1, char point2);
    };
    // Each price column's last plain number, which the next most likely lays out as.
    DecimalShape m_shapes[CBarStore::kFields];
    CBarStore::Counts m_rowCounts;  // a row's counts before it is read: kDerived for no column
    bool m_countedChecks = false;   // high and low are columns, so their counts can be compared
    std::vector<std::string_view> m_fields;  // of the current line, kept to spare allocations
    std::size_t m_lastLine = 0;              // of the last bar kept
    UnixSeconds m_lastTime = 0;              // of the last bar kept
    // The order of the rows: +1 forward in time, -1 backward, 0 not known before two bars.
    int m_direction = 0;
    // The last date text read and its days since 1970.
    char m_lastDate[16] = {};
    std::size_t m_lastDateSize = 0;
    // m_lastDate as two words, and which of their bytes it takes.
    std::uint64_t m_dateWords[2] = {}, m_dateMasks[2] = {};
    std::int64_t m_lastDays = 0;
    bool m_dateKnown = false;
    std::uint64_t m_expectedBytes = 0;  // 0: unknown
    std::uint64_t m_rowBytes = 0;       // of the first kSampleRows rows
};

// Reads a whole file at `path` into `out`. Messages name the file as `path` was given.
ReadReport ReadOhlcFile(const std::string& path, const ReadOptions& options, PriceSeries& out);
// The same for bytes in memory; `name` stands for the file in messages.
ReadReport ReadOhlcText(std::string_view text, const std::string& name, const ReadOptions& options,
                        PriceSeries& out);

// Date and time fields as the reader takes them, for the command line and the tests.
bool ParseBarDate(std::string_view text, std::int64_t& days);
bool ParseBarClock(std::string_view text, std::int64_t& seconds);
bool ParseBarDateTime(std::string_view text, UnixSeconds& out, bool& hasClock);

// A plain decimal ([-]DIGITS[POINT DIGITS], no exponent) whose digits fit a double's mantissa
// exactly, read without a general parser: the result is the nearest double, bit for bit what
// std::from_chars gives. Returns false, leaving `value`, for anything else (the caller then
// reads it the general way).
bool ParseExactDecimal(std::string_view text, char point, double& value);

}  // namespace prices
