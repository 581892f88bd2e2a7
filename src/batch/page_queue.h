#pragma once
// The pages of a run in the order they are begun, every output's in turn:
// a page begun early waits, done, for those before it, and never more than a
// window of pages runs ahead of the first one not yet in place. A stop asked
// for through the token begins no more pages and wakes every worker waiting.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <stop_token>
#include <vector>

namespace batch {

struct PageJob {
  std::size_t output = 0, source = 0;
  int slot = 0;   // its place among its output's pages
  int page = -1;  // in its source, from 0; -1 for a single picture
};

class PageQueue {
 public:
  PageQueue(std::size_t count, std::stop_token stop) : delivered_(count, false), stop_(std::move(stop)) {}
  void setWindow(std::size_t window) { window_ = window; }

  // The next page to begin; none once every page is begun or a stop is asked.
  // Waits while the window is full.
  std::optional<std::size_t> take();
  // The page is in its place, or given up.
  void delivered(std::size_t j);

 private:
  std::mutex mutex_;
  std::condition_variable_any moved_;
  std::vector<bool> delivered_;
  std::size_t next_ = 0, firstUndelivered_ = 0, window_ = 1;
  std::stop_token stop_;
};

}  // namespace batch
