#pragma once
// The price chart window of a bar file: the chart with a panel of its choices (bar style,
// axis, frame, positions, bodies and their colours, units per circle, offset, harmonics, the
// sky's events and retrograde spans), the crosshair's readout in the status bar, print, print
// preview, export and copy. Its choices are remembered for the file. A top-level window of its
// own, like the Events window.
//
// A large file is read by a worker thread while the window shows its progress and a Cancel
// button; the sky's events are found by another, so neither holds up the program.
#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "app/chart_printing.h"
#include "app/price_chart_settings.h"
#include "ephemeris/position_source.h"
#include "prices/ohlc_reader.h"
#include "prices/price_chart.h"
#include "prices/sky_markers.h"

class CPriceChartView;
class QCheckBox;
class QDockWidget;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPrinter;
class QProgressBar;
class QPushButton;
class QActionGroup;
class QAction;

namespace caelvane {
class CQtHostServices;
}

class CPriceChartWindow : public QMainWindow {
    Q_OBJECT
public:
    // Shows `series`, read from `path` (null: the window waits for StartReading);
    // choices come from and go to `store` (may be null). Messages go through `host`.
    // `parent` ends the window with it. Positions come from `source` until the user chooses
    // otherwise for this file.
    CPriceChartWindow(std::shared_ptr<const prices::PriceSeries> series, const QString& path,
                      CPriceChartSettingsStore* store, caelvane::CQtHostServices& host,
                      QWidget* parent, PositionSource source = kDefaultPositionSource);
    ~CPriceChartWindow() override;

    CPriceChartView* View() const { return m_view; }
    const QString& DataPath() const { return m_path; }

    // Reads the file in a worker, showing its progress; when it is read the chart appears,
    // when it cannot be (or is cancelled) the window closes, after saying why unless
    // `quietIfNoBars` and the file holds no bars.
    void StartReading(bool quietIfNoBars);
    bool Reading() const { return m_reading.joinable() || m_readPending; }
    // Stops the reading as Cancel does.
    void CancelReading();
    // The status bar's note on the file ("rows newest first, shown in time order"), or "".
    QString FileNote() const;
    // Notes what a reading of the file tells about it (rows newest first).
    void NoteReading(const prices::ReadReport& report);
    // The status bar's note on the positions in use.
    QString SourceNote() const;

    // The sky's events on the chart: the kinds and bodies (codes of the frame on show) whose
    // events are marked, and the bodies whose retrograde motion is shaded (geocentric codes).
    void SetSkyEvents(events::KindSet kinds, const std::vector<int>& bodies,
                      const std::vector<int>& retrograde);
    // Whether a search for them is under way, and what the last one found.
    bool SearchingSky() const { return m_finding.joinable() || m_skyPending; }
    const prices::SkyMarkers& Sky() const { return m_sky; }
    // The panel's line on the events ("12 events, 3 retrograde spans", an error, "").
    QString SkyMessage() const;

    // The toggles of the View menu.
    QAction* FitPricesAction() const { return m_fitAction; }
    QAction* TradingDaysAction() const { return m_tradingAction; }
    QAction* VolumeAction() const { return m_volumeAction; }
    QAction* LineLabelsAction() const { return m_labelsAction; }
    void SetLegend(prices::LegendPlace place);

signals:
    // Reading ended: the chart shows the file (true) or the window is closing (false).
    void readingFinished(bool shown);
    void skySearchFinished();

public:
    // The panel's choices as the chart uses them.
    const prices::ChartOptions& Options() const;
    // Sets a body's colour as the colour dialog does.
    void SetBodyColor(const QString& name, COLORREF color);
    // The panel's note on a refused value ("" when all is well).
    QString PanelMessage() const;
    // The status bar's readout of the crosshair ("" while it shows the hint).
    QString ReadoutText() const;

    // Writes the chart as the window shows it to `path`: PNG, SVG or PDF by its suffix, of
    // `size` pixels (the view's when empty). On failure the message names the file, and the
    // file is untouched.
    bool ExportTo(const QString& path, QSize size, QString& error) const;
    // Draws the chart on the printer's page, scaled to fill it.
    void PrintTo(QPrinter& printer) const;
    // Keeps the choices and the window for the file now.
    void SaveSettings();

