#pragma once
// One Qt Test executable per subsystem runs every test object registered with it, in
// registration order, on one QApplication.
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace caelvane::testing {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

// Every test object of the executable.
std::vector<TestFactory>& TestObjects();

// A namespace-scope `static Register<MyTest> registration;` adds MyTest at start-up.
template <typename Test>
struct Register {
    Register() {
        TestObjects().push_back([] { return std::unique_ptr<QObject>(new Test); });
    }
};

struct QtTestSetup {
    // Offscreen even when QT_QPA_PLATFORM names another platform (otherwise only by default, so
    // that a display can be asked for, e.g. screenshots under Xvfb).
    bool forceOffscreen = false;
    // QStandardPaths in test mode: nothing of the user's profile is read or written.
    bool standardPathsTestMode = false;
    // XDG_CONFIG_HOME and XDG_DATA_HOME in a scratch folder for the whole run, and no
    // CAELVANE_PRICE_FILE, for code that goes through the environment rather than QStandardPaths.
    bool scratchHome = false;
    // XDG_RUNTIME_DIR in a scratch folder of mode 0700, so that sockets a test makes or looks
    // for are never those of the user's running programs.
    bool scratchRuntimeDir = false;
};

// The body of main(): `exe [ClassName] [QTest options]`. A first argument naming a test class
// (it contains "Test") runs that class only. Returns the exit status.
int RunQtTests(int argc, char** argv, const QtTestSetup& setup);

}  // namespace caelvane::testing
