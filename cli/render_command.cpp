// caelvane-cli render FILE.cvj [--page N | --all] [--format pdf|png|svg|trace] [-o OUT|-]
//                    [--today YYYY-MM-DD] [--title TEXT] [--price-file PATH] [--dpi N]
//                    [--style classic|modern]
// Draws chart pages exactly as the desktop program prints them.
#include "cli/render_command.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chart/chart_state.h"
#include "chart/draw_page.h"
#include "chart/price_poll.h"
#include "cli/commands.h"
#include "cli/option_values.h"
#include "cli/options.h"
#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"
#include "job/job_file.h"
#include "platform/atomic_file.h"
#include "platform/host_services.h"
#include "platform/time_zone.h"
#include "render/page_resolution.h"
#include "render/trace_device.h"
#ifdef CAELVANE_HAVE_PDF_PAGES
#include "render/pdf_page_writer.h"
#endif
#ifdef CAELVANE_HAVE_QT_RENDER
#include "render/pdf_fonts.h"
#include "render/qt_page_writer.h"
#include "render/qt_text_metrics.h"
#endif

namespace cli {

namespace {

constexpr Option kRenderOptionRows[] = {
    {"FILE.cvj", "", "the job (after \"--\", a name may start with '-')", kPositional | kRequired},
    {"--page", "N",
     "the page to draw (default: the job's current page, 1); a page\n"
     "beyond the job's last is refused",
     0, nullptr, "[--page N | --all]"},
    {"--all", "",
     "every page in date order, the first day first, whatever the\n"
     "job's Reverse Printing Order says: one PDF, numbered PNG or SVG\n"
     "files (NAME-001.png, ...), or one trace",
     kFlag, nullptr, ""},
    {"--format", "pdf|png|svg|trace",
     "pdf, png, svg or trace (default: from the extension of -o, else\n"
     "pdf)",
     0, "F"},
    {"-o", "OUT|-",
     "the output file, or - for standard output (default: the job's\n"
     "name with the format's extension; traces go to standard output)",
     0, "OUT | -"},
    {"--today", "YYYY-MM-DD",
     "the local date that TODAY jobs use (default: the clock's),\n"
     "0001-01-01 to 9999-12-31, proleptic Gregorian"},
    {"--title", "TEXT", "the title on the page (default: the job file's name)"},
    {"--price-file", "PATH", "one price-monitor poll of this file before drawing"},
    {"--dpi", "N",
     "PNG resolution, 1 to 1200 (default 150). The page is drawn in\n"
     "memory at 4 bytes a pixel and then encoded: at its peak the\n"
     "program takes about 40 MB at 150 dpi, 250 MB at 600 dpi, and at\n"
     "the limit of 1200 dpi about 950 MB"},
    {"--positions", "series|precise",
     "series (default: the classic series the pages are made for) or\n"
     "precise (Swiss Ephemeris, where this build has it)",
     0, "SOURCE"},
    {"--style", "classic|modern",
     "classic (default: the page as it always was) or modern (symbols\n"
     "with a key, positions to the minute, retrograde marks,\n"
     "declinations, nothing overlapping; in a trace every text is\n"
     "followed by its ink box, box X Y W H)",
     0, "S"},
};

constexpr OptionTable kRenderTable{
    .name = "render",
    .options = kRenderOptionRows,
    .intro = "Draws pages of a job exactly as the desktop program prints them.\n",
    .outro =
        "The time-zone rule is the host's: TZ in the environment sets it. The pages name days\n"
        "before 1582-10-15 in the Julian calendar, as historians do; dates given here are\n"
        "proleptic Gregorian.\n",
    .unknownOption = "unknown option \"{}\"",
    .extraWord = "unexpected argument \"{}\"",
};

constexpr const OptionTable* kRenderTables[] = {&kRenderTable};

}  // namespace

OptionTables RenderOptionTables() {
    return kRenderTables;
}

const char* const kRenderUsage = KeepText(UsageOf(kRenderTable));
const char* const kRenderHelp = KeepText(HelpOf(kRenderTable));

namespace {

// The printing range of the desktop program is 16-bit; --all writes no more pages than that.
constexpr int kMaxAllPages = 65535;

int Failure(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

bool ParseFormat(const std::string& text, Format& format) {
    if (text == "pdf")
        format = Format::Pdf;
    else if (text == "png")
        format = Format::Png;
    else if (text == "svg")
        format = Format::Svg;
    else if (text == "trace")
        format = Format::Trace;
    else
        return false;
    return true;
}

const char* Extension(Format format) {
    switch (format) {
        case Format::Pdf:
            return "pdf";
        case Format::Png:
            return "png";
        case Format::Svg:
            return "svg";
        case Format::Trace:
            return "trace";
    }
    return "";
}

}  // namespace

bool ParseLocalDate(const std::string& text, caelvane::LocalDate& date) {
    const auto day = ParseDate(text);
    // The classic pages' calendar rule serves years from 1 on.
    if (!day || day->year < 1) return false;
    date = {day->month, day->day, day->year};
    return true;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StemOf(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string DesktopTitle(const std::string& path) {
    std::string name = BaseName(path);
    if (char* real = realpath(path.c_str(), nullptr)) {
        name = BaseName(real);
        std::free(real);
    }
    std::string title;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(name[i]); };
    for (std::size_t i = 0; i < name.size();) {
        const unsigned char lead = byte(i);
        int length = lead < 0x80                    ? 1
                     : lead >= 0xC2 && lead <= 0xDF ? 2
                     : lead >= 0xE0 && lead <= 0xEF ? 3
                     : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                    : 0;
        unsigned long code = length == 1   ? lead
                             : length == 2 ? lead & 0x1F
                             : length == 3 ? lead & 0x0F
                                           : lead & 0x07;
        for (int k = 1; k < length; ++k) {
            if (i + k >= name.size() || (byte(i + k) & 0xC0) != 0x80) {
                length = 0;
                break;
            }
            code = (code << 6) | (byte(i + k) & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not valid either.
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF))) {
            length = 0;
        }
        if (length == 0) {
            title += '?';
            ++i;
            continue;
        }
        if (code <= 0xFF)
            title += static_cast<char>(code);
        else
            title += code > 0xFFFF ? "??" : "?";
        i += static_cast<std::size_t>(length);
    }
    return title;
}

std::optional<Format> FormatOfPath(const std::string& path) {
    const std::string name = BaseName(path);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return std::nullopt;
    Format format;
    if (ParseFormat(name.substr(dot + 1), format)) return format;
    return std::nullopt;
}

std::string NumberedPath(const std::string& path, int page, int pageCount) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    const std::string extension = hasExtension ? path.substr(dot) : "";
    const std::size_t digits = std::max<std::size_t>(3, std::to_string(pageCount).size());
    std::string number = std::to_string(page);
    if (number.size() < digits) number.insert(0, digits - number.size(), '0');
    return stem + "-" + number + extension;
}

std::optional<std::string> ParseRenderArguments(const std::vector<std::string>& args,
                                                RenderOptions& options) {
    ParsedOptions parsed;
    if (auto error = ParseOptions(kRenderTable, args, parsed)) return error;
    if (parsed.words.empty()) return "missing FILE.cvj";
    if (parsed.words[0].empty()) return "the job file name is empty";
    options.jobPath = parsed.words[0];
    options.all = parsed.Has("--all");
    if (const std::string* value = parsed.Value("--page")) {
        const std::optional<long long> page = ParseWhole(*value);
        if (!page || *page < 1 || *page > 2147483647LL)
            return "--page needs a page number from 1 on";
        options.page = static_cast<int>(*page);
    }
    if (const std::string* value = parsed.Value("--format")) {
        Format format;
        if (!ParseFormat(*value, format)) return "unknown format \"" + *value + "\"";
        options.format = format;
    }
    if (const std::string* value = parsed.Value("-o")) {
        if (value->empty()) return "-o needs a file name or -";
        options.output = *value;
    }
    if (const std::string* value = parsed.Value("--today")) {
        caelvane::LocalDate date;
        if (!ParseLocalDate(*value, date)) {
            if (ParseDate(*value))
                return "--today needs a date from 0001-01-01 to 9999-12-31, not '" + *value + "'";
            return "--today needs a date YYYY-MM-DD";
        }
        options.today = date;
    }
    if (const std::string* value = parsed.Value("--title")) options.title = *value;
    if (const std::string* value = parsed.Value("--price-file")) options.priceFile = *value;
    if (const std::string* value = parsed.Value("--dpi")) {
        const std::optional<long long> dpi = ParseWhole(*value);
        if (!dpi || *dpi < 1 || *dpi > kMaxPngDpi)
            return "--dpi needs a resolution from 1 to " + std::to_string(kMaxPngDpi);
        options.dpi = static_cast<int>(*dpi);
    }
    if (const std::string* value = parsed.Value("--positions")) {
        PositionSource source{};
        if (auto error = ReadPositions("--positions", *value, source)) return error;
        options.positions = source;
    }
    if (const std::string* value = parsed.Value("--style")) {
        std::string error;
        options.style = ReadPageStyle(*value, error);
        if (!options.style) return "--style: " + error;
    }
    if (options.all && options.page) return "--page and --all exclude each other";
    if (!options.format) {
        options.format = options.output.empty()
                             ? Format::Pdf
                             : FormatOfPath(options.output).value_or(Format::Pdf);
    }
    if (options.dpi && *options.format != Format::Png) return "--dpi applies to png only";
    if (options.output.empty()) {
        // Trace goes to standard output; files are named after the job, in the current folder.
        options.output = *options.format == Format::Trace
                             ? "-"
                             : StemOf(BaseName(options.jobPath)) + "." + Extension(*options.format);
    }
    if (options.all && options.output == "-" &&
        (*options.format == Format::Png || *options.format == Format::Svg)) {
        return "--all writes numbered files for png and svg; give -o FILE";
    }
    return std::nullopt;
}

namespace {

caelvane::LocalDate HostToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_mon + 1, local.tm_mday, local.tm_year + 1900};
}

