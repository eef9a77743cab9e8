#include "app/tests/test_support.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "job/job_file.h"

namespace apptest {

AppFixture::AppFixture(const QString& profilePath, const QString& instanceName) {
    CAppOptions options;
    options.profilePath = profilePath;
    options.instanceName = instanceName;
    options.host = &host;
    options.errorOutput = [this](const QString& text) { errors.append(text); };
    options.printDialog = [this](QPrinter& printer, QWidget*, int minPage, int maxPage) {
        ++printDialogs;
        dialogMinPage = minPage;
        dialogMaxPage = maxPage;
        if (!acceptPrintDialog) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        if (fromPage > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(fromPage, toPage);
        } else {
            printer.setPrintRange(QPrinter::AllPages);
        }
        return true;
    };
    options.filePrompts.openFileName = [](QWidget*) { return QString(); };
    options.priceFileName = [this](QWidget*) { return priceFilePath; };
    options.horoscopeFileName = [this](QWidget*) { return horoscopeFilePath; };
    options.horoscopeSaveName = [this](QWidget*, const QString&) { return horoscopeSavePath; };
    options.filePrompts.saveFileName = [this](QWidget*, const QString& suggested) {
        saveAsSuggestions.append(suggested);
        return saveAsPath;
    };
    options.filePrompts.exportFileName = [this](QWidget*, const QString& suggested, bool all) {
        exportSuggestions.append(suggested);
        exportAllPagesAsked.append(all);
        return exportPath;
    };
    app = std::make_unique<CCaelvaneApp>(options);
}

AppFixture::~AppFixture() {
    // Closing asks nothing more: every job is closed as it stands.
    for (CCaelvaneDoc* doc : app->Template().Documents()) doc->SetModifiedFlag(false);
    app.reset();
}

QString ShownTitle(const QWidget& window) {
    QString title = window.windowTitle();
    title.replace(QStringLiteral("[*]"),
                  window.isWindowModified() ? QStringLiteral("*") : QString());
    return title;
}

void AppFixture::PaintActiveView() {
    if (CCaelvaneView* view = ActiveView()) Paint(view);
}

void Paint(CCaelvaneView* view) {
    // A window just shown is laid out by posted events before it can paint.
    const int before = view->PaintCount();
    QCoreApplication::processEvents();
    view->viewport()->repaint();
    QTRY_VERIFY_WITH_TIMEOUT(view->PaintCount() > before, 2000);
}

QString WriteJob(const QTemporaryDir& dir, const QString& name, CCaelvaneDoc& doc) {
    const QString path = dir.filePath(name);
    std::string error;
    if (!SaveJobFile(QFile::encodeName(path).toStdString(), doc, error)) {
        qWarning("cannot write %s: %s", qPrintable(path), error.c_str());
    }
    return path;
}

void MakeRangeJob(CCaelvaneDoc& doc, int pages) {
    doc.m_jobType = 3;
    doc.m_startMonth = 1;
    doc.m_startDay = 18;
    doc.m_startYear = 2000;
    doc.m_endMonth = 1;
    doc.m_endDay = 18 + pages - 1;
    doc.m_endYear = 2000;
}

QString PdfPageText(const QString& pdfPath, int page) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                   QString::number(page), QStringLiteral("-layout"), pdfPath, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPageCount(const QString& pdfPath) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {pdfPath});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return -1;
    const QString info = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

}  // namespace apptest
