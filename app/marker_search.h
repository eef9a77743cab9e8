#pragma once
// The search for a chart's event markers, off the window's thread: one search at a time on a
// worker, reporting progress; a new request cancels the one under way, whose result is
// dropped, and starts when it has stopped, so that the window never waits on a search.
#include <QObject>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "prices/sky_markers.h"

class CMarkerSearch : public QObject {
    Q_OBJECT
public:
    explicit CMarkerSearch(QObject* parent = nullptr);
    // Cancels the search under way and waits for its worker.
    ~CMarkerSearch() override;

    // Searches for `request` in place of any earlier request.
    void Start(const prices::SkyMarkerRequest& request);
    // Drops the search under way and any waiting; nothing more is reported.
    void Cancel();
    // A search runs or waits to run.
    bool Searching() const { return m_running || m_next.has_value(); }

signals:
    // The share done of the search last asked for, 0..100.
    void progress(int percent);
    // The markers of the search last asked for (an error in found.error).
    void finished(const prices::SkyMarkers& found);

private:
    void Launch(prices::SkyMarkerRequest request);
    void WorkerDone(int generation, const std::shared_ptr<prices::SkyMarkers>& found);

    std::thread m_worker;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::optional<prices::SkyMarkerRequest> m_next;
    bool m_running = false;
    int m_generation = 0;
};
