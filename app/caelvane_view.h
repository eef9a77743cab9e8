#pragma once
#include <QAbstractScrollArea>
#include <functional>

#include "app/print_info.h"
#include "app/view_environment.h"
#include "chart/chart_state.h"
#include "chart/paging.h"
#include "platform/document.h"
#include "platform/drawing_device.h"

class CCaelvaneDoc;
class QPainter;
class QPrinter;

// The chart view of a job: one page of 8.5 x 11 inches at the screen's resolution in a
// scrolling window, stepped with Page Down, Page Up and Home, printed and previewed. Every
// paint draws the page afresh from the job.
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

    // The scroll size: the page at the view's resolution, in pixels.
    QSize ScrollSize() const;
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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateScrollBars();
    void ShowMessagesLater(std::vector<std::string> messages);

    CViewEnvironment& m_environment;
    ChartState m_state;
    int m_paintCount = 0;
    // A message raised while painting (reversed dates) is shown once per repaint that the
    // program asked for, not again for every repaint of the area the message box uncovers.
    bool m_messageArmed = true;
};
