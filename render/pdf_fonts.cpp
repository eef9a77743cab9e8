#include "render/pdf_fonts.h"

#include <QGuiApplication>

#include "render/qt_text_metrics.h"

// Only layouts that promise their texts never touch ask (the modern page). Without a GUI
// application the painter's metrics cannot measure: callers then estimate.
const CTextMetrics* PdfTextMetrics() {
    return QGuiApplication::instance() ? &CQtTextMetrics::Instance() : nullptr;
}
