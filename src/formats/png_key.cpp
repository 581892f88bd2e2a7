#include "formats/png_key.h"

#include <QtEndian>

namespace platform {

QByteArray TakeTransparentColour(const QByteArray& png, TransparentColour& colour) {
  colour = {};
  const auto u32 = [&](qsizetype at) { return qFromBigEndian<quint32>(png.constData() + at); };
  const auto u16 = [&](qsizetype at) { return qFromBigEndian<quint16>(png.constData() + at); };
  if (png.size() < 33 || png[24] != 16 || png[25] != 2) return png;  // IHDR: bit depth, colour type
  for (qsizetype at = 8; at + 12 <= png.size();) {
    const qsizetype length = u32(at), next = at + 12 + length;
    if (next > png.size()) break;
    if (u32(at + 4) == 0x74524E53 && length == 6) {  // "tRNS"
      colour = {true, u16(at + 8), u16(at + 10), u16(at + 12)};
      return png.left(at) + png.mid(next);
    }
    at = next;
  }
  return png;
}

void WhitenTransparentColour(QImage& picture, const TransparentColour& colour) {
  if (!colour.present) return;
  picture.convertTo(QImage::Format_RGBX64);
  const QRgba64 white = QRgba64::fromRgba64(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF);
  for (int y = 0; y < picture.height(); ++y) {
    auto* line = reinterpret_cast<QRgba64*>(picture.scanLine(y));
    for (int x = 0; x < picture.width(); ++x)
      if (line[x].red() == colour.red && line[x].green() == colour.green && line[x].blue() == colour.blue)
        line[x] = white;
  }
}

}  // namespace platform
