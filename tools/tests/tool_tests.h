#pragma once
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace tools_test {
using TestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<TestFactory>& TestFactories();

// Registers a Qt Test class with the one test executable.
template <typename Test>
struct RegisterTest {
    RegisterTest() {
        TestFactories().push_back([] { return std::unique_ptr<QObject>(new Test); });
    }
};
}  // namespace tools_test
