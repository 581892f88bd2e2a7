#include "pixels/picture_encoding.h"

#include <QBuffer>
#include <QImageWriter>

#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace platform {

namespace {

void put16(QByteArray& b, int at, quint16 v) { qToLittleEndian(v, b.data() + at); }
void put32(QByteArray& b, int at, quint32 v) { qToLittleEndian(v, b.data() + at); }

// Clears the bits after each row's last pixel in the strips of an
// uncompressed 1-bit TIFF of the given width, as libtiff lays it out.
void clearRowEnds(QByteArray& tiff, int width) {
  if (width % 8 == 0 || tiff.size() < 8) return;
  const bool be = tiff[0] == 'M';
  const auto at = [&](qint64 offset, int bytes) -> quint32 {
    if (offset < 0 || offset + bytes > tiff.size()) return 0;
    const auto* p = reinterpret_cast<const uchar*>(tiff.constData() + offset);
    if (bytes == 2) return be ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
    return be ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
  };
  const qint64 directory = at(4, 4), entries = at(directory, 2);
  qint64 offsets = 0, counts = 0, strips = 0, compression = 1;
  int offsetBytes = 4, countBytes = 4;
  for (qint64 i = 0; i < entries; ++i) {
    const qint64 entry = directory + 2 + 12 * i;
    const quint32 tag = at(entry, 2), size = at(entry + 2, 2) == 3 ? 2 : 4, n = at(entry + 4, 4);
    const qint64 values = qint64(n) * size <= 4 ? entry + 8 : at(entry + 8, 4);
    if (tag == 259) compression = at(entry + 8, size);
    if (tag == 273) offsets = values, offsetBytes = int(size), strips = n;
    if (tag == 279) counts = values, countBytes = int(size);
  }
  if (compression != 1) return;
  const qint64 rowBytes = (width + 7) / 8;
  const uchar mask = uchar(0xFF00 >> (width % 8));
  for (qint64 s = 0; s < strips; ++s) {
    const qint64 start = at(offsets + s * offsetBytes, offsetBytes), bytes = at(counts + s * countBytes, countBytes);
    for (qint64 end = start + rowBytes; end <= start + bytes && end <= tiff.size(); end += rowBytes)
      tiff[end - 1] = char(uchar(tiff[end - 1]) & mask);
  }
}

}  // namespace

bool WriteBmp(const QImage& picture, QIODevice& device) {
  QImage image = picture;
  if (image.format() == QImage::Format_MonoLSB) image = image.convertToFormat(QImage::Format_Mono);
  const bool paletted = image.format() == QImage::Format_Mono || image.format() == QImage::Format_Indexed8;
  if (!paletted && image.format() != QImage::Format_RGB32)
    image = image.convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return false;
  const int width = image.width(), height = image.height(), bits = paletted ? image.depth() : 24;
  const int colours = paletted ? int(image.colorCount()) : 0;
  const qint64 rowBytes = (qint64(width) * bits + 31) / 32 * 4, headerBytes = 14 + 40 + 4 * qint64(colours);
  const qint64 fileBytes = headerBytes + rowBytes * height;

  QByteArray header(headerBytes, '\0');
  header[0] = 'B', header[1] = 'M';
  put32(header, 2, quint32(fileBytes));
  put32(header, 10, quint32(headerBytes));
  put32(header, 14, 40);
  put32(header, 18, quint32(width));
  put32(header, 22, quint32(height));
  put16(header, 26, 1);
  put16(header, 28, quint16(bits));
  put32(header, 34, quint32(rowBytes * height));
  put32(header, 38, quint32(image.dotsPerMeterX()));
  put32(header, 42, quint32(image.dotsPerMeterY()));
  put32(header, 46, quint32(colours));
  put32(header, 50, quint32(colours));
  for (int i = 0; i < colours; ++i) {
    const QRgb c = image.color(i);
    header[54 + 4 * i] = char(qBlue(c)), header[55 + 4 * i] = char(qGreen(c)), header[56 + 4 * i] = char(qRed(c));
  }
  if (device.write(header) != header.size()) return false;

  QByteArray row(rowBytes, '\0');  // what no pixel covers stays zero
  const qint64 pixelBytes = (qint64(width) * bits + 7) / 8;
  for (int y = height - 1; y >= 0; --y) {  // bottom-up
    const uchar* line = image.constScanLine(y);
    if (paletted) {
      std::memcpy(row.data(), line, size_t(pixelBytes));
      if (bits == 1 && width % 8) row[pixelBytes - 1] = char(uchar(row[pixelBytes - 1]) & (0xFF00 >> (width % 8)));
    } else {
      const auto* pixels = reinterpret_cast<const QRgb*>(line);
      char* out = row.data();
      for (int x = 0; x < width; ++x) {
        *out++ = char(qBlue(pixels[x]));
        *out++ = char(qGreen(pixels[x]));
        *out++ = char(qRed(pixels[x]));
      }
    }
    if (device.write(row) != row.size()) return false;
  }
  return true;
}

bool EncodePicture(const QImage& picture, const char* format, QIODevice& device) {
  if (qstrcmp(format, "bmp") == 0) return WriteBmp(picture, device);
  const bool monoTiff = qstrcmp(format, "tif") == 0 && picture.depth() == 1;
  QByteArray tiff;
  QBuffer buffer(&tiff);
  if (monoTiff) buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(monoTiff ? static_cast<QIODevice*>(&buffer) : &device, format);
  if (qstrcmp(format, "jpg") == 0) writer.setQuality(90);
  if (!writer.write(picture)) return false;
  if (!monoTiff) return true;
  clearRowEnds(tiff, picture.width());
  return device.write(tiff) == tiff.size();
}

}  // namespace platform
