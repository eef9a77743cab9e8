#include "cli/render_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using cli::Format;
using cli::RenderOptions;

// Parses `args`; the usage error, or "" when they are accepted.
std::string Refusal(const std::vector<std::string>& args, RenderOptions& options) {
    return cli::ParseRenderArguments(args, options).value_or("");
}

std::string Refusal(const std::vector<std::string>& args) {
    RenderOptions options;
    return Refusal(args, options);
}

TEST(RenderArguments, OutputAndFormatFollowEachOther) {
    RenderOptions options;
    ASSERT_EQ(Refusal({"jobs/year.cvj"}, options), "");
    EXPECT_EQ(options.format, Format::Pdf);
    EXPECT_EQ(options.output, "year.pdf");  // named after the job, in the current folder

    options = {};
    ASSERT_EQ(Refusal({"year.cvj", "-o", "out/page.SVG.png"}, options), "");
    EXPECT_EQ(options.format, Format::Png);
    EXPECT_EQ(options.output, "out/page.SVG.png");

    options = {};
    ASSERT_EQ(Refusal({"year.cvj", "-o", "page.svg", "--format", "pdf"}, options), "");
    EXPECT_EQ(options.format, Format::Pdf);  // --format wins over the extension

    options = {};
    ASSERT_EQ(Refusal({"year.cvj", "-o", "page.unknown"}, options), "");
    EXPECT_EQ(options.format, Format::Pdf);

    options = {};
    ASSERT_EQ(Refusal({"year.cvj", "--format", "trace"}, options), "");
    EXPECT_EQ(options.output, "-");  // traces go to standard output

    options = {};
    ASSERT_EQ(Refusal({"year", "--format", "svg"}, options), "");
    EXPECT_EQ(options.output, "year.svg");
}

// "--" ends the options: a job whose name starts with '-' can be drawn.
TEST(RenderArguments, DoubleDashEndsTheOptions) {
    RenderOptions options;
    ASSERT_EQ(Refusal({"--format", "trace", "--", "-name.cvj"}, options), "");
    EXPECT_EQ(options.jobPath, "-name.cvj");
    EXPECT_EQ(options.format, Format::Trace);
    options = {};
    ASSERT_EQ(Refusal({"--", "--all"}, options), "");
    EXPECT_EQ(options.jobPath, "--all");
    EXPECT_FALSE(options.all);
    EXPECT_EQ(Refusal({"--", "a.cvj", "--all"}), "unexpected argument \"--all\"");
    EXPECT_EQ(Refusal({"-name.cvj"}), "unknown option \"-name.cvj\"");
}

TEST(RenderArguments, RefusalsNameTheProblem) {
    EXPECT_EQ(Refusal({}), "missing FILE.cvj");
    EXPECT_EQ(Refusal({"a.cvj", "b.cvj"}), "unexpected argument \"b.cvj\"");
    EXPECT_EQ(Refusal({"a.cvj", "--pages", "2"}), "unknown option \"--pages\"");
    EXPECT_EQ(Refusal({"a.cvj", "--page"}), "--page needs a value");
    EXPECT_EQ(Refusal({"a.cvj", "--format", "jpeg"}), "unknown format \"jpeg\"");
    EXPECT_EQ(Refusal({"a.cvj", "-o", ""}), "-o needs a file name or -");
    EXPECT_EQ(Refusal({"a.cvj", "--all", "--all"}), "--all given twice");
    EXPECT_EQ(Refusal({"a.cvj", "--title", "x", "--title", "y"}), "--title given twice");
    EXPECT_EQ(Refusal({"a.cvj", "--page", "2", "--all"}), "--page and --all exclude each other");
    EXPECT_EQ(Refusal({"a.cvj", "--dpi", "300"}), "--dpi applies to png only");
    EXPECT_EQ(Refusal({"a.cvj", "--dpi", "1201", "-o", "a.png"}),
              "--dpi needs a resolution from 1 to 1200");
    EXPECT_EQ(Refusal({"a.cvj", "--all", "--format", "png"}), "");  // a.png, numbered
    EXPECT_EQ(Refusal({"a.cvj", "--all", "--format", "svg", "-o", "-"}),
              "--all writes numbered files for png and svg; give -o FILE");
    EXPECT_EQ(Refusal({"a.cvj", "--all", "--format", "pdf", "-o", "-"}), "");
    // "-" alone is a file name (standard input is no job, but the parser does not judge that).
    EXPECT_EQ(Refusal({"-"}), "");
}

