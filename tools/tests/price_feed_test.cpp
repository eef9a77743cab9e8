#include "tools/price_feed.h"

#include <signal.h>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "chart/price_poll.h"
#include "tools/tests/tool_tests.h"

using namespace tools_test;

namespace {

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

struct CliRun {
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QString out;
    QString err;
};

CliRun RunCli(const QStringList& args, int timeoutMs = 20000) {
    QProcess process;
    process.start(QStringLiteral(CAELVANE_CLI), QStringList{QStringLiteral("pricefeed")} + args);
    CliRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.exitStatus = process.exitStatus();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

}  // namespace

class TestPriceFeed : public QObject {
    Q_OBJECT

private slots:
    // What the feed writes, the monitor reads back: the time and the price exactly.
    void writtenLineParses_data() {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<double>("price");
        QTest::addColumn<int>("readHour");
        QTest::newRow("afternoon") << 14 << 30 << 1000.0 << 14;
        QTest::newRow("after midnight") << 3 << 5 << 1234.25 << 27;
        QTest::newRow("fraction") << 9 << 59 << 0.1 << 9;
        QTest::newRow("large") << 23 << 0 << 99999999.99 << 23;
        QTest::newRow("fifteen digits") << 12 << 1 << 123456.789012345 << 12;
        QTest::newRow("tiny") << 12 << 1 << 1e-7 << 12;
    }

    void writtenLineParses() {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(double, price);
        QFETCH(int, readHour);
        PriceQuote quote;
        quote.month = 3, quote.day = 7, quote.year = 2024, quote.hour = hour;
        quote.minute = minute;
        quote.open = price - 1, quote.high = price + 2, quote.low = price - 3;
        quote.price = price;
        const std::string line = FormatPriceLine(quote);
        QVERIFY(line.back() == '\n');
        PriceReading reading;
        std::string error;
        QVERIFY2(ParsePriceText(line, reading, error), error.c_str());
        QCOMPARE(reading.hour, readHour);
        QCOMPARE(reading.minute, minute);
        QCOMPARE(reading.price, price);
    }

    void csv_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("firstLine");  // the first quote as written, or the error
        QTest::addColumn<int>("rows");
        QTest::addColumn<qint64>("lastGap");  // seconds between the last two rows

        QTest::newRow("date time and price")
            << QByteArray("2024-03-01 14:30,1000\n2024-03-01 14:31:30,1001.5\n")
            << "3 1 2024 14 30 1000 1000 1000 1000\n"
            << 2 << qint64(90);
        QTest::newRow("ISO time stamps, CRLF, comments")
            << QByteArray("# close\r\n2024-03-01T09:00:00Z,10\r\n\r\n2024-03-01T09:00:05Z,12\r\n")
            << "3 1 2024 9 0 10 10 10 10\n"
            << 2 << qint64(5);
        QTest::newRow("open high low price") << QByteArray("2024-03-01 14:30,990,1005,985,1000\n")
                                             << "3 1 2024 14 30 990 1005 985 1000\n"
                                             << 1 << qint64(0);
        QTest::newRow("separate date and time")
            << QByteArray("03/01/2024,14:30,1000\n03/02/2024,9:15,999\n")
            << "3 1 2024 14 30 1000 1000 1000 1000\n"
            << 2 << qint64(67500);
        QTest::newRow("header with extra columns") << QByteArray(
                                                          "Date,Time,Open,High,Low,Close,Volume\n"
                                                          "2024-03-01,14:30,1,3,0.5,2,100\n")
                                                   << "3 1 2024 14 30 1 3 0.5 2\n"
                                                   << 1 << qint64(0);
        QTest::newRow("header, dates only")
            << QByteArray("\"timestamp\",\"price\"\n\"2024/03/01\",\"5\"\n2024/03/04,6\n")
            << "3 1 2024 0 0 5 5 5 5\n"
            << 2 << qint64(3 * 86400);
        QTest::newRow("running day range")
            << QByteArray("2024-03-01 10:00,10\n2024-03-01 11:00,14\n2024-03-01 12:00,8\n")
            << "3 1 2024 10 0 10 10 10 10\n"
            << 3 << qint64(3600);
        QTest::newRow("time goes back")
            << QByteArray("2024-03-01 14:30,1\n2024-03-01 14:29,2\n")
            << "line 2: the time goes back before the row above" << 0 << qint64(0);
        QTest::newRow("NaN price") << QByteArray("2024-03-01 14:30,nan\n")
                                   << "line 1: not a usable price: \"nan\"" << 0 << qint64(0);
        QTest::newRow("header without columns")
            << QByteArray("x\n2024-03-01 14:30,1\n")
            << "line 1: the header needs a date (or datetime) and a "
               "price column"
            << 0 << qint64(0);
        QTest::newRow("huge price") << QByteArray("2024-03-01 14:30,1e308\n")
                                    << "line 1: not a usable price: \"1e308\"" << 0 << qint64(0);
        QTest::newRow("February 30")
            << QByteArray("2024-03-01 14:30,1\n2024-02-30 10:00,1\n")
            << "line 2: not a date: \"2024-02-30 10:00\"" << 0 << qint64(0);
        QTest::newRow("hour 24") << QByteArray("2024-03-01 24:00,1\n")
                                 << "line 1: not a date: \"2024-03-01 24:00\"" << 0 << qint64(0);
        QTest::newRow("three numbers")
            << QByteArray("2024-03-01 14:30,1,2,3\n")
            << "line 1: expected a date and time, then PRICE or OPEN,HIGH,LOW,PRICE" << 0
            << qint64(0);
        QTest::newRow("no rows") << QByteArray("Date,Price\n# nothing\n") << "no prices in the file"
                                 << 0 << qint64(0);
    }

