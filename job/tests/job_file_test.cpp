#include "job/job_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "job/job_text.h"

namespace {
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

// The default job, typed byte by byte from the format's reference table.
const char* const kDefaultJobHex =
    "01 00 00 00 01 00 00 00 00 00 00 00 00 00 00 01 "
    "00 00 00 12 00 00 00 D0 07 00 00 01 00 00 00 12 "
    "00 00 00 D0 07 00 00 01 00 00 00 12 00 00 00 D0 "
    "07 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
    "80 56 40 00 00 00 00 00 80 66 40 00 00 00 00 00 "
    "E0 70 40 01 01 FF 00 FF 00 00 FF 00 00 00 00 FF "
    "00 00 00 FF 00 00 00 00 00 00 00 FF 00 00 00 00 "
    "00 FF 00 00 00 00 FF FF 00 00 00 00 00 00 00 FF "
    "00 FF 00 00 00 00 00 FF 00 00 00 00 00 FF 00 00 "
    "00 00 00 00 00 FF 00 00 00 01 00 00 00 01 00 00 "
    "00 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 "
    "00 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 "
    "00 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 "
    "00 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 "
    "00 01 00 00 00 01 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00 00 00 00 00 00 00 08 48 6F 74 53 70 6F "
    "74 31 08 48 6F 74 53 70 6F 74 32 08 48 6F 74 53 "
    "70 6F 74 33 08 48 6F 74 53 70 6F 74 34 01 00 00 "
    "00 00 00 00 00 04 00 00 00 00 00 00 00 00 00 00 "
    "00 0A 00 00 00 05 00 00 00 FF 00 FF 00 00 00 00 "
    "00";

Bytes FromHex(const char* hex) {
    Bytes bytes;
    std::istringstream in(hex);
    unsigned value = 0;
    while (in >> std::hex >> value) bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::uint32_t U32At(const Bytes& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | bytes.at(at + i);
    return value;
}

// Every saved field away from its default, each to a value of its own.
void ChangeEverySavedField(CCaelvaneDoc& doc) {
    doc.m_jobType = 3;
    doc.m_includeAspects = 0;
    doc.m_includeNatal = 1;
    doc.m_reversePrintOrder = 0;
    doc.m_daysBefore = -3;
    doc.m_daysAfter = 11;
    doc.m_note = "Weekly chart, S&P 500 \\ \"quoted\"";
    doc.m_startMonth = 2;
    doc.m_startDay = 29;
    doc.m_startYear = 2024;
    doc.m_endMonth = 3;
    doc.m_endDay = 31;
    doc.m_endYear = 2025;
    doc.m_natalMonth = 12;
    doc.m_natalDay = 7;
    doc.m_natalYear = 1941;
    doc.m_hotSpotDegree[0] = 12.345678901234567;
    doc.m_hotSpotDegree[1] = 359.99999999999994;
    doc.m_hotSpotDegree[2] = 0.1;
    doc.m_hotSpotDegree[3] = 200.5;
    doc.m_useColor = 0;
    COLORREF* colors[] = {
        &doc.m_colorTitleText,    &doc.m_colorHeaderText, &doc.m_colorBorder,
        &doc.m_colorWheelLines,   &doc.m_colorWheelText,  &doc.m_colorCurrentText,
        &doc.m_colorCurrentLines, &doc.m_colorNatalText,  &doc.m_colorSpare,
        &doc.m_colorNatalDots,    &doc.m_colorJobData,    &doc.m_colorNoteText,
        &doc.m_colorAspectLines,  &doc.m_colorAspectText, &doc.m_colorAspectHighlights,
        &doc.m_colorNotice,       &doc.m_colorMoonBall,   &doc.m_colorOverlayCircle};
    for (std::size_t i = 0; i < std::size(colors); ++i) {
        *colors[i] = 0x00102030u + static_cast<COLORREF>(i) * 0x010101u;
    }
    for (int i = 0; i < 20; ++i) doc.m_aspectSelected[i] = i % 3 == 0 ? 0 : 1;
    doc.m_aspectSelected[5] = 2;  // not a 0/1 flag: kept as it is
    for (int i = 0; i < 4; ++i) {
        doc.m_customAspect[i] = 10.25 * (i + 1);
        doc.m_customAspectEnabled[i] = i % 2;
        doc.m_hotSpotLabel[i] = std::string(static_cast<std::size_t>(i), 'L') + "abel";
    }
    doc.m_useDaylightTime = 0;
    doc.m_overlayEnabled = 1;
    doc.m_overlayParts = 36;
    doc.m_overlayStartDegree = 17.75;
    doc.m_overlayFirstValue = -100000;
    doc.m_overlayStepSize = 250;
    doc.m_printToDib = 1;
}

void ExpectSameJob(CCaelvaneDoc& actual, CCaelvaneDoc& expected, const std::string& context) {
    EXPECT_EQ(JobToText(actual), JobToText(expected)) << context;
    EXPECT_EQ(SaveJobBytes(actual), SaveJobBytes(expected)) << context;
}

TEST(JobFile, DefaultJobIsTheReferenceRecord) {
    const Bytes expected = FromHex(kDefaultJobHex);
    ASSERT_EQ(expected.size(), 353u);
    CCaelvaneDoc doc;
    EXPECT_EQ(SaveJobBytes(doc), expected);

    CCaelvaneDoc loaded;
    ChangeEverySavedField(loaded);
    std::string error;
    ASSERT_TRUE(LoadJobBytes(expected, loaded, error)) << error;
    CCaelvaneDoc defaults;
    ExpectSameJob(loaded, defaults, "default record");
}

TEST(JobFile, CheckedInDefaultJobMatchesTheReferenceRecord) {
    EXPECT_EQ(ReadFile(fs::path(CAELVANE_JOB_TEST_DATA) / "default.cvj"), FromHex(kDefaultJobHex));
}

// A job saved with every field changed: the values below were read off the file by hand.
TEST(JobFile, CheckedInRangeJobLoadsItsValues) {
    CCaelvaneDoc doc;
    std::string error;
    ASSERT_TRUE(LoadJobFile((fs::path(CAELVANE_JOB_TEST_DATA) / "range.cvj").string(), doc, error))
        << error;
    EXPECT_EQ(doc.m_jobType, 3);
    EXPECT_EQ(doc.m_note, "Quarterly review\tS&P");
    EXPECT_EQ(doc.m_startYear, 2024);
    EXPECT_EQ(doc.m_endDay, 31);
    EXPECT_EQ(doc.m_natalYear, 1961);
    EXPECT_EQ(doc.m_hotSpotDegree[1], 123.25);
    EXPECT_EQ(doc.m_hotSpotLabel[1], "Pivot");
    EXPECT_EQ(doc.m_colorSpare, 0x00123456u);
    EXPECT_EQ(doc.m_overlayStartDegree, 15.5);
    EXPECT_EQ(doc.m_overlayFirstValue, -500);
    EXPECT_EQ(doc.m_customAspect[0], 17.5);
    EXPECT_EQ(doc.m_aspectSelected[12], 0);
    EXPECT_EQ(doc.m_printToDib, 1);
    EXPECT_EQ(doc.GetPathName(), (fs::path(CAELVANE_JOB_TEST_DATA) / "range.cvj").string());
}

TEST(JobFile, RoundTripsOfNonDefaultJobs) {
    struct Case {
        const char* name;
        void (*change)(CCaelvaneDoc&);
    };
    const Case cases[] = {
        {"every saved field", ChangeEverySavedField},
        {"spare colour only", [](CCaelvaneDoc& d) { d.m_colorSpare = 0xFFFFFFFFu; }},
        {"every byte value in the note",
         [](CCaelvaneDoc& d) {
             d.m_note.clear();
             for (int i = 255; i >= 0; --i) d.m_note += static_cast<char>(i);
         }},
        {"note of 254", [](CCaelvaneDoc& d) { d.m_note.assign(254, 'n'); }},
        {"note of 255", [](CCaelvaneDoc& d) { d.m_note.assign(255, 'n'); }},
        {"note of 65533", [](CCaelvaneDoc& d) { d.m_note.assign(65533, 'n'); }},
        {"note of 65534", [](CCaelvaneDoc& d) { d.m_note.assign(65534, 'n'); }},
        {"long labels",
         [](CCaelvaneDoc& d) {
             for (auto& label : d.m_hotSpotLabel) label.assign(300, 'l');
             d.m_hotSpotLabel[2].clear();
         }},
        {"out-of-range values",
         [](CCaelvaneDoc& d) {
             d.m_jobType = 7;
             d.m_startMonth = 13;
             d.m_startDay = 0;
             d.m_endYear = 2000000000;
             d.m_overlayParts = -4;
             d.m_hotSpotDegree[3] = -720.0;
             d.m_useColor = 2;
         }},
        {"extreme numbers",
         [](CCaelvaneDoc& d) {
             d.m_startYear = std::numeric_limits<std::int32_t>::min();
             d.m_endYear = std::numeric_limits<std::int32_t>::max();
             d.m_hotSpotDegree[0] = -0.0;
             d.m_hotSpotDegree[1] = std::numeric_limits<double>::infinity();
             d.m_hotSpotDegree[2] = std::numeric_limits<double>::denorm_min();
             d.m_overlayStartDegree = std::numeric_limits<double>::quiet_NaN();
             d.m_includeAspects = 0xFF;
         }},
    };
    for (const Case& c : cases) {
        CCaelvaneDoc doc;
        c.change(doc);
        const Bytes bytes = SaveJobBytes(doc);
        CCaelvaneDoc loaded;
        std::string error;
        ASSERT_TRUE(LoadJobBytes(bytes, loaded, error)) << c.name << ": " << error;
        ExpectSameJob(loaded, doc, c.name);
        EXPECT_EQ(loaded.m_note, doc.m_note) << c.name;
    }
}

// The note's prefix sets P, the offset of everything after it.
TEST(JobFile, NoteLengthPrefixAndTheFieldsBehindIt) {
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {80, {0x50}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        CCaelvaneDoc doc;
        doc.m_note.assign(c.length, 'x');
        doc.m_daysBefore = 0x01020304;
        const Bytes bytes = SaveJobBytes(doc);
        const std::size_t p = 6 + c.prefix.size() + c.length;
        EXPECT_EQ(bytes.size(), 353 - 1 + c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(Bytes(bytes.begin() + 6, bytes.begin() + 6 + c.prefix.size()), c.prefix)
            << c.length;
        EXPECT_EQ(U32At(bytes, p), 0x01020304u) << c.length;
    }
}

TEST(JobFile, WideNoteIsReadAsSingleByteText) {
    CCaelvaneDoc base;
    const Bytes plain = SaveJobBytes(base);
    // 0xFF, 0xFFFE, then "Hi\xE9" as 2-byte characters, where the empty note's prefix was.
    const Bytes wide = {0xFF, 0xFE, 0xFF, 0x03, 'H', 0, 'i', 0, 0xE9, 0};
    Bytes bytes(plain.begin(), plain.begin() + 6);
    bytes.insert(bytes.end(), wide.begin(), wide.end());
    bytes.insert(bytes.end(), plain.begin() + 7, plain.end());

    CCaelvaneDoc doc;
    std::string error;
    ASSERT_TRUE(LoadJobBytes(bytes, doc, error)) << error;
    EXPECT_EQ(doc.m_note, "Hi\xE9");
    EXPECT_EQ(doc.m_hotSpotLabel[3], "HotSpot4");
    EXPECT_EQ(doc.m_colorOverlayCircle, 0x00FF00FFu);
    // Saved again, the note takes the single-byte form.
    const Bytes again = SaveJobBytes(doc);
    EXPECT_EQ(again[6], 3);
    EXPECT_EQ(again.size(), 353u + 3);
}

TEST(JobFile, OverlayColourFollowsTheOverlaySettings) {
    CCaelvaneDoc doc;
    ChangeEverySavedField(doc);
    doc.m_colorMoonBall = 0x00AAAAAA;
    doc.m_colorOverlayCircle = 0x00C0FFEE;
    const Bytes bytes = SaveJobBytes(doc);
    const std::size_t p = 6 + 1 + doc.m_note.size();
    std::size_t q = p + 274;
    for (const std::string& label : doc.m_hotSpotLabel) q += 1 + label.size();
    EXPECT_EQ(U32At(bytes, p + 142), 0x00AAAAAAu) << "moon ball";
    EXPECT_EQ(U32At(bytes, p + 110), doc.m_colorSpare) << "spare";
    EXPECT_EQ(U32At(bytes, q + 28), 0x00C0FFEEu) << "overlay circle";
    EXPECT_EQ(U32At(bytes, q + 32), 1u) << "print to DIB";
    EXPECT_EQ(bytes.size(), q + 36);
}

TEST(JobFile, FileCutAtEveryOffsetIsRefusedAndKeepsNothing) {
    CCaelvaneDoc source;
    ChangeEverySavedField(source);
    source.m_note.assign(300, 'n');  // a 16-bit prefix to cut inside as well
    const Bytes bytes = SaveJobBytes(source);

    CCaelvaneDoc target;
    target.m_currentPage = 4;
    target.m_priceMonitorOn = 1;
    target.SetModifiedFlag();
    const std::string before = JobToText(target);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        std::string error;
        ASSERT_FALSE(LoadJobBytes({bytes.data(), size}, target, error)) << "cut at " << size;
        ASSERT_EQ(error, "Unexpected file format.") << "cut at " << size;
        ASSERT_EQ(JobToText(target), before) << "cut at " << size;
    }
    EXPECT_EQ(target.m_currentPage, 4);
    EXPECT_EQ(target.m_priceMonitorOn, 1);
    EXPECT_TRUE(target.IsModified());
}

TEST(JobFile, LoadedJobStartsOnPageOneWithThePriceDisplayOff) {
    CCaelvaneDoc saved;
    saved.m_jobType = 3;
    saved.m_currentPage = 9;
    saved.m_priceMonitorOn = 1;
    saved.m_priceDegree = 123.0;
    const Bytes bytes = SaveJobBytes(saved);

    CCaelvaneDoc open;
    open.m_currentPage = 6;
    open.m_priceMonitorOn = 1;
    open.m_priceDegree = 77.0;
    std::string error;
    ASSERT_TRUE(LoadJobBytes(bytes, open, error)) << error;
    EXPECT_EQ(open.m_jobType, 3);
    EXPECT_EQ(open.m_currentPage, 1);
    EXPECT_EQ(open.m_priceMonitorOn, 0);
    EXPECT_EQ(open.m_priceDegree, 0.0);
}

TEST(JobFile, BytesAfterTheRecordAreIgnored) {
    CCaelvaneDoc doc;
    ChangeEverySavedField(doc);
    Bytes bytes = SaveJobBytes(doc);
    bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'x'});
    CCaelvaneDoc loaded;
    std::string error;
    ASSERT_TRUE(LoadJobBytes(bytes, loaded, error)) << error;
    ExpectSameJob(loaded, doc, "trailing bytes");
}

class JobFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = fs::temp_directory_path() /
                   ("caelvane-job-test-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Names in the folder other than `keep`: leftovers of a save.
    std::vector<std::string> Others(const std::string& keep) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder)) {
            if (entry.path().filename() != keep) names.push_back(entry.path().filename());
        }
        return names;
    }

    fs::path m_folder;
};

TEST_F(JobFileOnDisk, SaveAndLoadRoundTripAndFlags) {
    CCaelvaneDoc doc;
    ChangeEverySavedField(doc);
    doc.SetModifiedFlag();
    const std::string path = (m_folder / "job.cvj").string();
    std::string error;
    ASSERT_TRUE(SaveJobFile(path, doc, error)) << error;
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(ReadFile(path), SaveJobBytes(doc));
    EXPECT_TRUE(Others("job.cvj").empty());

    CCaelvaneDoc loaded;
    loaded.SetModifiedFlag();
    ASSERT_TRUE(LoadJobFile(path, loaded, error)) << error;
    EXPECT_FALSE(loaded.IsModified());
    EXPECT_EQ(loaded.GetPathName(), path);
    ExpectSameJob(loaded, doc, "file round trip");
}

TEST_F(JobFileOnDisk, EmptyAndShortFilesAreRefused) {
    CCaelvaneDoc doc;
    const Bytes full = SaveJobBytes(doc);
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{352}}) {
        const fs::path path = m_folder / "short.cvj";
        WriteFile(path, Bytes(full.begin(), full.begin() + static_cast<long>(size)));
        CCaelvaneDoc target;
        std::string error;
        EXPECT_FALSE(LoadJobFile(path.string(), target, error)) << size;
        EXPECT_EQ(error, "Unexpected file format.") << size;
        EXPECT_EQ(target.GetPathName(), "") << size;
    }
}

