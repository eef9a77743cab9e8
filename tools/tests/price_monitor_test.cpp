#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <limits>

#include "tools/price_monitor_dlg.h"
#include "tools/tests/tool_test_support.h"
#include "tools/tests/tool_tests.h"
#include "tools/tool_commands.h"

using namespace tools_test;

namespace {

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(text), text.size());
}

// The job's price fields, compared as a whole.
struct JobPrice {
    int on;
    double price, degree, hotSpot;
    int hour, minute;
    bool operator==(const JobPrice&) const = default;
};

JobPrice PriceOf(const CCaelvaneDoc& doc) {
    return {doc.m_priceMonitorOn,   doc.m_price,     doc.m_priceDegree,
            doc.m_hotSpotDegree[0], doc.m_priceHour, doc.m_priceMinute};
}

}  // namespace

class TestPriceMonitor : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;

    std::unique_ptr<CPriceMonitorDlg> MakeDialog() {
        auto dlg = std::make_unique<CPriceMonitorDlg>(nullptr, std::make_unique<CFakeTimer>());
        const std::string path = m_file.toStdString();
        dlg->SetPriceFileLocator([path] {
            return PriceFileLocation{path, PriceFileSource::kProfile};
        });
        return dlg;
    }

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("sp1last.can"));
        QFile::remove(m_file);
    }

    void startPollsAtOnce() {
        WriteText(m_file, "1 2 3 14 30 0 0 0 1000.0");
        CCaelvaneDoc doc;
        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            QCOMPARE(dlg->PriceEdit()->text(), QStringLiteral("0"));
            QVERIFY(dlg->FileLabel()->toolTip() == m_file);
            dlg->StartButton()->click();
            QVERIFY(FakeTimer(*dlg).running);
            QCOMPARE(FakeTimer(*dlg).period, 10000);
            QCOMPARE(PriceOf(doc), (JobPrice{1, 1000.0, 320.0, 320.0, 14, 30}));
            QCOMPARE(dlg->PriceEdit()->text(), QStringLiteral("1000"));
            QCOMPARE(dlg->DegreeEdit()->text(), QStringLiteral("320"));
            QVERIFY2(dlg->StatusLabel()->text().startsWith(QStringLiteral("Read at")),
                     qPrintable(dlg->StatusLabel()->text()));
        });
    }

    void readings_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<double>("price");
        QTest::addColumn<double>("degree");
        QTest::addColumn<QString>("priceText");
        QTest::addColumn<QString>("degreeText");

        QTest::newRow("hour 3 is hour 27")
            << QByteArray("1 2 3 3 5 0 0 0 1000.0") << 27 << 5 << 1000.0 << 320.0 << "1000"
            << "320";
        QTest::newRow("hour 5 is hour 29")
            << QByteArray("1 2 3 5 59 0 0 0 10") << 29 << 59 << 10.0 << 50.0 << "10"
            << "50";
        QTest::newRow("hour 6 stays")
            << QByteArray("1 2 3 6 0 0 0 0 10") << 6 << 0 << 10.0 << 50.0 << "10"
            << "50";
        QTest::newRow("price 72 gives 0")
            << QByteArray("1 2 3 14 30 0 0 0 72.0") << 14 << 30 << 72.0 << 0.0 << "72"
            << "0";
        QTest::newRow("price 0 gives 0")
            << QByteArray("1 2 3 14 30 0 0 0 0.0") << 14 << 30 << 0.0 << 0.0 << "0"
            << "0";
        QTest::newRow("price 143.5")
            << QByteArray("1 2 3 14 30 0 0 0 143.5") << 14 << 30 << 143.5 << 357.5 << "143.5"
            << "357.5";
        QTest::newRow("negative price keeps its sign")
            << QByteArray("1 2 3 14 30 0 0 0 -10") << 14 << 30 << -10.0 << -50.0 << "-10"
            << "-50";
        // The price's nearest double is 1234.567890123457, whose degree is 52.839450617284456.
        QTest::newRow("fifteen significant digits")
            << QByteArray("1 2 3 14 30 0 0 0 1234.567890123456789") << 14 << 30
            << 1234.567890123456789 << 52.839450617284456 << "1234.56789012346"
            << "52.8394506172845";
        QTest::newRow("lines and tabs, more after the ninth")
            << QByteArray("1\t2\t3\n16\n45\n0 0 0\n2000.25 junk") << 16 << 45 << 2000.25 << 281.25
            << "2000.25"
            << "281.25";
    }

    void readings() {
        QFETCH(QByteArray, file);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(double, price);
        QFETCH(double, degree);
        QFETCH(QString, priceText);
        QFETCH(QString, degreeText);
        WriteText(m_file, file);
        CCaelvaneDoc doc;
        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            dlg->StartButton()->click();
            QCOMPARE(doc.m_priceMonitorOn, 1);
            QCOMPARE(doc.m_price, price);
            QCOMPARE(doc.m_priceDegree, degree);
            QCOMPARE(doc.m_hotSpotDegree[0], degree);
            QCOMPARE(doc.m_priceHour, hour);
            QCOMPARE(doc.m_priceMinute, minute);
            QCOMPARE(dlg->PriceEdit()->text(), priceText);
            QCOMPARE(dlg->DegreeEdit()->text(), degreeText);
        });
    }

    // After Stop the polls go on moving hot spot 1, with the chart's price display off.
    void stopKeepsPolling() {
        WriteText(m_file, "1 2 3 14 30 0 0 0 1000.0");
        CCaelvaneDoc doc;
        CDrawingView view(doc);
        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            dlg->StartButton()->click();
            const std::string withPrice = view.trace;
            dlg->StopButton()->click();
            QCOMPARE(doc.m_priceMonitorOn, 0);
            QVERIFY(FakeTimer(*dlg).running);
            const std::string withoutPrice = view.trace;  // Stop repaints at once
            QVERIFY(withPrice != withoutPrice);

            WriteText(m_file, "1 2 3 15 0 0 0 0 1010.0");
            const int draws = view.draws;
            FakeTimer(*dlg).Fire();
            QCOMPARE(PriceOf(doc), (JobPrice{0, 1010.0, 10.0, 10.0, 15, 0}));
            QCOMPARE(dlg->PriceEdit()->text(), QStringLiteral("1010"));
            QCOMPARE(view.draws, draws + 1);

            // Start again: display on and an immediate poll.
            dlg->StartButton()->click();
            QCOMPARE(doc.m_priceMonitorOn, 1);
            QCOMPARE(FakeTimer(*dlg).starts, 2);
        });
        // Closing leaves the display as it was.
        QCOMPARE(doc.m_priceMonitorOn, 1);
        QVERIFY(!FakeTimer(*dlg).running);
    }

    void eachPollMovesDateRangeOnePage() {
        WriteText(m_file, "1 2 3 14 30 0 0 0 1000.0");
        CCaelvaneDoc doc;
        MakeDateRange(doc, 3);
        CDrawingView view(doc);
        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            dlg->StartButton()->click();
            QCOMPARE(view.page, 2);
            FakeTimer(*dlg).Fire();
            QCOMPARE(view.page, 3);
            FakeTimer(*dlg).Fire();
            QCOMPARE(view.page, 1);
            QCOMPARE(doc.m_currentPage, 1);
        });
    }

    void badFilesKeepLastGoodValues_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("reason");

        QTest::newRow("missing") << false << QByteArray() << "cannot open";
        QTest::newRow("empty") << true << QByteArray() << "empty";
        QTest::newRow("blank") << true << QByteArray(" \n\t") << "empty";
        QTest::newRow("half written") << true << QByteArray("1 2 3 14") << "4 of the 9";
        QTest::newRow("eight numbers") << true << QByteArray("1 2 3 14 30 0 0 0") << "8 of the 9";
        QTest::newRow("text") << true << QByteArray("price unavailable") << "0 of the 9";
        QTest::newRow("text for the price")
            << true << QByteArray("1 2 3 14 30 0 0 0 n/a") << "8 of the 9";
        QTest::newRow("NaN") << true << QByteArray("1 2 3 14 30 0 0 0 nan") << "finite";
        QTest::newRow("infinite") << true << QByteArray("1 2 3 14 30 0 0 0 inf") << "finite";
        QTest::newRow("1e308") << true << QByteArray("1 2 3 14 30 0 0 0 1e308") << "too large";
        QTest::newRow("1e400") << true << QByteArray("1 2 3 14 30 0 0 0 1e400") << "out of range";
        QTest::newRow("hour too large")
            << true << QByteArray("1 2 3 99999999999 30 0 0 0 1") << "too large";
        QTest::newRow("binary") << true << QByteArray("\x00\xff\x01 1 2", 7) << "of the 9";
    }

    void badFilesKeepLastGoodValues() {
        QFETCH(bool, exists);
        QFETCH(QByteArray, file);
        QFETCH(QString, reason);

        WriteText(m_file, "1 2 3 14 30 0 0 0 1000.0");
        CCaelvaneDoc doc;
        MakeDateRange(doc, 5);
        CDrawingView view(doc);
        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            dlg->StartButton()->click();
            const JobPrice good = PriceOf(doc);
            QCOMPARE(good, (JobPrice{1, 1000.0, 320.0, 320.0, 14, 30}));
            QCOMPARE(doc.m_currentPage, 2);

            QFile::remove(m_file);
            if (exists) WriteText(m_file, file);
            FakeTimer(*dlg).Fire();
            QCOMPARE(PriceOf(doc), good);
            QCOMPARE(doc.m_currentPage, 2);  // the failed poll is skipped whole
            QCOMPARE(dlg->PriceEdit()->text(), QStringLiteral("1000"));
            QCOMPARE(dlg->DegreeEdit()->text(), QStringLiteral("320"));
            const QString status = dlg->StatusLabel()->text().remove(QChar(0x200B));
            QVERIFY2(status.startsWith(QStringLiteral("Could not read the price file")) &&
                         status.contains(reason),
                     qPrintable(status));

            // A good file again: the next poll recovers by itself.
            WriteText(m_file, "1 2 3 15 45 0 0 0 1001.0");
            FakeTimer(*dlg).Fire();
            QCOMPARE(PriceOf(doc), (JobPrice{1, 1001.0, 325.0, 325.0, 15, 45}));
            QCOMPARE(doc.m_currentPage, 3);
            QVERIFY(dlg->StatusLabel()->text().startsWith(QStringLiteral("Read at")));
        });
    }

    // A bad file at Start: the display goes on, nothing else changes.
    void badFileAtStart() {
        WriteText(m_file, "garbage");
        CCaelvaneDoc doc;
        const JobPrice before = PriceOf(doc);
        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            dlg->StartButton()->click();
            QCOMPARE(PriceOf(doc), (JobPrice{1, before.price, before.degree, before.hotSpot,
                                             before.hour, before.minute}));
            QCOMPARE(dlg->PriceEdit()->text(), QStringLiteral("0"));
        });
    }

    // A refused timer: the message, then the display on and the one poll all the same.
    void refusedTimer() {
        WriteText(m_file, "1 2 3 14 30 0 0 0 1000.0");
        CCaelvaneDoc doc;
        auto dlg = MakeDialog();
        FakeTimer(*dlg).refuse = true;
        CMessageCapture capture(*dlg);
        WithDialog(*dlg, &doc, [&] {
            dlg->StartButton()->click();
            QCOMPARE(capture.messages,
                     QStringList{QStringLiteral("Can not get system timer resource.\n Stop other "
                                                "programs which may have used them up.")});
            QCOMPARE(PriceOf(doc), (JobPrice{1, 1000.0, 320.0, 320.0, 14, 30}));
        });
    }

    // Through the command: one dialog for the run, showing the last price when reopened; the
    // job's views repaint when it closes; the file comes from CAELVANE_PRICE_FILE.
    void commandRemembersValues() {
        WriteText(m_file, "1 2 3 14 30 0 0 0 1000.0");
        qputenv("CAELVANE_PRICE_FILE", m_file.toUtf8());
        CCaelvaneDoc doc;
        CDrawingView view(doc);
        QWidget mainWindow;
        const ActiveDocumentProvider active = [&doc] { return &doc; };

        CPriceMonitorDlg* first = nullptr;
        caelvane::testing::ActOnModal([&](QWidget* modal) {
            first = dynamic_cast<CPriceMonitorDlg*>(modal);
            QVERIFY(first);
            QVERIFY(first->FileLabel()->text().contains(QStringLiteral("CAELVANE_PRICE_FILE")));
            first->StartButton()->click();
            QTest::keyClick(first, Qt::Key_Escape);
        });
        RunPriceMonitor(&mainWindow, active);
        QVERIFY(first);
        QVERIFY(!first->Timer().IsRunning());
        QCOMPARE(doc.m_priceMonitorOn, 1);
        const int draws = view.draws;

        CPriceMonitorDlg* second = nullptr;
        caelvane::testing::ActOnModal([&](QWidget* modal) {
            second = dynamic_cast<CPriceMonitorDlg*>(modal);
            QVERIFY(second);
            QCOMPARE(second->PriceEdit()->text(), QStringLiteral("1000"));
            QCOMPARE(second->DegreeEdit()->text(), QStringLiteral("320"));
            QVERIFY(!second->Timer().IsRunning());  // idle until Start
            second->close();
        });
        RunPriceMonitor(&mainWindow, active);
        qunsetenv("CAELVANE_PRICE_FILE");
        QCOMPARE(second, first);
        QCOMPARE(view.draws, draws + 1);
    }
};

static RegisterTest<TestPriceMonitor> registration;

#include "price_monitor_test.moc"
