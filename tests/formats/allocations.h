#pragma once
#include <cstddef>
#include <functional>

namespace allocationtest {
// The largest single allocation asked of the C allocator while run runs, by
// whoever asks (the loader, Qt, a decoder), whether or not it is ever touched.
std::size_t LargestAllocation(const std::function<void()>& run);
// Runs run with every block the C allocator hands out (but calloc's) filled
// with byte first, as memory that held other data would be (under
// AddressSanitizer, with its own byte).
void WithUsedMemory(unsigned char byte, const std::function<void()>& run);
}  // namespace allocationtest