// The message stays the one the desktop program shows; the reason says what was wrong.
TEST_F(JobFileOnDisk, RefusedRecordsSayWhatWasWrong) {
    CCaelvaneDoc doc;
    const Bytes full = SaveJobBytes(doc);
    const fs::path path = m_folder / "short.cvj";
    WriteFile(path, Bytes(full.begin(), full.begin() + 12));
    std::string error, reason;
    EXPECT_FALSE(LoadJobFile(path.string(), doc, error, reason));
    EXPECT_EQ(error, "Unexpected file format.");
    EXPECT_EQ(reason, "too short (12 bytes)");

    // A text's length prefix claiming more than is left: the note's single-byte prefix.
    Bytes bad = full;
    bool found = false;
    for (std::size_t i = 0; i < bad.size() && !found; ++i) {
        CCaelvaneDoc probe;
        Bytes trial = bad;
        trial[i] = 0xFE;
        std::string trialError, trialReason;
        if (!LoadJobBytes(trial, probe, trialError, trialReason) &&
            trialReason.rfind("a text at byte ", 0) == 0) {
            found = true;
            EXPECT_EQ(trialError, "Unexpected file format.");
            EXPECT_NE(trialReason.find(" is longer than the "), std::string::npos) << trialReason;
        }
    }
    EXPECT_TRUE(found) << "no byte of the record is a text length";

    // Success and failures that are no record leave the reason empty.
    reason = "stale";
    EXPECT_FALSE(LoadJobFile((m_folder / "missing.cvj").string(), doc, error, reason));
    EXPECT_EQ(reason, "");
    WriteFile(path, full);
    reason = "stale";
    EXPECT_TRUE(LoadJobFile(path.string(), doc, error, reason)) << error;
    EXPECT_EQ(reason, "");
}

