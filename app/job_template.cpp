#include "app/job_template.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QUtf8StringView>
#include <algorithm>

#include "app/caelvane_view.h"
#include "app/child_frame.h"
#include "app/native_path.h"
#include "job/caelvane_doc.h"
#include "job/job_file.h"
#include "platform/qt/qt_host_services.h"

namespace {

const char* const kDocumentName = "Job";
const char* const kFileExtension = ".cvj";
// The standard texts of a failed open or save, followed by the file layer's reason, which names
// the file (a user must be able to tell which file and why).
const char* const kFailedToOpen = "Failed to open document.";
const char* const kFailedToSave = "Failed to save document.";

QString FailureMessage(const char* standardText, const std::string& reason) {
    return QString::fromLatin1(standardText) + QLatin1Char('\n') + QString::fromLocal8Bit(reason);
}

QString CannotFindMessage(const QString& path) {
    return QStringLiteral(
               "%1\nCannot find this file.\nPlease verify that the correct path and file name "
               "are given.")
        .arg(path);
}

// Paths as the file system names them; titles as the chart prints them (single-byte text).
std::string FileSystemPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
std::string TitleFor(const QString& path) {
    return QFileInfo(path).fileName().toLatin1().toStdString();
}
QString TitleText(const CCaelvaneDoc& doc) {
    return QString::fromLatin1(doc.GetTitle());
}

// The same file under any spelling of its path.
QString CanonicalPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

CJobTemplate::CJobTemplate(QMdiArea& mdiArea, CViewEnvironment& environment, CFilePrompts& prompts,
                           QObject* parent)
    : QObject(parent), m_mdiArea(mdiArea), m_environment(environment), m_prompts(prompts) {}

CJobTemplate::~CJobTemplate() {
    // Views still on screen must not outlive their documents' view lists.
    for (const auto& doc : m_documents) {
        const std::vector<CView*> views = doc->GetViews();
        for (CView* view : views) doc->RemoveView(view);
    }
}

CCaelvaneDoc* CJobTemplate::OpenNewDocument() {
    auto doc = std::make_unique<CCaelvaneDoc>();
    if (!doc->OnNewDocument()) {
        m_environment.host->ShowMessage(QStringLiteral("Failed to create empty document."));
        return nullptr;
    }
    ++m_untitledCount;
    doc->SetTitle(kDocumentName + std::to_string(m_untitledCount));
    CCaelvaneDoc* result = doc.get();
    m_documents.push_back(std::move(doc));
    CreateNewFrame(*result);
    return result;
}

CCaelvaneDoc* CJobTemplate::OpenDocumentFile(const QString& path) {
    return OpenNativeFile(QFile::encodeName(path));
}

CCaelvaneDoc* CJobTemplate::OpenNativeFile(const QByteArray& path) {
    // Worked on as bytes throughout: text made from a name that is not UTF-8 names another file.
    const QByteArray canonical = CanonicalNativePath(path);
    const QString shownCanonical = QFile::decodeName(canonical);
    for (const auto& open : m_documents) {
        if (open->GetPathName().empty() || open->GetPathName() != canonical.toStdString()) continue;
        const std::vector<CChildFrame*> frames = FramesOf(*open);
        if (!frames.empty()) Activate(frames.front());
        emit documentFileUsed(shownCanonical);
        return open.get();
    }
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        m_environment.host->ShowMessage(
            CannotFindMessage(QFileInfo(QFile::decodeName(path)).absoluteFilePath()));
        return nullptr;
    }
    auto doc = std::make_unique<CCaelvaneDoc>();
    std::string error;
    std::string reason;
    if (!LoadJobFile(path.toStdString(), *doc, error, reason)) {
        if (error != kUnexpectedFileFormat) {
            m_environment.host->ShowMessage(FailureMessage(kFailedToOpen, error));
        } else {
            // The standard line, then which file and what was wrong with it.
            m_environment.host->ShowMessage(
                QString::fromLatin1(kUnexpectedFileFormat) + QLatin1Char('\n') +
                QFileInfo(QFile::decodeName(path)).absoluteFilePath() + QStringLiteral(": ") +
                QString::fromStdString(reason.empty() ? std::string("not a job file") : reason));
        }
        return nullptr;
    }
    doc->SetPathName(canonical.toStdString());
    // A name that is not UTF-8 is most likely in a single-byte character set, as titles are.
    const QByteArray leaf = canonical.mid(canonical.lastIndexOf('/') + 1);
    doc->SetTitle(QUtf8StringView(leaf).isValidUtf8() ? TitleFor(shownCanonical)
                                                      : leaf.toStdString());
    doc->SetModifiedFlag(false);
    CCaelvaneDoc* result = doc.get();
    m_documents.push_back(std::move(doc));
    CreateNewFrame(*result);
    emit documentFileUsed(shownCanonical);
    return result;
}

