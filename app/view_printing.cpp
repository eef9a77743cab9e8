// Printing and print preview of the chart view.
#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QSettings>
#include <climits>
#include <cstdio>
#include <memory>

#include "app/caelvane_view.h"
#include "chart/chart_state.h"
#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "job/job_type.h"
#include "platform/qt/qt_host_services.h"
#include "render/qt_painter_device.h"

namespace {

const char* const kSaveToDibMessage = "I can save to DIB here: no printer dialog";
const char* const kCannotStartPrint = "Could not start print job.";
const char* const kPreviewPagesKey = "Settings/PreviewPages";

// A run of more pages than this shows its progress with a Cancel button.
constexpr int kProgressFromPages = 2;

QWidget* DialogParent(QWidget* view) {
    return view->window();
}

}  // namespace

void CCaelvaneView::OnFilePrint() {
    CCaelvaneDoc* doc = GetJobDocument();
    if (doc == nullptr) return;
    if (doc->m_printToDib == 1) {
        m_environment.host->MessageBox(kSaveToDibMessage);
        return;
    }
    CPrintInfo info;
    QPrinter& printer = m_environment.printer();
    if (!OnPreparePrinting(info, printer)) return;
    PrintDocument(printer, info);
}

bool CCaelvaneView::OnFilePrintDirect() {
    CPrintInfo info;
    info.direct = true;
    QPrinter& printer = m_environment.printer();
    if (!OnPreparePrinting(info, printer)) return false;
    return PrintDocument(printer, info);
}

bool CCaelvaneView::OnPreparePrinting(CPrintInfo& info, QPrinter& printer) {
    if (info.preview || info.direct) return true;
    // The dialog offers the job's pages, all of them selected.
    if (CCaelvaneDoc* doc = GetJobDocument()) PreparePaging(*doc, m_state);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    if (!m_environment.printDialog(printer, DialogParent(this), 1,
                                   std::max(1, m_state.pageCount))) {
        return false;
    }
    if (printer.printRange() == QPrinter::PageRange) {
        info.fromPage = printer.fromPage();
        info.toPage = printer.toPage();
    }
    return true;
}

void CCaelvaneView::OnBeginPrinting(CPrintInfo& info) {
    CCaelvaneDoc* doc = GetJobDocument();
    if (doc != nullptr) PreparePaging(*doc, m_state);
    info.minPage = 1;
    info.maxPage = m_state.pageCount;
    if (m_state.jobType == JobType::Today) {
        m_state.currentPage = 1;
        if (doc != nullptr) doc->m_currentPage = 1;
    }
}

bool CCaelvaneView::OnPrint(CPrintInfo& info, QPrinter& printer,
                            const std::function<QPainter*()>& page) {
    CCaelvaneDoc* doc = GetJobDocument();
    if (doc == nullptr) return false;
    const int chartPage =
        ChartPageForRunPage(info.curPage, info.maxPage, m_state.reversePrintOrder == 1);
    m_state.currentPage = chartPage;
    doc->m_currentPage = chartPage;
    if (doc->m_printToDib == 1) {
        char text[64];
        std::snprintf(text, sizeof text, "I can write dib for page %d here", chartPage);
        m_environment.host->MessageBox(text);
        return true;
    }
    QPainter* painter = page();
    if (painter == nullptr) return false;
    CQtPainterDevice device(*painter, printer.logicalDpiX(), printer.logicalDpiY());
    m_state.positionSource = m_environment.positions;
    m_state.pageStyle = m_environment.pageStyle;
    if (const std::optional<int> pages = DrawChartPage(*doc, m_state, device, *m_environment.host))
        doc->m_pageCount = *pages;
    return true;
}

void CCaelvaneView::OnEndPrinting(CPrintInfo&) {}

