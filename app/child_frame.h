#pragma once
#include <QMdiSubWindow>
#include <functional>

class CCaelvaneView;

// A window on a job inside the main window, holding one chart view. Its title is the job's
// (with ":n" when the job has several windows); closing the last window of a job closes the job.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    // Asked before the window closes; false keeps it open (the user cancelled the save).
    using CloseCheck = std::function<bool(CChildFrame&)>;

    CChildFrame(CCaelvaneView* view, CloseCheck canClose, QWidget* parent = nullptr);

    CCaelvaneView* View() const { return m_view; }
    // Closes without asking (the question has been answered already).
    void CloseWithoutAsking();

signals:
    // The window is going away; its view is about to leave the document.
    void frameClosing(CChildFrame* frame);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CCaelvaneView* m_view;
    CloseCheck m_canClose;
    bool m_asked = false;
    bool m_closing = false;
};
