// The two menu bars, command enabling, the toolbar and the status bar.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/menu_bars.h"
#include "app/status_bar.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"

using apptest::AppFixture;
using apptest::ShownTitle;

namespace {

#ifdef CAELVANE_WITH_NATAL
const QStringList kHoroscopeItems{"Ne&w Horoscope...", "Open &Horoscopes..."};
#else
const QStringList kHoroscopeItems;
#endif

QStringList BarTitles(QMenuBar* bar) {
    QStringList titles;
    for (QAction* action : bar->actions()) titles.append(action->text());
    return titles;
}

QMenu* BarMenu(QMenuBar* bar, const QString& title) {
    for (QAction* action : bar->actions()) {
        if (action->text() == title) return action->menu();
    }
    return nullptr;
}

// Item texts of a menu; separators as "-", hidden items left out.
QStringList Items(QMenu* menu) {
    QStringList items;
    if (menu == nullptr) return items;
    for (QAction* action : menu->actions()) {
        if (!action->isVisible()) continue;
        items.append(action->isSeparator() ? QString("-") : action->text());
    }
    return items;
}

}  // namespace

class MenusTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void mainMenuWhileNoJobIsOpen() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QMenuBar* bar = fixture.Frame().menuBar();
        QCOMPARE(BarTitles(bar), (QStringList{"&File", "&View", "&Help"}));
        QCOMPARE(Items(BarMenu(bar, "&File")),
                 (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "Open Pr&ices...",
                              "New S&ky Chart..."} +
                  kHoroscopeItems +
                  QStringList{"-", "P&rint Setup...", "-", "Recent File", "-", "E&xit"}));
        QCOMPARE(Items(BarMenu(bar, "&View")), (QStringList{"&Toolbar", "&Status Bar"}));
        QCOMPARE(Items(BarMenu(bar, "&Help")), QStringList{"&About Caelvane..."});
        const CCommandActions& actions = fixture.Frame().Actions();
        // Nothing of a job can be reached, by menu or by key.
        for (int id : {cmd::kFileSave, cmd::kFilePrint, cmd::kFilePrintPreview, cmd::kAutoRun,
                       cmd::kJobDescription, cmd::kOnLineHelp, cmd::kPriceMonitor, cmd::kWindowNew,
                       cmd::kFileClose}) {
            QVERIFY2(!actions.Action(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        for (int id : {cmd::kFileNew, cmd::kFileOpen, cmd::kFileOpenPrices, cmd::kFilePrintSetup,
                       cmd::kAppAbout, cmd::kAppExit, cmd::kViewToolbar, cmd::kViewStatusBar}) {
            QVERIFY2(actions.Action(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QVERIFY(!fixture.Frame().MenuBars().RecentFilePlaceholder()->isEnabled());
    }

    void jobMenuWhileAJobWindowIsActive() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        QMenuBar* bar = fixture.Frame().menuBar();
        QCOMPARE(BarTitles(bar),
                 (QStringList{"&File", "&Edit", "&Job", "&View", "&Window", "&AutoRun", "&Help"}));
        // "&AutoRun" is an item of the bar itself.
        QCOMPARE(BarMenu(bar, "&AutoRun"), nullptr);
        QCOMPARE(Items(BarMenu(bar, "&File")),
                 (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "Open Pr&ices...",
                              "New S&ky Chart..."} +
                  kHoroscopeItems +
                  QStringList{"&Close", "&Save\tCtrl+S", "Save &As...", "-", "&Print...\tCtrl+P",
                              "Print Pre&view", "P&rint Setup...", "-", "&Export Page...",
                              "Export A&ll Pages...", "-", "Recent File", "-", "E&xit"}));
        QCOMPARE(Items(BarMenu(bar, "&Edit")),
                 (QStringList{"Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V"}));
        QCOMPARE(Items(BarMenu(bar, "&View")),
                 (QStringList{"&Toolbar", "&Status Bar", "-", "Zoom &In\tCtrl++",
                              "Zoom &Out\tCtrl+-", "&Actual Size\tCtrl+0", "Fit &Page",
                              "Fit &Width", "-", "Pre&vious Page", "&Next Page",
                              "&Go to Date...\tCtrl+G", "-", "&Positions", "Page &Style"}));
        QMenu* job = BarMenu(bar, "&Job");
        QCOMPARE(Items(job),
                 (QStringList{"&Job Description", "&Color Settings", "&Significant Aspects",
                              "Sky &Events", "Sky C&hart", "Event S&tudy..."}));
        QCOMPARE(
            Items(job->actions().at(1)->menu()),
            (QStringList{"&TitleText", "&Header Text", "&Border", "&Wheel Lines", "Wh&eel Text",
                         "&Current Lines", "C&urrent Text", "&Natal Dots", "N&atal Text",
                         "&Job Data", "N&ote Text", "A&spect Lines", "As&pect Text",
                         "Aspect H&ighlights", "Cop&yright Notice", "Moon Ball", "O&verlay Circle",
                         "A&ll to Black", "S&tandard Default"}));
        QMenu* window = BarMenu(bar, "&Window");
        emit window->aboutToShow();
        QCOMPARE(Items(window), (QStringList{"&New Window", "&Cascade", "&Tile", "&Arrange Icons",
                                             "-", "&1 Job1"}));
        QCOMPARE(Items(BarMenu(bar, "&Help")),
                 (QStringList{"&About Caelvane...", "On &Line Help\tF1", " "}));
        for (QAction* action : fixture.Frame().menuBar()->actions()) {
            QVERIFY2(action->isEnabled(), qPrintable(action->text()));
        }

        // Closing the last job window brings the main menu back.
        fixture.App().OnCommand(cmd::kFileClose);
        QTRY_COMPARE(BarTitles(bar), (QStringList{"&File", "&View", "&Help"}));
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane"));
    }

    void titleShowsTheActiveWindow() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnFileNew();
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - Job2"));
        QMdiSubWindow* first = fixture.Windows().front();
        fixture.Frame().MdiArea()->setActiveSubWindow(first);
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - Job1"));
        // A maximized window does not change the form of the title.
        first->showMaximized();
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - Job1"));
        first->showNormal();
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - Job1"));
        fixture.App().OnCommand(cmd::kWindowNew);
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - Job1:2"));
    }

    void promptsAndToolTipsFollowTheCommandTable_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("statusTip");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("New") << cmd::kFileNew << "Create a new document"
                             << "New";
        QTest::newRow("Print") << cmd::kFilePrint << "Print the active document"
                               << "Print";
        QTest::newRow("Preview") << cmd::kFilePrintPreview << "Display full pages"
                                 << "Print Preview";
        QTest::newRow("Exit") << cmd::kAppExit << "Quit the application; prompts to save documents"
                              << "Exit";
        QTest::newRow("Toolbar") << cmd::kViewToolbar << "Show or hide the toolbar"
                                 << "Toggle ToolBar";
        QTest::newRow("Job Description")
            << cmd::kJobDescription << "Set data options for the current job"
            << "";
        QTest::newRow("Natal Dots: no prompt") << cmd::kColorNatalDots << ""
                                               << "";
        QTest::newRow("Overlay Circle: no prompt") << cmd::kColorOverlayCircle << ""
                                                   << "";
        QTest::newRow("Note Text") << cmd::kColorNoteText << "Sets Color of Note Text"
                                   << "";
        QTest::newRow("AutoRun") << cmd::kAutoRun << "Run Through Dates Automatically"
                                 << "";
        QTest::newRow("blank item") << cmd::kPriceMonitor << " "
                                    << "";
        QTest::newRow("Cut") << cmd::kEditCut << "Cut the selection and put it on the Clipboard"
                             << "Cut";
        QTest::newRow("recent file") << cmd::kFileMruFile1 + 2 << "Open this document"
                                     << "";
    }
    void promptsAndToolTipsFollowTheCommandTable() {
        QFETCH(int, id);
        QFETCH(QString, statusTip);
        QFETCH(QString, toolTip);
        const CommandSpec* entry = FindCommand(id);
        QVERIFY(entry != nullptr);
        QCOMPARE(PromptStatusText(*entry), statusTip);
        QCOMPARE(PromptToolTip(*entry), toolTip);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.Frame().Actions().Action(id)->statusTip(), statusTip);
        if (!toolTip.isEmpty()) QCOMPARE(fixture.Frame().Actions().Action(id)->toolTip(), toolTip);
    }

    void editCommandsAreAlwaysGreyedAndTheirKeysDoNothing() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        const CCommandActions& actions = fixture.Frame().Actions();
        auto check = [&] {
            for (int id :
                 {cmd::kEditCut, cmd::kEditPaste, cmd::kEditUndo, cmd::kNextPane, cmd::kPrevPane}) {
                QVERIFY(!actions.Action(id)->isEnabled());
            }
        };
        check();
        // Copy has a handler: the page of a job window.
        QVERIFY(!actions.Action(cmd::kEditCopy)->isEnabled());
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        check();
        QVERIFY(actions.Action(cmd::kEditCopy)->isEnabled());
        QCOMPARE(actions.Action(cmd::kEditCopy)->shortcuts(),
                 (QList<QKeySequence>{QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")}));
        QCOMPARE(actions.Action(cmd::kEditUndo)->shortcuts(),
                 (QList<QKeySequence>{QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}));
        int triggered = 0;
        connect(&actions, &CCommandActions::commandTriggered, this, [&] { ++triggered; });
        fixture.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.Frame()));
        QTest::keyClick(fixture.ActiveView(), Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(fixture.ActiveView(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(fixture.ActiveView(), Qt::Key_F6);
        QCOMPARE(triggered, 0);
        QCOMPARE(fixture.Windows().size(), 1);
        // An accelerator with a handler does reach it.
        QTest::keyClick(fixture.ActiveView(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(triggered, 1);
        QCOMPARE(fixture.Windows().size(), 2);
    }

    void toolbarHoldsTheButtonsInOrderAndDocksAnywhere() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QToolBar* toolBar = fixture.Frame().ToolBar();
        QStringList buttons;
        for (QAction* action : toolBar->actions()) {
            buttons.append(action->isSeparator() ? QString("|") : action->toolTip());
        }
        QCOMPARE(buttons, (QStringList{"New", "Open", "Save", "|", "Cut", "Copy", "Paste", "|",
                                       "Print", "|", "Previous Page", "Next Page", "|", "About"}));
        QCOMPARE(toolBar->allowedAreas(), Qt::AllToolBarAreas);
        QVERIFY(toolBar->isFloatable());
        QVERIFY(toolBar->isMovable());
        QCOMPARE(fixture.Frame().toolBarArea(toolBar), Qt::TopToolBarArea);
        for (QAction* action : toolBar->actions()) {
            if (!action->isSeparator()) QVERIFY(!action->icon().isNull());
        }

        // Hiding unchecks the menu item; showing again keeps where it was docked.
        fixture.Frame().show();
        fixture.Frame().addToolBar(Qt::LeftToolBarArea, toolBar);
        QAction* toggle = fixture.Frame().Actions().Action(cmd::kViewToolbar);
        QVERIFY(toggle->isChecked());
        toggle->trigger();
        QVERIFY(toolBar->isHidden());
        QVERIFY(!toggle->isChecked());
        toggle->trigger();
        QVERIFY(!toolBar->isHidden());
        QVERIFY(toggle->isChecked());
        QCOMPARE(fixture.Frame().toolBarArea(toolBar), Qt::LeftToolBarArea);

        QAction* statusToggle = fixture.Frame().Actions().Action(cmd::kViewStatusBar);
        statusToggle->trigger();
        QVERIFY(fixture.Frame().StatusBar()->isHidden());
        QVERIFY(!statusToggle->isChecked());
    }

    void statusBarShowsReadyThenPromptsAndTheLockPanes() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        CMainStatusBar* status = fixture.Frame().StatusBar();
        QCOMPARE(status->IdleText(), QString("Ready"));
        QCOMPARE(status->CapsIndicator()->objectName(), QString("CAP"));
        QCOMPARE(status->NumIndicator()->objectName(), QString("NUM"));
        QCOMPARE(status->ScrollIndicator()->objectName(), QString("SCRL"));
        fixture.Frame().Actions().Action(cmd::kFileOpen)->showStatusText(&fixture.Frame());
        QCOMPARE(status->currentMessage(), QString("Open an existing document"));
        // An item without a prompt clears the pane back to "Ready".
        fixture.Frame().Actions().Action(cmd::kColorNatalDots)->showStatusText(&fixture.Frame());
        QCOMPARE(status->currentMessage(), QString());
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<MenusTest> registration;
#include "menus_test.moc"
