#include <QApplication>
#include <QTest>

#include "test_support.h"

int main(int argc, char** argv) {
    // A display is optional: the dialogs are shown on the offscreen platform unless one is
    // asked for (screenshots under Xvfb).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int failures = 0;
    for (const TestFactory& factory : RegisteredTests()) {
        std::unique_ptr<QObject> test = factory();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
