// caelvane-cli pricefeed [--file PATH] (--csv FILE [--speed X] | --random-walk [--start P]
//     [--step S] [--interval SECONDS] [--seed N]) [--count N]
//
// Keeps the price file up to date the way an outside feed does, one atomic replacement per
// update, so that the price monitor of the desktop program can be used without one.
#include "cli/pricefeed_command.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/option_values.h"
#include "cli/options.h"
#include "tools/price_feed.h"
#include "tools/price_file_path.h"

namespace cli {

namespace {

volatile sig_atomic_t stopRequested = 0;

constexpr double kSlowestSpeed = 1e-5;

void RequestStop(int) {
    stopRequested = 1;
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "caelvane-cli pricefeed: %s\n", message.c_str());
    return 1;
}

// The longest single wait: beyond it a replay is no replay (and a time_t from a larger double
// is not defined).
constexpr double kLongestWait = 1e9;

// Sleeps up to `seconds`, waking early when a stop is requested.
void Wait(double seconds) {
    if (!(seconds > 0.0)) return;
    if (seconds > kLongestWait) seconds = kLongestWait;
    timespec left{};
    left.tv_sec = static_cast<time_t>(seconds);
    left.tv_nsec = static_cast<long>((seconds - static_cast<double>(left.tv_sec)) * 1e9);
    // The handlers are installed without SA_RESTART, so a signal ends the sleep with EINTR.
    while (!stopRequested && nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = &RequestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Publish(const std::string& path, const PriceQuote& quote) {
    const std::string line = FormatPriceLine(quote);
    std::string error;
    if (!WritePriceFile(path, line, error)) {
        std::fprintf(stderr, "caelvane-cli pricefeed: %s\n", error.c_str());
        return false;
    }
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
    return true;
}

// A CSV row is a date, a time and four prices; a line far longer is no CSV of prices (a wrong
// file, /dev/zero), and reading stops there instead of filling the memory.
constexpr std::size_t kMaxCsvLine = 4096;

// Reads the next line of `in` (without its line feed) up to kMaxCsvLine bytes. Returns false
// at the end of the file; `tooLong` when the line goes on past the limit.
bool ReadCsvLine(std::FILE* in, std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    int c = 0;
    while ((c = std::getc(in)) != EOF && c != '\n') {
        if (line.size() == kMaxCsvLine) {
            tooLong = true;
            return true;
        }
        line += static_cast<char>(c);
    }
    return c != EOF || !line.empty();
}

std::string LineTooLong(const std::string& csv, int lineNumber) {
    return csv + ": line " + std::to_string(lineNumber) + " is longer than " +
           std::to_string(kMaxCsvLine) + " bytes: not a CSV of prices";
}

int ReplayCsv(const PriceFeedOptions& options, const std::string& path) {
    // Without waiting in open(): a pipe is read as it comes, but only once it is opened.
    const int fd = ::open(options.csv.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failure("cannot open " + options.csv + ": " + std::strerror(errno));
    struct stat info;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int err = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        return Failure("cannot read " + options.csv + ": " + std::strerror(err));
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(::fdopen(fd, "rb"), &std::fclose);
    if (!in) {
        const int err = errno;
        ::close(fd);
        return Failure("cannot read " + options.csv + ": " + std::strerror(err));
    }

    // A file is checked whole before its first row is published, a line at a time so that a
    // long CSV is never held whole; then it is read again for the replay. A pipe can be read
    // once only: its rows are checked as they are replayed, and a bad one ends the replay.
    if (S_ISREG(info.st_mode)) {
        CPriceCsvReader checker;
        std::string line, error;
        bool tooLong = false;
        int lineNumber = 0;
        while (ReadCsvLine(in.get(), line, tooLong)) {
            ++lineNumber;
            if (tooLong) return Failure(LineTooLong(options.csv, lineNumber));
            std::optional<TimedQuote> quote;
            if (!checker.Line(line, quote, error)) return Failure(options.csv + ": " + error);
        }
        if (std::ferror(in.get())) {
            return Failure("cannot read " + options.csv + ": " + std::strerror(errno));
        }
        if (!checker.Finish(error)) return Failure(options.csv + ": " + error);
        std::rewind(in.get());
    }

    const double speed = options.speed.value_or(1.0);
    const std::uint64_t limit = options.count.value_or(UINT64_MAX);
    CPriceCsvReader reader;
    std::string line;
    std::string error;
    bool tooLong = false;
    std::uint64_t published = 0;
    std::int64_t previous = 0;
    int lineNumber = 0;
    while (published < limit && !stopRequested && ReadCsvLine(in.get(), line, tooLong)) {
        ++lineNumber;
        if (tooLong) {
            return Failure(LineTooLong(options.csv, lineNumber));
        }
        std::optional<TimedQuote> quote;
        if (!reader.Line(line, quote, error)) return Failure(options.csv + ": " + error);
        if (!quote) continue;
        if (published > 0) {
            Wait(static_cast<double>(quote->seconds - previous) / speed);
            if (stopRequested) break;
        }
        if (!Publish(path, quote->quote)) return 1;
        previous = quote->seconds;
        ++published;
    }
    if (std::ferror(in.get())) {
        return Failure("cannot read " + options.csv + ": " + std::strerror(errno));
    }
    if (published == 0 && !stopRequested && !reader.Finish(error)) {
        return Failure(options.csv + ": " + error);
    }
    return 0;
}

int RandomWalk(const PriceFeedOptions& options, const std::string& path) {
    const std::uint64_t seed = options.seed ? *options.seed : std::random_device{}();
    if (!options.seed) {
        std::fprintf(stderr, "caelvane-cli pricefeed: random walk with --seed %llu\n",
                     static_cast<unsigned long long>(seed));
    }
    CRandomWalk walk(options.start.value_or(1000.0), options.step.value_or(0.25), seed);
    CDayRange dayRange;
    const double interval = options.interval.value_or(10.0);
    for (std::uint64_t n = 0; !options.count || n < *options.count; ++n) {
        if (n > 0) Wait(interval);
        if (stopRequested) break;
        // A live feed stamps each price with the local clock.
        const time_t now = time(nullptr);
        tm local{};
        localtime_r(&now, &local);
        PriceQuote quote;
        quote.month = local.tm_mon + 1;
        quote.day = local.tm_mday;
        quote.year = local.tm_year + 1900;
        quote.hour = local.tm_hour;
        quote.minute = local.tm_min;
        quote.price = walk.Next();
        dayRange.Update(quote);
        if (!Publish(path, quote)) return 1;
    }
    return 0;
}

constexpr Option kPriceFeedOptionRows[] = {
    {"--file", "PATH",
     "the price file (default: $CAELVANE_PRICE_FILE, else the profile's\n"
     "Settings/PriceFile, else $XDG_DATA_HOME/Caelvane/sp1last.can)"},
    {"--csv", "FILE",
     "replay timed prices: DATETIME,PRICE or DATETIME,OPEN,HIGH,LOW,PRICE\n"
     "(or DATE,TIME,...; a header naming the columns is allowed)",
     0, nullptr, "(--csv FILE [--speed X] |"},
    {"--speed", "X",
     "replay X times faster than the time stamps (default 1; from\n"
     "1e-5 to 1e9); rows are read as they are replayed, one line at\n"
     "most 4096 bytes",
     0, nullptr, ""},
    {"--random-walk", "",
     "a price moving one step up or down per update, stamped with the\n"
     "local time",
     kFlag, nullptr, "--random-walk [--start P] [--step S] [--interval SECONDS] [--seed N])"},
    {"--start", "P", "first price of the walk (default 1000)", 0, nullptr, ""},
    {"--step", "S", "size of a step (default 0.25)", 0, nullptr, ""},
    {"--interval", "SECONDS", "time between updates (default 10)", 0, nullptr, ""},
    {"--seed", "N", "the same seed gives the same walk", 0, nullptr, ""},
    {"--count", "N",
     "stop after N updates (otherwise at the end of the CSV, or on\n"
     "Ctrl+C / SIGTERM)"},
};

constexpr OptionTable kPriceFeedTable{
    .name = "pricefeed",
    .options = kPriceFeedOptionRows,
    .intro =
        "Keeps the price file of the desktop program's price monitor up to date, replacing it\n"
        "whole on every update (month day year hour minute open high low price).\n",
    .column = 21,
    .unknownOption = "unexpected argument \"{}\"",
};

constexpr const OptionTable* kPriceFeedTables[] = {&kPriceFeedTable};

}  // namespace

OptionTables PriceFeedOptionTables() {
    return kPriceFeedTables;
}

const char* const kPriceFeedUsage = KeepText(UsageOf(kPriceFeedTable));
const char* const kPriceFeedHelp = KeepText(HelpOf(kPriceFeedTable));

std::optional<std::string> ParsePriceFeedArguments(const std::vector<std::string>& args,
                                                   PriceFeedOptions& options) {
    ParsedOptions parsed;
    if (auto error = ParseOptions(kPriceFeedTable, args, parsed)) return error;
    options.randomWalk = parsed.Has("--random-walk");
    for (const char* name : {"--file", "--csv"}) {
        if (const std::string* value = parsed.Value(name)) {
            if (value->empty()) return std::string(name) + " needs a file name";
            (name == std::string_view("--file") ? options.file : options.csv) = *value;
        }
    }
    for (const char* name : {"--seed", "--count"}) {
        if (const std::string* value = parsed.Value(name)) {
            std::optional<std::uint64_t>& target =
                name == std::string_view("--seed") ? options.seed : options.count;
            target = ParseUnsigned(*value);
            if (!target) return std::string(name) + " needs a whole number, not \"" + *value + "\"";
            if (name == std::string_view("--count") && *target == 0)
                return "--count must be at least 1";
        }
    }
    for (const char* name : {"--speed", "--start", "--step", "--interval"}) {
        const std::string* value = parsed.Value(name);
        if (value == nullptr) continue;
        const std::string arg = name;
        std::optional<double>& target = arg == "--speed"   ? options.speed
                                        : arg == "--start" ? options.start
                                        : arg == "--step"  ? options.step
                                                           : options.interval;
        target = ParseReal(*value);
        if (!target) return arg + " needs a number, not \"" + *value + "\"";
        // --start stays below the largest price the monitor accepts.
        const double limit = arg == "--interval" ? 86400.0 : arg == "--speed" ? 1e9 : 1e14;
        // A slower replay waits a day and more for every second of the CSV's clock.
        if (arg == "--speed" && *target > 0.0 && *target < kSlowestSpeed) {
            return "--speed " + *value + " is too slow: the slowest replay is " +
                   std::string("1e-5 (about a day for every second between rows)");
        }
        if (!(*target > 0.0) || *target > limit) {
            return arg + " must be above 0 and at most " +
                   (arg == "--start" || arg == "--step" ? std::string("1e14")
                    : arg == "--speed"                  ? std::string("1e9")
                                                        : std::string("86400"));
        }
    }
    if (options.randomWalk == !options.csv.empty()) {
        return "give either --csv FILE or --random-walk; usage: caelvane-cli " +
               std::string(kPriceFeedUsage);
    }
    if (options.randomWalk && options.speed) return "--speed goes with --csv";
    if (!options.randomWalk &&
        (options.start || options.step || options.interval || options.seed)) {
        return "--start, --step, --interval and --seed go with --random-walk";
    }
    return std::nullopt;
}

int RunPriceFeed(const std::vector<std::string>& args) {
    PriceFeedOptions options;
    if (const std::optional<std::string> error = ParsePriceFeedArguments(args, options)) {
        return UsageError("pricefeed", *error);
    }

    // Before anything is announced: whoever waits for the "writing" line below may stop the
    // feed from then on and have it end cleanly.
    stopRequested = 0;
    InstallStopHandlers();

    PriceFileLocation location;
    if (options.file.empty()) {
        location = CurrentPriceFileLocation();
    } else {
        location.path = options.file;
    }
    std::fprintf(stderr, "caelvane-cli pricefeed: writing %s%s%s%s\n", location.path.c_str(),
                 options.file.empty() ? " (" : "",
                 options.file.empty() ? DescribePriceFileSource(location.source) : "",
                 options.file.empty() ? ")" : "");

    return options.randomWalk ? RandomWalk(options, location.path)
                              : ReplayCsv(options, location.path);
}

}  // namespace cli
