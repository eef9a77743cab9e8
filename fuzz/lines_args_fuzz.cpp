// Reads arbitrary bytes as the arguments of `caelvane-cli lines` and `render-prices` (one
// argument a line). Beyond "no crash, no undefined behaviour": a refusal says why; an accepted
// request has bodies, a positive finite unit, ordered dates and prices; for a short request the
// CSV's levels lie inside the asked prices, each row with six fields.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/lines_command.h"
#include "cli/render_prices_command.h"

namespace {

std::vector<std::string> Arguments(std::string_view text) {
    std::vector<std::string> args;
    while (!text.empty() && args.size() < 40) {
        const std::size_t end = text.find('\n');
        args.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return args;
}

void CheckSettings(const prices::LineSettings& settings) {
    if (!(settings.unitsPerCircle > 0.0) || !std::isfinite(settings.unitsPerCircle)) std::abort();
    if (!std::isfinite(settings.offset) || settings.harmonics.empty()) std::abort();
    for (double harmonic : settings.harmonics) {
        if (!std::isfinite(harmonic)) std::abort();
    }
}

void CheckLines(const std::vector<std::string>& args) {
    cli::LinesRequest request;
    if (const std::optional<std::string> problem = cli::ParseLinesArguments(args, request)) {
        if (problem->empty()) std::abort();
        return;
    }
    CheckSettings(request.lines.settings);
    if (request.lines.settings.bodies.empty()) std::abort();
    if (request.fromDay > request.toDay || request.minPrice > request.maxPrice) std::abort();
    if (request.minuteOfDay < 0 || request.minuteOfDay >= 24 * 60) std::abort();
    // Every accepted price range can be stepped turn by turn.
    if (!prices::CheckPriceRange(request.minPrice, request.maxPrice,
                                 request.lines.settings.unitsPerCircle)
             .empty()) {
        std::abort();
    }
    // A few days of a few turns: cheap enough to write out and read back.
    const double turns =
        (request.maxPrice - request.minPrice) / request.lines.settings.unitsPerCircle;
    if (request.toDay - request.fromDay > 2 || turns > 50 ||
        request.lines.settings.harmonics.size() > 8) {
        return;
    }
    const std::string csv = cli::LinesCsv(request);
    if (csv.rfind("date,body,frame,longitude,harmonic,price\n", 0) != 0) std::abort();
    std::size_t start = csv.find('\n') + 1;
    while (start < csv.size()) {
        const std::size_t end = csv.find('\n', start);
        if (end == std::string::npos) std::abort();
        const std::string row = csv.substr(start, end - start);
        const std::size_t comma = row.rfind(',');
        if (std::count(row.begin(), row.end(), ',') != 5) std::abort();
        const double price = std::strtod(row.c_str() + comma + 1, nullptr);
        // Printed to six decimals: within half a millionth of the range.
        if (price < request.minPrice - 1e-6 * (1 + std::fabs(request.minPrice)) ||
            price > request.maxPrice + 1e-6 * (1 + std::fabs(request.maxPrice))) {
            std::abort();
        }
        start = end + 1;
    }
}

void CheckRenderPrices(const std::vector<std::string>& args) {
    cli::RenderPricesRequest request;
    if (const std::optional<std::string> problem = cli::ParseRenderPricesArguments(args, request)) {
        if (problem->empty()) std::abort();
        return;
    }
    CheckSettings(request.lines.settings);
    if (request.file.empty() || request.output.empty() || !request.format) std::abort();
    if (request.fromDay && request.toDay && *request.fromDay > *request.toDay) std::abort();
    if (request.minPrice && request.maxPrice && !(*request.minPrice < *request.maxPrice)) {
        std::abort();
    }
    if (request.logScale && request.minPrice && !(*request.minPrice > 0.0)) std::abort();
    if (request.logScale && request.maxPrice && !(*request.maxPrice > 0.0)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> args =
        Arguments(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckLines(args);
    CheckRenderPrices(args);
    return 0;
}
