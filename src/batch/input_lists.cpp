#include "batch/input_lists.h"

#include "formats/filenames.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace batch {

namespace {

QString whyUnreadable(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return QStringLiteral("no existe");
    case EACCES:
    case EPERM:
      return QStringLiteral("no hay permiso para leerla");
    case EISDIR:
      return QStringLiteral("es una carpeta, no un archivo");
    case ENOMEM:
      return QStringLiteral("memoria insuficiente");
    default:
      return QStringLiteral("error %1 del sistema").arg(error);
  }
}

[[noreturn]] void unreadable(const InputList& list, int error) {
  throw UsageError{QStringLiteral("no se puede leer la lista «%1»: %2").arg(ListName(list), whyUnreadable(error)),
                   false};
}

}  // namespace

QString ListName(const InputList& list) {
  return list.path == u"-" ? QStringLiteral("entrada estándar") : platform::DisplayFileName(list.path);
}

std::vector<ListedName> SplitList(const QByteArray& bytes, bool nulSeparated) {
  const char separator = nulSeparated ? '\0' : '\n';
  std::vector<ListedName> names;
  qsizetype start = 0, line = 1;
  while (start < bytes.size()) {
    qsizetype end = bytes.indexOf(separator, start);
    if (end < 0) end = bytes.size();
    names.push_back({platform::DecodeFileName(bytes.mid(start, end - start)), line++});
    start = end + 1;
  }
  return names;
}

std::vector<ListedName> ReadList(const InputList& list) {
  // A list may come through a pipe (find ... | tintaborra-lote --lista -, or
  // <(find ...)): it is read to its end, waiting for it.
  const bool standardInput = list.path == u"-";
  const int fd =
      standardInput ? STDIN_FILENO : ::open(platform::EncodeFileName(list.path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) unreadable(list, errno);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    if (!standardInput) ::close(fd);
    unreadable(list, EISDIR);
  }
  QByteArray bytes;
  int error = 0;
  for (char chunk[65536];;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
    bytes.append(chunk, n);
  }
  if (!standardInput) ::close(fd);
  if (error != 0) unreadable(list, error);
  return SplitList(bytes, list.nulSeparated);
}

}  // namespace batch
