// The desktop's usual keys (F1, Ctrl+W, Ctrl+Q, Escape in the help) and the modified mark in
// the titles.
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "app/command_ids.h"
#include "app/help_window.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "job/caelvane_doc.h"

using apptest::AppFixture;
using apptest::ShownTitle;
using Answer = caelvane::CQtHostServices::Answer;

class KeysTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void f1OpensTheHelpWithOrWithoutAJobAndEscapeClosesIt() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        fixture.Frame().show();
        fixture.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.Frame()));
        QVERIFY(fixture.App().HelpWindow() == nullptr);
        QTest::keyClick(&fixture.Frame(), Qt::Key_F1);
        CHelpWindow* help = fixture.App().HelpWindow();
        QVERIFY(help != nullptr);
        QVERIFY(help->isVisible());
        help->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help->Browser(), Qt::Key_Escape);
        QVERIFY(!help->isVisible());

        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.Frame()));
        QTest::keyClick(fixture.ActiveView(), Qt::Key_F1);
        QVERIFY(help->isVisible());
    }

    void ctrlWClosesTheActiveWindowAskingForTheLastOfAJob() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnCommand(cmd::kWindowNew);
        fixture.Frame().GetActiveJobDocument()->SetModifiedFlag(true);
        fixture.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.Frame()));
        QCOMPARE(fixture.Windows().size(), 2);
        QTest::keyClick(fixture.ActiveView(), Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(fixture.Windows().size(), 1);
        QVERIFY(fixture.host.questions.isEmpty());
        fixture.host.answers.push_back(Answer::Cancel);
        QTest::keyClick(fixture.ActiveView(), Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(fixture.host.questions, QStringList{"Save changes to Job1?"});
        QCOMPARE(fixture.Windows().size(), 1);
        fixture.host.answers.push_back(Answer::No);
        QTest::keyClick(fixture.ActiveView(), Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(fixture.Windows().isEmpty());
    }

    void ctrlQQuitsWithTheSavePrompts() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.Frame().GetActiveJobDocument()->SetModifiedFlag(true);
        fixture.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.Frame()));
        fixture.host.answers.push_back(Answer::Cancel);
        QTest::keyClick(fixture.ActiveView(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(fixture.host.questions, QStringList{"Save changes to Job1?"});
        QVERIFY(fixture.Frame().isVisible());
        fixture.host.answers.push_back(Answer::No);
        QTest::keyClick(fixture.ActiveView(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!fixture.Frame().isVisible());
    }

    void titlesMarkUnsavedChangesUntilSaved() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnCommand(cmd::kWindowNew);
        CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - Job1:2"));
        // A colour command changes the job.
        fixture.App().OnCommand(cmd::kColorAllToBlack);
        QVERIFY(doc->IsModified());
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - Job1:2*"));
        QCOMPARE(ShownTitle(*fixture.Windows().at(0)), QString("Job1:1*"));
        QCOMPARE(ShownTitle(*fixture.Windows().at(1)), QString("Job1:2*"));
        // Saved: the mark goes from every window and from the main window.
        fixture.saveAsPath = m_dir.filePath("marked.cvj");
        fixture.App().OnCommand(cmd::kFileSave);
        QCOMPARE(ShownTitle(fixture.Frame()), QString("Caelvane - marked.cvj:2"));
        QCOMPARE(ShownTitle(*fixture.Windows().at(0)), QString("marked.cvj:1"));
        // The window list shows the titles without the placeholder.
        QVERIFY(!fixture.Windows().at(0)->windowTitle().remove("[*]").contains('['));
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<KeysTest> registration;
#include "keys_test.moc"