// A file cut and rewritten in place while it is read gives either the job or a refusal, never
// a fault (a mapped file that shrinks under its reader kills the process with SIGBUS).
TEST_F(JobFileOnDisk, FileRewrittenInPlaceWhileLoadingNeverFaults) {
    CCaelvaneDoc written;
    written.m_jobType = 3;
    Bytes full = SaveJobBytes(written);
    // Several pages, so that a cut lands between the pages a load touches.
    full.resize(64 * 1024, 0x55);
    const fs::path path = m_folder / "busy.cvj";
    WriteFile(path, full);
    std::atomic<bool> stop{false};
    std::thread rewriter([&] {
        const int fd = ::open(path.c_str(), O_WRONLY);
        if (fd < 0) return;
        while (!stop.load()) {
            if (::ftruncate(fd, 0) != 0) break;
            if (::pwrite(fd, full.data(), full.size(), 0) != static_cast<ssize_t>(full.size())) {
                break;
            }
        }
        ::close(fd);
    });
    int loaded = 0;
    for (int i = 0; i < 3000; ++i) {
        CCaelvaneDoc doc;
        std::string error;
        if (LoadJobFile(path.string(), doc, error)) {
            ++loaded;
            EXPECT_EQ(doc.m_jobType, 3);
        } else {
            EXPECT_EQ(error, "Unexpected file format.");
        }
    }
    stop = true;
    rewriter.join();
    RecordProperty("loaded", loaded);
}

