#include "render/qt_painter_device.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QStaticText>
#include <QString>
#include <QTextLayout>
#include <QTextOption>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>

#include "render/qt_text_metrics.h"

namespace {

QColor ToQColor(COLORREF color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

// The image a painter paints, when an opaque pen's pixels may be written into it directly:
// nothing between the pen and the pixels (no clip, no opacity, plain source-over) and pixels
// of 32 bits at one device pixel each.
QImage* PlainImage(QPainter& painter) {
    if (painter.hasClipping() || !painter.paintEngine() ||
        painter.paintEngine()->type() != QPaintEngine::Raster || !painter.device() ||
        painter.device()->devType() != QInternal::Image ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
        painter.opacity() != 1.0 || painter.pen().color().alpha() != 255) {
        return nullptr;
    }
    auto* image = static_cast<QImage*>(painter.device());
    const QImage::Format format = image->format();
    if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
         format != QImage::Format_ARGB32_Premultiplied) ||
        image->devicePixelRatio() != 1.0) {
        return nullptr;
    }
    return image;
}

// Cuts the segment p1-p2 to `box` (Liang-Barsky); false when none of it is inside, or when a
// point is not finite.
bool ClipToBox(QPointF& p1, QPointF& p2, const QRectF& box) {
    const double dx = p2.x() - p1.x(), dy = p2.y() - p1.y();
    double enter = 0.0, leave = 1.0;
    const auto edge = [&](double p, double q) {
        if (p == 0.0) return q >= 0.0;
        const double r = q / p;
        if (p < 0.0) {
            if (r > leave) return false;
            enter = std::max(enter, r);
        } else {
            if (r < enter) return false;
            leave = std::min(leave, r);
        }
        return true;
    };
    if (!std::isfinite(dx) || !std::isfinite(dy) || !edge(-dx, p1.x() - box.left()) ||
        !edge(dx, box.right() - p1.x()) || !edge(-dy, p1.y() - box.top()) ||
        !edge(dy, box.bottom() - p1.y())) {
        return false;
    }
    const QPointF start = p1;
    p1 = start + QPointF(dx * enter, dy * enter);
    p2 = start + QPointF(dx * leave, dy * leave);
    return true;
}

// The pixels one hollow circle leaves on a white image: where the raster touched, and what
// it left there.
struct CirclePixels {
    bool measured = false;           // else only seen once: a circle drawn once is just drawn
    std::vector<qsizetype> offsets;  // in pixels from the image's first, rows of the key's stride
    std::vector<quint32> values;
};

}  // namespace

CQtPainterDevice::CQtPainterDevice(QPainter& painter, double dotsPerInchX, double dotsPerInchY)
    : m_painter(painter),
      m_scaleX(dotsPerInchX / 1000.0),
      m_scaleY(dotsPerInchY / 1000.0),
      m_color(Qt::black),
      m_font(QStringLiteral("Arial")) {}

void CQtPainterDevice::Begin() {
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, m_antialiased);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_painter.setBackgroundMode(Qt::TransparentMode);
    m_painter.setBrush(Qt::NoBrush);
    m_color = Qt::black;
    m_width = 1;
    m_flatEnds = false;
    m_lines.clear();
    m_penDirty = true;
    if (m_fontSelected) m_painter.setFont(m_font);
    SetScalableText(false);
}

void CQtPainterDevice::End() {
    FlushLines();
    m_painter.restore();
}

void CQtPainterDevice::SetPenColor(COLORREF color) {
    m_color = ToQColor(color);
    m_penDirty = true;
}

void CQtPainterDevice::SetPenWidth(int width) {
    m_width = width;
    m_penDirty = true;
}

void CQtPainterDevice::SetPenEnds(PenEnds ends) {
    m_flatEnds = ends == PenEnds::Flat;
    m_penDirty = true;
}

