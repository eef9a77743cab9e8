#pragma once
#include <QMainWindow>
#include <QStringList>
#include <functional>

class CCaelvaneDoc;
class CCaelvaneView;
class CChildFrame;
class CCommandActions;
class CMainStatusBar;
class CMenuBars;
class QMdiArea;
class QMimeData;
class QToolBar;

// The main window: the MDI area holding the job windows, the menu bar (main or job menu), the
// toolbar and the status bar. It handles the window commands; everything else is routed by
// the command router.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return m_mdiArea; }
    QToolBar* ToolBar() const { return m_toolBar; }
    CMainStatusBar* StatusBar() const { return m_statusBar; }
    CCommandActions& Actions() const { return *m_actions; }
    CMenuBars& MenuBars() const { return *m_menuBars; }

    // The job window the commands act on: the active child window, also while a dialog of the
    // program has the focus. nullptr when there is none.
    CChildFrame* ActiveChildFrame() const;
    CCaelvaneView* ActiveView() const;
    CCaelvaneDoc* GetActiveJobDocument() const;

    // Job menu while a job window is open, main menu otherwise; enables the commands whose
    // handler is on the route; sets the title "Caelvane - <window>".
    void UpdateFrameState();
    // "Caelvane - <title of the active window>", or "Caelvane" with none.
    QString FrameTitle() const;

    // Window commands.
    void OnViewToolbar();
    void OnViewStatusBar();
    void OnWindowCascade();
    void OnWindowTile();
    void OnWindowArrangeIcons();
    // Closes the active job window (asking to save when it is the job's last).
    void OnWindowClose();

    // The status bar's page panes, the zoom and paging commands' states and the title's
    // modified mark, from the active view.
    void UpdateViewState();

    // Asked when the window is closed; false keeps it (the user cancelled a save question).
    void SetCloseCheck(std::function<bool()> canClose) { m_canClose = std::move(canClose); }

signals:
    void filesDropped(const QStringList& paths);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateToolBar();
    void WatchView(CCaelvaneView* view);
    void FillWindowList();
    // Job files and price files (.csv, .txt) among the dropped URLs, in their order.
    static QStringList DroppedFiles(const QMimeData* data);

    QMdiArea* m_mdiArea = nullptr;
    CCommandActions* m_actions;
    CMenuBars* m_menuBars;
    QToolBar* m_toolBar = nullptr;
    CMainStatusBar* m_statusBar;
    QList<QAction*> m_windowListActions;
    // The view whose signals update the status bar (the active one).
    CCaelvaneView* m_watchedView = nullptr;
    QList<QMetaObject::Connection> m_viewConnections;
    std::function<bool()> m_canClose;
};
