#include "app/marker_search.h"

#include <QMetaObject>

CMarkerSearch::CMarkerSearch(QObject* parent) : QObject(parent) {}

CMarkerSearch::~CMarkerSearch() {
    if (m_cancel) *m_cancel = true;
    if (m_worker.joinable()) m_worker.join();
}

void CMarkerSearch::Start(const prices::SkyMarkerRequest& request) {
    ++m_generation;
    if (m_running) {
        // The worker stops at its next progress report; the request waits for it.
        *m_cancel = true;
        m_next = request;
        return;
    }
    Launch(request);
}

void CMarkerSearch::Cancel() {
    ++m_generation;
    m_next.reset();
    if (m_cancel) *m_cancel = true;
}

void CMarkerSearch::Launch(prices::SkyMarkerRequest request) {
    if (m_worker.joinable()) m_worker.join();  // finished already: its result has come
    m_running = true;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancel = cancel;
    const int generation = m_generation;
    m_worker = std::thread([this, request = std::move(request), cancel, generation] {
        int shown = -1;
        const auto report = [this, cancel, generation, &shown](double fraction) {
            if (*cancel) return false;
            const int percent = static_cast<int>(fraction * 100.0);
            if (percent != shown) {
                shown = percent;
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, percent] {
                        if (generation == m_generation) emit progress(percent);
                    },
                    Qt::QueuedConnection);
            }
            return true;
        };
        auto found = std::make_shared<prices::SkyMarkers>(prices::FindSkyMarkers(request, report));
        QMetaObject::invokeMethod(
            this, [this, generation, found] { WorkerDone(generation, found); },
            Qt::QueuedConnection);
    });
}

void CMarkerSearch::WorkerDone(int generation, const std::shared_ptr<prices::SkyMarkers>& found) {
    if (m_worker.joinable()) m_worker.join();
    m_running = false;
    if (m_next) {
        // Taken out before it is started: Launch must not see the request it was given go.
        prices::SkyMarkerRequest next = std::move(*m_next);
        m_next.reset();
        Launch(std::move(next));
        return;
    }
    if (generation != m_generation || found->cancelled) return;
    emit finished(*found);
}
