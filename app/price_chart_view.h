#pragma once
// The price chart on screen. It paints through DrawPriceChart, as print and export do, into a
// pixmap that is redrawn only when the window, the options or the size change; the crosshair
// is painted over it, so a moving mouse never redraws the chart.
//
// A pan or a zoom moves and stretches everything in the plot alike along each axis, so while
// the mouse drags or the wheel turns, the plot of the last drawing is shown moved and
// stretched, at once, however many lines the chart has; the chart is drawn anew when the
// mouse rests or lets go.
//
// Mouse: the wheel zooms the dates about the cursor; with Ctrl both axes; with Shift, or over
// the price axis, the prices only. Dragging pans both axes; a double click fits everything.
// Keys: arrows pan, + and - zoom the dates, Ctrl with + and - zoom the prices, Home fits all.
//
// While the price axis is fitted (the default), every zoom and pan fits the prices to the bars
// in view, with a margin; zooming the prices by hand locks the axis where the user put it, as
// trading platforms do, until fitting is turned on again.
#include <QPointF>
#include <QString>
#include <QTransform>
#include <memory>
#include <optional>

#include "app/chart_view_base.h"
#include "app/price_readout.h"
#include "prices/price_chart.h"

class CPriceChartView : public CChartViewBase {
    Q_OBJECT
public:
    // How to move about, for the status bar while the mouse is off the chart (a tool tip
    // would cover the chart whenever the mouse rests).
    static QString Hint();

    // One arrow key pans by this share of the plot.
    static constexpr double kPanShare = 0.1;

    explicit CPriceChartView(QWidget* parent = nullptr);

    void SetSeries(std::shared_ptr<const prices::PriceSeries> series);
    bool HasSeries() const { return !m_series->bars.empty(); }
    const prices::PriceSeries& Series() const { return *m_series; }

    // Options and window take effect at once.
    void SetOptions(const prices::ChartOptions& options);
    const prices::ChartOptions& Options() const { return m_options; }
    void SetChartWindow(const prices::ChartWindow& window);
    const prices::ChartWindow& ChartWindow() const { return m_window; }
    // The frame of the widget's current size.
    prices::CChartFrame Frame() const;
    // The frame of a surface of that size showing `window`, with the view's axis and panes.
    prices::CChartFrame FrameOf(int width, int height, const prices::ChartWindow& window) const;

    // Whether every zoom and pan fits the prices to the bars in view.
    void SetFitPrices(bool on);
    bool FitPrices() const { return m_fitPrices; }
    // Daily bars one after the other, without the gaps of weekends and holidays.
    void SetTradingDays(bool on);
    bool TradingDays() const { return m_tradingAxis != nullptr; }

    void FitAll();
    void ZoomAt(double x, double y, double factor, bool times, bool prices);
    void ZoomAtCenter(double factor, bool times, bool prices);
    void PanBy(double fromX, double fromY, double toX, double toY);

    // What the crosshair reads.
    const pricewin::ChartReadout& Readout() const { return m_readout; }
    QString ReadoutText() const { return m_readoutText; }

    void DrawOn(CDrawingDevice& device, int width, int height) const override;

    // Whether the last drawing is shown moved (a drag or wheel not yet drawn), and how: the
    // map from its pixels to the window's.
    bool Previewing() const { return Moving(); }
    QTransform PreviewTransform() const;

signals:
    void readoutChanged(const QString& text);
    // Fitting the prices was turned on or off, by the user's hand on the price axis too.
    void fitPricesChanged(bool on);

protected:
    void DrawChart(QPainter& painter, bool moving) override;
    void PaintOver(QPainter& painter) override;
    void Dragged(QPointF from, QPointF to) override;
    void Wheeled(QPointF at, double notches, Qt::KeyboardModifiers keys) override;
    void CrosshairMoved() override { UpdateReadout(); }
    void Rested() override { UpdateReadout(); }
    void Drawn() override { m_drawnWindow = m_window; }
    // A drag or the wheel shows the last drawing moved and stretched, however many lines the
    // chart has.
    bool RedrawsWhileMoving() const override { return false; }
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Changed();
    // The window moved by the mouse: shown at once from the last drawing, drawn on rest.
    void PreviewWindow(const prices::ChartWindow& window);
    void UpdateReadout();
    void PaintCrosshair(QPainter& painter, const prices::CChartFrame& frame) const;
    // `window` with its prices fitted to the bars in it while the axis is fitted.
    prices::ChartWindow Fitted(const prices::ChartWindow& window) const;
    // A zoom or pan of the user's: locks the price axis when it moved the prices alone.
    prices::ChartWindow Moved(const prices::ChartWindow& window, bool pricesByHand);

    std::shared_ptr<const prices::PriceSeries> m_series;
    prices::ChartOptions m_options;
    prices::ChartWindow m_window;
    prices::ChartCache m_cache;

    pricewin::ChartReadout m_readout;
    QString m_readoutText;
    prices::ChartWindow m_drawnWindow;  // what the pixmap shows
    bool m_fitPrices = true;
    std::unique_ptr<prices::CTradingAxis> m_tradingAxis;
};
