#pragma once
// The page steps off the window's thread. A step over the whole page takes
// seconds on a large scan and cannot be cut into columns the way the per-pixel
// rules are, so it runs on a thread of its own over a copy of the picture
// (sharing its pixels until the step writes its own), while the window goes
// on handling its events; the result is handed back whole, or not at all.

#include "core/page_steps.h"
#include "window/model/history.h"

#include <QImage>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace filters {

// The filters' names as the window shows them, in the order of Step.
inline constexpr const char* StepNames[] = {"Quitar este color", "Blanco y negro", "Blanquear", "Fondo blanco",
                                            "Blanco y negro local"};

bool IsPageStep(const Step& step);

// Runs step on picture in place: a page step through its own function,
// which gives up (returning false, picture untouched) when *stop turns true;
// a per-pixel rule over every pixel in row order, never given up.
bool RunStep(QImage& picture, const Step& step, const std::atomic<bool>* stop);

// One step run on its own thread over source. Destroying the job stops it
// and waits for its thread.
class PageJob {
 public:
  // finished, when given, is called on the job's thread once the result (or
  // the failure) is in place.
  PageJob(QImage source, Step step, std::function<void()> finished = {});
  ~PageJob();
  PageJob(const PageJob&) = delete;
  PageJob& operator=(const PageJob&) = delete;

  // Asks the step to give up; it does so at its next check, before writing.
  void Stop() { stop_ = true; }
  // Waits at most for the job to end; true once it has.
  bool Wait(std::chrono::milliseconds most);
  bool Finished() const { return finished_; }
  // Once finished: the result, or a null picture when the step gave up.
  // Rethrows what the step threw (std::bad_alloc, a platform::Failure).
  QImage Result() const;
  // Once finished with a result: the undo step from the source to it, made
  // on the job's thread too; taken once.
  History::Prepared TakeUndoStep();

 private:
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  mutable std::mutex mutex_;
  std::condition_variable done_;
  QImage result_;
  History::Prepared undo_;
  std::exception_ptr failure_;
  std::thread thread_;
};

// The page steps' results on one picture, computed on demand off the
// window's thread and kept until asked about another picture, for showing
// them before they are applied and applying them without computing again.
// A picture is the same while its pixels are the same buffer: the window's
// image gets a buffer of its own whenever it is drawn on, loaded or undone.
class PageResults {
 public:
  // ready is called on a job's thread when a result has come in.
  explicit PageResults(std::function<void()> ready) : ready_(std::move(ready)) {}
  ~PageResults();

  // The result of the page step on picture when computed; otherwise null, and its
  // computation is started unless it is under way.
  QImage Request(const QImage& picture, const Step& step);
  // The result when computed, or null; nothing is started. undo, when
  // given, takes the undo step to the result that came with it.
  QImage Computed(const QImage& picture, const Step& step, History::Prepared* undo = nullptr);
  // Stops the jobs and forgets the results.
  void Clear();

 private:
  struct Entry {
    Step step;
    std::unique_ptr<PageJob> job;
  };
  bool Same(const QImage& picture) const;
  void ForgetPicture(const QImage& picture);

  std::function<void()> ready_;
  QImage picture_;
  std::vector<Entry> entries_;
  // Jobs given up, left to finish on their own and reaped once they have.
  std::vector<std::unique_ptr<PageJob>> retiring_;
};

}  // namespace filters
