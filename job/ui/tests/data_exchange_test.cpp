#include "platform/qt/data_exchange.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <cmath>
#include <limits>

#include "test_support.h"

using namespace caelvane;

class DataExchangeTest : public QObject {
    Q_OBJECT

private slots:
    void integersParseAsTyped_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("blanks around") << " 12 " << true << 12;
        QTest::newRow("tabs around") << "\t7\t" << true << 7;
        QTest::newRow("plus sign") << "+5" << true << 5;
        QTest::newRow("minus sign") << "-10" << true << -10;
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("signed zero") << "-0" << true << 0;
        QTest::newRow("leading zeros") << "0002600" << true << 2600;
        QTest::newRow("largest") << "2147483647" << true << std::numeric_limits<int>::max();
        QTest::newRow("smallest") << "-2147483648" << true << std::numeric_limits<int>::min();
        QTest::newRow("one past largest") << "2147483648" << false << 0;
        QTest::newRow("one past smallest") << "-2147483649" << false << 0;
        QTest::newRow("far too long") << "99999999999999999999999" << false << 0;
        QTest::newRow("exponent") << "1e3" << false << 0;
        QTest::newRow("trailing letter") << "12a" << false << 0;
        QTest::newRow("decimal point") << "12.0" << false << 0;
        QTest::newRow("blank inside") << "1 2" << false << 0;
        QTest::newRow("blank after sign") << "- 5" << false << 0;
        QTest::newRow("sign alone") << "+" << false << 0;
        QTest::newRow("two signs") << "+-5" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blanks only") << "   " << false << 0;
        QTest::newRow("thousands separator") << "1,000" << false << 0;
        QTest::newRow("full-width digit") << QString(QChar(0xFF15)) << false << 0;
    }
    void integersParseAsTyped() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const std::optional<int> parsed = ParseDialogInt(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid) QCOMPARE(*parsed, value);
    }

    void numbersParseAsTyped_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << " 90 " << true << 90.0;
        QTest::newRow("fraction") << "12.5" << true << 12.5;
        QTest::newRow("signs") << "-0.25" << true << -0.25;
        QTest::newRow("point first") << ".5" << true << 0.5;
        QTest::newRow("point last") << "5." << true << 5.0;
        QTest::newRow("exponent") << "1e3" << true << 1000.0;
        QTest::newRow("signed exponent") << "+25E-1" << true << 2.5;
        QTest::newRow("d exponent") << "2d2" << true << 200.0;
        QTest::newRow("exponent without digits") << "1e" << false << 0.0;
        QTest::newRow("point alone") << "." << false << 0.0;
        QTest::newRow("decimal comma") << "12,5" << false << 0.0;
        QTest::newRow("infinity") << "inf" << false << 0.0;
        QTest::newRow("not a number") << "nan" << false << 0.0;
        QTest::newRow("hexadecimal") << "0x10" << false << 0.0;
        QTest::newRow("trailing text") << "359.5x" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
    }
    void numbersParseAsTyped() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const std::optional<double> parsed = ParseDialogDouble(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid) QCOMPARE(*parsed, value);
    }

    void hugeExponentIsInfiniteAndFailsEveryRange() {
        const std::optional<double> parsed = ParseDialogDouble("1e999");
        QVERIFY(parsed && std::isinf(*parsed));
        QLineEdit edit;
        edit.setText("1e999");
        MessageCapture capture;
        double value = 0.0;
        QVERIFY(!UpdateData(nullptr, true, [&](CDataExchange& dx) {
            DdxText(dx, &edit, value);
            DdvMinMaxDouble(dx, value, 0.0, 360.0);
        }));
        QCOMPARE(capture.messages, QStringList{"Please enter a number between 0 and 360."});
    }

    void numbersShowWithFifteenDigits_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 90.0 << "90";
        QTest::newRow("half") << 12.5 << "12.5";
        QTest::newRow("tenth") << 0.1 << "0.1";
        QTest::newRow("third") << 1.0 / 3.0 << "0.333333333333333";
        QTest::newRow("large") << 123456789012345678.0 << "1.23456789012346e+17";
        QTest::newRow("negative") << -359.0 << "-359";
    }
    void numbersShowWithFifteenDigits() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatDialogDouble(value), text);
    }

    // The first failing check shows its message, focuses its edit with the text selected and
    // stops the pass: later members keep their values.
    void firstFailureStopsThePass() {
        QWidget dialog;
        auto* first = new QLineEdit("3000", &dialog);
        auto* second = new QLineEdit("abc", &dialog);
        auto* third = new QLineEdit("7", &dialog);
        dialog.show();
        int a = 1, b = 2, c = 3;
        MessageCapture capture;
        const bool passed = UpdateData(&dialog, true, [&](CDataExchange& dx) {
            DdxText(dx, first, a);
            DdvMinMaxInt(dx, a, 1400, 2600);
            DdxText(dx, second, b);
            DdxText(dx, third, c);
        });
        QVERIFY(!passed);
        QCOMPARE(capture.messages, QStringList{"Please enter an integer between 1400 and 2600."});
        QCOMPARE(a, 3000);  // exchanged before its check, as the platform does
        QCOMPARE(b, 2);
        QCOMPARE(c, 3);
        QCOMPARE(dialog.focusWidget(), first);
        QCOMPARE(first->selectedText(), QString("3000"));
    }

    void loadingShowsOutOfRangeValuesSilently() {
        QLineEdit edit;
        int value = 9999;
        MessageCapture capture;
        QVERIFY(UpdateData(nullptr, false, [&](CDataExchange& dx) {
            DdxText(dx, &edit, value);
            DdvMinMaxInt(dx, value, 1, 12);
        }));
        QCOMPARE(edit.text(), QString("9999"));
        QVERIFY(capture.messages.isEmpty());
    }

    void rangeMessagesShowTheBounds() {
        QLineEdit edit("100001");
        MessageCapture capture;
        int value = 0;
        UpdateData(nullptr, true, [&](CDataExchange& dx) {
            DdxText(dx, &edit, value);
            DdvMinMaxInt(dx, value, -100000, 100000);
        });
        edit.setText("12x");
        UpdateData(nullptr, true, [&](CDataExchange& dx) { DdxText(dx, &edit, value); });
        QCOMPARE(capture.messages,
                 (QStringList{"Please enter an integer between -100000 and 100000.",
                              "Please enter an integer."}));
    }

    // The input limit stops typing and pasting, yet a longer loaded text stays whole until
    // it is saved, and is then refused.
    void textLimitKeepsLoadedTextWhole() {
        QLineEdit edit;
        std::string value(10, 'L');
        UpdateData(nullptr, false, [&](CDataExchange& dx) {
            DdxText(dx, &edit, value);
            DdvMaxChars(dx, value, 8);
        });
        QCOMPARE(edit.text().size(), 10);
        edit.end(false);
        QTest::keyClick(&edit, Qt::Key_X);
        QCOMPARE(edit.text().size(), 10);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClick(&edit, Qt::Key_X);
        QCOMPARE(edit.text(), QString(9, 'L'));

        MessageCapture capture;
        QVERIFY(!UpdateData(nullptr, true, [&](CDataExchange& dx) {
            DdxText(dx, &edit, value);
            DdvMaxChars(dx, value, 8);
        }));
        QCOMPARE(capture.messages, QStringList{"Please enter no more than 8 characters."});

        edit.clear();
        edit.insert("ABCDEFGHIJKL");
        QCOMPARE(edit.text(), QString("ABCDEFGH"));
    }

    void singleByteTextRoundTrips() {
        QLineEdit edit;
        std::string value = "caf\xE9 \xB0";
        UpdateData(nullptr, false, [&](CDataExchange& dx) { DdxText(dx, &edit, value); });
        QCOMPARE(edit.text(), QString::fromUtf8("caf\u00E9 \u00B0"));
        value.clear();
        UpdateData(nullptr, true, [&](CDataExchange& dx) { DdxText(dx, &edit, value); });
        QCOMPARE(value, std::string("caf\xE9 \xB0"));
    }

    void checkAndRadioValues() {
        QWidget dialog;
        QCheckBox box(&dialog);
        QRadioButton r0(&dialog), r1(&dialog), r2(&dialog);
        int check = 5;  // not a state: shows, and stays, unchecked
        int radio = 7;  // no such button: none checked, read back as -1
        r1.setChecked(true);
        UpdateData(&dialog, false, [&](CDataExchange& dx) {
            DdxCheck(dx, &box, check);
            DdxRadio(dx, {&r0, &r1, &r2}, radio);
        });
        QCOMPARE(check, 0);
        QVERIFY(!box.isChecked());
        QVERIFY(!r0.isChecked() && !r1.isChecked() && !r2.isChecked());
        UpdateData(&dialog, true, [&](CDataExchange& dx) { DdxRadio(dx, {&r0, &r1, &r2}, radio); });
        QCOMPARE(radio, -1);
        r2.click();
        UpdateData(&dialog, true, [&](CDataExchange& dx) { DdxRadio(dx, {&r0, &r1, &r2}, radio); });
        QCOMPARE(radio, 2);
    }

    // A spin reads an integer from its buddy (clamped into its range), steps and wraps, and
    // writes a whole number; a buddy holding no integer steps from the last position.
    void spinStepsTheBuddy_data() {
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("shown");
        QTest::newRow("up") << 0 << 359 << "90" << int(Qt::Key_Up) << "91";
        QTest::newRow("wraps at the top") << 0 << 359 << "359" << int(Qt::Key_Up) << "0";
        QTest::newRow("wraps at the bottom") << 0 << 359 << "0" << int(Qt::Key_Down) << "359";
        QTest::newRow("typed beyond the top") << 0 << 359 << "360" << int(Qt::Key_Up) << "0";
        QTest::newRow("negative lower end")
            << -10 << 10000 << "-10" << int(Qt::Key_Down) << "10000";
        QTest::newRow("no separators")
            << -100000 << 100000 << "99999" << int(Qt::Key_Up) << "100000";
        QTest::newRow("blanks and sign")
            << 1400 << 2600 << " +2000 " << int(Qt::Key_Down) << "1999";
    }
    void spinStepsTheBuddy() {
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, shown);
        QWidget dialog;
        auto* edit = new QLineEdit(&dialog);
        auto* spin = new CSpinButtonCtrl(&dialog);
        spin->SetBuddy(edit);
        spin->SetRange(lower, upper);
        edit->setText(typed);
        QTest::keyClick(edit, Qt::Key(key));
        QCOMPARE(edit->text(), shown);
    }

    void spinStepsFromItsLastPositionOverAFraction() {
        QLineEdit edit;
        CSpinButtonCtrl spin;
        spin.SetBuddy(&edit);
        spin.SetRange(0, 359);
        edit.setText("40");
        spin.Step(1);
        edit.setText("12.5");
        spin.Step(1);
        QCOMPARE(edit.text(), QString("42"));
    }

    void dialogUnitsFollowTheFont() {
        QFont font20 = QApplication::font();
        font20.setPixelSize(20);
        QFont font10 = font20;
        font10.setPixelSize(10);
        const CDialogUnits big(font20);
        const CDialogUnits small(font10);
        QVERIFY(big.BaseX() > small.BaseX());
        QCOMPARE(big.BaseY(), QFontMetrics(font20).height());
        QCOMPARE(big.MapX(4), big.BaseX());
        QCOMPARE(big.MapY(8), big.BaseY());
        // Rounded to the nearest pixel: 2 units are half a character width.
        QCOMPARE(big.MapX(2), (big.BaseX() + 1) / 2);
        QCOMPARE(big.MapX(-2), -((big.BaseX() + 1) / 2));
    }
};

static TestRegistration<DataExchangeTest> registration;

#include "data_exchange_test.moc"
