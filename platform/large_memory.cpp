#include "platform/large_memory.h"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace caelvane {

namespace {
constexpr std::size_t kHugePage = std::size_t{1} << 21;
}

void* AllocateLarge(std::size_t bytes) {
    void* data = nullptr;
    if (bytes < kHugePage) {
        data = std::malloc(bytes == 0 ? 1 : bytes);
    } else {
        const std::size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        data = std::aligned_alloc(kHugePage, rounded);
#if defined(__linux__)
        if (data != nullptr) ::madvise(data, rounded, MADV_HUGEPAGE);
#endif
    }
    if (data == nullptr) throw std::bad_alloc();
    return data;
}

void FreeLarge(void* data) noexcept {
    std::free(data);
}

}  // namespace caelvane
