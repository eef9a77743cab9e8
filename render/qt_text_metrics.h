#pragma once
#include <QFont>
#include <QString>
#include <string_view>

#include "platform/text_metrics.h"

// A GDI font of positive height asks for a character cell (ascent + descent) of that height,
// while Qt sizes a font by its em: the ratio em / cell of a face, measured once.
double EmPerCellHeight(const QString& face, bool bold);

// A chart font sized in surface units (its pixel size the em in 0.001 inch, whole units),
// without hinting: what scalable text is laid out in, and measured with.
QFont ScalableChartFont(const QString& face, int height, bool bold);

// The chart fonts' ink as the painter device draws them: the same face lookup, weight and
// em size in whole surface units, laid out with design metrics, symbols the face lacks
// taken from the fallback font as drawn. Needs a QGuiApplication. Safe on several threads.
// The painter draws such text laid out the same way (SetScalableText).
class CQtTextMetrics : public CTextMetrics {
public:
    TextInk Measure(std::string_view face, int height, int bold, std::string_view text,
                    bool utf8) const override;

    // The one the program uses.
    static const CQtTextMetrics& Instance();
};