TEST(RenderArguments, PageIsAWholeNumberFromOne) {
    RenderOptions options;
    ASSERT_EQ(Refusal({"a.cvj", "--page", "2147483647"}, options), "");
    EXPECT_EQ(options.page, 2147483647);
    for (const char* bad : {"0", "-1", "2147483648", "1.5", "3x", "", "99999999999999"}) {
        EXPECT_EQ(Refusal({"a.cvj", "--page", bad}), "--page needs a page number from 1 on") << bad;
    }
    EXPECT_EQ(Refusal({"a.cvj", "--page", "1", "--page", "2"}), "--page given twice");
}

TEST(RenderArguments, TodayIsARealDay) {
    RenderOptions options;
    ASSERT_EQ(Refusal({"a.cvj", "--today", "2024-02-29"}, options), "");
    ASSERT_TRUE(options.today.has_value());
    EXPECT_EQ(options.today->month, 2);
    EXPECT_EQ(options.today->day, 29);
    EXPECT_EQ(options.today->year, 2024);
    EXPECT_EQ(Refusal({"a.cvj", "--today", "2023-02-29"}), "--today needs a date YYYY-MM-DD");
}

TEST(RenderDates, GregorianDaysOnly) {
    caelvane::LocalDate date;
    // Leap years: every 4th, not the centuries, but every 400th.
    EXPECT_TRUE(cli::ParseLocalDate("2000-02-29", date));
    EXPECT_TRUE(cli::ParseLocalDate("2024-02-29", date));
    EXPECT_FALSE(cli::ParseLocalDate("1900-02-29", date));
    EXPECT_FALSE(cli::ParseLocalDate("2100-02-29", date));
    EXPECT_FALSE(cli::ParseLocalDate("2023-02-29", date));
    // Month lengths and ranges.
    EXPECT_TRUE(cli::ParseLocalDate("2023-12-31", date));
    EXPECT_FALSE(cli::ParseLocalDate("2023-04-31", date));
    EXPECT_FALSE(cli::ParseLocalDate("2023-06-00", date));
    EXPECT_FALSE(cli::ParseLocalDate("2023-13-01", date));
    EXPECT_FALSE(cli::ParseLocalDate("2023-00-10", date));
    EXPECT_FALSE(cli::ParseLocalDate("0000-01-01", date));
    EXPECT_TRUE(cli::ParseLocalDate("0001-01-01", date));
    EXPECT_TRUE(cli::ParseLocalDate("9999-12-31", date));
    // The shape is fixed.
    EXPECT_FALSE(cli::ParseLocalDate("2023-1-01", date));
    EXPECT_FALSE(cli::ParseLocalDate("2023/01/01", date));
    EXPECT_FALSE(cli::ParseLocalDate("2023-01-01 ", date));
    EXPECT_FALSE(cli::ParseLocalDate("", date));

    ASSERT_TRUE(cli::ParseLocalDate("1987-10-19", date));
    EXPECT_EQ(date.month, 10);
    EXPECT_EQ(date.day, 19);
    EXPECT_EQ(date.year, 1987);
}

