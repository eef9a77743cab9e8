#pragma once
// The plots of one group of an event study, drawn on any drawing device: the average path
// around the events with the band of the random draws, and the histogram of the group's forward
// returns against every bar's.
//
// A plot's surface is `width` x `height` pixels at kPlotUnitsPerPixel surface units to the
// pixel, y growing upwards from the top edge (y = 0) to -height * kPlotUnitsPerPixel, as the
// price chart's surface (prices/price_chart.h), so the same writers and views show both.
#include <string>
#include <vector>

#include "platform/drawing_device.h"
#include "study/event_study.h"

namespace study {

inline constexpr int kPlotUnitsPerPixel = 4;

// The average cumulative log return (in percent) from `path.before` bars before to
// `path.after` bars after the close before the event's bar, the band that 95% of the draws'
// averages fall in, a zero line and the event marked.
void DrawPathPlot(CDrawingDevice& device, int width, int height, const AveragePath& path,
                  const std::string& title);

// The shares of the group's h-bar returns (outlined bars) and of every bar's (filled, grey)
// in common bins, with both means marked.
void DrawReturnHistogram(CDrawingDevice& device, int width, int height,
                         const std::vector<double>& events, const std::vector<double>& baseline,
                         const std::string& title);

}  // namespace study
