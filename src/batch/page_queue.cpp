#include "batch/page_queue.h"

namespace batch {

std::optional<std::size_t> PageQueue::take() {
  std::unique_lock lock(mutex_);
  moved_.wait(lock, stop_, [&] { return next_ >= delivered_.size() || next_ < firstUndelivered_ + window_; });
  if (next_ >= delivered_.size() || stop_.stop_requested()) return std::nullopt;
  return next_++;
}

void PageQueue::delivered(std::size_t j) {
  {
    const std::lock_guard lock(mutex_);
    delivered_[j] = true;
    while (firstUndelivered_ < delivered_.size() && delivered_[firstUndelivered_]) ++firstUndelivered_;
  }
  moved_.notify_all();
}

}  // namespace batch
