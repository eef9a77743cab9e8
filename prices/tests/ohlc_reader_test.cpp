#include "prices/ohlc_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>

namespace prices {
namespace {

PriceSeries Read(std::string_view text, ReadOptions options = {}) {
    PriceSeries series;
    const ReadReport report = ReadOhlcText(text, "in.csv", options, series);
    EXPECT_TRUE(report.ok) << report.error;
    return series;
}

std::string Error(std::string_view text, ReadOptions options = {}) {
    PriceSeries series;
    const ReadReport report = ReadOhlcText(text, "in.csv", options, series);
    EXPECT_FALSE(report.ok);
    EXPECT_TRUE(series.bars.empty());
    return report.error;
}

UnixSeconds At(int year, int month, int day, int hour = 0, int minute = 0) {
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60;
}

TEST(CivilDays, RoundTripsAcrossCenturiesAndLeapDays) {
    EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(DaysFromCivil(2000, 3, 1) - DaysFromCivil(2000, 2, 28), 2);
    EXPECT_EQ(DaysFromCivil(1900, 3, 1) - DaysFromCivil(1900, 2, 28), 1);
    for (std::int64_t days = -800000; days < 800000; days += 997) {
        int y = 0, m = 0, d = 0;
        CivilFromDays(days, y, m, d);
        EXPECT_EQ(DaysFromCivil(y, m, d), days);
    }
    // JED of the Unix epoch, and J2000's noon.
    EXPECT_DOUBLE_EQ(JedOfSeconds(At(2000, 1, 1, 12)), 2451545.0);
}

TEST(OhlcReader, ReadsExportWithAdjCloseAndVolumeInAnyOrderAndCase) {
    const PriceSeries series = Read(
        "volume,CLOSE,date,Adj Close,low,High,open\n"
        "100,10.5,2024-03-01,10.4,9.5,11,10\n"
        "200,12,2024-03-04,11.9,10,12.5,10.5\r\n");
    ASSERT_EQ(series.bars.size(), 2u);
    EXPECT_EQ(series.bars[0].time, At(2024, 3, 1));
    EXPECT_EQ(series.bars[0].open, 10.0);
    EXPECT_EQ(series.bars[0].high, 11.0);
    EXPECT_EQ(series.bars[0].low, 9.5);
    EXPECT_EQ(series.bars[0].close, 10.5);  // Close, not Adj Close
    EXPECT_EQ(series.bars[1].close, 12.0);
    EXPECT_TRUE(series.hasOhlc);
    EXPECT_FALSE(series.intraday);
    EXPECT_EQ(series.name, "in.csv");
}

TEST(OhlcReader, ReadsEveryDelimiterDateFormAndClock) {
    // Semicolons with decimal commas, US dates, a separate time column.
    PriceSeries series = Read(
        "Date;Time;Open;High;Low;Close\n"
        "03/01/2024;09:30;1,5;2,5;1,25;2\n"
        "03/01/2024;09:31:30;2;3;2;3\n");
    ASSERT_EQ(series.bars.size(), 2u);
    EXPECT_EQ(series.bars[0].time, At(2024, 3, 1, 9, 30));
    EXPECT_EQ(series.bars[1].time, At(2024, 3, 1, 9, 31) + 30);
    EXPECT_EQ(series.bars[0].open, 1.5);
    EXPECT_EQ(series.bars[0].low, 1.25);
    EXPECT_TRUE(series.intraday);

    // Tabs, a combined date-time with 'T' and 'Z'.
    series = Read("timestamp\tprice\n2024-03-01T14:30:00Z\t5\n2024-03-01T14:31:00.250Z\t6\n");
    ASSERT_EQ(series.bars.size(), 2u);
    EXPECT_EQ(series.bars[1].time, At(2024, 3, 1, 14, 31));
    EXPECT_FALSE(series.hasOhlc);
    EXPECT_EQ(series.bars[1].open, 6.0);
    EXPECT_EQ(series.bars[1].high, 6.0);

    // The price feed's own columns, with a space between date and time.
    series = Read("DATETIME,OPEN,HIGH,LOW,PRICE\n2024/03/01 10:00,1,3,0.5,2\n");
    ASSERT_EQ(series.bars.size(), 1u);
    EXPECT_EQ(series.bars[0].time, At(2024, 3, 1, 10));
    EXPECT_EQ(series.bars[0].close, 2.0);
    EXPECT_EQ(series.bars[0].low, 0.5);

    // DATE,PRICE with compact and European dates, a byte-order mark, comments, blank lines.
    series = Read("\xEF\xBB\xBF# closes\nDate,Price\n\n20240301,1\n02.03.2024,2\n");
    ASSERT_EQ(series.bars.size(), 2u);
    EXPECT_EQ(series.bars[1].time, At(2024, 3, 2));

    // Quoted fields and headers.
    series = Read("\"Date\",\"Close\"\n\"2024-03-01\",\"7.25\"\n");
    ASSERT_EQ(series.bars.size(), 1u);
    EXPECT_EQ(series.bars[0].close, 7.25);
}

TEST(OhlcReader, ReadsFilesWithoutHeader) {
    PriceSeries series = Read("2024-03-01,10:00,1,3,0.5,2,1000\n2024-03-01,10:01,2,2,2,2,5\n");
    ASSERT_EQ(series.bars.size(), 2u);
    EXPECT_EQ(series.bars[0].high, 3.0);
    EXPECT_EQ(series.bars[0].close, 2.0);
    series = Read("2024-03-01,5\n2024-03-02,6\n");
    ASSERT_EQ(series.bars.size(), 2u);
    EXPECT_EQ(series.bars[1].close, 6.0);
}

TEST(OhlcReader, NamesFileLineAndColumnOfEveryFault) {
    const std::string header = "Date,Open,High,Low,Close\n";
    EXPECT_EQ(Error("Name,Value\nx,1\n"),
              "in.csv:1: no recognisable header: a Date (or DateTime) column and a Close (or "
              "Price) column are needed");
    EXPECT_EQ(Error(header + "2024-03-01,1,2,0.5,abc\n"),
              "in.csv:2: column 5 (Close): 'abc' is not a number");
    EXPECT_EQ(Error(header + "2024-03-01,1,nan,0.5,1\n"),
              "in.csv:2: column 3 (High): 'nan' is not a finite number");
    EXPECT_EQ(Error(header + "2024-03-01,1,inf,0.5,1\n"),
              "in.csv:2: column 3 (High): 'inf' is not a finite number");
    EXPECT_EQ(Error(header + "2024-03-01,,2,0.5,1\n"), "in.csv:2: column 2 (Open): missing value");
    EXPECT_EQ(Error(header + "2024-03-01,1,2\n"),
              "in.csv:2: column 4 (Low): missing: the row has 3 fields, 5 are needed");
    EXPECT_EQ(Error(header + "2024-02-30,1,2,0.5,1\n"),
              "in.csv:2: column 1 (Date): '2024-02-30' is not a date (YYYY-MM-DD or "
              "MM/DD/YYYY, with an optional HH:MM[:SS])");
    EXPECT_EQ(Error(header + "2024-03-01,1,0.5,2,1\n"),
              "in.csv:2: column 3 (High): the high is below the low");
    EXPECT_EQ(Error(header + "2024-03-01,1,2,0.5,1\n2024-03-03,1,2,0.5,1\n2024-03-02,1,2,0.5,1\n"),
              "in.csv:4: column 1 (Date): goes back in time from line 3, though the rows above "
              "go forward: the rows must be in time order, oldest or newest first");
    EXPECT_EQ(Error(header + "2024-03-02,1,2,0.5,1\n\n2024-03-02,1,2,0.5,1\n"),
              "in.csv:4: column 1 (Date): repeats the time of line 2");
    EXPECT_EQ(Error("Date,Time,Close\n2024-03-02,08:00,1\n2024-03-02,10:00,1\n"
                    "2024-03-02,09:00,1\n"),
              "in.csv:4: column 2 (Time): goes back in time from line 3, though the rows above "
              "go forward: the rows must be in time order, oldest or newest first");
    EXPECT_EQ(Error("Date,Time,Close\n2024-03-02,25:00,1\n"),
              "in.csv:2: column 2 (Time): '25:00' is not a time (HH:MM[:SS])");
    EXPECT_EQ(Error(""), "in.csv: the file holds no columns");
    EXPECT_EQ(Error(header), "in.csv: the file holds no price rows");
    ReadOptions positive;
    positive.requirePositive = true;
    EXPECT_EQ(Error(header + "2024-03-01,1,2,-0.5,1\n", positive),
              "in.csv:2: column 4 (Low): '-0.5' is not above 0, as a log scale needs");
}

// A download or copy cut off mid-row leaves a last line that still reads as numbers ("1234."
// of "1234.56"): without its line feed and short of the header's fields, it is refused.
// Newest first, as finance sites export: the same series in time order, with its volume.
TEST(OhlcReader, NewestFirstExportIsTheSameSeriesReversed) {
    const std::string newestFirst =
        "Date,Open,High,Low,Close,Adj Close,Volume\n"
        "2024-03-06,12,13,11.5,12.5,12.4,3000\n"
        "2024-03-05,11,12.5,10.5,12,11.9,2000\n"
        "2024-03-04,10,11.5,9.5,11,10.9,1000\n";
    PriceSeries series;
    const ReadReport report = ReadOhlcText(newestFirst, "in.csv", {}, series);
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_TRUE(report.descending);
    EXPECT_TRUE(series.hasVolume);
    ASSERT_EQ(series.bars.size(), 3u);
    const double closes[] = {11, 12, 12.5}, volumes[] = {1000, 2000, 3000};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(series.bars[i].time, At(2024, 3, 4 + static_cast<int>(i))) << i;
        EXPECT_EQ(series.bars[i].close, closes[i]) << i;
        EXPECT_EQ(series.bars[i].volume, volumes[i]) << i;
    }
    // Oldest first reads the same bars and says nothing.
    PriceSeries forward;
    const ReadReport forwardReport = ReadOhlcText(
        "Date,Open,High,Low,Close,Volume\n2024-03-04,10,11.5,9.5,11,1000\n"
        "2024-03-05,11,12.5,10.5,12,2000\n2024-03-06,12,13,11.5,12.5,3000\n",
        "in.csv", {}, forward);
    ASSERT_TRUE(forwardReport.ok);
    EXPECT_FALSE(forwardReport.descending);
    ASSERT_EQ(forward.bars.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(forward.bars[i].time, series.bars[i].time);
    // Intraday newest first, and a file without a header with a volume after OHLC.
    const PriceSeries intraday =
        Read("2024-03-02 10:00,5,6,4,5.5,70\n2024-03-02 09:00,4,5,3,4.5,60\n");
    ASSERT_EQ(intraday.bars.size(), 2u);
    EXPECT_EQ(intraday.bars[0].time, At(2024, 3, 2, 9));
    EXPECT_EQ(intraday.bars[0].volume, 60.0);
    EXPECT_TRUE(intraday.hasVolume);
    EXPECT_FALSE(Read("Date,Close\n2024-03-01,1\n").hasVolume);
}

TEST(OhlcReader, RepeatedTimesAndUpAndDownDatesNameTheLines) {
    const std::string header = "Date,Close,Volume\n";
    struct Case {
        const char* name;
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"repeat, newest first", header + "2024-03-03,1,5\n2024-03-02,1,5\n2024-03-02,2,5\n",
         "in.csv:4: column 1 (Date): repeats the time of line 3"},
        {"repeat at the start", header + "2024-03-03,1,5\n\n2024-03-03,2,5\n",
         "in.csv:4: column 1 (Date): repeats the time of line 2"},
        {"down then up", header + "2024-03-03,1,5\n2024-03-02,1,5\n2024-03-04,1,5\n",
         "in.csv:4: column 1 (Date): goes forward in time from line 3, though the rows above go "
         "back: the rows must be in time order, oldest or newest first"},
        {"negative volume", header + "2024-03-02,1,5\n2024-03-03,1,-5\n",
         "in.csv:3: column 3 (Volume): '-5' is a volume below 0"},
        {"volume not a number", header + "2024-03-02,1,5\n2024-03-03,1,lots\n",
         "in.csv:3: column 3 (Volume): 'lots' is not a number"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Error(c.text), c.error) << c.name;
        // One reading that skips bad rows tells the same first fault, and what would be kept.
        ReadOptions skip;
        skip.skipBadRows = true;
        PriceSeries series;
        const ReadReport report = ReadOhlcText(c.text, "in.csv", skip, series);
        ASSERT_TRUE(report.ok) << c.name << ": " << report.error;
        EXPECT_EQ(report.skipped, 1u) << c.name;
        EXPECT_EQ(report.firstSkipped, c.error) << c.name;
    }
    // An empty volume is none traded.
    EXPECT_EQ(Read(header + "2024-03-03,1,\n").bars[0].volume, 0.0);
}

TEST(OhlcReader, LastLineCutShortIsRefused) {
    const std::string header = "Date,Open,High,Low,Close,Volume\n2024-03-01,1,2,0.5,1.5,100\n";
    EXPECT_EQ(Error(header + "2024-03-02,1.5,2.5,1,12"),
              "in.csv:3: column 6 (Volume): missing: the last line ends after 5 of the 6 fields "
              "of the header, without a line feed (is the file cut short?)");
    // With its line feed, or with every field, the row stands.
    EXPECT_EQ(Read(header + "2024-03-02,1.5,2.5,1,12\n").bars.size(), 2u);
    EXPECT_EQ(Read(header + "2024-03-02,1.5,2.5,1,12,7").bars.size(), 2u);
    EXPECT_EQ(Read("2024-03-01,5\n2024-03-02,6").bars.size(), 2u);
    ReadOptions skip;
    skip.skipBadRows = true;
    PriceSeries series;
    const ReadReport report =
        ReadOhlcText(header + "2024-03-02,1.5,2.5,1,12", "in.csv", skip, series);
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.skipped, 1u);
    EXPECT_EQ(series.bars.size(), 1u);
}

