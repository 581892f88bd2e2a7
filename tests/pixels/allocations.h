#pragma once
#include <cstddef>
#include <functional>

namespace allocationtest {
// The largest single allocation asked of the C allocator while run runs, by
// whoever asks (the loader, Qt, a decoder), whether or not it is ever touched.
std::size_t LargestAllocation(const std::function<void()>& run);
}  // namespace allocationtest
