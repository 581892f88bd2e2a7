// tintaborra-lote: the filters over many pictures, without a window.
#include "batch/messages.h"
#include "batch/options.h"
#include "batch/plan.h"
#include "batch/quiet_libraries.h"
#include "batch/report.h"
#include "batch/runner.h"
#include "batch/watched_reading.h"
#include "formats/codecs.h"
#include "formats/filenames.h"
#include "formats/safe_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <stop_token>
#include <thread>

#include <semaphore.h>
#include <unistd.h>

namespace {

std::FILE* err = stderr;

void print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
  std::fflush(stream);
}

// Ctrl+C or a request to end: no new picture or page is begun, those under
// way are finished, a document not complete is discarded, and readers are
// asked to stop drawing. A second one ends the program at once, its hidden
// folders removed first. The handler only posts the semaphore, which is all
// a signal handler may do; a thread waiting on it does the rest.
sem_t signalled;

void stop(int) { ::sem_post(&signalled); }

void stopOnSignals() {
  struct sigaction action {};
  action.sa_handler = stop;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

// Ends the process now: a reader left running in a library may still use
// what normal ending would destroy.
[[noreturn]] void endNow(int code) {
  std::fflush(nullptr);
  ::_exit(code);
}

// The arguments as the system's bytes, so that a file name that is not
// UTF-8 still names its file.
QStringList argumentsOf(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments += platform::DecodeFileName(QByteArray(argv[i]));
  return arguments;
}

}  // namespace

int main(int argc, char* argv[]) {
  // A file that grows past the process's size limit fails its write, which is
  // reported like a full disk, instead of ending the process.
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  err = batch::SilenceLibraries();
  QCoreApplication app(argc, argv);
  platform::InitCodecs();

  batch::Options options;
  try {
    options = batch::ParseArguments(argumentsOf(argc, argv));
    if (options.help) return print(stdout, batch::HelpText()), 0;
    if (options.version) return print(stdout, batch::VersionText()), 0;
  } catch (const batch::UsageError& e) {
    print(err, e.syntax ? batch::UsageErrorText(e.message) : batch::CommandErrorText(e.message));
    return 2;
  }

  std::stop_source stopping;
  std::atomic<bool> stopFlag{false};  // the same stop, for the readers
  std::atomic<bool> runOver{false};
  ::sem_init(&signalled, 0, 0);
  std::jthread watcher([&](std::stop_token ended) {
    for (int received = 0;;) {
      while (::sem_wait(&signalled) != 0 && errno == EINTR) {
      }
      if (ended.stop_requested() || runOver) return;
      if (++received == 1) {
        stopFlag = true;
        stopping.request_stop();
      } else {
        platform::DiscardStagingNow();
        print(err, QStringLiteral("\ntintaborra-lote: interrumpido al momento; lo empezado se ha descartado\n"));
        endNow(130);
      }
    }
  });
  stopOnSignals();
  batch::WatchReading(&stopFlag);
  const auto leave = [&](int code) {
    runOver = true;
    watcher.request_stop();  // the run is over: the watcher is woken to end
    ::sem_post(&signalled);
    watcher.join();
    if (batch::ReadingLeftRunning()) endNow(code);
    return code;
  };

  batch::Plan plan;
  std::unique_ptr<batch::ReportFile> report;
  try {
    plan = batch::PlanWork(options);  // documents are opened, under the watch, to count their pages
    if (!options.report.isEmpty()) report = std::make_unique<batch::ReportFile>(options, plan);
  } catch (const batch::UsageError& e) {
    print(err, e.syntax ? batch::UsageErrorText(e.message) : batch::CommandErrorText(e.message));
    return leave(2);
  }
  if (stopping.stop_requested()) {
    batch::Totals none{.unfinished = int(plan.outputs.size()), .documentsAsked = options.writesDocuments()};
    for (const batch::Output& output : plan.outputs)
      none.pageFilesAsked |= output.kind == batch::Output::Kind::PageFiles;
    print(err, batch::InterruptedText(none, 0));
    return leave(130);
  }
  for (const QString& warning : options.warnings + plan.warnings) print(err, batch::WarningText(warning));
  if (!platform::MakeFolder(options.outputFolder)) {
    print(err, batch::FailureText(options.outputFolder, QStringLiteral("no se puede crear la carpeta de salida")));
    return leave(1);
  }
  // What a run killed here before left in its hidden folders.
  platform::RemoveAbandonedStaging(options.outputFolder);
  int alreadyDone = 0;
  for (const batch::Output& output : plan.done) {
    alreadyDone += int(output.sources.size());
    if (report) report->alreadyDone(plan, output);
  }

  const bool bar = isatty(fileno(err));
  const int total = plan.pageCount();
  int finished = 0;
  QElapsedTimer clock;
  clock.start();
  const auto showBar = [&] {
    if (bar)
      print(err, QStringLiteral("\r") + batch::ProgressText(finished, total, clock.elapsed() / 1000.0) +
                     QStringLiteral("\x1b[K"));
  };
  showBar();
  batch::Totals totals = batch::Run(
      plan, options,
      [&](const batch::Report& report) {
        if (bar) print(err, QStringLiteral("\r\x1b[K"));
        print(err, report.notice ? batch::NoticeText(report.input, report.reason, report.page)
                                 : batch::FailureText(report.input, report.reason, report.page));
        showBar();
      },
      [&] {
        ++finished;
        showBar();
      },
      showBar, stopping.get_token(),
      [&](const batch::Ended& end) {
        if (report) report->ended(plan, end);
      });
  totals.alreadyDone = alreadyDone;
  for (const batch::Output& output : plan.done) {  // what was asked, for the closing line's words
    totals.documentsAsked |= output.kind == batch::Output::Kind::Document;
    totals.pageFilesAsked |= output.kind == batch::Output::Kind::PageFiles;
  }
  totals.resumeAsked = options.resume;
  if (bar) print(err, QStringLiteral("\r\x1b[K"));
  const double seconds = clock.elapsed() / 1000.0;
  if (stopping.stop_requested()) {
    print(err, batch::InterruptedText(totals, seconds));
    return leave(130);
  }
  print(err, batch::SummaryText(totals, seconds));
  return leave(totals.failed ? 1 : 0);
}
