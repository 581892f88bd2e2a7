// A page's pixels made into the stream a document stores: which kind of
// storage suits them is found in one pass that stops as soon as the answer is
// known, and the stream is made a row at a time so that no second copy of the
// whole page is ever held.
#include "core/numbers.h"
#include "formats/documents/document.h"
#include "formats/documents/fax.h"

#include "formats/exact_form.h"
#include "formats/jpeg_errors.h"
#include "formats/resolution.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace documents {

using platform::Fail;
using platform::FailureKind;

namespace {

// zlib's levels, measured on A4 pages at 300 dpi: on scanned photographs and
// grey pages, level 1 is within 3 % of levels 3 and 6 (smaller than 6 on
// noisy colour) at 0.6 and 0.4 times their time; on pages of few colours,
// level 3 makes streams a third smaller than level 1 for a fifth more time.
constexpr int PhotoLevel = 1, PaletteLevel = 3;

// A grey page of more shades than this is stored as grey rather than with a
// palette: both take 8 bits a pixel then, and grey needs no table.
constexpr int MaxPaletteGreys = 16;

[[noreturn]] void noMemory() {
  Fail(FailureKind::OutOfMemory, QStringLiteral("No hay memoria suficiente para la página"));
}

// A zlib stream made from rows given one at a time.
class FlateStream {
 public:
  FlateStream(std::size_t rawBytes, int level) {
    if (deflateInit(&z_, level) != Z_OK) noMemory();
    out_.resize(qsizetype(std::min<std::size_t>(deflateBound(&z_, uLong(rawBytes)), std::size_t(64) << 20)));
  }
  ~FlateStream() { deflateEnd(&z_); }
  FlateStream(const FlateStream&) = delete;
  FlateStream& operator=(const FlateStream&) = delete;

  void add(const unsigned char* bytes, std::size_t size) { run(bytes, size, Z_NO_FLUSH); }
  QByteArray finish() {
    run(nullptr, 0, Z_FINISH);
    out_.resize(qsizetype(z_.total_out));
    out_.squeeze();  // the room reserved for the worst case is given back
    return std::move(out_);
  }

 private:
  void run(const unsigned char* bytes, std::size_t size, int flush) {
    z_.next_in = const_cast<unsigned char*>(bytes);
    z_.avail_in = uInt(size);
    for (;;) {
      if (z_.total_out == uLong(out_.size())) out_.resize(out_.size() + out_.size() / 2 + 4096);
      z_.next_out = reinterpret_cast<unsigned char*>(out_.data()) + z_.total_out;
      z_.avail_out = uInt(std::min<qsizetype>(out_.size() - qsizetype(z_.total_out), 1 << 30));
      const int result = deflate(&z_, flush);
      if (result == Z_STREAM_END) return;
      if (result != Z_OK && result != Z_BUF_ERROR) noMemory();
      if (flush == Z_NO_FLUSH && z_.avail_in == 0 && z_.avail_out != 0) return;
    }
  }
  z_stream z_{};
  QByteArray out_;
};

void encodeGroup4(const std::vector<unsigned char>& rows, int width, int height, EncodedPage& page) {
  page.data = Group4Stream(rows.data(), width, height);
  page.storage = EncodedPage::Storage::Group4;
  page.bitsPerSample = 1;
}

void encodePalette(const QImage& picture, std::vector<std::uint32_t> colours, EncodedPage& page) {
  const int width = picture.width(), height = picture.height();
  const int count = int(colours.size());
  const int bits = count <= 2 ? 1 : count <= 4 ? 2 : count <= 16 ? 4 : 8;
  const std::size_t rowBytes = (std::size_t(width) * bits + 7) / 8;
  // A colour's index, found through a table as the counting's.
  constexpr std::size_t Slots = 1024;
  std::vector<std::uint32_t> keys(Slots, 0xFFFFFFFFu);
  std::vector<unsigned char> indices(Slots, 0);
  const auto slotOf = [&](std::uint32_t c) {
    std::size_t slot = (c * 0x9E3779B1u) >> 22;
    while (keys[slot] != c && keys[slot] != 0xFFFFFFFFu) slot = (slot + 1) & (Slots - 1);
    return slot;
  };
  for (int i = 0; i < count; ++i) {
    const std::size_t slot = slotOf(colours[std::size_t(i)]);
    keys[slot] = colours[std::size_t(i)];
    indices[slot] = static_cast<unsigned char>(i);
  }
  FlateStream flate(rowBytes * std::size_t(height), PaletteLevel);
  std::vector<unsigned char> row(rowBytes);
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    std::fill(row.begin(), row.end(), 0);
    std::uint32_t last = 0xFFFFFFFFu;
    unsigned index = 0;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = line[x] & 0xFFFFFFu;
      if (p != last) index = indices[slotOf(last = p)];
      const std::size_t bit = std::size_t(x) * bits;
      row[bit / 8] |= static_cast<unsigned char>(index << (8 - bits - bit % 8));
    }
    flate.add(row.data(), rowBytes);
  }
  page.data = flate.finish();
  page.storage = EncodedPage::Storage::Palette;
  page.bitsPerSample = bits;
  page.palette = std::move(colours);
}

