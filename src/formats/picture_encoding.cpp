#include "formats/picture_encoding.h"

#include "formats/resolution.h"
#include "formats/tiff_device.h"

#include <QIODevice>
#include <QImageWriter>

#include <cstring>
#include <vector>

namespace platform {

namespace {

// A 1-bit picture whose two colours are pure black and pure white, as a TIFF
// of those bits uncompressed, as Qt's writer lays it out, every bit after a
// row's last pixel 0; false when the picture has other colours.
bool monoTiff(const QImage& picture, QIODevice& device, bool& written) {
  const QList<QRgb> table = picture.colorTable();
  const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
  if (picture.format() != QImage::Format_Mono || table.size() != 2 || !(table[0] == black || table[0] == white) ||
      table[1] != (table[0] == black ? white : black))
    return false;
  TiffOnDevice tiff;
  written = false;
  if (!tiff.open(device, "w")) return true;
  TIFF* t = tiff.get();
  const int width = picture.width(), height = picture.height();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, std::uint32_t(width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, std::uint32_t(height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, table[0] == black ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
  if (picture.dotsPerMeterX() > 0 && picture.dotsPerMeterY() > 0) {
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, float(picture.dotsPerMeterX() * MetresPerInch));
    TIFFSetField(t, TIFFTAG_YRESOLUTION, float(picture.dotsPerMeterY() * MetresPerInch));
  }
  const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
  const auto last = static_cast<unsigned char>(0xFF00 >> ((width - 1) % 8 + 1));
  std::vector<unsigned char> row(rowBytes);
  for (int y = 0; y < height; ++y) {
    std::memcpy(row.data(), picture.constScanLine(y), rowBytes);
    row[rowBytes - 1] &= last;
    if (TIFFWriteScanline(t, row.data(), std::uint32_t(y), 0) != 1) return true;
  }
  written = tiff.closeTiff();
  return true;
}

}  // namespace

bool EncodePicture(const QImage& picture, const char* format, QIODevice& device, int jpegQuality) {
  bool written = false;
  if (qstrcmp(format, "tif") == 0 && monoTiff(picture, device, written)) return written;
  QImageWriter writer(&device, format);
  if (qstrcmp(format, "jpg") == 0) writer.setQuality(jpegQuality);
  return writer.write(picture);
}

}  // namespace platform
