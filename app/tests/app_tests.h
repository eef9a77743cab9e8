#pragma once
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace apptest {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

// Every test object, in the order they run.
std::vector<TestFactory>& TestObjects();

// Registers a test object class at start-up.
template <typename Test>
struct Register {
    Register() {
        TestObjects().push_back([] { return std::unique_ptr<QObject>(new Test); });
    }
};

}  // namespace apptest
