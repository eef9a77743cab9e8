// Reading the price file and storing one poll in the job.
#include "chart/price_poll.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "job/caelvane_doc.h"
#include "platform/atomic_file.h"

namespace {

struct GoodCase {
    const char* name;
    const char* text;
    int hour, minute;
    double price, degree;
};

TEST(PriceText, ReadsTimeAndPriceAndTurnsThePriceIntoADegree) {
    const GoodCase cases[] = {
        {"the feed's example", "1 2 3 14 30 0 0 0 1000.0", 14, 30, 1000.0, 320.0},
        {"hour 3 belongs to the day before", "1 2 3 3 5 0 0 0 1000.0", 27, 5, 1000.0, 320.0},
        {"hour 0 becomes 24", "1 2 3 0 0 0 0 0 1", 24, 0, 1.0, 5.0},
        {"hour 5 becomes 29", "1 2 3 5 0 0 0 0 1", 29, 0, 1.0, 5.0},
        {"hour 6 stays", "1 2 3 6 0 0 0 0 1", 6, 0, 1.0, 5.0},
        {"negative hours are 5 or less too", "1 2 3 -2 0 0 0 0 1", 22, 0, 1.0, 5.0},
        {"72 is a full turn", "1 2 3 14 30 0 0 0 72", 14, 30, 72.0, 0.0},
        {"zero", "1 2 3 14 30 0 0 0 0.0", 14, 30, 0.0, 0.0},
        {"143.5", "1 2 3 14 30 0 0 0 143.5", 14, 30, 143.5, 357.5},
        {"a negative price keeps its sign", "1 2 3 14 30 0 0 0 -1", 14, 30, -1.0, -5.0},
        {"tabs, line breaks and signs", "\t1\n2\r\n3 +14 30\n-0.5 1e3 .5\n+1000.0\n", 14, 30,
         1000.0, 320.0},
        {"anything after the ninth is ignored", "1 2 3 14 30 0 0 0 1000.0 junk 7 8", 14, 30, 1000.0,
         320.0},
        {"text right after the price is ignored", "1 2 3 14 30 0 0 0 1000.0USD", 14, 30, 1000.0,
         320.0},
        {"unused decimals may be anything", "1 2 3 14 30 nan inf 1e999 1000", 14, 30, 1000.0,
         320.0},
        // The largest double below the monitor's limit of 1e15 (doubles are 0.125 apart there).
        {"the largest price taken", "1 2 3 14 30 0 0 0 999999999999999.875", 14, 30,
         999999999999999.875, 319.375},
    };
    for (const GoodCase& c : cases) {
        SCOPED_TRACE(c.name);
        PriceReading reading;
        std::string error;
        ASSERT_TRUE(ParsePriceText(c.text, reading, error)) << error;
        EXPECT_EQ(reading.hour, c.hour);
        EXPECT_EQ(reading.minute, c.minute);
        EXPECT_DOUBLE_EQ(reading.price, c.price);
        EXPECT_DOUBLE_EQ(reading.degree, c.degree);
    }
}

struct BadCase {
    const char* name;
    std::string text;
    const char* reason;
};

TEST(PriceText, BadTextFailsAndLeavesTheLastReading) {
    const BadCase cases[] = {
        {"empty", "", "the price file is empty"},
        {"blanks only", " \n\t ", "the price file is empty"},
        {"four numbers", "1 2 3 14", "the price file holds only 4 of the 9 numbers"},
        {"half-written", "1 2 3 14 30 0 0 0", "the price file holds only 8 of the 9 numbers"},
        {"text", "price unavailable", "the price file holds only 0 of the 9 numbers"},
        {"a time written as 14:30", "1 2 3 14:30 0 0 0 1000",
         "the price file holds only 4 of the 9 numbers"},
        {"a decimal where an integer belongs", "1 2 3 14.5 30 0 0 0 1000",
         "the price file holds only 4 of the 9 numbers"},
        {"a sign alone", "1 2 3 - 30 0 0 0 1000", "the price file holds only 3 of the 9 numbers"},
        {"two signs", "1 2 3 14 30 0 0 0 +-1000", "the price file holds only 8 of the 9 numbers"},
        {"a NUL ends the text", std::string("1 2 3 14 30 0 0\0 0 1000", 23),
         "the price file holds only 7 of the 9 numbers"},
        {"an hour beyond the integers", "1 2 3 99999999999 30 0 0 0 1000",
         "number 4 of the price file is too large"},
        {"an unused integer beyond the integers", "-99999999999 2 3 14 30 0 0 0 1000",
         "number 1 of the price file is too large"},
        {"NaN", "1 2 3 14 30 0 0 0 nan", "the price is not a finite number"},
        {"infinity", "1 2 3 14 30 0 0 0 -inf", "the price is not a finite number"},
        {"beyond a double", "1 2 3 14 30 0 0 0 1e400", "the price is out of range"},
        {"1e308", "1 2 3 14 30 0 0 0 1e308", "the price is too large to give a degree"},
        {"1e15", "1 2 3 14 30 0 0 0 1e15", "the price is too large to give a degree"},
        {"-1e15", "1 2 3 14 30 0 0 0 -1e15", "the price is too large to give a degree"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        PriceReading reading;
        reading.hour = 11;
        reading.minute = 12;
        reading.price = 13.0;
        reading.degree = 14.0;
        std::string error;
        EXPECT_FALSE(ParsePriceText(c.text, reading, error));
        EXPECT_EQ(error, c.reason);
        EXPECT_EQ(reading.hour, 11);
        EXPECT_EQ(reading.minute, 12);
        EXPECT_EQ(reading.price, 13.0);
        EXPECT_EQ(reading.degree, 14.0);
    }
}

class PriceFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("caelvane_price_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& text) {
        const std::filesystem::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    std::filesystem::path m_dir;
};

TEST_F(PriceFileTest, ReadsTheFileOnEveryPoll) {
    const std::string path = Write("sp1last.can", "1 2 3 14 30 0 0 0 1000.0\n");
    PriceReading reading;
    std::string error;
    ASSERT_TRUE(ReadPriceFile(path, reading, error)) << error;
    EXPECT_DOUBLE_EQ(reading.degree, 320.0);
    // The writer replaces the file between polls.
    Write("sp1last.can", "1 2 3 15 0 0 0 0 143.5\n");
    ASSERT_TRUE(ReadPriceFile(path, reading, error)) << error;
    EXPECT_EQ(reading.hour, 15);
    EXPECT_DOUBLE_EQ(reading.degree, 357.5);
}

TEST_F(PriceFileTest, FilesThatCannotBeReadSayWhy) {
    const std::string missing = (m_dir / "missing.can").string();
    const std::string empty = Write("empty.can", "");
    PriceReading reading;
    reading.price = 42.0;
    std::string error;

    EXPECT_FALSE(ReadPriceFile(missing, reading, error));
    EXPECT_EQ(error, "cannot open " + missing + ": No such file or directory");
    EXPECT_FALSE(ReadPriceFile(empty, reading, error));
    EXPECT_EQ(error, "the price file is empty");
    EXPECT_FALSE(ReadPriceFile(m_dir.string(), reading, error));
    EXPECT_EQ(error.rfind("cannot ", 0), 0u) << error;
    EXPECT_NE(error.find(m_dir.string()), std::string::npos) << error;
    EXPECT_EQ(reading.price, 42.0);
}

TEST_F(PriceFileTest, AnEndlessFileIsReadOnlyAsFarAsAPriceFileGoes) {
    // 4 GiB of zero bytes that take no room on the disk.
    const std::string path = Write("huge.can", "");
    ASSERT_EQ(::truncate(path.c_str(), 4LL << 30), 0);
    PriceReading reading;
    std::string error;
    EXPECT_FALSE(ReadPriceFile(path, reading, error));
    EXPECT_EQ(error, "the price file holds only 0 of the 9 numbers");
}

// A pipe or a device is refused at once: opening a pipe for reading would wait for a writer,
// freezing the monitor's timer, and a device may never end.
TEST_F(PriceFileTest, OnlyRegularFilesAreReadAndNothingWaits) {
    const std::string pipe = (m_dir / "pipe.can").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {pipe, std::string("/dev/zero"), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        auto read = std::async(std::launch::async, [path] {
            PriceReading reading;
            std::string error;
            const bool ok = ReadPriceFile(path, reading, error);
            return std::make_pair(ok, error);
        });
        if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Let the blocked open go, so that the test ends.
            const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) ::close(writer);
            ADD_FAILURE() << "the read waited";
        }
        const auto [ok, error] = read.get();
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, "cannot read " + path + ": not a regular file");
    }
}

