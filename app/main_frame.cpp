#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "app/caelvane_view.h"
#include "app/child_frame.h"
#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/menu_bars.h"
#include "app/page_navigation.h"
#include "app/price_chart_window.h"
#include "app/status_bar.h"
#include "job/caelvane_doc.h"
#ifdef CAELVANE_WITH_NATAL
#include "app/natal_window.h"
#endif

namespace {
const char* const kProgramTitle = "Caelvane";
}

CMainFrame::CMainFrame() {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/caelvane.svg")));
    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setBackground(palette().dark());
    setCentralWidget(m_mdiArea);

    m_actions = new CCommandActions(*this);
    m_menuBars = new CMenuBars(*m_actions, *this);
    CreateToolBar();
    m_statusBar = new CMainStatusBar(this);
    setStatusBar(m_statusBar);
    setAcceptDrops(true);

    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateFrameState(); });
    connect(m_menuBars->WindowMenu(), &QMenu::aboutToShow, this, &CMainFrame::FillWindowList);
    UpdateFrameState();
}

CMainFrame::~CMainFrame() {
    // Windows closing during destruction change nothing any more.
    disconnect(m_mdiArea, nullptr, this, nullptr);
    WatchView(nullptr);
    m_canClose = nullptr;
    m_mdiArea = nullptr;
}

void CMainFrame::CreateToolBar() {
    m_toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("Toolbar"));
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : {cmd::kFileNew, cmd::kFileOpen, cmd::kFileSave, 0, cmd::kEditCut, cmd::kEditCopy,
                   cmd::kEditPaste, 0, cmd::kFilePrint, 0, cmd::kPagePrevious, cmd::kPageNext, 0,
                   cmd::kAppAbout}) {
        if (id == 0) {
            m_toolBar->addSeparator();
        } else {
            m_toolBar->addAction(m_actions->Action(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    connect(m_toolBar, &QToolBar::visibilityChanged, this,
            [this] { m_actions->Action(cmd::kViewToolbar)->setChecked(!m_toolBar->isHidden()); });
}

CChildFrame* CMainFrame::ActiveChildFrame() const {
    // currentSubWindow() stays on the last active window while a dialog has the focus.
    if (m_mdiArea == nullptr) return nullptr;
    return qobject_cast<CChildFrame*>(m_mdiArea->currentSubWindow());
}

CCaelvaneView* CMainFrame::ActiveView() const {
    CChildFrame* frame = ActiveChildFrame();
    return frame != nullptr ? frame->View() : nullptr;
}

CCaelvaneDoc* CMainFrame::GetActiveJobDocument() const {
    CCaelvaneView* view = ActiveView();
    return view != nullptr ? view->GetJobDocument() : nullptr;
}

void CMainFrame::UpdateFrameState() {
    CChildFrame* active = ActiveChildFrame();
    const bool hasJob = active != nullptr && GetActiveJobDocument() != nullptr;
    if (hasJob != m_menuBars->JobMenuShown() || menuBar()->actions().isEmpty()) {
        if (hasJob) {
            m_menuBars->ShowJobMenu(*menuBar());
        } else {
            m_menuBars->ShowMainMenu(*menuBar());
        }
    }
    for (const auto& [id, action] : m_actions->All()) {
        if (id >= cmd::kFileMruFile1 && id < cmd::kFileMruFile1 + cmd::kRecentFileCount) continue;
        switch (RouteOf(id)) {
            case CommandRoute::App:
                action->setEnabled(true);
                break;
            case CommandRoute::Document:
            case CommandRoute::View:
                action->setEnabled(hasJob);
                break;
            case CommandRoute::Frame:
                action->setEnabled(id == cmd::kViewToolbar || id == cmd::kViewStatusBar || hasJob);
                break;
            case CommandRoute::Nobody:
                action->setEnabled(false);
                break;
        }
    }
    m_actions->Action(cmd::kViewToolbar)->setChecked(!m_toolBar->isHidden());
    m_actions->Action(cmd::kViewStatusBar)->setChecked(!m_statusBar->isHidden());
    setWindowTitle(FrameTitle());
    WatchView(hasJob ? ActiveView() : nullptr);
    UpdateViewState();
}

void CMainFrame::WatchView(CCaelvaneView* view) {
    if (view == m_watchedView) return;
    for (const QMetaObject::Connection& connection : m_viewConnections) disconnect(connection);
    m_viewConnections.clear();
    m_watchedView = view;
    if (view == nullptr) return;
    m_viewConnections.append(
        connect(view, &CCaelvaneView::documentUpdated, this, &CMainFrame::UpdateViewState));
    m_viewConnections.append(
        connect(view, &CCaelvaneView::zoomChanged, this, &CMainFrame::UpdateViewState));
    m_viewConnections.append(connect(view, &QObject::destroyed, this, [this] {
        m_watchedView = nullptr;
        m_viewConnections.clear();
    }));
}

void CMainFrame::UpdateViewState() {
    CCaelvaneView* view = m_watchedView;
    CChildFrame* frame = ActiveChildFrame();
    const CCaelvaneDoc* doc = view != nullptr ? view->GetJobDocument() : nullptr;
    if (doc == nullptr) {
        m_statusBar->SetPageStatus({}, {});
        setWindowModified(false);
        return;
    }
    const PageStatus status = view->CurrentPageStatus();
    m_statusBar->SetPageStatus(PageNumberText(status), PageDateText(status));
    const bool range = status.pageCount > 1;
    for (int id : {cmd::kPagePrevious, cmd::kPageNext, cmd::kGoToDate}) {
        m_actions->Action(id)->setEnabled(range);
    }
    const ZoomChoice& zoom = view->Zoom();
    m_actions->Action(cmd::kViewActualSize)
        ->setChecked(zoom.mode == ZoomMode::Factor && zoom.factor == 1.0);
    m_actions->Action(cmd::kViewFitPage)->setChecked(zoom.mode == ZoomMode::FitPage);
    m_actions->Action(cmd::kViewFitWidth)->setChecked(zoom.mode == ZoomMode::FitWidth);
    m_actions->Action(cmd::kViewZoomIn)->setEnabled(view->ZoomFactor() < kMaxZoom);
    m_actions->Action(cmd::kViewZoomOut)->setEnabled(view->ZoomFactor() > kMinZoom);
    // Every window of a job shows its modified mark ("[*]" in their titles).
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(window);
        if (child != nullptr && child->View() != nullptr &&
            child->View()->GetJobDocument() == doc) {
            child->setWindowModified(doc->IsModified());
        }
    }
    if (frame != nullptr) setWindowModified(doc->IsModified());
}

QString CMainFrame::FrameTitle() const {
    const QString title = QString::fromLatin1(kProgramTitle);
    CChildFrame* active = ActiveChildFrame();
    // The job window's title carries its "[*]" mark, which stands for this window's own.
    return active != nullptr ? title + QStringLiteral(" - ") + active->windowTitle() : title;
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // A maximized child window writes its own title into ours; ours stays "Caelvane - <job>".
    if (event->type() == QEvent::WindowTitleChange && m_mdiArea != nullptr) {
        const QString title = FrameTitle();
        if (windowTitle() != title) setWindowTitle(title);
    }
}

void CMainFrame::OnViewToolbar() {
    m_toolBar->setVisible(m_toolBar->isHidden());
    m_actions->Action(cmd::kViewToolbar)->setChecked(!m_toolBar->isHidden());
}

void CMainFrame::OnViewStatusBar() {
    m_statusBar->setVisible(m_statusBar->isHidden());
    m_actions->Action(cmd::kViewStatusBar)->setChecked(!m_statusBar->isHidden());
}

namespace {

// Arranged windows are too small for a page at its actual size: each shows its whole page.
void FitEveryPage(QMdiArea& area) {
    for (QMdiSubWindow* window : area.subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(window);
        if (child != nullptr && child->View() != nullptr) {
            child->View()->SetZoom({ZoomMode::FitPage, child->View()->Zoom().factor});
        }
    }
}

}  // namespace

void CMainFrame::OnWindowCascade() {
    m_mdiArea->cascadeSubWindows();
    FitEveryPage(*m_mdiArea);
}

void CMainFrame::OnWindowTile() {
    m_mdiArea->tileSubWindows();
    FitEveryPage(*m_mdiArea);
}

void CMainFrame::OnWindowClose() {
    if (CChildFrame* frame = ActiveChildFrame()) frame->close();
}

void CMainFrame::OnWindowArrangeIcons() {
    // Minimized windows in rows along the bottom of the area, left to right.
    const QRect area = m_mdiArea->viewport()->rect();
    int x = 0;
    int y = area.bottom() + 1;
    int rowHeight = 0;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isMinimized()) continue;
        const QSize size = window->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= rowHeight;
            rowHeight = 0;
        }
        rowHeight = std::max(rowHeight, size.height());
        window->move(x, y - size.height());
        x += size.width();
    }
}