CChildFrame* CJobTemplate::CreateNewFrame(CCaelvaneDoc& doc) {
    auto* view = new CCaelvaneView(doc, m_environment);
    auto* frame =
        new CChildFrame(view, [this](CChildFrame& closing) { return CanCloseFrame(closing); });
    connect(frame, &CChildFrame::frameClosing, this, &CJobTemplate::OnFrameClosing);
    m_mdiArea.addSubWindow(frame);
    // New windows cascade from the top-left corner, one title bar lower and to the right each,
    // wide enough for the page where the main window allows, most of the area high.
    const QSize area = m_mdiArea.viewport()->size();
    const QSize page = view->NaturalSize();
    const int chrome = frame->width() - frame->contentsRect().width() +
                       view->verticalScrollBar()->sizeHint().width() + 8;
    const int step = frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame) + 4;
    const int steps = std::max(1, (area.height() / 3) / std::max(1, step));
    const int offset = static_cast<int>((m_mdiArea.subWindowList().size() - 1) % steps) * step;
    const int width = std::clamp(page.width() + chrome, 200, std::max(200, area.width() * 9 / 10));
    const int height = std::max(200, std::min(area.height() * 17 / 20, area.height() - offset));
    frame->setGeometry(offset, offset, width, height);
    frame->show();
    Activate(frame);
    UpdateFrameTitles(doc);
    emit framesChanged();
    return frame;
}

void CJobTemplate::Activate(CChildFrame* frame) {
    if (frame->isMinimized()) frame->showNormal();
    m_mdiArea.setActiveSubWindow(frame);
    frame->widget()->setFocus();
}

bool CJobTemplate::SaveModified(CCaelvaneDoc& doc) {
    if (!doc.IsModified()) return true;
    const QString question = QStringLiteral("Save changes to %1?").arg(TitleText(doc));
    switch (m_environment.host->AskYesNoCancel(question)) {
        case caelvane::CQtHostServices::Answer::Cancel:
            return false;
        case caelvane::CQtHostServices::Answer::No:
            return true;
        case caelvane::CQtHostServices::Answer::Yes:
            break;
    }
    return OnFileSave(doc);
}

bool CJobTemplate::OnFileSave(CCaelvaneDoc& doc) {
    return DoSave(doc, doc.GetPathName().empty());
}

bool CJobTemplate::OnFileSaveAs(CCaelvaneDoc& doc) {
    return DoSave(doc, true);
}

bool CJobTemplate::DoSave(CCaelvaneDoc& doc, bool askForName) {
    QString path = QFile::decodeName(QByteArray::fromStdString(doc.GetPathName()));
    if (askForName) {
        QString suggested = path;
        if (suggested.isEmpty()) {
            suggested = TitleText(doc);
            if (QFileInfo(suggested).suffix().isEmpty()) suggested += QLatin1String(kFileExtension);
        }
        QWidget* parent = m_mdiArea.window();
        path = m_prompts.saveFileName(parent, suggested);
        if (path.isEmpty()) return false;
    }
    std::string error;
    if (!SaveJobFile(FileSystemPath(path), doc, error)) {
        m_environment.host->ShowMessage(FailureMessage(kFailedToSave, error));
        return false;
    }
    const QString canonical = CanonicalPath(path);
    doc.SetPathName(FileSystemPath(canonical));
    doc.SetTitle(TitleFor(canonical));
    doc.SetModifiedFlag(false);
    UpdateFrameTitles(doc);
    emit documentFileUsed(canonical);
    emit framesChanged();
    return true;
}

