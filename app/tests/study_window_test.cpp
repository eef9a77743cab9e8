// The Event Study window: opened from the Job menu, a study of the shipped example series in
// the background, the table's filters, the chosen row's plots and events, exports, Cancel and
// bad input.
#include "app/study_window.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "app/command_ids.h"
#include "app/price_chart_view.h"
#include "app/price_chart_window.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"

using apptest::AppFixture;
using events::EventKind;
using events::KindBit;

namespace {
const QString kDax = QStringLiteral(CAELVANE_EXAMPLES_DIR "/eustockmarkets_dax.csv");
}

class StudyWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void opensFromTheJobMenu() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnCommand(cmd::kEventStudy);
        auto* window = fixture.Frame().findChild<CStudyWindow*>();
        QVERIFY(window != nullptr);
        QVERIFY(window->isWindow());
    }

    void studiesTheExampleSeries() {
        CStudyWindow window(PositionSource::Series, nullptr);
        window.SetPriceFile(kDax);
        window.SetKinds(KindBit(EventKind::Lunation) | KindBit(EventKind::Station));
        window.SetDraws(300);
        QSignalSpy finished(&window, &CStudyWindow::studyFinished);
        window.Run();
        QVERIFY(window.Running());
        QVERIFY(finished.wait(60000));
        QVERIFY2(window.Study() != nullptr, qPrintable(window.Note()));
        QVERIFY2(window.Note().contains("rows tested"), qPrintable(window.Note()));
        const int all = window.ShownRows();
        QVERIFY(all >= 4 * 3);  // four lunation phases at three horizons, and stations

        // Filters: lunations only; q at most 0 leaves nothing.
        window.SetKindFilter(static_cast<int>(EventKind::Lunation));
        QCOMPARE(window.ShownRows(), 12);
        window.SetQFilter(0.0);
        QCOMPARE(window.ShownRows(), 0);
        window.SetQFilter(1.0);
        window.SetKindFilter(-1);
        QCOMPARE(window.ShownRows(), all);

        // Sorting by p puts the tested rows first, smallest first.
        window.Table()->sortByColumn(CStudyWindow::kP, Qt::AscendingOrder);
        const auto* rows = window.Table()->model();
        const double first = rows->index(0, CStudyWindow::kP).data().toDouble();
        const double second = rows->index(1, CStudyWindow::kP).data().toDouble();
        QVERIFY(first > 0 && first <= second);

        // The chosen row: the path starts at 0 at the close before the event, inside its band.
        window.SelectRow(0);
        const auto& path = window.Path();
        QCOMPARE(static_cast<int>(path.mean.size()), 10 + 20 + 1);
        QCOMPARE(path.mean[10], 0.0);
        QVERIFY(path.n >= 10);
        for (std::size_t k = 0; k < path.mean.size(); ++k) QVERIFY(path.low[k] <= path.high[k]);

        QString error;
        const QString table = m_dir.filePath("study.csv");
        QVERIFY2(window.ExportTable(table, error), qPrintable(error));
        QFile csv(table);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readLine().trimmed(),
                 QByteArray("kind,body1,body2,angle,sign,detail,horizon,n,mean,median,sd,hit_rate,"
                            "baseline_mean,baseline_hit_rate,excess,t,p,q"));
        QVERIFY2(window.ExportPlots(m_dir.filePath("plots.png"), error), qPrintable(error));
        const QImage image(m_dir.filePath("plots.png"));
        QCOMPARE(image.size(), QSize(900, 560));
        QVERIFY(QFileInfo::exists(m_dir.filePath("plots-histogram.png")));
        QVERIFY2(window.ExportPlots(m_dir.filePath("plots.svg"), error), qPrintable(error));
        QVERIFY(!window.ExportPlots(m_dir.filePath("plots.gif"), error));
        QVERIFY(error.contains("plots.gif"));
    }

    // A double click on an event of the chosen row shows it on the chart of the price file:
    // the window is opened and centred on the event's moment.
    void anEventIsShownOnThePriceChart() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({}), std::nullopt);
        fixture.App().OnCommand(cmd::kEventStudy);
        auto* window = fixture.Frame().findChild<CStudyWindow*>();
        QVERIFY(window != nullptr);
        window->SetPriceFile(kDax);
        window->SetKinds(KindBit(EventKind::Lunation));
        window->SetDraws(100);
        window->Run(true);
        QVERIFY2(window->Study() != nullptr, qPrintable(window->Note()));
        window->SelectRow(0);
        QSignalSpy chosen(window, &CStudyWindow::eventChosen);
        QVERIFY(!window->ChooseEvent(1 << 20));
        QVERIFY(window->ChooseEvent(0));
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen[0][0].toString(), kDax);
        const double seconds = chosen[0][1].toDouble();
        QTRY_VERIFY(fixture.Frame().findChild<CPriceChartWindow*>() != nullptr);
        auto* chart = fixture.Frame().findChild<CPriceChartWindow*>();
        QTRY_VERIFY(!chart->Reading());
        const prices::ChartWindow shown = chart->View()->ChartWindow();
        QCOMPARE((shown.timeLeft + shown.timeRight) / 2, seconds);
        QCOMPARE(shown.timeRight - shown.timeLeft, 90 * 86400.0);
    }

    void cancelStopsAStudy() {
        CStudyWindow window(PositionSource::Series, nullptr);
        window.SetPriceFile(kDax);
        window.SetKinds(KindBit(EventKind::Aspect) | KindBit(EventKind::Ingress));
        QSignalSpy finished(&window, &CStudyWindow::studyFinished);
        window.Run();
        window.Cancel();
        QVERIFY(finished.wait(60000));
        QVERIFY(!window.Running());
        QVERIFY2(window.Note().startsWith("Cancelled") || window.Study() != nullptr,
                 qPrintable(window.Note()));
    }

    void badInputIsNamed() {
        CStudyWindow window(PositionSource::Series, nullptr);
        window.SetPriceFile(kDax);
        window.SetSplit(QDate(2030, 1, 1));
        window.Run(true);
        QVERIFY2(window.Note().contains("split date 2030-01-01 is outside the file"),
                 qPrintable(window.Note()));
        QCOMPARE(window.Study(), nullptr);
        window.SetSplit(QDate());
        window.SetPriceFile(m_dir.filePath("missing.csv"));
        window.Run(true);
        QVERIFY2(window.Note().contains("missing.csv"), qPrintable(window.Note()));
        window.SetPriceFile(kDax);
        window.SetKinds(0);
        window.Run(true);
        QVERIFY2(window.Note().contains("at least one kind"), qPrintable(window.Note()));
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<StudyWindowTest> registration;
#include "study_window_test.moc"
