#pragma once
// Drawings that are not chart pages (the price chart): a surface of `width` x `height` pixels,
// `unitsPerPixel` surface units to the pixel, drawn by a callback on a Qt device, on screen or
// into PNG, SVG and PDF files. Files are written whole or not at all (a temporary file renamed
// into place); the path "-" writes to standard output once the whole output exists.
#include <QPainter>
#include <functional>
#include <string>

#include "platform/drawing_device.h"

struct SurfaceSize {
    int width = 0;   // pixels
    int height = 0;  // pixels
    int unitsPerPixel = 1;
};

// Draws the surface on `device`; Begin and End are the drawer's.
using SurfaceDrawer = std::function<void(CDrawingDevice& device)>;

// The largest surface the writers take, on each side.
inline constexpr int kMaxSurfacePixels = 16384;

// Draws on `painter` with `scale` painter pixels to a surface pixel, the surface's top-left
// corner at the painter's origin, on white.
// Without `antialiased`, strokes are drawn without antialiasing: a chart's frames while it is
// dragged.
void PaintSurface(QPainter& painter, const SurfaceSize& size, double scale,
                  const SurfaceDrawer& draw, bool antialiased = true);

// One PNG image of the surface's own pixels.
bool WriteSurfacePng(const std::string& path, const SurfaceSize& size, const SurfaceDrawer& draw,
                     std::string& error);
// An SVG drawing of width x height user units (pixels at 96 dpi).
bool WriteSurfaceSvg(const std::string& path, const std::string& title, const SurfaceSize& size,
                     const SurfaceDrawer& draw, std::string& error);
// A one-page PDF whose page is the surface at 96 pixels to the inch, vector and text kept.
bool WriteSurfacePdf(const std::string& path, const std::string& title, const SurfaceSize& size,
                     const SurfaceDrawer& draw, std::string& error);