// Grey pages as one byte a pixel, others as red, green and blue bytes.
void encodeFlate(const QImage& picture, bool grey, EncodedPage& page) {
  const int width = picture.width(), height = picture.height();
  const std::size_t rowBytes = std::size_t(width) * (grey ? 1 : 3);
  FlateStream flate(rowBytes * std::size_t(height), PhotoLevel);
  std::vector<unsigned char> row(rowBytes);
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    if (grey) {
      for (int x = 0; x < width; ++x) row[std::size_t(x)] = static_cast<unsigned char>(line[x]);
    } else {
      for (int x = 0; x < width; ++x) {
        row[3 * std::size_t(x)] = static_cast<unsigned char>(line[x] >> 16);
        row[3 * std::size_t(x) + 1] = static_cast<unsigned char>(line[x] >> 8);
        row[3 * std::size_t(x) + 2] = static_cast<unsigned char>(line[x]);
      }
    }
    flate.add(row.data(), rowBytes);
  }
  page.data = flate.finish();
  page.storage = grey ? EncodedPage::Storage::Grey : EncodedPage::Storage::Rgb;
  page.bitsPerSample = 8;
  page.components = grey ? 1 : 3;
}

// A baseline JPEG: grey pages with one component, others in YCbCr with the
// colour halved both ways (the encoder's default, which TIFF records as its
// YCbCr subsampling 2, 2). False when the encoder fails; nothing here may
// need destroying when longjmp leaves.
bool jpegStream(const QImage& picture, bool grey, int quality, int dpi, unsigned char** out, unsigned long* size,
                std::vector<unsigned char>& row) {
  jpeg_compress_struct info{};
  platform::JpegErrors errors;
  info.err = &errors;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, out, size);
  info.image_width = JDIMENSION(picture.width());
  info.image_height = JDIMENSION(picture.height());
  info.input_components = grey ? 1 : 4;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGRX;  // Qt's 32-bit layout as it lies in memory
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.density_unit = 1;  // dots per inch
  info.X_density = info.Y_density = UINT16(std::clamp(dpi, 1, 65535));
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const uchar* line = picture.constScanLine(int(info.next_scanline));
    JSAMPROW rows[1] = {const_cast<JSAMPROW>(line)};
    if (grey) {
      for (int x = 0; x < picture.width(); ++x) row[std::size_t(x)] = line[4 * x];
      rows[0] = row.data();
    }
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

void encodeJpeg(const QImage& picture, bool grey, int quality, EncodedPage& page) {
  unsigned char* out = nullptr;
  unsigned long size = 0;
  std::vector<unsigned char> row(std::size_t(picture.width()));
  const bool done = jpegStream(picture, grey, quality, int(page.dpiX + 0.5), &out, &size, row);
  if (done) page.data = QByteArray(reinterpret_cast<const char*>(out), qsizetype(size));
  std::free(out);
  if (!done) Fail(FailureKind::Damaged, QStringLiteral("No se pudo comprimir la página en JPEG"));
  if (page.data.isNull()) noMemory();
  page.storage = EncodedPage::Storage::Jpeg;
  page.bitsPerSample = 8;
  page.components = grey ? 1 : 3;
}

// Where SetPageResolution keeps the exact resolution among a picture's texts.
const QString ResolutionKey = QStringLiteral("tintaborra.ppp");

// Whole dots per metre for dpi, within what Qt holds (at least 1).
int wholeDotsPerMetre(double dpi) { return int(std::clamp(std::lround(dpi / platform::MetresPerInch), 1L, 1L << 30)); }

// The exact resolution of axis 0 (x) or 1 (y) kept with the picture while its
// dots per metre are still those it was set with; otherwise the one they give.
double exactResolution(const QImage& picture, int axis, int perMetre) {
  const QStringList kept = picture.text(ResolutionKey).split(QLatin1Char(' '));
  if (kept.size() == 2) {
    bool ok = false;
    const double dpi = kept[axis].toDouble(&ok);
    if (ok && dpi > 0 && std::isfinite(dpi) && wholeDotsPerMetre(dpi) == perMetre) return dpi;
  }
  return platform::DotsPerInch(perMetre);
}

}  // namespace

void SetPageResolution(QImage& page, double dpiX, double dpiY) {
  page.setDotsPerMeterX(wholeDotsPerMetre(dpiX));
  page.setDotsPerMeterY(wholeDotsPerMetre(dpiY));
  page.setText(ResolutionKey, QString::number(dpiX, 'g', 17) + QLatin1Char(' ') + QString::number(dpiY, 'g', 17));
}

EncodedPage EncodePage(const QImage& source, int jpegQuality) {
  if (source.isNull()) Fail(FailureKind::Damaged, QStringLiteral("La página no tiene imagen"));
  if (jpegQuality < 0 || jpegQuality > 100)
    Fail(platform::FailureKind::Invalid, QStringLiteral("La calidad de JPEG va de 1 a 100"));
  const QImage picture =
      source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
  if (picture.isNull()) noMemory();
  EncodedPage page;
  page.width = picture.width();
  page.height = picture.height();
  page.dpiX = exactResolution(source, 0, source.dotsPerMeterX());
  page.dpiY = exactResolution(source, 1, source.dotsPerMeterY());
  platform::PixelSurvey s = platform::SurveyPixels(picture, true);
  if (s.blackAndWhite)
    encodeGroup4(s.blackRows, picture.width(), picture.height(), page);
  else if (s.few && !(s.grey && int(s.colours.size()) > MaxPaletteGreys))
    encodePalette(picture, std::move(s.colours), page);
  else if (jpegQuality > 0 && picture.width() <= JPEG_MAX_DIMENSION && picture.height() <= JPEG_MAX_DIMENSION)
    encodeJpeg(picture, s.grey, jpegQuality, page);
  else
    encodeFlate(picture, s.grey, page);
  return page;
}

}  // namespace documents
