#pragma once
// Loops whose steps do not depend on each other, spread over the machine's cores.

#include <algorithm>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace caelvane {

// Calls body(begin, end) on contiguous parts of [0, count) at the same time: one part in the
// calling thread, the others in threads of their own, as many parts as the machine has cores
// (at most maxParts), none shorter than minPart. Returns when every part is done; the first
// exception a part threw is then thrown here. The parts must not write to the same memory.
template <typename Body>
void ParallelRanges(std::size_t count, std::size_t minPart, Body&& body, std::size_t maxParts = 8) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t parts = std::min({cores, maxParts, minPart > 0 ? count / minPart : count});
    if (parts <= 1) {
        if (count > 0) body(std::size_t{0}, count);
        return;
    }
    const auto bound = [&](std::size_t part) { return count * part / parts; };
    std::vector<std::exception_ptr> errors(parts);
    std::vector<std::thread> threads;
    threads.reserve(parts - 1);
    for (std::size_t part = 1; part < parts; ++part) {
        threads.emplace_back([&, part] {
            try {
                body(bound(part), bound(part + 1));
            } catch (...) {
                errors[part] = std::current_exception();
            }
        });
    }
    try {
        body(std::size_t{0}, bound(1));
    } catch (...) {
        errors[0] = std::current_exception();
    }
    for (std::thread& thread : threads) thread.join();
    for (const std::exception_ptr& error : errors) {
        if (error) std::rethrow_exception(error);
    }
}

}  // namespace caelvane
