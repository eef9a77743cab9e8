// The active view's commands that need the application: zoom kept in the profile, Go to Date,
// Export and Copy.
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSettings>
#include <QStatusBar>
#include <algorithm>
#include <memory>

#include "app/caelvane_app.h"
#include "app/caelvane_view.h"
#include "app/go_to_date_dlg.h"
#include "app/main_frame.h"
#include "app/page_export.h"
#include "app/page_navigation.h"
#include "app/page_style_choice.h"
#include "app/positions_choice.h"
#include "job/caelvane_doc.h"
#include "platform/qt/qt_host_services.h"

namespace {

const char* const kZoomKey = "View/Zoom";

// An export of more pages than this shows its progress with a Cancel button.
constexpr int kExportProgressFromPages = 2;
// How long the status bar confirms a written export.
constexpr int kExportConfirmationMs = 15000;

}  // namespace

void CCaelvaneApp::SetZoom(CCaelvaneView& view, const ZoomChoice& choice) {
    view.SetZoom(choice);
    m_profile->setValue(QLatin1String(kZoomKey), ZoomChoiceText(view.Zoom()));
}

void CCaelvaneApp::OnGoToDate(CCaelvaneView& view) {
    CCaelvaneDoc* doc = view.GetJobDocument();
    if (doc == nullptr) return;
    const std::optional<PageDateRange> range = JobPageDates(*doc, *m_host);
    if (!range) {
        QString error;
        PageForDate(*doc, *m_host, QDate(), error);
        m_host->ShowMessage(error);
        return;
    }
    int page = 0;
    CGoToDateDlg dialog(
        view.CurrentPageStatus().date, range->first, range->last,
        [&](QDate date, QString& error) {
            const std::optional<int> found = PageForDate(*doc, *m_host, date, error);
            if (found) page = *found;
            return found.has_value();
        },
        [this](const QString& error) { m_host->ShowMessage(error); }, m_mainFrame);
    if (dialog.exec() != QDialog::Accepted) return;
    view.GoToPage(page);
}

bool CCaelvaneApp::OnExport(CCaelvaneView& view, bool allPages) {
    CCaelvaneDoc* doc = view.GetJobDocument();
    if (doc == nullptr) return false;
    // Beside the job's file, named after it.
    QString suggested = QFileInfo(QString::fromLatin1(doc->GetTitle())).completeBaseName();
    if (suggested.isEmpty()) suggested = QStringLiteral("chart");
    const QString pathName = QString::fromLocal8Bit(doc->GetPathName().c_str());
    if (!pathName.isEmpty()) {
        suggested = QFileInfo(pathName).absoluteDir().filePath(suggested);
    }
    suggested += QStringLiteral(".pdf");
    const QString path = m_filePrompts.exportFileName(m_mainFrame, suggested, allPages);
    if (path.isEmpty()) return false;
    if (!ExportFormatOf(path)) {
        m_host->ShowMessage(
            QStringLiteral("Cannot export to %1: the name must end in .pdf, .png or .svg.")
                .arg(path));
        return false;
    }

    std::unique_ptr<QProgressDialog> progress;
    const ExportProgress report = [&](int done, int total) {
        if (total < kExportProgressFromPages) return true;
        if (!progress) {
            progress = std::make_unique<QProgressDialog>(
                QStringLiteral("Exporting %1").arg(QString::fromLatin1(doc->GetTitle())),
                QStringLiteral("Cancel"), 0, total, m_mainFrame);
            progress->setWindowTitle(QStringLiteral("Caelvane"));
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(500);
        }
        progress->setValue(done);
        return !progress->wasCanceled();
    };
    const std::optional<int> page =
        allPages ? std::nullopt : std::optional<int>(view.CurrentPageStatus().page);
    const ExportResult result =
        ExportPages(*doc, *m_host, m_positions->Source(), path, page, report, m_pageStyle->Style());
    progress.reset();
    // A page's message (dates that run backwards) is the same on every page: shown once.
    std::vector<std::string> shown;
    for (const std::string& message : result.messages) {
        if (std::find(shown.begin(), shown.end(), message) != shown.end()) continue;
        shown.push_back(message);
        m_host->MessageBox(message);
    }
    if (result.outcome == ExportOutcome::Failed) {
        m_host->ShowMessage(QStringLiteral("The export failed: %1").arg(result.error));
    }
    if (result.outcome == ExportOutcome::Written && m_mainFrame != nullptr) {
        m_mainFrame->statusBar()->showMessage(ExportSummary(result), kExportConfirmationMs);
    }
    return result.outcome == ExportOutcome::Written;
}

void CCaelvaneApp::OnEditCopy(CCaelvaneView& view) {
    if (const CCaelvaneDoc* doc = view.GetJobDocument()) {
        CopyPageToClipboard(*doc, *m_host, m_positions->Source(), view.CurrentPageStatus().page,
                            m_pageStyle->Style());
    }
}
