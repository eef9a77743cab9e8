// caelvane-cli events: its arguments, its bad-input messages and its outputs.
#include "cli/events_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/tests/run_cli.h"
#include "ephemeris/calendar.h"
#include "events/event_writers.h"
#include "events/job_aspects.h"
#include "job/caelvane_doc.h"
#include "job/job_file.h"

namespace {

using events::EventKind;
using events::KindBit;

const double kToday = JulianDate(6, 1, 2024, 0, 0);

std::optional<std::string> Parse(std::vector<std::string> args, cli::EventsRequest& request) {
    return cli::ParseEventsArguments(args, kToday, request);
}

std::string ErrorOf(std::vector<std::string> args) {
    cli::EventsRequest request;
    return Parse(std::move(args), request).value_or("");
}

std::filesystem::path TempDir() {
    const auto dir =
        std::filesystem::temp_directory_path() / ("caelvane_events_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(EventsCommand, DefaultsCoverEverythingOverTheWholeLastDay) {
    cli::EventsRequest request;
    ASSERT_EQ(Parse({"--from", "2024-01-01", "--to", "2024-12-31"}, request), std::nullopt);
    EXPECT_EQ(request.finder.startJed, JulianDate(1, 1, 2024, 0, 0));
    EXPECT_EQ(request.finder.endJed, JulianDate(1, 1, 2025, 0, 0));
    EXPECT_EQ(request.finder.kinds, events::kAllKinds);
    EXPECT_TRUE(request.finder.geocentric && request.finder.heliocentric);
    EXPECT_EQ(request.finder.angles, events::AllFixedAngles());
    EXPECT_TRUE(request.finder.bodies.empty());
    EXPECT_EQ(request.format, cli::EventsFormat::Csv);
    EXPECT_EQ(request.output, "-");

    ASSERT_EQ(Parse({"--from", "2024-01-01", "--to", "2024-01-01", "--kinds", "station,eclipse",
                     "--frame", "geo", "--bodies", "sun,Mars", "--aspects", "0,22.5,90", "--format",
                     "ics", "-o", "x.ics"},
                    request),
              std::nullopt);
    EXPECT_EQ(request.finder.kinds, KindBit(EventKind::Station) | KindBit(EventKind::Eclipse));
    EXPECT_FALSE(request.finder.heliocentric);
    EXPECT_EQ(request.finder.bodies, (std::vector<int>{-3, -4, 4}));
    EXPECT_EQ(request.finder.angles, (std::vector<double>{0, 22.5, 90}));
    EXPECT_EQ(request.format, cli::EventsFormat::Ics);
    EXPECT_EQ(request.output, "x.ics");
}

// Every bad value is named in its message.
TEST(EventsCommand, BadInputNamesTheValue) {
    const std::vector<std::string> range = {"--from", "2024-01-01", "--to", "2024-02-01"};
    const auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = range;
        args.insert(args.end(), extra.begin(), extra.end());
        return ErrorOf(args);
    };
    EXPECT_NE(ErrorOf({"--from", "2023-02-29", "--to", "2024-01-01"}).find("'2023-02-29'"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"--from", "2024-01-01", "--to", "2024-13-01"}).find("'2024-13-01'"),
              std::string::npos);
    EXPECT_EQ(ErrorOf({"--from", "2024-02-01", "--to", "2024-01-31"}),
              "the range ends before it starts");
    EXPECT_EQ(ErrorOf({"--from", "1000-01-01", "--to", "2000-01-01"}),
              "the range spans more than 1000 years, the largest range one search takes");
    EXPECT_EQ(ErrorOf({"--from", "0001-01-01", "--to", "9999-12-31"}),
              "the range spans more than 1000 years, the largest range one search takes");
    EXPECT_EQ(ErrorOf({"--from", "1000-01-01", "--to", "1999-12-31"}), "");
    EXPECT_NE(with({"--kinds", "aspect,transits"}).find("'transits'"), std::string::npos);
    EXPECT_NE(with({"--kinds", "aspect,transit"}).find("needs a natal chart"), std::string::npos);
    EXPECT_NE(with({"--bodies", "Mars,Vulcan"}).find("'Vulcan'"), std::string::npos);
    EXPECT_NE(with({"--bodies", "Earth,"}).find("''"), std::string::npos);
    EXPECT_NE(with({"--aspects", "90,360"}).find("'360'"), std::string::npos);
    EXPECT_NE(with({"--aspects", "-30"}).find("'-30'"), std::string::npos);
    EXPECT_NE(with({"--aspects", "ninety"}).find("'ninety'"), std::string::npos);
    EXPECT_NE(with({"--format", "xml"}).find("'xml'"), std::string::npos);
    EXPECT_NE(with({"--frame", "topo"}).find("'topo'"), std::string::npos);
    EXPECT_NE(with({"--positions", "exact"}).find("'exact'"), std::string::npos);
    EXPECT_NE(with({"--tz", "Mars/Olympus"}).find("'Mars/Olympus'"), std::string::npos);
    EXPECT_NE(with({"--frobnicate"}).find("'--frobnicate'"), std::string::npos);
    EXPECT_EQ(with({"--kinds", "aspect", "--kinds", "station"}), "--kinds given twice");
    // Angles are counted once each, and their number is bounded.
    std::string many;
    for (int tenth = 0; tenth <= static_cast<int>(events::kMaxAngles); ++tenth)
        many +=
            (tenth > 0 ? "," : "") + std::to_string(tenth / 10) + "." + std::to_string(tenth % 10);
    EXPECT_EQ(with({"--aspects", many}), "--aspects lists more than 360 angles");
    cli::EventsRequest request;
    ASSERT_EQ(Parse({"--from", "2024-01-01", "--to", "2024-01-02", "--aspects", "90,90,90.0",
                     "--bodies", "Mars,mars"},
                    request),
              std::nullopt);
    EXPECT_EQ(request.finder.angles, (std::vector<double>{90}));
    EXPECT_EQ(request.finder.bodies, (std::vector<int>{-4, 4}));
    EXPECT_EQ(ErrorOf({"--from", "2024-01-01"}), "needs --from and --to, or --job");
}