void CMainFrame::FillWindowList() {
    QMenu* menu = m_menuBars->WindowMenu();
    for (QAction* action : m_windowListActions) {
        menu->removeAction(action);
        action->deleteLater();
    }
    m_windowListActions.clear();
    const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    // The windows of their own beside the job windows: price charts and events, by title.
    QList<QMainWindow*> others;
    for (QMainWindow* window : findChildren<QMainWindow*>()) {
        if (window != this && window->isWindow() && window->isVisible()) others.append(window);
    }
    if (windows.isEmpty() && others.isEmpty()) return;
    m_windowListActions.append(menu->addSeparator());
    QMdiSubWindow* current = m_mdiArea->currentSubWindow();
    int number = 0;
    const auto add = [&](QString title) {
        title.remove(QStringLiteral("[*]"));
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        ++number;
        const QString text = number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                         : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction* action = menu->addAction(text);
        m_windowListActions.append(action);
        return action;
    };
    for (QMdiSubWindow* window : windows) {
        QAction* action = add(window->windowTitle());
        action->setCheckable(true);
        action->setChecked(window == current);
        action->setStatusTip(QStringLiteral("Activate this window"));
        connect(action, &QAction::triggered, this, [this, window] {
            if (window->isMinimized()) window->showNormal();
            m_mdiArea->setActiveSubWindow(window);
        });
    }
    if (!windows.isEmpty() && !others.isEmpty()) m_windowListActions.append(menu->addSeparator());
    for (QMainWindow* window : others) {
        QAction* action = add(window->windowTitle());
        action->setStatusTip(QStringLiteral("Bring this window to the front"));
        const QPointer<QMainWindow> target(window);
        connect(action, &QAction::triggered, this, [target] {
            if (target.isNull()) return;
            if (target->isMinimized()) target->showNormal();
            target->raise();
            target->activateWindow();
        });
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_canClose && !m_canClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

QStringList CMainFrame::DroppedFiles(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).suffix().compare(QLatin1String("cvj"), Qt::CaseInsensitive) == 0 ||
            IsPriceFileName(path)) {
            paths.append(path);
        }
#ifdef CAELVANE_WITH_NATAL
        else if (IsHoroscopeFileName(path)) {
            paths.append(path);
        }
#endif
    }
    return paths;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedFiles(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    activateWindow();
    // The drag source waits for the drop to end; the files open after it.
    QTimer::singleShot(0, this, [this, paths] { emit filesDropped(paths); });
}
