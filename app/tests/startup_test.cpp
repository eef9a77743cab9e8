// Start-up: the command line, the first job, files that cannot be opened.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_line.h"
#include "app/recent_file_list.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "job/caelvane_doc.h"

using apptest::AppFixture;
using apptest::ShownTitle;

class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void parsesTheCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("printer");
        using A = CommandLine::Action;
        QTest::newRow("nothing") << QStringList{} << int(A::NewJob) << ""
                                 << "";
        QTest::newRow("a file") << QStringList{"a.cvj"} << int(A::Open) << "a.cvj"
                                << "";
        QTest::newRow("a file after --") << QStringList{"--", "-a.cvj"} << int(A::Open) << "-a.cvj"
                                         << "";
        QTest::newRow("--print") << QStringList{"--print", "a.cvj"} << int(A::Print) << "a.cvj"
                                 << "";
        QTest::newRow("/p") << QStringList{"/p", "a.cvj"} << int(A::Print) << "a.cvj"
                            << "";
        QTest::newRow("/P") << QStringList{"/P", "a.cvj"} << int(A::Print) << "a.cvj"
                            << "";
        QTest::newRow("--print-to")
            << QStringList{"--print-to", "Office", "a.cvj"} << int(A::PrintTo) << "a.cvj"
            << "Office";
        QTest::newRow("/pt") << QStringList{"/pt", "Office", "a.cvj"} << int(A::PrintTo) << "a.cvj"
                             << "Office";
        QTest::newRow("--print without file") << QStringList{"--print"} << int(A::Invalid) << ""
                                              << "";
        QTest::newRow("--print-to without file")
            << QStringList{"--print-to", "Office"} << int(A::Invalid) << ""
            << "";
        QTest::newRow("two files") << QStringList{"a.cvj", "b.cvj"} << int(A::Invalid) << ""
                                   << "";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << int(A::Invalid) << ""
                                        << "";
        QTest::newRow("--version") << QStringList{"--version"} << int(A::Version) << ""
                                   << "";
        QTest::newRow("--help") << QStringList{"--help"} << int(A::Help) << ""
                                << "";
    }
    void parsesTheCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, file);
        QFETCH(QString, printer);
        const CommandLine line = ParseCommandLine(arguments);
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.file, file);
        QCOMPARE(line.printer, printer);
        if (line.action == CommandLine::Action::Invalid) QVERIFY(!line.error.isEmpty());
    }

    void noArgumentOpensJob1WithTheDefaults() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        QCOMPARE(fixture.Windows().size(), 1);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
        QVERIFY(doc != nullptr);
        QCOMPARE(QString::fromStdString(doc->GetTitle()), QString("Job1"));
        QCOMPARE(ShownTitle(*fixture.Windows().front()), QString("Job1"));
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - Job1"));
        QCOMPARE(doc->m_jobType, 1);
        QCOMPARE(doc->m_currentPage, 1);
        QCOMPARE(doc->m_priceMonitorOn, 0);
        QVERIFY(!doc->IsModified());
        QVERIFY(doc->GetPathName().empty());
        QVERIFY(fixture.Frame().isVisible());
        // The page is drawn: the first paint wrote the page count back.
        fixture.PaintActiveView();
        QCOMPARE(doc->m_pageCount, 1);
        QVERIFY(fixture.host.messages.isEmpty());

        // Untitled jobs count on: Job2, Job3, never reusing a number.
        fixture.App().OnFileNew();
        QCOMPARE(QString::fromStdString(fixture.Frame().GetActiveJobDocument()->GetTitle()),
                 QString("Job2"));
        fixture.App().OnCommand(57602);  // File Close
        fixture.App().OnFileNew();
        QCOMPARE(QString::fromStdString(fixture.Frame().GetActiveJobDocument()->GetTitle()),
                 QString("Job3"));
    }

    void aFileArgumentOpensThatJob() {
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        saved.m_note = "from the command line";
        const QString path = apptest::WriteJob(m_dir, "week.cvj", saved);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        QCOMPARE(fixture.Windows().size(), 1);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
        QVERIFY(doc != nullptr);
        QCOMPARE(doc->m_jobType, 3);
        QCOMPARE(doc->m_note, std::string("from the command line"));
        QCOMPARE(QString::fromStdString(doc->GetTitle()), QString("week.cvj"));
        QCOMPARE(QString::fromStdString(doc->GetPathName()), QFileInfo(path).canonicalFilePath());
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - week.cvj"));
        QCOMPARE(fixture.App().RecentFiles().Paths(),
                 QStringList{QFileInfo(path).canonicalFilePath()});

        // Opening it again, under another spelling of its path, activates the same job.
        fixture.App().OnFileNew();
        const QString otherSpelling = m_dir.path() + "/./week.cvj";
        QCOMPARE(fixture.App().OpenDocumentFile(otherSpelling), doc);
        QCOMPARE(fixture.App().Template().Documents().size(), size_t(2));
        QCOMPARE(fixture.Frame().GetActiveJobDocument(), doc);
    }

    void aFileThatCannotBeOpenedIsReportedThenANewJobStarts_data() {
        QTest::addColumn<QByteArray>("contents");  // empty: no file at all
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << QByteArray()
                                      << QString(
                                             "%1\nCannot find this file.\n"
                                             "Please verify that the correct "
                                             "path and file name are given.");
        // The standard first line, then the file and what was wrong with it.
        QTest::newRow("empty file")
            << QByteArray("", 0) << QString("Unexpected file format.\n%1: ");
        QTest::newRow("truncated record")
            << QByteArray(200, '\0') << QString("Unexpected file format.\n%1: ");
    }
    void aFileThatCannotBeOpenedIsReportedThenANewJobStarts() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        const QString path = m_dir.filePath("damaged.cvj");
        QFile::remove(path);
        if (!contents.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        AppFixture fixture(m_dir.filePath("profile-damaged.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        QCOMPARE(fixture.host.messages.size(), 1);
        const QString shown = fixture.host.messages.front();
        if (message.endsWith(": ")) {
            QVERIFY2(shown.startsWith(message.arg(path)), qPrintable(shown));
            QVERIFY2(shown.size() > message.arg(path).size(), qPrintable(shown));  // the reason
            QCOMPARE(shown.count('\n'), 1);
        } else {
            QCOMPARE(shown, message.arg(path));
        }
        // Never left without a window: the usual new job follows the message.
        QCOMPARE(fixture.Windows().size(), 1);
        QCOMPARE(QString::fromStdString(fixture.Frame().GetActiveJobDocument()->GetTitle()),
                 QString("Job1"));
        QVERIFY(fixture.Frame().isVisible());
        QVERIFY(fixture.App().RecentFiles().Paths().isEmpty());
    }

    void aFileThatCannotBeReadFailsToOpen() {
        const QString path = m_dir.filePath("folder.cvj");
        QVERIFY(QDir(m_dir.path()).mkpath("folder.cvj"));
        AppFixture fixture(m_dir.filePath("profile-unreadable.ini"));
        QCOMPARE(fixture.App().OpenDocumentFile(path), nullptr);
        QCOMPARE(fixture.host.messages.size(), 1);
        const QString message = fixture.host.messages.front();
        QVERIFY2(message.startsWith("Failed to open document.\n"), qPrintable(message));
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY(fixture.Windows().isEmpty());
    }

    void informationalSwitchesEndAtOnce() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({"--version"}), std::optional<int>(0));
        QCOMPARE(fixture.App().InitInstance({"--help"}), std::optional<int>(0));
        QCOMPARE(fixture.App().InitInstance({"a.cvj", "b.cvj"}), std::optional<int>(2));
        QVERIFY(fixture.Windows().isEmpty());
        QCOMPARE(QCoreApplication::applicationVersion(), QString("1.1.0.0"));
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<StartUpTest> registration;
#include "startup_test.moc"