TEST(NumberedPaths, PageNumberBeforeTheExtension) {
    EXPECT_EQ(cli::NumberedPath("year.png", 7, 366), "year-007.png");
    EXPECT_EQ(cli::NumberedPath("year.png", 1, 1), "year-001.png");
    EXPECT_EQ(cli::NumberedPath("year.png", 7, 1000), "year-0007.png");
    EXPECT_EQ(cli::NumberedPath("year.png", 12345, 65535), "year-12345.png");
    EXPECT_EQ(cli::NumberedPath("out/pages", 2, 3), "out/pages-002");
    // Only the last extension of the file name counts, never a dot of a folder.
    EXPECT_EQ(cli::NumberedPath("a.b/c.d.svg", 1, 9), "a.b/c.d-001.svg");
    EXPECT_EQ(cli::NumberedPath("a.b/c", 1, 9), "a.b/c-001");
    EXPECT_EQ(cli::NumberedPath("dir/.svg", 1, 9), "dir/.svg-001");
}

class DesktopTitles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/cli_title_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Touch(const std::string& name) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path) << "x";
        return path;
    }

    std::string m_dir;
};

TEST_F(DesktopTitles, FileNamesBecomeLatin1) {
    EXPECT_EQ(cli::DesktopTitle(Touch("year.cvj")), "year.cvj");
    EXPECT_EQ(cli::DesktopTitle(Touch("J\xC3\xA4nner.cvj")), "J\xE4nner.cvj");  // U+00E4
    EXPECT_EQ(cli::DesktopTitle(Touch("\xC3\xBF.cvj")), "\xFF.cvj");            // U+00FF
    // Beyond Latin-1: one '?' per UTF-16 unit.
    EXPECT_EQ(cli::DesktopTitle(Touch("\xE2\x82\xAC.cvj")), "?.cvj");       // U+20AC
    EXPECT_EQ(cli::DesktopTitle(Touch("\xF0\x9F\x8C\x99.cvj")), "??.cvj");  // U+1F319
}

TEST_F(DesktopTitles, InvalidBytesBecomeOneQuestionMarkEach) {
    EXPECT_EQ(cli::DesktopTitle(Touch("a\xFF"
                                      "b.cvj")),
              "a?b.cvj");
    // Overlong forms and surrogates are not characters.
    EXPECT_EQ(cli::DesktopTitle(Touch("\xE0\x80\xA1.cvj")), "???.cvj");
    EXPECT_EQ(cli::DesktopTitle(Touch("\xED\xA0\x80.cvj")), "???.cvj");
    // A sequence cut short leaves its continuation bytes to be judged on their own.
    EXPECT_EQ(cli::DesktopTitle(Touch("\xE2\x82.cvj")), "??.cvj");
}

TEST_F(DesktopTitles, LinksAreFollowed) {
    const std::string target = Touch("real name.cvj");
    const std::string link = m_dir + "/link.cvj";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(cli::DesktopTitle(link), "real name.cvj");
    // A path that leads nowhere keeps its own name.
    EXPECT_EQ(cli::DesktopTitle(m_dir + "/missing.cvj"), "missing.cvj");
}

}  // namespace

namespace {

// The page style is the program's, not the job's: classic unless asked, and only by name.
TEST(RenderArguments, StyleIsClassicOrModern) {
    struct Row {
        std::vector<std::string> args;
        const char* refusal;  // "" when accepted
        PageStyle style;
    };
    const Row rows[] = {
        {{"a.cvj"}, "", PageStyle::Classic},
        {{"a.cvj", "--style", "classic"}, "", PageStyle::Classic},
        {{"a.cvj", "--style", "modern"}, "", PageStyle::Modern},
        {{"a.cvj", "--style", "Modern"},
         "--style: unknown page style \"Modern\" (classic or modern)",
         PageStyle::Classic},
        {{"a.cvj", "--style", "modern", "--style", "classic"},
         "--style given twice",
         PageStyle::Classic},
        {{"a.cvj", "--style"}, "--style needs a value", PageStyle::Classic},
    };
    for (const Row& row : rows) {
        RenderOptions options;
        EXPECT_EQ(Refusal(row.args, options), row.refusal) << row.args.back();
        if (*row.refusal == '\0') {
            EXPECT_EQ(options.style.value_or(kDefaultPageStyle), row.style) << row.args.back();
        }
    }
}

}  // namespace
