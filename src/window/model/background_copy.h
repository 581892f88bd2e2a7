#pragma once
// A copy of an image's pixels made on a thread of its own, in memory the copy
// owns until it is taken as an image of its own or dropped.

#include "core/large_pages.h"

#include <QImage>

#include <thread>

namespace platform {

class BackgroundCopy {
 public:
  BackgroundCopy() = default;
  BackgroundCopy(const BackgroundCopy&) = delete;
  BackgroundCopy& operator=(const BackgroundCopy&) = delete;
  ~BackgroundCopy() { Drop(); }

  // Starts copying image's pixels, which must stay as they are until the copy
  // is taken or dropped. False, with nothing started, when there is no memory
  // for the copy or no thread to spare for it.
  bool Start(const QImage& image);
  // Started and neither taken nor dropped yet.
  bool Running() const { return thread_.joinable(); }
  // Waits for the copy and hands it over as an image like `like` (its size,
  // format, resolution and colour space); null when none was started.
  QImage Take(const QImage& like);
  // Stops the copy where it is and frees its memory.
  void Drop();

 private:
  PixelMemory memory_;
  // Declared after the memory it writes to, so that it is stopped and joined first.
  std::jthread thread_;
};

}  // namespace platform
