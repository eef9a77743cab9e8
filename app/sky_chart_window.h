#pragma once
// The Sky Chart window: time across, the chosen bodies' longitudes folded on a dial, with
// panes of declination, latitude and speed under it (drawn by sky/sky_chart.h, as render-sky
// draws it). The side panel chooses the bodies, frame, source, dial, panes and event markers;
// the wheel zooms the dates about the mouse, a drag pans them, the crosshair reads the time
// and every body's longitude. Print, preview, export (PNG, SVG, PDF) and copy as an image.
//
// While the mouse drags or the wheel turns, every frame is drawn without antialiasing; the
// chart is drawn antialiased when the mouse rests (app/chart_view_base.h).
#include <QWidget>
#include <optional>

#include "app/chart_printing.h"
#include "app/chart_view_base.h"
#include "app/marker_search.h"
#include "sky/sky_chart.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSettings;

class CSkyChartView : public CChartViewBase {
    Q_OBJECT
public:
    explicit CSkyChartView(QWidget* parent = nullptr);

    void SetOptions(const sky::SkyChartOptions& options);
    const sky::SkyChartOptions& Options() const { return m_options; }
    void SetChartWindow(const prices::ChartWindow& window);
    const prices::ChartWindow& ChartWindow() const { return m_window; }
    prices::CChartFrame Frame() const;
    void ZoomAt(double x, double factor);
    void PanBy(double fromX, double toX);
    void DrawOn(CDrawingDevice& device, int width, int height) const override;

signals:
    void readoutChanged(const QString& text);
    // The dates shown changed and the mouse rests (or they were set).
    void windowSettled();

protected:
    void DrawChart(QPainter& painter, bool moving) override;
    void PaintOver(QPainter& painter) override;
    void Dragged(QPointF from, QPointF to) override;
    void Wheeled(QPointF at, double notches, Qt::KeyboardModifiers keys) override;
    void CrosshairMoved() override;
    void Rested() override;

private:
    sky::SkyChartOptions m_options;
    prices::ChartWindow m_window = sky::DialWindow(0.0, 86400.0 * 365, 360.0);
    mutable sky::SkyCache m_cache;
};

class CSkyChartWindow : public QWidget {
    Q_OBJECT
public:
    // A chart from `from` to `to` (UT seconds since 1970) with the job's hot spots as levels.
    // With a profile, the panel's choices are those the last window kept there, and each
    // change is kept there.
    CSkyChartWindow(double from, double to, std::vector<sky::SkyLevel> levels,
                    QWidget* parent = nullptr, QSettings* profile = nullptr);
    CSkyChartView* View() const { return m_view; }
    // The event markers' search: runs while the markers are on and the dates move past the
    // range last searched.
    CMarkerSearch& MarkerSearch() { return m_search; }
    void SetMarkersOn(bool on);

    bool ExportTo(const QString& path, QString& error);

private:
    void Apply();
    // Starts a search of the markers when they are on and the view has left what was searched.
    void SearchMarkers();
    void MarkersFound(const prices::SkyMarkers& found);
    void ShowStatus();
    void OnExport();
    void OnCopy();
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
    CMarkerSearch m_search;
    // The request of the markers shown or being found, and those found.
    std::optional<prices::SkyMarkerRequest> m_searched;
    prices::SkyMarkers m_found;
    bool m_searchFailed = false;
    QString m_markerNote;
    QSettings* m_profile;
    CChartPrinting m_printing;
    QString m_sourceNote;
};

// Opens a sky chart window over the range, the levels drawn across it.
CSkyChartWindow* OpenSkyChartWindow(double from, double to, std::vector<sky::SkyLevel> levels,
                                    QWidget* parent, QSettings* profile = nullptr);

// Asks for the dates of a new sky chart; false when the user cancels.
bool AskSkyRange(QWidget* parent, double& from, double& to);
// A job's hot spots as levels: those with a degree or a label.
std::vector<sky::SkyLevel> HotSpotLevels(const double degrees[4], const std::string labels[4]);