// Blank space up to where reading stops is not called empty: the message says how much was
// read of how much.
TEST_F(PriceFileTest, BlanksBeyondWhatIsReadAreSaidSo) {
    const std::string line = "1 2 3 14 30 0 0 0 1000.0\n";
    const std::string path = Write("blank.can", std::string(100000, ' ') + line);
    PriceReading reading;
    std::string error;
    EXPECT_FALSE(ReadPriceFile(path, reading, error));
    EXPECT_EQ(error, "the first 65536 of the " + std::to_string(100000 + line.size()) +
                         " bytes of the price file are blank; a price file is one line of "
                         "numbers");
}

// A last number with nothing after it is taken once the file has rested and reads the same.
TEST_F(PriceFileTest, ALineWithoutItsLineBreakIsTakenOnceItRests) {
    const std::string path = Write("bare.can", "1 2 3 14 30 0 0 0 2345");
    PriceReading reading;
    std::string error;
    ASSERT_TRUE(ReadPriceFile(path, reading, error)) << error;
    EXPECT_DOUBLE_EQ(reading.price, 2345.0);
}

// Writers alternating two prices, each new line written in two pieces with a pause between
// (the reader may run in the pause), 1,000 rewrites in bursts with rests between.
//
// A writer that replaces the file (a new file renamed over the old) can never be read torn,
// however long it stalls: a reading opens one file, and nobody writes to that file after the
// rename. That promise is checked exactly. Writers that rewrite the file in place (truncating,
// or over the old bytes) are refused when the reader sees the file change between its two
// reads, but one that stalls between its pieces for longer than the reader's pause leaves a
// whole, resting line that no reader can tell from a finished one ("...2345.25": the new
// head before the old tail). Against them only what holds whatever the timing is checked:
// a reading is always a whole line of the file, and a failure says why.
TEST_F(PriceFileTest, RewritesAreReadWholeOrRefused) {
    enum class Style { Replacing, Truncating, InPlace };
    struct Writer {
        const char* name;
        Style style;
    };
    const std::string heads[] = {"1 2 3 14 30 0 0 0 2345", "1 2 3 14 30 0 0 0 6789"};
    const std::string tails[] = {".75\n", ".25\n"};
    for (const Writer& writer :
         {Writer{"replacing", Style::Replacing}, Writer{"truncating", Style::Truncating},
          Writer{"in place", Style::InPlace}}) {
        SCOPED_TRACE(writer.name);
        const std::string path = Write("torn.can", heads[0] + tails[0]);
        std::atomic<int> rewrites{0};
        std::atomic<bool> done{false};
        std::thread thread([&] {
            const int fd = writer.style == Style::Replacing ? -1 : ::open(path.c_str(), O_WRONLY);
            for (int n = 0; n < 1000; ++n) {
                const std::string& head = heads[n % 2];
                const std::string& tail = tails[n % 2];
                const auto pause = std::chrono::microseconds(n % 7 * 100);
                bool ok = true;
                if (writer.style == Style::Replacing) {
                    caelvane::CAtomicFile file;
                    ok = file.Open(path) && file.Write(head);
                    std::this_thread::sleep_for(pause);
                    ok = ok && file.Write(tail) && file.Commit();
                } else {
                    if (writer.style == Style::Truncating) ok = ::ftruncate(fd, 0) == 0;
                    ok = ok && ::pwrite(fd, head.data(), head.size(), 0) == ssize_t(head.size());
                    std::this_thread::sleep_for(pause);
                    ok = ok && ::pwrite(fd, tail.data(), tail.size(),
                                        static_cast<off_t>(head.size())) == ssize_t(tail.size());
                }
                if (!ok) break;
                rewrites = n + 1;
                // Bursts of 50, then a rest long enough for a reading to be taken.
                std::this_thread::sleep_for(std::chrono::microseconds(n % 50 == 49 ? 60000 : 300));
            }
            if (fd >= 0) ::close(fd);
            done = true;
        });
        int taken = 0;
        while (!done.load()) {
            PriceReading reading;
            std::string error;
            if (ReadPriceFile(path, reading, error)) {
                ++taken;
                const double price = reading.price;
                if (writer.style == Style::Replacing) {
                    EXPECT_TRUE(price == 2345.75 || price == 6789.25) << price;
                } else {
                    EXPECT_TRUE(price == 2345.75 || price == 6789.25 || price == 2345.25 ||
                                price == 6789.75 || price == 2345 || price == 6789)
                        << price;
                }
            } else if (error.find("incomplete") == std::string::npos) {
                // Caught between the truncation and the first piece: empty, which is true.
                EXPECT_NE(writer.style, Style::Replacing) << error;
                EXPECT_EQ(error, "the price file is empty");
            }
        }
        thread.join();
        EXPECT_EQ(rewrites.load(), 1000);
        EXPECT_GT(taken, 0);
    }
}

TEST(PricePoll, StartAndApplyStoreInTheJob) {
    CCaelvaneDoc doc;
    doc.m_hotSpotDegree[1] = 90.0;
    doc.m_priceMonitorOn = 0;
    StartPriceDisplay(doc);
    EXPECT_EQ(doc.m_priceMonitorOn, 1);

    PriceReading reading;
    std::string error;
    ASSERT_TRUE(ParsePriceText("1 2 3 14 30 0 0 0 1000.0", reading, error));
    ApplyPriceReading(doc, reading);
    EXPECT_DOUBLE_EQ(doc.m_price, 1000.0);
    EXPECT_DOUBLE_EQ(doc.m_priceDegree, 320.0);
    EXPECT_DOUBLE_EQ(doc.m_hotSpotDegree[0], 320.0);  // hot spot 1 follows the price
    EXPECT_DOUBLE_EQ(doc.m_hotSpotDegree[1], 90.0);
    EXPECT_EQ(doc.m_priceHour, 14);
    EXPECT_EQ(doc.m_priceMinute, 30);
    EXPECT_FALSE(doc.IsModified());
}

}  // namespace
