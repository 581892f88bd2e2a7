#pragma once
// Encodes pictures into files whose every byte follows from the pixels. Qt's
// own writers leave the padding at the end of rows as whatever memory held:
// its BMP writer that of its row buffer, its TIFF writer the bits after the
// last pixel of a 1-bit row. BMP is written here; a 1-bit TIFF has those
// bits cleared after Qt wrote it.

#include <QImage>

class QIODevice;

namespace platform {

// A 1-bit or 8-bit picture with its palette, any other one as 24 bits a pixel
// (alpha dropped). False when the device does not take every byte.
bool WriteBmp(const QImage& picture, QIODevice& device);

// The picture in the format named ("bmp", "png", "tif", "jpg" at quality 90).
// False when it cannot be encoded or the device does not take every byte.
bool EncodePicture(const QImage& picture, const char* format, QIODevice& device);

}  // namespace platform
