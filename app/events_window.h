#pragma once
// The Events window of a job: the sky events of its dates (aspects with its significant angles,
// ingresses, stations, lunations, eclipses) in a sortable, filterable table. A double click
// shows that day's page in the job's views; the list exports to CSV and iCalendar.
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "ephemeris/position_source.h"
#include "events/event_finder.h"

class CCaelvaneDoc;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QProgressDialog;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class CEventsFilter;

class CEventsWindow : public QWidget {
    Q_OBJECT
public:
    // Columns of the table.
    enum Column { kTime, kKind, kFrame, kBody1, kBody2, kAngle, kSign, kDetail, kSummary };

    // A top-level window over `doc`; `parent` (the job's view) ends it with the view.
    CEventsWindow(CCaelvaneDoc& doc, QWidget* parent);
    ~CEventsWindow() override;

    // Searches the dates and options on show; with `wait`, returns when the search is done
    // (tests), otherwise at once, showing progress if it takes a while.
    void Search(bool wait = false);
    // Whether a search is running.
    bool Searching() const { return m_worker.joinable(); }

    // The events found, in time order, and the table as filtered and sorted.
    const std::vector<caelvane::events::SkyEvent>& Events() const { return m_events; }
    QTableView* Table() const { return m_table; }
    QSortFilterProxyModel* Rows() const;
    // The events of the rows on show, in row order.
    std::vector<caelvane::events::SkyEvent> ShownEvents() const;

    // The filters: a kind (-1 all), a body name ("" all), a frame (-1 both); local times or UTC.
    void SetKindFilter(int kind);
    void SetBodyFilter(const QString& body);
    void SetFrameFilter(int frame);
    void SetLocalTimes(bool local);
    void SetRange(const QDate& from, const QDate& to);

    // Shows the day of the event in `proxyRow` in the job's views (double click). False, with
    // a note in the window, when the job has no page for that day.
    bool GoToRow(int proxyRow);
    // Writes the rows on show to `path`: CSV, or iCalendar when `calendar`. On failure the
    // message names the file and the file is untouched.
    bool ExportTo(const QString& path, bool calendar, QString& error) const;

    QString Note() const;

signals:
    void searchFinished();

private:
    void StartSearch();
    void OnSearchDone(bool cancelled);
    void Fill();
    void RefreshTimes();
    void Export(bool calendar);

    CCaelvaneDoc& m_doc;
    std::vector<double> m_angles;
    std::vector<caelvane::events::SkyEvent> m_events;
    std::vector<caelvane::events::SkyEvent> m_pending;

    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QComboBox* m_source = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_body = nullptr;
    QComboBox* m_frame = nullptr;
    QCheckBox* m_local = nullptr;
    QPushButton* m_find = nullptr;
    QLabel* m_note = nullptr;
    QTableView* m_table = nullptr;
    QStandardItemModel* m_model = nullptr;
    CEventsFilter* m_filter = nullptr;
    QPointer<QProgressDialog> m_progress;

    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_percent{0};
};

// Opens the Events window of `doc` over `view` (the active view of the job).
CEventsWindow* OpenEventsWindow(CCaelvaneDoc& doc, QWidget* view);
