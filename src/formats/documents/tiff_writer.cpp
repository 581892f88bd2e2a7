// TIFF documents: libtiff writes the header, each page's directory and the
// links between them; each page's stream, already made, is its one strip.
#include "formats/documents/tiff_writer.h"

#include "formats/documents/writer_file.h"
#include "core/numbers.h"

#include <QBuffer>
#include <QIODevice>

#include <tiffio.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <vector>

namespace documents {

namespace {

// libtiff's calls on a Qt device; libtiff's complaints, in English, are
// noted and not printed.
class TiffOnDevice {
 public:
  // mode as TIFFOpen's ("w"); false when libtiff refuses.
  bool open(QIODevice& device, const char* mode) {
    device_ = &device;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, &TiffOnDevice::complain, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &TiffOnDevice::ignore, nullptr);
    tiff_ = TIFFClientOpenExt("tintaborra", mode, this, &read, &write, &seek, &close, &size, &map, &unmap, options);
    TIFFOpenOptionsFree(options);
    return tiff_ != nullptr;
  }
  ~TiffOnDevice() { closeTiff(); }

  TIFF* get() const { return tiff_; }
  // Writes out what libtiff still holds; false when it could not.
  bool closeTiff() {
    if (!tiff_) return true;
    const bool flushed = TIFFFlush(tiff_) == 1;
    TIFFClose(tiff_);
    tiff_ = nullptr;
    return flushed && !failed_;
  }
  // Lets go of the document without writing out what libtiff holds.
  void abandon() {
    if (tiff_) TIFFCleanup(tiff_);
    tiff_ = nullptr;
  }
  bool failed() const { return failed_; }
  int error() const { return error_; }

 private:
  static TiffOnDevice* self(thandle_t handle) { return static_cast<TiffOnDevice*>(handle); }
  static tmsize_t read(thandle_t handle, void* buffer, tmsize_t size) {
    return tmsize_t(self(handle)->device_->read(static_cast<char*>(buffer), qint64(size)));
  }
  static tmsize_t write(thandle_t handle, void* buffer, tmsize_t size) {
    TiffOnDevice* me = self(handle);
    errno = 0;
    const qint64 written = me->device_->write(static_cast<const char*>(buffer), qint64(size));
    if (written != qint64(size)) me->fail(errno);
    return tmsize_t(written);
  }
  static toff_t seek(thandle_t handle, toff_t offset, int whence) {
    QIODevice* device = self(handle)->device_;
    const qint64 base = whence == SEEK_CUR ? device->pos() : whence == SEEK_END ? device->size() : 0;
    const qint64 to = base + qint64(offset);
    if (to < 0 || !device->seek(to)) return toff_t(-1);
    return toff_t(to);
  }
  static int close(thandle_t) { return 0; }
  static toff_t size(thandle_t handle) { return toff_t(self(handle)->device_->size()); }
  static int map(thandle_t, void**, toff_t*) { return 0; }
  static void unmap(thandle_t, void*, toff_t) {}
  static int complain(TIFF*, void* me, const char*, const char*, va_list) {
    static_cast<TiffOnDevice*>(me)->failed_ = true;
    return 1;
  }
  static int ignore(TIFF*, void*, const char*, const char*, va_list) { return 1; }
  void fail(int error) {
    failed_ = true;
    if (error_ == 0) error_ = error;
  }

  QIODevice* device_ = nullptr;
  TIFF* tiff_ = nullptr;
  bool failed_ = false;
  int error_ = 0;
};

class TiffWriter final : public DocumentWriter {
 public:
  explicit TiffWriter(const QString& target) : file_(target) {
    if (!tiff_.open(file_.device(), "w")) fail();
  }

