#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/qt/data_exchange.h"
#include "tools/auto_run_dlg.h"
#include "tools/tests/tool_test_support.h"
#include "tools/tests/tool_tests.h"
#include "tools/tool_commands.h"

using namespace tools_test;

namespace {

std::unique_ptr<CAutoRunDlg> MakeDialog() {
    return std::make_unique<CAutoRunDlg>(nullptr, std::make_unique<CFakeTimer>());
}

}  // namespace

class TestAutoRun : public QObject {
    Q_OBJECT

private slots:
    void fivePageJobAtLastPageWrapsToFirst() {
        CCaelvaneDoc doc;
        MakeDateRange(doc, 5);
        doc.m_currentPage = 5;
        CDrawingView view(doc);
        QCOMPARE(view.page, 5);
        QCOMPARE(doc.m_pageCount, 5);

        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            QCOMPARE(dlg->PageEdit()->text(), QStringLiteral("5"));
            QCOMPARE(dlg->IntervalEdit()->text(), QStringLiteral("10"));
            dlg->StartButton()->click();
            // The default interval: 10 x 10 ms, ten pages a second.
            QVERIFY(FakeTimer(*dlg).running);
            QCOMPARE(FakeTimer(*dlg).period, 100);

            FakeTimer(*dlg).Fire();
            QCOMPARE(dlg->PageEdit()->text(), QStringLiteral("1"));
            QCOMPARE(doc.m_currentPage, 1);
            QCOMPARE(view.page, 1);
            QCOMPARE(view.day, 1);

            FakeTimer(*dlg).Fire();
            QCOMPARE(dlg->PageEdit()->text(), QStringLiteral("2"));
            QCOMPARE(view.page, 2);
            QCOMPARE(view.day, 2);
        });
    }

    void oneDateJobStaysOnPageOneButRepaints() {
        for (int jobType : {0, 1}) {
            CCaelvaneDoc doc;
            doc.m_jobType = jobType;
            CDrawingView view(doc);
            auto dlg = MakeDialog();
            WithDialog(*dlg, &doc, [&] {
                dlg->StartButton()->click();
                const int drawsBefore = view.draws;
                for (int tick = 0; tick < 3; ++tick) FakeTimer(*dlg).Fire();
                QCOMPARE(dlg->PageEdit()->text(), QStringLiteral("1"));
                QCOMPARE(doc.m_currentPage, 1);
                QCOMPARE(view.page, 1);
                QCOMPARE(view.draws, drawsBefore + 3);
            });
        }
    }

    void fieldChecks_data() {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::addColumn<QString>("focused");  // object name of the field focused on refusal
        QTest::addColumn<int>("period");

        const QString intervalRange =
            QStringLiteral("Please enter an integer between 1 and 10000.");
        QTest::newRow("interval 0") << "0"
                                    << "1" << intervalRange << "interval" << 0;
        QTest::newRow("interval 10001") << "10001"
                                        << "1" << intervalRange << "interval" << 0;
        QTest::newRow("interval text") << "fast"
                                       << "1"
                                       << "Please enter an integer."
                                       << "interval" << 0;
        QTest::newRow("interval checked before page") << "0"
                                                      << "0" << intervalRange << "interval" << 0;
        QTest::newRow("page 0") << "10"
                                << "0"
                                << "Please enter an integer between 1 and 100000."
                                << "page" << 0;
        QTest::newRow("page 100001") << "10"
                                     << "100001"
                                     << "Please enter an integer between 1 and 100000."
                                     << "page" << 0;
        QTest::newRow("interval 1") << "1"
                                    << "1"
                                    << ""
                                    << "" << 10;
        QTest::newRow("interval 10000: every 100 seconds") << "10000"
                                                           << "100000"
                                                           << ""
                                                           << "" << 100000;
    }

    void fieldChecks() {
        QFETCH(QString, interval);
        QFETCH(QString, page);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        QFETCH(int, period);

        CCaelvaneDoc doc;
        MakeDateRange(doc, 3);
        CDrawingView view(doc);
        auto dlg = MakeDialog();
        CMessageCapture capture(*dlg);
        WithDialog(*dlg, &doc, [&] {
            dlg->activateWindow();
            dlg->IntervalEdit()->setText(interval);
            dlg->PageEdit()->setText(page);
            dlg->StartButton()->click();
            if (message.isEmpty()) {
                QCOMPARE(capture.messages, QStringList());
                QVERIFY(FakeTimer(*dlg).running);
                QCOMPARE(FakeTimer(*dlg).period, period);
            } else {
                QCOMPARE(capture.messages, QStringList{message});
                QVERIFY(!FakeTimer(*dlg).running);
                QCOMPARE(FakeTimer(*dlg).starts, 0);
                QCOMPARE(dlg->focusWidget()->objectName(), focused);
            }
        });
    }

    void enterStarts() {
        CCaelvaneDoc doc;
        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            dlg->IntervalEdit()->setText(QStringLiteral("7"));
            QTest::keyClick(dlg->IntervalEdit(), Qt::Key_Return);
            QVERIFY(FakeTimer(*dlg).running);
            QCOMPARE(FakeTimer(*dlg).period, 70);
            QVERIFY(dlg->isVisible());
        });
    }

    void stopKeepsPages() {
        CCaelvaneDoc doc;
        MakeDateRange(doc, 4);
        CDrawingView view(doc);
        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            dlg->StartButton()->click();
            FakeTimer(*dlg).Fire();
            dlg->StopButton()->click();
            QVERIFY(!FakeTimer(*dlg).running);
            FakeTimer(*dlg).Fire();  // a stopped timer does not tick
            QCOMPARE(dlg->PageEdit()->text(), QStringLiteral("2"));
            QCOMPARE(doc.m_currentPage, 2);
        });
    }

    // The counter restarts from a typed number; the job keeps its own page.
    void typedCounterDoesNotMoveJob() {
        CCaelvaneDoc doc;
        MakeDateRange(doc, 10);
        CDrawingView view(doc);
        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            dlg->PageEdit()->setText(QStringLiteral("7"));
            dlg->StartButton()->click();
            FakeTimer(*dlg).Fire();
            QCOMPARE(dlg->PageEdit()->text(), QStringLiteral("8"));
            QCOMPARE(doc.m_currentPage, 2);
            QCOMPARE(view.page, 2);
        });
    }

    void refusedTimer() {
        CCaelvaneDoc doc;
        auto dlg = MakeDialog();
        FakeTimer(*dlg).refuse = true;
        CMessageCapture capture(*dlg);
        WithDialog(*dlg, &doc, [&] {
            dlg->StartButton()->click();
            QCOMPARE(capture.messages,
                     QStringList{QStringLiteral("Can not get system timer resource.\n Stop other "
                                                "programs which may have used them up.")});
            QVERIFY(!FakeTimer(*dlg).running);
            QVERIFY(dlg->isVisible());
        });
    }

    void spinWrapsThroughItsRange() {
        CCaelvaneDoc doc;
        auto dlg = MakeDialog();
        WithDialog(*dlg, &doc, [&] {
            QCOMPARE(dlg->Spin()->Lower(), 1);
            QCOMPARE(dlg->Spin()->Upper(), 10000);
            dlg->IntervalEdit()->setText(QStringLiteral("10000"));
            dlg->Spin()->Step(+1);
            QCOMPARE(dlg->IntervalEdit()->text(), QStringLiteral("1"));
            dlg->Spin()->Step(-1);
            QCOMPARE(dlg->IntervalEdit()->text(), QStringLiteral("10000"));
        });
    }

    // Close box: the job goes back to page 1; Escape leaves it where stepping took it. Either
    // way the timer dies with the window.
    void closeBoxAndEscape() {
        for (bool closeBox : {true, false}) {
            CCaelvaneDoc doc;
            MakeDateRange(doc, 5);
            CDrawingView view(doc);
            auto dlg = MakeDialog();
            WithDialog(*dlg, &doc, [&] {
                dlg->StartButton()->click();
                FakeTimer(*dlg).Fire();
                FakeTimer(*dlg).Fire();
                QCOMPARE(doc.m_currentPage, 3);
                if (closeBox) {
                    dlg->close();
                } else {
                    QTest::keyClick(dlg.get(), Qt::Key_Escape);
                }
                QVERIFY(!dlg->isVisible());
            });
            QVERIFY(!FakeTimer(*dlg).running);
            QCOMPARE(doc.m_currentPage, closeBox ? 1 : 3);
        }
    }

    // Through the command: one dialog for the run, so the interval typed last time is still
    // there, the counter shows the job's page, and closing repaints the job's views.
    void commandRemembersAndRepaints() {
        CCaelvaneDoc doc;
        MakeDateRange(doc, 6);
        doc.m_currentPage = 4;
        CDrawingView view(doc);
        QWidget mainWindow;
        const ActiveDocumentProvider active = [&doc] { return &doc; };

        CAutoRunDlg* first = nullptr;
        caelvane::testing::ActOnModal([&](QWidget* modal) {
            first = dynamic_cast<CAutoRunDlg*>(modal);
            QVERIFY(first);
            QCOMPARE(first->PageEdit()->text(), QStringLiteral("4"));
            first->IntervalEdit()->setText(QStringLiteral("25"));
            first->StartButton()->click();
            first->OnTimer();  // one step by hand: the desktop timer is not waited for
            first->close();
        });
        RunAutoRun(&mainWindow, active);
        QVERIFY(first);
        QCOMPARE(doc.m_currentPage, 1);
        QCOMPARE(view.page, 1);  // repainted on page 1 after the close box

        doc.m_currentPage = 3;
        view.Draw();
        CAutoRunDlg* second = nullptr;
        caelvane::testing::ActOnModal([&](QWidget* modal) {
            second = dynamic_cast<CAutoRunDlg*>(modal);
            QVERIFY(second);
            QCOMPARE(second->IntervalEdit()->text(), QStringLiteral("25"));
            QCOMPARE(second->m_interval, 25);
            QCOMPARE(second->PageEdit()->text(), QStringLiteral("3"));
            QVERIFY(!second->Timer().IsRunning());
            QTest::keyClick(second, Qt::Key_Escape);
        });
        RunAutoRun(&mainWindow, active);
        QCOMPARE(second, first);
        QCOMPARE(doc.m_currentPage, 3);
    }
};

static RegisterTest<TestAutoRun> registration;

#include "auto_run_test.moc"
