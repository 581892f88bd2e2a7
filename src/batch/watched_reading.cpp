#include "batch/watched_reading.h"

#include "batch/documents_module.h"
#include "formats/filenames.h"

#include <QFile>
#include <QFileInfo>

#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace batch {

namespace {

const std::atomic<bool>* runStop = nullptr;
std::atomic<bool> leftRunning{false};

// After a stop is asked, what a call is still given to notice it.
constexpr std::chrono::milliseconds StopGrace{2000};

std::chrono::milliseconds budgetFromEnvironment() {
  bool ok = false;
  const double seconds = qEnvironmentVariable("TINTABORRA_LOTE_PLAZO").toDouble(&ok);
  if (ok && seconds > 0 && seconds < 86400) return std::chrono::milliseconds(qint64(seconds * 1000));
  return std::chrono::seconds(60);
}

bool stopping() { return runStop && runStop->load(std::memory_order_relaxed); }

// For the tests of the watch: TINTABORRA_LOTE_PRUEBA_ATASCO=NAME makes the
// opening of the file called NAME, and NAME#N its page N, never return, as
// a library caught in a loop would; "<file>.atascado" is made beside it then.
void stallWhenAsked(const QString& path, int page) {
  static const QString asked = qEnvironmentVariable("TINTABORRA_LOTE_PRUEBA_ATASCO");
  if (asked.isEmpty()) return;
  const QString name = QFileInfo(path).fileName();
  if (asked != (page < 0 ? name : QStringLiteral("%1#%2").arg(name).arg(page + 1))) return;
  QFile(path + QStringLiteral(".atascado")).open(QIODevice::WriteOnly);
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

template <class T>
struct Call {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::optional<T> value;
  std::exception_ptr error;
};

// Runs work in a thread of its own and waits for it, within the budget.
template <class T>
T watched(std::function<T()> work) {
  auto call = std::make_shared<Call<T>>();
  std::thread thread([call, work = std::move(work)]() mutable {
    std::optional<T> value;
    std::exception_ptr error;
    try {
      value.emplace(work());
    } catch (...) {
      error = std::current_exception();
    }
    work = nullptr;  // what it holds (a reader) is let go here, not by whoever is left
    const std::lock_guard lock(call->mutex);
    call->value = std::move(value);
    call->error = error;
    call->finished = true;
    call->done.notify_all();
  });
  const auto start = std::chrono::steady_clock::now();
  std::optional<std::chrono::steady_clock::time_point> stopDeadline;
  std::unique_lock lock(call->mutex);
  while (!call->done.wait_for(lock, std::chrono::milliseconds(50), [&] { return call->finished; })) {
    const auto now = std::chrono::steady_clock::now();
    if (stopping() && !stopDeadline) stopDeadline = now + std::min(StopGrace, ReadingBudget());
    const bool late = now - start > ReadingBudget();
    if (late || (stopDeadline && now > *stopDeadline)) {
      leftRunning = true;
      thread.detach();
      throw ReadingAbandoned{late ? QStringLiteral("la lectura del documento tarda demasiado")
                                  : QStringLiteral("interrumpido")};
    }
  }
  lock.unlock();
  thread.join();
  if (call->error) std::rethrow_exception(call->error);
  return std::move(*call->value);
}

}  // namespace

void WatchReading(const std::atomic<bool>* stop) { runStop = stop; }

std::chrono::milliseconds ReadingBudget() {
  static const std::chrono::milliseconds budget = budgetFromEnvironment();
  return budget;
}

std::shared_ptr<documents::DocumentReader> OpenWatched(const QString& path, int dpi) {
  documents::ReadingLimits limits;
  limits.pageBudget = std::min(limits.pageBudget, ReadingBudget() / 2);
  limits.stop = runStop;
  return watched<std::shared_ptr<documents::DocumentReader>>([path, dpi, limits] {
    stallWhenAsked(path, -1);
    return std::shared_ptr<documents::DocumentReader>(Documents().openDocument(path, dpi, limits));
  });
}

QImage PageWatched(const std::shared_ptr<documents::DocumentReader>& reader, const QString& path, int page) {
  return watched<QImage>([reader, path, page] {
    stallWhenAsked(path, page);
    return reader->page(page);
  });
}

bool ReadingLeftRunning() { return leftRunning; }

}  // namespace batch
