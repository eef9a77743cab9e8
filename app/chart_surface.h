#pragma once
// What the chart windows (price chart, sky chart) do with a drawing of their view: export it
// as PDF, PNG or SVG by the name's ending, copy it as an image, and lay it out on a printed
// page as a screen of kChartLayoutDpi would show it.
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <string>

#include "render/qt_surface_writer.h"

class QPainter;
class QPrinter;
class QWidget;

// The dots per inch a printed chart is laid out at: the screen's pixels.
inline constexpr double kChartLayoutDpi = 96.0;

// Draws the chart over a surface of width x height pixels.
using ChartDrawer = std::function<void(CDrawingDevice& device, int width, int height)>;

// Writes the chart at `size` to `path`: PDF, PNG or SVG as the name ends (in any case). False,
// with a message naming the file, for any other ending or a failed write; nothing is left
// behind then.
bool ExportChart(const QString& path, const std::string& title, QSize size, const ChartDrawer& draw,
                 QString& error);
// The chart at `size` as an image.
QImage ChartImage(QSize size, const ChartDrawer& draw);
// Draws the chart over the printable part of the printer's page; false when the printer
// could not be opened.
bool PrintChart(QPrinter& printer, const ChartDrawer& draw);
// Asks for the name to export to, in `folder`, proposing `baseName` with the ending of the
// filter chosen; empty when the user cancels.
QString AskChartExportPath(QWidget* parent, const QString& caption, const QString& folder,
                           const QString& baseName);
