#pragma once
// Memory for a picture's pixels. On Linux a big picture lies in memory the
// kernel may back with 2 MB pages: a walk down a column touches one line in
// every row, and a decoder filling millions of pixels touches a new 4 KB page
// every thousand; with 4 KB pages nearly each of those costs an address
// translation miss or a page fault.

#include <QImage>

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace platform {

// Freed the one way, however it was allocated.
struct FreePixels {
  void operator()(uchar* memory) const noexcept { std::free(memory); }
};
using PixelMemory = std::unique_ptr<uchar[], FreePixels>;

inline constexpr std::size_t LargePageBytes = std::size_t(2) << 20;
#ifdef __linux__
inline constexpr bool LargePagesAdvised = true;
#else
inline constexpr bool LargePagesAdvised = false;
#endif

// Room for bytes, or null when there is none. From one large page up, and
// where LargePagesAdvised, it is aligned to a large page and the kernel is
// asked to back it with them.
PixelMemory AllocatePixels(std::size_t bytes);

// An image over memory, which it owns from then on and frees with its last copy.
QImage ImageOver(PixelMemory memory, int width, int height, qsizetype bytesPerLine, QImage::Format format);
// The same over memory that holds pixels laid out as like's, with like's
// resolution and colour space.
QImage ImageOver(PixelMemory memory, const QImage& like);

// A copy of image's pixels that no other image shares, in memory from
// AllocatePixels (or Qt's own when that has none to give).
QImage OwnCopy(const QImage& image);

}  // namespace platform
