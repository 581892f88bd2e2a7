#include "formats/widening.h"

#include <QColorSpace>

#include <cstring>

namespace platform {

namespace {

// Below this many pixels both forms fit easily.
constexpr qint64 WorthWideningPixels = qint64(1) << 21;

}  // namespace

WideningRoom::WideningRoom(const QSize& size, QImage::Format format) {
  if (format != QImage::Format_Indexed8 && format != QImage::Format_Grayscale8) return;
  if (size.isEmpty() || qint64(size.width()) * size.height() < WorthWideningPixels) return;
  const std::size_t width = std::size_t(size.width()), height = std::size_t(size.height());
  memory_ = AllocatePixels(width * height * 4);
  if (!memory_) return;
  const qsizetype narrowLine = qsizetype((width + 3) / 4 * 4);
  // Cleared as fresh memory is: what a file leaves uncovered is the palette's first colour.
  std::memset(memory_.get(), 0, std::size_t(narrowLine) * height);
  narrow_ = QImage(memory_.get(), size.width(), size.height(), narrowLine, format);
}

QImage WideningRoom::Widen(QImage decoded) {
  if (!memory_ || decoded.constBits() != memory_.get() ||
      (decoded.format() != QImage::Format_Indexed8 && decoded.format() != QImage::Format_Grayscale8))
    return decoded;
  // Grey, or a palette: one without colours is read as grey, indices past
  // its end as black, as Qt converts them.
  QRgb table[256];
  const QList<QRgb> colours = decoded.format() == QImage::Format_Indexed8 ? decoded.colorTable() : QList<QRgb>();
  for (int i = 0; i < 256; ++i)
    table[i] = colours.isEmpty()    ? qRgb(i, i, i)
               : i < colours.size() ? OverWhite(qPremultiply(colours[i]))
                                    : qRgb(0, 0, 0);
  const int width = decoded.width(), height = decoded.height();
  const qsizetype narrowLine = decoded.bytesPerLine();
  const uchar* narrow = decoded.constBits();
  auto* wide = reinterpret_cast<QRgb*>(memory_.get());
  // From the last pixel back, each 32-bit pixel lands at or after the 8-bit
  // one it comes from, so no pixel is overwritten before it is read.
  for (qint64 y = height - 1; y >= 0; --y)
    for (qint64 x = width - 1; x >= 0; --x) wide[y * width + x] = table[narrow[y * narrowLine + x]];
  QImage result = ImageOver(std::move(memory_), width, height, qsizetype(width) * 4, QImage::Format_RGB32);
  result.setDotsPerMeterX(decoded.dotsPerMeterX());
  result.setDotsPerMeterY(decoded.dotsPerMeterY());
  result.setColorSpace(decoded.colorSpace());
  for (const QString& key : decoded.textKeys()) result.setText(key, decoded.text(key));
  return result;
}

}  // namespace platform
