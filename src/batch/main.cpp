// tintaborra-lote: the filters over many pictures, without a window.
#include "batch/messages.h"
#include "batch/options.h"
#include "batch/runner.h"
#include "pixels/codecs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

namespace {

void print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
  std::fflush(stream);
}

// The decoders' own complaints about a damaged file ("libpng error: ...")
// would come between the lines of this command; the file is named with the
// reason instead.
void quietQtWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg || type == QtCriticalMsg) print(stderr, message + u'\n');
}

}  // namespace

int main(int argc, char* argv[]) {
  // A file that grows past the process's size limit fails its write, which is
  // reported like a full disk, instead of ending the process.
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  qInstallMessageHandler(quietQtWarnings);
  QCoreApplication app(argc, argv);
  platform::InitCodecs();

  batch::Options options;
  std::vector<batch::Job> jobs;
  try {
    options = batch::ParseArguments(QCoreApplication::arguments().mid(1));
    if (options.help) return print(stdout, batch::HelpText()), 0;
    if (options.version) return print(stdout, batch::VersionText()), 0;
    jobs = batch::PlanJobs(options);
  } catch (const batch::UsageError& e) {
    print(stderr, batch::UsageErrorText(e.message));
    return 2;
  }
  if (!QDir().mkpath(options.outputFolder)) {
    print(stderr, batch::FailureText(options.outputFolder, QStringLiteral("no se puede crear la carpeta de salida")));
    return 1;
  }

  const bool bar = isatty(STDERR_FILENO);
  const int total = int(jobs.size());
  int finished = 0;
  QElapsedTimer clock;
  clock.start();
  const auto showBar = [&] {
    if (bar)
      print(stderr, QStringLiteral("\r") + batch::ProgressText(finished, total, clock.elapsed() / 1000.0) +
                        QStringLiteral("\x1b[K"));
  };
  showBar();
  const batch::Totals totals = batch::RunJobs(
      jobs, options,
      [&](std::size_t index, const batch::Result& result) {
        ++finished;
        if (!result.written) {
          if (bar) print(stderr, QStringLiteral("\r\x1b[K"));
          print(stderr, batch::FailureText(jobs[index].input, result.reason));
        }
        showBar();
      },
      showBar);
  if (bar) print(stderr, QStringLiteral("\r\x1b[K"));
  print(stderr, batch::SummaryText(totals.written, totals.failed, clock.elapsed() / 1000.0));
  return totals.failed ? 1 : 0;
}
