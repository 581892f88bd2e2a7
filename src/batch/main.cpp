// tintaborra-lote: the filters over many pictures, without a window.
#include "batch/messages.h"
#include "batch/options.h"
#include "batch/plan.h"
#include "batch/quiet_libraries.h"
#include "batch/runner.h"
#include "formats/codecs.h"
#include "formats/filenames.h"
#include "formats/safe_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace {

std::FILE* err = stderr;

void print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
  std::fflush(stream);
}

std::atomic<bool> stopping{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Ctrl+C or a request to end: no new picture or page is begun, those under
// way are finished, a document not complete is discarded. A second one ends the program at once (the handler is reset),
// which leaves no file half written either.
void stop(int) { stopping.store(true); }

void stopOnSignals() {
  struct sigaction action {};
  action.sa_handler = stop;
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
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
  batch::Plan plan;
  try {
    options = batch::ParseArguments(argumentsOf(argc, argv));
    if (options.help) return print(stdout, batch::HelpText()), 0;
    if (options.version) return print(stdout, batch::VersionText()), 0;
    plan = batch::PlanWork(options);
  } catch (const batch::UsageError& e) {
    print(err, batch::UsageErrorText(e.message));
    return 2;
  }
  for (const QString& warning : options.warnings) print(err, batch::WarningText(warning));
  if (!platform::MakeFolder(options.outputFolder)) {
    print(err, batch::FailureText(options.outputFolder, QStringLiteral("no se puede crear la carpeta de salida")));
    return 1;
  }
  stopOnSignals();

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
  const batch::Totals totals = batch::Run(
      plan, options,
      [&](const batch::Report& report) {
        if (bar) print(err, QStringLiteral("\r\x1b[K"));
        print(err, batch::FailureText(report.input, report.reason, report.page));
        showBar();
      },
      [&] {
        ++finished;
        showBar();
      },
      showBar, &stopping);
  if (bar) print(err, QStringLiteral("\r\x1b[K"));
  const double seconds = clock.elapsed() / 1000.0;
  if (stopping.load()) {
    print(err, batch::InterruptedText(totals, seconds));
    return 130;
  }
  print(err, batch::SummaryText(totals, seconds));
  return totals.failed ? 1 : 0;
}
