#include "batch/runner.h"

#include "batch/documents_module.h"
#include "core/numbers.h"
#include "formats/codecs.h"
#include "formats/filenames.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace batch {

namespace {

// The one path of every single picture and every page: its pixels through
// the steps, then stored in the smallest form that holds them exactly.
void clean(QImage& picture, const Options& options) { filters::ApplyInRowOrder(picture, options.steps); }

void savePicture(QImage picture, const QString& path, const Options& options) {
  clean(picture, options);
  const QByteArray format = options.format.toLatin1();
  platform::SavePicture(platform::CompactForm(picture), path, format.constData(), options.jpegQuality());
}

documents::EncodedPage encodePage(QImage picture, const Options& options) {
  clean(picture, options);
  return Documents().encodePage(picture, options.pageQuality());
}

[[noreturn]] void systemFailure(const char* what, int error) {
  platform::Fail(platform::FailureKind::Access,
                 QStringLiteral("%1: %2").arg(QString::fromUtf8(what), QString::fromLocal8Bit(std::strerror(error))));
}

QString reasonOf(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const platform::Failure& f) {
    return f.reason;
  } catch (const std::bad_alloc&) {
    return QStringLiteral("Memoria insuficiente");
  } catch (...) {
    return QStringLiteral("Error inesperado");
  }
}

struct PageJob {
  std::size_t output = 0, source = 0;
  int slot = 0;   // its place among its output's pages
  int page = -1;  // in its source, from 0; -1 for a single picture
};

struct SourceState {
  std::mutex mutex;
  bool opened = false;
  QString openFailure;
  std::shared_ptr<documents::DocumentReader> reader;
  int remaining = 0;  // pages not yet done with, after which the reader is closed
};

struct OutputState {
  std::mutex mutex;
  bool failed = false, complete = false;
  std::size_t firstJob = 0;
  int remaining = 0;  // pages not yet in place
  std::unique_ptr<documents::DocumentWriter> writer;
  std::map<int, documents::EncodedPage> waiting;  // pages done before their turn, by slot
  int next = 0;                                   // the slot added next
  QString staging;                                // PageFiles: the hidden folder their pages wait in
  int stagingWriters = 0;                         // pages being written there
};

class Runner {
 public:
  Runner(Plan& plan, const Options& options, const std::function<void(const Report&)>& failed,
         const std::function<void()>& pageDone, const std::atomic<bool>* stopping)
      : plan_(plan),
        options_(options),
        failedReport_(failed),
        pageDone_(pageDone),
        stopping_(stopping),
        sources_(plan.sources.size()),
        outputs_(plan.outputs.size()) {
    for (std::size_t o = 0; o < plan.outputs.size(); ++o) {
      outputs_[o].firstJob = jobs_.size();
      for (const std::size_t s : plan.outputs[o].sources) {
        const Source& source = plan.sources[s];
        for (const int page : source.pages)
          jobs_.push_back({o, s, int(jobs_.size() - outputs_[o].firstJob), source.document ? page : -1});
        sources_[s].remaining += int(source.pages.size());
        if (source.reader) {  // opened by the plan to count its pages
          sources_[s].reader = std::move(plan.sources[s].reader);
          sources_[s].opened = true;
        }
      }
      outputs_[o].remaining = int(jobs_.size() - outputs_[o].firstJob);
    }
    delivered_.assign(jobs_.size(), false);
    for (const Output& output : plan.outputs) totals_.documentsAsked |= output.kind == Output::Kind::Document;
  }

  std::size_t jobCount() const { return jobs_.size(); }
  void setWindow(std::size_t window) { window_ = window; }

  // Takes pages in order until none is left or the run is stopped.
  void work() {
    for (;;) {
      std::size_t j;
      {
        std::unique_lock lock(jobsMutex_);
        // A page done early waits for its turn; never more than the window
        // of pages beyond the first one not yet in place.
        while (next_ < jobs_.size() && next_ >= firstUndelivered_ + window_ && !stopped())
          moved_.wait_for(lock, std::chrono::milliseconds(200));
        if (next_ >= jobs_.size() || stopped()) return;
        j = next_++;
      }
      process(j);
    }
  }

  Totals finish() {
    for (std::size_t o = 0; o < outputs_.size(); ++o) {
      OutputState& out = outputs_[o];
      if (out.complete || out.failed) continue;
      discard(o);  // stopped before its last page: never left with pages missing
      ++totals_.unfinished;
    }
    return totals_;
  }

 private:
  bool stopped() const { return stopping_ && stopping_->load(); }

