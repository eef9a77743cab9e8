#pragma once
// What the Sky Chart window keeps in the profile, group [SkyChart]: the bodies, frame, source,
// dial, panes and whether event markers are on, as the last window left them. Values are
// text (names as the command line spells them); a value that cannot be read back falls back
// to its default alone, the others are kept.
#include <QSettings>
#include <optional>
#include <string>
#include <vector>

#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "prices/body_panes.h"

struct SkyChartSettings {
    std::vector<std::string> bodies{"Jupiter", "Saturn", "Uranus", "Pluto"};
    Frame frame = Frame::Geocentric;
    // None: the precise source where the build has its files, else the series.
    std::optional<PositionSource> source;
    double dial = 360.0;
    std::vector<prices::PaneKind> panes{prices::PaneKind::Declination};
    bool markers = false;

    bool operator==(const SkyChartSettings&) const = default;
};

SkyChartSettings LoadSkyChartSettings(const QSettings& profile);
void SaveSkyChartSettings(QSettings& profile, const SkyChartSettings& settings);
