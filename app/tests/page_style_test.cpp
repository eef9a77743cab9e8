// The program-wide page style: View > Page Style, the profile, every open view.
#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_ids.h"
#include "app/menu_bars.h"
#include "app/page_style_choice.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"

using apptest::AppFixture;

namespace {

// View > Page Style's two items, in menu order.
QList<QAction*> PageStyleItems(AppFixture& fixture) {
    for (QAction* action : fixture.Frame().MenuBars().JobViewMenu()->actions()) {
        if (action->menu() != nullptr && action->text() == "Page &Style")
            return action->menu()->actions();
    }
    return {};
}

}  // namespace

class PageStyleTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void choosingModernRestylesTheViewAndIsKeptInTheProfile() {
        const QString profile = m_dir.filePath("modern.ini");
        {
            AppFixture fixture(profile);
            QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
            fixture.App().OnCommand(cmd::kFileNew);
            fixture.PaintActiveView();
            CCaelvaneView* view = fixture.ActiveView();
            QCOMPARE(view->State().pageStyle, PageStyle::Classic);  // a fresh profile: classic

            const QList<QAction*> items = PageStyleItems(fixture);
            QCOMPARE(items.size(), 2);
            QCOMPARE(items.at(0)->text(), QString("&Classic"));
            QCOMPARE(items.at(1)->text(), QString("&Modern"));
            QVERIFY(items.at(0)->isChecked() && !items.at(1)->isChecked());

            const int paints = view->PaintCount();
            items.at(1)->trigger();
            QTRY_VERIFY(view->PaintCount() > paints);
            QCOMPARE(view->State().pageStyle, PageStyle::Modern);
            QVERIFY(!items.at(0)->isChecked() && items.at(1)->isChecked());
            QVERIFY(fixture.host.messages.isEmpty());
        }
        QCOMPARE(QSettings(profile, QSettings::IniFormat).value("Settings/PageStyle").toString(),
                 QString("modern"));
        AppFixture again(profile);
        QCOMPARE(again.App().InitInstance({}), std::nullopt);
        QCOMPARE(again.App().PageStyles().Style(), PageStyle::Modern);
        QVERIFY(PageStyleItems(again).at(1)->isChecked());
        again.App().OnCommand(cmd::kFileNew);
        again.PaintActiveView();
        QCOMPARE(again.ActiveView()->State().pageStyle, PageStyle::Modern);
    }

    void damagedProfileValueFallsBackToClassic_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("unknown word") << "fancy";
        QTest::newRow("wrong case") << "Modern";
        QTest::newRow("empty") << "";
        QTest::newRow("trailing blank") << "modern ";
    }

    void damagedProfileValueFallsBackToClassic() {
        QFETCH(QString, stored);
        const QString profile = m_dir.filePath(QStringLiteral("damaged-%1.ini").arg(qHash(stored)));
        QSettings(profile, QSettings::IniFormat).setValue("Settings/PageStyle", stored);
        AppFixture fixture(profile);
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnCommand(cmd::kFileNew);
        fixture.PaintActiveView();
        QCOMPARE(fixture.App().PageStyles().Style(), PageStyle::Classic);
        QCOMPARE(fixture.ActiveView()->State().pageStyle, PageStyle::Classic);
        QVERIFY(PageStyleItems(fixture).at(0)->isChecked());
        QCOMPARE(fixture.host.messages.size(), 1);
        QVERIFY2(fixture.host.messages.front().contains("PageStyle=" + stored + " cannot be used"),
                 qPrintable(fixture.host.messages.front()));
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<PageStyleTest> registration;
#include "page_style_test.moc"
