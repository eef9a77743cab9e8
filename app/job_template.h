#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "app/view_environment.h"

class CCaelvaneDoc;
class CChildFrame;
class QMdiArea;
class QMdiSubWindow;
class QWidget;

// The file dialogs of Open, Save As and the exports; an empty answer means cancelled. Tests
// supply theirs.
struct CFilePrompts {
    std::function<QString(QWidget* parent)> openFileName;
    std::function<QString(QWidget* parent, const QString& suggestedPath)> saveFileName;
    // allPages: Export All Pages (the name of the PDF, or the pattern of the numbered files).
    std::function<QString(QWidget* parent, const QString& suggestedPath, bool allPages)>
        exportFileName;
};

// The one kind of document the program knows: jobs, each shown in child windows with a chart
// view inside the main window's MDI area. Owns the open jobs; a job lives from New or Open
// until its last window closes.
class CJobTemplate : public QObject {
    Q_OBJECT
public:
    CJobTemplate(QMdiArea& mdiArea, CViewEnvironment& environment, CFilePrompts& prompts,
                 QObject* parent = nullptr);
    ~CJobTemplate() override;

    // File New: a job with the defaults, titled Job1, Job2, ... in a new window.
    CCaelvaneDoc* OpenNewDocument();
    // File Open: reads the job and shows it in a new window; a job that is already open is
    // activated instead. nullptr after a reported failure (nothing is kept then).
    CCaelvaneDoc* OpenDocumentFile(const QString& path);
    // The same for a name as the system spells it (bytes that need not be UTF-8).
    CCaelvaneDoc* OpenNativeFile(const QByteArray& path);
    // Another window on `doc` (Window > New Window).
    CChildFrame* CreateNewFrame(CCaelvaneDoc& doc);

    // Asks "Save changes to %1?" for a modified job and saves on Yes; false on Cancel or when
    // the save failed.
    bool SaveModified(CCaelvaneDoc& doc);
    // Save / Save As. False when cancelled or failed (reported).
    bool OnFileSave(CCaelvaneDoc& doc);
    bool OnFileSaveAs(CCaelvaneDoc& doc);
    // File Close: asks, then closes every window of the job.
    bool OnFileClose(CCaelvaneDoc& doc);
    // Exit: asks for each modified job in turn; false as soon as one is cancelled.
    bool SaveAllModified();
    void CloseAllDocuments();

    std::vector<CCaelvaneDoc*> Documents() const;
    std::vector<CChildFrame*> FramesOf(const CCaelvaneDoc& doc) const;
    CCaelvaneDoc* FindByPath(const QString& path) const;
    static CCaelvaneDoc* DocumentOf(const QMdiSubWindow* frame);

    // The text the window of `doc` shows: its title, or "title:n" for its n-th of several.
    static QString FrameTitle(const CCaelvaneDoc& doc, int windowNumber, int windowCount);

signals:
    // A window opened, closed or changed its title.
    void framesChanged();
    // A job was read from or saved to `path` (the recent-file list takes it).
    void documentFileUsed(const QString& path);

private:
    bool DoSave(CCaelvaneDoc& doc, bool askForName);
    bool CanCloseFrame(CChildFrame& frame);
    void OnFrameClosing(CChildFrame* frame);
    void UpdateFrameTitles(const CCaelvaneDoc& doc);
    void Activate(CChildFrame* frame);

    QMdiArea& m_mdiArea;
    CViewEnvironment& m_environment;
    CFilePrompts& m_prompts;
    int m_untitledCount = 0;
    std::vector<std::unique_ptr<CCaelvaneDoc>> m_documents;
};
