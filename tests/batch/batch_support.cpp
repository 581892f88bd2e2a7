#include "batch_support.h"

#include "support/hostile_files.h"

#include "core/colors.h"
#include "support/test_window.h"

#include <QProcess>
#include <QtEndian>

#include <cstdlib>

namespace batchtest {

Outcome RunLote(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(TINTABORRA_LOTE), arguments);
  Outcome o;
  if (!process.waitForFinished(120000)) return o;
  o.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  o.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  o.err = QString::fromLocal8Bit(process.readAllStandardError());
  return o;
}

QImage RandomColours(int width, int height, unsigned seed) {
  return testsupport::MakePicture(width, height, [seed](int x, int y) {
    unsigned h = (unsigned(x) * 2654435761u) ^ (unsigned(y) * 2246822519u) ^ (seed * 3266489917u);
    h ^= h >> 15;
    h *= 2654435761u;
    switch (h % 8) {
      case 0:
        return platform::ColorValue(0);
      case 1:
        return platform::ColorValue(0xFFFFFF);
      case 2:
        return platform::RGB(200 + int(h >> 8) % 49 - 24, 30, 30 + int(h >> 16) % 20);  // near the stamp red
      case 3: {
        const int g = int(h >> 8) % 256;
        return platform::RGB(g, g + int(h >> 20) % 5, g);  // greys, some just off grey
      }
      default:
        return platform::ColorValue((h >> 4) & 0xFFFFFF);
    }
  });
}

QImage ScanPage(int width, int height) {
  return testsupport::MakePicture(width, height, [=](int x, int y) {
    const unsigned noise = (unsigned(x) * 374761393u + unsigned(y) * 668265263u) >> 27;  // 0..31
    if (y % 24 == 0) return platform::RGB(150 + noise, 180 + noise, 230);                // ruled line
    if ((x - 2 * y + 7 * height) % 37 < 2 && y % 50 < 30) return platform::RGB(90 + noise, 90 + noise, 95 + noise);
    if (x > width / 2 && x < width / 2 + 20 && y > height / 2 && y < height / 2 + 15) return platform::RGB(200, 30, 30);
    return platform::RGB(232 - int(noise % 8), 228 - int(noise % 8), 216 - int(noise % 8));  // paper
  });
}

QImage BlackAndWhite(int width, int height) {
  return testsupport::MakePicture(
      width, height, [](int x, int y) { return (x * 7 + y * 3) % 5 < 2 ? 0 : platform::ColorValue(0xFFFFFF); });
}

namespace {

QByteArray pngChunk(const char* type, const QByteArray& data) {
  const QByteArray body = QByteArray(type) + data;
  char length[4], crc[4];
  qToBigEndian(quint32(data.size()), length);
  qToBigEndian(hostile::Crc32(body), crc);
  return QByteArray(length, 4) + body + QByteArray(crc, 4);
}

}  // namespace

QByteArray PngHeaderOnly(quint32 width, quint32 height) {
  char fields[13] = {};
  qToBigEndian(width, fields);
  qToBigEndian(height, fields + 4);
  fields[8] = 8;  // bit depth
  fields[9] = 2;  // RGB
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", QByteArray(fields, 13)) +
         pngChunk("IDAT", QByteArray(16, '\0')) + pngChunk("IEND", {});
}

}  // namespace batchtest
