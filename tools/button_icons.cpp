#include "button_icons.h"

#include <QPainterPath>

#include <cmath>

namespace {

// Maps a drawing made on a 100x100 grid into the box.
void toBox(QPainter& p, const QRectF& box) {
  p.translate(box.topLeft());
  p.scale(box.width() / 100.0, box.height() / 100.0);
}

QPolygonF octagon(QPointF c, qreal r) {
  QPolygonF poly;
  for (int i = 0; i < 8; ++i) {
    const qreal a = (22.5 + 45.0 * i) * M_PI / 180.0;
    poly << c + QPointF(r * std::cos(a), r * std::sin(a));
  }
  return poly;
}

void sparkle(QPainter& p, QPointF c, qreal r) {
  QPainterPath s;
  s.moveTo(c + QPointF(0, -r));
  s.quadTo(c, c + QPointF(r, 0));
  s.quadTo(c, c + QPointF(0, r));
  s.quadTo(c, c + QPointF(-r, 0));
  s.quadTo(c, c + QPointF(0, -r));
  p.setPen(QPen(QColor(170, 120, 0), 1.5));
  p.setBrush(QColor(255, 214, 40));
  p.drawPath(s);
}

}  // namespace

void exitIcon(QPainter& p, const QRectF& box) {
  toBox(p, box);
  p.setPen(QPen(QColor(70, 50, 30), 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(QColor(25, 25, 35));
  p.drawRect(QRectF(6, 10, 42, 80));

  const QPolygonF door{{8, 12}, {32, 3}, {32, 97}, {8, 88}};
  p.setPen(QPen(QColor(70, 40, 15), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(176, 110, 52));
  p.drawPolygon(door);
  p.setBrush(QColor(240, 200, 60));
  p.drawEllipse(QPointF(26, 52), 4, 4);

  QPainterPath arrow;
  arrow.moveTo(40, 41);
  arrow.lineTo(68, 41);
  arrow.lineTo(68, 24);
  arrow.lineTo(96, 50);
  arrow.lineTo(68, 76);
  arrow.lineTo(68, 59);
  arrow.lineTo(40, 59);
  arrow.closeSubpath();
  p.setPen(QPen(QColor(255, 255, 255), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(210, 30, 30));
  p.drawPath(arrow);
}

void folderIcon(QPainter& p, const QRectF& box) {
  toBox(p, box);
  const QPen edge(QColor(130, 90, 10), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(edge);
  p.setBrush(QColor(222, 170, 40));
  p.drawPolygon(QPolygonF{{4, 22}, {34, 22}, {42, 30}, {86, 30}, {86, 92}, {4, 92}});

  p.save();
  p.translate(50, 46);
  p.rotate(-10);
  const QRectF photo(-32, -34, 64, 48);
  p.setPen(QPen(QColor(90, 90, 90), 1.5));
  p.setBrush(Qt::white);
  p.drawRect(photo);
  const QRectF sky = photo.adjusted(4, 4, -4, -4);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(120, 180, 240));
  p.drawRect(sky);
  p.setBrush(QColor(60, 160, 60));
  QPainterPath hill;
  hill.moveTo(sky.bottomLeft());
  hill.quadTo(sky.left() + 20, sky.top() + 14, sky.right(), sky.bottom() - 10);
  hill.lineTo(sky.bottomRight());
  hill.closeSubpath();
  p.drawPath(hill);
  p.setBrush(QColor(255, 215, 0));
  p.drawEllipse(QPointF(sky.right() - 10, sky.top() + 10), 6, 6);
  p.restore();

  p.setPen(edge);
  p.setBrush(QColor(250, 206, 80));
  p.drawPolygon(QPolygonF{{18, 50}, {98, 50}, {86, 92}, {4, 92}});
}

void floppyIcon(QPainter& p, const QRectF& box) {
  toBox(p, box);
  p.setPen(QPen(QColor(15, 25, 70), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(40, 80, 170));
  p.drawPolygon(QPolygonF{{6, 6}, {82, 6}, {94, 18}, {94, 94}, {6, 94}});

  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 205, 212));
  p.drawRect(QRectF(24, 6, 50, 30));
  p.setBrush(QColor(40, 80, 170));
  p.drawRect(QRectF(56, 11, 11, 20));

  p.setPen(QPen(QColor(150, 150, 150), 1.5));
  p.setBrush(QColor(250, 250, 250));
  p.drawRect(QRectF(16, 50, 68, 40));
  p.setPen(QPen(QColor(180, 60, 60), 2));
  for (int y : {60, 70, 80}) p.drawLine(QPointF(22, y), QPointF(78, y));
}

void stopIcon(QPainter& p, const QRectF& box) {
  toBox(p, box);
  p.setPen(QPen(QColor(110, 0, 0), 3));
  p.setBrush(QColor(200, 20, 20));
  p.drawPolygon(octagon({50, 50}, 48));
  p.setPen(QPen(Qt::white, 5));
  p.setBrush(Qt::NoBrush);
  p.drawPolygon(octagon({50, 50}, 40));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(22, 41, 56, 18), 3, 3);
}

void clipboardIcon(QPainter& p, const QRectF& box) {
  toBox(p, box);
  p.setPen(QPen(QColor(90, 55, 20), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(186, 128, 64));
  p.drawRoundedRect(QRectF(10, 10, 80, 88), 8, 8);

  auto sheet = [&p](QRectF r) {
    p.setPen(QPen(QColor(110, 110, 110), 2));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(90, 110, 170), 2.5));
    for (qreal y = r.top() + 12; y < r.bottom() - 6; y += 10)
      p.drawLine(QPointF(r.left() + 7, y), QPointF(r.right() - 7, y));
  };
  sheet(QRectF(20, 22, 48, 60));
  sheet(QRectF(32, 32, 48, 60));

  p.setPen(QPen(QColor(70, 70, 80), 2.5));
  p.setBrush(QColor(190, 195, 205));
  p.drawRoundedRect(QRectF(32, 2, 36, 16), 4, 4);
}

void greyToBlackWhiteIcon(QPainter& p, const QRectF& box) {
  toBox(p, box);
  const QRectF left(6, 6, 44, 88), right(50, 6, 44, 88);
  QLinearGradient g(0, 6, 0, 94);
  g.setColorAt(0, QColor(250, 250, 250));
  g.setColorAt(1, QColor(20, 20, 20));
  p.fillRect(left, g);
  p.fillRect(QRectF(50, 6, 44, 44), Qt::white);
  p.fillRect(QRectF(50, 50, 44, 44), Qt::black);
  p.setPen(QPen(QColor(40, 40, 40), 3));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(6, 6, 88, 88));
  p.drawLine(QPointF(50, 6), QPointF(50, 94));
}

void whitenIcon(QPainter& p, const QRectF& box) {
  toBox(p, box);
  p.fillRect(QRectF(6, 6, 88, 88), QColor(196, 178, 140));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(150, 150, 150));
  p.drawEllipse(QRectF(12, 60, 26, 20));
  p.setBrush(QColor(110, 160, 220));
  p.drawEllipse(QRectF(20, 14, 22, 16));
  p.fillRect(QRectF(50, 6, 44, 88), Qt::white);

  p.setPen(QPen(Qt::black, 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPainterPath squiggle;
  squiggle.moveTo(14, 44);
  squiggle.cubicTo(34, 20, 56, 76, 86, 36);
  p.drawPath(squiggle);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawEllipse(QPointF(70, 74), 11, 11);

  p.setPen(QPen(QColor(40, 40, 40), 3));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(6, 6, 88, 88));
  sparkle(p, {50, 16}, 16);
  sparkle(p, {88, 58}, 9);
}
