#include "cli/render_prices_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/tests/run_cli.h"
#include "prices/ohlc.h"

namespace {

class RenderPrices : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/render_prices_testXXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
    }
    void TearDown() override {
        for (const std::string& file : m_files) unlink(file.c_str());
        rmdir(m_folder.c_str());
    }
    std::string Path(const std::string& name) {
        m_files.push_back(m_folder + "/" + name);
        return m_files.back();
    }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string m_folder;
    std::vector<std::string> m_files;
};

const char* const kBars =
    "Date,Open,High,Low,Close\n"
    "1995-06-01,100,104,99,103\n"
    "1995-06-02,103,105,100,101\n"
    "1995-06-05,101,108,101,107\n"
    "1995-06-06,107,109,102,103\n";

TEST_F(RenderPrices, DrawsTheChartInEveryFormat) {
    const std::string csv = Write("bars.csv", kBars);
    const std::string trace = Path("chart.trace");
    ASSERT_EQ(RunCli({"render-prices", csv, "--bodies", "Mars,Jupiter", "-o", trace}), 0);
    const std::string text = Read(trace);
    EXPECT_EQ(text.rfind("begin\n", 0), 0u);
    EXPECT_NE(text.find("\nrect "), std::string::npos);             // candle bodies
    EXPECT_NE(text.find("\ncolor 001414DC\n"), std::string::npos);  // Mars's lines
    EXPECT_NE(text.find("text -152 10276 \"bars.csv\""), std::string::npos);

    const std::string png = Path("chart.png"), svg = Path("chart.svg"), pdf = Path("chart.pdf");
    ASSERT_EQ(RunCli({"render-prices", csv, "--bodies", "Mars", "--width", "400", "--height", "300",
                      "-o", png}),
              0);
    EXPECT_EQ(Read(png).substr(0, 4), "\x89PNG");
    ASSERT_EQ(RunCli({"render-prices", csv, "--style", "line", "--log", "-o", svg}), 0);
    EXPECT_NE(Read(svg).find("<svg"), std::string::npos);
    ASSERT_EQ(RunCli({"render-prices", csv, "--style", "bars", "--format", "pdf", "-o", pdf}), 0);
    EXPECT_EQ(Read(pdf).substr(0, 5), "%PDF-");
}

TEST_F(RenderPrices, BadFilesNameTheirFaultAndLeaveNoOutput) {
    const std::string csv = Write("bad.csv", std::string(kBars) + "1995-06-07,1,2,x,1\n");
    const std::string out = Path("out.trace");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({"render-prices", csv, "-o", out}), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "caelvane-cli render-prices: " + csv + ":6: column 4 (Low): 'x' is not a number\n");
    EXPECT_NE(access(out.c_str(), F_OK), 0);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({"render-prices", csv, "--skip-bad-rows", "-o", out}), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "caelvane-cli render-prices: skipped 1 bad row; the first: " + csv +
                  ":6: column 4 (Low): 'x' is not a number\n");
    EXPECT_EQ(access(out.c_str(), F_OK), 0);

    const std::string negative = Write("negative.csv", "Date,Close\n1995-06-01,3\n1995-06-02,-1\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCli({"render-prices", negative, "--log", "-o", out}), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "caelvane-cli render-prices: " + negative +
                  ":3: column 2 (Close): '-1' is not above 0, as a log scale needs\n");
}

// One end of the prices given, and past the other end that the bars make: refused, not
// quietly replaced.
TEST_F(RenderPrices, OneSidedPriceRangeBeyondTheBarsIsRefused) {
    const std::string csv = Write("bars.csv", kBars);
    const std::string out = Path("out.trace");
    for (const auto& [args, message] :
         {std::pair<std::vector<std::string>, std::string>{
              {"--max", "50"},
              "--max 50 is not above the lowest price shown, 98.5: give --min as well"},
          {{"--min", "200"},
           "--min 200 is not below the highest price shown, 109.5: give --max as well"},
          {{"--log", "--max", "0"}, "--log needs --max above 0"}}) {
        std::vector<std::string> command = {"render-prices", csv, "-o", out};
        command.insert(command.end(), args.begin(), args.end());
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(RunCli(command), 2);
        const std::string text = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(text.substr(0, text.find('\n')), "caelvane-cli render-prices: " + message);
        EXPECT_NE(access(out.c_str(), F_OK), 0);
    }
    EXPECT_EQ(RunCli({"render-prices", csv, "-o", out, "--max", "105"}), 0);
}

// A range of days without a bar, inside the file or beyond either end, is refused naming both
// ranges, and nothing is written.
TEST_F(RenderPrices, DaysWithoutBarsAreRefusedNamingBothRanges) {
    const std::string csv = Write("bars.csv", kBars);
    const std::string out = Path("out.trace");
    const std::string bars = ": the bars of " + csv + " run from 1995-06-01 to 1995-06-06";
    for (const auto& [args, message] :
         {std::pair<std::vector<std::string>, std::string>{
              {"--from", "1995-06-03", "--to", "1995-06-04"},
              "the days 1995-06-03 to 1995-06-04 hold no bar" + bars},
          {{"--from", "2030-01-01"}, "the days 2030-01-01 to 1995-06-06 hold no bar" + bars},
          {{"--to", "1990-12-31"}, "the days 1995-06-01 to 1990-12-31 hold no bar" + bars},
          {{"--from", "0000-01-01", "--to", "0001-01-01"},
           "the days 0000-01-01 to 0001-01-01 hold no bar" + bars}}) {
        std::vector<std::string> command = {"render-prices", csv, "-o", out};
        command.insert(command.end(), args.begin(), args.end());
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(RunCli(command), 2);
        const std::string text = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(text.substr(0, text.find('\n')), "caelvane-cli render-prices: " + message);
        EXPECT_NE(access(out.c_str(), F_OK), 0);
    }
    EXPECT_EQ(RunCli({"render-prices", csv, "-o", out, "--from", "1995-06-06"}), 0);
}

