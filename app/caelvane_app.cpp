#include "app/caelvane_app.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <utility>

#include "app/about_dialog.h"
#include "app/caelvane_view.h"
#include "app/child_frame.h"
#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/command_line.h"
#include "app/help_window.h"
#include "app/instance_channel.h"
#include "app/main_frame.h"
#include "app/menu_bars.h"
#ifdef CAELVANE_WITH_NATAL
#include "app/natal_window.h"
#endif
#include "app/page_style_choice.h"
#include "app/positions_choice.h"
#include "app/price_chart_settings.h"
#include "app/price_chart_view.h"
#include "app/price_chart_window.h"
#include "app/recent_file_list.h"
#include "app/status_bar.h"
#include "job/caelvane_doc.h"
#include "platform/qt/qt_host_services.h"

namespace {

const char* const kFileFilter = "Caelvane Jobs (*.cvj);;All Files (*)";
const char* const kCannotStartPrint = "Could not start print job.";
// How soon files handed over while a dialog is open are tried again.
constexpr int kHandedFilesRetryMs = 250;

// US Letter, portrait, the whole sheet: the chart page is 8.5 x 11 inches from the corner.
void SetUpLetterPage(QPrinter& printer) {
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
    printer.setFullPage(true);
}

// Messages kept to be shown together, in the order they came.
class GatheringHost : public caelvane::CQtHostServices {
public:
    explicit GatheringHost(caelvane::CQtHostServices& shown) : m_shown(shown) {}
    caelvane::LocalDate Today() const override { return m_shown.Today(); }
    caelvane::TimeZoneRule ZoneRule() const override { return m_shown.ZoneRule(); }
    void MessageBox(const std::string& text) override {
        messages.append(QString::fromLatin1(text));
    }
    void ShowMessage(const QString& text) override { messages.append(text); }
    Answer AskYesNoCancel(const QString& text) override { return m_shown.AskYesNoCancel(text); }

