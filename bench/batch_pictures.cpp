// Pictures for bench/batch.sh:
//   batch_pictures varied <file> <width> <height>   mostly unrelated colours
//   batch_pictures scan <file> <width> <height>     a scanned page
// The format follows the file's extension; JPEG at quality 90.
#include "varied_picture.h"

#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>

namespace {

// Warm paper with fibre noise, ruled lines in light blue, a margin line in
// red, and lines of pencil handwriting: soft grey strokes along each rule.
QImage scannedPage(int width, int height) {
  QImage page(width, height, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(page.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int n = int(random.bounded(9)) - 4;
      line[x] = qRgb(236 + n, 231 + n, 219 + n);
    }
  }
  QPainter p(&page);
  p.setRenderHint(QPainter::Antialiasing);
  const int rule = std::max(8, height / 32);
  p.setPen(QPen(QColor(160, 190, 225), std::max(1, width / 1600)));
  for (int y = rule * 2; y < height; y += rule) p.drawLine(0, y, width, y);
  p.setPen(QPen(QColor(220, 120, 120), std::max(1, width / 1000)));
  p.drawLine(width / 10, 0, width / 10, height);
  for (int y = rule * 2; y < height - rule; y += rule) {
    double x = width / 10.0 + rule * 0.5;
    const double end = width * (0.6 + 0.35 * random.generateDouble());
    while (x < end) {
      const int grey = 70 + int(random.bounded(60));
      p.setPen(QPen(QColor(grey, grey, grey + 5), std::max(1.0, rule / 14.0), Qt::SolidLine, Qt::RoundCap));
      QPainterPath stroke(QPointF(x, y - rule * 0.2));
      for (int k = 0; k < 4; ++k) {
        x += rule * (0.15 + 0.25 * random.generateDouble());
        stroke.quadTo(QPointF(x - rule * 0.1, y - rule * (0.9 * random.generateDouble())), QPointF(x, y - rule * 0.15));
      }
      p.drawPath(stroke);
      x += rule * (0.3 + 0.6 * random.generateDouble());
    }
  }
  return page;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 5) {
    std::fprintf(stderr, "uso: batch_pictures varied|scan ARCHIVO ANCHO ALTO\n");
    return 2;
  }
  const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
  const QImage picture = QByteArray(argv[1]) == "scan" ? scannedPage(width, height) : VariedPicture(width, height);
  QImageWriter writer(QString::fromLocal8Bit(argv[2]));
  writer.setQuality(90);
  if (!writer.write(picture)) {
    std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(writer.errorString()));
    return 1;
  }
  return 0;
}