// The command line's host: the local date from --today or the clock, the zone rule of the
// environment (TZ), and message boxes on standard error and in the trace.
class CCliHost : public caelvane::CHostServices {
public:
    CCliHost(caelvane::LocalDate today, caelvane::TimeZoneRule rule)
        : m_today(today), m_rule(rule) {}
    caelvane::LocalDate Today() const override { return m_today; }
    caelvane::TimeZoneRule ZoneRule() const override { return m_rule; }
    void MessageBox(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        if (m_trace) m_trace->Message(text);
    }
    void SetTrace(CTraceDevice* trace) { m_trace = trace; }

private:
    caelvane::LocalDate m_today;
    caelvane::TimeZoneRule m_rule;
    CTraceDevice* m_trace = nullptr;
};

// Pages of --all: every page of the job in date order, as printing all pages does. The count
// is that of page 1's preparation; a page that the date-order check ends early still counts
// as one.
bool CountPages(CCaelvaneDoc& doc, int& pageCount, std::string& error) {
    doc.m_currentPage = 1;
    ChartState state;
    PreparePaging(doc, state);
    pageCount = state.pageCount < 1 ? 1 : state.pageCount;
    if (pageCount > kMaxAllPages) {
        error = "caelvane-cli render: the job has " + std::to_string(pageCount) +
                " pages; --all writes at most " + std::to_string(kMaxAllPages);
        return false;
    }
    return true;
}

