#include "app/chart_view_base.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

CChartViewBase::CChartViewBase(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setMinimumSize(320, 240);
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, &CChartViewBase::Rest);
}

void CChartViewBase::SetCrosshair(std::optional<QPointF> point) {
    if (point == m_crosshair) return;
    m_crosshair = point;
    CrosshairMoved();
    update();
}

void CChartViewBase::ChartChanged() {
    m_stale = true;
    m_moving = false;
    m_rest.stop();
    update();
}

void CChartViewBase::StartMoving() {
    // A view that shows its last drawing moved needs one to move.
    if (!RedrawsWhileMoving() && m_stale) {
        update();
        return;
    }
    m_moving = true;
    if (RedrawsWhileMoving()) m_stale = true;
    m_rest.start();
    update();
}

void CChartViewBase::Rest() {
    m_rest.stop();
    if (!m_moving) return;
    m_moving = false;
    m_stale = true;
    Rested();
    update();
}

void CChartViewBase::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_stale || m_pixmap.size() != pixels) {
        if (!RedrawsWhileMoving() && m_moving) {
            // A new size while moving: the move ends here.
            m_moving = false;
            m_rest.stop();
        }
        if (m_pixmap.size() != pixels) {
            m_pixmap = QPixmap(pixels);
            m_pixmap.setDevicePixelRatio(ratio);
        }
        QPainter chart(&m_pixmap);
        chart.setRenderHint(QPainter::Antialiasing, !m_moving);
        chart.setRenderHint(QPainter::TextAntialiasing, !m_moving);
        chart.fillRect(rect(), Qt::white);
        DrawChart(chart, m_moving);
        m_stale = false;
        ++m_chartDraws;
        Drawn();
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_pixmap);
    PaintOver(painter);
}

void CChartViewBase::resizeEvent(QResizeEvent*) {
    m_stale = true;
    CrosshairMoved();
}

void CChartViewBase::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragFrom = event->position();
        setCursor(Qt::ClosedHandCursor);
    }
}

void CChartViewBase::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
        const QPointF from = *m_dragFrom;
        m_dragFrom = at;
        m_crosshair = at;
        Dragged(from, at);
        CrosshairMoved();
        update();
        return;
    }
    SetCrosshair(at);
}

void CChartViewBase::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragFrom.reset();
        setCursor(Qt::CrossCursor);
        Rest();
    }
}

void CChartViewBase::wheelEvent(QWheelEvent* event) {
    // A wheel that the system turned sideways (Alt) zooms as the upright one does.
    const int delta =
        event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta == 0) return;
    event->accept();
    Wheeled(event->position(), delta / 120.0, event->modifiers());
}

void CChartViewBase::leaveEvent(QEvent*) {
    if (!m_dragFrom) SetCrosshair(std::nullopt);
}
