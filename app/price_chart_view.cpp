#include "app/price_chart_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "render/qt_painter_device.h"

namespace {

const prices::PriceSeries& EmptySeries() {
    static const prices::PriceSeries empty;
    return empty;
}

}  // namespace

CPriceChartView::CPriceChartView(QWidget* parent)
    : CChartViewBase(parent),
      m_series(std::shared_ptr<const prices::PriceSeries>(&EmptySeries(),
                                                          [](const prices::PriceSeries*) {})) {
    setFocusPolicy(Qt::StrongFocus);
    m_window = prices::FitWindow(*m_series, false);
}

QString CPriceChartView::Hint() {
    return tr(
        "Wheel: zoom dates   Shift+wheel or wheel on the price axis: zoom prices   "
        "Ctrl+wheel: both   Drag: move   Double click or Home: show all");
}

void CPriceChartView::SetSeries(std::shared_ptr<const prices::PriceSeries> series) {
    m_series = std::move(series);
    if (m_tradingAxis) {
        m_tradingAxis = std::make_unique<prices::CTradingAxis>(prices::CTradingAxis::Of(m_series));
    }
    m_window = prices::FitWindow(*m_series, m_options.logScale);
    Changed();
}

void CPriceChartView::SetFitPrices(bool on) {
    if (on == m_fitPrices) return;
    m_fitPrices = on;
    if (on) SetChartWindow(m_window);
    emit fitPricesChanged(on);
}

void CPriceChartView::SetTradingDays(bool on) {
    if (on == TradingDays()) return;
    if (on) {
        m_tradingAxis = std::make_unique<prices::CTradingAxis>(prices::CTradingAxis::Of(m_series));
    } else {
        m_tradingAxis.reset();
    }
    Changed();
}

prices::ChartWindow CPriceChartView::Fitted(const prices::ChartWindow& window) const {
    if (!m_fitPrices) return window;
    return prices::FitPricesToTimes(*m_series, window, m_options.logScale);
}

prices::ChartWindow CPriceChartView::Moved(const prices::ChartWindow& window, bool pricesByHand) {
    if (pricesByHand && m_fitPrices) {
        m_fitPrices = false;
        emit fitPricesChanged(false);
    }
    return Fitted(window);
}

void CPriceChartView::SetOptions(const prices::ChartOptions& options) {
    m_options = options;
    Changed();
}

void CPriceChartView::SetChartWindow(const prices::ChartWindow& window) {
    m_window = Fitted(window);
    Changed();
}

prices::CChartFrame CPriceChartView::Frame() const {
    return FrameOf(width(), height(), m_window);
}

prices::CChartFrame CPriceChartView::FrameOf(int width, int height,
                                             const prices::ChartWindow& window) const {
    return prices::CChartFrame(width, height, window, m_options.logScale, m_tradingAxis.get(),
                               m_options.volumePane && m_series->hasVolume,
                               static_cast<int>(m_options.panes.size()));
}

void CPriceChartView::FitAll() {
    SetChartWindow(prices::FitWindow(*m_series, m_options.logScale));
}

void CPriceChartView::ZoomAt(double x, double y, double factor, bool times, bool prices) {
    const prices::ChartWindow zoomed = prices::ZoomWindow(Frame(), x, y, factor, times, prices);
    m_window = Moved(zoomed, prices);
    Changed();
}

void CPriceChartView::PreviewWindow(const prices::ChartWindow& window) {
    m_window = Fitted(window);
    StartMoving();
    UpdateReadout();
}

