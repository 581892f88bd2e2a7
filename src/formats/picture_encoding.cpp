#include "formats/picture_encoding.h"

#include <QBuffer>
#include <QIODevice>
#include <QImageWriter>
#include <QtEndian>

namespace platform {

namespace {

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

bool EncodePicture(const QImage& picture, const char* format, QIODevice& device, int jpegQuality) {
  const bool monoTiff = qstrcmp(format, "tif") == 0 && picture.depth() == 1;
  QByteArray tiff;
  QBuffer buffer(&tiff);
  if (monoTiff) buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(monoTiff ? static_cast<QIODevice*>(&buffer) : &device, format);
  if (qstrcmp(format, "jpg") == 0) writer.setQuality(jpegQuality);
  if (!writer.write(picture)) return false;
  if (!monoTiff) return true;
  clearRowEnds(tiff, picture.width());
  return device.write(tiff) == tiff.size();
}

}  // namespace platform
