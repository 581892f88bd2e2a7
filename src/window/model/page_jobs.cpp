#include "window/model/page_jobs.h"

#include "core/large_pages.h"

#include <algorithm>

namespace filters {

bool IsPageStep(const Step& step) {
  return std::holds_alternative<WhiteBackgroundStep>(step) || std::holds_alternative<LocalBlackWhiteStep>(step);
}

bool RunStep(QImage& picture, const Step& step, const std::atomic<bool>* stop) {
  if (std::holds_alternative<WhiteBackgroundStep>(step)) return WhitenBackground(picture, stop);
  if (std::holds_alternative<LocalBlackWhiteStep>(step)) return LocalBlackAndWhite(picture, stop);
  ApplySteps(picture, {step});
  return true;
}

PageJob::PageJob(QImage source, Step step, std::function<void()> finished) {
  thread_ = std::thread([this, source = std::move(source), step, finished = std::move(finished)]() mutable {
    QImage result;
    History::Prepared undo;
    std::exception_ptr failure;
    try {
      // The step works on a copy of its own, in memory the kernel backs
      // with large pages: a picture of hundreds of megabytes is then had in
      // a few hundred page faults rather than a hundred thousand.
      QImage work = platform::OwnCopy(source);
      if (RunStep(work, step, &stop_)) {
        result = std::move(work);
        undo = History::Prepare(source, result);
      }
    } catch (...) {
      failure = std::current_exception();
    }
    source = QImage();  // the window's pixels are let go of before it is told
    {
      const std::lock_guard lock(mutex_);
      result_ = std::move(result);
      undo_ = std::move(undo);
      failure_ = failure;
      finished_ = true;
    }
    done_.notify_all();
    if (finished) finished();
  });
}

PageJob::~PageJob() {
  Stop();
  thread_.join();
}

bool PageJob::Wait(std::chrono::milliseconds most) {
  std::unique_lock lock(mutex_);
  return done_.wait_for(lock, most, [this] { return finished_.load(); });
}

QImage PageJob::Result() const {
  const std::lock_guard lock(mutex_);
  if (failure_) std::rethrow_exception(failure_);
  return result_;
}

History::Prepared PageJob::TakeUndoStep() {
  const std::lock_guard lock(mutex_);
  return std::move(undo_);
}

PageResults::~PageResults() { Clear(); }

bool PageResults::Same(const QImage& picture) const {
  return !picture_.isNull() && picture.constBits() == picture_.constBits() && picture.size() == picture_.size();
}

void PageResults::ForgetPicture(const QImage& picture) {
  for (Entry& e : entries_) {
    e.job->Stop();
    retiring_.push_back(std::move(e.job));
  }
  entries_.clear();
  std::erase_if(retiring_, [](const std::unique_ptr<PageJob>& job) { return job->Finished(); });
  picture_ = picture;
}

QImage PageResults::Computed(const QImage& picture, const Step& step, History::Prepared* undo) {
  if (!Same(picture)) return {};
  for (const Entry& e : entries_) {
    if (e.step.index() != step.index() || !e.job->Finished()) continue;
    try {
      QImage result = e.job->Result();
      if (undo) *undo = e.job->TakeUndoStep();
      return result;
    } catch (...) {
      return {};  // shown as nothing; a run computes it again and says why
    }
  }
  return {};
}

QImage PageResults::Request(const QImage& picture, const Step& step) {
  if (picture.isNull()) return {};
  if (!Same(picture)) ForgetPicture(picture);
  for (const Entry& e : entries_)
    if (e.step.index() == step.index()) return Computed(picture, step);
  entries_.push_back({step, std::make_unique<PageJob>(picture, step, ready_)});
  return {};
}

void PageResults::Clear() {
  ForgetPicture(QImage());
  retiring_.clear();  // waits for each
}

}  // namespace filters
