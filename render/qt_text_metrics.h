#pragma once
#include <QFont>
#include <QString>
#include <string_view>

#include "platform/text_metrics.h"

// A GDI font of positive height asks for a character cell (ascent + descent) of that height,
// while Qt sizes a font by its em: the ratio em / cell of a face, measured once.
double EmPerCellHeight(const QString& face, bool bold);

// The chart fonts' ink as the painter device draws them: the same face lookup, weight and
// em size, measured at 1,000 dots per inch (one surface unit a dot), symbols the face lacks
// taken from the fallback font as drawn. Needs a QGuiApplication. Safe on several threads.
class CQtTextMetrics : public CTextMetrics {
public:
    TextInk Measure(std::string_view face, int height, int bold, std::string_view text,
                    bool utf8) const override;

    // The one the program uses.
    static const CQtTextMetrics& Instance();
};
