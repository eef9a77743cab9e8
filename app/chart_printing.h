#pragma once
// Print and Print Preview for a window that prints one drawing: the window's own printer (US
// Letter, in the orientation that suits the drawing, kept between prints), the print dialog,
// and the preview dialog at nine tenths of the window's size. A printer that cannot be opened
// (a file in a folder that does not exist) is told in a message, not passed over.
#include <QPageLayout>
#include <QString>
#include <functional>
#include <memory>

class QPrinter;
class QWidget;

class CChartPrinting {
public:
    // Draws on the printer, its painter begun; false when it could not begin.
    using PrintFunction = std::function<bool(QPrinter& printer)>;

    CChartPrinting(QWidget* window, QPageLayout::Orientation orientation, PrintFunction print);
    ~CChartPrinting();

    QPrinter& Printer();
    // The print dialog, then the drawing on the printer chosen. False when the user cancelled
    // or the printer could not be opened.
    bool Print();
    void PrintPreview();
    // Prints without a dialog; the message when the printer could not be opened.
    bool PrintTo(QPrinter& printer, QString& error) const;

private:
    QWidget* m_window;
    QPageLayout::Orientation m_orientation;
    PrintFunction m_print;
    std::unique_ptr<QPrinter> m_printer;
};
