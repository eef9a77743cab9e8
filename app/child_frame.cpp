#include "app/child_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <utility>

#include "app/caelvane_view.h"

CChildFrame::CChildFrame(CCaelvaneView* view, CloseCheck canClose, QWidget* parent)
    : QMdiSubWindow(parent), m_view(view), m_canClose(std::move(canClose)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(view);
    setWindowIcon(QIcon(QStringLiteral(":/icons/job.svg")));
    // The window menu's own Close keys would make Ctrl+W ambiguous beside the program's
    // command of the same key (which asks to save as this window's close does).
    if (QMenu* menu = systemMenu()) {
        for (QAction* action : menu->actions()) {
            if (action->shortcuts().contains(QKeySequence(QKeySequence::Close))) {
                action->setShortcuts({});
            }
        }
    }
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