  void addPage(const EncodedPage& page) override {
    if (broken_) fail();  // nothing more is written once a write failed
    // A TIFF's offsets have 32 bits; a page's directory takes a few hundred
    // bytes beside its stream and colour table.
    constexpr qint64 Limit = qint64(std::numeric_limits<std::uint32_t>::max());
    if (file_.device().size() + page.data.size() + 4096 + 6 * 256 > Limit) {
      broken_ = true;
      tiff_.abandon();
      file_.fail(0, QStringLiteral("un TIFF no puede pasar de 4 GB; el PDF no tiene ese límite"));
    }
    TIFF* t = tiff_.get();
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, std::uint32_t(page.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, std::uint32_t(page.height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, page.bitsPerSample);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, page.components);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, std::uint32_t(page.height));
    TIFFSetField(t, TIFFTAG_XRESOLUTION, float(page.dpiX > 0 ? page.dpiX : 72));
    TIFFSetField(t, TIFFTAG_YRESOLUTION, float(page.dpiY > 0 ? page.dpiY : 72));
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    std::vector<std::uint16_t> map;
    switch (page.storage) {
      case EncodedPage::Storage::Group4:
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        break;
      case EncodedPage::Storage::Palette: {
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        // Red, green and blue tables of 16 bits an entry, one entry for each
        // value the bits can hold.
        const std::size_t entries = std::size_t(1) << page.bitsPerSample;
        map.assign(3 * entries, 0);
        for (std::size_t i = 0; i < page.palette.size() && i < entries; ++i) {
          const std::uint32_t c = page.palette[i];
          map[i] = std::uint16_t(((c >> 16) & 0xFF) * 257);
          map[entries + i] = std::uint16_t(((c >> 8) & 0xFF) * 257);
          map[2 * entries + i] = std::uint16_t((c & 0xFF) * 257);
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data() + entries, map.data() + 2 * entries);
        break;
      }
      case EncodedPage::Storage::Grey:
      case EncodedPage::Storage::Rgb:
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, page.components == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        break;
      case EncodedPage::Storage::Jpeg:
        // The strip is a whole JPEG stream, tables included; a colour one is
        // YCbCr with the colour halved both ways, as the encoder made it.
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
        if (page.components == 3) {
          TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
          TIFFSetField(t, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
        } else {
          TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        }
        break;
    }
    if (TIFFWriteRawStrip(t, 0, const_cast<char*>(page.data.constData()), tmsize_t(page.data.size())) < 0 ||
        !TIFFWriteDirectory(t) || tiff_.failed())
      fail();
    ++pages_;
  }

  void finish() override {
    if (broken_) fail();
    if (pages_ == 0) RaiseNoPages();
    if (!tiff_.closeTiff()) fail();
    file_.commit();
  }

 private:
  [[noreturn]] void fail() {
    broken_ = true;
    tiff_.abandon();
    file_.fail(tiff_.error(), QStringLiteral("la biblioteca de TIFF no pudo escribirlo"));
  }

  WriterFile file_;
  TiffOnDevice tiff_;
  int pages_ = 0;
  bool broken_ = false;
};

}  // namespace

std::unique_ptr<DocumentWriter> CreateTiffDocument(const QString& target) {
  return std::make_unique<TiffWriter>(target);
}

QByteArray Group4Stream(const unsigned char* rows, int width, int height) {
  QByteArray memory;
  QBuffer buffer(&memory);
  buffer.open(QIODevice::ReadWrite);
  TiffOnDevice tiff;
  const auto fail = [] {
    platform::Fail(platform::FailureKind::OutOfMemory, QStringLiteral("No hay memoria suficiente para la página"));
  };
  if (!tiff.open(buffer, "w")) fail();
  TIFF* t = tiff.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, std::uint32_t(width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, std::uint32_t(height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, std::uint32_t(height));
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  const tmsize_t bytes = tmsize_t((std::size_t(width) + 7) / 8 * std::size_t(height));
  // Rows in the bit order libtiff writes are encoded as they are, not changed.
  if (TIFFWriteEncodedStrip(t, 0, const_cast<unsigned char*>(rows), bytes) < 0) fail();
  // The strip is where libtiff put it, before any directory.
  const std::uint64_t offset = TIFFGetStrileOffset(t, 0), size = TIFFGetStrileByteCount(t, 0);
  if (tiff.failed() || offset + size > std::uint64_t(memory.size())) fail();
  return memory.mid(qsizetype(offset), qsizetype(size));
}

}  // namespace documents
