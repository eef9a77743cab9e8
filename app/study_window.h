#pragma once
// The Event Study window: a price file and a choice of sky events, studied in the background
// (progress, Cancel); a sortable table of the groups filtered by q and by kind; for the chosen
// row the average path around its events with the band of the random draws, the histogram of
// its forward returns against every bar's, and the list of its events. The table exports as
// CSV, the plots as PNG, SVG or PDF.
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>

#include "ephemeris/position_source.h"
#include "events/sky_event.h"
#include "study/event_study.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class CStudyTableModel;
class CStudyFilter;
class CStudyPlotView;

// One study, as the window ran it: what the plots and exports need.
struct StudyRun {
    study::StudyBars bars;
    study::StudyResult result;
    std::string priceName;
    std::string pricePath;
    PositionSource source = PositionSource::Series;
    std::size_t events = 0;
    bool bothFrames = false;
};

class CStudyWindow : public QWidget {
    Q_OBJECT
public:
    // Columns of the table.
    enum Column { kGroup, kPeriod, kHorizon, kN, kMean, kExcess, kHit, kBaseHit, kT, kP, kQ };

    CStudyWindow(PositionSource source, QWidget* parent);
    ~CStudyWindow() override;

    // The choices the Run button takes.
    void SetPriceFile(const QString& path);
    void SetKinds(events::KindSet kinds);
    void SetDraws(int draws);
    void SetSplit(const QDate& date);  // invalid: none

    // Shows the event of row `row` of the event list on a price chart of the study's file
    // (double click): emits eventChosen. False when there is no such row.
    bool ChooseEvent(int row);

    // Starts the study; with `wait`, returns when it is done (tests).
    void Run(bool wait = false);
    void Cancel();
    bool Running() const { return m_worker.joinable(); }
    // The last finished study, or none.
    const StudyRun* Study() const { return m_run.get(); }
    QString Note() const;

    QTableView* Table() const { return m_table; }
    int ShownRows() const;
    // The filters: rows with q at most `maxQ` (1: every row, untested ones too); a kind (-1 all).
    void SetQFilter(double maxQ);
    void SetKindFilter(int kind);
    // Shows the plots and events of the row on show at `proxyRow`.
    void SelectRow(int proxyRow);
    // The chosen row's average path (empty before a row is chosen).
    const study::AveragePath& Path() const { return m_path; }

    // The table as CSV; the plots as PNG, SVG or PDF by the name's ending (the path plot at
    // `path`, the histogram beside it with "-histogram" before the ending).
    bool ExportTable(const QString& path, QString& error) const;
    bool ExportPlots(const QString& path, QString& error) const;

signals:
    // An event to show on the price chart of `priceFile`, at `unixSeconds` UT.
    void eventChosen(const QString& priceFile, double unixSeconds);
    void studyFinished();

private:
    void OnDone(std::shared_ptr<StudyRun> run, QString error, bool cancelled);
    void ShowRow(int group, int period, int horizon);
    void Browse();
    void AskExportTable();
    void AskExportPlots();

    PositionSource m_source;
    QLineEdit* m_file = nullptr;
    QCheckBox* m_kinds[events::kKindCount] = {};  // by kind; none for the transit
    QLineEdit* m_bodies = nullptr;
    QComboBox* m_frame = nullptr;
    QLineEdit* m_horizons = nullptr;
    QCheckBox* m_splitOn = nullptr;
    QDateEdit* m_split = nullptr;
    QSpinBox* m_draws = nullptr;
    QSpinBox* m_seed = nullptr;
    QComboBox* m_control = nullptr;
    QCheckBox* m_bySign = nullptr;
    QPushButton* m_runButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_note = nullptr;
    QDoubleSpinBox* m_maxQ = nullptr;
    QComboBox* m_kindFilter = nullptr;
    QTableView* m_table = nullptr;
    CStudyTableModel* m_model = nullptr;
    CStudyFilter* m_filter = nullptr;
    CStudyPlotView* m_pathView = nullptr;
    CStudyPlotView* m_histogramView = nullptr;
    QListWidget* m_events = nullptr;
    QLabel* m_recent = nullptr;

    std::shared_ptr<StudyRun> m_run;
    study::AveragePath m_path;
    std::vector<double> m_rowReturns, m_rowBaseline;
    std::string m_pathTitle, m_histogramTitle;

    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_percent{0};
};

// Opens an Event Study window over `parent`, with the program's position source.
CStudyWindow* OpenStudyWindow(PositionSource source, QWidget* parent);
