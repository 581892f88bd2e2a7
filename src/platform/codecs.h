#pragma once
// Picture files: decoding BMP, GIF and JPEG into one 32-bit format, writing BMP.

#include <QImage>
#include <QString>

namespace platform {

// The largest picture accepted, in pixels (1 GB at 4 bytes a pixel).
constexpr qint64 MaxPicturePixels = qint64(1) << 28;

// Raises the decoder's allocation limit so that very large scans load.
void InitCodecs();

// Decodes a picture file into Format_RGB32, transparent pixels flattened onto
// white. Fails with a description in Spanish; a header that claims more than
// MaxPicturePixels is refused before anything is decoded.
QImage LoadPicture(const QString& path);
QImage LoadPictureFromData(const QByteArray& data);

// Writes a 24-bit BMP file through a temporary file renamed over the target,
// so that a failed write never damages a file that was there.
void SavePicture(const QImage& picture, const QString& path);

}  // namespace platform
