#include "render/qt_text_metrics.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QRawFont>
#include <QRectF>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

constexpr double kDotsPerInch = 1000.0;  // one surface unit a dot

std::mutex& MetricsMutex() {
    static std::mutex mutex;
    return mutex;
}

// A paint device of 1,000 dpi for the metrics to be taken against.
const QImage& ReferenceDevice() {
    static const QImage image = [] {
        QImage made(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = static_cast<int>(std::lround(kDotsPerInch / 0.0254));
        made.setDotsPerMeterX(dotsPerMeter);
        made.setDotsPerMeterY(dotsPerMeter);
        return made;
    }();
    return image;
}

}  // namespace

double EmPerCellHeight(const QString& face, bool bold) {
    static QHash<QString, double> ratios;
    const std::lock_guard lock(MetricsMutex());
    const QString key = face + (bold ? QStringLiteral("/b") : QStringLiteral("/n"));
    auto found = ratios.constFind(key);
    if (found != ratios.constEnd()) return *found;
    QFont probe(face);
    probe.setStyleHint(QFont::SansSerif);
    probe.setWeight(bold ? QFont::Bold : QFont::Normal);
    probe.setPixelSize(1000);
    const QFontMetricsF metrics(probe);
    const double cell = metrics.ascent() + metrics.descent();
    const double ratio = cell > 0 ? 1000.0 / cell : 1.0;
    ratios.insert(key, ratio);
    return ratio;
}

QFont ScalableChartFont(const QString& face, int height, bool bold) {
    QFont font(face);
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    const double em = std::abs(static_cast<double>(height)) * EmPerCellHeight(face, bold);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(em))));
    return font;
}

TextInk CQtTextMetrics::Measure(std::string_view face, int height, int bold, std::string_view text,
                                bool utf8) const {
    if (text.find_first_not_of(' ') == std::string_view::npos || height == 0) return {};
    const QString family = QString::fromLatin1(face.data(), static_cast<qsizetype>(face.size()));
    const bool isBold = bold == 1;
    std::string key(face);
    key += '/' + std::to_string(height) + '/' + (isBold ? 'b' : 'n') + (utf8 ? 'u' : 'l');
    key.append(text);
    static std::unordered_map<std::string, TextInk> measured;
    {
        const std::lock_guard lock(MetricsMutex());
        if (auto found = measured.find(key); found != measured.end()) return found->second;
    }

    const QFont font = ScalableChartFont(family, height, isBold);
    const QString string =
        utf8 ? QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
             : QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    TextInk ink;
    {
        // Font lookups share Qt's font database: one at a time. Laid out as the painter lays
        // out scalable text (design metrics), the ink taken from the glyphs' own outlines.
        const std::lock_guard lock(MetricsMutex());
        QTextLayout layout(string, font, &ReferenceDevice());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        option.setUseDesignMetrics(true);
        layout.setTextOption(option);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QRectF box;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            const QRawFont raw = run.rawFont();
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
                const QRectF glyph = raw.boundingRect(glyphs[i]).translated(positions[i]);
                if (!glyph.isEmpty()) box = box.isNull() ? glyph : box.united(glyph);
            }
        }
        if (!box.isEmpty()) {
            // Positions hang from the top of the line, as the painter draws the text.
            const double left = std::floor(box.left());
            const double top = std::floor(box.top());
            ink.left = static_cast<int>(left);
            ink.top = static_cast<int>(top);
            ink.width = static_cast<int>(std::ceil(box.right()) - left);
            ink.height = static_cast<int>(std::ceil(box.bottom()) - top);
        }
        if (measured.size() > 50000) measured.clear();
        measured.emplace(std::move(key), ink);
    }
    return ink;
}

const CQtTextMetrics& CQtTextMetrics::Instance() {
    static const CQtTextMetrics metrics;
    return metrics;
}
