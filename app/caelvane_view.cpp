#include "app/caelvane_view.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "app/message_collector.h"
#include "chart/draw_page.h"
#include "job/caelvane_doc.h"
#include "platform/qt/qt_host_services.h"
#include "render/qt_painter_device.h"

CCaelvaneView::CCaelvaneView(CCaelvaneDoc& doc, CViewEnvironment& environment, QWidget* parent)
    : QAbstractScrollArea(parent), m_environment(environment) {
    doc.AddView(this);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
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
}

QSize CCaelvaneView::ScrollSize() const {
    const QWidget* surface = viewport();
    return QSize(kPageWidth * surface->logicalDpiX() / 1000,
                 kPageHeight * surface->logicalDpiY() / 1000);
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
    UpdateScrollBars();
}

void CCaelvaneView::scrollContentsBy(int, int) {
    viewport()->update();
}

void CCaelvaneView::paintEvent(QPaintEvent* event) {
    CCaelvaneDoc* doc = GetJobDocument();
    QPainter painter(viewport());
    painter.fillRect(event->rect(), Qt::white);
    if (doc == nullptr) return;
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    CMessageCollector host(*m_environment.host);
    {
        CQtPainterDevice device(painter, viewport()->logicalDpiX(), viewport()->logicalDpiY());
        m_state.positionSource = m_environment.positions;
        DrawChartPage(*doc, m_state, device, host);
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
    if (PageKeyOf(event->key()) != PageKey::Other) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CCaelvaneView::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    // A held key repeats presses; it is released once.
    if (event->isAutoRepeat()) return;
    OnKeyUp(PageKeyOf(event->key()));
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
