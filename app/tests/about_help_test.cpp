// The About box and the help pages.
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "app/about_dialog.h"
#include "app/command_ids.h"
#include "app/help_window.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "app/window_placement.h"

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

    void windowsArePlacedWholeOnTheScreen_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("parent");
        QTest::addColumn<QSize>("wanted");
        QTest::addColumn<QRect>("placed");
        const QRect fullHd(0, 0, 1920, 1080);
        const QRect taskbar(0, 0, 1920, 1040);  // a panel along the bottom
        // The frame's corner goes to move(): client size plus 16 x 48 of frame fit inside.
        QTest::newRow("centred on the parent")
            << fullHd << QRect(460, 240, 1000, 600) << QSize(600, 400) << QRect(651, 315, 600, 400);
        QTest::newRow("taller than the screen")
            << taskbar << QRect(0, 0, 1920, 1040) << QSize(900, 1400) << QRect(501, 0, 900, 992);
        QTest::newRow("parent at the bottom right")
            << fullHd << QRect(1700, 900, 400, 300) << QSize(720, 640)
            << QRect(1184, 392, 720, 640);
        QTest::newRow("parent at the top left")
            << fullHd << QRect(-50, -20, 200, 100) << QSize(720, 640) << QRect(0, 0, 720, 640);
        QTest::newRow("no parent: centred on the screen")
            << fullHd << QRect() << QSize(720, 640) << QRect(591, 195, 720, 640);
        QTest::newRow("second screen to the right")
            << QRect(1920, 0, 1280, 1024) << QRect(2000, 100, 1000, 800) << QSize(1200, 760)
            << QRect(1920, 95, 1200, 760);
    }
    void windowsArePlacedWholeOnTheScreen() {
        QFETCH(QRect, available);
        QFETCH(QRect, parent);
        QFETCH(QSize, wanted);
        QFETCH(QRect, placed);
        const QRect got = PlacedGeometry(available, parent, wanted);
        QCOMPARE(got, placed);
        const QRect outer(got.topLeft(), got.size() + QSize(16, 48));
        QVERIFY(available.contains(outer));
    }

    void helpAndAboutOpenInsideTheScreenOfTheirParent() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        const QRect available = fixture.Frame().screen()->availableGeometry();
        fixture.App().OnCommand(cmd::kOnLineHelp);
        CHelpWindow* help = fixture.App().HelpWindow();
        QVERIFY(help != nullptr);
        QVERIFY2(available.contains(QRect(help->pos(), help->size())),
                 qPrintable(QString("help %1,%2 %3x%4")
                                .arg(help->x())
                                .arg(help->y())
                                .arg(help->width())
                                .arg(help->height())));
        CAboutDlg about(&fixture.Frame());
        QVERIFY(available.contains(QRect(about.pos(), about.size())));
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