    void csv() {
        QFETCH(QByteArray, csv);
        QFETCH(QString, firstLine);
        QFETCH(int, rows);
        QFETCH(qint64, lastGap);
        std::vector<TimedQuote> quotes;
        std::string error;
        const bool ok = ParsePriceCsv(csv.toStdString(), quotes, error);
        if (rows == 0) {
            QVERIFY(!ok);
            QCOMPARE(QString::fromStdString(error), firstLine);
            return;
        }
        QVERIFY2(ok, error.c_str());
        QCOMPARE(static_cast<int>(quotes.size()), rows);
        QCOMPARE(QString::fromStdString(FormatPriceLine(quotes.front().quote)), firstLine);
        if (rows > 1) {
            QCOMPARE(quotes[quotes.size() - 1].seconds - quotes[quotes.size() - 2].seconds,
                     lastGap);
        }
    }

    void dayRangeRunsPerDay() {
        const char* csv =
            "2024-03-01 10:00,10\n2024-03-01 11:00,14\n2024-03-01 12:00,8\n2024-03-02 09:00,9\n";
        std::vector<TimedQuote> quotes;
        std::string error;
        QVERIFY(ParsePriceCsv(csv, quotes, error));
        QCOMPARE(FormatPriceLine(quotes[2].quote), std::string("3 1 2024 12 0 10 14 8 8\n"));
        QCOMPARE(FormatPriceLine(quotes[3].quote), std::string("3 2 2024 9 0 9 9 9 9\n"));
    }

    void randomWalk() {
        CRandomWalk a(1000.0, 0.25, 42), b(1000.0, 0.25, 42), c(1000.0, 0.25, 43);
        QCOMPARE(a.Next(), 1000.0);
        b.Next();
        c.Next();
        double previous = 1000.0;
        bool differs = false;
        for (int i = 0; i < 1000; ++i) {
            const double price = a.Next();
            QCOMPARE(price, b.Next());
            differs = differs || price != c.Next();
            QCOMPARE(std::fabs(price - previous), 0.25);
            // On the step's grid: no drift from adding 0.25 a thousand times.
            QCOMPARE(std::fmod(price, 0.25), 0.0);
            previous = price;
        }
        QVERIFY(differs);

        CRandomWalk low(0.3, 0.25, 1);
        for (int i = 0; i < 1000; ++i) QVERIFY(low.Next() > 0.0);
    }

