#include "app/caelvane_view.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/message_collector.h"
#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "platform/qt/qt_host_services.h"
#include "render/qt_painter_device.h"

namespace {
const char* const kZoomKey = "View/Zoom";
}  // namespace

CCaelvaneView::CCaelvaneView(CCaelvaneDoc& doc, CViewEnvironment& environment, QWidget* parent)
    : QAbstractScrollArea(parent), m_environment(environment) {
    doc.AddView(this);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // A new window takes the zoom last chosen; a damaged entry leaves the actual size.
    if (m_environment.profile != nullptr) {
        ParseZoomChoice(m_environment.profile->value(QLatin1String(kZoomKey)).toString(), m_zoom);
    }
    UpdateZoomFactor();
    UpdateScrollBars();
}

CCaelvaneView::~CCaelvaneView() {
    if (CDocument* doc = GetDocument()) doc->RemoveView(this);
}

CCaelvaneDoc* CCaelvaneView::GetJobDocument() const {
    return dynamic_cast<CCaelvaneDoc*>(GetDocument());
}

void CCaelvaneView::OnUpdate(CView*, long) {
    m_messageArmed = true;
    viewport()->update();
    // Every page step (keys, AutoRun, the price monitor, printing) and every change of the job
    // ends here, so this is where the status bar and the title learn of them.
    emit documentUpdated();
}

QSize CCaelvaneView::PageSize() const {
    const QWidget* surface = viewport();
    return QSize(kPageWidth * surface->logicalDpiX() / 1000,
                 kPageHeight * surface->logicalDpiY() / 1000);
}

QSize CCaelvaneView::ScrollSize() const {
    return ZoomedSize(PageSize(), m_zoomFactor);
}

QSize CCaelvaneView::NaturalSize() const {
    return ZoomedSize(PageSize(), m_zoom.mode == ZoomMode::Factor ? m_zoom.factor : 1.0);
}

void CCaelvaneView::UpdateZoomFactor() {
    const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_zoomFactor = EffectiveZoom(m_zoom, PageSize(), maximumViewportSize(), barWidth);
}

void CCaelvaneView::SetZoom(const ZoomChoice& choice) {
    ZoomChoice held = choice;
    held.factor =
        std::clamp(std::isfinite(choice.factor) ? choice.factor : 1.0, kMinZoom, kMaxZoom);
    // The centre of what is on show stays in the centre.
    ZoomAround(held, QPoint(viewport()->width() / 2, viewport()->height() / 2));
}

void CCaelvaneView::ZoomAround(const ZoomChoice& choice, QPoint anchor) {
    const double before = m_zoomFactor;
    const QPoint origin = PageOrigin();
    m_zoom = choice;
    UpdateZoomFactor();
    UpdateScrollBars();
    const QPoint scroll = ScrollKeepingAnchor(origin, anchor, before, m_zoomFactor);
    horizontalScrollBar()->setValue(scroll.x());
    verticalScrollBar()->setValue(scroll.y());
    viewport()->update();
    emit zoomChanged();
}

QPoint CCaelvaneView::PageOrigin() const {
    return ::PageOrigin(ScrollSize(), viewport()->size(),
                        QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()));
}

void CCaelvaneView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    event->accept();
    // One notch (120) is one step of the ladder; touch pads send smaller parts of it.
    m_wheelDelta += event->angleDelta().y();
    while (std::abs(m_wheelDelta) >= 120) {
        const bool in = m_wheelDelta > 0;
        m_wheelDelta += in ? -120 : 120;
        ZoomAround({ZoomMode::Factor, in ? ZoomInStep(m_zoomFactor) : ZoomOutStep(m_zoomFactor)},
                   event->position().toPoint());
    }
}

void CCaelvaneView::UpdateScrollBars() {
    const QSize total = ScrollSize();
    const QSize visible = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, total.width() - visible.width()));
    v->setRange(0, std::max(0, total.height() - visible.height()));
    // A click beside the thumb moves by what is on show; an arrow by a hundredth of the page.
    h->setPageStep(visible.width());
    v->setPageStep(visible.height());
    h->setSingleStep(std::max(1, total.width() / 100));
    v->setSingleStep(std::max(1, total.height() / 100));
}

void CCaelvaneView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_zoom.mode != ZoomMode::Factor) {
        const double before = m_zoomFactor;
        UpdateZoomFactor();
        if (m_zoomFactor != before) emit zoomChanged();
    }
    UpdateScrollBars();
}

void CCaelvaneView::scrollContentsBy(int, int) {
    viewport()->update();
}

