#include "testing/qt_test_main.h"

#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace caelvane::testing {

std::vector<TestFactory>& TestObjects() {
    static std::vector<TestFactory> tests;
    return tests;
}

int RunQtTests(int argc, char** argv, const QtTestSetup& setup) {
    // Set here too: test discovery and hand runs start the binary without CTest's environment.
    if (setup.forceOffscreen || qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::optional<QTemporaryDir> home;
    if (setup.scratchHome) {
        home.emplace();
        if (!home->isValid()) return EXIT_FAILURE;
        qputenv("XDG_CONFIG_HOME", (home->path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (home->path() + QStringLiteral("/data")).toUtf8());
        qunsetenv("CAELVANE_PRICE_FILE");
    }
    std::optional<QTemporaryDir> runtime;
    if (setup.scratchRuntimeDir) {
        runtime.emplace();
        if (!runtime->isValid() ||
            !QFile::setPermissions(runtime->path(), QFileDevice::ReadOwner |
                                                        QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner)) {
            return EXIT_FAILURE;
        }
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    }
    if (setup.standardPathsTestMode) QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);

    const char* only = argc > 1 && argv[1][0] != '-' && std::strstr(argv[1], "Test") != nullptr
                           ? argv[1]
                           : nullptr;
    std::vector<char*> arguments(argv, argv + argc);
    if (only != nullptr) arguments.erase(arguments.begin() + 1);
    int failed = 0;
    for (const TestFactory& make : TestObjects()) {
        const std::unique_ptr<QObject> test = make();
        if (only != nullptr && std::strcmp(test->metaObject()->className(), only) != 0) continue;
        failed += QTest::qExec(test.get(), static_cast<int>(arguments.size()), arguments.data());
    }
    return failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace caelvane::testing
