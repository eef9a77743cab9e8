#include "app/help_window.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/window_placement.h"

CHelpWindow::CHelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Caelvane Help"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/caelvane.svg")));
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    m_browser->setSearchPaths({QStringLiteral(":/help")});

    auto* contents = new QToolButton(this);
    contents->setText(QStringLiteral("&Contents"));
    auto* back = new QToolButton(this);
    back->setText(QStringLiteral("&Back"));
    back->setEnabled(false);
    auto* forward = new QToolButton(this);
    forward->setText(QStringLiteral("&Forward"));
    forward->setEnabled(false);
    connect(contents, &QToolButton::clicked, this, &CHelpWindow::ShowContents);
    connect(back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);
}

void CHelpWindow::ShowContents() {
    m_browser->setSource(QUrl(QString::fromLatin1(kContentsUrl)));
    if (!m_placed) {
        PlaceOnParentScreen(*this, parentWidget(), QSize(720, 640));
        m_placed = true;
    }
    show();
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

void CHelpWindow::keyPressEvent(QKeyEvent* event) {
    // A window of its own, not a dialog: Escape closing it is given to it here.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