TEST(OhlcReader, SkipsBadRowsOnlyWhenAskedAndCountsThem) {
    const std::string text =
        "Date,Close\n2024-03-01,1\n2024-03-02,x\n2024-03-02,2\n"
        "2024-03-01,3\n2024-03-03\n2024-03-04,4\n";
    PriceSeries series;
    ReadOptions options;
    options.skipBadRows = true;
    const ReadReport report = ReadOhlcText(text, "in.csv", options, series);
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.skipped, 3u);
    EXPECT_EQ(report.firstSkipped, "in.csv:3: column 2 (Close): 'x' is not a number");
    ASSERT_EQ(series.bars.size(), 3u);
    EXPECT_EQ(series.bars[2].close, 4.0);
    EXPECT_EQ(Error(text), "in.csv:3: column 2 (Close): 'x' is not a number");
}

TEST(OhlcReader, BlocksSplitAnywhereGiveTheSameBars) {
    const std::string text =
        "Date,Time,Open,High,Low,Close\n"
        "2024-03-01,09:30,1.5,2.5,1.25,2\n"
        "2024-03-01,09:31,2,3,2,3\n"
        "2024-03-01,09:32,3,4,2,2.5";  // no final line feed
    const PriceSeries whole = Read(text);
    for (std::size_t size = 1; size < 9; ++size) {
        COhlcParser parser("in.csv", {});
        for (std::size_t at = 0; at < text.size(); at += size) {
            ASSERT_TRUE(parser.Feed(std::string_view(text).substr(at, size)));
        }
        ASSERT_TRUE(parser.Finish()) << parser.Report().error;
        ASSERT_EQ(parser.Series().bars.size(), whole.bars.size());
        for (std::size_t i = 0; i < whole.bars.size(); ++i) {
            EXPECT_EQ(parser.Series().bars[i].time, whole.bars[i].time);
            EXPECT_EQ(parser.Series().bars[i].close, whole.bars[i].close);
        }
    }
}

