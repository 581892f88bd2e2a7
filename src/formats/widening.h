#pragma once
// An 8-bit picture (a palette or grey) decoded straight into the memory its
// 32-bit form will take, then widened there from its last pixel back: the two
// forms never take memory at once, which for the largest pictures is a
// quarter of a gigabyte saved.

#include "core/large_pages.h"

#include <QImage>

namespace platform {

// A premultiplied colour painted over white.
inline QRgb OverWhite(QRgb premultiplied) {
  const int clear = 255 - qAlpha(premultiplied);
  return qRgb(qRed(premultiplied) + clear, qGreen(premultiplied) + clear, qBlue(premultiplied) + clear);
}

class WideningRoom {
 public:
  // Room for a picture of size in Format_RGB32 when format is Indexed8 or
  // Grayscale8 and the picture is big enough to matter; otherwise none.
  WideningRoom(const QSize& size, QImage::Format format);

  // For the decoder to fill, held by it alone: the 8-bit picture over the
  // room, every byte zero. A null image when there is no room.
  QImage TakeNarrow() { return std::move(narrow_); }

  // The decoded picture in Format_RGB32, transparent palette colours painted
  // over white, widened in the room when the decoder filled the room's
  // picture; decoded as the decoder left it (to be converted by the caller)
  // when it made its own.
  QImage Widen(QImage decoded);

 private:
  PixelMemory memory_;
  QImage narrow_;
};

}  // namespace platform
