#include "batch/resume.h"

#include "formats/filenames.h"
#include "formats/picture_header.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace batch {

bool WrittenWhole(const QString& path, const QString& format) {
  const QByteArray native = platform::EncodeFileName(path);
  struct stat st {};
  if (::lstat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return false;
  // Not waited on: what is regular at lstat may be swapped for a pipe after.
  const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  QByteArray head(16, '\0');
  const ssize_t n = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::read(fd, head.data(), head.size()) : -1;
  ::close(fd);
  if (n <= 0) return false;
  head.resize(n);
  if (format == u"pdf") return head.startsWith("%PDF-");
  const platform::PictureFormat kind = platform::FormatOf(head);
  if (format == u"png") return kind == platform::PictureFormat::Png;
  if (format == u"bmp") return kind == platform::PictureFormat::Bmp;
  if (format == u"jpg") return kind == platform::PictureFormat::Jpeg;
  if (format == u"tif") return kind == platform::PictureFormat::Tiff;
  return false;
}

void SetAsideDone(Plan& plan, const QString& format) {
  std::vector<Output> left;
  left.reserve(plan.outputs.size());
  for (Output& output : plan.outputs) {
    bool whole = output.problem.isEmpty() && !output.path.isEmpty();
    for (const std::size_t s : output.sources) whole = whole && !plan.sources[s].refused;
    if (output.kind == Output::Kind::PageFiles) {
      for (const QString& file : output.pageFiles) whole = whole && WrittenWhole(file, format);
    } else {
      whole = whole && WrittenWhole(output.path, format);
    }
    (whole ? plan.done : left).push_back(std::move(output));
  }
  plan.outputs = std::move(left);
}

}  // namespace batch
