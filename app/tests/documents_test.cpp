// Jobs over their life: the save question, saving, the recent-file list across a restart, the
// hand-over from a second start and dropped files.
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <future>
#include <thread>

#include "app/command_ids.h"
#include "app/instance_channel.h"
#include "app/recent_file_list.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "job/caelvane_doc.h"
#include "job/job_file.h"

using apptest::AppFixture;
using apptest::ShownTitle;
using Answer = caelvane::CQtHostServices::Answer;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class DocumentsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void closingTheLastWindowOfAModifiedJobAsks_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("cancel keeps the window") << int(Answer::Cancel) << false << false;
        QTest::newRow("no closes without saving") << int(Answer::No) << true << false;
        QTest::newRow("yes saves, then closes") << int(Answer::Yes) << true << true;
    }
    void closingTheLastWindowOfAModifiedJobAsks() {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        CCaelvaneDoc original;
        const QString path = apptest::WriteJob(m_dir, "asked.cvj", original);
        const QByteArray before = ReadAll(path);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
        doc->m_note = "changed";
        doc->SetModifiedFlag(true);
        // A second window closes without a question.
        fixture.App().OnCommand(cmd::kWindowNew);
        QCOMPARE(fixture.Windows().size(), 2);
        fixture.Windows().back()->close();
        QTRY_COMPARE(fixture.Windows().size(), 1);
        QVERIFY(fixture.host.questions.isEmpty());
        // The window number goes; the mark of the unsaved change stays.
        QCOMPARE(ShownTitle(*fixture.Windows().front()), QString("asked.cvj*"));

        fixture.host.answers.push_back(Answer(answer));
        fixture.Windows().front()->close();
        QCOMPARE(fixture.host.questions, QStringList{"Save changes to asked.cvj?"});
        QTRY_COMPARE(fixture.Windows().isEmpty(), closed);
        QCOMPARE(fixture.App().Template().Documents().empty(), closed);
        CCaelvaneDoc reread;
        std::string error;
        QVERIFY(LoadJobFile(QFile::encodeName(path).toStdString(), reread, error));
        QCOMPARE(reread.m_note == "changed", saved);
        if (!saved) QCOMPARE(ReadAll(path), before);
    }

    void savingANewJobAsksForItsNameFirst() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
        doc->SetModifiedFlag(true);
        fixture.saveAsPath = m_dir.filePath("named.cvj");
        fixture.host.answers.push_back(Answer::Yes);
        fixture.Windows().front()->close();
        QCOMPARE(fixture.host.questions, QStringList{"Save changes to Job1?"});
        QCOMPARE(fixture.saveAsSuggestions, QStringList{"Job1.cvj"});
        QTRY_VERIFY(fixture.Windows().isEmpty());
        QCOMPARE(ReadAll(fixture.saveAsPath).size(), 353);  // a default job
        QCOMPARE(fixture.App().RecentFiles().Paths().value(0),
                 QFileInfo(fixture.saveAsPath).canonicalFilePath());
    }

    void cancellingTheNameKeepsTheWindow() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.Frame().GetActiveJobDocument()->SetModifiedFlag(true);
        fixture.saveAsPath.clear();  // the Save As dialog is cancelled
        fixture.host.answers.push_back(Answer::Yes);
        // The close is refused, and no deferred deletion takes the window afterwards.
        QVERIFY(!fixture.Windows().front()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(fixture.Windows().size(), 1);
    }

    void saveAsRenamesTheJobAndAFailedSaveKeepsTheOldFile() {
        CCaelvaneDoc original;
        const QString path = apptest::WriteJob(m_dir, "kept.cvj", original);
        const QByteArray before = ReadAll(path);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
        doc->m_note = "new text";
        doc->SetModifiedFlag(true);

        // A folder that does not exist: reported with the file's name, nothing changes.
        fixture.saveAsPath = m_dir.filePath("missing-folder/other.cvj");
        fixture.App().OnCommand(cmd::kFileSaveAs);
        QCOMPARE(fixture.host.messages.size(), 1);
        const QString message = fixture.host.messages.front();
        QVERIFY2(message.startsWith("Failed to save document.\n"), qPrintable(message));
        QVERIFY2(message.contains("other.cvj"), qPrintable(message));
        QVERIFY(doc->IsModified());
        QCOMPARE(QString::fromStdString(doc->GetTitle()), QString("kept.cvj"));
        QCOMPARE(ReadAll(path), before);

        fixture.saveAsPath = m_dir.filePath("renamed.cvj");
        fixture.App().OnCommand(cmd::kFileSaveAs);
        QVERIFY(!doc->IsModified());
        QCOMPARE(QString::fromStdString(doc->GetTitle()), QString("renamed.cvj"));
        QCOMPARE(ShownTitle(*fixture.Windows().front()), QString("renamed.cvj"));
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - renamed.cvj"));
        QCOMPARE(ReadAll(path), before);

        // Save writes to the new name without asking.
        doc->m_note = "again";
        fixture.saveAsPath.clear();
        fixture.App().OnCommand(cmd::kFileSave);
        QCOMPARE(fixture.saveAsSuggestions.size(), 2);
        CCaelvaneDoc reread;
        std::string error;
        QVERIFY(LoadJobFile(QFile::encodeName(m_dir.filePath("renamed.cvj")).toStdString(), reread,
                            error));
        QCOMPARE(reread.m_note, std::string("again"));
    }

    void exitAsksForEveryModifiedJobAndCancelStopsIt() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnFileNew();
        fixture.App().OnFileNew();
        const std::vector<CCaelvaneDoc*> docs = fixture.App().Template().Documents();
        docs[0]->SetModifiedFlag(true);
        docs[2]->SetModifiedFlag(true);
        fixture.host.answers = {Answer::No, Answer::Cancel};
        QVERIFY(!fixture.App().CanExit());
        QCOMPARE(fixture.host.questions,
                 (QStringList{"Save changes to Job1?", "Save changes to Job3?"}));
        QCOMPARE(fixture.Windows().size(), 3);

        fixture.host.questions.clear();
        fixture.host.answers = {Answer::No, Answer::No};
        QVERIFY(fixture.App().CanExit());
        QTRY_VERIFY(fixture.Windows().isEmpty());
        QVERIFY(fixture.App().Template().Documents().empty());
    }

    void recentFilesSurviveARestart() {
        const QString profile = m_dir.filePath("recent.ini");
        QStringList paths;
        for (const char* name : {"one.cvj", "two.cvj", "three.cvj", "four.cvj", "five.cvj"}) {
            CCaelvaneDoc doc;
            paths.append(QFileInfo(apptest::WriteJob(m_dir, name, doc)).canonicalFilePath());
        }
        {
            AppFixture fixture(profile);
            QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
            for (const QString& path : paths) QVERIFY(fixture.App().OpenDocumentFile(path));
            // Opening an entry again moves it to the top.
            QVERIFY(fixture.App().OpenDocumentFile(paths[2]));
        }
        const QStringList expected{paths[2], paths[4], paths[3], paths[1]};
        {
            QSettings settings(profile, QSettings::IniFormat);
            settings.beginGroup("Recent File List");
            QCOMPARE(settings.childKeys(), (QStringList{"File1", "File2", "File3", "File4"}));
            QCOMPARE(settings.value("File1").toString(), paths[2]);
            QCOMPARE(settings.value("File4").toString(), paths[1]);
        }
        AppFixture restarted(profile);
        QCOMPARE(restarted.App().RecentFiles().Paths(), expected);
        QCOMPARE(restarted.App().RecentFiles().MenuText(0).left(3), QString("&1 "));
        QAction* second = restarted.Frame().Actions().Action(cmd::kFileMruFile1 + 1);
        QVERIFY(second->isVisible());
        QVERIFY(second->text().endsWith("five.cvj"));

        // An entry whose file has gone is reported and removed when chosen.
        QVERIFY(QFile::remove(paths[4]));
        QCOMPARE(restarted.App().OnOpenRecentFile(1), nullptr);
        QCOMPARE(restarted.host.messages.size(), 1);
        QCOMPARE(restarted.App().RecentFiles().Paths(),
                 (QStringList{paths[2], paths[3], paths[1]}));
        QVERIFY(!restarted.Frame().Actions().Action(cmd::kFileMruFile1 + 3)->isVisible());
        QVERIFY(restarted.App().OnOpenRecentFile(2) != nullptr);
        QCOMPARE(restarted.App().RecentFiles().Paths().front(), paths[1]);
        QCOMPARE(QSettings(profile, QSettings::IniFormat).value("Recent File List/File4"),
                 QVariant());
    }

    void aSecondStartHandsItsFileToTheRunningProgram() {
        CCaelvaneDoc saved;
        const QString path = apptest::WriteJob(m_dir, "handed.cvj", saved);
        const QString name = QString("caelvane-test-%1").arg(QCoreApplication::applicationPid());
        AppFixture running(m_dir.filePath("profile.ini"), name);
        QCOMPARE(running.App().InitInstance({}), std::nullopt);
        QVERIFY(running.App().InstanceChannel() != nullptr);
        QCOMPARE(running.App().InstanceChannel()->ServerName(), name);
        // The second start blocks on its socket; the running program answers from its loop.
        auto handedOver = std::async(
            std::launch::async, [&] { return CInstanceChannel::HandOver(name, {path}, 5000); });
        QTRY_COMPARE(running.App().Template().Documents().size(), size_t(2));
        QVERIFY(handedOver.get());
        QCOMPARE(QString::fromStdString(running.Frame().GetActiveJobDocument()->GetTitle()),
                 QString("handed.cvj"));
        // Nobody listening: the start goes on by itself.
        QVERIFY(!CInstanceChannel::HandOver(name + "-nobody", {path}, 200));
    }

    void droppedJobFilesOpen() {
        CCaelvaneDoc saved;
        const QString job = apptest::WriteJob(m_dir, "dropped.cvj", saved);
        const QString other = m_dir.filePath("notes.txt");
        QFile(other).open(QIODevice::WriteOnly);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(other), QUrl::fromLocalFile(job)});
        // The drop goes where the drag was accepted on entering.
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&fixture.Frame(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&fixture.Frame(), &drop);
        QTRY_COMPARE(fixture.App().Template().Documents().size(), size_t(2));
        QCOMPARE(QString::fromStdString(fixture.Frame().GetActiveJobDocument()->GetTitle()),
                 QString("dropped.cvj"));
        QVERIFY(fixture.host.messages.isEmpty());
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<DocumentsTest> registration;
#include "documents_test.moc"
