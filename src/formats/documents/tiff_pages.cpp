// TIFF files of several pages: libtiff counts the pages and reads each one's
// size, the loader's own TIFF decoder decodes it.
#include "formats/documents/readers.h"

#include "core/numbers.h"
#include "formats/codecs.h"

#include <QFile>

#include <mutex>

#include <tiffio.h>
#include <unistd.h>

namespace documents {

namespace {

// The smallest directory (its count, one entry, the next one's offset)
// takes this many bytes: a file of n bytes holds fewer than n / 18 pages.
constexpr qint64 MinDirectoryBytes = 18;

// libtiff's complaints, in English, are noted and not printed.
int complain(TIFF*, void* failed, const char*, const char*, va_list) {
  *static_cast<bool*>(failed) = true;
  return 1;
}
int ignore(TIFF*, void*, const char*, const char*, va_list) { return 1; }

class TiffReader final : public DocumentReader {
 public:
  explicit TiffReader(std::shared_ptr<HeldFile> file) : file_(std::move(file)) {
    const int fd = file_->reopen();
    if (fd < 0) platform::RaiseUnread(platform::ReadResult::Unreadable);
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, &complain, &failed_);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &ignore, nullptr);
    // "m": read through the descriptor, never map the file.
    tiff_ = TIFFFdOpenExt(fd, "documento", "rm", options);
    TIFFOpenOptionsFree(options);
    if (!tiff_) {
      ::close(fd);
      RaiseDamaged(QStringLiteral("su primera página no se puede leer"));
    }
    // The chain of directories, each one's count and link read; one that
    // leads back to one read before, or that cannot be read, is refused.
    pages_ = TIFFNumberOfDirectories(tiff_);
    if (failed_ || pages_ < 1) refuse(QStringLiteral("la página %1 no se puede leer").arg(pages_ + 1));
    if (pages_ > std::max<qint64>(1, file_->bytes() / MinDirectoryBytes))
      refuse(QStringLiteral("dice tener más páginas de las que caben en el archivo"));
  }
  ~TiffReader() override {
    if (tiff_) TIFFClose(tiff_);
  }

  int pageCount() const override { return int(pages_); }

  QImage page(int index) override {
    if (index < 0 || index >= pages_)
      platform::Fail(platform::FailureKind::Invalid, QStringLiteral("No existe esa página"));
    {
      std::lock_guard lock(mutex_);
      std::uint32_t width = 0, height = 0;
      if (!TIFFSetDirectory(tiff_, tdir_t(index)) || !TIFFGetField(tiff_, TIFFTAG_IMAGEWIDTH, &width) ||
          !TIFFGetField(tiff_, TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0 || width > INT_MAX ||
          height > INT_MAX)
        RaiseDamaged(QStringLiteral("la cabecera de la página no es válida"));
      platform::CheckClaimedSize(QSize(int(width), int(height)), file_->bytes());
    }
    // The decoder reads the file at a place of its own: no lock.
    const int fd = file_->reopen();
    QFile device;
    if (fd < 0 || !device.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
      if (fd >= 0) ::close(fd);
      platform::RaiseUnread(platform::ReadResult::Unreadable);
    }
    return platform::DecodeTiffPage(device, index);
  }

 private:
  // Refused while opening: no destructor closes what was opened.
  [[noreturn]] void refuse(const QString& reason) {
    TIFFClose(tiff_);
    tiff_ = nullptr;
    RaiseDamaged(reason);
  }
  std::shared_ptr<HeldFile> file_;
  std::mutex mutex_;
  TIFF* tiff_ = nullptr;
  bool failed_ = false;  // libtiff complained while counting the pages
  qint64 pages_ = 0;
};

}  // namespace

std::unique_ptr<DocumentReader> OpenTiff(std::shared_ptr<HeldFile> file) {
  return std::make_unique<TiffReader>(std::move(file));
}

}  // namespace documents