// A job brings its range and its significant aspects; --from/--to and --aspects override.
TEST(EventsCommand, JobGivesRangeAndAspects) {
    CCaelvaneDoc doc;
    doc.m_jobType = 3;
    doc.m_startMonth = 3, doc.m_startDay = 1, doc.m_startYear = 2024;
    doc.m_endMonth = 3, doc.m_endDay = 31, doc.m_endYear = 2024;
    for (auto& flag : doc.m_aspectSelected) flag = 0;
    doc.m_aspectSelected[19] = 1;  // 90
    doc.m_customAspect[0] = 7.5;
    doc.m_customAspectEnabled[0] = 1;
    const auto path = TempDir() / "range.cvj";
    std::string error;
    ASSERT_TRUE(SaveJobFile(path.string(), doc, error)) << error;

    cli::EventsRequest request;
    ASSERT_EQ(Parse({"--job", path.string()}, request), std::nullopt);
    EXPECT_EQ(request.finder.startJed, JulianDate(3, 1, 2024, 0, 0));
    EXPECT_EQ(request.finder.endJed, JulianDate(4, 1, 2024, 0, 0));
    EXPECT_EQ(request.finder.angles, (std::vector<double>{7.5, 90}));

    ASSERT_EQ(Parse({"--job", path.string(), "--to", "2024-03-10", "--aspects", "60"}, request),
              std::nullopt);
    EXPECT_EQ(request.finder.endJed, JulianDate(3, 11, 2024, 0, 0));
    EXPECT_EQ(request.finder.angles, (std::vector<double>{60}));

    // A TODAY -/+ job counts from the host's date.
    doc.m_jobType = 2;
    doc.m_daysBefore = 2;
    doc.m_daysAfter = 3;
    ASSERT_TRUE(SaveJobFile(path.string(), doc, error)) << error;
    ASSERT_EQ(Parse({"--job", path.string()}, request), std::nullopt);
    EXPECT_EQ(request.finder.startJed, kToday - 2);
    EXPECT_EQ(request.finder.endJed, kToday + 4);

    EXPECT_NE(ErrorOf({"--job", (TempDir() / "missing.cvj").string()}).find("missing.cvj"),
              std::string::npos);
}

int RunEventsCli(std::vector<std::string> args) {
    args.insert(args.begin(), "events");
    return RunCli(std::move(args));
}