// The pages of a job, as --all counts them (no cap).
int PageCount(CCaelvaneDoc& doc) {
    const int current = doc.m_currentPage;
    doc.m_currentPage = 1;
    ChartState state;
    PreparePaging(doc, state);
    doc.m_currentPage = current;
    return state.pageCount < 1 ? 1 : state.pageCount;
}

// Where a trace goes, page by page, so that a long run never holds more than one page's
// display list: standard output as it comes, or a file that takes the place of the old one
// only once every page is in it.
class CTraceSink {
public:
    explicit CTraceSink(std::string path) : m_path(std::move(path)) {}

    bool Open(std::string& error) {
        if (ToStdout() || m_file.Open(m_path)) return true;
        error = m_file.Failure().Message();
        return false;
    }
    bool Write(const std::string& text, std::string& error) {
        if (ToStdout()) {
            if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
                error = "caelvane-cli render: cannot write to standard output";
                return false;
            }
            return true;
        }
        if (m_file.Write(text)) return true;
        error = m_file.Failure().Message();
        return false;
    }
    bool Commit(std::string& error) {
        if (ToStdout()) {
            if (std::fflush(stdout) != 0) {
                error = "caelvane-cli render: cannot write to standard output";
                return false;
            }
            return true;
        }
        if (m_file.Commit()) return true;
        error = m_file.Failure().Message();
        return false;
    }

private:
    bool ToStdout() const { return m_path == "-"; }

    std::string m_path;
    caelvane::CAtomicFile m_file;
};

}  // namespace

