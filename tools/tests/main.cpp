// One executable for the tool tests, on the offscreen platform, with the profile and data
// folders in a scratch folder so that no user's settings or price file are touched.
#include "testing/qt_test_main.h"

int main(int argc, char** argv) {
    return caelvane::testing::RunQtTests(argc, argv, {.forceOffscreen = true, .scratchHome = true});
}
