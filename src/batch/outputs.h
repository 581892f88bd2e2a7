#pragma once
// The outputs of a run as their pages come: a single picture is written in
// its place by its page; a document's page files wait in a hidden folder
// until the last of them is written, and a document's pages are added to it
// in their order. An output that fails, or is not complete when the run is
// stopped, leaves nothing behind.

#include "batch/documents_module.h"
#include "batch/page_queue.h"
#include "batch/plan.h"
#include "batch/runner.h"
#include "formats/safe_file.h"

#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace batch {

class Outputs {
 public:
  Outputs(const Plan& plan, const std::vector<PageJob>& jobs, PageQueue& queue, documents::DocumentKind kind,
          const std::function<void(const Report&)>& failed, const std::function<void()>& pageDone,
          const std::function<void(const Ended&)>& ended = {});

  // A page of the output is begun: its time is counted from the first.
  void begin(std::size_t o);
  bool failed(std::size_t o);
  // Page files: where the job's page is written meanwhile, empty when its
  // output has failed; unstage() once it is written, or has failed to be.
  QString stage(std::size_t j);
  void unstage(std::size_t o);
  // Documents: the job's page, added once every page before it is; false when
  // the document has failed meanwhile and the page is not taken.
  bool add(std::size_t j, documents::EncodedPage encoded);
  // The job's page had content and came out of the steps all one colour;
  // told, and counted, once its output is written.
  void blank(std::size_t j);
  // The job's page is in place, or given up: its output is complete with its last.
  void placed(std::size_t j);
  // The output fails: the input (and page, from 1, or 0) is reported once.
  void fail(std::size_t o, std::size_t source, int page, const QString& reason);
  // The output is given up unfinished (the run was stopped): nothing of it
  // is written, and it is no failure.
  void drop(std::size_t o);
  // What the source's reader mended to read it, told as notices.
  void notify(std::size_t source, const QStringList& lines);
  // Discards every output not complete (the run was stopped).
  Totals finish();

 private:
  struct State {
    std::mutex mutex;
    bool failed = false, complete = false;
    std::size_t firstJob = 0;
    int remaining = 0;  // pages not yet in place
    std::unique_ptr<documents::DocumentWriter> writer;
    std::map<int, documents::EncodedPage> waiting;    // pages done before their turn, by slot
    int next = 0;                                     // the slot added next
    std::unique_ptr<platform::StagedFolder> staging;  // page files: the hidden folder their pages wait in
    int stagingWriters = 0;                           // pages being written there
    std::vector<std::size_t> blankJobs;               // its pages come out blank, as jobs
    std::chrono::steady_clock::time_point begun{};    // its first page; the epoch before it
  };

  double secondsOf(const State& out) const;

  void placedLocked(std::size_t o, std::size_t j);
  void completeLocked(std::size_t o, std::size_t j);
  void failLocked(std::size_t o, std::size_t source, int page, const QString& reason);
  void discard(std::size_t o);

  const Plan& plan_;
  const std::vector<PageJob>& jobs_;
  PageQueue& queue_;
  documents::DocumentKind kind_;
  std::function<void(const Report&)> failedReport_;
  std::function<void()> pageDone_;
  std::function<void(const Ended&)> ended_;
  std::vector<State> outputs_;
  std::mutex reportMutex_;
  Totals totals_;
};

// The reason an exception gives, in the user's words.
QString ReasonOf(const std::exception_ptr& e);

// Throws the failure to do `what`, with the system's reason for error.
[[noreturn]] void SystemFailure(const char* what, int error);

}  // namespace batch
