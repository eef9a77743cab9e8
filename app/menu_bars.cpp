#include "app/menu_bars.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include "app/command_actions.h"
#include "app/command_ids.h"

CMenuBars::CMenuBars(const CCommandActions& actions, QWidget& owner)
    : QObject(&owner), m_actions(actions) {
    auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (int id : ids) {
            if (id == 0) {
                menu->addSeparator();
            } else {
                menu->addAction(m_actions.Action(id));
            }
        }
    };
    m_recentPlaceholder = new QAction(QStringLiteral("Recent File"), &owner);
    m_recentPlaceholder->setEnabled(false);

    m_mainFile = NewMenu("&File", owner);
    add(m_mainFile, {cmd::kFileNew, cmd::kFileOpen, cmd::kFileOpenPrices, cmd::kFileNewSkyChart});
    AddHoroscopes(m_mainFile);
    add(m_mainFile, {0, cmd::kFilePrintSetup, 0});
    AddRecentFiles(m_mainFile);
    add(m_mainFile, {0, cmd::kAppExit});
    m_mainView = NewMenu("&View", owner);
    add(m_mainView, {cmd::kViewToolbar, cmd::kViewStatusBar});
    m_mainHelp = NewMenu("&Help", owner);
    add(m_mainHelp, {cmd::kAppAbout});

    m_jobFile = NewMenu("&File", owner);
    add(m_jobFile, {cmd::kFileNew, cmd::kFileOpen, cmd::kFileOpenPrices, cmd::kFileNewSkyChart});
    AddHoroscopes(m_jobFile);
    add(m_jobFile, {cmd::kFileClose, cmd::kFileSave, cmd::kFileSaveAs, 0, cmd::kFilePrint,
                    cmd::kFilePrintPreview, cmd::kFilePrintSetup, 0, cmd::kFileExportPage,
                    cmd::kFileExportAll, 0});
    AddRecentFiles(m_jobFile);
    add(m_jobFile, {0, cmd::kAppExit});
    m_jobEdit = NewMenu("&Edit", owner);
    add(m_jobEdit, {cmd::kEditCut, cmd::kEditCopy, cmd::kEditPaste});

    m_jobJob = NewMenu("&Job", owner);
    add(m_jobJob, {cmd::kJobDescription});
    m_jobColors = NewMenu("&Color Settings", owner);
    add(m_jobColors,
        {cmd::kColorTitleText, cmd::kColorHeaderText, cmd::kColorBorder, cmd::kColorWheelLines,
         cmd::kColorWheelText, cmd::kColorCurrentLines, cmd::kColorCurrentText,
         cmd::kColorNatalDots, cmd::kColorNatalText, cmd::kColorJobData, cmd::kColorNoteText,
         cmd::kColorAspectLines, cmd::kColorAspectText, cmd::kColorAspectHighlights,
         cmd::kColorNotice, cmd::kColorMoonBall, cmd::kColorOverlayCircle, cmd::kColorAllToBlack,
         cmd::kColorStandardDefault});
    m_jobJob->addMenu(m_jobColors);
    add(m_jobJob, {cmd::kSignificantAspects, cmd::kSkyEvents, cmd::kSkyChart, cmd::kEventStudy});

    m_jobView = NewMenu("&View", owner);
    add(m_jobView, {cmd::kViewToolbar, cmd::kViewStatusBar, 0, cmd::kViewZoomIn, cmd::kViewZoomOut,
                    cmd::kViewActualSize, cmd::kViewFitPage, cmd::kViewFitWidth, 0,
                    cmd::kPagePrevious, cmd::kPageNext, cmd::kGoToDate});
    m_jobWindow = NewMenu("&Window", owner);
    add(m_jobWindow, {cmd::kWindowNew, cmd::kWindowCascade, cmd::kWindowTile, cmd::kWindowArrange});
    m_jobHelp = NewMenu("&Help", owner);
    add(m_jobHelp, {cmd::kAppAbout, cmd::kOnLineHelp, cmd::kPriceMonitor});
}

QMenu* CMenuBars::NewMenu(const char* title, QWidget& owner) {
    auto* menu = new QMenu(QString::fromLatin1(title), &owner);
    // Prompts of the items go to the status bar; tool tips belong to the toolbar only.
    menu->setToolTipsVisible(false);
    return menu;
}

void CMenuBars::AddHoroscopes(QMenu* menu) {
#ifdef CAELVANE_WITH_NATAL
    menu->addAction(m_actions.Action(cmd::kFileNewHoroscope));
    menu->addAction(m_actions.Action(cmd::kFileOpenHoroscopes));
#else
    (void)menu;
#endif
}

void CMenuBars::AddRecentFiles(QMenu* menu) {
    menu->addAction(m_recentPlaceholder);
    for (int i = 0; i < cmd::kRecentFileCount; ++i) {
        menu->addAction(m_actions.Action(cmd::kFileMruFile1 + i));
    }
}

void CMenuBars::Fill(QMenuBar& bar, const std::vector<QAction*>& items) {
    bar.clear();
    for (QAction* item : items) bar.addAction(item);
}

void CMenuBars::ShowMainMenu(QMenuBar& bar) {
    Fill(bar, {m_mainFile->menuAction(), m_mainView->menuAction(), m_mainHelp->menuAction()});
    m_jobShown = false;
}

void CMenuBars::ShowJobMenu(QMenuBar& bar) {
    Fill(bar, {m_jobFile->menuAction(), m_jobEdit->menuAction(), m_jobJob->menuAction(),
               m_jobView->menuAction(), m_jobWindow->menuAction(), m_actions.Action(cmd::kAutoRun),
               m_jobHelp->menuAction()});
    m_jobShown = true;
}
