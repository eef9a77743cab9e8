#pragma once
#include <string_view>

#include "platform/colorref.h"
#include "platform/text_metrics.h"

// The page every surface shows: 8.5 x 11 inches, in surface units.
inline constexpr int kPageWidthMils = 8500;
inline constexpr int kPageHeightMils = 11000;

// The device context that a CChartDC draws on: our stand-in for a GDI device context in
// MM_HIENGLISH. Coordinates are surface units of 0.001 inch, y growing upwards, origin at the
// top-left corner of the surface (so the visible 8.5 x 11 inch page spans x 0..8500 and
// y 0..-11000). Implementations: the QPainter device (screen, printer, PDF, PNG, SVG) and the
// trace recorder.
class CDrawingDevice {
public:
    virtual ~CDrawingDevice() = default;

    // A CChartDC starts: mapping mode MM_HIENGLISH, transparent text background, a solid
    // black pen one unit wide.
    virtual void Begin() = 0;
    // The CChartDC ends: the previous pen and mapping mode come back; the font stays.
    virtual void End() = 0;

    // The solid pen changes colour / width; the other stays.
    virtual void SetPenColor(COLORREF color) = 0;
    // Pen width in surface units (20 = 0.02 inch); every device draws at least one pixel.
    virtual void SetPenWidth(int width) = 0;
    // A new chart font: height is the character-cell height (ascent + descent) in surface
    // units; bold as the caller passed it (1 bold, anything else normal).
    virtual void SelectFont(std::string_view face, int height, int bold) = 0;

    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    // fill 0: outline only, the inside stays as it was; fill 1: a disc in the pen colour.
    virtual void Circle(int x, int y, int radius, int fill) = 0;
    // Single-byte text in the pen colour, the top-left corner of its character cell at (x, y).
    virtual void Text(int x, int y, std::string_view text) = 0;
    // The same for text in UTF-8, for drawings that are not chart pages (the natal wheel's
    // astrological symbols). A device without its own takes the bytes as Text does; the trace
    // so records them as escaped bytes.
    virtual void TextUtf8(int x, int y, std::string_view text) { Text(x, y, text); }
    // The ink box of the text just drawn, in surface units (left, top, width, height, y up),
    // for layouts that promise their texts never touch. Only the trace records it.
    virtual void TextBox(int x, int y, int width, int height) {
        (void)x, (void)y, (void)width, (void)height;
    }
    // Text drawn exactly to the fonts' design metrics (no hinting, so that ink scales with the
    // resolution and stays where a layout measured it), for pages that promise their texts
    // never touch. Off when a drawing starts; devices without hinting ignore it.
    virtual void SetScalableText(bool on) { (void)on; }
    // The metrics of the fonts as this device draws them; none where the device has no fonts
    // (callers then estimate).
    virtual const CTextMetrics* TextMetrics() const { return nullptr; }

    // A rectangle filled in the pen colour, edges included; corners in any order. Chart pages
    // never use it. Devices that have no filled shapes of their own get it as rows of lines.
    // How the pen ends its lines: round (every drawing starts so), or cut square at the end
    // points, for long nearly straight lines laid end to end, which a raster strokes many times
    // faster without the round ends. Chart pages never change it.
    enum class PenEnds { Round, Flat };
    virtual void SetPenEnds(PenEnds ends) { (void)ends; }
    virtual void FillRect(int x1, int y1, int x2, int y2) {
        const int bottom = y1 < y2 ? y1 : y2;
        const int top = y1 < y2 ? y2 : y1;
        for (int y = bottom; y <= top; ++y) Line(x1, y, x2, y);
    }
};
