#pragma once
// Writes BMP files whose every byte follows from the pixels: the padding at
// the end of each row is zero, which Qt's own BMP writer leaves as whatever
// its row buffer held.

#include <QImage>

class QIODevice;

namespace platform {

// A 1-bit or 8-bit picture with its palette, any other one as 24 bits a pixel
// (alpha dropped). False when the device does not take every byte.
bool WriteBmp(const QImage& picture, QIODevice& device);

}  // namespace platform
