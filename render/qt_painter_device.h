#pragma once
#include <QFont>
#include <QHash>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QRectF>
#include <QString>
#include <string>
#include <vector>

#include "platform/drawing_device.h"

// Draws chart pages on any QPainter: screen widget, QPrinter, QPdfWriter, QImage,
// QSvgGenerator. Surface units of 0.001 inch with y up are mapped onto the device with the
// surface's top-left corner at the painter's current origin, at the given device resolution
// (pixels per inch). Pen widths are page units with a minimum of one device pixel; "Arial" is
// matched by the font system with the given character-cell height; antialiased.
//
// Threads: every device of the process shares its caches, kept without a lock (the fonts
// looked up, the texts laid out, the circles drawn as pixels), so devices are used on one
// thread only: the thread of the QGuiApplication (the desktop's GUI thread, the command line's
// main thread). Pages drawn on other threads go to a device of their own kind (the trace).
class CQtPainterDevice : public CDrawingDevice {
public:
    CQtPainterDevice(QPainter& painter, double dotsPerInchX, double dotsPerInchY);

    // Off: strokes are drawn without antialiasing and pens under two pixels as one-pixel lines
    // (several times faster for long lines), for frames shown while the user drags a chart.
    // Takes effect at the next Begin.
    void SetAntialiased(bool on) { m_antialiased = on; }

    void Begin() override;
    void End() override;
    void SetPenColor(COLORREF color) override;
    void SetPenWidth(int width) override;
    void SetPenEnds(PenEnds ends) override;
    void SelectFont(std::string_view face, int height, int bold) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void Circle(int x, int y, int radius, int fill) override;
    void Text(int x, int y, std::string_view text) override;
    void TextUtf8(int x, int y, std::string_view text) override;
    void FillRect(int x1, int y1, int x2, int y2) override;
    const CTextMetrics* TextMetrics() const override;
    void SetScalableText(bool on) override;

private:
    // Drawing state is handed to the painter only when something is drawn with it, and
    // consecutive lines with one pen go to the painter together.
    void ApplyPen();
    void FlushLines();
    bool DrawSeparateLineGroups();
    bool FillHairlines();
    bool StepHairlines();
    bool PaintKnownCircle(const QPointF& center, double rx, double ry);
    void PreparePen();
    double X(int x) const { return x * m_scaleX; }
    double Y(int y) const { return -static_cast<double>(y) * m_scaleY; }

    QPainter& m_painter;
    double m_scaleX;  // device pixels per surface unit
    double m_scaleY;
    QColor m_color;
    int m_width = 1;
    QFont m_font;
    bool m_fontSelected = false;
    double m_ascent = 0.0;  // of m_font on this device, in device pixels
    // The last font request, so that selecting the same font again costs nothing.
    std::string m_fontFace;
    int m_fontHeight = 0;
    int m_fontBold = -1;
    bool m_scalableText = false;  // fonts without hinting (and with it, a key of their own)
    bool m_penDirty = true;
    bool m_antialiased = true;
    bool m_flatEnds = false;
    std::vector<QLineF> m_lines;      // drawn with the painter's current pen, not yet painted
    bool m_linesAxisAligned = false;  // the kind of every line in m_lines
    bool m_penGeometric = false;      // the painter's pen is wider than a device pixel
    // Work space of DrawSeparateLineGroups, kept to spare allocations.
    std::vector<QRectF> m_lineBoxes;
    std::vector<std::size_t> m_lineOrder;
    std::vector<std::size_t> m_lineGroup;
    std::vector<QLineF> m_groupLines;
    std::vector<QRect> m_hairlineRects;  // work space of FillHairlines
    std::string m_fontKey;               // resolution and request of the current font
    quint64 m_fontId = 0;                // its number in the font cache
    std::string m_textKey;               // work space of Text
    void DrawText(int x, int y, std::string_view text, bool utf8);
    void DrawScalableText(int x, int y, const QString& text);
    QFont m_unitFont;  // the current font in surface units, while text is scalable

    struct FontEntry {
        QFont font;
        double ascent;  // device pixels
        quint64 id;     // unique for the process's life
    };
    const FontEntry& ChartFont(const std::string& key, std::string_view face, int height, int bold,
                               int deviceDpi);
};
