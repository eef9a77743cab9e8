// Printing through the print dialog to a PDF file, in date and in reverse order; the DIB
// messages; the preview.
#include <QDialog>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/command_ids.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "chart/chart_state.h"
#include "job/caelvane_doc.h"

using apptest::AppFixture;

namespace {

// The page's date as its header prints it ("%02d %02d %04d %02d:%02d UT"), the first one on
// the page.
QString PrintedDate(const QString& pageText) {
    static const QRegularExpression date(QStringLiteral("(\\d\\d \\d\\d \\d{4} \\d\\d:\\d\\d UT)"));
    const QRegularExpressionMatch match = date.match(pageText);
    return match.hasMatch() ? match.captured(1) : QString();
}

QStringList PrintedDates(const QString& pdfPath) {
    QStringList dates;
    const int pages = apptest::PdfPageCount(pdfPath);
    for (int page = 1; page <= pages; ++page) {
        dates.append(PrintedDate(apptest::PdfPageText(pdfPath, page)));
    }
    return dates;
}

}  // namespace

class PrintingTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY2(!QStandardPaths::findExecutable("pdftotext").isEmpty(),
                 "pdftotext (poppler-utils) reads the printed dates back");
    }

    void printsEveryPageOfAFourPageJobInTheJobsOrder_data() {
        QTest::addColumn<int>("reverse");
        QTest::addColumn<int>("fromPage");
        QTest::addColumn<int>("toPage");
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<int>("pageShown");
        const QString d18 = "01 18 2000 17:00 UT", d19 = "01 19 2000 17:00 UT",
                      d20 = "01 20 2000 17:00 UT", d21 = "01 21 2000 17:00 UT";
        QTest::newRow("reverse order") << 1 << 0 << 0 << QStringList{d21, d20, d19, d18} << 1;
        QTest::newRow("date order") << 0 << 0 << 0 << QStringList{d18, d19, d20, d21} << 4;
        QTest::newRow("reverse, run pages 2 to 3") << 1 << 2 << 3 << QStringList{d20, d19} << 2;
        QTest::newRow("date order, pages 3 to 9") << 0 << 3 << 9 << QStringList{d20, d21} << 4;
    }
    void printsEveryPageOfAFourPageJobInTheJobsOrder() {
        QFETCH(int, reverse);
        QFETCH(int, fromPage);
        QFETCH(int, toPage);
        QFETCH(QStringList, dates);
        QFETCH(int, pageShown);
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 4);
        saved.m_reversePrintOrder = static_cast<std::uint8_t>(reverse);
        const QString path = apptest::WriteJob(m_dir, "four.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        fixture.pdfPath = m_dir.filePath(QString("four-%1.pdf").arg(QTest::currentDataTag()));
        fixture.fromPage = fromPage;
        fixture.toPage = toPage;
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        fixture.PaintActiveView();
        for (int page = 1; page < pageShown; ++page) fixture.App().OnCommand(cmd::kPageNext);
        QCOMPARE(fixture.ActiveView()->State().currentPage, pageShown);
        fixture.App().OnCommand(cmd::kFilePrint);
        QCOMPARE(fixture.printDialogs, 1);
        QCOMPARE(fixture.dialogMinPage, 1);
        QCOMPARE(fixture.dialogMaxPage, 4);
        QVERIFY(fixture.host.messages.isEmpty());
        QCOMPARE(PrintedDates(fixture.pdfPath), dates);
        // The view keeps the page it showed, whichever pages were printed last.
        QCOMPARE(fixture.Frame().GetActiveJobDocument()->m_currentPage, pageShown);
        QCOMPARE(fixture.ActiveView()->State().currentPage, pageShown);
    }

    void printsATodayJobAsPageOneOfOne() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        fixture.pdfPath = m_dir.filePath("today.pdf");
        fixture.host.today = {3, 9, 2011};
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
        doc->m_jobType = 0;
        doc->m_currentPage = 5;
        fixture.App().OnCommand(cmd::kFilePrint);
        QCOMPARE(PrintedDates(fixture.pdfPath), QStringList{"03 09 2011 17:00 UT"});
        QVERIFY(apptest::PdfPageText(fixture.pdfPath, 1).contains("page 1 of 1"));
        QCOMPARE(doc->m_currentPage, 1);
    }

    void printsTheJobOfItsOwnWindowWhenAnotherWasDrawnLast() {
        CCaelvaneDoc two;
        apptest::MakeRangeJob(two, 2);
        two.m_reversePrintOrder = 0;
        CCaelvaneDoc five;
        apptest::MakeRangeJob(five, 5);
        const QString pathTwo = apptest::WriteJob(m_dir, "two.cvj", two);
        const QString pathFive = apptest::WriteJob(m_dir, "five.cvj", five);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        fixture.pdfPath = m_dir.filePath("two.pdf");
        QCOMPARE(fixture.App().InitInstance({pathFive}), std::nullopt);
        fixture.App().OpenDocumentFile(pathTwo);
        CCaelvaneView* viewTwo = fixture.ActiveView();
        fixture.App().OpenDocumentFile(pathFive);
        fixture.PaintActiveView();  // the five-page job is drawn last
        QCOMPARE(fixture.ActiveView()->State().pageCount, 5);
        viewTwo->OnFilePrint();
        QCOMPARE(fixture.dialogMaxPage, 2);
        QCOMPARE(PrintedDates(fixture.pdfPath),
                 (QStringList{"01 18 2000 17:00 UT", "01 19 2000 17:00 UT"}));
    }

    void cancellingTheDialogPrintsNothing() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        fixture.pdfPath = m_dir.filePath("cancelled.pdf");
        fixture.acceptPrintDialog = false;
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnCommand(cmd::kFilePrint);
        QCOMPARE(fixture.printDialogs, 1);
        QVERIFY(!QFile::exists(fixture.pdfPath));
    }

    void aPrinterThatCannotStartIsReported() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        fixture.pdfPath = m_dir.filePath("no-such-folder/out.pdf");
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnCommand(cmd::kFilePrint);
        QCOMPARE(fixture.host.messages, QStringList{"Could not start print job."});
    }

    // With --print no window is shown, so nothing may wait in a box for an answer: every
    // complaint goes to the error output and the run ends with a failure status.
    void printingFromTheCommandLineComplainsOnTheErrorOutput() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        const QString path = apptest::WriteJob(m_dir, "cli.cvj", saved);
        {
            AppFixture fixture(m_dir.filePath("profile.ini"));
            fixture.App().Printer().setOutputFormat(QPrinter::PdfFormat);
            fixture.App().Printer().setOutputFileName(m_dir.filePath("no-such-folder/out.pdf"));
            QCOMPARE(fixture.App().InitInstance({"--print", path}), std::optional<int>(1));
            QCOMPARE(fixture.errors, QStringList{"Could not start print job."});
            QVERIFY(fixture.host.messages.isEmpty());
            QVERIFY(!fixture.Frame().isVisible());
        }
        {
            AppFixture fixture(m_dir.filePath("profile.ini"));
            const QString missing = m_dir.filePath("missing.cvj");
            QCOMPARE(fixture.App().InitInstance({"/p", missing}), std::optional<int>(1));
            QCOMPARE(fixture.errors.size(), 1);
            QVERIFY(fixture.errors.front().startsWith(missing + "\nCannot find this file."));
            QVERIFY(fixture.host.messages.isEmpty());
        }
        {
            AppFixture fixture(m_dir.filePath("profile.ini"));
            QCOMPARE(fixture.App().InitInstance({"--print-to", "No Such Printer 7", path}),
                     std::optional<int>(1));
            QCOMPARE(fixture.errors.size(), 1);
            QCOMPARE(fixture.errors.front().section('\n', 0, 0),
                     QString("Could not start print job."));
            QVERIFY(fixture.errors.front().contains("No Such Printer 7"));
            QVERIFY(fixture.host.messages.isEmpty());
        }
    }

    void theProgressBoxIsGoneBeforeAFailureIsShown() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 4);
        const QString path = apptest::WriteJob(m_dir, "progress.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        fixture.App().Printer().setOutputFormat(QPrinter::PdfFormat);
        fixture.App().Printer().setOutputFileName(m_dir.filePath("no-such-folder/out.pdf"));
        int dialogsUnderTheMessage = -1;
        fixture.host.onMessage = [&] {
            dialogsUnderTheMessage = 0;
            for (QWidget* widget : QApplication::allWidgets()) {
                if (qobject_cast<QDialog*>(widget) != nullptr) ++dialogsUnderTheMessage;
            }
        };
        fixture.App().OnCommand(cmd::kFilePrintDirect);
        QCOMPARE(fixture.host.messages, QStringList{"Could not start print job."});
        QCOMPARE(dialogsUnderTheMessage, 0);
    }

    void printToDibShowsItsMessagesAndPrintsNothing() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        saved.m_printToDib = 1;
        const QString path = apptest::WriteJob(m_dir, "dib.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        fixture.pdfPath = m_dir.filePath("dib.pdf");
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        fixture.PaintActiveView();

        // Print: the message instead of the dialog.
        fixture.App().OnCommand(cmd::kFilePrint);
        QCOMPARE(fixture.printDialogs, 0);
        QCOMPARE(fixture.host.messages, QStringList{"I can save to DIB here: no printer dialog"});

        // Printing without the dialog: one message per page, in printing order, and no output.
        fixture.host.messages.clear();
        fixture.App().Printer().setOutputFormat(QPrinter::PdfFormat);
        fixture.App().Printer().setOutputFileName(fixture.pdfPath);
        fixture.App().OnCommand(cmd::kFilePrintDirect);
        QCOMPARE(fixture.host.messages,
                 (QStringList{"I can write dib for page 3 here", "I can write dib for page 2 here",
                              "I can write dib for page 1 here"}));
        QVERIFY(!QFile::exists(fixture.pdfPath));
    }

    void previewShowsEveryPageAndKeepsItsPageCount() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        saved.m_printToDib = 1;  // the messages tell which pages the preview drew
        const QString path = apptest::WriteJob(m_dir, "preview.cvj", saved);
        const QString profile = m_dir.filePath("preview-profile.ini");
        {
            QSettings settings(profile, QSettings::IniFormat);
            settings.setValue("Settings/PreviewPages", 2);
        }
        AppFixture fixture(profile);
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        fixture.PaintActiveView();
        fixture.App().OnCommand(cmd::kPageNext);
        QCOMPARE(fixture.ActiveView()->State().currentPage, 2);
        int shownPages = -1;
        int viewMode = -1;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            auto* preview = dialog->findChild<QPrintPreviewWidget*>();
            shownPages = preview->pageCount();
            viewMode = preview->viewMode();
            preview->setSinglePageViewMode();
            dialog->reject();
        });
        fixture.App().OnCommand(cmd::kFilePrintPreview);
        QCOMPARE(shownPages, 3);
        QCOMPARE(viewMode, int(QPrintPreviewWidget::FacingPagesView));
        QVERIFY(fixture.host.messages.contains("I can write dib for page 3 here"));
        QVERIFY(fixture.host.messages.contains("I can write dib for page 1 here"));
        // The preview drew every page; the view still shows the one it showed.
        QCOMPARE(fixture.ActiveView()->State().currentPage, 2);
        QCOMPARE(fixture.Frame().GetActiveJobDocument()->m_currentPage, 2);
        QCOMPARE(QSettings(profile, QSettings::IniFormat).value("Settings/PreviewPages").toInt(),
                 1);
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<PrintingTest> registration;
#include "printing_test.moc"
