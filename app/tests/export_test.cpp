// Export Page, Export All Pages and Copy: the files the command line's writers make, numbered
// sets, refusals with their reasons, and nothing left behind by a failure or a cancel.
#include <sys/stat.h>
#include <unistd.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_ids.h"
#include "app/page_export.h"
#include "app/positions_choice.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "job/caelvane_doc.h"

using apptest::AppFixture;

namespace {

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray Head(const QString& path, int size) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(size) : QByteArray();
}

}  // namespace

class ExportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void formatsComeFromTheExtensionAndSetsAreNumbered() {
        QCOMPARE(ExportFormatOf("a/b.pdf"), std::optional(ExportFormat::Pdf));
        QCOMPARE(ExportFormatOf("b.PNG"), std::optional(ExportFormat::Png));
        QCOMPARE(ExportFormatOf("b.Svg"), std::optional(ExportFormat::Svg));
        QCOMPARE(ExportFormatOf("b.jpg"), std::nullopt);
        QCOMPARE(ExportFormatOf("pdf"), std::nullopt);
        QCOMPARE(NumberedExportPath("/x/week.png", 7, 31), QString("/x/week-007.png"));
        QCOMPARE(NumberedExportPath("/x/week.svg", 12, 1500), QString("/x/week-0012.svg"));
        QCOMPARE(NumberedExportPath("/x.d/week", 2, 3), QString("/x.d/week-002"));
    }

    void exportPageWritesThePageOnShowAsPdf() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        const QString job = apptest::WriteJob(m_dir, "three.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({job}), std::nullopt);
        fixture.App().OnCommand(cmd::kPageNext);
        fixture.exportPath = m_dir.filePath("page.pdf");
        fixture.App().OnCommand(cmd::kFileExportPage);
        // Suggested beside the job, after its name.
        QCOMPARE(fixture.exportSuggestions, QStringList{m_dir.filePath("three.pdf")});
        QCOMPARE(fixture.exportAllPagesAsked, QList<bool>{false});
        QVERIFY(fixture.host.messages.isEmpty());
        QCOMPARE(apptest::PdfPageCount(fixture.exportPath), 1);
        QVERIFY(apptest::PdfPageText(fixture.exportPath, 1).contains("01 19 2000"));
        // The windows keep their page, and the status bar says what was written.
        QCOMPARE(fixture.Frame().GetActiveJobDocument()->m_currentPage, 2);
        QCOMPARE(fixture.Frame().statusBar()->currentMessage(),
                 "Exported page 2 to " + fixture.exportPath);
    }

    void exportAllWritesOnePdfOrANumberedSet() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        saved.m_reversePrintOrder = 1;  // printing order; exports go in date order
        const QString job = apptest::WriteJob(m_dir, "all.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({job}), std::nullopt);

        fixture.exportPath = m_dir.filePath("all-pages.pdf");
        fixture.App().OnCommand(cmd::kFileExportAll);
        QCOMPARE(fixture.exportAllPagesAsked, QList<bool>{true});
        QCOMPARE(apptest::PdfPageCount(fixture.exportPath), 3);
        QVERIFY(apptest::PdfPageText(fixture.exportPath, 1).contains("01 18 2000"));
        QVERIFY(apptest::PdfPageText(fixture.exportPath, 3).contains("01 20 2000"));
        QCOMPARE(fixture.Frame().statusBar()->currentMessage(),
                 "Exported pages 1 to 3 to " + fixture.exportPath);

        QTemporaryDir pngs;
        fixture.exportPath = pngs.filePath("week.png");
        fixture.App().OnCommand(cmd::kFileExportAll);
        QCOMPARE(FilesIn(pngs.path()),
                 (QStringList{"week-001.png", "week-002.png", "week-003.png"}));
        const QImage first(pngs.filePath("week-001.png"));
        QCOMPARE(first.size(), QSize(1275, 1650));  // 8.5 x 11 inches at 150 dpi
        QVERIFY(first != QImage(pngs.filePath("week-002.png")));
        QCOMPARE(fixture.Frame().statusBar()->currentMessage(),
                 QString("Exported pages 1 to 3 to %1 ... %2 (3 files)")
                     .arg(pngs.filePath("week-001.png"), pngs.filePath("week-003.png")));

        QTemporaryDir svgs;
        fixture.exportPath = svgs.filePath("week.svg");
        fixture.App().OnCommand(cmd::kFileExportPage);
        QCOMPARE(FilesIn(svgs.path()), QStringList{"week.svg"});
        QVERIFY(Head(svgs.filePath("week.svg"), 200).contains("<svg"));
        QVERIFY(fixture.host.messages.isEmpty());
    }

    void refusalsSayWhyAndLeaveNothing() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        QTemporaryDir folder;

        fixture.exportPath = folder.filePath("page.jpg");
        fixture.App().OnCommand(cmd::kFileExportPage);
        QCOMPARE(fixture.host.messages,
                 QStringList{QString("Cannot export to %1: the name must end in .pdf, .png or "
                                     ".svg.")
                                 .arg(fixture.exportPath)});

        // A folder that does not exist, and one that cannot be written.
        fixture.host.messages.clear();
        fixture.exportPath = folder.filePath("missing/page.pdf");
        fixture.App().OnCommand(cmd::kFileExportPage);
        QCOMPARE(fixture.host.messages.size(), 1);
        QVERIFY2(fixture.host.messages.front().startsWith("The export failed: cannot write " +
                                                          fixture.exportPath + ": "),
                 qPrintable(fixture.host.messages.front()));

        if (geteuid() != 0) {
            QTemporaryDir locked;
            QVERIFY(chmod(QFile::encodeName(locked.path()).constData(), 0500) == 0);
            fixture.host.messages.clear();
            fixture.exportPath = locked.filePath("page.png");
            fixture.App().OnCommand(cmd::kFileExportPage);
            QCOMPARE(fixture.host.messages.size(), 1);
            QVERIFY(fixture.host.messages.front().contains("Permission denied"));
            chmod(QFile::encodeName(locked.path()).constData(), 0700);
            QVERIFY(FilesIn(locked.path()).isEmpty());
        }

        // A name that is a folder is not replaced.
        fixture.host.messages.clear();
        QVERIFY(QDir(folder.path()).mkdir("taken.pdf"));
        fixture.exportPath = folder.filePath("taken.pdf");
        fixture.App().OnCommand(cmd::kFileExportPage);
        QCOMPARE(fixture.host.messages.size(), 1);
        QVERIFY(QFileInfo(fixture.exportPath).isDir());
        QCOMPARE(FilesIn(folder.path()), QStringList{});

        // Cancelled in the file dialog: nothing asked, nothing written.
        fixture.host.messages.clear();
        fixture.exportPath.clear();
        fixture.App().OnCommand(cmd::kFileExportAll);
        QVERIFY(fixture.host.messages.isEmpty());
    }

    void cancelledOrFailedSetsLeaveTheOldFilesAsTheyWere() {
        CCaelvaneDoc doc;
        apptest::MakeRangeJob(doc, 4);
        doc.SetTitle("four.cvj");
        apptest::RecordingHost host;
        QTemporaryDir folder;
        // Earlier exports stand where the new ones go.
        for (const QString name : {"four.pdf", "four-002.png"}) {
            QFile old(folder.filePath(name));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        for (const QString name : {"four.pdf", "four.png", "four.svg"}) {
            int calls = 0;
            const ExportResult result =
                ExportPages(doc, host, PositionSource::Series, folder.filePath(name), std::nullopt,
                            [&](int done, int total) {
                                ++calls;
                                [&] { QCOMPARE(total, 4); }();
                                return done < 2;  // cancelled after the second page
                            });
            QCOMPARE(result.outcome, ExportOutcome::Cancelled);
            QVERIFY(result.files.empty());
            QCOMPARE(calls, 2);
            QCOMPARE(FilesIn(folder.path()), (QStringList{"four-002.png", "four.pdf"}));
            QCOMPARE(Head(folder.filePath("four.pdf"), 10), QByteArray("old"));
            QCOMPARE(Head(folder.filePath("four-002.png"), 10), QByteArray("old"));
        }
        // A set whose third file cannot be made keeps none of the new ones.
        QVERIFY(QDir(folder.path()).mkdir("four-003.svg"));
        const ExportResult failed = ExportPages(doc, host, PositionSource::Series,
                                                folder.filePath("four.svg"), std::nullopt);
        QCOMPARE(failed.outcome, ExportOutcome::Failed);
        QVERIFY(failed.error.contains("four-003.svg"));
        QCOMPARE(FilesIn(folder.path()), (QStringList{"four-002.png", "four.pdf"}));

        // Written whole: the files are named in the result.
        const ExportResult written = ExportPages(doc, host, PositionSource::Series,
                                                 folder.filePath("four.png"), std::nullopt);
        QCOMPARE(written.outcome, ExportOutcome::Written);
        QCOMPARE(written.files.size(), std::size_t(4));
        QVERIFY(QImage(folder.filePath("four-002.png")).width() > 0);
    }

    void reversedDatesReportTheirMessageOnce() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        saved.m_endYear = 1999;
        const QString job = apptest::WriteJob(m_dir, "backwards.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({job}), std::nullopt);
        fixture.host.messages.clear();
        fixture.exportPath = m_dir.filePath("backwards.pdf");
        fixture.App().OnCommand(cmd::kFileExportAll);
        QCOMPARE(fixture.host.messages.size(), 1);
        QVERIFY(QFile::exists(fixture.exportPath));
    }

    void copyPutsThePageOnTheClipboardAsImageAndSvg() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        const QString job = apptest::WriteJob(m_dir, "copied.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({job}), std::nullopt);
        QGuiApplication::clipboard()->clear();
        fixture.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.Frame()));
        fixture.App().OnCommand(cmd::kPageNext);
        QTest::keyClick(fixture.ActiveView(), Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data != nullptr);
        QVERIFY(data->hasImage());
        const QImage image = qvariant_cast<QImage>(data->imageData());
        QCOMPARE(image.size(), QSize(1275, 1650));
        const QByteArray svg = data->data("image/svg+xml");
        QVERIFY(svg.contains("<svg"));
        // The page on show: its date is in the drawing.
        QVERIFY(svg.contains("01 19 2000"));
        const CCaelvaneDoc& doc = *fixture.Frame().GetActiveJobDocument();
        QCOMPARE(svg, PageSvg(doc, fixture.host, PositionSource::Series, 2));

        // Copy and export draw the positions the windows show.
        if (!PrecisePositionsAvailable()) QSKIP("this build has no precise source");
        fixture.App().Positions().Choose(PositionSource::Precise);
        QTest::keyClick(fixture.ActiveView(), Qt::Key_C, Qt::ControlModifier);
        const QByteArray precise = QGuiApplication::clipboard()->mimeData()->data("image/svg+xml");
        QCOMPARE(precise, PageSvg(doc, fixture.host, PositionSource::Precise, 2));
        QVERIFY(precise != svg);
        fixture.exportPath = m_dir.filePath("precise.svg");
        fixture.App().OnCommand(cmd::kFileExportPage);
        QFile exported(fixture.exportPath);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QCOMPARE(exported.readAll(), precise);
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<ExportTest> registration;
#include "export_test.moc"