// Horizontal and vertical lines are drawn without antialiasing: on a raster it would only
// smear them over two rows of pixels (and it costs more than the rest of the page); on vector
// devices it makes no difference. Oblique lines keep it.
void CQtPainterDevice::FlushLines() {
    if (m_lines.empty()) return;
    if (m_linesAxisAligned && FillHairlines()) {
        m_lines.clear();
        return;
    }
    if (!m_linesAxisAligned && !m_antialiased && StepHairlines()) {
        m_lines.clear();
        return;
    }
    if (m_linesAxisAligned) m_painter.setRenderHint(QPainter::Antialiasing, false);
    if (!DrawSeparateLineGroups()) {
        m_painter.drawLines(m_lines.data(), static_cast<int>(m_lines.size()));
    }
    if (m_linesAxisAligned) m_painter.setRenderHint(QPainter::Antialiasing, m_antialiased);
    m_lines.clear();
}

// A one-pixel line that is horizontal or vertical, drawn without antialiasing, is a row or a
// column of whole pixels in the pen's colour. A raster steps along such a line pixel by pixel;
// filling the same pixels as a rectangle costs a fraction of that. The pixels are those the
// raster picks: both ends in 1/64 pixel (truncated), each one's pixel taken, both ends drawn.
// Lines the raster would clip or treat otherwise (points, a clip, a transform beyond a
// translation) are left to it.
bool CQtPainterDevice::FillHairlines() {
    QImage* const plain = m_penGeometric ? nullptr : PlainImage(m_painter);
    if (!plain) return false;
    const QTransform transform = m_painter.combinedTransform();
    // A translation by whole pixels leaves the rectangles whole pixels.
    if (transform.type() > QTransform::TxTranslate ||
        transform.dx() != std::floor(transform.dx()) ||
        transform.dy() != std::floor(transform.dy())) {
        return false;
    }
    // An opaque pen's pixels are its colour, whatever was there: written straight into the
    // image, whose pixel is that colour's 32-bit value.
    const QColor color = m_painter.pen().color();
    QImage& image = *plain;
    const int width = image.width();
    const int height = image.height();
    const auto toFixed = [](double value) { return static_cast<int>(value * 64.0); };
    // Well inside the device: the raster clips lines that come near its edges.
    const auto inside = [width, height](const QPointF& p) {
        return p.x() >= 1 && p.y() >= 1 && p.x() < width - 2 && p.y() < height - 2;
    };
    m_hairlineRects.clear();
    for (const QLineF& line : m_lines) {
        const QPointF p1 = transform.map(line.p1());
        const QPointF p2 = transform.map(line.p2());
        if (p1 == p2 || !inside(p1) || !inside(p2)) return false;
        const int x1 = toFixed(p1.x()), y1 = toFixed(p1.y());
        const int x2 = toFixed(p2.x()), y2 = toFixed(p2.y());
        if (y1 == y2) {
            const int left = std::min(x1, x2) >> 6, right = std::max(x1, x2) >> 6;
            m_hairlineRects.emplace_back(left, y1 >> 6, right - left + 1, 1);
        } else if (x1 == x2) {
            const int top = std::min(y1, y2) >> 6, bottom = std::max(y1, y2) >> 6;
            m_hairlineRects.emplace_back(x1 >> 6, top, 1, bottom - top + 1);
        } else {
            return false;
        }
    }
    const quint32 pixel = color.rgba();
    // The painter's own buffer, even when the image shares it: bits() would detach a copy.
    auto* const bits = const_cast<uchar*>(image.constBits());
    const qsizetype stride = image.bytesPerLine();
    for (const QRect& rect : m_hairlineRects) {
        if (rect.width() == 1) {
            // A column: one pixel a row, stepped down the image.
            uchar* at = bits + rect.top() * stride + rect.left() * qsizetype(sizeof(quint32));
            for (int y = rect.top(); y <= rect.bottom(); ++y, at += stride) {
                *reinterpret_cast<quint32*>(at) = pixel;
            }
            continue;
        }
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            auto* row = reinterpret_cast<quint32*>(bits + y * stride);
            std::fill(row + rect.left(), row + rect.right() + 1, pixel);
        }
    }
    return true;
}