  void process(std::size_t j) {
    const PageJob& job = jobs_[j];
    const Output& output = plan_.outputs[job.output];
    OutputState& out = outputs_[job.output];
    bool placeHere = true;  // false once a document's page waits for its turn there
    bool skip;
    {
      const std::lock_guard lock(out.mutex);
      skip = out.failed;
    }
    if (!skip) {
      const int shownPage = job.page < 0 ? 0 : job.page + 1;
      try {
        QImage picture = job.page < 0 ? platform::LoadPicture(plan_.sources[job.source].input) : page(job);
        switch (output.kind) {
          case Output::Kind::Picture:
            savePicture(std::move(picture), output.path, options_);
            break;
          case Output::Kind::PageFiles: {
            const QString staged = stagedFile(job);  // empty when the document has failed meanwhile
            if (staged.isEmpty()) break;
            try {
              savePicture(std::move(picture), staged, options_);
            } catch (...) {
              stagedDone(job.output);
              throw;
            }
            stagedDone(job.output);
            break;
          }
          case Output::Kind::Document:
            placeHere = !add(j, encodePage(std::move(picture), options_));
            break;
        }
      } catch (const OpenFailure& f) {
        fail(job.output, job.source, 0, f.reason);
      } catch (...) {
        fail(job.output, job.source, shownPage, reasonOf(std::current_exception()));
      }
    }
    if (placeHere) placed(j);
    doneWithSource(job.source);
  }

  QImage page(const PageJob& job) {
    SourceState& source = sources_[job.source];
    std::shared_ptr<documents::DocumentReader> reader;
    {
      const std::lock_guard lock(source.mutex);
      if (!source.opened) {
        source.opened = true;
        try {
          source.reader = Documents().openDocument(plan_.sources[job.source].input, options_.dpi);
        } catch (...) {
          source.openFailure = reasonOf(std::current_exception());
        }
      }
      reader = source.reader;
      if (!reader) throw OpenFailure{source.openFailure};
    }
    return reader->page(job.page);
  }
  struct OpenFailure {
    QString reason;
  };

  void doneWithSource(std::size_t s) {
    SourceState& source = sources_[s];
    const std::lock_guard lock(source.mutex);
    if (--source.remaining == 0) source.reader.reset();  // the file is closed once its pages are done
  }

  // The page's file in the hidden folder its document's pages wait in; the
  // folder stays while a page is being written there.
  QString stagedFile(const PageJob& job) {
    OutputState& out = outputs_[job.output];
    const QString target = plan_.outputs[job.output].pageFiles[job.slot];
    const std::lock_guard lock(out.mutex);
    if (out.failed) return {};
    if (out.staging.isEmpty()) {
      QByteArray folder = platform::EncodeFileName(QFileInfo(target).path()) + "/.tb-XXXXXX";
      if (!::mkdtemp(folder.data())) systemFailure("No se puede crear la carpeta temporal", errno);
      out.staging = platform::DecodeFileName(folder);
    }
    ++out.stagingWriters;
    return out.staging + u'/' + QFileInfo(target).fileName();
  }

  void stagedDone(std::size_t o) {
    OutputState& out = outputs_[o];
    const std::lock_guard lock(out.mutex);
    if (--out.stagingWriters == 0 && out.failed) removeStaging(o);  // given up while this page was written
  }

  // A document's page, added once every page before it is. False when the
  // document has failed meanwhile and the page is not taken.
  bool add(std::size_t j, documents::EncodedPage encoded) {
    const PageJob& job = jobs_[j];
    OutputState& out = outputs_[job.output];
    const std::lock_guard lock(out.mutex);
    if (out.failed) return false;
    out.waiting.emplace(job.slot, std::move(encoded));
    for (auto it = out.waiting.begin(); it != out.waiting.end() && it->first == out.next; it = out.waiting.begin()) {
      const std::size_t k = out.firstJob + std::size_t(out.next);
      try {
        if (!out.writer) out.writer = Documents().createDocument(plan_.outputs[job.output].path, documentKind());
        out.writer->addPage(it->second);
      } catch (...) {
        const PageJob& failing = jobs_[k];
        failLocked(job.output, failing.source, failing.page < 0 ? 0 : failing.page + 1,
                   reasonOf(std::current_exception()));
        return true;
      }
      out.waiting.erase(it);
      ++out.next;
      placedLocked(job.output, k);
    }
    return true;
  }

  documents::DocumentKind documentKind() const {
    return options_.format == u"pdf" ? documents::DocumentKind::Pdf : documents::DocumentKind::Tiff;
  }

  void placed(std::size_t j) {
    OutputState& out = outputs_[jobs_[j].output];
    const std::lock_guard lock(out.mutex);
    placedLocked(jobs_[j].output, j);
  }

