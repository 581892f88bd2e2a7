#include "window/model/background_copy.h"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace platform {

bool BackgroundCopy::Start(const QImage& image) {
  Drop();
  const auto bytes = static_cast<std::size_t>(image.sizeInBytes());
  memory_ = AllocatePixels(bytes);
  if (!memory_) return false;
  try {
    thread_ = std::jthread([from = image.constBits(), to = memory_.get(), bytes](std::stop_token stop) {
      constexpr std::size_t Chunk = std::size_t(1) << 20;
      for (std::size_t done = 0; done < bytes && !stop.stop_requested(); done += Chunk)
        std::memcpy(to + done, from + done, std::min(Chunk, bytes - done));
    });
  } catch (const std::system_error&) {
    memory_.reset();
    return false;
  }
  return true;
}

QImage BackgroundCopy::Take(const QImage& like) {
  if (!thread_.joinable()) return {};
  thread_.join();
  return ImageOver(std::move(memory_), like);
}

void BackgroundCopy::Drop() {
  if (thread_.joinable()) {
    thread_.request_stop();
    thread_.join();
  }
  memory_.reset();
}

}  // namespace platform
