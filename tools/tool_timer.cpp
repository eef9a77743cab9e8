#include "tools/tool_timer.h"

CQtToolTimer::CQtToolTimer() {
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
}

bool CQtToolTimer::Start(int periodMs) {
    m_timer.start(periodMs);
    // The event dispatcher refuses a timer by leaving it inactive.
    return m_timer.isActive();
}

void CQtToolTimer::Stop() {
    m_timer.stop();
}

bool CQtToolTimer::IsRunning() const {
    return m_timer.isActive();
}
