#pragma once
#include <QObject>
#include <QTimer>
#include <functional>

// The timer of a tool dialog: one periodic timer per dialog, started, restarted with a new
// period and stopped by the dialog, dying with it. Behind an interface so that tests fire the
// ticks themselves and can make the platform refuse a timer.
class CToolTimer {
public:
    virtual ~CToolTimer() = default;

    // Starts ticking every `periodMs` milliseconds, replacing a running timer's period. Returns
    // false when the platform refuses a timer; nothing ticks then.
    virtual bool Start(int periodMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsRunning() const = 0;

    // Called on every tick, on the user-interface thread.
    void SetTickHandler(std::function<void()> handler) { m_tick = std::move(handler); }

protected:
    void Tick() {
        if (m_tick) m_tick();
    }

private:
    std::function<void()> m_tick;
};

// The desktop's timer: a precise QTimer, so that AutoRun at 10 ms keeps its pace.
class CQtToolTimer : public CToolTimer {
public:
    CQtToolTimer();
    bool Start(int periodMs) override;
    void Stop() override;
    bool IsRunning() const override;

private:
    QTimer m_timer;
};

// Shown when the platform refuses a tool's timer.
inline constexpr const char* kTimerRefusedMessage =
    "Can not get system timer resource.\n Stop other programs which may have used them up.";
