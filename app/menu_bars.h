#pragma once
#include <QObject>
#include <vector>

class CCommandActions;
class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The two menu bars: the main menu while no job window is open, the job menu while one is.
// Both are built once from the same actions; switching refills the one QMenuBar.
class CMenuBars : public QObject {
    Q_OBJECT
public:
    CMenuBars(const CCommandActions& actions, QWidget& owner);

    void ShowMainMenu(QMenuBar& bar);
    void ShowJobMenu(QMenuBar& bar);
    bool JobMenuShown() const { return m_jobShown; }

    // The job menu's "&Window" menu (the list of windows follows its fixed items).
    QMenu* WindowMenu() const { return m_jobWindow; }
    // The job menu's "&View" menu.
    QMenu* JobViewMenu() const { return m_jobView; }
    // The greyed "Recent File" line standing in for an empty recent-file list.
    QAction* RecentFilePlaceholder() const { return m_recentPlaceholder; }

private:
    QMenu* NewMenu(const char* title, QWidget& owner);
    void AddRecentFiles(QMenu* menu);
    // New Horoscope and Open Horoscopes, in builds with natal charts.
    void AddHoroscopes(QMenu* menu);
    void Fill(QMenuBar& bar, const std::vector<QAction*>& items);

    const CCommandActions& m_actions;
    QAction* m_recentPlaceholder;
    QMenu* m_mainFile;
    QMenu* m_mainView;
    QMenu* m_mainHelp;
    QMenu* m_jobFile;
    QMenu* m_jobEdit;
    QMenu* m_jobJob;
    QMenu* m_jobColors;
    QMenu* m_jobView;
    QMenu* m_jobWindow;
    QMenu* m_jobHelp;
    bool m_jobShown = false;
};
