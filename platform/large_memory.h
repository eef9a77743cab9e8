#pragma once
// Memory for large arrays that are filled once and read often (a bar store's columns, a page's
// raster). From 2 MB on it comes in whole huge pages, on their boundaries, with a hint to the
// system to back it with them: a million bars or a page then take a few page faults instead of
// thousands. Pages are given as they are first written, so what is reserved and never filled
// still takes no memory. The hint may be refused; the memory is then as usual.

#include <cstddef>

namespace caelvane {

// Throws std::bad_alloc when there is no memory. Never returns null, even for 0 bytes.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* data) noexcept;

}  // namespace caelvane
