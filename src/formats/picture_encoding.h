#pragma once
// Encodes pictures into files whose every byte follows from the pixels. Qt's
// BMP writer copies each row of a 1-bit or 8-bit picture whole, the padding
// at its end included (CompactForm clears it); its TIFF writer copies a 1-bit
// picture into memory it does not clear and writes the bits after each row's
// last pixel from there, so a black-and-white picture is written by libtiff
// here, those bits 0.

#include <QImage>

class QIODevice;

namespace platform {

// The picture in the format named ("bmp", "png", "tif", "jpg" at jpegQuality,
// 1 to 100). False when it cannot be encoded or the device does not take
// every byte.
bool EncodePicture(const QImage& picture, const char* format, QIODevice& device, int jpegQuality = 90);

}  // namespace platform
