#pragma once
#include <functional>

#include "chart/page_style.h"
#include "ephemeris/page_positions.h"

class QPrinter;
class QSettings;
class QWidget;

namespace caelvane {
class CQtHostServices;
}

// Shows the print dialog for a run whose pages are minPage..maxPage; false when cancelled.
// The chosen printer, range and options are left in `printer`.
using PrintDialogFunction =
    std::function<bool(QPrinter& printer, QWidget* parent, int minPage, int maxPage)>;

// What every chart view shares with the application: the message boxes and host clock, the
// printer chosen in Print Setup, the profile, the print dialog (tests supply their own), and
// the program's position source, which every drawing uses.
struct CViewEnvironment {
    caelvane::CQtHostServices* host = nullptr;
    std::function<QPrinter&()> printer;  // the printer of Print Setup, made on first use
    QSettings* profile = nullptr;
    PrintDialogFunction printDialog;
    PositionSource positions = kDefaultPositionSource;
    PageStyle pageStyle = kDefaultPageStyle;  // the program's page style, as positions
};