    void atomicWriteCreatesFoldersAndLeavesNothingElse() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a/b/sp1last.can"));
        std::string error;
        QVERIFY2(WritePriceFile(path.toStdString(), "one\n", error), error.c_str());
        QVERIFY2(WritePriceFile(path.toStdString(), "two\n", error), error.c_str());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("two\n"));
        QCOMPARE(FilesIn(dir.filePath(QStringLiteral("a/b"))), QStringList{"sp1last.can"});
        QVERIFY(file.permissions() & QFileDevice::ReadOther);
    }

    void atomicWriteFailures() {
        QTemporaryDir dir;
        // A folder where the file should be: the rename fails, nothing is left behind.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        std::string error;
        QVERIFY(!WritePriceFile(dir.filePath(QStringLiteral("taken")).toStdString(), "x", error));
        QVERIFY2(error.find("cannot replace") != std::string::npos, error.c_str());
        QCOMPARE(FilesIn(dir.path()), QStringList());
        // A file where a folder should be.
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        error.clear();
        QVERIFY(
            !WritePriceFile(dir.filePath(QStringLiteral("file/p.can")).toStdString(), "x", error));
        QVERIFY(!error.empty());
    }

    // ---- The command as users run it ----------------------------------------------------------

    void cliRandomWalk() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("feed/sp1last.can"));
        const QStringList args{"--file",  path,      "--random-walk", "--seed", "7",
                               "--count", "3",       "--interval",    "0.01",   "--step",
                               "0.5",     "--start", "2000"};
        const CliRun run = RunCli(args);
        QCOMPARE(run.exitStatus, QProcess::NormalExit);
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), lines.last() + QLatin1Char('\n'));
        double previous = 0.0;
        for (int i = 0; i < lines.size(); ++i) {
            PriceReading reading;
            std::string error;
            QVERIFY2(ParsePriceText(lines[i].toStdString(), reading, error), error.c_str());
            if (i == 0) QCOMPARE(reading.price, 2000.0);
            if (i > 0) QCOMPARE(std::fabs(reading.price - previous), 0.5);
            previous = reading.price;
        }
        QCOMPARE(FilesIn(dir.filePath(QStringLiteral("feed"))), QStringList{"sp1last.can"});
        // The same seed, the same prices.
        const CliRun again = RunCli(args);
        auto prices = [](const QString& out) {
            QStringList result;
            for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                result << line.section(QLatin1Char(' '), 8);
            }
            return result;
        };
        QCOMPARE(prices(again.out), prices(run.out));
    }

    void cliReplaysCsvAtItsPace() {
        QTemporaryDir dir;
        const QString csvPath = dir.filePath(QStringLiteral("prices.csv"));
        QFile csv(csvPath);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write(
            "Date,Time,Close\n2024-03-01,14:30:00,1000\n2024-03-01,14:30:30,1001\n"
            "2024-03-01,14:31:00,1002.5\n");
        csv.close();
        const QString path = dir.filePath(QStringLiteral("sp1last.can"));

        QElapsedTimer clock;
        clock.start();
        // 60 seconds of prices at 100 times their pace: 0.6 s.
        const CliRun run = RunCli({"--file", path, "--csv", csvPath, "--speed", "100"});
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("3 1 2024 14 30 1000 1000 1000 1000\n"
                                         "3 1 2024 14 30 1000 1001 1000 1001\n"
                                         "3 1 2024 14 31 1000 1002.5 1000 1002.5\n"));
        QVERIFY2(elapsed >= 550, qPrintable(QString::number(elapsed)));

        // --count stops early.
        const CliRun two =
            RunCli({"--file", path, "--csv", csvPath, "--speed", "1000", "--count", "2"});
        QCOMPARE(two.exitCode, 0);
        QCOMPARE(two.out.count(QLatin1Char('\n')), 2);
    }

    void cliMalformedArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no source") << QStringList{};
        QTest::newRow("both sources") << QStringList{"--csv", "x.csv", "--random-walk"};
        QTest::newRow("unknown option") << QStringList{"--random-walk", "--fast"};
        QTest::newRow("missing value") << QStringList{"--random-walk", "--count"};
        QTest::newRow("count 0") << QStringList{"--random-walk", "--count", "0"};
        QTest::newRow("count text") << QStringList{"--random-walk", "--count", "ten"};
        QTest::newRow("negative count") << QStringList{"--random-walk", "--count", "-1"};
        QTest::newRow("interval 0") << QStringList{"--random-walk", "--interval", "0"};
        QTest::newRow("interval NaN") << QStringList{"--random-walk", "--interval", "nan"};
        QTest::newRow("step negative") << QStringList{"--random-walk", "--step", "-1"};
        QTest::newRow("start 1e308") << QStringList{"--random-walk", "--start", "1e308"};
        QTest::newRow("speed with the walk") << QStringList{"--random-walk", "--speed", "2"};
        QTest::newRow("walk options with csv") << QStringList{"--csv", "x.csv", "--seed", "1"};
        QTest::newRow("speed 0") << QStringList{"--csv", "x.csv", "--speed", "0"};
        QTest::newRow("twice") << QStringList{"--random-walk", "--seed", "1", "--seed", "2"};
        QTest::newRow("empty file name") << QStringList{"--file", "", "--random-walk"};
    }

    void cliMalformedArguments() {
        QFETCH(QStringList, args);
        const CliRun run = RunCli(args);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY(run.err.startsWith(QStringLiteral("caelvane-cli pricefeed: ")));
    }

    void cliBadCsvFails() {
        QTemporaryDir dir;
        const QString csvPath = dir.filePath(QStringLiteral("bad.csv"));
        QFile csv(csvPath);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("2024-03-01 14:30,1\n2024-03-01 14:00,2\n");
        csv.close();
        const QString path = dir.filePath(QStringLiteral("sp1last.can"));
        const CliRun run = RunCli({"--file", path, "--csv", csvPath});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(QStringLiteral("line 2")));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(RunCli({"--file", path, "--csv", dir.filePath("none.csv")}).exitCode, 1);
    }

    // A CSV that is no CSV of prices is named with what is wrong with it, and no price file is
    // written: a folder, a missing file, and an endless one (read a line at a time up to a
    // limit, not into memory whole).
    void cliCsvThatIsNoCsvSaysWhy() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sp1last.can"));
        const QString missing = dir.filePath(QStringLiteral("none.csv"));
        const struct {
            QString csv;
            QString message;
        } cases[] = {
            {dir.path(), "cannot read " + dir.path() + ": Is a directory"},
            {missing, "cannot open " + missing + ": No such file or directory"},
            {"/dev/zero", "/dev/zero: line 1 is longer than 4096 bytes: not a CSV of prices"},
        };
        for (const auto& c : cases) {
            const CliRun run = RunCli({"--file", path, "--csv", c.csv});
            QCOMPARE(run.exitStatus, QProcess::NormalExit);
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.endsWith("caelvane-cli pricefeed: " + c.message + "\n"),
                     qPrintable(run.err));
            QVERIFY(!QFile::exists(path));
        }
    }

    // The price file behind a link is written through it, keeping its mode.
    void cliWritesThroughALinkKeepingTheMode() {
        QTemporaryDir dir;
        const QString real = dir.filePath(QStringLiteral("real.can"));
        const QString link = dir.filePath(QStringLiteral("sp1last.can"));
        QFile file(real);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old\n");
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::link(QStringLiteral("real.can"), link));
        const CliRun run = RunCli({"--file", link, "--random-walk", "--seed", "1", "--count", "1"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(QFileInfo(link).isSymLink());
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(real).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, 0600u);
        PriceReading reading;
        std::string error;
        QVERIFY2(ReadPriceFile(real.toStdString(), reading, error), error.c_str());
        QCOMPARE(reading.price, 1000.0);
    }

    // Interrupted, the feed ends at once with a whole file and no temporary left; a reader
    // polling all the while never sees half a file.
    void cliStopsOnSignalAndNeverShowsHalfAFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sp1last.can"));
        for (bool interrupt : {false, true}) {
            // The file of the run before would let the signal overtake the handlers' setup.
            QFile::remove(path);
            QProcess process;
            process.start(QStringLiteral(CAELVANE_CLI),
                          {"pricefeed", "--file", path, "--random-walk", "--seed", "3",
                           "--interval", "0.001"});
            QVERIFY(process.waitForStarted());
            // The feed announces the file only once its stop handlers are in place; a signal
            // before that would end it with the signal's default action instead.
            QByteArray announced;
            QTRY_VERIFY_WITH_TIMEOUT(
                (announced += process.readAllStandardError()).contains("pricefeed: writing "),
                10000);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 10000);
            // Plain reads, without the reader's own second look: every one must find a whole
            // line, which only a writer that replaces the file can promise.
            for (int reads = 0; reads < 3000; ++reads) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadOnly));
                const QByteArray text = file.readAll();
                QVERIFY2(text.endsWith('\n'), text.constData());
                PriceReading reading;
                std::string error;
                QVERIFY2(ParsePriceText(text.toStdString(), reading, error), error.c_str());
            }
            if (interrupt) {
                ::kill(static_cast<pid_t>(process.processId()), SIGINT);
            } else {
                process.terminate();  // SIGTERM
            }
            QVERIFY(process.waitForFinished(5000));
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 0);
            QCOMPARE(FilesIn(dir.path()), QStringList{"sp1last.can"});
        }
    }
};

static RegisterTest<TestPriceFeed> registration;

#include "price_feed_test.moc"