TEST(OhlcReader, RefusesOverlongLinesWithoutHoldingThem) {
    ReadOptions options;
    options.maxLineBytes = 64;
    const std::string longLine(1000, '7');
    EXPECT_EQ(Error(longLine + "\n", options), "in.csv:1: the line is longer than 64 bytes");
    EXPECT_EQ(Error("Date,Close\n2024-03-01," + longLine + "\n", options),
              "in.csv:2: the line is longer than 64 bytes");
    // Skipped, the long row does not take the next one with it, even across blocks.
    options.skipBadRows = true;
    COhlcParser parser("in.csv", options);
    parser.Feed("Date,Close\n2024-03-01,1\n2024-03-02,");
    for (int i = 0; i < 100; ++i) parser.Feed(longLine);
    parser.Feed("\n2024-03-03,3\n");
    ASSERT_TRUE(parser.Finish()) << parser.Report().error;
    EXPECT_EQ(parser.Report().skipped, 1u);
    ASSERT_EQ(parser.Series().bars.size(), 2u);
    EXPECT_EQ(parser.Series().bars[1].close, 3.0);

    ReadOptions few;
    few.maxBars = 2;
    EXPECT_EQ(Error("Date,Close\n2024-03-01,1\n2024-03-02,1\n2024-03-03,1\n", few),
              "in.csv:4: more than 2 bars");
}

TEST(OhlcReader, ReadsFilesAndNamesMissingOnes) {
    char path[] = "/tmp/ohlc_reader_testXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string text = "Date,Close\n2024-03-01,1\n2024-03-02,2\n";
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    PriceSeries series;
    ReadReport report = ReadOhlcFile(path, {}, series);
    EXPECT_TRUE(report.ok) << report.error;
    EXPECT_EQ(series.bars.size(), 2u);
    unlink(path);
    report = ReadOhlcFile(path, {}, series);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.error, std::string("cannot open ") + path + ": No such file or directory");
}

