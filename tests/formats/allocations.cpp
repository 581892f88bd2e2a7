// formats_tests replaces the C allocation functions with ones that note each
// size asked for, then hand the request to the C library's own. Under
// AddressSanitizer, which replaces them itself, its allocation hook notes them.
#include "allocations.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

std::atomic<bool> watching{false};
std::atomic<std::size_t> largest{0};
std::atomic<int> fillByte{-1};

// (Under AddressSanitizer blocks come filled with its own byte instead.)
[[maybe_unused]] void* filled(void* p, std::size_t size) {
  const int byte = fillByte.load(std::memory_order_relaxed);
  if (p && byte >= 0) std::memset(p, byte, size);
  return p;
}

void note(std::size_t size) {
  std::size_t seen = largest.load(std::memory_order_relaxed);
  while (watching.load(std::memory_order_relaxed) && size > seen &&
         !largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
  }
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
#define TINTABORRA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TINTABORRA_ASAN 1
#endif
#endif

#ifdef TINTABORRA_ASAN
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, std::size_t),
                                                         void (*)(const volatile void*));
static const int hooked = __sanitizer_install_malloc_and_free_hooks(
    [](const volatile void*, std::size_t size) { note(size); }, [](const volatile void*) {});
#else
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);

void* malloc(std::size_t n) noexcept { return note(n), filled(__libc_malloc(n), n); }
void* calloc(std::size_t k, std::size_t n) noexcept {
  return note(n && k > SIZE_MAX / n ? SIZE_MAX : k * n), __libc_calloc(k, n);
}
void* realloc(void* p, std::size_t n) noexcept { return note(n), __libc_realloc(p, n); }
void* memalign(std::size_t a, std::size_t n) noexcept { return note(n), filled(__libc_memalign(a, n), n); }
void* aligned_alloc(std::size_t a, std::size_t n) noexcept { return memalign(a, n); }
int posix_memalign(void** out, std::size_t a, std::size_t n) noexcept {
  if (a % sizeof(void*) != 0 || (a & (a - 1)) != 0) return EINVAL;
  void* p = memalign(a, n);
  return p ? (*out = p, 0) : ENOMEM;
}
}
#endif

std::size_t allocationtest::LargestAllocation(const std::function<void()>& run) {
  largest = 0;
  watching = true;
  run();
  watching = false;
  return largest;
}

void allocationtest::WithUsedMemory(unsigned char byte, const std::function<void()>& run) {
  fillByte = byte;
  run();
  fillByte = -1;
}