  // One page of the output in place, or given up; the output is completed
  // with its last.
  void placedLocked(std::size_t o, std::size_t j) {
    OutputState& out = outputs_[o];
    {
      const std::lock_guard lock(jobsMutex_);
      delivered_[j] = true;
      while (firstUndelivered_ < jobs_.size() && delivered_[firstUndelivered_]) ++firstUndelivered_;
    }
    moved_.notify_all();
    {
      const std::lock_guard lock(reportMutex_);
      if (pageDone_) pageDone_();
    }
    if (--out.remaining > 0 || out.failed) return;
    const Output& output = plan_.outputs[o];
    try {
      if (output.kind == Output::Kind::Document) out.writer->finish();
      if (output.kind == Output::Kind::PageFiles) commitStaging(o);
    } catch (...) {
      const PageJob& last = jobs_[j];
      failLocked(o, last.source, 0, reasonOf(std::current_exception()));
      return;
    }
    out.complete = true;
    const std::lock_guard lock(reportMutex_);
    switch (output.kind) {
      case Output::Kind::Picture:
        ++totals_.pictures;
        break;
      case Output::Kind::PageFiles:
        ++totals_.pagedDocuments;
        totals_.pageFiles += int(output.pageFiles.size());
        break;
      case Output::Kind::Document:
        ++totals_.documents;
        totals_.documentPages += out.next;
        break;
    }
  }

  // Every page of the document into its place, then the hidden folder gone.
  void commitStaging(std::size_t o) {
    OutputState& out = outputs_[o];
    for (const QString& target : plan_.outputs[o].pageFiles) {
      const QByteArray from = platform::EncodeFileName(out.staging + u'/' + QFileInfo(target).fileName());
      if (::rename(from.constData(), platform::EncodeFileName(target).constData()) != 0)
        systemFailure("No se pudo escribir el archivo", errno);
    }
    ::rmdir(platform::EncodeFileName(out.staging).constData());
    out.staging.clear();
  }

  void discard(std::size_t o) {
    OutputState& out = outputs_[o];
    out.writer.reset();  // a document never finished leaves nothing behind
    out.waiting.clear();
    if (out.stagingWriters == 0) removeStaging(o);
  }

  void removeStaging(std::size_t o) {
    OutputState& out = outputs_[o];
    if (out.staging.isEmpty()) return;
    for (const QString& target : plan_.outputs[o].pageFiles)
      ::unlink(platform::EncodeFileName(out.staging + u'/' + QFileInfo(target).fileName()).constData());
    ::rmdir(platform::EncodeFileName(out.staging).constData());
    out.staging.clear();
  }

  void fail(std::size_t o, std::size_t s, int page, const QString& reason) {
    const std::lock_guard lock(outputs_[o].mutex);
    failLocked(o, s, page, reason);
  }

  void failLocked(std::size_t o, std::size_t s, int page, const QString& reason) {
    OutputState& out = outputs_[o];
    if (out.failed) return;
    out.failed = true;
    // Pages that waited for their turn are given up with the output.
    std::vector<std::size_t> given;
    for (const auto& waiting : out.waiting) given.push_back(out.firstJob + std::size_t(waiting.first));
    discard(o);
    for (const std::size_t j : given) placedLocked(o, j);
    const std::lock_guard lock(reportMutex_);
    ++totals_.failed;
    if (failedReport_) {
      failedReport_({plan_.sources[s].input, page, reason});
      if (plan_.outputs[o].sources.size() > 1)
        failedReport_(
            {plan_.outputs[o].path, 0, QStringLiteral("no se escribe: todas sus páginas tienen que salir bien")});
    }
  }

  const Plan& plan_;
  const Options& options_;
  std::function<void(const Report&)> failedReport_;
  std::function<void()> pageDone_;
  const std::atomic<bool>* stopping_;
  std::vector<PageJob> jobs_;
  std::vector<SourceState> sources_;
  std::vector<OutputState> outputs_;
  std::mutex jobsMutex_, reportMutex_;
  std::condition_variable moved_;
  std::size_t next_ = 0, firstUndelivered_ = 0, window_ = 1;
  std::vector<bool> delivered_;
  Totals totals_;
};

}  // namespace

Totals Run(Plan& plan, const Options& options, const std::function<void(const Report&)>& failed,
           const std::function<void()>& pageDone, const std::function<void()>& tick,
           const std::atomic<bool>* stopping) {
  Runner runner(plan, options, failed, pageDone, stopping);
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::max<std::size_t>(
      1, std::min<std::size_t>(options.jobs > 0 ? unsigned(options.jobs) : cores, runner.jobCount()));
  // Each worker holds at most one page's pixels; pages encoded before their
  // turn wait compressed, at most one more for each worker.
  runner.setWindow(2 * workers);
  std::mutex waiting;
  std::condition_variable finished;
  std::size_t running = workers;
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < workers; ++t)
    threads.emplace_back([&] {
      runner.work();
      const std::lock_guard lock(waiting);
      --running;
      finished.notify_one();
    });
  {
    std::unique_lock lock(waiting);
    while (!finished.wait_for(lock, std::chrono::seconds(1), [&] { return running == 0; }))
      if (tick) tick();
  }
  for (std::thread& t : threads) t.join();
  return runner.finish();
}

}  // namespace batch