    // The window's own printer, landscape unless the user chose otherwise.
    QPrinter& Printer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildPanel();
    void BuildSkyPanel();
    void FillEventBodies();
    void BuildMenus();
    // Shows the series read: the choices kept for the file, the bodies, the chart.
    void ShowSeries(std::shared_ptr<const prices::PriceSeries> series);
    void ReadingDone(std::shared_ptr<prices::PriceSeries> series, prices::ReadReport report);
    void UpdateSourceNote();
    void FindSky();
    void SkyFound(int generation, prices::SkyMarkers found);
    void JoinWorkers();
    // The bodies of the frame on show, checked as in `checked` (by name) or as they were.
    void FillBodies(std::map<QString, bool> checked);
    void Apply(const PriceChartSettings* restored = nullptr);
    prices::ChartOptions PanelOptions() const;
    void ApplyLogScale(bool on);
    void ApplyHarmonics();
    void ChooseColor(QListWidgetItem* item);
    void ShowPanelMessage(const QString& text);
    void OnExport();
    void OnCopy();

    std::shared_ptr<const prices::PriceSeries> m_series;
    QString m_path;
    CPriceChartSettingsStore* m_store;
    caelvane::CQtHostServices& m_host;
    std::vector<double> m_harmonics{0.0};
    // Colours the user chose, by body name, kept across frames.
    std::map<QString, COLORREF> m_colors;
    bool m_saved = false;
    CChartPrinting m_printing;

    CPriceChartView* m_view = nullptr;
    QComboBox* m_style = nullptr;
    QCheckBox* m_log = nullptr;
    std::vector<QCheckBox*> m_panes;  // in the order of prices::PaneKinds()
    QComboBox* m_frame = nullptr;
    QComboBox* m_source = nullptr;
    QListWidget* m_bodies = nullptr;
    QDoubleSpinBox* m_units = nullptr;
    QDoubleSpinBox* m_offset = nullptr;
    QLineEdit* m_harmonicsEdit = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_readout = nullptr;
    QDockWidget* m_panelDock = nullptr;
    QDockWidget* m_skyDock = nullptr;
    QLabel* m_fileNote = nullptr;
    QLabel* m_sourceNote = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QAction* m_fitAction = nullptr;
    QAction* m_tradingAction = nullptr;
    QAction* m_volumeAction = nullptr;
    QAction* m_labelsAction = nullptr;
    QActionGroup* m_legendGroup = nullptr;
    prices::LegendPlace m_legend = prices::LegendPlace::Auto;

    // Reading the file.
    std::thread m_reading;
    std::shared_ptr<std::atomic<bool>> m_cancelReading;
    bool m_readPending = false;  // read, not yet shown
    bool m_quietIfNoBars = false;

    // The sky's events.
    QListWidget* m_eventKinds = nullptr;
    QListWidget* m_eventBodies = nullptr;
    QListWidget* m_retrograde = nullptr;
    QLabel* m_skyMessage = nullptr;
    QTimer m_skyDelay;  // a burst of clicks starts one search
    std::thread m_finding;
    std::shared_ptr<std::atomic<bool>> m_cancelFinding;
    int m_skyGeneration = 0;
    bool m_skyPending = false;
    prices::SkyMarkers m_sky;
};

// The source a price chart takes when the user chose none: the precise one where the build has
// it, else the series. `chosen` is the program-wide choice when the user made one.
PositionSource PriceChartSource(std::optional<PositionSource> chosen);

// A file at least this large (or no regular file) is read in a worker, behind progress.
inline constexpr qint64 kReadInWorkerBytes = qint64{4} << 20;

// Opens the bar file at `path` in a price chart window over `parent`, or raises the one that
// shows it already. A file that cannot be read is reported through `host`; when a row is at
// fault the user may keep the good rows, and is told how many were left out. With
// `onlyIfBars`, a file that holds no bars at all (a text file of notes dropped with others) is
// passed over without a word. nullptr when nothing was opened.
CPriceChartWindow* OpenPriceChart(const QString& path, CPriceChartSettingsStore* store,
                                  caelvane::CQtHostServices& host, QWidget* parent,
                                  PositionSource source = kDefaultPositionSource,
                                  bool onlyIfBars = false);

// Whether `path` names a file that opens as prices (.csv, .txt) rather than as a job.
bool IsPriceFileName(const QString& path);
// Whether it is a .txt file: dropped, it opens as prices only when it holds bars.
bool IsTextFileName(const QString& path);
