// What caelvane-cli hands to its Qt companion, and where it finds it.
#include "cli/companion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool Needs(std::vector<std::string> args) {
    args.insert(args.begin(), "caelvane-cli");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return cli::NeedsCompanion(static_cast<int>(args.size()), argv.data());
}

std::string Joined(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args) text += (text.empty() ? "" : " ") + arg;
    return text;
}

TEST(Companion, OnlyWhatNeedsQtIsHandedOver) {
    const std::vector<std::string> sky = {"render-sky", "--from",   "2024-01-01", "--to",
                                          "2024-02-01", "--bodies", "Sun"};
    const auto with = [](std::vector<std::string> args, std::vector<std::string> more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    struct Case {
        std::vector<std::string> args;
        bool handedOver;
    };
    const Case cases[] = {
        // Chart pages: Qt's painter draws PNG, and the modern page measures with it.
        {{"render", "j.cvj", "--format", "png"}, true},
        {{"render", "j.cvj", "-o", "page.png"}, true},
        {{"render", "j.cvj", "--style", "modern", "--format", "svg"}, true},
        {{"render", "j.cvj", "--style", "modern"}, true},
        {{"render", "j.cvj", "--style", "modern", "--format", "trace"}, true},
#ifdef CAELVANE_HAVE_PDF_PAGES
        {{"render", "j.cvj"}, false},  // PDF
        {{"render", "j.cvj", "--format", "svg"}, false},
        {{"render", "j.cvj", "-o", "page.svg", "--all"}, false},
        {{"render", "j.cvj", "--format", "pdf", "-o", "-"}, false},
        {{"render", "j.cvj", "-o", "page.unknown"}, false},  // PDF by default
#endif
        {{"render", "j.cvj", "--format", "trace"}, false},
        {{"render", "j.cvj", "-o", "page.trace", "--all"}, false},
        // Refusals and help are answered here, in the same words.
        {{"render", "j.cvj", "--format", "png", "--help"}, false},
        {{"render", "j.cvj", "--format", "png", "--page", "0"}, false},
        {{"render", "j.cvj", "--format", "gif"}, false},
        {{"render", "--format", "png"}, false},
        // The charts' files.
        {{"render-prices", "p.csv", "-o", "c.png"}, true},
        {{"render-prices", "p.csv", "--format", "pdf", "-o", "c.out"}, true},
        {{"render-prices", "p.csv", "--format", "trace", "-o", "-"}, false},
        {{"render-prices", "p.csv"}, false},  // refused: no -o
        {with(sky, {"--format", "png", "-o", "s.png"}), true},
        {with(sky, {"--format", "svg", "-o", "-"}), true},
        {with(sky, {"--format", "trace", "-o", "-"}), false},
        {with(sky, {"-o", "s.png"}), false},  // refused: no --format
        {with(sky, {"--dial", "7", "--format", "png", "-o", "s.png"}), false},
#ifdef CAELVANE_HAVE_NATAL
        {{"render-chart", "c.json", "-o", "w.png"}, true},
        {{"render-chart", "c.json", "-o", "w.pdf"}, true},
        {{"render-chart", "c.json", "--format", "svg", "-o", "w.trace"}, true},
        {{"render-chart", "c.json", "--format", "trace", "-o", "w.png"}, false},
        {{"render-chart", "c.json", "-o", "w.gif"}, false},
        {{"chart", "c.json"}, false},
#endif
        // Everything else needs no Qt.
        {{"ephem", "--jed", "2451545"}, false},
        {{"events", "--from", "2024-01-01", "--to", "2024-02-01"}, false},
        {{"job", "new", "-o", "j.cvj"}, false},
        {{"lines", "p.csv", "--bodies", "Sun"}, false},
        {{"--version"}, false},
        {{"png"}, false},
        {{}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Needs(c.args), c.handedOver) << Joined(c.args);
    }
}

class CompanionLookup : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/companion_testXXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_root = folder;
    }
    void TearDown() override { std::system(("rm -rf '" + m_root + "'").c_str()); }
    // A file at `relative` under the root, executable or not, with its folders.
    std::string Put(const std::string& relative, bool executable = true) {
        const std::string path = m_root + "/" + relative;
        std::system(("mkdir -p '" + path.substr(0, path.rfind('/')) + "'").c_str());
        std::ofstream(path) << "#!/bin/sh\n";
        ::chmod(path.c_str(), executable ? 0755 : 0644);
        return path;
    }
    std::string m_root;
};

TEST_F(CompanionLookup, FoundBesideTheProgramOrInItsInstallFolder) {
    const std::string companion = cli::kCompanionName;
    // A build folder: both programs side by side.
    const std::string built = Put("build/caelvane-cli");
    EXPECT_FALSE(cli::FindCompanion(built));
    const std::string beside = Put("build/" + companion);
    EXPECT_EQ(cli::FindCompanion(built), beside);
    // Installed: bin/ and libexec/caelvane/ under one prefix.
    const std::string installed = Put("usr/bin/caelvane-cli");
    EXPECT_FALSE(cli::FindCompanion(installed));
    const std::string libexec = Put("usr/libexec/caelvane/" + companion);
    const std::optional<std::string> found = cli::FindCompanion(installed);
    ASSERT_TRUE(found);
    EXPECT_EQ(std::filesystem::canonical(*found), libexec);
    EXPECT_EQ(cli::CompanionCandidates(installed).back(), *found);
}

TEST_F(CompanionLookup, OnlyAnExecutableFileCounts) {
    const std::string program = Put("bin/caelvane-cli");
    Put("bin/" + std::string(cli::kCompanionName), false);
    EXPECT_FALSE(cli::FindCompanion(program));
    ASSERT_EQ(::mkdir((m_root + "/libexec").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((m_root + "/libexec/caelvane").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((m_root + "/libexec/caelvane/" + cli::kCompanionName).c_str(), 0755), 0);
    EXPECT_FALSE(cli::FindCompanion(program));
}

}  // namespace
