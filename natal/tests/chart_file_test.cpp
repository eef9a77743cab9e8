#include "natal/chart_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace natal {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempFolder {
public:
    TempFolder() {
        char name[] = "/tmp/natal-test-XXXXXX";
        m_path = ::mkdtemp(name);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::permissions(m_path, fs::perms::owner_all, ignored);
        fs::remove_all(m_path, ignored);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

std::vector<Horoscope> SampleCharts() {
    Horoscope london;
    london.name = "London birth";
    london.local = {1975, 6, 14, 8, 30, 0};
    london.place = {"London", 51.50853, -0.12574};
    london.zone = "Europe/London";
    Horoscope exchange;
    exchange.name = "Exchange \"first trade\" \xC3\xA9";  // quotes and UTF-8 kept
    exchange.local = {1792, 5, 17, 12, 0, 7};
    exchange.place = {"New York", 40.71427, -74.00597};
    exchange.zone = "America/New_York";
    exchange.houses = HouseSystem::WholeSign;
    Horoscope unknown;
    unknown.name = "Time unknown";
    unknown.local = {1947, 8, 15, 12, 0, 0};
    unknown.timeUnknown = true;
    unknown.place = {"", 28.6, 77.2};
    unknown.zone = "+05:30";
    Horoscope twice;
    twice.name = "Repeated hour";
    twice.local = {2021, 11, 7, 1, 30, 0};
    twice.place = {"", 40.7, -74.0};
    twice.zone = "America/New_York";
    twice.choice = LocalTimeChoice::Later;
    return {london, exchange, unknown, twice};
}

void ExpectSame(const Horoscope& a, const Horoscope& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(FormatDate(a.local) + FormatTime(a.local), FormatDate(b.local) + FormatTime(b.local));
    EXPECT_EQ(a.timeUnknown, b.timeUnknown);
    EXPECT_EQ(a.place.name, b.place.name);
    EXPECT_EQ(a.place.latitude, b.place.latitude);
    EXPECT_EQ(a.place.longitude, b.place.longitude);
    EXPECT_EQ(a.zone, b.zone);
    EXPECT_EQ(a.choice, b.choice);
    EXPECT_EQ(a.houses, b.houses);
}

TEST(ChartFile, RoundTripsEveryField) {
    const std::vector<Horoscope> charts = SampleCharts();
    std::vector<Horoscope> read;
    std::string error;
    ASSERT_TRUE(ReadChartText(ChartFileText(charts), read, error)) << error;
    ASSERT_EQ(read.size(), charts.size());
    for (std::size_t i = 0; i < charts.size(); ++i) ExpectSame(read[i], charts[i]);
}

TEST(ChartFile, TextNamesFormatAndVersion) {
    const std::string text = ChartFileText(SampleCharts());
    EXPECT_NE(text.find("\"format\": \"caelvane-horoscopes\""), std::string::npos);
    EXPECT_NE(text.find("\"version\": 1"), std::string::npos);
    EXPECT_NE(text.find("\"time\": null"), std::string::npos);
    EXPECT_NE(text.find("\"houses\": \"whole-sign\""), std::string::npos);
}

TEST(ChartFile, DamagedOrForeignTextIsRefusedWithTheReason) {
    const std::string good =
        R"({"format":"caelvane-horoscopes","version":1,"charts":[{"name":"A","date":"1975-06-14",)"
        R"("time":"08:30","place":{"latitude":51.5,"longitude":-0.1},"zone":"Europe/London"}]})";
    std::vector<Horoscope> read;
    std::string error;
    ASSERT_TRUE(ReadChartText(good, read, error)) << error;
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].houses, HouseSystem::Placidus);

    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const struct {
        std::string text;
        const char* expected;
    } kCases[] = {
        {"", "not JSON"},
        {good.substr(0, good.size() / 2), "not JSON"},
        {"[1,2]", "no JSON object"},
        {with("caelvane-horoscopes", "other"), "\"format\" is not"},
        {with("\"version\":1", "\"version\":2"), "version 2 is not one this program reads"},
        {with("\"version\":1", "\"version\":\"1\""), "\"version\" is missing"},
        {with("\"charts\":[", "\"charts\":{\"x\":["), "not JSON"},
        {with("1975-06-14", "1975-06-31"), "chart 1 ('A'): \"date\" '1975-06-31' is no date"},
        {with("08:30", "25:30"), "\"time\" '25:30' is no time"},
        {with("51.5", "91.5"), "latitude 91.5 is beyond -90..90"},
        {with("-0.1", "-180.5"), "longitude -180.5 is beyond -180..180"},
        {with("51.5", "\"51.5\""), "\"place\": \"latitude\" is missing or not a number"},
        {with("Europe/London", "Europe/Atlantis"), "unknown time zone 'Europe/Atlantis'"},
        {with("\"name\":\"A\",", ""), "chart 1: \"name\" is missing"},
        {with("\"zone\"", "\"houses\":\"gauquelin\",\"zone\""), "\"houses\" is none of placidus"},
        {with("\"zone\"", "\"choice\":\"both\",\"zone\""), "\"choice\" must be"},
        {std::string(100, '[') + std::string(100, ']'), "nested too deeply"},
    };
    for (const auto& c : kCases) {
        std::vector<Horoscope> kept = SampleCharts();
        error.clear();
        EXPECT_FALSE(ReadChartText(c.text, kept, error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.text << "\n -> " << error;
        EXPECT_EQ(kept.size(), SampleCharts().size()) << "a refused file changed the list";
    }
}

TEST(ChartFile, TruncatedAtEveryByteIsRefusedOrWhole) {
    const std::string text = ChartFileText(SampleCharts());
    for (std::size_t size = 0; size < text.size(); ++size) {
        std::vector<Horoscope> read;
        std::string error;
        if (ReadChartText(text.substr(0, size), read, error)) {
            // Only the trailing newline may go.
            EXPECT_EQ(read.size(), SampleCharts().size()) << size;
        }
    }
}

TEST(ChartFile, SavesAndLoadsThroughTheDisk) {
    TempFolder folder;
    const std::string path = (folder.Path() / "charts.json").string();
    std::string error;
    EXPECT_FALSE(ChartFileExists(path));
    ASSERT_TRUE(SaveChartFile(path, SampleCharts(), error)) << error;
    std::vector<Horoscope> read;
    ASSERT_TRUE(LoadChartFile(path, read, error)) << error;
    EXPECT_EQ(read.size(), 4u);
}

TEST(ChartFile, LoadErrorsNameTheFile) {
    TempFolder folder;
    const std::string missing = (folder.Path() / "missing.json").string();
    const std::string damaged = (folder.Path() / "damaged.json").string();
    std::ofstream(damaged) << "{\"format\": \"caelvane-horoscopes\", \"version\": 1, \"charts\": [";
    const struct {
        std::string path;
        const char* expected;
    } kCases[] = {
        {missing, "No such file or directory"},
        {folder.Path().string(), "Is a directory"},
        {"/dev/null", "not a regular file"},
        {damaged, "not JSON"},
    };
    for (const auto& c : kCases) {
        std::vector<Horoscope> read;
        std::string error;
        EXPECT_FALSE(LoadChartFile(c.path, read, error));
        EXPECT_NE(error.find("\"" + c.path + "\""), std::string::npos) << error;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

// A disk that fills up while the file is written: the write fails, the old file stays whole
// and no temporary file is left beside it.
TEST(ChartFile, AFullDiskLeavesTheOldFile) {
    TempFolder folder;
    const std::string path = (folder.Path() / "charts.json").string();
    std::string error;
    ASSERT_TRUE(SaveChartFile(path, SampleCharts(), error)) << error;
    const std::string before = ReadAll(path);
    std::vector<Horoscope> many;
    for (int i = 0; i < 200; ++i) many.push_back(SampleCharts()[0]);
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 2000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = SaveChartFile(path, many, error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

TEST(ChartFile, AFailedSaveLeavesTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempFolder folder;
    const std::string path = (folder.Path() / "charts.json").string();
    std::string error;
    std::vector<Horoscope> charts = SampleCharts();
    ASSERT_TRUE(SaveChartFile(path, charts, error)) << error;
    const std::string before = ReadAll(path);
    fs::permissions(folder.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    charts.pop_back();
    EXPECT_FALSE(SaveChartFile(path, charts, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    fs::permissions(folder.Path(), fs::perms::owner_all);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

TEST(ChartFile, SavingOverAFolderIsRefused) {
    TempFolder folder;
    const fs::path target = folder.Path() / "charts.json";
    fs::create_directory(target);
    std::string error;
    EXPECT_FALSE(SaveChartFile(target.string(), SampleCharts(), error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(target));
}

TEST(ChartFile, NamesAreFoundAndNewOnesMadeUnique) {
    const std::vector<Horoscope> charts = SampleCharts();
    EXPECT_EQ(FindChart(charts, "Time unknown"), 2);
    EXPECT_EQ(FindChart(charts, "time unknown"), -1);
    EXPECT_EQ(UnusedName(charts, "London birth"), "London birth (2)");
    EXPECT_EQ(UnusedName(charts, "Paris"), "Paris");
}

}  // namespace
}  // namespace natal
