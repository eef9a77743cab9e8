#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "app/job_template.h"
#include "app/view_environment.h"
#include "app/zoom_geometry.h"

class CCaelvaneDoc;
class CCaelvaneView;
class CHelpWindow;
class CInstanceChannel;
class CPageStyleChoice;
class CPositionsChoice;
class CPriceChartSettingsStore;
class CPriceChartWindow;
class CMainFrame;
class CRecentFileList;
class QPrinter;
class QSettings;

namespace caelvane {
class CQtHostServices;
}

// What a start of the program may change; the defaults are those of a user's start.
struct CAppOptions {
    QString profilePath;   // empty: the per-user profile (INI, organisation/application "Caelvane")
    QString instanceName;  // empty: no hand-over of files between starts
    caelvane::CQtHostServices* host = nullptr;              // nullptr: message boxes on the screen
    PrintDialogFunction printDialog;                        // empty: the system's print dialog
    CFilePrompts filePrompts;                               // empty members: the file dialogs
    std::function<QString(QWidget* parent)> priceFileName;  // empty: the Open Prices dialog
    // empty: the Open Horoscopes dialog, and the save dialog of a new horoscope file
    std::function<QString(QWidget* parent)> horoscopeFileName;
    std::function<QString(QWidget* parent, const QString& suggested)> horoscopeSaveName;
    // Where the program's complaints go when it shows no window (--print): empty, standard
    // error. One call per complaint, without the program's name.
    std::function<void(const QString&)> errorOutput;
};

// The application: the profile and recent-file list, the job template, the main window, the
// printer, the command line, and the application's commands.
class CCaelvaneApp : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kVersion = "1.1.0.0";

    explicit CCaelvaneApp(CAppOptions options = {});
    ~CCaelvaneApp() override;

    // Acts on the command line (arguments without the program name). Returns the exit status
    // when the program ends at once (printed, failed to start, handed the file to the running
    // program, --help), std::nullopt when the main window is up and the event loop should run.
    std::optional<int> InitInstance(const QStringList& arguments);
    // The same with the arguments as the system gave them, so that a file name need not be
    // UTF-8.
    std::optional<int> InitInstanceNative(const QList<QByteArray>& arguments);

    CMainFrame& MainFrame() const { return *m_mainFrame; }
    CJobTemplate& Template() const { return *m_template; }
    CRecentFileList& RecentFiles() const { return *m_recentFiles; }
    caelvane::CQtHostServices& Host() const { return *m_host; }
    QSettings& Profile() const { return *m_profile; }
    QPrinter& Printer();
    CHelpWindow* HelpWindow() const;
    CInstanceChannel* InstanceChannel() const { return m_instanceChannel; }
    // Where positions come from, for every view ([Settings] Positions in the profile).
    CPositionsChoice& Positions() const { return *m_positions; }
    CPageStyleChoice& PageStyles() const { return *m_pageStyle; }

    // Every command of the menus, the toolbar and the keys, by number.
    void OnCommand(int id);

    // Application commands.
    CCaelvaneDoc* OnFileNew();
    void OnFileOpen();
    // Opens as File Open does; nullptr after a reported failure.
    CCaelvaneDoc* OpenDocumentFile(const QString& path);
    CCaelvaneDoc* OpenNativeFile(const QByteArray& path);
    // A .csv file as prices, anything else as a job; whether a window opened.
    bool OpenNativeFileOrPrices(const QByteArray& path);
    // File > Open Prices: a bar file in a price chart window.
    void OnFileOpenPrices();
    // `onlyIfBars`: a file without bars is passed over silently (see OpenPriceChart).
    CPriceChartWindow* OpenPriceFile(const QString& path, bool onlyIfBars = false);
    // Opens (or brings forward) the chart of the price file at `path` and centres it on the
    // moment `seconds` (since 1970 UT), three months wide, once the file is read.
    CPriceChartWindow* ShowOnPriceChart(const QString& path, double seconds);
    // File > New Horoscope and File > Open Horoscopes (natal_commands.cpp): a horoscope
    // window, new or of a chart file; false when none opened.
    bool OnFileNewHoroscope();
    bool OnFileOpenHoroscopes();
    bool OpenHoroscopeFile(const QString& path);
    // Where the price chart windows keep their choices per data file.
    CPriceChartSettingsStore& PriceSettings() const { return *m_priceSettings; }
    // Files handed over by later starts wait here and are opened together once the program is
    // back in its own event loop (no dialog open), their failures told in one message. False
    // when too many are waiting already.
    bool QueueHandedFiles(const QList<QByteArray>& files);
    static constexpr qsizetype kMaxQueuedFiles = 256;
    void OnFilePrintSetup();
    // Recent file `index` (0-based); an entry that no longer opens leaves the list.
    CCaelvaneDoc* OnOpenRecentFile(int index);
    void OnAppAbout();
    void OnAppExit();
    // Asks to save each modified job; true when every job may close.
    bool CanExit();
    // The help pages at their contents.
    void OnHelpContents();

    // Commands of the active view that need the application's services.
    void OnGoToDate(CCaelvaneView& view);
    // Export Page (allPages false) and Export All Pages; true when files were written.
    bool OnExport(CCaelvaneView& view, bool allPages);
    void OnEditCopy(CCaelvaneView& view);
    // Sets the zoom of `view` and keeps the choice for new windows.
    void SetZoom(CCaelvaneView& view, const ZoomChoice& choice);

private:
    void RunDocumentCommand(int id, CCaelvaneDoc& doc);
    void RunViewCommand(int id);
    void RunFrameCommand(int id);
    void UpdateRecentFileMenu();
    std::optional<int> PrintFromCommandLine(const QByteArray& file, const QString& printerName);
    void StartInstanceChannel(const QByteArray& file, bool* handedOver);
    void OpenHandedFiles();
    void ReportError(const QString& text);
    void SetUpPositionsChoice();
    void SetUpPageStyleChoice();
    QString AskOpenFileName(QWidget* parent);
    QString AskPriceFileName(QWidget* parent);
    QString AskSaveFileName(QWidget* parent, const QString& suggested);
    QString AskExportFileName(QWidget* parent, const QString& suggested, bool allPages);

    CAppOptions m_options;
    std::unique_ptr<caelvane::CQtHostServices> m_ownHost;
    caelvane::CQtHostServices* m_host;
    std::unique_ptr<QSettings> m_profile;
    std::unique_ptr<CRecentFileList> m_recentFiles;
    std::unique_ptr<CPriceChartSettingsStore> m_priceSettings;
    std::unique_ptr<QPrinter> m_printer;
    CViewEnvironment m_environment;
    CFilePrompts m_filePrompts;
    // Owned by Qt's parent chain: the template by this object, the rest by the main window.
    CMainFrame* m_mainFrame;
    CJobTemplate* m_template;
    QPointer<CHelpWindow> m_helpWindow;
    CInstanceChannel* m_instanceChannel = nullptr;
    QList<QByteArray> m_handedFiles;
    bool m_handedFilesScheduled = false;
    CPositionsChoice* m_positions = nullptr;  // owned by the main window
    CPageStyleChoice* m_pageStyle = nullptr;  // owned by the main window
};
