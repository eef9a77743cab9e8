// Inputs that once hung the command line, ate memory or aborted it: each now ends at once with
// a message, or draws what it should.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/tests/run_cli.h"

namespace {

class HostileInputs : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/hostile_inputs_testXXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
    }
    void TearDown() override { std::system(("rm -rf '" + m_folder + "'").c_str()); }
    std::string Path(const std::string& name) const { return m_folder + "/" + name; }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name);
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Runs the command; returns its status and its first line of standard error.
    static int Run(std::vector<std::string> args, std::string& message) {
        ::testing::internal::CaptureStderr();
        const int status = RunCli(std::move(args));
        const std::string text = ::testing::internal::GetCapturedStderr();
        message = text.substr(0, text.find('\n'));
        return status;
    }

    std::string m_folder;
};

const char* const kBars =
    "Date,Open,High,Low,Close\n"
    "2024-06-03,100,104,99,103\n"
    "2024-06-04,103,105,100,101\n";

// Prices where a double no longer counts whole turns of the circle: refused, not stepped.
TEST_F(HostileInputs, PriceLevelsBeyondWholeTurnsAreRefused) {
    struct Case {
        const char* min;
        const char* max;
        const char* message;
    };
    const Case cases[] = {
        {"1e18", "1e18",
         "caelvane-cli lines: the price 1e+18 is beyond the largest price lines are drawn for "
         "(1.1259e+15, 2^50 turns of 1 units)"},
        {"1e300", "1e300",
         "caelvane-cli lines: the price 1e+300 is beyond the largest price lines are drawn for "
         "(1.1259e+15, 2^50 turns of 1 units)"},
        {"-1e300", "0",
         "caelvane-cli lines: the price -1e+300 is beyond the largest price lines are drawn for "
         "(1.1259e+15, 2^50 turns of 1 units)"},
    };
    for (const Case& c : cases) {
        std::string message;
        EXPECT_EQ(
            Run({"lines", "--from", "2024-01-01", "--to", "2024-01-01", "--bodies", "Mars", "--min",
                 c.min, "--max", c.max, "--units-per-circle", "1", "-o", Path("l.csv")},
                message),
            cli::kUsageError);
        EXPECT_EQ(message, c.message);
    }
    // Just inside the bound the levels are still listed.
    std::string message;
    ASSERT_EQ(
        Run({"lines", "--from", "2024-01-01", "--to", "2024-01-01", "--bodies", "Mars", "--min",
             "1e15", "--max", "1000000000000001", "--units-per-circle", "1", "-o", Path("l.csv")},
            message),
        0)
        << message;
    EXPECT_EQ(Read(Path("l.csv")).rfind("date,body,frame,longitude,harmonic,price\n", 0), 0u);
}

// Requests whose size comes from their arguments are refused beyond a stated bound.
TEST_F(HostileInputs, RequestsBeyondTheirBoundsAreRefusedNamingTheBound) {
    std::string harmonics = "0";
    for (int i = 1; i <= 360; ++i) harmonics += "," + std::to_string(i);
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"lines", "--from", "1900-01-01", "--to", "2099-12-31", "--bodies",
          "Sun,Moon,Mercury,Venus,Mars,Jupiter", "--min", "0", "--max", "7200"},
         "caelvane-cli lines: the request gives up to 44267694 rows; at most 10000000 are "
         "written: fewer days, bodies, harmonics or turns"},
        {{"lines", "--from", "2024-01-01", "--to", "2024-01-01", "--bodies", "Mars", "--min", "0",
          "--max", "72", "--harmonics", harmonics},
         "caelvane-cli lines: 361 harmonics are more than the 360 a chart draws"},
    };
    for (const Case& c : cases) {
        std::string message;
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-o", Path("l.csv")});
        EXPECT_EQ(Run(args, message), cli::kUsageError);
        EXPECT_EQ(message, c.message);
    }
}

// A log axis down to the smallest double: its decades are counted, not multiplied from 0.
TEST_F(HostileInputs, LogAxisFromTheSmallestDoubleIsDrawn) {
    const std::string csv = Write("bars.csv", kBars);
    std::string message;
    ASSERT_EQ(Run({"render-prices", csv, "--log", "--min", "5e-324", "--max", "200", "--bodies",
                   "Mars", "--format", "trace", "-o", Path("c.trace")},
                  message),
              0)
        << message;
    const std::string trace = Read(Path("c.trace"));
    EXPECT_NE(trace.find("\"100\""), std::string::npos);
    EXPECT_NE(trace.find("\nend\n"), std::string::npos);
}

// A FIFO with a bar file's name is refused at once instead of waiting for a writer.
TEST_F(HostileInputs, AFifoNamedLikeABarFileIsRefusedAtOnce) {
    const std::string fifo = Path("p.csv");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string message;
    EXPECT_EQ(Run({"render-prices", fifo, "--format", "trace", "-o", Path("c.trace")}, message), 1);
    EXPECT_NE(message.find(fifo + ": not a regular file"), std::string::npos) << message;
    EXPECT_EQ(::access(Path("c.trace").c_str(), F_OK), -1);
}

// A NUL byte in a field shows in the message as \x00 instead of ending it there.
TEST_F(HostileInputs, ControlBytesInAFieldAreShownEscaped) {
    static const char kText[] = "Date,Open,High,Low,Close\n2024-06-03,1\0x,4,0.5,3\n";
    const std::string csv = Write("nul.csv", std::string(kText, sizeof kText - 1));
    std::string message;
    EXPECT_EQ(Run({"render-prices", csv, "--format", "trace", "-o", Path("c.trace")}, message), 1);
    EXPECT_NE(message.find("'1\\x00x'"), std::string::npos) << message;
}

// The command line never opens a display: a stale one (after an ssh session) or a Wayland
// socket without a compositor changes nothing.
TEST_F(HostileInputs, AStaleDisplayIsNeverOpened) {
    const std::string job = Path("j.cvj");
    std::string message;
    ASSERT_EQ(Run({"job", "new", "-o", job}, message), 0) << message;
    const std::string displays[] = {
        "env -u WAYLAND_DISPLAY DISPLAY=:999",
        "env -u DISPLAY WAYLAND_DISPLAY=nowhere-" + std::to_string(::getpid())};
    for (const std::string& display : displays) {
        SCOPED_TRACE(display);
        const std::string png = Path("p.png");
        ::unlink(png.c_str());
        const std::string command = "env -u QT_QPA_PLATFORM " + display.substr(4) + " '" +
                                    CAELVANE_CLI + "' render '" + job + "' --format png -o '" +
                                    png + "' 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(Read(png).substr(0, 4), "\x89PNG");
    }
}

}  // namespace
