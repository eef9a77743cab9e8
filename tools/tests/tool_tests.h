#pragma once
#include "testing/qt_test_main.h"

namespace tools_test {
using caelvane::testing::TestFactory;

// Registers a Qt Test class with the one test executable.
template <typename Test>
using RegisterTest = caelvane::testing::Register<Test>;
}  // namespace tools_test
