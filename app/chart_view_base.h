#pragma once
// What the chart views (price chart, sky chart) share: the chart drawn into a pixmap of the
// screen's own pixels, kept while nothing changes, with the crosshair painted over it (a moving
// mouse never redraws the chart); dragging and the wheel; and the rest timer.
//
// While the mouse drags or the wheel turns the view is moving. A view that redraws while
// moving draws each frame without antialiasing (cheap: the samples of the columns already seen
// are kept); one that does not shows its last drawing moved. kRestMs after the last move, or
// when the mouse lets go, the chart is drawn again, antialiased.
#include <QPixmap>
#include <QPointF>
#include <QTimer>
#include <QWidget>
#include <optional>

class CDrawingDevice;

class CChartViewBase : public QWidget {
    Q_OBJECT
public:
    // A dragging mouse or a wheel that rests this long has the chart drawn where it is.
    static constexpr int kRestMs = 150;
    // One wheel notch or key press zooms by this factor.
    static constexpr double kZoomStep = 0.8;

    explicit CChartViewBase(QWidget* parent = nullptr);

    // Draws the chart as the screen shows it on `device` over a surface of width x height
    // pixels (print, export), with its own cache so that the screen's stays as it is.
    virtual void DrawOn(CDrawingDevice& device, int width, int height) const = 0;

    // How many times the chart itself has been drawn (not the crosshair), for the tests.
    int ChartDraws() const { return m_chartDraws; }
    // Whether a drag or the wheel is under way (not yet drawn antialiased where it went).
    bool Moving() const { return m_moving; }
    std::optional<QPointF> Crosshair() const { return m_crosshair; }
    // The crosshair at pixel `point`, or none.
    void SetCrosshair(std::optional<QPointF> point);

protected:
    // Draws the whole chart on `painter` over the widget's size (the painter antialiases
    // unless `moving`; a device on it should follow `moving` too).
    virtual void DrawChart(QPainter& painter, bool moving) = 0;
    // Paints over the kept drawing each time the widget is painted (the crosshair).
    virtual void PaintOver(QPainter& painter) = 0;
    // The mouse dragged from `from` to `to`; the wheel turned `notches` (120ths of a turn
    // over 120) at `at`.
    virtual void Dragged(QPointF from, QPointF to) = 0;
    virtual void Wheeled(QPointF at, double notches, Qt::KeyboardModifiers keys) = 0;
    // The crosshair moved (or left).
    virtual void CrosshairMoved() {}
    // The drag or wheel came to rest; the chart is already marked to be drawn anew.
    virtual void Rested() {}
    // The chart was just drawn into the pixmap.
    virtual void Drawn() {}
    // Whether frames are drawn while moving (else the last drawing is shown, moved).
    virtual bool RedrawsWhileMoving() const { return true; }

    // The chart changed: drawn anew at the next paint, moving or not.
    void ChartChanged();
    // A drag or wheel step: moving until kRestMs pass without another.
    void StartMoving();
    // Ends the move now (the mouse let go).
    void Rest();
    const QPixmap& Drawing() const { return m_pixmap; }
    bool Dragging() const { return m_dragFrom.has_value(); }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap m_pixmap;
    bool m_stale = true;
    bool m_moving = false;
    int m_chartDraws = 0;
    std::optional<QPointF> m_dragFrom;
    std::optional<QPointF> m_crosshair;
    QTimer m_rest;
};
