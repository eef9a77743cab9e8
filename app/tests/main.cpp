// Runs every test object of the desktop program on the offscreen platform.
// `app_tests ClassName [QTest options]` runs one of them.
#include <QApplication>
#include <QStandardPaths>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/tests/app_tests.h"

int main(int argc, char** argv) {
    // Set here too: test discovery runs the binary without CTest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    const char* only = argc > 1 && argv[1][0] != '-' && std::strstr(argv[1], "Test") != nullptr
                           ? argv[1]
                           : nullptr;
    std::vector<char*> arguments(argv, argv + argc);
    if (only != nullptr) arguments.erase(arguments.begin() + 1);
    int failed = 0;
    for (const auto& makeTest : apptest::TestObjects()) {
        const std::unique_ptr<QObject> test = makeTest();
        if (only != nullptr && std::strcmp(test->metaObject()->className(), only) != 0) continue;
        failed += QTest::qExec(test.get(), static_cast<int>(arguments.size()), arguments.data());
    }
    return failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