    QStringList messages;

private:
    caelvane::CQtHostServices& m_shown;
};

// Messages written out at once; nothing can be answered, so a question is cancelled.
class ErrorOutputHost : public caelvane::CQtHostServices {
public:
    ErrorOutputHost(caelvane::CQtHostServices& clock, std::function<void(const QString&)> output)
        : m_clock(clock), m_output(std::move(output)) {}
    caelvane::LocalDate Today() const override { return m_clock.Today(); }
    caelvane::TimeZoneRule ZoneRule() const override { return m_clock.ZoneRule(); }
    void MessageBox(const std::string& text) override { m_output(QString::fromLatin1(text)); }
    void ShowMessage(const QString& text) override { m_output(text); }
    Answer AskYesNoCancel(const QString& text) override {
        m_output(text);
        return Answer::Cancel;
    }

private:
    caelvane::CQtHostServices& m_clock;
    std::function<void(const QString&)> m_output;
};

bool RunPrintDialog(QPrinter& printer, QWidget* parent, int minPage, int maxPage) {
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(minPage, maxPage);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

// Resources of a static library are brought in by name (outside any namespace).
static void InitResources() {
    Q_INIT_RESOURCE(caelvane_resources);
}

CCaelvaneApp::CCaelvaneApp(CAppOptions options) : m_options(std::move(options)) {
    InitResources();
    QCoreApplication::setOrganizationName(QStringLiteral("Caelvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Caelvane"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    // No display name: window managers would get it appended to every title (" — Caelvane"),
    // and the titles read exactly as the program sets them. Message boxes take the
    // application name, which is the same word.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brightwold.Caelvane"));
    QApplication::setAttribute(Qt::AA_DontShowIconsInMenus, true);

    if (m_options.host != nullptr) {
        m_host = m_options.host;
    } else {
        m_ownHost = std::make_unique<caelvane::CQtHostServices>();
        m_host = m_ownHost.get();
    }
    if (m_options.profilePath.isEmpty()) {
        m_profile =
            std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                        QStringLiteral("Caelvane"), QStringLiteral("Caelvane"));
    } else {
        m_profile = std::make_unique<QSettings>(m_options.profilePath, QSettings::IniFormat);
    }
    m_recentFiles = std::make_unique<CRecentFileList>(*m_profile);
    m_priceSettings =
        std::make_unique<CPriceChartSettingsStore>(PriceSettingsPathBeside(m_profile->fileName()));

    m_environment.host = m_host;
    m_environment.printer = [this]() -> QPrinter& { return Printer(); };
    m_environment.profile = m_profile.get();
    m_environment.printDialog =
        m_options.printDialog ? m_options.printDialog : PrintDialogFunction(&RunPrintDialog);
    m_filePrompts.openFileName = m_options.filePrompts.openFileName
                                     ? m_options.filePrompts.openFileName
                                     : [this](QWidget* parent) { return AskOpenFileName(parent); };
    m_filePrompts.saveFileName = m_options.filePrompts.saveFileName
                                     ? m_options.filePrompts.saveFileName
                                     : [this](QWidget* parent, const QString& suggested) {
                                           return AskSaveFileName(parent, suggested);
                                       };
    m_filePrompts.exportFileName =
        m_options.filePrompts.exportFileName
            ? m_options.filePrompts.exportFileName
            : [this](QWidget* parent, const QString& suggested, bool allPages) {
                  return AskExportFileName(parent, suggested, allPages);
              };

    m_mainFrame = new CMainFrame;
    m_host->SetParentWidget(m_mainFrame);
    SetUpPositionsChoice();
    SetUpPageStyleChoice();
    m_template = new CJobTemplate(*m_mainFrame->MdiArea(), m_environment, m_filePrompts, this);
    m_mainFrame->SetCloseCheck([this] { return CanExit(); });
    connect(&m_mainFrame->Actions(), &CCommandActions::commandTriggered, this,
            &CCaelvaneApp::OnCommand);
    connect(m_template, &CJobTemplate::framesChanged, m_mainFrame, &CMainFrame::UpdateFrameState);
    connect(m_template, &CJobTemplate::documentFileUsed, this, [this](const QString& path) {
        m_recentFiles->Add(path);
        UpdateRecentFileMenu();
    });
    connect(m_mainFrame, &CMainFrame::filesDropped, this, [this](const QStringList& paths) {
        for (const QString& path : paths) {
#ifdef CAELVANE_WITH_NATAL
            if (IsHoroscopeFileName(path)) {
                OpenHoroscopeFile(path);
                continue;
            }
#endif
            // Text files are as often notes as bars: one that holds none is left alone.
            if (IsPriceFileName(path))
                OpenPriceFile(path, IsTextFileName(path));
            else
                OpenDocumentFile(path);
        }
    });
    UpdateRecentFileMenu();
}

CCaelvaneApp::~CCaelvaneApp() {
    delete m_helpWindow;
    m_mainFrame->SetCloseCheck(nullptr);
    disconnect(m_template, nullptr, m_mainFrame, nullptr);
    // The windows (and their views) go before the jobs they show.
    delete m_mainFrame;
    m_mainFrame = nullptr;
    delete m_template;
    m_template = nullptr;
}

CHelpWindow* CCaelvaneApp::HelpWindow() const {
    return m_helpWindow;
}

QPrinter& CCaelvaneApp::Printer() {
    // Made on first use: asking the print system for its printers takes time at start-up.
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        SetUpLetterPage(*m_printer);
    }
    return *m_printer;
}

std::optional<int> CCaelvaneApp::InitInstance(const QStringList& arguments) {
    QList<QByteArray> native;
    for (const QString& argument : arguments) native.append(QFile::encodeName(argument));
    return InitInstanceNative(native);
}

std::optional<int> CCaelvaneApp::InitInstanceNative(const QList<QByteArray>& arguments) {
    const CommandLine line = ParseCommandLine(arguments);
    switch (line.action) {
        case CommandLine::Action::Help:
            std::fputs(CommandLineUsage().toLocal8Bit().constData(), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::printf("Caelvane %s\n", kVersion);
            return 0;
        case CommandLine::Action::Invalid:
            std::fprintf(stderr, "caelvane: %s\n%s", line.error.toLocal8Bit().constData(),
                         CommandLineUsage().toLocal8Bit().constData());
            return 2;
        case CommandLine::Action::Print:
        case CommandLine::Action::PrintTo:
            return PrintFromCommandLine(line.nativeFile, line.printer);
        case CommandLine::Action::Open:
        case CommandLine::Action::NewJob:
            break;
    }

    if (!m_options.instanceName.isEmpty()) {
        if (line.action == CommandLine::Action::Open) {
            QString refusal;
            if (CInstanceChannel::HandOver(m_options.instanceName,
                                           QList<QByteArray>{line.nativeFile}, 3000, &refusal)) {
                return 0;
            }
            if (!refusal.isEmpty()) ReportError(refusal);
        }
        m_instanceChannel = new CInstanceChannel(this);
        QString error;
        if (m_instanceChannel->Listen(m_options.instanceName, &error)) {
            m_instanceChannel->SetReceiver(
                [this](const QList<QByteArray>& files) { return QueueHandedFiles(files); });
        } else {
            // This start works on by itself; later starts hand their files to the other one.
            ReportError(QStringLiteral("not taking files from later starts: %1").arg(error));
            delete m_instanceChannel;
            m_instanceChannel = nullptr;
        }
    }

    // A profile value that could not be used is reported once, when the program comes up.
    if (!m_positions->ProfileProblem().isEmpty())
        m_host->ShowMessage(m_positions->ProfileProblem());
    if (!m_pageStyle->ProfileProblem().isEmpty())
        m_host->ShowMessage(m_pageStyle->ProfileProblem());

    // The main window first, so that the first job window gets the area's real size.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        m_mainFrame->resize(available.width() * 4 / 5, available.height() * 9 / 10);
    }
    m_mainFrame->show();
    // A file that does not open has been reported; the user still gets the usual new job.
    if (line.action == CommandLine::Action::Open && OpenNativeFileOrPrices(line.nativeFile)) {
        return std::nullopt;
    }
    if (OnFileNew() == nullptr) return 1;
    return std::nullopt;
}

bool CCaelvaneApp::QueueHandedFiles(const QList<QByteArray>& files) {
    if (m_handedFiles.size() + files.size() > kMaxQueuedFiles) return false;
    m_handedFiles.append(files);
    if (!m_handedFilesScheduled) {
        m_handedFilesScheduled = true;
        QTimer::singleShot(0, this, &CCaelvaneApp::OpenHandedFiles);
    }
    return true;
}

void CCaelvaneApp::OpenHandedFiles() {
    // Inside a dialog's loop (a message, Save As, the print dialog) the files wait: a message
    // box of ours must never open inside another's loop.
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(kHandedFilesRetryMs, this, &CCaelvaneApp::OpenHandedFiles);
        return;
    }
    m_handedFilesScheduled = false;
    const QList<QByteArray> files = std::exchange(m_handedFiles, {});
    GatheringHost gathering(*m_host);
    caelvane::CQtHostServices* const shown = m_environment.host;
    m_environment.host = &gathering;
    for (const QByteArray& file : files) OpenNativeFileOrPrices(file);
    m_environment.host = shown;
    if (m_mainFrame->isMinimized()) m_mainFrame->showNormal();
    m_mainFrame->raise();
    m_mainFrame->activateWindow();
    if (!gathering.messages.isEmpty()) {
        m_host->ShowMessages(gathering.messages);
    }
}

void CCaelvaneApp::ReportError(const QString& text) {
    if (m_options.errorOutput) {
        m_options.errorOutput(text);
    } else {
        std::fprintf(stderr, "caelvane: %s\n", text.toLocal8Bit().constData());
    }
}

std::optional<int> CCaelvaneApp::PrintFromCommandLine(const QByteArray& file,
                                                      const QString& printerName) {
    // Printing from the command line shows no window, so nothing is asked in a box: the job is
    // opened in a hidden main window and every complaint goes to the error output.
    ErrorOutputHost complaints(*m_host, [this](const QString& text) { ReportError(text); });
    caelvane::CQtHostServices* const shown = m_environment.host;
    m_environment.host = &complaints;
    const auto restore = qScopeGuard([this, shown] { m_environment.host = shown; });
    CCaelvaneDoc* doc = OpenNativeFile(file);
    if (doc == nullptr) return 1;
    QPrinter& printer = Printer();
    if (!printerName.isEmpty()) {
        if (!QPrinterInfo::availablePrinterNames().contains(printerName)) {
            ReportError(QStringLiteral("%1\nno printer is named \"%2\"")
                            .arg(QString::fromLatin1(kCannotStartPrint), printerName));
            return 1;
        }
        printer.setPrinterName(printerName);
        SetUpLetterPage(printer);
    }
    const std::vector<CChildFrame*> frames = m_template->FramesOf(*doc);
    if (frames.empty()) return 1;
    return frames.front()->View()->OnFilePrintDirect() ? 0 : 1;
}

void CCaelvaneApp::SetUpPositionsChoice() {
    m_positions = new CPositionsChoice(*m_profile, *m_mainFrame);
    m_environment.positions = m_positions->Source();
    QMenu* view = m_mainFrame->MenuBars().JobViewMenu();
    view->addSeparator();
    view->addMenu(m_positions->Menu());
    m_mainFrame->StatusBar()->addPermanentWidget(m_positions->StatusField());
    connect(m_positions, &CPositionsChoice::sourceChanged, this, [this](PositionSource source) {
        m_environment.positions = source;
        // Every open view at once: each repaints from its job with the new source.
        for (CCaelvaneView* view : m_mainFrame->findChildren<CCaelvaneView*>()) {
            view->viewport()->update();
        }
    });
}

void CCaelvaneApp::SetUpPageStyleChoice() {
    m_pageStyle = new CPageStyleChoice(*m_profile, *m_mainFrame);
    m_environment.pageStyle = m_pageStyle->Style();
    m_mainFrame->MenuBars().JobViewMenu()->addMenu(m_pageStyle->Menu());
    connect(m_pageStyle, &CPageStyleChoice::styleChanged, this, [this](PageStyle style) {
        m_environment.pageStyle = style;
        for (CCaelvaneView* view : m_mainFrame->findChildren<CCaelvaneView*>()) {
            view->viewport()->update();
        }
    });
}

void CCaelvaneApp::UpdateRecentFileMenu() {
    const QStringList& paths = m_recentFiles->Paths();
    for (int i = 0; i < cmd::kRecentFileCount; ++i) {
        QAction* action = m_mainFrame->Actions().Action(cmd::kFileMruFile1 + i);
        const bool used = i < paths.size();
        action->setVisible(used);
        action->setEnabled(used);
        action->setText(used ? m_recentFiles->MenuText(i) : QString());
    }
    m_mainFrame->MenuBars().RecentFilePlaceholder()->setVisible(paths.isEmpty());
}

CCaelvaneDoc* CCaelvaneApp::OnFileNew() {
    return m_template->OpenNewDocument();
}

void CCaelvaneApp::OnFileOpen() {
    const QString path = m_filePrompts.openFileName(m_mainFrame);
    if (!path.isEmpty()) OpenDocumentFile(path);
}

void CCaelvaneApp::OnFileOpenPrices() {
    const QString path = m_options.priceFileName ? m_options.priceFileName(m_mainFrame)
                                                 : AskPriceFileName(m_mainFrame);
    if (!path.isEmpty()) OpenPriceFile(path);
}

CPriceChartWindow* CCaelvaneApp::ShowOnPriceChart(const QString& path, double seconds) {
    CPriceChartWindow* chart = OpenPriceFile(path);
    if (chart == nullptr) return nullptr;
    const QPointer<CPriceChartWindow> shown(chart);
    const auto centre = [shown, seconds] {
        if (!shown) return;
        prices::ChartWindow window = shown->View()->ChartWindow();
        constexpr double kHalfSpan = 45 * 86400.0;
        window.timeLeft = seconds - kHalfSpan;
        window.timeRight = seconds + kHalfSpan;
        shown->View()->SetChartWindow(window);
    };
    if (chart->Reading()) {
        QObject::connect(
            chart, &CPriceChartWindow::readingFinished, chart,
            [centre](bool read) {
                if (read) centre();
            },
            Qt::SingleShotConnection);
    } else {
        centre();
    }
    return chart;
}

CPriceChartWindow* CCaelvaneApp::OpenPriceFile(const QString& path, bool onlyIfBars) {
    // The chart takes the precise source unless the user chose one under View > Positions.
    const std::optional<PositionSource> chosen =
        m_profile->contains(QLatin1String(CPositionsChoice::kProfileKey))
            ? std::optional<PositionSource>(m_positions->Source())
            : std::nullopt;
    CPriceChartWindow* window = OpenPriceChart(path, m_priceSettings.get(), *m_host, m_mainFrame,
                                               PriceChartSource(chosen), onlyIfBars);
    if (window != nullptr) {
        m_recentFiles->Add(path);
        UpdateRecentFileMenu();
    }
    return window;
}

CCaelvaneDoc* CCaelvaneApp::OpenDocumentFile(const QString& path) {
    return m_template->OpenDocumentFile(path);
}

CCaelvaneDoc* CCaelvaneApp::OpenNativeFile(const QByteArray& path) {
    return m_template->OpenNativeFile(path);
}

bool CCaelvaneApp::OpenNativeFileOrPrices(const QByteArray& path) {
    // A CSV file named on the command line or handed over by a later start is a bar file, as
    // when it is dropped; everything else is taken for a job.
    const QString name = QFile::decodeName(path);
#ifdef CAELVANE_WITH_NATAL
    // A horoscope file opens in a horoscope window.
    if (IsHoroscopeFileName(name)) return OpenHoroscopeFile(name);
#endif
    if (IsPriceFileName(name) && !IsTextFileName(name)) return OpenPriceFile(name) != nullptr;
    return OpenNativeFile(path) != nullptr;
}

CCaelvaneDoc* CCaelvaneApp::OnOpenRecentFile(int index) {
    const QStringList& paths = m_recentFiles->Paths();
    if (index < 0 || index >= paths.size()) return nullptr;
    const QString path = paths.at(index);
    if (IsPriceFileName(path)) {
        if (OpenPriceFile(path) == nullptr) {
            m_recentFiles->Remove(path);
            UpdateRecentFileMenu();
        }
        return nullptr;
    }
    CCaelvaneDoc* doc = OpenDocumentFile(path);
    if (doc == nullptr) {
        m_recentFiles->Remove(path);
        UpdateRecentFileMenu();
    }
    return doc;
}

void CCaelvaneApp::OnFilePrintSetup() {
    QPageSetupDialog dialog(&Printer(), m_mainFrame);
    dialog.exec();
}

void CCaelvaneApp::OnAppAbout() {
    CAboutDlg dialog(m_mainFrame);
    dialog.exec();
}

void CCaelvaneApp::OnAppExit() {
    m_mainFrame->close();
}

bool CCaelvaneApp::CanExit() {
    if (!m_template->SaveAllModified()) return false;
    m_template->CloseAllDocuments();
    if (m_helpWindow) m_helpWindow->close();
    return true;
}

void CCaelvaneApp::OnHelpContents() {
    if (!m_helpWindow) m_helpWindow = new CHelpWindow(m_mainFrame);
    m_helpWindow->ShowContents();
}

QString CCaelvaneApp::AskOpenFileName(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), QString(),
                                        QString::fromLatin1(kFileFilter));
}

QString CCaelvaneApp::AskPriceFileName(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open Prices"), QString(),
                                        QStringLiteral("Price bars (*.csv *.txt);;All files (*)"));
}

QString CCaelvaneApp::AskExportFileName(QWidget* parent, const QString& suggested, bool allPages) {
    QFileDialog dialog(
        parent, allPages ? QStringLiteral("Export All Pages") : QStringLiteral("Export Page"),
        suggested, QStringLiteral("PDF document (*.pdf);;PNG image (*.png);;SVG drawing (*.svg)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(suggested);
    // The filter chosen gives a name without an extension its own.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const qsizetype dot = filter.indexOf(QLatin1String("*."));
        if (dot >= 0) dialog.setDefaultSuffix(filter.mid(dot + 2, 3));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString CCaelvaneApp::AskSaveFileName(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(parent, QStringLiteral("Save As"), suggested,
                       QString::fromLatin1(kFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("cvj"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}