QTransform CPriceChartView::PreviewTransform() const {
    if (!Moving()) return {};
    // Along each axis the new pixel is a linear function of the old: two points fix it.
    const prices::CChartFrame drawn = FrameOf(width(), height(), m_drawnWindow);
    const prices::CChartFrame shown = Frame();
    const double x0 = drawn.Left(), x1 = drawn.Right(), y0 = drawn.Top(), y1 = drawn.Bottom();
    const double nx0 = shown.XOfTime(drawn.TimeOfX(x0)), nx1 = shown.XOfTime(drawn.TimeOfX(x1));
    const double ny0 = shown.YOfPrice(drawn.PriceOfY(y0)), ny1 = shown.YOfPrice(drawn.PriceOfY(y1));
    double sx = (nx1 - nx0) / (x1 - x0), sy = (ny1 - ny0) / (y1 - y0);
    double dx = nx0 - sx * x0, dy = ny0 - sy * y0;
    // A drag by whole pixels copies them as they are, not resampled off by a rounding error.
    const auto snap = [](double& value, double to) {
        if (std::fabs(value - to) < 1e-6) value = to;
    };
    snap(sx, 1.0), snap(sy, 1.0), snap(dx, std::round(dx)), snap(dy, std::round(dy));
    return QTransform(sx, 0, 0, sy, dx, dy);
}

void CPriceChartView::ZoomAtCenter(double factor, bool times, bool prices) {
    const prices::CChartFrame frame = Frame();
    ZoomAt((frame.Left() + frame.Right()) / 2, (frame.Top() + frame.Bottom()) / 2, factor, times,
           prices);
}

void CPriceChartView::PanBy(double fromX, double fromY, double toX, double toY) {
    SetChartWindow(prices::PanWindow(Frame(), fromX, fromY, toX, toY));
}

void CPriceChartView::Changed() {
    ChartChanged();
    UpdateReadout();
}

void CPriceChartView::UpdateReadout() {
    const prices::CChartFrame frame = Frame();
    QString text;
    const std::optional<QPointF> crosshair = Crosshair();
    if (crosshair && frame.InPlot(crosshair->x(), crosshair->y())) {
        pricewin::ReadChartAt(frame, m_options, crosshair->x(), crosshair->y(), m_readout,
                              m_series.get());
        text =
            QString::fromStdString(pricewin::FormatReadout(m_readout, frame, m_series->intraday));
    }
    if (text != m_readoutText) {
        m_readoutText = text;
        emit readoutChanged(m_readoutText);
    }
}

void CPriceChartView::DrawOn(CDrawingDevice& device, int width, int height) const {
    const prices::CChartFrame frame = FrameOf(width, height, m_window);
    prices::ChartCache cache;
    device.Begin();
    prices::DrawPriceChart(device, *m_series, m_options, frame, cache);
    device.End();
}

void CPriceChartView::DrawChart(QPainter& painter, bool moving) {
    CQtPainterDevice device(painter, prices::kDevicePixelDpi, prices::kDevicePixelDpi);
    device.SetAntialiased(!moving);
    device.Begin();
    prices::DrawPriceChart(device, *m_series, m_options, Frame(), m_cache);
    device.End();
}

void CPriceChartView::PaintOver(QPainter& painter) {
    const prices::CChartFrame frame = Frame();
    if (Moving()) {
        // The axes, and the plot's border, stay as they were drawn until the chart is drawn
        // anew.
        const QRectF plot =
            QRectF(QPointF(frame.Left(), frame.Top()), QPointF(frame.Right(), frame.Bottom()))
                .adjusted(1, 1, -1, -1);
        painter.save();
        painter.setClipRect(plot);
        painter.fillRect(plot, Qt::white);
        // Only the plot moves: the axes' labels beside it must not slide into it.
        const QPixmap& drawing = Drawing();
        const qreal ratio = drawing.devicePixelRatio();
        const QRectF source(plot.topLeft() * ratio, plot.size() * ratio);
        const QTransform preview = PreviewTransform();
        // A stretched drawing is smoothed; a moved one is copied pixel for pixel.
        painter.setRenderHint(QPainter::SmoothPixmapTransform,
                              preview.type() > QTransform::TxTranslate);
        painter.setTransform(preview);
        painter.drawPixmap(plot, drawing, source);
        painter.restore();
    }
    const std::optional<QPointF> crosshair = Crosshair();
    if (crosshair && frame.InPlot(crosshair->x(), crosshair->y())) PaintCrosshair(painter, frame);
}

