#pragma once
// The horoscope window of a chart file: the list of its charts (add, edit, duplicate, delete,
// each change written to the file at once, atomically), the natal wheel of the chart chosen,
// and a second ring of transits at a moment (now at first), secondary progressions or solar
// arc directions for a date, stepped by minute, hour, day or month with keys. Print, print
// preview, export (PNG, SVG, PDF: the command line's writers) and copy. A top-level window of
// its own, like the price chart window. Positions come from the precise source; the status bar
// says which data it used.
#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/chart_printing.h"
#include "natal/horoscope.h"
#include "natal/natal_wheel.h"

class CNatalWheelView;
class QActionGroup;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QListWidget;
class QPrinter;
class QScrollArea;
class QSettings;

namespace caelvane {
class CQtHostServices;
}

class CNatalWindow : public QMainWindow {
    Q_OBJECT
public:
    // Asks for the name of a file to save the charts to; empty when cancelled.
    using SaveNamePrompt = std::function<QString(QWidget* parent, const QString& suggested)>;

    // The charts of `path` (empty: a new list not yet saved). Messages go through `host`.
    CNatalWindow(std::vector<natal::Horoscope> charts, const QString& path,
                 caelvane::CQtHostServices& host, QWidget* parent, SaveNamePrompt askSaveName = {});
    ~CNatalWindow() override;

    const QString& FilePath() const { return m_path; }
    const std::vector<natal::Horoscope>& Charts() const { return m_charts; }
    // Changes not yet in the file (a new list, or a save that failed).
    bool IsModified() const { return isWindowModified(); }
    CNatalWheelView* View() const { return m_view; }

    // The chart shown (-1: none) and choosing one.
    int CurrentChart() const;
    void SelectChart(int row);

    // The list's commands. Each writes the file when the window has one; false (the user told
    // why) when it could not be written: the change then stays in the window, marked.
    // Add and Edit open the entries dialog; the others act on the chart shown.
    void OnAddChart();
    void OnEditChart();
    bool AddChart(const natal::Horoscope& horoscope);
    bool ReplaceChart(int row, const natal::Horoscope& horoscope);
    bool DuplicateChart(int row);
    // Asks first when `ask`.
    bool DeleteChart(int row, bool ask = true);
    // Save asks for a name when the window has none yet.
    bool Save();
    bool SaveAs(const QString& path);

    // The second ring: its kind and moment (UTC, seconds since 1970), and the steps.
    enum class Step { Minute, Hour, Day, Month };
    void SetRing(natal::RingKind kind);
    natal::RingKind Ring() const { return m_ringKind; }
    void SetRingMoment(std::int64_t utcSeconds);
    std::int64_t RingMoment() const { return m_ringUtc; }
    void StepRing(Step step, int count);
    // The key of each step, as the menus, the status bar and the help name them.
    static QString StepKeys();

    // The house system shown instead of the chart's own, or none.
    void SetHouseOverride(std::optional<natal::HouseSystem> system);
    std::optional<natal::HouseSystem> HouseOverride() const { return m_houseOverride; }
    void SetOrbs(const natal::OrbTable& orbs);
    // The profile that keeps the orb table and the Houses choice from one window to the next:
    // the window takes what it holds (a damaged value is passed over) and writes every change
    // there. Without one (the default) nothing is kept.
    void UseProfile(QSettings* profile);
    // Zooms the wheel by `factor` (scrolling when larger than the window); 0 fits the window.
    void Zoom(double factor);

    // The status bar's texts: the keys or the last problem, and the positions' source.
    QString StatusText() const;
    QString SourceText() const;

    // Writes the wheel as the window shows it to `path`: PNG, SVG or PDF by its suffix, the
    // command line's surface and writers. On failure the message names the file.
    bool ExportTo(const QString& path, QString& error) const;
    // Draws the wheel on the printer's page; false when there is none or the printer could not
    // be opened.
    bool PrintTo(QPrinter& printer) const;
    QPrinter& Printer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildPanel();
    void BuildMenus();
    void FillList();
    void UpdateTitle();
    void Recompute();
    void ShowStatus(const QString& text, bool problem);
    bool Commit(int select);
    void SyncRingControls();
    void OnExport();
    void OnCopy();
    void OnOrbs();
    void OnHelp();

    std::vector<natal::Horoscope> m_charts;
    QString m_path;
    caelvane::CQtHostServices& m_host;
    SaveNamePrompt m_askSaveName;
    natal::RingKind m_ringKind = natal::RingKind::None;
    std::int64_t m_ringUtc = 0;
    std::optional<natal::HouseSystem> m_houseOverride;
    QSettings* m_profile = nullptr;

    CNatalWheelView* m_view = nullptr;
    CChartPrinting m_printing{this, QPageLayout::Portrait,
                              [this](QPrinter& printer) { return PrintTo(printer); }};
    QScrollArea* m_scroll = nullptr;
    double m_zoom = 0.0;  // 0: fit the window
    QListWidget* m_list = nullptr;
    QComboBox* m_houses = nullptr;
    QComboBox* m_ring = nullptr;
    QDateTimeEdit* m_moment = nullptr;
    QActionGroup* m_ringActions = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_source = nullptr;
    QWidget* m_help = nullptr;
};

// Opens the chart file at `path` in a horoscope window over `parent`, or raises the one that
// shows it already. A file that cannot be read is reported through `host`, names the file and
// why, and is left as it is (no window opens, so nothing ever writes over it). nullptr when
// nothing was opened.
// A new window takes its orbs and Houses choice from `profile`, when given, and keeps them there.
CNatalWindow* OpenNatalWindow(const QString& path, caelvane::CQtHostServices& host, QWidget* parent,
                              CNatalWindow::SaveNamePrompt askSaveName = {},
                              QSettings* profile = nullptr);
// A window for a new list of charts, its entries dialog open for the first one unless
// `askFirst` is false.
CNatalWindow* NewNatalWindow(caelvane::CQtHostServices& host, QWidget* parent,
                             CNatalWindow::SaveNamePrompt askSaveName = {}, bool askFirst = true,
                             QSettings* profile = nullptr);
// The Open Horoscopes dialog; empty when cancelled.
QString AskHoroscopeFileName(QWidget* parent);
// Whether a file dropped or named on the command line is taken for a horoscope file (*.json).
bool IsHoroscopeFileName(const QString& path);
