#pragma once
// The drawing device that writes a page's drawing straight into a PDF content stream, one
// operator per drawing call: consecutive lines with one pen are one path stroked once, a text
// is one string, and pen, colour and font are written only when they change.
#include <string>
#include <string_view>
#include <vector>

#include "platform/drawing_device.h"
#include "render/pdf/pdf_document.h"
#include "render/pdf/vector_device.h"

// How surface units map onto the page: `pointsPerUnit` points (1/72 inch) to the unit; the
// surface's top-left corner at the page's top-left corner. `thinnestUnits` is the narrowest pen
// in units (a device pixel of the raster it stands for).
struct PdfPageGeometry {
    double widthPoints = 612;
    double heightPoints = 792;
    double pointsPerUnit = 0.072;
    double thinnestUnits = 1000.0 / 1200.0;
};

// The geometry of a chart page: 8.5 x 11 inches, 0.001 inch a unit.
PdfPageGeometry ChartPageGeometry();

class CPdfDevice : public CVectorDevice {
public:
    // `metrics` measures texts for layouts that ask (nullptr: they estimate); it must outlive
    // the device.
    CPdfDevice(CPdfDocument& document, const CTextMetrics* metrics);

    // Starts a page of the document; every page of the document is drawn between these.
    void BeginPage(const PdfPageGeometry& geometry);
    bool EndPage();

    void End() override;
    void Line(int x1, int y1, int x2, int y2) override;
    void Circle(int x, int y, int radius, int fill) override;
    void Text(int x, int y, std::string_view text) override;
    void TextUtf8(int x, int y, std::string_view text) override;
    void FillRect(int x1, int y1, int x2, int y2) override;

private:
    void FlushPath();
    void EndText();
    void ApplyStroke();
    void ApplyFill();
    void DrawText(int x, int y, const std::u32string& text);

    CPdfDocument& m_document;
    std::string& m_out;
    PdfPageGeometry m_geometry;

    // What the content stream has set (-1: nothing yet on this page).
    long m_strokeColor = -1;
    long m_fillColor = -1;
    double m_lineWidth = -1;
    int m_cap = -1;
    int m_textFont = -1;
    double m_textSize = -1;

    bool m_pathOpen = false;
    int m_lastX = 0, m_lastY = 0;  // where the open path ends
    bool m_inText = false;

    // Work space of the texts, kept to spare allocations.
    struct Run {
        CPdfFont* font = nullptr;
        std::string glyphs;  // four hex digits a glyph
    };
    std::vector<Run> m_runs;
    std::u32string m_codePoints;
};
