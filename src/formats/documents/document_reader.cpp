#include "formats/documents/document.h"
#include "formats/documents/readers.h"

#include "core/numbers.h"
#include "formats/codecs.h"
#include "formats/filenames.h"
#include "formats/picture_header.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace documents {

namespace {

// A PDF's header may come after a little junk, which readers skip.
constexpr qsizetype PdfHeaderReach = 1024;

bool startsAsTiff(const QByteArray& head) {
  return platform::FormatOf(head) == platform::PictureFormat::Tiff;  // classic TIFF or BigTIFF
}

}  // namespace

HeldFile::~HeldFile() { ::close(fd_); }

QByteArray HeldFile::reopenPath() const { return "/proc/self/fd/" + QByteArray::number(fd_); }

int HeldFile::reopen() const {
  const int fd = ::open(reopenPath().constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat mine {
  }, theirs{};
  if (::fstat(fd, &theirs) != 0 || ::fstat(fd_, &mine) != 0 || mine.st_ino != theirs.st_ino ||
      mine.st_dev != theirs.st_dev) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void RaiseDamaged(const QString& reason) {
  platform::Fail(platform::FailureKind::Damaged, QStringLiteral("Documento dañado o incompleto: %1").arg(reason));
}

bool StartsAsPdf(const QByteArray& head) { return platform::StartsAsPdf(head); }

std::unique_ptr<DocumentReader> OpenDocument(const QString& path, int renderDpi, ReadingLimits limits) {
  using platform::ReadResult;
  const int fd = ::open(platform::EncodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) platform::RaiseUnread(errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Unreadable);
  struct stat st {};
  const bool stated = ::fstat(fd, &st) == 0;
  if (!stated || !S_ISREG(st.st_mode)) {
    ::close(fd);
    platform::RaiseUnread(!stated               ? ReadResult::Unreadable
                          : S_ISDIR(st.st_mode) ? ReadResult::Folder
                                                : ReadResult::NotRegular);
  }
  auto file = std::make_shared<HeldFile>(fd, qint64(st.st_size));
  QByteArray head(PdfHeaderReach, '\0');
  const ssize_t got = ::pread(fd, head.data(), std::size_t(head.size()), 0);
  head.truncate(got > 0 ? qsizetype(got) : 0);
  if (startsAsTiff(head)) return OpenTiff(std::move(file));
  if (StartsAsPdf(head)) return OpenPdf(std::move(file), renderDpi, limits);
  platform::Fail(platform::FailureKind::Damaged, QStringLiteral("No es un documento PDF ni TIFF"));
}

}  // namespace documents