// A newest-first daily export as finance sites give it, drawn with the sky's events, shaded
// retrograde spans, volumes and a trading-day axis, without a display.
TEST_F(RenderPrices, NewestFirstExportWithEventMarkersAndVolumes) {
    std::string text = "Date,Open,High,Low,Close,Adj Close,Volume\n";
    std::int64_t day = prices::DaysFromCivil(2024, 6, 28);
    for (int row = 0; row < 130; --day) {
        if (((day % 7) + 10) % 7 >= 5) continue;  // no weekends
        int y = 0, m = 0, d = 0;
        prices::CivilFromDays(day, y, m, d);
        char line[120];
        const double close = 150.0 + (row % 7) - row * 0.1;
        std::snprintf(line, sizeof line, "%04d-%02d-%02d,%.2f,%.2f,%.2f,%.2f,%.2f,%d\n", y, m, d,
                      close - 1, close + 2, close - 2, close, close - 0.5, 1000 + row);
        text += line;
        ++row;
    }
    const std::string csv = Write("export.csv", text);
    const std::string trace = Path("sky.trace");
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(RunCli({"render-prices", csv, "--events", "station,eclipse", "--event-bodies",
                      "Mercury,Sun,Moon", "--retrograde", "Mercury", "--trading-days", "--volume",
                      "--legend", "auto", "--positions", "series", "-o", trace}),
              0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "caelvane-cli render-prices: note: " + csv +
                  " lists its rows newest first; they are read in time order\n");
    const std::string drawn = Read(trace);
    // Mercury stationed retrograde on 2024-04-01 and direct on 2024-04-25; the solar eclipse
    // of 2024-04-08.
    EXPECT_NE(drawn.find("\"Mer R\""), std::string::npos);
    EXPECT_NE(drawn.find("\"Mer D\""), std::string::npos);
    EXPECT_NE(drawn.find("\"Sol ecl\""), std::string::npos);
    EXPECT_NE(drawn.find("\"Mer Rx\""), std::string::npos);
    EXPECT_NE(drawn.find("\"volume, up to 1.129K\""), std::string::npos);

    // Without the new options the chart is drawn as before: nothing of them in the trace.
    ASSERT_EQ(RunCli({"render-prices", csv, "-o", trace}), 0);
    const std::string plain = Read(trace);
    EXPECT_EQ(plain.find("Mer"), std::string::npos);
    EXPECT_EQ(plain.find("volume"), std::string::npos);
}

TEST(RenderPricesArguments, AreCheckedBeforeAnythingIsRead) {
    const auto refusal = [](std::vector<std::string> args) {
        cli::RenderPricesRequest request;
        return cli::ParseRenderPricesArguments(args, request).value_or("");
    };
    EXPECT_EQ(refusal({"a.csv"}), "missing -o OUT");
    EXPECT_EQ(refusal({"-o", "x.png"}), "missing FILE.csv");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.jpg"}),
              "--format is needed: the extension of 'x.jpg' is none of png, svg, pdf or trace");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.png", "--width", "50"}),
              "--width must be a number of pixels from 200 to 16384, not '50'");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.png", "--units-per-circle", "0"}),
              "--units-per-circle must be a number above 0, not '0'");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.png", "--min", "9", "--max", "3"}),
              "--min 9 is not below --max 3");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.png", "--bodies", ","}),
              "--bodies: the list of bodies is empty");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.png", "--log", "--min", "0"}),
              "--log needs --min above 0");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.png", "--events", "station,quake"}),
              "--events: unknown event kind 'quake' (aspect, ingress, station, lunation, eclipse)");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.png", "--event-bodies", "Mars"}),
              "--event-bodies needs --events");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.png", "--events", "ingress", "--event-bodies", "Sun",
                       "--frame", "helio"}),
              "--event-bodies: Sun has no heliocentric longitude");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.png", "--retrograde", "Vulcan"}),
              "--retrograde: unknown body 'Vulcan' (Sun, Moon, Mercury, Venus, Earth, Mars, "
              "Jupiter, Saturn, Uranus, Neptune, Pluto, Node, Chiron)");
    EXPECT_EQ(refusal({"a.csv", "-o", "x.png", "--legend", "middle"}),
              "--legend must be top-left, top-right, bottom-left, bottom-right, auto or none, not "
              "'middle'");

    cli::RenderPricesRequest request;
    ASSERT_EQ(cli::ParseRenderPricesArguments({"a.csv", "-o", "x.svg", "--from", "1995-06-02",
                                               "--to", "1995-06-05", "--min", "90", "--max", "120"},
                                              request),
              std::nullopt);
    EXPECT_EQ(*request.format, cli::PriceChartFormat::Svg);
    prices::PriceSeries series;
    series.bars.push_back({0, 1, 1, 1, 1});
    const prices::ChartWindow window = cli::RequestedWindow(request, series);
    EXPECT_EQ(window.timeLeft, prices::DaysFromCivil(1995, 6, 2) * 86400.0);
    EXPECT_EQ(window.timeRight, prices::DaysFromCivil(1995, 6, 6) * 86400.0);
    EXPECT_EQ(window.priceLow, 90.0);
    EXPECT_EQ(window.priceHigh, 120.0);
}

}  // namespace
