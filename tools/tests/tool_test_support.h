#pragma once
// Shared pieces of the tool tests: a timer the test fires itself, a job view that really draws
// its page (so the chart state is what the desktop's view leaves), and captured messages.
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "chart/chart_state.h"
#include "chart/draw_page.h"
#include "ephemeris/calendar.h"
#include "job/caelvane_doc.h"
#include "platform/host_services.h"
#include "platform/qt/data_exchange.h"
#include "render/trace_device.h"
#include "testing/modal_dialog.h"
#include "tools/tool_timer.h"

namespace tools_test {

class CFakeTimer : public CToolTimer {
public:
    bool Start(int periodMs) override {
        ++starts;
        if (refuse) return false;
        running = true;
        period = periodMs;
        return true;
    }
    void Stop() override { running = false; }
    bool IsRunning() const override { return running; }
    // One period has passed.
    void Fire() {
        if (running) Tick();
    }

    bool refuse = false;
    bool running = false;
    int period = 0;
    int starts = 0;
};

class CFixedHost : public caelvane::CHostServices {
public:
    caelvane::LocalDate Today() const override { return {1, 18, 2000}; }
    caelvane::TimeZoneRule ZoneRule() const override { return {}; }
    void MessageBox(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// A view of a job that draws the page whenever it is told to repaint, as the desktop's view
// does, and remembers which page and date it drew last.
class CDrawingView : public CView {
public:
    explicit CDrawingView(CCaelvaneDoc& doc) : m_doc(doc) {
        doc.AddView(this);
        Draw();
    }
    ~CDrawingView() override { m_doc.RemoveView(this); }

    void OnUpdate(CView*, long) override { Draw(); }
    void Draw() {
        CTraceDevice device;
        if (const std::optional<int> pages = DrawChartPage(m_doc, m_state, device, m_host))
            m_doc.m_pageCount = *pages;
        ++draws;
        page = m_state.currentPage;
        day = m_state.pageDay;
        trace = device.Trace();
    }

    int draws = 0;
    int page = 0;
    int day = 0;
    std::string trace;

private:
    CCaelvaneDoc& m_doc;
    ChartState m_state;
    CFixedHost m_host;
};

// A date-range job (type 3) from January 1, 2000 over `days` days.
inline void MakeDateRange(CCaelvaneDoc& doc, int days) {
    doc.m_jobType = 3;
    doc.m_startMonth = 1, doc.m_startDay = 1, doc.m_startYear = 2000;
    doc.m_endMonth = 1, doc.m_endDay = days, doc.m_endYear = 2000;
}

// Captures the messages the dialog shows while it lives, instead of message boxes.
class CMessageCapture {
public:
    template <class Dialog>
    explicit CMessageCapture(Dialog& dialog) {
        dialog.SetMessageHook([this](QWidget*, const QString& text) { messages << text; });
        m_detach = [&dialog] { dialog.SetMessageHook({}); };
    }
    ~CMessageCapture() { m_detach(); }
    CMessageCapture(const CMessageCapture&) = delete;
    CMessageCapture& operator=(const CMessageCapture&) = delete;
    QStringList messages;

private:
    std::function<void()> m_detach;
};

// Runs `body` inside a tool dialog's modal loop, then leaves with Escape if it is still open.
template <class Dialog>
void WithDialog(Dialog& dlg, CCaelvaneDoc* doc, const std::function<void()>& body) {
    caelvane::testing::WhileModal(dlg, body);
    dlg.DoModal([doc] { return doc; });
}

// The dialog's timer, which the tests install as a CFakeTimer.
template <class Dialog>
CFakeTimer& FakeTimer(Dialog& dlg) {
    return static_cast<CFakeTimer&>(dlg.Timer());
}

}  // namespace tools_test
