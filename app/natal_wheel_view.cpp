#include "app/natal_wheel_view.h"

#include <QPainter>
#include <algorithm>

#include "render/qt_surface_writer.h"

CNatalWheelView::CNatalWheelView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 296);
}

void CNatalWheelView::SetChart(std::optional<natal::NatalChart> chart, natal::SecondRing ring) {
    m_chart = std::move(chart);
    m_ring = std::move(ring);
    update();
}

void CNatalWheelView::SetOptions(const natal::WheelOptions& options) {
    m_options = options;
    update();
}

void CNatalWheelView::SetEmptyText(const QString& text) {
    m_emptyText = text;
    update();
}

void CNatalWheelView::DrawOn(CDrawingDevice& device) const {
    if (!m_chart) return;
    device.Begin();
    natal::DrawNatalWheel(device, *m_chart, m_ring, m_options);
    device.End();
}

QSize CNatalWheelView::sizeHint() const {
    return QSize(m_options.width, m_options.height) * 6 / 10;
}

void CNatalWheelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!m_chart) {
        painter.setPen(palette().text().color());
        painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                         m_emptyText);
        return;
    }
    const double scale = std::min(static_cast<double>(width()) / m_options.width,
                                  static_cast<double>(height()) / m_options.height);
    painter.translate((width() - m_options.width * scale) / 2.0,
                      (height() - m_options.height * scale) / 2.0);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PaintSurface(painter, {m_options.width, m_options.height, natal::kWheelUnitsPerPixel}, scale,
                 [this](CDrawingDevice& device) { DrawOn(device); });
}
