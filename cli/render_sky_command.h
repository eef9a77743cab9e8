#pragma once
// caelvane-cli render-sky: the sky chart of a date range into a file.
#include <optional>
#include <string>
#include <vector>

#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "prices/body_panes.h"

namespace cli {

extern const char* const kRenderSkyUsage;
extern const char* const kRenderSkyHelp;

enum class SkyFormat { Png, Svg, Pdf, Trace };

struct RenderSkyRequest {
    double from = 0.0, to = 0.0;  // UT seconds since 1970: 00:00 of --from and of --to
    std::vector<int> bodies;      // codes in `frame`
    Frame frame = Frame::Geocentric;
    double dial = 360.0;
    std::vector<prices::PaneKind> panes;
    unsigned eventKinds = 0;
    PositionSource source = kDefaultPositionSource;
    bool sourceGiven = false;
    SkyFormat format = SkyFormat::Png;
    std::string output;
    int width = 1200;
    int height = 700;
};

// The usage error the arguments make, naming the bad value, if any; otherwise `request` is
// filled in. A range beyond what the source covers is a usage error too.
std::optional<std::string> ParseRenderSkyArguments(const std::vector<std::string>& args,
                                                   RenderSkyRequest& request);

int RunRenderSky(const std::vector<std::string>& args);

}  // namespace cli
