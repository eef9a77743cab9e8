#pragma once
// The natal wheel on screen. It paints through DrawNatalWheel on the Qt painter device, as
// print, export and the command line do: the whole drawing (a surface of the wheel's own
// layout, 1000 x 1480 pixels by default) scaled to fit the widget and centred, as vectors, so
// that it is sharp at any size.
#include <QWidget>
#include <optional>

#include "natal/natal_wheel.h"

class CNatalWheelView : public QWidget {
    Q_OBJECT
public:
    explicit CNatalWheelView(QWidget* parent = nullptr);

    // What is drawn; no chart draws an empty page with `emptyText`.
    void SetChart(std::optional<natal::NatalChart> chart, natal::SecondRing ring);
    void SetOptions(const natal::WheelOptions& options);
    void SetEmptyText(const QString& text);

    const std::optional<natal::NatalChart>& Chart() const { return m_chart; }
    const natal::SecondRing& Ring() const { return m_ring; }
    const natal::WheelOptions& Options() const { return m_options; }

    // Draws the wheel on `device` (Begin and End included) over the options' surface.
    void DrawOn(CDrawingDevice& device) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<natal::NatalChart> m_chart;
    natal::SecondRing m_ring;
    natal::WheelOptions m_options;
    QString m_emptyText;
};