bool CCaelvaneView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
    const CCaelvaneDoc* doc = GetJobDocument();
    const auto* help = static_cast<QHelpEvent*>(event);
    if (doc == nullptr || m_environment.pageStyle != PageStyle::Modern ||
        doc->m_note.find_first_not_of(' ') == std::string::npos) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // Page units from the viewport: the page is drawn at the zoomed resolution, surface
    // (x + 200, y - 10300) from its top-left corner.
    const QPoint offset = help->pos() - PageOrigin();
    const double x = offset.x() * 1000.0 / (viewport()->logicalDpiX() * m_zoomFactor) - 200.0;
    const double y = 10300.0 - offset.y() * 1000.0 / (viewport()->logicalDpiY() * m_zoomFactor);
    if (x >= 500 && x <= 4200 && y >= 8400 && y <= 8620) {
        const std::string note = doc->m_note.substr(0, doc->m_note.find('\0'));
        QToolTip::showText(help->globalPos(), QString::fromLatin1(note.c_str()), viewport());
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

void CCaelvaneView::paintEvent(QPaintEvent* event) {
    CCaelvaneDoc* doc = GetJobDocument();
    QPainter painter(viewport());
    const QRect page(PageOrigin(), ScrollSize());
    // Beside a page smaller than the window, the window's ground shows where the sheet ends.
    if (!page.contains(event->rect())) {
        painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    }
    painter.fillRect(page.intersected(event->rect()), Qt::white);
    if (doc == nullptr) return;
    painter.translate(page.topLeft());
    CMessageCollector host(*m_environment.host);
    {
        // The page is drawn at the zoomed resolution rather than scaled, so text and lines are
        // laid out for the pixels they land on at every zoom.
        CQtPainterDevice device(painter, viewport()->logicalDpiX() * m_zoomFactor,
                                viewport()->logicalDpiY() * m_zoomFactor);
        m_state.positionSource = m_environment.positions;
        m_state.pageStyle = m_environment.pageStyle;
        if (const std::optional<int> pages = DrawChartPage(*doc, m_state, device, host))
            doc->m_pageCount = *pages;
    }
    painter.end();
    ++m_paintCount;
    if (!host.Messages().empty() && m_messageArmed) {
        m_messageArmed = false;
        ShowMessagesLater(host.Messages());
    }
    emit pagePainted();
}

// A modal box inside a paint would paint again underneath it; it waits for the paint to end.
void CCaelvaneView::ShowMessagesLater(std::vector<std::string> messages) {
    QTimer::singleShot(0, this, [this, messages = std::move(messages)] {
        for (const std::string& text : messages) m_environment.host->MessageBox(text);
    });
}

PageKey CCaelvaneView::PageKeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_PageDown:
            return PageKey::PageDown;
        case Qt::Key_PageUp:
            return PageKey::PageUp;
        case Qt::Key_Home:
            return PageKey::Home;
        default:
            return PageKey::Other;
    }
}

void CCaelvaneView::keyPressEvent(QKeyEvent* event) {
    // The page keys page on release; they do not scroll.
    if (PageKeyOf(event->key()) != PageKey::Other || event->key() == Qt::Key_End) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CCaelvaneView::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    // A held key repeats presses; it is released once.
    if (event->isAutoRepeat()) return;
    if (event->key() == Qt::Key_End) {
        GoToLastPage();
        return;
    }
    OnKeyUp(PageKeyOf(event->key()));
}

void CCaelvaneView::GoToPage(int page) {
    CCaelvaneDoc* doc = GetJobDocument();
    if (doc == nullptr) return;
    PreparePaging(*doc, m_state);
    if (m_state.IsDateRange()) {
        page = std::clamp(page, 1, std::max(1, m_state.pageCount));
        m_state.currentPage = page;
        doc->m_currentPage = page;
    }
    doc->UpdateAllViews(nullptr, 0);
}

void CCaelvaneView::GoToLastPage() {
    CCaelvaneDoc* doc = GetJobDocument();
    if (doc == nullptr) return;
    PreparePaging(*doc, m_state);
    GoToPage(m_state.pageCount);
}

PageStatus CCaelvaneView::CurrentPageStatus() const {
    PageStatus status;
    const CCaelvaneDoc* doc = GetJobDocument();
    if (doc == nullptr) return status;
    ChartState state;
    const bool datesInOrder = PreparePage(*doc, state, *m_environment.host);
    status.page = state.currentPage;
    status.pageCount = state.pageCount;
    if (datesInOrder) status.date = QDate(state.pageYear, state.pageMonth, state.pageDay);
    return status;
}

void CCaelvaneView::OnKeyUp(PageKey key) {
    CCaelvaneDoc* doc = GetJobDocument();
    if (doc == nullptr) return;
    if (key != PageKey::Other) {
        PreparePaging(*doc, m_state);
        if (m_state.IsDateRange()) {
            const int page = PageAfterKey(m_state, key);
            m_state.currentPage = page;
            doc->m_currentPage = page;
        }
    }
    doc->UpdateAllViews(nullptr, 0);
}
