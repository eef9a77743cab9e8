// The About box and the help pages.
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "app/about_dialog.h"
#include "app/command_ids.h"
#include "app/help_window.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"

using apptest::AppFixture;

class AboutHelpTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void aboutBoxShowsNameVersionIconAndOk() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        CAboutDlg dialog(&fixture.Frame());
        QCOMPARE(dialog.windowTitle(), QString("About Caelvane"));
        QStringList texts;
        for (QLabel* label : dialog.findChildren<QLabel*>()) texts.append(label->text());
        QVERIFY(texts.contains("Caelvane Version 1.1"));
        auto* icon = dialog.findChild<QLabel*>("icon");
        QVERIFY(icon != nullptr && !icon->pixmap().isNull());
        const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.front()->text(), QString("OK"));
        QVERIFY(buttons.front()->isDefault());
        // With or without a job, from both menu bars.
        QVERIFY(fixture.Frame().Actions().Action(cmd::kAppAbout)->isEnabled());
        caelvane::testing::WhenModalOpens(
            [](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
        fixture.App().OnCommand(cmd::kAppAbout);
    }

    void onLineHelpOpensTheContents() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnCommand(cmd::kOnLineHelp);
        CHelpWindow* help = fixture.App().HelpWindow();
        QVERIFY(help != nullptr);
        QVERIFY(help->isVisible());
        QCOMPARE(help->Browser()->source(), QUrl("qrc:/help/index.html"));
        QCOMPARE(help->Browser()->documentTitle(), QString("Caelvane Help: Contents"));
        // Following a link and asking for help again comes back to the contents.
        help->Browser()->setSource(QUrl("qrc:/help/printing.html"));
        fixture.App().OnCommand(cmd::kOnLineHelp);
        QCOMPARE(fixture.App().HelpWindow(), help);
        QCOMPARE(help->Browser()->source(), QUrl("qrc:/help/index.html"));
    }

    void everyHelpPageIsReachableAndEveryLinkResolves() {
        QStringList pages;
        QDirIterator it(":/help", {"*.html"});
        while (it.hasNext()) pages.append(QFileInfo(it.next()).fileName());
        QVERIFY(pages.size() >= 10);
        QSet<QString> linked{"index.html"};
        const QRegularExpression href("href=\"([^\"#]+)\"");
        for (const QString& page : pages) {
            QFile file(":/help/" + page);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(file.readAll());
            QVERIFY2(html.contains("<title>"), qPrintable(page));
            for (const QRegularExpressionMatch& match : href.globalMatch(html)) {
                const QString target = match.captured(1);
                QVERIFY2(QFile::exists(":/help/" + target),
                         qPrintable(page + " links to a missing " + target));
                linked.insert(target);
            }
        }
        for (const QString& page : pages) {
            QVERIFY2(linked.contains(page), qPrintable(page + " is not linked from any page"));
        }
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<AboutHelpTest> registration;
#include "about_help_test.moc"
