#pragma once
// Small picture files written for the tests, in a temporary folder.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace imagefilestest {

// Encodes picture as "bmp" or "jpg" (quality 100).
QByteArray Encode(const QImage& picture, const char* format);
// A 1 x 1 GIF whose only pixel is pure red.
QByteArray RedPixelGif();
// Writes bytes to path, creating nothing else; false when it could not.
bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);
// A picture whose every pixel differs from its neighbours.
QImage Gradient(int width, int height, int seed = 0);

}  // namespace imagefilestest
