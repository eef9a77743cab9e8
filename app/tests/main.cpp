// Runs every test object of the desktop program on the offscreen platform.
// `app_tests ClassName [QTest options]` runs one of them.
#include "testing/qt_test_main.h"

int main(int argc, char** argv) {
    return caelvane::testing::RunQtTests(
        argc, argv, {.standardPathsTestMode = true, .scratchRuntimeDir = true});
}
