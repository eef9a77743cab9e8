#include "platform/qt/data_exchange.h"

#include <QTest>
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
        QTest::newRow("signed zero") << "-0" << true << 0;
        QTest::newRow("smallest") << "-2147483648" << true << std::numeric_limits<int>::min();
        QTest::newRow("one past largest") << "2147483648" << false << 0;
        QTest::newRow("far too long") << "99999999999999999999999" << false << 0;
        QTest::newRow("exponent") << "1e3" << false << 0;
        QTest::newRow("trailing letter") << "12a" << false << 0;
        QTest::newRow("decimal point") << "12.0" << false << 0;
        QTest::newRow("blank inside") << "1 2" << false << 0;
        QTest::newRow("blank after sign") << "- 5" << false << 0;
        QTest::newRow("sign alone") << "+" << false << 0;
        QTest::newRow("blanks only") << "   " << false << 0;
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
        QTest::newRow("signed fraction") << "-0.25" << true << -0.25;
        QTest::newRow("point first") << ".5" << true << 0.5;
        QTest::newRow("point last") << "5." << true << 5.0;
        QTest::newRow("signed exponent") << "+25E-1" << true << 2.5;
        QTest::newRow("d exponent") << "2d2" << true << 200.0;
        QTest::newRow("exponent too large") << "1e999" << true << qInf();
        QTest::newRow("exponent without digits") << "1e" << false << 0.0;
        QTest::newRow("point alone") << "." << false << 0.0;
        QTest::newRow("decimal comma") << "12,5" << false << 0.0;
        QTest::newRow("infinity") << "inf" << false << 0.0;
        QTest::newRow("not a number") << "nan" << false << 0.0;
        QTest::newRow("hexadecimal") << "0x10" << false << 0.0;
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

    void numbersShowWithFifteenDigits_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 90.0 << "90";
        QTest::newRow("half") << 12.5 << "12.5";
        QTest::newRow("tenth") << 0.1 << "0.1";
        QTest::newRow("third") << 1.0 / 3.0 << "0.333333333333333";
        QTest::newRow("large") << 123456789012345678.0 << "1.23456789012346e+17";
    }
    void numbersShowWithFifteenDigits() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatDialogDouble(value), text);
    }
};

static TestRegistration<DataExchangeTest> registration;

#include "data_exchange_test.moc"
