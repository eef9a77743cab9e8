// Reads arbitrary bytes as a horoscope file. Beyond "no crash, no undefined behaviour": a
// refusal says why and leaves the list as it was; an accepted file's charts pass their own
// checks and come back unchanged through the writer.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "natal/chart_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<natal::Horoscope> charts(1);
    charts[0].name = "kept";
    std::string error;
    if (!natal::ReadChartText(text, charts, error)) {
        if (error.empty() || charts.size() != 1 || charts[0].name != "kept") std::abort();
        return 0;
    }
    for (const natal::Horoscope& horoscope : charts) {
        if (natal::CheckHoroscope(horoscope)) std::abort();
    }
    const std::string written = natal::ChartFileText(charts);
    std::vector<natal::Horoscope> again;
    if (!natal::ReadChartText(written, again, error)) std::abort();
    if (natal::ChartFileText(again) != written) std::abort();
    return 0;
}
