// A display is optional: the dialogs are shown on the offscreen platform unless one is asked
// for (screenshots under Xvfb).
#include "testing/qt_test_main.h"

int main(int argc, char** argv) {
    return caelvane::testing::RunQtTests(argc, argv, {});
}