TEST(OhlcReader, ProgressSeesTheBytesAndCanCancel) {
    char path[] = "/tmp/ohlc_reader_progressXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    std::string text = "Date,Close\n";
    for (int day = 0; day < 400000; ++day) {
        int y = 0, m = 0, d = 0;
        CivilFromDays(day, y, m, d);
        char row[40];
        std::snprintf(row, sizeof row, "%04d-%02d-%02d,%d\n", y, m, d, day % 97 + 1);
        text += row;
    }
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    ReadOptions options;
    std::uint64_t last = 0;
    int calls = 0;
    options.progress = [&](std::uint64_t bytes) {
        EXPECT_GT(bytes, last);
        last = bytes;
        return ++calls < 2;
    };
    PriceSeries series;
    ReadReport report = ReadOhlcFile(path, options, series);
    EXPECT_FALSE(report.ok);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(series.bars.empty());
    options.progress = [&](std::uint64_t bytes) {
        last = bytes;
        return true;
    };
    report = ReadOhlcFile(path, options, series);
    EXPECT_TRUE(report.ok) << report.error;
    EXPECT_EQ(last, text.size());
    EXPECT_EQ(series.bars.size(), 400000u);
    unlink(path);
}

// Peak resident memory of the process so far, in kilobytes.
long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A line of 100 MB (a hole in a sparse file: zero bytes, no line feed) is refused at the
// default cap of 1 MB as the first line, and skipped as a row, without the reader holding it.
TEST(OhlcReader, HundredMegabyteLineIsRefusedAtTheCap) {
    constexpr off_t kLineBytes = off_t{100} << 20;
    char path[] = "/tmp/ohlc_reader_longXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, kLineBytes), 0);
    PriceSeries series;
    const long before = PeakKilobytes();
    ReadReport report = ReadOhlcFile(path, {}, series);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.error, std::string(path) + ":1: the line is longer than 1048576 bytes");

    const std::string head = "Date,Close\n2024-03-01,1\n";
    const std::string tail = "\n2024-03-03,3\n";
    ASSERT_EQ(pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), kLineBytes), static_cast<ssize_t>(tail.size()));
    close(fd);
    report = ReadOhlcFile(path, {}, series);
    EXPECT_EQ(report.error, std::string(path) + ":3: the line is longer than 1048576 bytes");
    ReadOptions skip;
    skip.skipBadRows = true;
    report = ReadOhlcFile(path, skip, series);
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.skipped, 1u);
    ASSERT_EQ(series.bars.size(), 2u);
    EXPECT_EQ(series.bars[1].close, 3.0);
    // The reader's block and one capped line, not the line: well under 100 MB more.
    EXPECT_LT(PeakKilobytes() - before, 40 * 1024);
    unlink(path);
}

// The reader's own decimal path against the general parser, bit for bit: every text it takes must
// give exactly the double std::from_chars gives; what it cannot do exactly it must refuse.
TEST(ExactDecimal, GivesTheGeneralParsersDoubleBitForBit) {
    const auto general = [](std::string_view text) {
        double value = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        return value;
    };
    struct Case {
        const char* text;
        bool taken;
    };
    const Case cases[] = {
        {"0", true},
        {"-0", true},  // a negative zero, as the general parser gives
        {"0.1", true},
        {"0.3", true},
        {"1.005", true},
        {"2.675", true},
        {"1000.42", true},
        {"00001.50000", true},
        {"0.000000000000001", true},
        {"9007199254740992", true},  // 2^53, the largest mantissa taken
        {"9007199254740993", false},
        {"900719925474099.3", false},
        {"123456789012345.6", true},
        {"0.123456789012345", true},
        {"0.1234567890123456", false},  // 17 digits with the zero
        {"12345678901234567", false},   // 17 digits
        {"0.00000000000000001", false},
        {"99999999999999999999999", false},  // wraps a 64-bit mantissa
        {"1e5", false},
        {"1.5E-3", false},
        {"0x10", false},
        {"inf", false},
        {"nan", false},
        {"1.", false},
        {".5", false},
        {"-", false},
        {"", false},
        {"+1", false},
        {"1.2.3", false},
        {" 1", false},
        {"1 ", false},
        {"--1", false},
    };
    for (const Case& c : cases) {
        double value = 12345.0;
        const bool taken = ParseExactDecimal(c.text, '.', value);
        EXPECT_EQ(taken, c.taken) << c.text;
        if (taken) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(value),
                      std::bit_cast<std::uint64_t>(general(c.text)))
                << c.text << ": " << value << " vs " << general(c.text);
        } else {
            EXPECT_EQ(value, 12345.0) << c.text << " changed the value it refused";
        }
    }
    // The decimal comma is the point only when asked for.
    double value = 0.0;
    EXPECT_TRUE(ParseExactDecimal("1,25", ',', value));
    EXPECT_EQ(value, 1.25);
    EXPECT_FALSE(ParseExactDecimal("1,25", '.', value));

    // Random decimals of 1 to 16 digits with the point anywhere, and a sign now and then.
    std::mt19937_64 random(27);
    std::size_t taken = 0;
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 16);
        const int point = static_cast<int>(random() % static_cast<unsigned>(digits + 1));
        std::string text = random() % 4 == 0 ? "-" : "";
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0) text += '.';
            text += static_cast<char>('0' + random() % 10);
        }
        if (!ParseExactDecimal(text, '.', value)) continue;
        ++taken;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(general(text)))
            << text;
    }
    // Only mantissas above 2^53 are refused: most 16-digit ones, no shorter one.
    EXPECT_GT(taken, 200000u * 14 / 16);
}

