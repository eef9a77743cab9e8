#pragma once
#include <QAbstractScrollArea>
#include <QDate>
#include <functional>

#include "app/print_info.h"
#include "app/view_environment.h"
#include "app/zoom_geometry.h"
#include "chart/chart_state.h"
#include "chart/paging.h"
#include "platform/document.h"
#include "platform/drawing_device.h"

class CCaelvaneDoc;
class QPainter;
class QPrinter;

// Where the job's page stands, as the status bar shows it.
struct PageStatus {
    int page = 1;
    int pageCount = 1;
    QDate date;  // the page's day; invalid when the job's dates run backwards
};

// The chart view of a job: one page of 8.5 x 11 inches in a scrolling window, at the screen's
// resolution times the zoom, stepped with Page Down, Page Up, Home and End, printed and
// previewed. Every paint draws the page afresh from the job, at the zoom (it is vector).
class CCaelvaneView : public QAbstractScrollArea, public CView {
    Q_OBJECT
public:
    static constexpr int kPageWidth = kPageWidthMils;  // page units of 0.001 inch
    static constexpr int kPageHeight = kPageHeightMils;

    CCaelvaneView(CCaelvaneDoc& doc, CViewEnvironment& environment, QWidget* parent = nullptr);
    ~CCaelvaneView() override;

    CCaelvaneDoc* GetJobDocument() const;
    // A repaint request from the document (UpdateAllViews).
    void OnUpdate(CView* sender, long hint) override;

    // The page at the screen's resolution (zoom 1), in pixels.
    QSize PageSize() const;
    // The scroll size: the page at the view's resolution and zoom, in pixels.
    QSize ScrollSize() const;
    // The size the view would like for the page: at its zoom factor, or at 1 when fitted.
    QSize NaturalSize() const;

    // The zoom: the choice (a factor or a fit) and the factor it gives in this window.
    const ZoomChoice& Zoom() const { return m_zoom; }
    double ZoomFactor() const { return m_zoomFactor; }
    void SetZoom(const ZoomChoice& choice);
    // Where the page's top-left corner is drawn in the viewport.
    QPoint PageOrigin() const;

    // Pages of a date range (other jobs keep their one page). Page numbers out of range are
    // held to the first or last page.
    void GoToPage(int page);
    void GoToLastPage();
    // The job's page on show, its count and date (prepared afresh from the job).
    PageStatus CurrentPageStatus() const;
    // Paints so far (the benchmark waits for the first).
    int PaintCount() const { return m_paintCount; }

    // A key released while the view has the focus.
    void OnKeyUp(PageKey key);
    static PageKey PageKeyOf(int qtKey);

    // Commands of the view.
    void OnFilePrint();        // with the print dialog (or the DIB message)
    bool OnFilePrintDirect();  // without the dialog, on the printer as it stands
    void OnFilePrintPreview();

    // The steps of a print or preview run.
    bool OnPreparePrinting(CPrintInfo& info, QPrinter& printer);
    void OnBeginPrinting(CPrintInfo& info);
    // `page` starts (once) and returns the painter of the printer page for this run page;
    // nullptr when the printer refuses.
    bool OnPrint(CPrintInfo& info, QPrinter& printer, const std::function<QPainter*()>& page);
    void OnEndPrinting(CPrintInfo& info);
    // Runs the steps above on `printer` for the range in `info`. False when the printer could
    // not be started (reported) or the run was cancelled.
    bool PrintDocument(QPrinter& printer, CPrintInfo& info);

    // The view's own chart state, as its last drawing or page step left it.
    const ChartState& State() const { return m_state; }

signals:
    void pagePainted();
    // The job asked its views to repaint: its page, its data or its modified state may differ.
    void documentUpdated();
    void zoomChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    // On the modern page the note line, cut to its room, shows the whole note as a tooltip.
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateScrollBars();
    void UpdateZoomFactor();
    // Zooms to `choice`, keeping the page point under `anchor` (viewport pixels) in place.
    void ZoomAround(const ZoomChoice& choice, QPoint anchor);
    void ShowMessagesLater(std::vector<std::string> messages);

    CViewEnvironment& m_environment;
    ChartState m_state;
    int m_paintCount = 0;
    ZoomChoice m_zoom;
    double m_zoomFactor = 1.0;
    int m_wheelDelta = 0;  // a high-resolution wheel's eighths of a degree not yet used
    // A message raised while painting (reversed dates) is shown once per repaint that the
    // program asked for, not again for every repaint of the area the message box uncovers.
    bool m_messageArmed = true;
};
