// TIFF files of several pages, read by libtiff: the chain of directories is
// walked once when the document is opened, each one's place noted, and a
// page is read straight from its place, whatever its number.
#include "formats/documents/readers.h"

#include "core/failure.h"
#include "formats/codecs.h"
#include "formats/tiff_decoder.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include <tiffio.h>
#include <unistd.h>

namespace documents {

namespace {

// The smallest directory (its count, one entry, the next one's offset)
// takes this many bytes: a file of n bytes holds fewer than n / 18 pages.
constexpr qint64 MinDirectoryBytes = 18;

// libtiff on one descriptor of the file; its complaints, in English, are
// noted and not printed.
class Handle {
 public:
  explicit Handle(int fd) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, &complain, &failed_);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &ignore, nullptr);
    // "m": read through the descriptor, never map the file.
    tiff_ = TIFFFdOpenExt(fd, "documento", "rm", options);
    TIFFOpenOptionsFree(options);
    if (!tiff_) ::close(fd);
  }
  ~Handle() {
    if (tiff_) TIFFClose(tiff_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  TIFF* get() const { return tiff_; }
  bool failed() const { return failed_; }

 private:
  static int complain(TIFF*, void* failed, const char*, const char*, va_list) {
    *static_cast<bool*>(failed) = true;
    return 1;
  }
  static int ignore(TIFF*, void*, const char*, const char*, va_list) { return 1; }
  TIFF* tiff_ = nullptr;
  bool failed_ = false;
};

// Where the directory at `offset` links to, read as stored (libtiff keeps it
// to itself); 0 when it cannot be read.
std::uint64_t linkOf(TIFF* tiff, std::uint64_t offset, int fd) {
  const bool big = TIFFIsBigTIFF(tiff);
  const auto value = [&](const unsigned char* at, int bytes) { return platform::StoredTiffValue(tiff, at, bytes); };
  unsigned char bytes[8];
  const int countBytes = big ? 8 : 2, linkBytes = big ? 8 : 4;
  if (::pread(fd, bytes, std::size_t(countBytes), off_t(offset)) != countBytes) return 0;
  const std::uint64_t count = value(bytes, countBytes);
  if (count > 65535) return 0;
  const std::uint64_t at = offset + std::uint64_t(countBytes) + count * (big ? 20 : 12);
  if (::pread(fd, bytes, std::size_t(linkBytes), off_t(at)) != linkBytes) return 0;
  return value(bytes, linkBytes);
}

class TiffReader final : public DocumentReader {
 public:
  explicit TiffReader(std::shared_ptr<HeldFile> file) : file_(std::move(file)) {
    std::unique_ptr<Handle> handle = open();
    if (!handle) RaiseDamaged(QStringLiteral("su primera página no se puede leer"));
    TIFF* tiff = handle->get();
    const qint64 most = std::max<qint64>(1, file_->bytes() / MinDirectoryBytes);
    do {
      if (qint64(offsets_.size()) >= most)
        RaiseDamaged(QStringLiteral("dice tener más páginas de las que caben en el archivo"));
      offsets_.push_back(TIFFCurrentDirOffset(tiff));
    } while (TIFFReadDirectory(tiff));
    // The walk ends where a directory links to nothing; anywhere else the
    // chain is broken: the pages past it are lost.
    if (handle->failed() || !TIFFLastDirectory(tiff)) {
      const int fd = file_->reopen();
      const std::uint64_t link = fd >= 0 ? linkOf(tiff, offsets_.back(), fd) : 0;
      if (fd >= 0) ::close(fd);
      const auto seen = std::find(offsets_.begin(), offsets_.end(), link);
      if (seen != offsets_.end())
        RaiseDamaged(QStringLiteral("la página %1 lleva de vuelta a la página %2")
                         .arg(offsets_.size())
                         .arg(seen - offsets_.begin() + 1));
      RaiseDamaged(QStringLiteral("la página %1 no se puede leer").arg(offsets_.size() + 1));
    }
    idle_.push_back(std::move(handle));
  }

  int pageCount() const override { return int(offsets_.size()); }

  QImage page(int index) override {
    if (index < 0 || index >= pageCount())
      platform::Fail(platform::FailureKind::Invalid, QStringLiteral("No existe esa página"));
    // Each page is read through a handle of its own at a time, so that
    // pages asked for at once are decoded at once.
    std::unique_ptr<Handle> handle;
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        handle = std::move(idle_.back());
        idle_.pop_back();
      }
    }
    if (!handle) handle = open();
    if (!handle) platform::RaiseUnread(platform::ReadResult::Unreadable);
    if (!TIFFSetSubDirectory(handle->get(), offsets_[std::size_t(index)]))
      RaiseDamaged(QStringLiteral("la cabecera de la página no es válida"));
    QImage picture = platform::DecodeTiffDirectory(handle->get(), file_->bytes());
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(handle));
    return picture;
  }

 private:
  std::unique_ptr<Handle> open() const {
    const int fd = file_->reopen();
    if (fd < 0) platform::RaiseUnread(platform::ReadResult::Unreadable);
    auto handle = std::make_unique<Handle>(fd);
    return handle->get() ? std::move(handle) : nullptr;
  }

  std::shared_ptr<HeldFile> file_;
  std::vector<std::uint64_t> offsets_;  // each page's directory
  std::mutex mutex_;
  std::vector<std::unique_ptr<Handle>> idle_;
};

}  // namespace

std::unique_ptr<DocumentReader> OpenTiff(std::shared_ptr<HeldFile> file) {
  return std::make_unique<TiffReader>(std::move(file));
}

}  // namespace documents
