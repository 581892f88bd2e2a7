#include "support/tiff_producers.h"

#include <QTemporaryFile>

#include <tiffio.h>

#include <cstring>
#include <functional>
#include <stdexcept>

namespace tiffproducers {

namespace {

QImage gradient(int width, int height, int seed) {
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb((x * 9 + seed * 40) & 255, (y * 13 + seed * 7) & 255, (x * y + seed) & 255));
  return image;
}

// Writes with libtiff into a temporary file ("w" or "w8") and gives its bytes.
QByteArray written(const char* mode, const std::function<void(TIFF*)>& write) {
  QTemporaryFile file;
  if (!file.open()) throw std::runtime_error("no temporary file");
  TIFF* tiff = TIFFOpen(file.fileName().toLocal8Bit().constData(), mode);
  if (!tiff) throw std::runtime_error("libtiff cannot write");
  write(tiff);
  TIFFClose(tiff);
  file.seek(0);
  return file.readAll();
}

void fields(TIFF* tiff, int width, int height, int bits, int samples, int photometric, int compression,
            bool oneStrip = true) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
  if (oneStrip) TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
}

void scanlines(TIFF* tiff, const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    TIFFWriteScanline(tiff, const_cast<uchar*>(image.constScanLine(y)), std::uint32_t(y), 0);
}

void rgbStrip(TIFF* tiff, const QImage& picture, int compression) {
  const QImage image = picture.convertToFormat(QImage::Format_RGB888);
  fields(tiff, image.width(), image.height(), 8, 3, PHOTOMETRIC_RGB, compression);
  scanlines(tiff, image);
}

void endPage(TIFF* tiff) {
  TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
  TIFFWriteDirectory(tiff);
}

std::uint32_t u16(const QByteArray& b, qint64 at, bool be) {
  const auto c = [&](qint64 i) { return std::uint32_t(std::uint8_t(b[i])); };
  return be ? c(at) << 8 | c(at + 1) : c(at) | c(at + 1) << 8;
}
std::uint32_t u32(const QByteArray& b, qint64 at, bool be) {
  return be ? u16(b, at, true) << 16 | u16(b, at + 2, true) : u16(b, at, false) | u16(b, at + 2, false) << 16;
}
void put32(QByteArray& b, qint64 at, std::uint32_t v, bool be) {
  for (int i = 0; i < 4; ++i) b[at + i] = char(be ? v >> (24 - 8 * i) : v >> (8 * i));
}

}  // namespace

QByteArray Pages(int pages, int width, int height) {
  return written("w", [&](TIFF* tiff) {
    for (int i = 0; i < pages; ++i) {
      rgbStrip(tiff, gradient(width, height, i), COMPRESSION_LZW);
      endPage(tiff);
    }
  });
}

QByteArray BrokenChain(const QByteArray& tiff, Chain how) {
  QByteArray bytes = tiff;
  const bool be = bytes.startsWith("MM");
  const std::uint32_t first = u32(bytes, 4, be);
  std::uint32_t at = first;
  qint64 link = 0;
  for (;;) {  // the last directory's link
    link = at + 2 + 12 * qint64(u16(bytes, at, be));
    const std::uint32_t next = u32(bytes, link, be);
    if (next == 0) break;
    at = next;
  }
  switch (how) {
    case Chain::BackToFirst:
      put32(bytes, link, first, be);
      break;
    case Chain::ToItself:
      put32(bytes, link, at, be);
      break;
    case Chain::PastEnd:
      put32(bytes, link, std::uint32_t(bytes.size() + 4096), be);
      break;
    case Chain::Unreadable:  // a count of 0xFFFF entries two bytes before the end
      bytes.append("\xFF\xFF", 2);
      bytes.append(QByteArray(8, '\x11'));
      put32(bytes, link, std::uint32_t(bytes.size() - 10), be);
      break;
  }
  return bytes;
}

QByteArray PaletteWithoutColourMap(int width, int height) {
  return written("w", [&](TIFF* tiff) {
    fields(tiff, width, height, 8, 1, PHOTOMETRIC_PALETTE, COMPRESSION_NONE);
    QByteArray row(width, '\0');
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) row[x] = char(x * 7 + y);
      TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0);
    }
  });
}