TEST(OhlcReader, DatesKeepTheGregorianCenturyRuleRowAfterRow) {
    struct Case {
        const char* date;
        bool valid;
    };
    const Case cases[] = {
        {"2000-02-29", true}, {"1900-02-29", false}, {"2100-02-29", false}, {"2400-02-29", true},
        {"1600-02-29", true}, {"2024-02-29", true},  {"2023-02-29", false}, {"2024-04-31", false},
        {"2024-12-31", true}, {"2024-13-01", false}, {"0000-01-01", false}, {"02/29/1900", false},
        {"29.02.2000", true}, {"19000229", false},   {"20000229", true},
    };
    for (const Case& c : cases) {
        std::int64_t days = 0;
        EXPECT_EQ(ParseBarDate(c.date, days), c.valid) << c.date;
        // The same after a row of the day before, whose date the reader keeps for the next
        // rows: a kept date must not let an invalid one through, nor refuse a valid one.
        const std::string text =
            std::string("Date,Time,Close\n") + c.date + ",09:30,1\n" + c.date + ",09:31,2\n";
        PriceSeries series;
        const ReadReport report = ReadOhlcText(text, "in.csv", {}, series);
        EXPECT_EQ(report.ok, c.valid) << c.date << ": " << report.error;
        if (!c.valid) {
            EXPECT_EQ(report.error, std::string("in.csv:2: column 1 (Date): '") + c.date +
                                        "' is not a date (YYYY-MM-DD or MM/DD/YYYY, with an "
                                        "optional HH:MM[:SS])");
        }
    }
    // Days that change under one combined field, and a date repeated after another.
    const PriceSeries series = Read(
        "DateTime,Close\n2000-02-28 23:59,1\n2000-02-29 00:00,2\n2000-02-29 00:01,3\n"
        "2000-03-01 00:00,4\n");
    ASSERT_EQ(series.bars.size(), 4u);
    EXPECT_EQ(series.bars[1].time, At(2000, 2, 29));
    EXPECT_EQ(series.bars[2].time, At(2000, 2, 29, 0, 1));
    EXPECT_EQ(series.bars[3].time, At(2000, 3, 1));
    EXPECT_EQ(Error("Date,Close\n1900-02-28,1\n1900-02-29,2\n"),
              "in.csv:3: column 1 (Date): '1900-02-29' is not a date (YYYY-MM-DD or MM/DD/YYYY, "
              "with an optional HH:MM[:SS])");
}

// Plain rows take a quicker way than rows with quotes, spaces, signs or exponents: the same
// prices written either way must give the same bars.
TEST(OhlcReader, EveryWayOfWritingARowGivesTheSameBar) {
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"plain", "Date,Time,Open,High,Low,Close,Volume\n2024-03-01,09:30,1.5,2.25,1,2,100\n"},
        {"spaces",
         "Date,Time,Open,High,Low,Close,Volume\n2024-03-01, 09:30 , 1.5 ,2.25, 1,2 ,100\n"},
        {"quotes",
         "Date,Time,Open,High,Low,Close,Volume\n\"2024-03-01\",\"09:30\",\"1.5\",2.25,1,\"2\","
         "100\n"},
        {"signs and exponents",
         "Date,Time,Open,High,Low,Close,Volume\n2024-03-01,09:30,+1.5,225e-2,1.0,+2,1e2\n"},
        {"seconds and padding",
         "Date,Time,Open,High,Low,Close,Volume\n2024-03-01,09:30:00,1.500,02.25,1.,2.0,100.0\n"},
        {"one field", "DateTime,Open,High,Low,Close,Volume\n2024-03-01T09:30Z,1.5,2.25,1,2,100\n"},
        {"decimal commas",
         "Date;Time;Open;High;Low;Close;Volume\n2024-03-01;09:30;1,5;2,25;1;2;100\n"},
        {"unended", "Date,Time,Open,High,Low,Close,Volume\n2024-03-01,09:30,1.5,2.25,1,2,100"},
        {"extra columns",
         "Date,Time,Open,High,Low,Close,Volume,Note\n2024-03-01,09:30,1.5,2.25,1,2,100,x\"y\n"},
    };
    for (const Case& c : cases) {
        const PriceSeries series = Read(c.text);
        ASSERT_EQ(series.bars.size(), 1u) << c.name;
        const Bar& bar = series.bars[0];
        EXPECT_EQ(bar.time, At(2024, 3, 1, 9, 30)) << c.name;
        EXPECT_EQ(bar.open, 1.5) << c.name;
        EXPECT_EQ(bar.high, 2.25) << c.name;
        EXPECT_EQ(bar.low, 1.0) << c.name;
        EXPECT_EQ(bar.close, 2.0) << c.name;
        EXPECT_EQ(bar.volume, 100.0) << c.name;
    }
    // Faults are named the same however plain the row.
    EXPECT_EQ(Error("Date,High,Low,Close\n2024-03-01,1,2,1.5\n"),
              "in.csv:2: column 2 (High): the high is below the low");
    EXPECT_EQ(Error("Date,Close,Volume\n2024-03-01,1,-5\n"),
              "in.csv:2: column 3 (Volume): '-5' is a volume below 0");
    ReadOptions positive;
    positive.requirePositive = true;
    EXPECT_EQ(Error("Date,Close\n2024-03-01,-0\n", positive),
              "in.csv:2: column 2 (Close): '-0' is not above 0, as a log scale needs");
    EXPECT_EQ(Error("Date,Close\n2024-03-01,1.5.\n"),
              "in.csv:2: column 2 (Close): '1.5.' is not a number");
}