TEST_F(JobFileOnDisk, UnreadableFilesAreReportedByName) {
    const std::string missing = (m_folder / "missing.cvj").string();
    const std::string folder = m_folder.string();
    const std::string pipe = (m_folder / "pipe.cvj").string();  // must not wait for a writer
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {missing, folder, pipe, std::string("/dev/null")}) {
        CCaelvaneDoc doc;
        doc.m_jobType = 2;
        std::string error;
        EXPECT_FALSE(LoadJobFile(path, doc, error)) << path;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_EQ(doc.m_jobType, 2);
    }
}

TEST_F(JobFileOnDisk, SaveReplacesTheOldFileAndKeepsItsPermissions) {
    const fs::path path = m_folder / "job.cvj";
    WriteFile(path, Bytes(1000, 0xAA));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    CCaelvaneDoc doc;
    std::string error;
    ASSERT_TRUE(SaveJobFile(path.string(), doc, error)) << error;
    EXPECT_EQ(ReadFile(path), FromHex(kDefaultJobHex));
    struct stat info;
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(JobFileOnDisk, SaveThroughASymbolicLinkReplacesItsTarget) {
    const fs::path real = m_folder / "real.cvj";
    const fs::path link = m_folder / "link.cvj";
    WriteFile(real, Bytes(10, 1));
    fs::create_symlink(real, link);
    CCaelvaneDoc doc;
    std::string error;
    ASSERT_TRUE(SaveJobFile(link.string(), doc, error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), FromHex(kDefaultJobHex));
}

// Saves that fail at each step: the old file stays as it was, no temporary file is left, and
// the error names the file.
TEST_F(JobFileOnDisk, FailedSaveKeepsTheOldFile) {
    const Bytes old = {1, 2, 3, 4, 5};
    CCaelvaneDoc doc;
    doc.m_note.assign(5000, 'n');
    doc.SetModifiedFlag();

    {  // the folder does not exist
        const std::string path = (m_folder / "no-such-folder" / "job.cvj").string();
        std::string error;
        EXPECT_FALSE(SaveJobFile(path, doc, error));
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    {  // the target is a device: it is not replaced by a file
        std::string error;
        EXPECT_FALSE(SaveJobFile("/dev/null", doc, error));
        EXPECT_NE(error.find("/dev/null"), std::string::npos) << error;
        struct stat info;
        ASSERT_EQ(::stat("/dev/null", &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
    {  // the target is a folder
        const fs::path path = m_folder / "folder.cvj";
        fs::create_directory(path);
        WriteFile(path / "inside", old);
        std::string error;
        EXPECT_FALSE(SaveJobFile(path.string(), doc, error));
        EXPECT_NE(error.find(path.string()), std::string::npos) << error;
        EXPECT_EQ(ReadFile(path / "inside"), old);
        EXPECT_TRUE(Others("folder.cvj").empty());
        fs::remove_all(path);
    }
    {  // the disk fills up midway: the write is cut by the file size limit
        const fs::path path = m_folder / "job.cvj";
        WriteFile(path, old);
        struct rlimit saved;
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = saved;
        limited.rlim_cur = 1000;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        std::string error;
        const bool saved_ok = SaveJobFile(path.string(), doc, error);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        EXPECT_FALSE(saved_ok);
        EXPECT_NE(error.find(path.string()), std::string::npos) << error;
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_TRUE(Others("job.cvj").empty());
    }
    {  // the folder cannot be written to (root writes anywhere: /proc stands in for it then)
        const fs::path folder = m_folder / "read-only";
        fs::create_directory(folder);
        const fs::path path =
            ::geteuid() == 0 ? fs::path("/proc/caelvane-job.cvj") : folder / "job.cvj";
        WriteFile(folder / "job.cvj", old);
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
        std::string error;
        EXPECT_FALSE(SaveJobFile(path.string(), doc, error));
        EXPECT_NE(error.find(path.string()), std::string::npos) << error;
        EXPECT_EQ(ReadFile(folder / "job.cvj"), old);
        ::chmod(folder.c_str(), 0755);
    }
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), "");
}
}  // namespace
