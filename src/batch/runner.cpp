#include "batch/runner.h"

#include "batch/documents_module.h"
#include "batch/outputs.h"
#include "batch/page_queue.h"
#include "batch/watched_reading.h"
#include "formats/codecs.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace batch {

namespace {

// Whether every pixel of the picture is the same colour. A row is compared
// with the first a machine word at a time; a page with content differs from
// it within its first rows, so a page of ink pays little.
bool oneColour(const QImage& picture) {
  const int width = picture.width(), height = picture.height();
  if (width == 0 || height == 0) return true;
  const QRgb first = picture.pixel(0, 0);
  for (int x = 1; x < width; ++x)
    if (picture.pixel(x, 0) != first) return false;
  const int whole = int(qint64(width) * picture.depth() / 8);  // bytes holding only whole pixels' bits
  const int tail = whole * 8 / picture.depth();                // the pixels after them, each read
  const uchar* top = picture.constScanLine(0);
  for (int y = 1; y < height; ++y) {
    if (std::memcmp(picture.constScanLine(y), top, std::size_t(whole)) != 0) return false;
    for (int x = tail; x < width; ++x)
      if (picture.pixel(x, y) != first) return false;
  }
  return true;
}

// The one path of every single picture and every page: its pixels through
// the steps, then stored in the smallest form that holds them exactly. True
// when a picture with content comes out of the steps all one colour.
bool clean(QImage& picture, const Options& options) {
  const bool content = !options.steps.empty() && !oneColour(picture);
  filters::ApplySteps(picture, options.steps);
  return content && oneColour(picture);
}

bool savePicture(QImage picture, const QString& path, const Options& options) {
  const bool blank = clean(picture, options);
  const QByteArray format = options.format.toLatin1();
  platform::SavePicture(platform::CompactForm(picture), path, format.constData(), options.jpegQuality());
  return blank;
}

documents::EncodedPage encodePage(QImage picture, const Options& options, bool& blank) {
  blank = clean(picture, options);
  return Documents().encodePage(picture, options.pageQuality());
}

// A document that could not be opened: told once for the document as a whole.
struct OpenFailure {
  QString reason;
};

struct SourceState {
  std::mutex mutex;
  std::condition_variable ready;  // opened, or failed to be
  bool opened = false, opening = false;
  bool abandoned = false;  // a reading of it was given up, and may still run
  QString openFailure;
  std::shared_ptr<documents::DocumentReader> reader;
  int remaining = 0;  // pages not yet done with, after which the reader is closed
};

std::vector<PageJob> jobsOf(const Plan& plan) {
  std::vector<PageJob> jobs;
  for (std::size_t o = 0; o < plan.outputs.size(); ++o) {
    const std::size_t first = jobs.size();
    for (const std::size_t s : plan.outputs[o].sources) {
      const Source& source = plan.sources[s];
      for (const int page : source.pages) jobs.push_back({o, s, int(jobs.size() - first), source.document ? page : -1});
    }
  }
  return jobs;
}

class Runner {
 public:
  Runner(Plan& plan, const Options& options, const std::function<void(const Report&)>& failed,
         const std::function<void()>& pageDone, std::stop_token stop, const std::function<void(const Ended&)>& ended)
      : plan_(plan),
        options_(options),
        jobs_(jobsOf(plan)),
        queue_(jobs_.size(), stop),
        outputs_(plan, jobs_, queue_,
                 options.format == u"pdf" ? documents::DocumentKind::Pdf : documents::DocumentKind::Tiff, failed,
                 pageDone, ended),
        sources_(plan.sources.size()),
        stop_(stop) {
    for (const PageJob& job : jobs_) ++sources_[job.source].remaining;
    for (std::size_t s = 0; s < plan.sources.size(); ++s)
      if (plan.sources[s].reader) {  // opened by the plan to count its pages
        sources_[s].reader = std::move(plan.sources[s].reader);
        sources_[s].opened = true;
      }
  }

  std::size_t jobCount() const { return jobs_.size(); }
  void setWindow(std::size_t window) { queue_.setWindow(window); }

  // Takes pages in order until none is left or the run is stopped.
  void work() {
    while (const std::optional<std::size_t> j = queue_.take()) process(*j);
  }

  Totals finish() { return outputs_.finish(); }

