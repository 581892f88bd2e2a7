#include "batch/quiet_libraries.h"

#include <QString>
#include <QtGlobal>

#include <tiffio.h>

#include <fcntl.h>
#include <unistd.h>

// A build with a sanitizer has this; its reports must still be seen.
extern "C" void __sanitizer_set_report_fd(void* fd) __attribute__((weak));

namespace batch {

namespace {

std::FILE* messages = stderr;

// Qt's own warnings about a file ("Corrupt JPEG data", "QImage::pixel: ...")
// are left out; only what ends the program is told.
void quietQtWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg && type != QtCriticalMsg) return;
  const QByteArray bytes = message.toLocal8Bit() + '\n';
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), messages);
  std::fflush(messages);
}

}  // namespace

std::FILE* SilenceLibraries() {
  qInstallMessageHandler(quietQtWarnings);
  // libtiff writes its errors and warnings to standard error unless told
  // otherwise, and Qt's reader does not tell it.
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  // libpng's own error handler, which Qt's reader keeps, prints "libpng
  // error: ..." straight to standard error before it gives up on a file, and
  // nothing outside libpng can replace it. So the descriptor 2 that the
  // libraries write to is pointed at /dev/null, and the command writes to a
  // copy of the standard error it was given (as do a sanitizer's reports).
  const int own = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  std::FILE* copy = own >= 0 && null >= 0 ? ::fdopen(own, "w") : nullptr;
  if (copy && ::dup2(null, STDERR_FILENO) >= 0) {
    messages = copy;
    if (__sanitizer_set_report_fd) __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<long>(own)));
  } else if (copy) {
    std::fclose(copy);
  } else if (own >= 0) {
    ::close(own);
  }
  if (null >= 0) ::close(null);
  return messages;
}

}  // namespace batch
