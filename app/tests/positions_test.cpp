// The program-wide choice of position source: menu, profile, status bar, every view.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_ids.h"
#include "app/menu_bars.h"
#include "app/positions_choice.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"

using apptest::AppFixture;

class PositionsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void choiceSurvivesARestart() {
        if (!PrecisePositionsAvailable()) QSKIP("built without the precise source");
        const QString profile = m_dir.filePath("restart.ini");
        {
            AppFixture fixture(profile);
            CPositionsChoice& choice = fixture.App().Positions();
            QCOMPARE(choice.Source(), PositionSource::Series);  // a fresh profile: the series
            QVERIFY(choice.SeriesAction()->isChecked());
            QVERIFY(choice.StatusField()->text() == "Positions: classic series");
            choice.PreciseAction()->trigger();
            QCOMPARE(choice.Source(), PositionSource::Precise);
            QVERIFY(!choice.SeriesAction()->isChecked());
        }
        QCOMPARE(QSettings(profile, QSettings::IniFormat).value("Settings/Positions").toString(),
                 QString("precise"));
        AppFixture again(profile);
        CPositionsChoice& choice = again.App().Positions();
        QCOMPARE(choice.Source(), PositionSource::Precise);
        QVERIFY(choice.PreciseAction()->isChecked());
        QVERIFY2(choice.StatusField()->text().startsWith("Positions: Swiss Ephemeris 2."),
                 qPrintable(choice.StatusField()->text()));
        QVERIFY(again.host.messages.isEmpty());
    }

    void unusableProfileValueFallsBackToTheSeriesAndSaysSoOnce() {
        const QString profile = m_dir.filePath("bad.ini");
        QSettings(profile, QSettings::IniFormat).setValue("Settings/Positions", "ephemeris");
        AppFixture fixture(profile);
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnCommand(cmd::kFileNew);
        fixture.PaintActiveView();
        QCOMPARE(fixture.App().Positions().Source(), PositionSource::Series);
        QCOMPARE(fixture.host.messages.size(), 1);
        const QString message = fixture.host.messages.front();
        QVERIFY2(message.contains("Positions=ephemeris") && message.contains("series|precise"),
                 qPrintable(message));
        QCOMPARE(fixture.ActiveView()->State().positionSource, PositionSource::Series);
    }

    void menuOffersBothSourcesWithOneChecked() {
        AppFixture fixture(m_dir.filePath("menu.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        QMenu* view = fixture.Frame().MenuBars().JobViewMenu();
        QMenu* positions = nullptr;
        for (QAction* action : view->actions()) {
            if (action->menu() != nullptr && action->text() == "&Positions") {
                positions = action->menu();
            }
        }
        QVERIFY(positions != nullptr);
        const QList<QAction*> items = positions->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0)->text(), QString("&Classic series"));
        QCOMPARE(items.at(1)->text(), QString("&Precise (Swiss Ephemeris)"));
        QVERIFY(items.at(0)->isCheckable() && items.at(1)->isCheckable());
        QVERIFY(items.at(0)->isChecked() != items.at(1)->isChecked());
        QCOMPARE(items.at(1)->isEnabled(), PrecisePositionsAvailable());
    }

    void switchingRedrawsEveryOpenViewAndThePrintedPageNamesTheSource() {
        if (!PrecisePositionsAvailable()) QSKIP("built without the precise source");
        CCaelvaneDoc saved;
        apptest::MakeRangeJob(saved, 3);
        const QString path = apptest::WriteJob(m_dir, "two.cvj", saved);
        AppFixture fixture(m_dir.filePath("views.ini"));
        QCOMPARE(fixture.App().InitInstance({path}), std::nullopt);
        CCaelvaneView* first = fixture.ActiveView();
        fixture.App().OnCommand(cmd::kWindowNew);
        CCaelvaneView* second = fixture.ActiveView();
        apptest::Paint(first);
        apptest::Paint(second);
        const int firstPaints = first->PaintCount();
        const int secondPaints = second->PaintCount();

        fixture.App().Positions().Choose(PositionSource::Precise);
        QTRY_VERIFY(first->PaintCount() > firstPaints);
        QTRY_VERIFY(second->PaintCount() > secondPaints);
        QCOMPARE(first->State().positionSource, PositionSource::Precise);
        QCOMPARE(second->State().positionSource, PositionSource::Precise);

        fixture.pdfPath = m_dir.filePath("precise.pdf");
        fixture.App().OnCommand(cmd::kFilePrint);
        const QString text = apptest::PdfPageText(fixture.pdfPath, 1);
        QVERIFY2(text.contains("positions from Swiss Ephemeris 2."), qPrintable(text));
        QVERIFY(!text.contains("computed from its own series"));
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<PositionsTest> registration;
#include "positions_test.moc"