bool CJobTemplate::OnFileClose(CCaelvaneDoc& doc) {
    if (!SaveModified(doc)) return false;
    for (CChildFrame* frame : FramesOf(doc)) frame->CloseWithoutAsking();
    return true;
}

bool CJobTemplate::SaveAllModified() {
    for (CCaelvaneDoc* doc : Documents()) {
        if (!SaveModified(*doc)) return false;
    }
    return true;
}

void CJobTemplate::CloseAllDocuments() {
    for (CCaelvaneDoc* doc : Documents()) {
        for (CChildFrame* frame : FramesOf(*doc)) frame->CloseWithoutAsking();
    }
}

std::vector<CCaelvaneDoc*> CJobTemplate::Documents() const {
    std::vector<CCaelvaneDoc*> documents;
    for (const auto& doc : m_documents) documents.push_back(doc.get());
    return documents;
}

std::vector<CChildFrame*> CJobTemplate::FramesOf(const CCaelvaneDoc& doc) const {
    std::vector<CChildFrame*> frames;
    for (CView* view : doc.GetViews()) {
        auto* chartView = dynamic_cast<CCaelvaneView*>(view);
        if (chartView == nullptr) continue;
        for (QWidget* w = chartView->parentWidget(); w != nullptr; w = w->parentWidget()) {
            if (auto* frame = qobject_cast<CChildFrame*>(w)) {
                frames.push_back(frame);
                break;
            }
        }
    }
    return frames;
}

CCaelvaneDoc* CJobTemplate::FindByPath(const QString& path) const {
    const std::string wanted = FileSystemPath(CanonicalPath(path));
    for (const auto& doc : m_documents) {
        if (!doc->GetPathName().empty() && doc->GetPathName() == wanted) return doc.get();
    }
    return nullptr;
}

CCaelvaneDoc* CJobTemplate::DocumentOf(const QMdiSubWindow* frame) {
    const auto* child = qobject_cast<const CChildFrame*>(frame);
    if (child == nullptr || child->View() == nullptr) return nullptr;
    return child->View()->GetJobDocument();
}

QString CJobTemplate::FrameTitle(const CCaelvaneDoc& doc, int windowNumber, int windowCount) {
    const QString title = TitleText(doc);
    return windowCount > 1 ? QStringLiteral("%1:%2").arg(title).arg(windowNumber) : title;
}

void CJobTemplate::UpdateFrameTitles(const CCaelvaneDoc& doc) {
    const std::vector<CChildFrame*> frames = FramesOf(doc);
    const int count = static_cast<int>(frames.size());
    for (int i = 0; i < count; ++i) {
        // "[*]" shows as "*" while the job has unsaved changes.
        frames[i]->setWindowTitle(FrameTitle(doc, i + 1, count) + QStringLiteral("[*]"));
        frames[i]->setWindowModified(doc.IsModified());
    }
}

bool CJobTemplate::CanCloseFrame(CChildFrame& frame) {
    CCaelvaneDoc* doc = DocumentOf(&frame);
    if (doc == nullptr) return true;
    if (FramesOf(*doc).size() > 1) return true;
    return SaveModified(*doc);
}

void CJobTemplate::OnFrameClosing(CChildFrame* frame) {
    CCaelvaneDoc* doc = DocumentOf(frame);
    if (doc != nullptr) {
        doc->RemoveView(frame->View());
        if (doc->GetViews().empty()) {
            const auto it = std::find_if(m_documents.begin(), m_documents.end(),
                                         [doc](const auto& owned) { return owned.get() == doc; });
            if (it != m_documents.end()) m_documents.erase(it);
        } else {
            UpdateFrameTitles(*doc);
        }
    }
    // The window leaves the MDI area once its close has run.
    QTimer::singleShot(0, this, &CJobTemplate::framesChanged);
}
