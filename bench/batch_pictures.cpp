// Pictures for bench/batch.sh:
//   batch_pictures varied <file> <width> <height>   mostly unrelated colours
//   batch_pictures scan <file> <width> <height>     a scanned page
//   batch_pictures text <file> <width> <height>     a scanned typed letter
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

// Slightly grey paper with fibre noise, lines of dark typed words (each
// word a row of letter-sized blots, their edges soft as a scanner sees
// them), and a round stamp in blue ink.
QImage typedPage(int width, int height) {
  QImage page(width, height, QImage::Format_RGB32);
  QRandomGenerator random(11);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(page.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int n = int(random.bounded(11)) - 5;
      line[x] = qRgb(228 + n, 227 + n, 222 + n);
    }
  }
  QPainter p(&page);
  p.setRenderHint(QPainter::Antialiasing);
  const double em = height / 120.0;  // a 12-point line at A4
  p.setPen(Qt::NoPen);
  for (double y = height * 0.1; y < height * 0.85; y += em * 1.6) {
    double x = width * 0.12;
    const double end = width * (0.7 + 0.18 * random.generateDouble());
    while (x < end) {
      const int letters = 2 + int(random.bounded(8));
      for (int k = 0; k < letters; ++k) {
        const int ink = 25 + int(random.bounded(35));
        p.setBrush(QColor(ink, ink, ink + 3));
        const bool tall = random.bounded(4) == 0;
        p.drawRoundedRect(QRectF(x, y - (tall ? em : em * 0.65), em * 0.45, tall ? em : em * 0.65), em * 0.1, em * 0.1);
        x += em * 0.55;
      }
      x += em * 0.5;
    }
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(40, 70, 170, 200), em * 0.35));
  const QPointF centre(width * 0.7, height * 0.82);
  p.drawEllipse(centre, em * 6, em * 6);
  p.drawEllipse(centre, em * 4.5, em * 4.5);
  return page;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 5) {
    std::fprintf(stderr, "uso: batch_pictures varied|scan|text ARCHIVO ANCHO ALTO\n");
    return 2;
  }
  const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
  const QByteArray kind(argv[1]);
  const QImage picture = kind == "scan"   ? scannedPage(width, height)
                         : kind == "text" ? typedPage(width, height)
                                          : VariedPicture(width, height);
  QImageWriter writer(QString::fromLocal8Bit(argv[2]));
  writer.setQuality(90);
  if (!writer.write(picture)) {
    std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(writer.errorString()));
    return 1;
  }
  return 0;
}
