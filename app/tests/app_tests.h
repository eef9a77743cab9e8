#pragma once
#include "testing/qt_test_main.h"

namespace apptest {

using caelvane::testing::TestFactory;

// Registers a test object class at start-up; they run in the order they register.
template <typename Test>
using Register = caelvane::testing::Register<Test>;

}  // namespace apptest