int RunRender(const std::vector<std::string>& args) {
    RenderOptions options;
    if (const std::optional<std::string> error = ParseRenderArguments(args, options)) {
        return UsageError("render", *error, kRenderUsage);
    }

    CCaelvaneDoc doc;
    std::string error;
    if (!LoadJobFile(options.jobPath, doc, error)) return Failure(error);
    doc.SetTitle(options.title ? *options.title : DesktopTitle(options.jobPath));

    if (options.priceFile) {
        // The monitor's Start: the display goes on and the file is polled once, without the
        // page step.
        PriceReading reading;
        if (!ReadPriceFile(*options.priceFile, reading, error)) return Failure(error);
        StartPriceDisplay(doc);
        ApplyPriceReading(doc, reading);
    }

    if (options.page) {
        const int pages = PageCount(doc);
        if (*options.page > pages) {
            return UsageError("render", "--page " + std::to_string(*options.page) +
                                            " is beyond the last page of " + options.jobPath +
                                            " (it has " + std::to_string(pages) +
                                            (pages == 1 ? " page)" : " pages)"));
        }
    }

    CCliHost host(options.today ? *options.today : HostToday(), caelvane::HostTimeZoneRule());
    int firstPage = options.page.value_or(doc.m_currentPage);
    int pageCount = 1;
    if (options.all) {
        firstPage = 1;
        if (!CountPages(doc, pageCount, error)) return Failure(error);
    }
    const Format format = *options.format;
    ChartState state;  // one for the whole run, as a view keeps one while it pages
    state.positionSource = options.positions.value_or(kDefaultPositionSource);
    state.pageStyle = options.style.value_or(kDefaultPageStyle);

    if (format == Format::Trace) {
        CTraceSink sink(options.output);
        if (!sink.Open(error)) return Failure(error);
        CTraceDevice trace;
        host.SetTrace(&trace);
#ifdef CAELVANE_HAVE_QT_RENDER
        // The modern page's boxes and layout come from the fonts the page is drawn with.
        if (state.pageStyle == PageStyle::Modern) {
            EnsureGuiApplication();
            trace.SetTextMetrics(&CQtTextMetrics::Instance());
        }
#endif
        for (int i = 0; i < pageCount; ++i) {
            doc.m_currentPage = firstPage + i;
            DrawChartPage(doc, state, trace, host);
            if (!sink.Write(trace.Trace(), error)) return Failure(error);
            trace.Clear();
        }
        if (!sink.Commit(error)) return Failure(error);
        return 0;
    }

#ifdef CAELVANE_HAVE_PDF_PAGES
    const PageDrawer drawPage = [&](int index, CDrawingDevice& device) {
        doc.m_currentPage = firstPage + index;
        DrawChartPage(doc, state, device, host);
        return index + 1 < pageCount;
    };
    const std::string& title = doc.GetTitle();
    // The classic page measures nothing; the modern one is laid out with Qt's metrics.
    const CTextMetrics* metrics = nullptr;
#ifdef CAELVANE_HAVE_QT_RENDER
    if (state.pageStyle == PageStyle::Modern && format != Format::Png) {
        EnsureGuiApplication();
        metrics = PdfTextMetrics();
    }
#endif
    if (format == Format::Pdf) {
        if (!WritePdfPages(options.output, title, drawPage, metrics, nullptr, error))
            return Failure(error);
        return 0;
    }
    // The numbered files of --all are renamed into place together once every page is done, so
    // a failure on the way leaves none of them behind.
    const auto writeEach = [&](const auto& write) {
        caelvane::CAtomicFileSet files;
        for (int i = 0; i < pageCount; ++i) {
            const std::string path =
                options.all ? NumberedPath(options.output, i + 1, pageCount) : options.output;
            if (!write(path, i, files)) return Failure(error);
        }
        if (!files.Commit()) return Failure(files.Message());
        return 0;
    };
    if (format == Format::Svg) {
        return writeEach([&](const std::string& path, int i, caelvane::CAtomicFileSet& files) {
            return WriteSvgPage(path, title, i, drawPage, metrics, error, &files);
        });
    }
#endif
#ifdef CAELVANE_HAVE_QT_RENDER
    EnsureGuiApplication();
    return writeEach([&](const std::string& path, int i, caelvane::CAtomicFileSet& files) {
        return WritePngFile(path, i, options.dpi.value_or(kDefaultPngDpi), drawPage, error, &files);
    });
#elif defined(CAELVANE_HAVE_PDF_PAGES)
    return Failure(
        "caelvane-cli render: this build writes PDF, SVG and traces only (built without Qt)");
#else
    return Failure("caelvane-cli render: this build writes traces only (built without Qt)");
#endif
}

}  // namespace cli
