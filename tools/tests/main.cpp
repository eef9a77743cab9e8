// One executable for the tool tests, on the offscreen platform, with the profile and data
// folders in a scratch folder so that no user's settings or price file are touched.
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "tools/tests/tool_tests.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid()) return 1;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qunsetenv("CAELVANE_PRICE_FILE");
    QApplication app(argc, argv);

    int status = 0;
    for (const auto& make : tools_test::TestFactories()) {
        std::unique_ptr<QObject> test = make();
        status |= QTest::qExec(test.get(), argc, argv);
    }
    return status;
}

std::vector<tools_test::TestFactory>& tools_test::TestFactories() {
    static std::vector<TestFactory> factories;
    return factories;
}
