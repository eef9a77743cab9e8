#pragma once
// The drawing device that writes a drawing straight into an SVG 1.1 document, one element per
// drawing call: consecutive lines with one pen are one path, a text is one <text> element,
// and pen, colour and font are written as the attributes of a group only when they change.
// The surface's units are the document's user units (x right, y down: the surface's y negated),
// so that coordinates are written as the integers they are.
#include <string>
#include <string_view>

#include "platform/drawing_device.h"
#include "render/pdf/vector_device.h"
#include "render/svg/svg_fonts.h"

// The drawing's extent in surface units, its size as a viewer shows it (a length as SVG writes
// it: "215.9mm", or "1200" CSS pixels of 1/96 inch), the thinnest pen in surface units (a pixel of
// the raster the drawing stands for: every device draws at least one pixel) and whether it has a
// white ground (pages are transparent, as paper is; pictures of windows are white).
struct SvgGeometry {
    int widthUnits = kPageWidthMils;
    int heightUnits = kPageHeightMils;
    std::string width = "215.9mm";
    std::string height = "279.4mm";
    double thinnestUnits = 1.0;
    bool whiteGround = false;
};

// A chart page: 8.5 x 11 inches, 0.001 inch a unit, the thinnest pen one unit.
SvgGeometry ChartPageSvgGeometry();
// A drawing of width x height pixels, `unitsPerPixel` surface units to the pixel, shown at its
// pixel size, on white.
SvgGeometry SurfaceSvgGeometry(int widthPixels, int heightPixels, int unitsPerPixel);

class CSvgDevice : public CVectorDevice {
public:
    // Appends to `out`. `fonts` places the texts; `metrics` measures texts for layouts that
    // ask (nullptr: they estimate). Both must outlive the device.
    CSvgDevice(std::string& out, CSvgFonts& fonts, const CTextMetrics* metrics);

    // The document around the drawing: the prologue, and the end of the open group and of
    // the document. `title` is UTF-8.
    void BeginDocument(const SvgGeometry& geometry, std::string_view title);
    void EndDocument();

    void End() override;
    void Line(int x1, int y1, int x2, int y2) override;
    void Circle(int x, int y, int radius, int fill) override;
    void Text(int x, int y, std::string_view text) override;
    void TextUtf8(int x, int y, std::string_view text) override;
    void FillRect(int x1, int y1, int x2, int y2) override;

private:
    enum class Group { None, Stroke, Text, Fill };
    void FlushPath();
    void CloseGroup();
    void StrokeGroup();
    void FillGroup();
    void TextGroup(bool symbolFace, double em);
    void DrawText(int x, int y, const std::u32string& text);

    std::string& m_out;
    CSvgFonts& m_fonts;
    double m_thinnest = 1.0;

    // The open group and what its attributes set.
    Group m_group = Group::None;
    COLORREF m_groupColor = 0;
    double m_groupWidth = 0;
    bool m_groupFlat = false;
    bool m_groupSymbol = false;
    bool m_groupBold = false;
    double m_groupEm = 0;

    bool m_pathOpen = false;
    long long m_lastX = 0, m_lastY = 0;  // where the open path ends, in SVG coordinates

    // Work space of the texts, kept to spare allocations.
    std::u32string m_codePoints;
};
