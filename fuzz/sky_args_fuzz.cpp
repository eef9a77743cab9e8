// Reads arbitrary bytes as the arguments of `caelvane-cli render-sky` and `ephem` (one argument
// a line). Beyond "no crash, no undefined behaviour": a refusal says why; an accepted sky request
// has bodies, a dial of the list, a range inside the source, and a size in bounds; a short one
// is drawn as a trace that opens and closes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ephem_command.h"
#include "cli/render_sky_command.h"
#include "render/trace_device.h"
#include "sky/sky_chart.h"

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

void CheckSky(const std::vector<std::string>& args) {
    cli::RenderSkyRequest request;
    if (const std::optional<std::string> problem = cli::ParseRenderSkyArguments(args, request)) {
        if (problem->empty()) std::abort();
        return;
    }
    if (request.bodies.empty() || request.output.empty()) std::abort();
    double dial = 0;
    if (!sky::ParseDial(sky::DialName(request.dial), dial) || dial != request.dial) std::abort();
    if (!sky::CheckSkyRange(request.from, request.to, request.source).empty()) std::abort();
    if (request.width < 200 || request.width > 16384 || request.height < 200 ||
        request.height > 16384) {
        std::abort();
    }
    // A few weeks on the series at a small size: cheap enough to draw.
    if (request.to - request.from > 60 * 86400.0 || request.source != PositionSource::Series) {
        return;
    }
    sky::SkyChartOptions options;
    options.frame = request.frame;
    options.source = request.source;
    options.dial = request.dial;
    options.panes = request.panes;
    for (int code : request.bodies) options.bodies.push_back({code, 0});
    const prices::CChartFrame frame = sky::SkyFrame(
        300, 200, sky::DialWindow(request.from, request.to, request.dial), options.panes.size());
    CTraceDevice trace;
    sky::SkyCache cache;
    trace.Begin();
    sky::DrawSkyChart(trace, options, frame, cache);
    trace.End();
    if (trace.Trace().rfind("begin\n", 0) != 0) std::abort();
}

void CheckEphem(const std::vector<std::string>& args) {
    cli::EphemRequest request;
    if (const std::optional<std::string> problem = cli::ParseEphemArguments(args, request)) {
        if (problem->empty()) std::abort();
        return;
    }
    if (request.extras.size() > 2) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> args =
        Arguments(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckSky(args);
    CheckEphem(args);
    return 0;
}
