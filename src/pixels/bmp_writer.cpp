#include "pixels/bmp_writer.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace platform {

namespace {

void put16(QByteArray& b, int at, quint16 v) { qToLittleEndian(v, b.data() + at); }
void put32(QByteArray& b, int at, quint32 v) { qToLittleEndian(v, b.data() + at); }

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

}  // namespace platform
