#include "app/chart_printing.h"

#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWidget>

CChartPrinting::CChartPrinting(QWidget* window, QPageLayout::Orientation orientation,
                               PrintFunction print)
    : m_window(window), m_orientation(orientation), m_print(std::move(print)) {}

CChartPrinting::~CChartPrinting() = default;

QPrinter& CChartPrinting::Printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageSize(QPageSize(QPageSize::Letter));
        m_printer->setPageOrientation(m_orientation);
    }
    return *m_printer;
}

bool CChartPrinting::PrintTo(QPrinter& printer, QString& error) const {
    if (m_print(printer)) return true;
    error = printer.outputFileName().isEmpty()
                ? QWidget::tr("The printer %1 could not be opened.").arg(printer.printerName())
                : QWidget::tr("%1 could not be written.").arg(printer.outputFileName());
    return false;
}

bool CChartPrinting::Print() {
    QPrintDialog dialog(&Printer(), m_window);
    if (dialog.exec() != QDialog::Accepted) return false;
    QString error;
    if (PrintTo(Printer(), error)) return true;
    QMessageBox::warning(m_window, m_window->windowTitle(), error);
    return false;
}

void CChartPrinting::PrintPreview() {
    QPrintPreviewDialog dialog(&Printer(), m_window);
    dialog.resize(m_window->size() * 9 / 10);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, m_window,
                     [this](QPrinter* printer) { m_print(*printer); });
    dialog.exec();
}