// Frames drawn without antialiasing (while the user drags a chart) step their one-pixel lines,
// oblique or not, straight into the image, a pixel for each row or column along the line's
// longer axis:
// the raster's own stepper costs a blended span a pixel, which for the long lines of a chart
// is most of a frame. The pixels may differ from the raster's by one where a line passes
// halfway between two; the antialiased frame that follows is drawn by the raster as always.
bool CQtPainterDevice::StepHairlines() {
    QImage* const plain = m_penGeometric ? nullptr : PlainImage(m_painter);
    if (!plain) return false;
    const QTransform transform = m_painter.combinedTransform();
    if (transform.type() > QTransform::TxTranslate) return false;
    QImage& image = *plain;
    const int width = image.width();
    const int height = image.height();
    const quint32 pixel = m_painter.pen().color().rgba();
    auto* const bits = const_cast<uchar*>(image.constBits());
    const qsizetype stride = image.bytesPerLine();
    // Pixels off the image are left out: a line reaching past its edge is cut there.
    const auto plot = [bits, stride, pixel, width, height](int x, int y) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            reinterpret_cast<quint32*>(bits + y * stride)[x] = pixel;
        }
    };
    // Far beyond the image a line is cut first, so that its steps stay few and finite.
    const QRectF bounds(-2.0, -2.0, width + 4.0, height + 4.0);
    // A translation, as QTransform::map and QRectF::contains take it, in line: a frame has
    // thousands of lines.
    const double shiftX = transform.dx(), shiftY = transform.dy();
    const double boundsRight = bounds.right(), boundsBottom = bounds.bottom();
    const auto within = [&](const QPointF& p) {
        return p.x() >= -2.0 && p.x() <= boundsRight && p.y() >= -2.0 && p.y() <= boundsBottom;
    };
    for (const QLineF& line : m_lines) {
        QPointF p1(line.x1() + shiftX, line.y1() + shiftY);
        QPointF p2(line.x2() + shiftX, line.y2() + shiftY);
        if (!within(p1) || !within(p2)) {
            if (!ClipToBox(p1, p2, bounds)) continue;
        }
        const double dx = p2.x() - p1.x(), dy = p2.y() - p1.y();
        const bool xMajor = std::abs(dx) >= std::abs(dy);
        // Along the longer axis u, one pixel a step at the line's other coordinate v at the
        // step's centre (the ends held to the line's own ends).
        const QPointF& a = (xMajor ? dx : dy) >= 0 ? p1 : p2;
        const double u0 = xMajor ? a.x() : a.y(), v0 = xMajor ? a.y() : a.x();
        const double uLow = std::min(xMajor ? p1.x() : p1.y(), xMajor ? p2.x() : p2.y());
        const double uHigh = std::max(xMajor ? p1.x() : p1.y(), xMajor ? p2.x() : p2.y());
        const double slope = xMajor ? (dx != 0 ? dy / dx : 0.0) : dx / dy;
        const int first = static_cast<int>(std::floor(uLow));
        const int last = static_cast<int>(std::floor(uHigh));
        // The coordinates are above -3 here (cut to `bounds`): a shifted truncation floors them.
        const auto floorOf = [](double v) { return static_cast<int>(v + 8.0) - 8; };
        const auto vAt = [&](int u) {
            const double t = std::clamp(u + 0.5, uLow, uHigh);
            return floorOf(v0 + (t - u0) * slope);
        };
        // The steps between the ends need no holding: v grows by the slope each step.
        const auto walk = [&](auto&& put) {
            put(first, vAt(first));
            double v = v0 + (first + 1.5 - u0) * slope;
            for (int u = first + 1; u < last; ++u, v += slope) put(u, floorOf(v));
            if (last > first) put(last, vAt(last));
        };
        if (xMajor) {
            walk([&](int x, int y) { plot(x, y); });
        } else if (slope == 0.0) {
            // Upright: one column of pixels, stepped down the image.
            const int x = vAt(first);
            if (x < 0 || x >= width) continue;
            const int top = std::max(first, 0), bottom = std::min(last, height - 1);
            uchar* at = bits + top * stride + x * qsizetype(sizeof(quint32));
            for (int y = top; y <= bottom; ++y, at += stride) {
                *reinterpret_cast<quint32*>(at) = pixel;
            }
        } else {
            walk([&](int y, int x) { plot(x, y); });
        }
    }
    return true;
}