// Bars are kept in fewer bytes where the file's numbers allow: whatever a file mixes, every
// value read back is the double its text gives (the nearest, as std::from_chars reads it), and a
// column the file lacks reads as it always has.
TEST(OhlcReader, EveryValueReadsBackAsTheDoubleOfItsText) {
    // A decimal of `count` units of 10^-decimals, as files write it.
    const auto decimal = [](std::int64_t count, int decimals) {
        const bool negative = count < 0;
        std::string digits = std::to_string(negative ? -count : count);
        if (decimals > 0) {
            if (digits.size() <= static_cast<std::size_t>(decimals)) {
                digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
            }
            digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
        }
        return (negative ? "-" : "") + digits;
    };
    struct Row {
        std::string open, high, low, close, volume;
    };
    struct Case {
        const char* name;
        bool volume;
        std::function<Row(std::int64_t i)> row;
        CBarStore::Form close;  // how the store keeps the closes
    };
    std::mt19937_64 random(3);
    const auto walk = [&random](std::int64_t scale) {
        return static_cast<std::int64_t>(random() % 1000) * scale / 1000;
    };
    const Case cases[] = {
        {"cents", true,
         [&](std::int64_t i) {
             const std::int64_t c = 100000 + walk(5000);
             return Row{decimal(c - 3, 2), decimal(c + 50, 2), decimal(c - 50, 2), decimal(c, 2),
                        std::to_string(100 + i)};
         },
         CBarStore::Form::Scaled},
        {"decimals from none to nine", false,
         [&](std::int64_t i) {
             const int d = static_cast<int>(i % 10);
             const std::int64_t c = 1 + walk(100000);
             return Row{decimal(c, d), decimal(c + 7, d), decimal(c - 1, d), decimal(c + 3, d), ""};
         },
         CBarStore::Form::Doubles},
        {"large prices", true,
         [&](std::int64_t i) {
             const std::int64_t c = 900000000000 + walk(1000000000);
             return Row{decimal(c, 1), decimal(c + 10, 1), decimal(c - 10, 1), decimal(c + i, 3),
                        decimal(5000000000 + i, 0)};
         },
         CBarStore::Form::Doubles},
        {"negative prices and fractional volumes", true,
         [&](std::int64_t i) {
             const std::int64_t c = -5000 + walk(4000);
             return Row{decimal(c, 3), decimal(c + 200, 3), decimal(c - 200, 3), decimal(c + 1, 3),
                        decimal(i * 25, 2)};
         },
         CBarStore::Form::Scaled},
        {"widths a 32-bit count cannot span", false,
         [&](std::int64_t i) {
             const std::int64_t c = i % 2 ? 1 + walk(9) : 12345678 + walk(1000);
             const int d = i % 2 ? 7 : 2;
             return Row{decimal(c, d), decimal(c + 1, d), decimal(c, d), decimal(c, d), ""};
         },
         CBarStore::Form::Doubles},
        {"signs, exponents and more digits than a count holds", true,
         [&](std::int64_t i) {
             const std::string e = "e" + std::to_string(i % 5 - 2);
             return Row{"+1.5" + e, "2.25" + e, "0.3333333333333333" + e,
                        decimal(1000000 + walk(1000), 6) + e, "1e" + std::to_string(i % 4)};
         },
         CBarStore::Form::Doubles},
    };
    for (const Case& c : cases) {
        std::string text =
            c.volume ? "Date,Time,Open,High,Low,Close,Volume\n" : "Date,Time,Open,High,Low,Close\n";
        std::vector<Row> rows;
        for (std::int64_t i = 0; i < 700; ++i) {
            rows.push_back(c.row(i));
            const Row& r = rows.back();
            char clock[16];
            std::snprintf(clock, sizeof clock, "%02d:%02d", static_cast<int>(i / 60 % 24),
                          static_cast<int>(i % 60));
            text += "2024-03-0" + std::to_string(1 + i / 1440) + "," + clock + "," + r.open + "," +
                    r.high + "," + r.low + "," + r.close + (c.volume ? "," + r.volume : "") + "\n";
        }
        const auto number = [](const std::string& field) {
            const std::string_view digits =
                field[0] == '+' ? std::string_view(field).substr(1) : std::string_view(field);
            double value = 0.0;
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
            return value;
        };
        const PriceSeries series = Read(text);
        ASSERT_EQ(series.bars.size(), rows.size()) << c.name;
        EXPECT_EQ(series.bars.FormOf(CBarStore::kClose), c.close) << c.name;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const Bar bar = series.bars[i];
            const Row& r = rows[i];
            const std::pair<double, std::string> values[] = {
                {bar.open, r.open},
                {bar.high, r.high},
                {bar.low, r.low},
                {bar.close, r.close},
                {bar.volume, c.volume ? r.volume : "0"}};
            for (const auto& [value, field] : values) {
                EXPECT_EQ(std::bit_cast<std::uint64_t>(value),
                          std::bit_cast<std::uint64_t>(number(field)))
                    << c.name << ", row " << i << ": " << field << " read as " << value;
            }
        }
    }
    // Files without open, high and low, read forward and newest first.
    const PriceSeries closes = Read("Date,Close\n2024-03-01,5.25\n2024-03-02,-0.5\n");
    const PriceSeries newest = Read("Date,Close\n2024-03-02,-0.5\n2024-03-01,5.25\n");
    for (const PriceSeries* series : {&closes, &newest}) {
        ASSERT_EQ(series->bars.size(), 2u);
        EXPECT_EQ(series->bars[0].open, 5.25);
        EXPECT_EQ(series->bars[0].high, 5.25);
        EXPECT_EQ(series->bars[1].low, -0.5);
        EXPECT_EQ(series->bars[1].volume, 0.0);
    }
    EXPECT_EQ(Read("Date,Open,Close\n2024-03-01,5,6\n").bars[0].high, 6.0);
    EXPECT_EQ(Read("Date,Open,Close\n2024-03-01,5,6\n").bars[0].low, 5.0);
}

TEST(OhlcReader, StoreIsSizedFromTheFile) {
    char path[] = "/tmp/caelvane_ohlc_size_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    std::string text = "Date,Time,Close\n";
    for (int i = 0; i < 5000; ++i) {
        char row[64];
        std::snprintf(row, sizeof row, "2024-03-%02d,%02d:%02d,%d.%02d\n", 1 + i / 1440,
                      i / 60 % 24, i % 60, 100 + i % 50, i % 100);
        text += row;
    }
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    PriceSeries series;
    const ReadReport report = ReadOhlcFile(path, {}, series);
    unlink(path);
    ASSERT_TRUE(report.ok) << report.error;
    ASSERT_EQ(series.bars.size(), 5000u);
    // Room for all rows, without the doubling of a store that grew: at most some 10% spare.
    EXPECT_LE(series.bars.capacity(), 5800u);
}

// Plain rows take a quicker way than the one that names faults: for every file, however its rows
// are written and wherever the blocks split it, both ways must give the same bars bit for bit,
// the same store, and the same report.
struct Reading {
    ReadReport report;
    PriceSeries series;
};

