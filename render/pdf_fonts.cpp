#include "render/pdf_fonts.h"

#include <QGuiApplication>

#include "render/private_fonts.h"
#include "render/qt_text_metrics.h"

PdfFontFiles PdfPageFontFiles() {
    PdfFontFiles files;
    for (const std::string& path : PageFontFiles()) {
        const std::string name = path.substr(path.rfind('/') + 1);
        std::string* slot = name == "LiberationSans-Regular.ttf" ? &files.regular
                            : name == "LiberationSans-Bold.ttf"  ? &files.bold
                            : name == "DejaVuSans.ttf"           ? &files.symbol
                            : name == "DejaVuSans-Bold.ttf"      ? &files.symbolBold
                                                                 : nullptr;
        // The first folder that has a file wins, as fontconfig's order of folders does.
        if (slot && slot->empty()) *slot = path;
    }
    return files;
}

// Only layouts that promise their texts never touch ask (the modern page). Without a GUI
// application the painter's metrics cannot measure: callers then estimate.
const CTextMetrics* PdfTextMetrics() {
    return QGuiApplication::instance() ? &CQtTextMetrics::Instance() : nullptr;
}
