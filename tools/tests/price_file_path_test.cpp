#include "tools/price_file_path.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "tools/price_monitor_dlg.h"
#include "tools/tests/tool_tests.h"

using namespace tools_test;

class TestPriceFilePath : public QObject {
    Q_OBJECT

private slots:
    void rules_data() {
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("xdgDataHome");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("source");

        const int env = static_cast<int>(PriceFileSource::kEnvironment);
        const int prof = static_cast<int>(PriceFileSource::kProfile);
        const int def = static_cast<int>(PriceFileSource::kDefault);
        QTest::newRow("environment wins") << "/e/p.can"
                                          << "/p/p.can"
                                          << "/x"
                                          << "/h"
                                          << "/e/p.can" << env;
        QTest::newRow("profile next") << ""
                                      << "/p/p.can"
                                      << "/x"
                                      << "/h"
                                      << "/p/p.can" << prof;
        QTest::newRow("XDG data folder") << ""
                                         << ""
                                         << "/x/data"
                                         << "/h"
                                         << "/x/data/Caelvane/sp1last.can" << def;
        QTest::newRow("no XDG data folder") << ""
                                            << ""
                                            << ""
                                            << "/home/ann"
                                            << "/home/ann/.local/share/Caelvane/sp1last.can" << def;
        QTest::newRow("relative XDG folder is ignored")
            << ""
            << ""
            << "data"
            << "/home/ann/"
            << "/home/ann/.local/share/Caelvane/sp1last.can" << def;
        QTest::newRow("root's home") << ""
                                     << ""
                                     << ""
                                     << "/"
                                     << "/.local/share/Caelvane/sp1last.can" << def;
    }

    void rules() {
        QFETCH(QString, environment);
        QFETCH(QString, profile);
        QFETCH(QString, xdgDataHome);
        QFETCH(QString, home);
        QFETCH(QString, path);
        QFETCH(int, source);
        const PriceFileLocation location =
            ResolvePriceFilePath({environment.toStdString(), profile.toStdString(),
                                  xdgDataHome.toStdString(), home.toStdString()});
        QCOMPARE(QString::fromStdString(location.path), path);
        QCOMPARE(static_cast<int>(location.source), source);
    }

    // The command line reads the desktop's profile without Qt: whatever the settings writer
    // stores must come back unchanged.
    void profileReaderReadsSettingsWriter_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "/home/ann/prices/sp1last.can";
        QTest::newRow("blanks, commas, semicolons")
            << "/home/ann/my prices, daily; late/sp1last.can";
        QTest::newRow("quotes and backslashes") << "/tmp/a\"b\\c=d.can";
        QTest::newRow("leading and trailing blanks") << "  /tmp/x.can ";
        QTest::newRow("non-ASCII") << QString::fromUtf8("/home/zoë/Kurse/€/sp1last.can");
        QTest::newRow("leading @") << "@prices.can";
        QTest::newRow("control characters") << "/tmp/a\tb\nc.can";
    }

    void profileReaderReadsSettingsWriter() {
        QFETCH(QString, value);
        QSettings profile(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Caelvane"),
                          QStringLiteral("Caelvane"));
        QCOMPARE(profile.fileName(), QString::fromStdString(ProfileFilePath()));
        profile.setValue(QStringLiteral("Settings/PriceFile"), value);
        profile.setValue(QStringLiteral("Settings/PreviewPages"), 2);
        profile.setValue(QStringLiteral("Recent File List/File1"), QStringLiteral("/a,b.cvj"));
        profile.sync();
        QCOMPARE(profile.status(), QSettings::NoError);

        std::string read;
        QVERIFY(ReadProfileText(ProfileFilePath(), "Settings", "PriceFile", read));
        QCOMPARE(QString::fromStdString(read), value);
        QCOMPARE(QString::fromStdString(CurrentPriceFileLocation().path), value);
        QCOMPARE(QString::fromStdString(DesktopPriceFileLocation().path), value);
        QVERIFY(!ReadProfileText(ProfileFilePath(), "Settings", "Missing", read));
        QVERIFY(!ReadProfileText(ProfileFilePath(), "Other", "PriceFile", read));

        profile.remove(QStringLiteral("Settings/PriceFile"));
        profile.sync();
    }

    void environmentOverridesProfile() {
        QSettings profile(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Caelvane"),
                          QStringLiteral("Caelvane"));
        profile.setValue(QStringLiteral("Settings/PriceFile"), QStringLiteral("/from/profile"));
        profile.sync();
        qputenv("CAELVANE_PRICE_FILE", "/from/environment");
        const PriceFileLocation desktop = DesktopPriceFileLocation();
        const PriceFileLocation cli = CurrentPriceFileLocation();
        qunsetenv("CAELVANE_PRICE_FILE");
        QCOMPARE(QString::fromStdString(desktop.path), QStringLiteral("/from/environment"));
        QCOMPARE(QString::fromStdString(cli.path), QStringLiteral("/from/environment"));

        profile.remove(QStringLiteral("Settings/PriceFile"));
        profile.sync();
        const PriceFileLocation fallback = DesktopPriceFileLocation();
        QCOMPARE(fallback.source, PriceFileSource::kDefault);
        QCOMPARE(QString::fromStdString(fallback.path),
                 QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) +
                     QStringLiteral("/Caelvane/sp1last.can"));
    }

    void typedValuesAreNotPaths() {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("p.ini"));
        QSettings profile(ini, QSettings::IniFormat);
        profile.setValue(QStringLiteral("Settings/PriceFile"), QByteArray("\x01\x02", 2));
        profile.setValue(QStringLiteral("Settings/List"), QStringList{"a", "b"});
        profile.sync();
        std::string read;
        QVERIFY(!ReadProfileText(ini.toStdString(), "Settings", "PriceFile", read));
        QVERIFY(!ReadProfileText(ini.toStdString(), "Settings", "List", read));
    }
};

static RegisterTest<TestPriceFilePath> registration;

#include "price_file_path_test.moc"
