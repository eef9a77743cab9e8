#pragma once
// The Sky Chart window: time across, the chosen bodies' longitudes folded on a dial, with
// panes of declination, latitude and speed under it (drawn by sky/sky_chart.h, as render-sky
// draws it). The side panel chooses the bodies, frame, source, dial, panes and event markers;
// the wheel zooms the dates about the mouse, a drag pans them, the crosshair reads the time
// and every body's longitude. Print, preview, export (PNG, SVG, PDF) and copy as an image.
//
// While the mouse drags or the wheel turns, every frame is drawn without antialiasing; the
// chart is drawn antialiased when the mouse rests.
#include <QPixmap>
#include <QPointF>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "sky/sky_chart.h"

class QCheckBox;
class QComboBox;
class QLabel;

class CSkyChartView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRestMs = 120;
    explicit CSkyChartView(QWidget* parent = nullptr);

    void SetOptions(const sky::SkyChartOptions& options);
    const sky::SkyChartOptions& Options() const { return m_options; }
    void SetChartWindow(const prices::ChartWindow& window);
    const prices::ChartWindow& ChartWindow() const { return m_window; }
    prices::CChartFrame Frame() const;
    void ZoomAt(double x, double factor);
    void PanBy(double fromX, double toX);
    // Draws the chart as shown on `device` over a surface of width x height pixels.
    void DrawOn(CDrawingDevice& device, int width, int height) const;
    int ChartDraws() const { return m_chartDraws; }
    // Whether the frames are those of a drag or a wheel, drawn without antialiasing.
    bool Moving() const { return m_previewing; }

signals:
    void readoutChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Changed();
    void Moved(const prices::ChartWindow& window);

    sky::SkyChartOptions m_options;
    prices::ChartWindow m_window = sky::DialWindow(0.0, 86400.0 * 365, 360.0);
    prices::ChartWindow m_drawnWindow = m_window;
    mutable sky::SkyCache m_cache;
    QPixmap m_pixmap;
    bool m_stale = true;
    bool m_previewing = false;
    int m_chartDraws = 0;
    std::optional<QPointF> m_dragFrom;
    std::optional<QPointF> m_crosshair;
    QTimer m_rest;
};

class CSkyChartWindow : public QWidget {
    Q_OBJECT
public:
    // A chart from `from` to `to` (UT seconds since 1970) with the job's hot spots as levels.
    CSkyChartWindow(double from, double to, std::vector<sky::SkyLevel> levels,
                    QWidget* parent = nullptr);
    CSkyChartView* View() const { return m_view; }

    bool ExportTo(const QString& path, QString& error);

private:
    void Apply();
    void OnExport();
    void OnCopy();
    void OnPrint(bool preview);
    void OnNatalPoints();

    CSkyChartView* m_view;
    std::vector<QCheckBox*> m_bodies;
    std::vector<QCheckBox*> m_panes;
    QComboBox* m_frame;
    QComboBox* m_source;
    QComboBox* m_dial;
    QCheckBox* m_events;
    QLabel* m_status;
    QLabel* m_readout;
    std::vector<sky::SkyLevel> m_jobLevels, m_natalLevels;
    double m_from, m_to;
};

// Opens a sky chart window over the range, the levels drawn across it.
CSkyChartWindow* OpenSkyChartWindow(double from, double to, std::vector<sky::SkyLevel> levels,
                                    QWidget* parent);

// Asks for the dates of a new sky chart; false when the user cancels.
bool AskSkyRange(QWidget* parent, double& from, double& to);
// A job's hot spots as levels: those with a degree or a label.
std::vector<sky::SkyLevel> HotSpotLevels(const double degrees[4], const std::string labels[4]);