 private:
  void process(std::size_t j) {
    const PageJob& job = jobs_[j];
    const Output& output = plan_.outputs[job.output];
    bool placeHere = true;  // false once a document's page waits for its turn there
    if (!outputs_.failed(job.output)) {
      outputs_.begin(job.output);
      try {
        if (const QString& why = plan_.sources[job.source].failure; !why.isEmpty() && job.page < 0)
          throw OpenFailure{why};  // known before any work
        QImage picture = job.page < 0 ? platform::LoadPicture(plan_.sources[job.source].input) : page(job);
        bool blank = false;
        switch (output.kind) {
          case Output::Kind::Picture:
            blank = savePicture(std::move(picture), output.path, options_);
            break;
          case Output::Kind::PageFiles: {
            const QString staged = outputs_.stage(j);  // empty when the document has failed meanwhile
            if (staged.isEmpty()) break;
            try {
              blank = savePicture(std::move(picture), staged, options_);
            } catch (...) {
              outputs_.unstage(job.output);
              throw;
            }
            outputs_.unstage(job.output);
            break;
          }
          case Output::Kind::Document: {
            documents::EncodedPage encoded = encodePage(std::move(picture), options_, blank);
            if (blank) outputs_.blank(j);  // before the page is added, which may complete the document
            placeHere = !outputs_.add(j, std::move(encoded));
            blank = false;
            break;
          }
        }
        if (blank) outputs_.blank(j);
      } catch (...) {
        // Once a stop is asked, a document's reader that gave up is no
        // failure of it: the output is left unfinished, and discarded.
        const std::exception_ptr e = std::current_exception();
        const bool whole = [&] {
          try {
            std::rethrow_exception(e);
          } catch (const OpenFailure&) {
            return true;
          } catch (...) {
            return job.page < 0;
          }
        }();
        if (stop_.stop_requested() && job.page >= 0)
          outputs_.drop(job.output);
        else
          outputs_.fail(job.output, job.source, whole ? 0 : job.page + 1, reasonOf(e));
      }
    }
    if (placeHere) outputs_.placed(j);
    doneWithSource(job.source);
  }

  // The document's page; the document is opened by the first page that
  // needs it, unless the plan kept it open. The pages that need it meanwhile
  // wait for that opening, which is watched, and so ends.
  QImage page(const PageJob& job) {
    SourceState& source = sources_[job.source];
    const Source& planned = plan_.sources[job.source];
    if (!planned.failure.isEmpty()) throw OpenFailure{planned.failure};
    std::shared_ptr<documents::DocumentReader> reader;
    {
      std::unique_lock lock(source.mutex);
      if (!source.opened && !source.opening) {
        source.opening = true;
        lock.unlock();
        std::shared_ptr<documents::DocumentReader> opened;
        QString why;
        bool abandoned = false;
        try {
          opened = OpenWatched(planned.input, options_.dpi);
        } catch (const ReadingAbandoned& a) {
          why = a.reason;
          abandoned = true;
        } catch (...) {
          why = ReasonOf(std::current_exception());
        }
        lock.lock();
        source.reader = std::move(opened);
        source.openFailure = why;
        source.abandoned |= abandoned;
        source.opened = true;
        source.ready.notify_all();
      } else {
        source.ready.wait(lock, [&] { return source.opened; });
      }
      reader = source.reader;
      if (!reader) throw OpenFailure{source.openFailure};
    }
    try {
      return PageWatched(reader, planned.input, job.page);
    } catch (const ReadingAbandoned&) {
      const std::lock_guard lock(source.mutex);
      source.abandoned = true;
      throw;
    }
  }

  static QString reasonOf(const std::exception_ptr& e) {
    try {
      std::rethrow_exception(e);
    } catch (const ReadingAbandoned& a) {
      return a.reason;
    } catch (const OpenFailure& f) {
      return f.reason;
    } catch (...) {
      return ReasonOf(std::current_exception());
    }
  }

  // The file is closed once its pages are done, and what its reader mended
  // to read it is told, once.
  void doneWithSource(std::size_t s) {
    SourceState& source = sources_[s];
    QStringList notices;
    {
      const std::lock_guard lock(source.mutex);
      if (--source.remaining > 0) return;
      if (source.reader && !source.abandoned) notices = source.reader->notices();
      source.reader.reset();
    }
    if (!notices.isEmpty()) outputs_.notify(s, notices);
  }

  const Plan& plan_;
  const Options& options_;
  std::vector<PageJob> jobs_;
  PageQueue queue_;
  Outputs outputs_;
  std::vector<SourceState> sources_;
  std::stop_token stop_;
};

}  // namespace

Totals Run(Plan& plan, const Options& options, const std::function<void(const Report&)>& failed,
           const std::function<void()>& pageDone, const std::function<void()>& tick, std::stop_token stop,
           const std::function<void(const Ended&)>& ended) {
  Runner runner(plan, options, failed, pageDone, std::move(stop), ended);
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::max<std::size_t>(
      1, std::min<std::size_t>(options.jobs > 0 ? unsigned(options.jobs) : cores, runner.jobCount()));
  // Each worker holds at most one page's pixels; pages encoded before their
  // turn wait compressed, at most one more for each worker.
  runner.setWindow(2 * workers);
  std::mutex waiting;
  std::condition_variable finished;
  std::size_t running = workers;
  {
    std::vector<std::jthread> threads;
    for (std::size_t t = 0; t < workers; ++t)
      threads.emplace_back([&] {
        runner.work();
        const std::lock_guard lock(waiting);
        --running;
        finished.notify_one();
      });
    std::unique_lock lock(waiting);
    while (!finished.wait_for(lock, std::chrono::seconds(1), [&] { return running == 0; }))
      if (tick) tick();
  }  // the workers joined
  return runner.finish();
}

}  // namespace batch
