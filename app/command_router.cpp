// Where each command of the menus, the toolbar and the keys goes: the application, the active
// job, its view or the main window (the route that also decides which commands are enabled).
#include <QSettings>

#include "app/caelvane_app.h"
#include "app/caelvane_view.h"
#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/events_window.h"
#include "app/main_frame.h"
#include "app/positions_choice.h"
#include "app/sky_chart_window.h"
#include "app/study_window.h"
#include "job/caelvane_doc.h"
#include "job/job_type.h"
#include "job/ui/job_commands.h"
#include "prices/ohlc.h"
#include "tools/tool_commands.h"

void CCaelvaneApp::OnCommand(int id) {
    switch (RouteOf(id)) {
        case CommandRoute::App:
            if (id >= cmd::kFileMruFile1 && id < cmd::kFileMruFile1 + cmd::kRecentFileCount) {
                OnOpenRecentFile(id - cmd::kFileMruFile1);
                return;
            }
            switch (id) {
                case cmd::kFileNew:
                    OnFileNew();
                    return;
                case cmd::kFileOpen:
                    OnFileOpen();
                    return;
                case cmd::kFileOpenPrices:
                    OnFileOpenPrices();
                    return;
                case cmd::kFileNewSkyChart: {
                    double from = 0.0, to = 0.0;
                    if (AskSkyRange(m_mainFrame, from, to)) {
                        OpenSkyChartWindow(from, to, {}, m_mainFrame, m_profile.get());
                    }
                    return;
                }
#ifdef CAELVANE_WITH_NATAL
                case cmd::kFileNewHoroscope:
                    OnFileNewHoroscope();
                    return;
                case cmd::kFileOpenHoroscopes:
                    OnFileOpenHoroscopes();
                    return;
#endif
                case cmd::kFilePrintSetup:
                    OnFilePrintSetup();
                    return;
                case cmd::kAppAbout:
                    OnAppAbout();
                    return;
                case cmd::kAppExit:
                    OnAppExit();
                    return;
                case cmd::kHelpContents:
                    OnHelpContents();
                    return;
                case cmd::kEventStudy: {
                    CStudyWindow* study =
                        OpenStudyWindow(PrecisePositionsAvailable() ? PositionSource::Precise
                                                                    : PositionSource::Series,
                                        m_mainFrame);
                    QObject::connect(study, &CStudyWindow::eventChosen, this,
                                     [this](const QString& file, double seconds) {
                                         ShowOnPriceChart(file, seconds);
                                     });
                    return;
                }
                default:
                    return;
            }
        case CommandRoute::Document:
            if (CCaelvaneDoc* doc = m_mainFrame->GetActiveJobDocument()) {
                RunDocumentCommand(id, *doc);
            }
            return;
        case CommandRoute::View:
            RunViewCommand(id);
            return;
        case CommandRoute::Frame:
            RunFrameCommand(id);
            return;
        case CommandRoute::Nobody:
            return;
    }
}

void CCaelvaneApp::RunDocumentCommand(int id, CCaelvaneDoc& doc) {
    const ActiveDocumentProvider activeDocument = [this] {
        return m_mainFrame->GetActiveJobDocument();
    };
    switch (id) {
        case cmd::kFileClose:
            m_template->OnFileClose(doc);
            return;
        case cmd::kFileSave:
            m_template->OnFileSave(doc);
            return;
        case cmd::kFileSaveAs:
            m_template->OnFileSaveAs(doc);
            return;
        case cmd::kAutoRun:
            RunAutoRun(m_mainFrame, activeDocument);
            return;
        case cmd::kPriceMonitor:
            RunPriceMonitor(m_mainFrame, activeDocument);
            return;
        case cmd::kOnLineHelp:
            OnHelpContents();
            return;
        case cmd::kSkyChart: {
            // The job's dates: start to end for a range job, a year from the start otherwise.
            const double from = static_cast<double>(prices::DaysFromCivil(
                                    doc.m_startYear, doc.m_startMonth, doc.m_startDay)) *
                                86400.0;
            double to = static_cast<double>(
                            prices::DaysFromCivil(doc.m_endYear, doc.m_endMonth, doc.m_endDay)) *
                        86400.0;
            if (JobTypeOf(doc) != JobType::StartToEnd || !(to > from)) to = from + 365.0 * 86400.0;
            OpenSkyChartWindow(from, to, HotSpotLevels(doc.m_hotSpotDegree, doc.m_hotSpotLabel),
                               m_mainFrame, m_profile.get());
            return;
        }
        case cmd::kSkyEvents: {
            // View > Positions when the user chose there; otherwise the window's own default.
            std::optional<PositionSource> chosen;
            if (m_profile->contains(QString::fromLatin1(CPositionsChoice::kProfileKey)) &&
                m_positions->ProfileProblem().isEmpty())
                chosen = m_positions->Source();
            OpenEventsWindow(doc, m_mainFrame->ActiveView(), chosen);
            return;
        }
        default:
            // The "&Job" menu: the job data and aspects dialogs and the colour commands.
            RunJobCommand(m_mainFrame, doc, id);
            return;
    }
}

void CCaelvaneApp::RunViewCommand(int id) {
    CCaelvaneView* view = m_mainFrame->ActiveView();
    if (view == nullptr) return;
    switch (id) {
        case cmd::kFilePrint:
            view->OnFilePrint();
            return;
        case cmd::kFilePrintDirect:
            view->OnFilePrintDirect();
            return;
        case cmd::kFilePrintPreview:
            view->OnFilePrintPreview();
            return;
        case cmd::kFileExportPage:
        case cmd::kFileExportAll:
            OnExport(*view, id == cmd::kFileExportAll);
            return;
        case cmd::kEditCopy:
            OnEditCopy(*view);
            return;
        case cmd::kViewZoomIn:
            SetZoom(*view, {ZoomMode::Factor, ZoomInStep(view->ZoomFactor())});
            return;
        case cmd::kViewZoomOut:
            SetZoom(*view, {ZoomMode::Factor, ZoomOutStep(view->ZoomFactor())});
            return;
        case cmd::kViewActualSize:
            SetZoom(*view, {ZoomMode::Factor, 1.0});
            return;
        case cmd::kViewFitPage:
            SetZoom(*view, {ZoomMode::FitPage, view->Zoom().factor});
            return;
        case cmd::kViewFitWidth:
            SetZoom(*view, {ZoomMode::FitWidth, view->Zoom().factor});
            return;
        case cmd::kPagePrevious:
            view->OnKeyUp(PageKey::PageUp);
            return;
        case cmd::kPageNext:
            view->OnKeyUp(PageKey::PageDown);
            return;
        case cmd::kGoToDate:
            OnGoToDate(*view);
            return;
        default:
            return;
    }
}

void CCaelvaneApp::RunFrameCommand(int id) {
    switch (id) {
        case cmd::kViewToolbar:
            m_mainFrame->OnViewToolbar();
            return;
        case cmd::kViewStatusBar:
            m_mainFrame->OnViewStatusBar();
            return;
        case cmd::kWindowNew:
            if (CCaelvaneDoc* doc = m_mainFrame->GetActiveJobDocument()) {
                m_template->CreateNewFrame(*doc);
            }
            return;
        case cmd::kWindowCascade:
            m_mainFrame->OnWindowCascade();
            return;
        case cmd::kWindowTile:
            m_mainFrame->OnWindowTile();
            return;
        case cmd::kWindowArrange:
            m_mainFrame->OnWindowArrangeIcons();
            return;
        case cmd::kWindowClose:
            m_mainFrame->OnWindowClose();
            return;
        default:
            return;
    }
}