void CPriceChartView::PaintCrosshair(QPainter& painter, const prices::CChartFrame& frame) const {
    const double x = std::round(Crosshair()->x()) + 0.5, y = std::round(Crosshair()->y()) + 0.5;
    QPen pen(QColor(60, 60, 60), 1, Qt::DashLine);
    painter.setPen(pen);
    painter.drawLine(QPointF(x, frame.Top()), QPointF(x, frame.Bottom()));
    painter.drawLine(QPointF(frame.Left(), y), QPointF(frame.Right(), y));

    // The price and its degree on the price axis, the date on the date axis, as tags that
    // cover the axis labels under them.
    const QFontMetrics metrics(font());
    const auto tag = [&](const QString& text, QPointF anchor, bool onPriceAxis) {
        QRectF box = metrics.boundingRect(text);
        box.setSize(box.size() + QSizeF(8, 4));
        if (onPriceAxis) {
            box.moveTopLeft(QPointF(frame.Right() + 1, anchor.y() - box.height() / 2));
            if (box.right() > width()) box.moveRight(width());
        } else {
            box.moveTopLeft(QPointF(anchor.x() - box.width() / 2, frame.Bottom() + 1));
            if (box.left() < 0) box.moveLeft(0);
            if (box.right() > width()) box.moveRight(width());
        }
        painter.fillRect(box, QColor(40, 40, 40));
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, text);
    };
    const double step = std::fabs(frame.PriceOfY(frame.Top()) - frame.PriceOfY(frame.Bottom())) /
                        std::max(1.0, frame.Bottom() - frame.Top());
    tag(QString::fromStdString(prices::FormatPrice(m_readout.price, step)), {x, y}, true);
    tag(QStringLiteral("%1\u00B0").arg(m_readout.degree, 0, 'f', 1), {x, y + metrics.height() + 4},
        true);
    const bool withClock =
        m_series->intraday || frame.Window().timeRight - frame.Window().timeLeft < 3.0 * 86400.0;
    tag(QString::fromStdString(prices::FormatBarTime(m_readout.time, withClock)), {x, y}, false);
}

void CPriceChartView::Dragged(QPointF from, QPointF to) {
    PreviewWindow(prices::PanWindow(Frame(), from.x(), from.y(), to.x(), to.y()));
}

void CPriceChartView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) FitAll();
}

void CPriceChartView::Wheeled(QPointF at, double notches, Qt::KeyboardModifiers keys) {
    const double factor = std::pow(kZoomStep, notches);
    const prices::CChartFrame frame = Frame();
    const bool overPriceAxis = at.x() > frame.Right();
    const bool prices = (keys & (Qt::ShiftModifier | Qt::ControlModifier)) || overPriceAxis;
    const bool times = !(keys & Qt::ShiftModifier) && !overPriceAxis;
    PreviewWindow(Moved(prices::ZoomWindow(frame, at.x(), at.y(), factor, times, prices), prices));
}

void CPriceChartView::keyPressEvent(QKeyEvent* event) {
    const prices::CChartFrame frame = Frame();
    const double cx = (frame.Left() + frame.Right()) / 2, cy = (frame.Top() + frame.Bottom()) / 2;
    const double dx = (frame.Right() - frame.Left()) * kPanShare;
    const double dy = (frame.Bottom() - frame.Top()) * kPanShare;
    const bool prices = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
        // An arrow brings what lies that way into view.
        case Qt::Key_Left:
            PanBy(cx, cy, cx + dx, cy);
            return;
        case Qt::Key_Right:
            PanBy(cx, cy, cx - dx, cy);
            return;
        case Qt::Key_Up:
            PanBy(cx, cy, cx, cy + dy);
            return;
        case Qt::Key_Down:
            PanBy(cx, cy, cx, cy - dy);
            return;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomAtCenter(kZoomStep, !prices, prices);
            return;
        case Qt::Key_Minus:
            ZoomAtCenter(1.0 / kZoomStep, !prices, prices);
            return;
        case Qt::Key_Home:
            FitAll();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}
