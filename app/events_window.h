#pragma once
// The Events window of a job: the sky events of its dates (aspects with its significant angles,
// ingresses, stations, lunations, eclipses, and transits to a natal chart the user chooses) in a
// sortable, filterable table. A double click
// shows that day's page in the job's views; the list exports to CSV and iCalendar.
//
// The search runs on a worker thread with a progress line and a Cancel button in the window;
// the table is a model over the found events themselves, sorted and filtered as a list of row
// numbers, so that a century of events (half a million) shows at once.
#include <QAbstractTableModel>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "events/event_finder.h"

class CCaelvaneDoc;
class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;
class QToolButton;

// The table of events: one row per event that passes the filters, in the chosen order.
class CEventsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Columns of the table. Body 1 and Body 2 in the order the event's summary names them.
    enum Column {
        kTime,
        kKind,
        kFrame,
        kBody1,
        kBody2,
        kAngle,
        kSign,
        kDetail,
        kSummary,
        kColumns
    };

    // Bodies by their place in the body table (Sun 0, Moon 1, Mercury 2, ... Chiron 12).
    static constexpr int kBodyCount = static_cast<int>(::kBodyCount);
    static const char* BodyNameAt(int index);
    // The body-table place of a code of either frame, -1 for none.
    static int BodyIndex(int code);

    explicit CEventsTableModel(QObject* parent = nullptr);

    // Takes a search's events (in time order) and shows those that pass the filters, in the
    // order chosen last.
    void SetEvents(std::vector<events::SkyEvent> events);
    const std::vector<events::SkyEvent>& Events() const { return m_events; }
    // The event on a row.
    const events::SkyEvent& EventAt(int row) const;

    // Rows of these kinds only.
    void SetKinds(events::KindSet kinds);
    events::KindSet Kinds() const { return m_kinds; }
    // Rows naming at least one of these bodies (bits by body-table place); all bits: any row.
    void SetBodies(unsigned bodies);
    unsigned Bodies() const { return m_bodies; }
    static constexpr unsigned kAllBodies = (1u << kBodyCount) - 1;
    // -1 both frames, else the Frame's value.
    void SetFrame(int frame);
    void SetLocalTimes(bool local);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Orders the list on a column; events that compare equal stay in time order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void Order();
    void Filter();

    std::vector<events::SkyEvent> m_events;
    std::vector<int> m_order;  // every event, in the chosen order
    std::vector<int> m_rows;   // those of m_order that pass the filters
    int m_sortColumn = kTime;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    events::KindSet m_kinds = events::kAllKinds;
    unsigned m_bodies = kAllBodies;
    int m_frame = -1;
    bool m_local = false;
};

class CEventsWindow : public QWidget {
    Q_OBJECT
public:
    using Column = CEventsTableModel::Column;
    static constexpr Column kTime = CEventsTableModel::kTime;
    static constexpr Column kSummary = CEventsTableModel::kSummary;
    static constexpr Column kAngle = CEventsTableModel::kAngle;
    static constexpr Column kBody1 = CEventsTableModel::kBody1;
    static constexpr Column kBody2 = CEventsTableModel::kBody2;

    // A top-level window over `doc`; `parent` (the job's view) ends it with the view. Positions
    // come from `source` when the user chose one for the program, otherwise from the precise
    // source where its data files are present.
    CEventsWindow(CCaelvaneDoc& doc, QWidget* parent,
                  std::optional<PositionSource> source = std::nullopt);
    ~CEventsWindow() override;

    // Searches the dates and options on show; with `wait`, returns when the search is done
    // (tests), otherwise at once, with its progress in the window.
    void Search(bool wait = false);
    // Asks a running search to stop; the list stays as it was.
    void Cancel();
    // Whether a search is running.
    bool Searching() const { return m_worker.joinable(); }
    // The source the dates are searched with.
    PositionSource Source() const;
    void SetSource(PositionSource source);

    // The events found, in time order, and the table as filtered and sorted.
    const std::vector<events::SkyEvent>& Events() const { return m_model->Events(); }
    QTableView* Table() const { return m_table; }
    CEventsTableModel* Rows() const { return m_model; }
    // The events of the rows on show, in row order.
    std::vector<events::SkyEvent> ShownEvents() const;
    // Shows `events` (in time order) as a finished search would.
    void ShowEvents(std::vector<events::SkyEvent> events);

    // The filters: kinds (bits by EventKind), bodies by name (empty: all), a frame (-1 both);
    // local times or UTC.
    void SetKindFilter(events::KindSet kinds);
    void SetBodyFilter(const QStringList& bodies);
    void SetFrameFilter(int frame);
    void SetLocalTimes(bool local);
    void SetRange(const QDate& from, const QDate& to);

    // The natal chart whose points the next searches find transits to: the chart named `name`
    // in the horoscope file `path` (the file's only chart when `name` is empty). False, with a
    // message naming the file or the name, and the chart before kept, when it cannot be had.
    bool SetNatalChart(const QString& path, const QString& name, QString& error);
    // No chart: no transits.
    void ClearNatalChart();
    // The chart's name, empty without one.
    QString NatalChartName() const { return m_natalName; }
    QToolButton* NatalButton() const { return m_natalButton; }
    QDateEdit* FromEdit() const { return m_from; }
    QDateEdit* ToEdit() const { return m_to; }
    QPushButton* CancelButton() const { return m_cancelButton; }

    // Shows the day of the event in row `row` in the job's views (double click). False, with
    // a note in the window, when the job has no page for that day.
    bool GoToRow(int row);
    // Writes the rows on show to `path`: CSV, or iCalendar when `calendar`. On failure the
    // message names the file and the file is untouched.
    bool ExportTo(const QString& path, bool calendar, QString& error) const;

    // The note line: the count of events and the source of the positions, or what went wrong.
    QString Note() const;

signals:
    void searchFinished();

private:
    void OnSearchDone(bool cancelled, const QString& failure);
    void Export(bool calendar);
    void FitOnScreen();
    QMenu* CheckMenu(QToolButton* button, const QStringList& names);
    static void CheckAll(QMenu* menu, QAction* chosen);
    void ShowFilterChoices();
    void ChooseNatalChart();
    // The note: how many events the search found, how many show, and the positions' source.
    void ShowCount();

    CCaelvaneDoc& m_doc;
    std::vector<double> m_angles;
    std::vector<events::NatalPoint> m_natalPoints;
    QString m_natalName;
    std::vector<events::SkyEvent> m_pending;
    std::string m_searchDescription;  // the source of the search running
    std::string m_shownDescription;   // and of the events on show
    int m_preferredWidth = 1000;      // every column at its width, the Event column's widest line

    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QComboBox* m_source = nullptr;
    QToolButton* m_kindButton = nullptr;
    QToolButton* m_bodyButton = nullptr;
    QToolButton* m_natalButton = nullptr;
    QMenu* m_kindMenu = nullptr;
    QMenu* m_bodyMenu = nullptr;
    QComboBox* m_frame = nullptr;
    QCheckBox* m_local = nullptr;
    QPushButton* m_find = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_note = nullptr;
    QTableView* m_table = nullptr;
    CEventsTableModel* m_model = nullptr;

    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_permille{0};
};

// Opens the Events window of `doc` over `view` (the active view of the job), with the
// program's choice of positions if the user made one.
CEventsWindow* OpenEventsWindow(CCaelvaneDoc& doc, QWidget* view,
                                std::optional<PositionSource> source = std::nullopt);