QByteArray TiledRgb(const QImage& picture, int tile, bool compressed) {
  const QImage image = picture.convertToFormat(QImage::Format_RGB888);
  return written("w", [&](TIFF* tiff) {
    fields(tiff, image.width(), image.height(), 8, 3, PHOTOMETRIC_RGB,
           compressed ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE, false);
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, tile);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, tile);
    QByteArray buffer(qsizetype(TIFFTileSize(tiff)), '\0');
    for (int ty = 0; ty < image.height(); ty += tile)
      for (int tx = 0; tx < image.width(); tx += tile) {
        buffer.fill('\0');
        for (int y = 0; y < tile && ty + y < image.height(); ++y) {
          const int n = std::min(tile, image.width() - tx);
          std::memcpy(buffer.data() + qsizetype(y) * tile * 3, image.constScanLine(ty + y) + tx * 3,
                      std::size_t(n) * 3);
        }
        TIFFWriteTile(tiff, buffer.data(), std::uint32_t(tx), std::uint32_t(ty), 0, 0);
      }
  });
}

QByteArray BigTiff(const QImage& picture) {
  return written("w8", [&](TIFF* tiff) { rgbStrip(tiff, picture, COMPRESSION_ADOBE_DEFLATE); });
}

QByteArray Group3WithoutEol(const QImage& picture, bool alignedRows) {
  QImage image = picture.convertToFormat(QImage::Format_Grayscale8)
                     .convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::MonoOnly);
  // Qt gives mono pixels 1 for black (its colour table is white, black), as
  // min-is-white fax rows hold them.
  return written("w", [&](TIFF* tiff) {
    fields(tiff, image.width(), image.height(), 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX3);
    TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, alignedRows ? GROUP3OPT_FILLBITS : 0);
    TIFFSetField(tiff, TIFFTAG_FAXMODE, FAXMODE_NOEOL | (alignedRows ? FAXMODE_BYTEALIGN : 0));
    scanlines(tiff, image);
  });
}

QByteArray SecondPageHuge(int side) {
  return written("w", [&](TIFF* tiff) {
    rgbStrip(tiff, gradient(16, 16, 3), COMPRESSION_LZW);
    endPage(tiff);
    fields(tiff, side, side, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    // 64 KB of noise: a file long enough for the size it claims to pass for
    // one that could hold it, far too short for Deflate to give those pixels.
    QByteArray noise(64 * 1024, '\0');
    std::uint32_t state = 1;
    for (char& c : noise) c = char((state = state * 1103515245u + 12345u) >> 24);
    const QByteArray stored = qCompress(noise).mid(4);
    TIFFWriteRawStrip(tiff, 0, const_cast<char*>(stored.constData()), stored.size());
    TIFFWriteDirectory(tiff);
  });
}

QImage LibtiffPixels(const QByteArray& tiff, int index) {
  QTemporaryFile file;
  if (!file.open() || file.write(tiff) != tiff.size() || !file.flush()) return {};
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  TIFF* t = TIFFOpen(file.fileName().toLocal8Bit().constData(), "r");
  if (!t) return {};
  QImage image;
  std::uint32_t width = 0, height = 0;
  if (TIFFSetDirectory(t, tdir_t(index)) && TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width) &&
      TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height)) {
    std::vector<std::uint32_t> raster(std::size_t(width) * height);
    if (TIFFReadRGBAImageOriented(t, width, height, raster.data(), ORIENTATION_TOPLEFT, 1)) {
      image = QImage(int(width), int(height), QImage::Format_RGB32);
      for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
          const std::uint32_t p = raster[y * width + x];  // premultiplied
          const int a = int(TIFFGetA(p));
          image.setPixel(int(x), int(y),
                         qRgb(int(TIFFGetR(p)) + 255 - a, int(TIFFGetG(p)) + 255 - a, int(TIFFGetB(p)) + 255 - a));
        }
    }
  }
  TIFFClose(t);
  return image;
}

std::vector<Named> HostileFiles() {
  const QByteArray three = Pages(3);
  const QImage picture = gradient(90, 70, 4);
  return {
      {QStringLiteral("p05-loop.tif"), BrokenChain(three, Chain::BackToFirst)},
      {QStringLiteral("p05-cut.tif"), three.left(three.size() * 4 / 5)},
      {QStringLiteral("p07-no-colormap.tif"), PaletteWithoutColourMap()},
      {QStringLiteral("p09-tiles16.tif"), TiledRgb(gradient(60, 50, 4), 16, false)},
      {QStringLiteral("p11-bigtiff.tif"), BigTiff(picture)},
      {QStringLiteral("p11-g3-no-eol.tif"), Group3WithoutEol(gradient(300, 200, 1), false)},
      {QStringLiteral("p11-g3-no-eol-aligned.tif"), Group3WithoutEol(gradient(300, 200, 1), true)},
      {QStringLiteral("p17-page2-huge.tif"), SecondPageHuge(16384)},
      {QStringLiteral("p18-1000-pages.tif"), Pages(1000)},
  };
}

}  // namespace tiffproducers
