#include "app/child_frame.h"

#include <QCloseEvent>
#include <utility>

#include "app/caelvane_view.h"

CChildFrame::CChildFrame(CCaelvaneView* view, CloseCheck canClose, QWidget* parent)
    : QMdiSubWindow(parent), m_view(view), m_canClose(std::move(canClose)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(view);
    setWindowIcon(QIcon(QStringLiteral(":/icons/job.svg")));
}

void CChildFrame::CloseWithoutAsking() {
    m_asked = true;
    close();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        event->accept();
        return;
    }
    if (!m_asked && m_canClose && !m_canClose(*this)) {
        event->ignore();
        return;
    }
    m_closing = true;
    emit frameClosing(this);
    QMdiSubWindow::closeEvent(event);
}
