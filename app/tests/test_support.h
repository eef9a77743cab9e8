#pragma once
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "app/caelvane_app.h"
#include "app/caelvane_view.h"
#include "app/child_frame.h"
#include "app/command_actions.h"
#include "app/main_frame.h"
#include "job/caelvane_doc.h"
#include "platform/qt/qt_host_services.h"
#include "testing/modal_dialog.h"

namespace apptest {

// Message boxes answered by the test: texts are recorded, questions take queued answers.
class RecordingHost : public caelvane::CQtHostServices {
public:
    void ShowMessage(const QString& text) override {
        messages.append(text);
        if (onMessage) onMessage();
    }
    // A summary and its details are recorded as one message, the summary first.
    void ShowSummary(const QString& summary, const QString& details) override {
        summaries.append(summary);
        ShowMessage(summary + QStringLiteral("\n\n") + details);
    }
    Answer AskYesNoCancel(const QString& text) override {
        questions.append(text);
        if (answers.empty()) return Answer::Cancel;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    caelvane::LocalDate Today() const override { return today; }

    QStringList messages;
    QStringList summaries;
    std::function<void()> onMessage;  // runs as each message is shown
    QStringList questions;
    std::deque<Answer> answers;
    caelvane::LocalDate today{1, 18, 2000};
};

// One start of the program with its own profile, message boxes and dialogs.
class AppFixture {
public:
    explicit AppFixture(const QString& profilePath, const QString& instanceName = {});
    ~AppFixture();

    CCaelvaneApp& App() { return *app; }
    CMainFrame& Frame() { return app->MainFrame(); }
    QList<QMdiSubWindow*> Windows() { return Frame().MdiArea()->subWindowList(); }
    CCaelvaneView* ActiveView() { return Frame().ActiveView(); }
    // Paints the active view at once (the chart state then holds its job).
    void PaintActiveView();

    RecordingHost host;
    // What the program wrote to its error output.
    QStringList errors;
    // The print dialog's stand-in: prints to `pdfPath` the pages fromPage..toPage (0: all).
    QString pdfPath;
    int fromPage = 0;
    int toPage = 0;
    int printDialogs = 0;
    int dialogMinPage = 0;
    int dialogMaxPage = 0;
    bool acceptPrintDialog = true;
    // The Save As dialog's stand-in.
    QString saveAsPath;
    QStringList saveAsSuggestions;
    // The export dialogs' stand-in: answers `exportPath`, records what was suggested and asked.
    QString exportPath;
    QStringList exportSuggestions;
    QList<bool> exportAllPagesAsked;
    // The Open Prices dialog's stand-in.
    QString priceFilePath;
    // The Open Horoscopes and save dialogs' stand-ins.
    QString horoscopeFilePath;
    QString horoscopeSavePath;
    std::unique_ptr<CCaelvaneApp> app;
};

// A window's title as the window manager shows it: "[*]" becomes "*" while the window is
// marked modified and disappears otherwise.
QString ShownTitle(const QWidget& window);

// Paints `view` at once.
void Paint(CCaelvaneView* view);

// A job file written from `doc` into `dir`; returns its path.
QString WriteJob(const QTemporaryDir& dir, const QString& name, CCaelvaneDoc& doc);
// A date-range job from 1/18/2000 over `pages` days.
void MakeRangeJob(CCaelvaneDoc& doc, int pages);

// The text of page `page` (1-based) of a PDF, through pdftotext.
QString PdfPageText(const QString& pdfPath, int page);
int PdfPageCount(const QString& pdfPath);

}  // namespace apptest
