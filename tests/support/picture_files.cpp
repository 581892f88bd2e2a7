#include "support/picture_files.h"

#include "support/test_window.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

namespace imagefilestest {

QByteArray RedPixelGif(bool transparent) {
  // The screen with its palette (red, black); index 0 made transparent; one pixel of index 0.
  static const unsigned char screen[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0, 0, 0};
  static const unsigned char control[] = {0x21, 0xF9, 4, 1, 0, 0, 0, 0};
  static const unsigned char image[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3B};
  QByteArray gif(reinterpret_cast<const char*>(screen), sizeof screen);
  if (transparent) gif.append(reinterpret_cast<const char*>(control), sizeof control);
  return gif.append(reinterpret_cast<const char*>(image), sizeof image);
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage Gradient(int width, int height, int seed) {
  return testsupport::MakePicture(width, height, [seed](int x, int y) {
    return platform::ColorValue(((x * 37 + seed) % 256) | ((y * 11 + seed) % 256) << 8 | ((x ^ y) % 256) << 16);
  });
}

}  // namespace imagefilestest