TEST(EventsCommand, WritesTheFileWholeOrNotAtAll) {
    const auto dir = TempDir();
    const auto csv = dir / "april.csv";
    std::filesystem::remove(csv);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunEventsCli({"--from", "2024-04-01", "--to", "2024-04-30", "--aspects", "abc", "-o",
                            csv.string()}),
              2);
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(message.rfind("caelvane-cli events: aspect angle 'abc'", 0), 0u) << message;
    EXPECT_FALSE(std::filesystem::exists(csv));

    ASSERT_EQ(RunEventsCli({"--from", "2024-04-01", "--to", "2024-04-30", "--kinds",
                            "lunation,eclipse", "--positions", "series", "-o", csv.string()}),
              0);
    const std::string text = ReadFile(csv);
    EXPECT_EQ(text.rfind("time_utc,kind,frame,body1,body2,angle,sign,detail\n", 0), 0u);
    EXPECT_NE(text.find("2024-04-08T18:2"), std::string::npos);
    EXPECT_NE(text.find(",eclipse,geo,Sun,Moon,,,possible-solar\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 5);  // 4 phases and the eclipse
    std::filesystem::remove_all(dir);
}

// Without --positions the precise source is used where its data files are present, and the
// command says which source it used on standard error, leaving the CSV as its contract says.
TEST(EventsCommand, PreciseByDefaultAndSaysSo) {
    const auto dir = TempDir();
    const auto csv = dir / "eclipse.csv";
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(RunEventsCli({"--from", "2024-04-08", "--to", "2024-04-08", "--kinds", "eclipse",
                            "-o", csv.string()}),
              0);
    const std::string note = ::testing::internal::GetCapturedStderr();
    const std::string text = ReadFile(csv);
    EXPECT_EQ(text.rfind("time_utc,kind,frame,body1,body2,angle,sign,detail\n", 0), 0u);
    if (events::DefaultEventSource() == PositionSource::Precise) {
        EXPECT_NE(note.find("positions: Swiss Ephemeris"), std::string::npos) << note;
        EXPECT_NE(text.find("2024-04-08T18:17:"), std::string::npos) << text;
        EXPECT_NE(text.find(",solar-total\n"), std::string::npos) << text;
    } else {
        EXPECT_NE(note.find("positions: classic series"), std::string::npos) << note;
    }
    std::filesystem::remove_all(dir);
}

// The range of year 0 starts on its first day: the first quarter of the morning of
// 0000-01-01 is found, and the full Moon of its week.
TEST(EventsCommand, YearZeroRangeStartsOnItsFirstDay) {
    if (!PrecisePositionsAvailable()) GTEST_SKIP() << "no precise positions in this build";
    const auto dir = TempDir();
    const auto csv = dir / "year0.csv";
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(RunEventsCli({"--from", "0000-01-01", "--to", "0000-01-31", "--kinds", "lunation",
                            "--positions", "precise", "-o", csv.string()}),
              0);
    ::testing::internal::GetCapturedStderr();
    const std::string text = ReadFile(csv);
    const std::size_t first = text.find('\n') + 1;
    EXPECT_EQ(text.substr(first, 14), "0000-01-01T07:") << text;
    EXPECT_NE(text.find(",first-quarter\n"), std::string::npos) << text;
    EXPECT_NE(text.find("0000-01-07T"), std::string::npos) << text;
    std::filesystem::remove_all(dir);
}

// The files are written as the events are found, a chunk at a time: byte for byte what the
// whole list makes at once, the calendar with the export's own stamp.
TEST(EventsCommand, StreamedFilesEqualTheWholeExports) {
    const auto dir = TempDir();
    const std::vector<std::string> range = {"--from",     "2024-01-01",  "--to",
                                            "2024-09-30", "--positions", "series"};
    cli::EventsRequest request;
    ASSERT_EQ(Parse(range, request), std::nullopt);
    const auto events = events::FindEvents(request.finder).events;
    ASSERT_GT(events.size(), 3000u);
    for (const std::string format : {"csv", "ics"}) {
        const auto path = dir / ("streamed." + format);
        std::vector<std::string> args = range;
        args.insert(args.end(), {"--format", format, "-o", path.string()});
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(RunEventsCli(args), 0);
        ::testing::internal::GetCapturedStderr();
        const std::string text = ReadFile(path);
        if (format == "csv") {
            EXPECT_TRUE(text == events::EventsCsv(events));
            continue;
        }
        const std::size_t at = text.find("DTSTAMP:");
        ASSERT_NE(at, std::string::npos);
        const std::string stamp = text.substr(at + 8, 16);  // YYYYMMDDTHHMMSSZ
        const double stampJed =
            JulianDate(std::stoi(stamp.substr(4, 2)), std::stoi(stamp.substr(6, 2)),
                       std::stoi(stamp.substr(0, 4)), std::stoi(stamp.substr(9, 2)),
                       std::stoi(stamp.substr(11, 2))) +
            std::stoi(stamp.substr(13, 2)) / 86400.0;
        EXPECT_TRUE(text == events::EventsICalendar(events, stampJed));
    }
    std::filesystem::remove_all(dir);
}

TEST(EventsCommand, TextFormShowsLocalTimes) {
    events::SkyEvent event;
    event.jed = JulianDate(4, 8, 2024, 18, 21) + 30.0 / 86400;
    event.kind = EventKind::Lunation;
    event.body1 = -3;
    event.body2 = -10;
    event.angle = 0;
    event.detail = events::EventDetail::NewMoon;
    EXPECT_EQ(cli::EventsText({event}, "America/New_York"), "2024-04-08 14:21:30 EDT  New Moon\n");
    EXPECT_EQ(cli::EventsText({event}, "UTC"), "2024-04-08 18:21:30 UTC  New Moon\n");
}

}  // namespace