Reading ReadWay(std::string_view text, bool general, const ReadOptions& options,
                std::size_t block) {
    COhlcParser parser("in.csv", options);
    if (general) parser.ReadEveryRowTheGeneralWay();
    bool more = true;
    for (std::size_t at = 0; at < text.size() && more; at += block) {
        more = parser.Feed(text.substr(at, block));
    }
    if (more) parser.Finish();
    Reading reading;
    reading.report = parser.Report();
    if (reading.report.ok) reading.series = std::move(parser.Series());
    return reading;
}

void ExpectSameReading(const Reading& general, const Reading& quick, const std::string& name) {
    EXPECT_EQ(quick.report.ok, general.report.ok) << name;
    EXPECT_EQ(quick.report.error, general.report.error) << name;
    EXPECT_EQ(quick.report.skipped, general.report.skipped) << name;
    EXPECT_EQ(quick.report.firstSkipped, general.report.firstSkipped) << name;
    EXPECT_EQ(quick.report.descending, general.report.descending) << name;
    const CBarStore& a = general.series.bars;
    const CBarStore& b = quick.series.bars;
    ASSERT_EQ(b.size(), a.size()) << name;
    EXPECT_EQ(quick.series.intraday, general.series.intraday) << name;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Bar x = a[i], y = b[i];
        const auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
        ASSERT_TRUE(x.time == y.time && bits(x.open) == bits(y.open) &&
                    bits(x.high) == bits(y.high) && bits(x.low) == bits(y.low) &&
                    bits(x.close) == bits(y.close) && bits(x.volume) == bits(y.volume))
            << name << ", bar " << i << ": " << y.close << " vs " << x.close;
    }
    for (int f = 0; f < CBarStore::kFields; ++f) {
        const auto field = static_cast<CBarStore::Field>(f);
        EXPECT_EQ(b.FormOf(field), a.FormOf(field)) << name << ", field " << f;
        EXPECT_EQ(b.DecimalsOf(field), a.DecimalsOf(field)) << name << ", field " << f;
    }
}

void ExpectBothWaysAlike(const std::string& text, const std::string& name) {
    for (const bool skip : {false, true}) {
        for (const bool positive : {false, true}) {
            ReadOptions options;
            options.skipBadRows = skip;
            options.requirePositive = positive;
            const Reading general = ReadWay(text, true, options, text.size() + 1);
            for (const std::size_t block : {text.size() + 1, std::size_t{7}, std::size_t{64}}) {
                ExpectSameReading(general, ReadWay(text, false, options, block),
                                  name + (skip ? ", skipping" : "") +
                                      (positive ? ", positive" : "") + ", blocks of " +
                                      std::to_string(block));
            }
        }
    }
}

TEST(OhlcReader, QuickAndGeneralWaysGiveTheSameBars) {
    // Rows of minutes around a given price text; {P} stands for each price, {V} the volume.
    struct Case {
        const char* name;
        const char* header;
        std::vector<std::string> prices;  // one per row, used for all four prices of the row
        const char* volume;
        const char* clock;  // printf form of the clock, from the hour and minute
        const char* lineEnd;
    };
    const Case cases[] = {
        {"decimals none to eight",
         "Date,Time,Open,High,Low,Close,Volume",
         {"1", "12", "1.5", "12.25", "123.125", "1.2345", "0.12345", "9.123456", "1.1234567",
          "0.12345678", "1000", "999.99"},
         "100",
         "%02d:%02d",
         "\n"},
        {"large and small",
         "Date,Time,Open,High,Low,Close,Volume",
         {"1073741824", "1073741823", "2147483647", "99999999", "0.00000001", "123456.7", "9999999",
          "10000000", "4503599627370496", "0.1", "0"},
         "5000000000",
         "%02d:%02d",
         "\n"},
        {"signs and exponents",
         "Date,Time,Open,High,Low,Close,Volume",
         {"1.5", "1e3", "12.25", "12e25", "-1.5", "+1.5", "-0", "-0.00", "1.5E-2", "+12",
          "-1000.25", "1.", ".5", "1.2.3", "12:5"},
         "-0",
         "%02d:%02d",
         "\n"},
        {"spaces and quotes",
         "Date,Time,Open,High,Low,Close,Volume",
         {" 1.5", "2.5 ", "\"3.5\"", "\" 4.5 \"", "5.5"},
         " 7 ",
         "%02d:%02d",
         "\n"},
        {"CRLF and seconds",
         "Date,Time,Open,High,Low,Close,Volume",
         {"10.25", "10.5", "10.75", "11"},
         "1",
         "%02d:%02d:07",
         "\r\n"},
        {"bad clocks",
         "Date,Time,Open,High,Low,Close,Volume",
         {"10.25", "10.5"},
         "1",
         "%02d:%02d:60",
         "\n"},
        {"decimal commas",
         "Date;Time;Open;High;Low;Close;Volume",
         {"1,5", "1.5", "10,25", "1000,125", "7"},
         "3",
         "%02d:%02d",
         "\n"},
        {"tabs",
         "Date\tTime\tOpen\tHigh\tLow\tClose",
         {"1,5", "2", "3.25"},
         "",
         "%02d:%02d",
         "\t\n"},
        {"closes alone",
         "Date,Time,Close",
         {"5.25", "-0.5", "7", "1e1", "0"},
         "",
         "%02d:%02d",
         "\n"},
        {"no header", "", {"1.25", "1.5", "1.75"}, "10", "%02d:%02d", "\n"},
    };
    for (const Case& c : cases) {
        const auto unescape = [](std::string text) {
            std::string out;
            for (std::size_t i = 0; i < text.size(); ++i) {
                if (text[i] == '\\' && i + 1 < text.size()) {
                    const char e = text[++i];
                    out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
                } else {
                    out += text[i];
                }
            }
            return out;
        };
        const std::string header = unescape(c.header);
        const std::string lineEnd = unescape(c.lineEnd);
        const char delimiter = header.find(';') != std::string::npos    ? ';'
                               : header.find('\t') != std::string::npos ? '\t'
                                                                        : ',';
        const bool closes = header.find("Open") == std::string::npos && !header.empty();
        const bool volume = std::string(c.volume).size() > 0;
        std::string text = header.empty() ? "" : header + lineEnd;
        for (int i = 0; i < 40; ++i) {
            const std::string price =
                unescape(c.prices[static_cast<std::size_t>(i) % c.prices.size()]);
            char clock[32];
            std::snprintf(clock, sizeof clock, c.clock, 9 + i / 60, i % 60);
            // A day that changes every 16 rows.
            text += "2024-03-" + std::to_string(10 + i / 16) + delimiter + clock;
            for (int k = 0; k < (closes ? 1 : 4); ++k) text += delimiter + price;
            if (volume) text += delimiter + unescape(c.volume);
            text += lineEnd;
        }
        ExpectBothWaysAlike(text, c.name);
        // The last line without its line feed, and cut short.
        const std::string unended = text.substr(0, text.size() - lineEnd.size());
        ExpectBothWaysAlike(unended, std::string(c.name) + ", unended");
        ExpectBothWaysAlike(unended.substr(0, unended.size() - 2),
                            std::string(c.name) + ", cut short");
    }
    // Rows out of order, repeated, and bad rows anywhere.
    const std::string head = "Date,Time,Open,High,Low,Close,Volume\n";
    const std::string rows[] = {
        "2024-03-01,09:30,1.50,1.75,1.25,1.60,100\n",
        "2024-03-01,09:31,1.60,1.80,1.55,1.70,200\n",
        "2024-03-01,09:32,1.70,1.90,1.65,1.80,300\n",
    };
    const std::string faults[] = {
        "2024-03-01,09:31,1.60,1.80,1.55,1.70,200\n",  // repeats a time
        "2024-02-29,09:30,1.60,1.80,1.55,1.70,200\n",  // goes back
        "2024-03-01,09:33,1.60,1.50,1.55,1.70,200\n",  // high below low
        "2024-03-01,09:34,1.60,1.80,1.55,1.70,-5\n",   // negative volume
        "2024-03-01,09:35,1.60,1.80,1.55\n",           // too few fields
        "2024-03-01,25:00,1.60,1.80,1.55,1.70,200\n",  // no clock
        "2024-02-30,09:36,1.60,1.80,1.55,1.70,200\n",  // no date
        "2024-03-01,09:37,1.6x,1.80,1.55,1.70,200\n",  // no number
        "\n# a comment\n   \n",
    };
    for (std::size_t f = 0; f < std::size(faults); ++f) {
        for (std::size_t at = 0; at <= std::size(rows); ++at) {
            std::string text = head;
            for (std::size_t r = 0; r < std::size(rows); ++r) {
                if (r == at) text += faults[f];
                text += rows[r];
            }
            if (at == std::size(rows)) text += faults[f];
            ExpectBothWaysAlike(text,
                                "fault " + std::to_string(f) + " before row " + std::to_string(at));
        }
    }
}

