#include "app/status_bar.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTimer>
#include <utility>

#include "app/lock_key_state.h"

namespace {
constexpr int kIndicatorPollMs = 250;
}

CMainStatusBar::CMainStatusBar(QWidget* parent) : QStatusBar(parent) {
    // A normal widget: a prompt (temporary message) covers it, clearing the prompt shows it.
    m_ready = new QLabel(QStringLiteral("Ready"), this);
    addWidget(m_ready, 1);
    m_page = AddPane("Page");
    m_date = AddPane("Date");
    m_caps = AddIndicator("CAP");
    m_num = AddIndicator("NUM");
    m_scroll = AddIndicator("SCRL");
    m_poll = new QTimer(this);
    m_poll->setInterval(kIndicatorPollMs);
    connect(m_poll, &QTimer::timeout, this, &CMainStatusBar::UpdateIndicators);
    UpdateIndicators();
    m_poll->start();
}

QString CMainStatusBar::IdleText() const {
    return m_ready->text();
}

QLabel* CMainStatusBar::AddPane(const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setVisible(false);
    addPermanentWidget(label);
    return label;
}

void CMainStatusBar::SetPageStatus(const QString& page, const QString& date) {
    for (auto [label, text] : {std::pair{m_page, page}, std::pair{m_date, date}}) {
        if (label->text() != text) label->setText(text);
        label->setVisible(!text.isEmpty());
    }
}

QLabel* CMainStatusBar::AddIndicator(const char* text) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(text));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // The pane keeps the width of its text while the text is hidden.
    label->setMinimumWidth(
        QFontMetrics(label->font()).horizontalAdvance(QString::fromLatin1(text)) + 8);
    addPermanentWidget(label);
    return label;
}

void CMainStatusBar::UpdateIndicators() {
    const std::optional<LockKeyState> keys = QueryLockKeyState();
    auto show = [](QLabel* label, bool on) {
        const QString text = on ? label->objectName() : QString();
        if (label->text() != text) label->setText(text);
    };
    show(m_caps, keys && keys->capsLock);
    show(m_num, keys && keys->numLock);
    show(m_scroll, keys && keys->scrollLock);
}