bool CCaelvaneView::PrintDocument(QPrinter& printer, CPrintInfo& info) {
    CCaelvaneDoc* doc = GetJobDocument();
    if (doc == nullptr) return false;
    OnBeginPrinting(info);
    // Each printed page is drawn as the current one; the view keeps the page it showed.
    const int shownPage = m_state.currentPage;
    const int documentPage = doc->m_currentPage;
    // The user's range, limited to the job's pages. 64-bit: the last page may be INT_MAX.
    const long long first =
        std::max(info.fromPage > 0 ? info.fromPage : info.minPage, info.minPage);
    const long long last = std::min(info.toPage > 0 ? info.toPage : info.maxPage, info.maxPage);

    QPainter painter;
    bool started = false;
    bool failed = false;
    long long pageStarted = 0;  // the run page whose printer page is open
    auto page = [&]() -> QPainter* {
        if (failed) return nullptr;
        if (pageStarted == info.curPage) return &painter;
        if (!started) {
            started = painter.begin(&printer);
            if (!started) {
                failed = true;
                return nullptr;
            }
        } else if (!printer.newPage()) {
            failed = true;
            return nullptr;
        }
        pageStarted = info.curPage;
        return &painter;
    };

    std::unique_ptr<QProgressDialog> progress;
    const long long count = last - first + 1;
    // A long run, printing or preparing the preview, can be stopped between pages; a stopped
    // preview shows the pages made so far.
    if (count >= kProgressFromPages) {
        const QString what = info.preview ? QStringLiteral("Preparing the preview of %1")
                                          : QStringLiteral("Printing %1");
        progress = std::make_unique<QProgressDialog>(
            what.arg(QString::fromLatin1(doc->GetTitle())), QStringLiteral("Cancel"), 0,
            static_cast<int>(std::min<long long>(count, INT_MAX)), DialogParent(this));
        progress->setWindowTitle(QStringLiteral("Caelvane"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(500);
    }

    bool cancelled = false;
    for (long long runPage = first; runPage <= last && !failed; ++runPage) {
        info.curPage = static_cast<int>(runPage);
        // The preview shows a page for every run page, drawn or not.
        if (info.preview && page() == nullptr) break;
        if (!OnPrint(info, printer, page)) break;
        if (progress) {
            progress->setValue(static_cast<int>(std::min<long long>(runPage - first + 1, INT_MAX)));
            if (progress->wasCanceled()) {
                cancelled = true;
                break;
            }
        }
    }
    if (started) {
        if (cancelled && !info.preview) printer.abort();
        painter.end();
    }
    OnEndPrinting(info);
    m_state.currentPage = shownPage;
    doc->m_currentPage = documentPage;
    if (!info.preview) doc->UpdateAllViews(nullptr, 0);
    // The progress box goes first: a message under it would leave the program looking hung.
    progress.reset();
    if (failed) {
        m_environment.host->MessageBox(kCannotStartPrint);
        return false;
    }
    return !cancelled || info.preview;
}

void CCaelvaneView::OnFilePrintPreview() {
    CCaelvaneDoc* doc = GetJobDocument();
    if (doc == nullptr) return;
    QPrinter& printer = m_environment.printer();
    QPrintPreviewDialog dialog(&printer, DialogParent(this));
    QSettings* profile = m_environment.profile;
    auto* preview = dialog.findChild<QPrintPreviewWidget*>();
    if (preview != nullptr && profile != nullptr) {
        const int pages = profile->value(QLatin1String(kPreviewPagesKey), 1).toInt();
        preview->setViewMode(pages == 2 ? QPrintPreviewWidget::FacingPagesView
                                        : QPrintPreviewWidget::SinglePageView);
    }
    // The same signal draws the preview and, from the preview's Print button, the printout.
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
        CPrintInfo info;
        info.preview = target->paintEngine() != nullptr &&
                       target->paintEngine()->type() == QPaintEngine::Picture;
        if (!info.preview && target->printRange() == QPrinter::PageRange) {
            info.fromPage = target->fromPage();
            info.toPage = target->toPage();
        }
        PrintDocument(*target, info);
    });
    dialog.exec();
    if (preview != nullptr && profile != nullptr) {
        profile->setValue(QLatin1String(kPreviewPagesKey),
                          preview->viewMode() == QPrintPreviewWidget::FacingPagesView ? 2 : 1);
    }
    doc->UpdateAllViews(nullptr, 0);
}