// A raster fills the outline of a wide pen's lines as one path, and the cost of that fill
// grows with the whole batch's extent, not with the ink: a page's scattered ticks cost many
// times what they would alone. Lines whose pixels cannot meet are painted in separate groups
// instead; pixels that only one group touches come out as they would from the whole batch,
// while lines that may share a pixel stay in one group, so that their overlap is painted once.
bool CQtPainterDevice::DrawSeparateLineGroups() {
    const std::size_t count = m_lines.size();
    if (!m_penGeometric || count < 2 || !m_painter.paintEngine() ||
        m_painter.paintEngine()->type() != QPaintEngine::Raster) {
        return false;
    }
    const QTransform transform = m_painter.combinedTransform();
    if (transform.type() > QTransform::TxScale) return false;
    const double scale = std::min(std::abs(transform.m11()), std::abs(transform.m22()));
    if (!(scale > 0)) return false;
    // Half the pen (round ends reach that far past the end points) and two pixels for the
    // antialiased fringe and rounding.
    const double margin = m_painter.pen().widthF() / 2 + 2.0 / scale;

    m_lineBoxes.resize(count);
    m_lineOrder.resize(count);
    m_lineGroup.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const QLineF& line = m_lines[i];
        m_lineBoxes[i] = QRectF(QPointF(std::min(line.x1(), line.x2()) - margin,
                                        std::min(line.y1(), line.y2()) - margin),
                                QPointF(std::max(line.x1(), line.x2()) + margin,
                                        std::max(line.y1(), line.y2()) + margin));
        m_lineOrder[i] = i;
        m_lineGroup[i] = i;
    }
    const auto root = [this](std::size_t i) {
        while (m_lineGroup[i] != i) i = m_lineGroup[i] = m_lineGroup[m_lineGroup[i]];
        return i;
    };
    // Boxes sorted by their left edge: each is compared only with those starting before its
    // right edge.
    std::sort(m_lineOrder.begin(), m_lineOrder.end(), [this](std::size_t a, std::size_t b) {
        return m_lineBoxes[a].left() < m_lineBoxes[b].left();
    });
    std::size_t groups = count;
    for (std::size_t k = 0; k < count; ++k) {
        const QRectF& box = m_lineBoxes[m_lineOrder[k]];
        for (std::size_t n = k + 1; n < count; ++n) {
            const QRectF& other = m_lineBoxes[m_lineOrder[n]];
            if (other.left() > box.right()) break;
            if (other.top() > box.bottom() || other.bottom() < box.top()) continue;
            const std::size_t a = root(m_lineOrder[k]);
            const std::size_t b = root(m_lineOrder[n]);
            if (a != b) {
                m_lineGroup[a] = b;
                --groups;
            }
        }
    }
    if (groups == 1) return false;

    // Each group's lines together, in the order they came.
    for (std::size_t i = 0; i < count; ++i) m_lineOrder[i] = root(i);
    m_groupLines.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t group = m_lineOrder[i];
        if (group == count) continue;  // already painted
        m_groupLines.clear();
        for (std::size_t j = i; j < count; ++j) {
            if (m_lineOrder[j] != group) continue;
            m_groupLines.push_back(m_lines[j]);
            m_lineOrder[j] = count;
        }
        m_painter.drawLines(m_groupLines.data(), static_cast<int>(m_groupLines.size()));
    }
    return true;
}

// Lines already queued were drawn with the pen in effect then; they go out first.
void CQtPainterDevice::PreparePen() {
    if (!m_penDirty) return;
    FlushLines();
    ApplyPen();
    m_penDirty = false;
}

