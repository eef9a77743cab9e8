#pragma once
// The price chart window of a bar file: the chart with a panel of its choices (bar style,
// axis, frame, positions, bodies and their colours, units per circle, offset, harmonics), the
// crosshair's readout in the status bar, print, print preview, export and copy. Its choices
// are remembered for the file. A top-level window of its own, like the Events window.
#include <QMainWindow>
#include <QString>
#include <map>
#include <memory>

#include "app/price_chart_settings.h"
#include "ephemeris/position_source.h"
#include "prices/price_chart.h"

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

namespace caelvane {
class CQtHostServices;
}

class CPriceChartWindow : public QMainWindow {
    Q_OBJECT
public:
    // Shows `series`, read from `path`; choices come from and go to `store` (may be null).
    // Messages go through `host`. `parent` ends the window with it.
    // Positions come from `source` until the user chooses otherwise for this file.
    CPriceChartWindow(std::shared_ptr<const prices::PriceSeries> series, const QString& path,
                      CPriceChartSettingsStore* store, caelvane::CQtHostServices& host,
                      QWidget* parent, PositionSource source = kDefaultPositionSource);
    ~CPriceChartWindow() override;

    CPriceChartView* View() const { return m_view; }
    const QString& DataPath() const { return m_path; }

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
    void BuildMenus();
    // The bodies of the frame on show, checked as in `checked` (by name) or as they were.
    void FillBodies(std::map<QString, bool> checked);
    void Apply(const PriceChartSettings* restored = nullptr);
    prices::ChartOptions PanelOptions() const;
    void ApplyLogScale(bool on);
    void ApplyHarmonics();
    void ChooseColor(QListWidgetItem* item);
    void ShowPanelMessage(const QString& text);
    void OnExport();
    void OnPrint();
    void OnPrintPreview();
    void OnCopy();

    std::shared_ptr<const prices::PriceSeries> m_series;
    QString m_path;
    CPriceChartSettingsStore* m_store;
    caelvane::CQtHostServices& m_host;
    std::vector<double> m_harmonics{0.0};
    // Colours the user chose, by body name, kept across frames.
    std::map<QString, COLORREF> m_colors;
    bool m_saved = false;
    std::unique_ptr<QPrinter> m_printer;

    CPriceChartView* m_view = nullptr;
    QComboBox* m_style = nullptr;
    QCheckBox* m_log = nullptr;
    QComboBox* m_frame = nullptr;
    QComboBox* m_source = nullptr;
    QListWidget* m_bodies = nullptr;
    QDoubleSpinBox* m_units = nullptr;
    QDoubleSpinBox* m_offset = nullptr;
    QLineEdit* m_harmonicsEdit = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_readout = nullptr;
    QDockWidget* m_panelDock = nullptr;
};

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
