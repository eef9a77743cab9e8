#pragma once
// The natal wheel on any drawing device: the signs, the house cusps with their degrees, the
// bodies with their symbols and places in sign, degree and minute (retrograde marked), spread
// apart when they crowd with a pointer to the true place, the aspect lines inside with the
// orbs of an orb table, and below the wheel a table of positions, houses and declinations and
// an aspect grid. A second ring outside the natal bodies shows transits, secondary
// progressions or solar arc directions.
//
// The surface is `width` x `height` pixels, kWheelUnitsPerPixel surface units to the pixel,
// y growing upwards from the top edge (y = 0), as the price chart's surface.
#include <functional>
#include <string>
#include <vector>

#include "natal/aspects.h"
#include "natal/natal_chart.h"
#include "platform/drawing_device.h"

namespace natal {

inline constexpr int kWheelUnitsPerPixel = 4;
inline constexpr const char* kWheelFont = "DejaVu Sans";

enum class RingKind { None, Transits, Progressions, SolarArc };

struct SecondRing {
    RingKind kind = RingKind::None;
    std::string label;  // "Transits 2024-06-14 12:00 UTC", ...
    std::vector<ChartPoint> points;
};

struct WheelOptions {
    int width = 1000;   // pixels
    int height = 1480;  // pixels
    OrbTable orbs;
    // Orbs for the aspects between the second ring and the natal points.
    double ringOrbScale = 0.25;
};

// The second ring for a chart: the bodies at `jdUt` (transits), the secondary progressed
// bodies for the date `jdUt`, or the natal points directed by the solar arc for that date.
bool MakeSecondRing(const NatalChart& natal, RingKind kind, double jdUt, SecondRing& ring,
                    std::string& error);

void DrawNatalWheel(CDrawingDevice& device, const NatalChart& chart, const SecondRing& ring,
                    const WheelOptions& options);

// Places for labels of points at `longitudes` (degrees), at least `gap` degrees apart where
// possible, each as near its own as the others let it be, in the same circular order.
std::vector<double> SpreadLongitudes(const std::vector<double>& longitudes, double gap);
// The same with a gap that depends on the place (degrees wanted between neighbours about
// `longitude`, above 0): where the whole circle cannot give every gap, all shrink alike.
std::vector<double> SpreadLongitudes(const std::vector<double>& longitudes,
                                     const std::function<double(double longitude)>& gapAt);

// "22°♊38'" (UTF-8): degree in sign, the sign's symbol, minute (rounded down to the minute).
std::string SignPosition(double longitude);
// "23°14'N" / "10°28'S"
std::string DeclinationText(double declination);

}  // namespace natal
