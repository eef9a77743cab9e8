#include "app/tests/app_tests.h"

namespace apptest {

std::vector<TestFactory>& TestObjects() {
    static std::vector<TestFactory> tests;
    return tests;
}

}  // namespace apptest