// A geometric pen of `width` surface units with GDI's round ends (flat when asked) and joins; below
// one device pixel it becomes a cosmetic one-pixel pen, as GDI never draws thinner than a pixel.
// Without antialiasing (a chart's frames while it is dragged) pens below two pixels are drawn
// as one-pixel lines too: a raster draws those many times faster than stroked outlines.
void CQtPainterDevice::ApplyPen() {
    QPen pen(m_color);
    pen.setStyle(Qt::SolidLine);
    pen.setCapStyle(m_flatEnds ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    const double pixels = std::abs(static_cast<double>(m_width)) * m_scaleX;
    m_penGeometric = pixels >= (m_antialiased ? 1.0 : 2.0);
    if (!m_penGeometric) {
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
    } else {
        pen.setWidthF(pixels);
    }
    m_painter.setPen(pen);
}

void CQtPainterDevice::SelectFont(std::string_view face, int height, int bold) {
    if (m_fontSelected && face == m_fontFace && height == m_fontHeight && bold == m_fontBold) {
        return;
    }
    m_fontFace = std::string(face);
    m_fontHeight = height;
    m_fontBold = bold;
    const int deviceDpi = m_painter.device() ? m_painter.device()->logicalDpiY() : 96;
    // The key holds the numbers' bytes as they are: it is compared, never read.
    const auto appendBytes = [this](const auto& value) {
        m_fontKey.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    m_fontKey.clear();
    appendBytes(m_scaleY);
    appendBytes(deviceDpi);
    appendBytes(height);
    appendBytes(bold);
    appendBytes(m_scalableText);
    m_fontKey.append(face);
    const FontEntry& entry = ChartFont(m_fontKey, face, height, bold, deviceDpi);
    m_font = entry.font;
    if (m_scalableText) {
        // Laid out in surface units and scaled onto the device, as the metrics measure it.
        m_unitFont =
            ScalableChartFont(QString::fromLatin1(face.data(), static_cast<qsizetype>(face.size())),
                              height, bold == 1);
    }
    m_ascent = entry.ascent;
    m_fontId = entry.id;
    m_fontSelected = true;
    FlushLines();
    m_painter.setFont(m_font);
}

// Fonts are looked up once per device resolution and request: finding a font and measuring
// it costs more than drawing a page's worth of text with it.
const CQtPainterDevice::FontEntry& CQtPainterDevice::ChartFont(const std::string& key,
                                                               std::string_view face, int height,
                                                               int bold, int deviceDpi) {
    static std::unordered_map<std::string, FontEntry> fonts;
    // Never reused, so that texts laid out with a dropped font are never found again.
    static quint64 lastId = 0;
    auto found = fonts.find(key);
    if (found != fonts.end()) return found->second;
    if (fonts.size() > 256) fonts.clear();

    const QString family = QString::fromLatin1(face.data(), static_cast<qsizetype>(face.size()));
    const bool isBold = bold == 1;
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(isBold ? QFont::Bold : QFont::Normal);
    font.setKerning(false);
    if (m_scalableText) font.setHintingPreference(QFont::PreferNoHinting);
    // Sized in points against the device's own resolution, so that the em comes out as a
    // fractional pixel size on every device (QFont's pixel sizes are whole pixels).
    const double cellPixels = std::abs(static_cast<double>(height)) * m_scaleY;
    const double emPixels = cellPixels * EmPerCellHeight(family, isBold);
    const double points = emPixels * 72.0 / (deviceDpi > 0 ? deviceDpi : 96);
    if (points > 0) font.setPointSizeF(points);
    const double ascent = QFontMetricsF(font, m_painter.device()).ascent();
    return fonts.emplace(key, FontEntry{font, ascent, ++lastId}).first->second;
}

void CQtPainterDevice::Line(int x1, int y1, int x2, int y2) {
    PreparePen();
    // Without antialiasing one-pixel lines of every direction are stepped alike: one batch.
    const bool axisAligned = (x1 == x2 || y1 == y2) && (m_antialiased || m_penGeometric);
    if (axisAligned != m_linesAxisAligned) {
        FlushLines();
        m_linesAxisAligned = axisAligned;
    }
    m_lines.emplace_back(QPointF(X(x1), Y(y1)), QPointF(X(x2), Y(y2)));
}

void CQtPainterDevice::Circle(int x, int y, int radius, int fill) {
    PreparePen();
    FlushLines();
    const double r = std::abs(static_cast<double>(radius));
    if (fill != 1 && PaintKnownCircle(QPointF(X(x), Y(y)), r * m_scaleX, r * m_scaleY)) return;
    m_painter.setBrush(fill == 1 ? QBrush(m_color) : QBrush(Qt::NoBrush));
    m_painter.drawEllipse(QPointF(X(x), Y(y)), r * m_scaleX, r * m_scaleY);
    m_painter.setBrush(Qt::NoBrush);
}

void CQtPainterDevice::FillRect(int x1, int y1, int x2, int y2) {
    PreparePen();
    FlushLines();
    double left = X(std::min(x1, x2)), right = X(std::max(x1, x2));
    double top = Y(std::max(y1, y2)), bottom = Y(std::min(y1, y2));
    // Never thinner than a device pixel, as a pen is not.
    if (right - left < 1.0) {
        const double middle = (left + right) / 2.0;
        left = middle - 0.5, right = middle + 0.5;
    }
    if (bottom - top < 1.0) {
        const double middle = (top + bottom) / 2.0;
        top = middle - 0.5, bottom = middle + 0.5;
    }
    m_painter.fillRect(QRectF(left, top, right - left, bottom - top), m_color);
}

void CQtPainterDevice::SetScalableText(bool on) {
    if (on == m_scalableText) return;
    m_scalableText = on;
    // The next text takes the font again, with or without hinting.
    if (m_fontSelected) {
        const std::string face = m_fontFace;
        m_fontSelected = false;
        SelectFont(face, m_fontHeight, m_fontBold);
    }
}

// Text whose ink must land where the metrics put it: a device's font sizes come in whole
// pixels, so a small font can be several per cent off. Laid out at the metrics' own size in
// surface units, with design metrics, and scaled onto the device.
void CQtPainterDevice::DrawScalableText(int x, int y, const QString& text) {
    QTextLayout layout(text, m_unitFont, m_painter.device());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setUseDesignMetrics(true);
    layout.setTextOption(option);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    m_painter.save();
    m_painter.translate(X(x), Y(y));
    m_painter.scale(m_scaleX, m_scaleY);
    layout.draw(&m_painter, QPointF(0, 0));
    m_painter.restore();
}

const CTextMetrics* CQtPainterDevice::TextMetrics() const {
    return &CQtTextMetrics::Instance();
}

void CQtPainterDevice::Text(int x, int y, std::string_view text) {
    DrawText(x, y, text, false);
}

void CQtPainterDevice::TextUtf8(int x, int y, std::string_view text) {
    DrawText(x, y, text, true);
}

void CQtPainterDevice::DrawText(int x, int y, std::string_view text, bool utf8) {
    // A transparent background: blanks leave no mark.
    if (text.find_first_not_of(' ') == std::string_view::npos) return;
    PreparePen();
    FlushLines();
    // Texts are looked up by the font's number and their own bytes: no conversion on a hit.
    m_textKey.assign(reinterpret_cast<const char*>(&m_fontId), sizeof m_fontId);
    m_textKey.push_back(utf8 ? 'u' : 'l');
    m_textKey.append(text);
    // Chart texts are single-byte; the page's characters are those of Latin-1.
    const auto toString = [text, utf8] {
        return utf8 ? QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                    : QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    };
    if (m_scalableText) {
        DrawScalableText(x, y, toString());
        return;
    }
    // Text takes the pen's colour; (x, y) is the top left corner of its character cell.
    if (m_painter.paintEngine() && m_painter.paintEngine()->type() == QPaintEngine::Raster) {
        // On rasters a laid-out text is reused across pages and devices: the chart repeats
        // its numbers and letters on every page. A text is its glyphs set one after another
        // by their advances on the font's ascent below (x, y): with kerning off, that is where
        // a text layout puts them, without the layout's shaping (most of a new text's cost).
        // A text with a character the font lacks takes the layout, which finds another font.
        static std::unordered_map<std::string, QGlyphRun> runs;
        static std::unordered_map<std::string, QStaticText> texts;
        static std::unordered_map<quint64, QRawFont> rawFonts;
        if (runs.size() > 20000 || texts.size() > 20000 || rawFonts.size() > 256) {
            runs.clear();
            texts.clear();
            rawFonts.clear();
        }
        // Under a scale (a zoomed view, a high-density screen) the layout places glyphs by the
        // scaled font's own metrics: those texts keep it.
        if (m_painter.combinedTransform().type() <= QTransform::TxTranslate) {
            auto run = runs.find(m_textKey);
            if (run == runs.end()) {
                auto raw = rawFonts.find(m_fontId);
                if (raw == rawFonts.end()) {
                    // The font as the painter resolves it for its device.
                    raw = rawFonts
                              .emplace(m_fontId,
                                       QRawFont::fromFont(QFont(m_font, m_painter.device())))
                              .first;
                }
                QGlyphRun glyphs;
                const QString string = toString();
                const QList<quint32> indexes = raw->second.isValid()
                                                   ? raw->second.glyphIndexesForString(string)
                                                   : QList<quint32>();
                const bool complete = !indexes.isEmpty() && !indexes.contains(0u);
                if (complete) {
                    const QList<QPointF> advances = raw->second.advancesForGlyphIndexes(indexes);
                    QList<QPointF> positions;
                    positions.reserve(indexes.size());
                    const double ascent = raw->second.ascent();
                    double along = 0.0;
                    for (const QPointF& advance : advances) {
                        positions.append(QPointF(along, ascent));
                        along += advance.x();
                    }
                    glyphs.setRawFont(raw->second);
                    glyphs.setGlyphIndexes(indexes);
                    glyphs.setPositions(positions);
                }
                run = runs.emplace(m_textKey, std::move(glyphs)).first;
            }
            if (!run->second.glyphIndexes().isEmpty()) {
                m_painter.drawGlyphRun(QPointF(X(x), Y(y)), run->second);
                return;
            }
        }
        auto found = texts.find(m_textKey);
        if (found == texts.end()) {
            QStaticText laidOut(toString());
            laidOut.setTextFormat(Qt::PlainText);
            laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
            laidOut.prepare(m_painter.transform(), m_font);
            found = texts.emplace(m_textKey, std::move(laidOut)).first;
        }
        m_painter.drawStaticText(QPointF(X(x), Y(y)), found->second);
        return;
    }
    // Vector devices keep text as text (selectable, searchable), so it cannot be a picture;
    // what is kept is the shaping, which costs more than writing the glyphs out.
    static std::unordered_map<std::string, std::unique_ptr<const QTextLayout>> layouts;
    if (layouts.size() > 20000) layouts.clear();
    auto found = layouts.find(m_textKey);
    if (found == layouts.end()) {
        auto layout = std::make_unique<QTextLayout>(toString(), m_font, m_painter.device());
        layout->setCacheEnabled(true);
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        option.setUseDesignMetrics(m_scalableText);
        layout->setTextOption(option);
        layout->beginLayout();
        layout->createLine();
        layout->endLayout();
        found = layouts.emplace(m_textKey, std::move(layout)).first;
    }
    const QTextLayout& layout = *found->second;
    // The layout hangs its line from the top of the line's own ascent; the text's baseline is
    // the font's ascent below (x, y), as drawText places it.
    const double lineAscent = layout.lineAt(0).ascent();
    layout.draw(&m_painter, QPointF(X(x), Y(y) + m_ascent - lineAscent));
}

// An antialiased circle costs the raster hundreds of instructions per pixel of its outline,
// and the chart draws the same wheels on every page, on a still white page. The pixels a
// circle leaves on white are kept, found by drawing it once on a white and once on a black
// image of the same size (any pixel the pen touches changes on one of them). Where every one
// of those pixels is still white, the raster would do exactly what it did there: they are
// written back as they came out. Anywhere else the circle is drawn.
bool CQtPainterDevice::PaintKnownCircle(const QPointF& center, double rx, double ry) {
    QImage* const image = PlainImage(m_painter);
    if (!image || image->format() != QImage::Format_RGB32) return false;
    // Measuring takes two scratch images of the device's size: not for posters.
    if (static_cast<qint64>(image->width()) * image->height() > 16 * 1024 * 1024) return false;
    const QTransform transform = m_painter.combinedTransform();
    const QPen pen = m_painter.pen();
    const QPainter::RenderHints hints = m_painter.renderHints();
    // The key holds the numbers' bytes as they are: it is compared, never read.
    std::string key;
    const auto appendBytes = [&key](const auto& value) {
        key.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    for (const double value : {transform.m11(), transform.m12(), transform.m13(), transform.m21(),
                               transform.m22(), transform.m23(), transform.m31(), transform.m32(),
                               transform.m33(), center.x(), center.y(), rx, ry, pen.widthF()}) {
        appendBytes(value);
    }
    appendBytes(image->width());
    appendBytes(image->height());
    const qsizetype stride = image->bytesPerLine() / 4;
    appendBytes(stride);
    appendBytes(pen.color().rgba());
    appendBytes(pen.isCosmetic());
    appendBytes(static_cast<int>(pen.style()));
    appendBytes(static_cast<int>(pen.capStyle()));
    appendBytes(static_cast<int>(pen.joinStyle()));
    appendBytes(static_cast<int>(hints.toInt()));

    static std::unordered_map<std::string, CirclePixels> circles;
    auto found = circles.find(key);
    if (found == circles.end()) {
        if (circles.size() > 64) circles.clear();
        circles.emplace(std::move(key), CirclePixels());
        return false;
    }
    if (!found->second.measured) {
        CirclePixels& pixels = found->second;
        pixels.measured = true;
        // The pen reaches half its width and the antialiased fringe past the outline; the
        // scratch images are the device's size, so that the raster clips and places the
        // circle as it does there, but only this area of them is used.
        const double penReach =
            pen.isCosmetic()
                ? pen.widthF()
                : pen.widthF() * (std::abs(transform.m11()) + std::abs(transform.m12()) +
                                  std::abs(transform.m21()) + std::abs(transform.m22()));
        const int margin = 4 + static_cast<int>(std::ceil(penReach));
        const QRect area =
            transform.mapRect(QRectF(center.x() - rx, center.y() - ry, 2 * rx, 2 * ry))
                .toAlignedRect()
                .adjusted(-margin, -margin, margin, margin)
                .intersected(image->rect());
        QImage onWhite(image->size(), QImage::Format_RGB32);
        QImage onBlack(image->size(), QImage::Format_RGB32);
        if (onWhite.isNull() || onBlack.isNull()) return false;  // no memory: drawn every time
        for (QImage* scratch : {&onWhite, &onBlack}) {
            QPainter painter(scratch);
            painter.fillRect(area, scratch == &onWhite ? Qt::white : Qt::black);
            painter.setRenderHints(hints);
            painter.setTransform(transform);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(center, rx, ry);
        }
        for (int py = area.top(); py <= area.bottom(); ++py) {
            const auto* white = reinterpret_cast<const quint32*>(onWhite.constScanLine(py));
            const auto* black = reinterpret_cast<const quint32*>(onBlack.constScanLine(py));
            for (int px = area.left(); px <= area.right(); ++px) {
                if (white[px] == 0xFFFFFFFFu && black[px] == 0xFF000000u) continue;
                pixels.offsets.push_back(py * stride + px);
                pixels.values.push_back(white[px]);
            }
        }
    }
    const CirclePixels& pixels = found->second;
    if (pixels.offsets.empty()) return false;
    // The painter's own buffer, even when the image shares it.
    auto* const bits = reinterpret_cast<quint32*>(const_cast<uchar*>(image->constBits()));
    for (const qsizetype offset : pixels.offsets) {
        if (bits[offset] != 0xFFFFFFFFu) return false;
    }
    for (std::size_t i = 0; i < pixels.offsets.size(); ++i)
        bits[pixels.offsets[i]] = pixels.values[i];
    return true;
}