// Thousands of rows of random prices in the forms files use: each value must read back as the
// double std::from_chars makes of its text, the same both ways.
TEST(OhlcReader, RandomPricesReadAsTheGeneralParserReadsThem) {
    std::mt19937_64 random(41);
    const auto number = [&random] {
        const int form = static_cast<int>(random() % 10);
        const int digits = 1 + static_cast<int>(random() % (form < 7 ? 8 : 17));
        const int decimals = static_cast<int>(random() % (digits + 1));
        std::string text;
        for (int d = 0; d < digits; ++d) {
            if (d == digits - decimals && d > 0) text += '.';
            text += static_cast<char>('0' + random() % 10);
        }
        if (form == 7) text = "-" + text;
        if (form == 8) text += "e" + std::to_string(static_cast<int>(random() % 7) - 3);
        return text;
    };
    for (int file = 0; file < 4; ++file) {
        std::string text = "Date,Time,Open,High,Low,Close,Volume\n";
        std::vector<std::array<std::string, 5>> rows;
        for (int i = 0; i < 1500; ++i) {
            // The largest value the high and the smallest the close, so that no row has its
            // high below its low.
            std::array<std::string, 5> row = {number(), number(), number(), number(), number()};
            const auto value = [](const std::string& field) {
                double v = 0.0;
                std::from_chars(field.data(), field.data() + field.size(), v);
                return v;
            };
            std::sort(
                row.begin(), row.begin() + 4,
                [&](const std::string& a, const std::string& b) { return value(a) < value(b); });
            std::swap(row[0], row[2]);  // open, high, low, close = 3rd, 4th, 1st, 2nd smallest
            std::swap(row[1], row[3]);
            std::swap(row[2], row[3]);
            if (row[4][0] == '-') row[4].erase(0, 1);
            char clock[16];
            std::snprintf(clock, sizeof clock, "%02d:%02d", i / 60 % 24, i % 60);
            text += "2024-03-" + std::to_string(10 + i / 1440) + "," + clock;
            for (const std::string& field : row) text += "," + field;
            text += "\n";
            rows.push_back(row);
        }
        const Reading quick = ReadWay(text, false, {}, text.size());
        ASSERT_TRUE(quick.report.ok) << quick.report.error;
        ASSERT_EQ(quick.series.bars.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const Bar bar = quick.series.bars[i];
            const double values[] = {bar.open, bar.high, bar.low, bar.close, bar.volume};
            for (int f = 0; f < 5; ++f) {
                const std::string& field = rows[i][static_cast<std::size_t>(f)];
                double expected = 0.0;
                std::from_chars(field.data(), field.data() + field.size(), expected);
                ASSERT_EQ(std::bit_cast<std::uint64_t>(values[f]),
                          std::bit_cast<std::uint64_t>(expected))
                    << "row " << i << ", field " << f << ": " << field;
            }
        }
        ExpectSameReading(ReadWay(text, true, {}, text.size()), quick,
                          "random file " + std::to_string(file));
    }
}

}  // namespace
}  // namespace prices
