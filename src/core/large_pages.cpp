#include "core/large_pages.h"

#include <cstring>

#include <QColorSpace>

#include <algorithm>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace platform {

PixelMemory AllocatePixels(std::size_t bytes) {
#ifdef __linux__
  if (bytes >= LargePageBytes) {
    const std::size_t rounded = (bytes + LargePageBytes - 1) / LargePageBytes * LargePageBytes;
    PixelMemory memory(static_cast<uchar*>(std::aligned_alloc(LargePageBytes, rounded)));
    if (memory) madvise(memory.get(), rounded, MADV_HUGEPAGE);
    return memory;
  }
#endif
  return PixelMemory(static_cast<uchar*>(std::malloc(std::max<std::size_t>(bytes, 1))));
}

QImage ImageOver(PixelMemory memory, int width, int height, qsizetype bytesPerLine, QImage::Format format) {
  uchar* pixels = memory.get();
  QImage image(
      pixels, width, height, bytesPerLine, format, [](void* p) { FreePixels()(static_cast<uchar*>(p)); }, pixels);
  // A null image never calls its cleanup: the memory stays ours to free.
  if (!image.isNull()) memory.release();
  return image;
}

QImage ImageOver(PixelMemory memory, const QImage& like) {
  QImage image = ImageOver(std::move(memory), like.width(), like.height(), like.bytesPerLine(), like.format());
  image.setDotsPerMeterX(like.dotsPerMeterX());
  image.setDotsPerMeterY(like.dotsPerMeterY());
  image.setColorSpace(like.colorSpace());
  return image;
}

QImage OwnCopy(const QImage& image) {
  if (PixelMemory memory = AllocatePixels(static_cast<std::size_t>(image.sizeInBytes()))) {
    std::memcpy(memory.get(), image.constBits(), static_cast<std::size_t>(image.sizeInBytes()));
    return ImageOver(std::move(memory), image);
  }
  QImage copy = image;
  copy.detach();
  return copy;
}

}  // namespace platform
