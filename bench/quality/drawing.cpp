#include "drawing.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace quality {
namespace {

// One stroke of a glyph, in x-heights: the baseline at y = 0, the x-height
// at y = -1, ascenders to -1.5, descenders to 0.5 (y grows downwards).
struct Piece {
  char kind;  // 'L' a segment (x1, y1) to (x2, y2); 'A' an arc of the ellipse in
              // the box (x, y, w, h) from angle a over span s (degrees, Qt's)
  float v[6];
};

struct Glyph {
  float width;
  std::vector<Piece> pieces;
};

const std::vector<Glyph>& Glyphs() {
  static const std::vector<Glyph> glyphs = {
      {.6f, {{'A', {0, -1, .6f, 1, 0, 360}}}},                                                                      // o
      {.6f, {{'A', {0, -1, .6f, 1, 0, 360}}, {'L', {.6f, -1, .6f, 0}}}},                                            // a
      {.6f, {{'A', {0, -1, .6f, 1, 0, 360}}, {'L', {0, -1.5f, 0, 0}}}},                                             // b
      {.55f, {{'A', {0, -1, .6f, 1, 45, 270}}}},                                                                    // c
      {.6f, {{'A', {0, -1, .6f, 1, 0, 360}}, {'L', {.6f, -1.5f, .6f, 0}}}},                                         // d
      {.6f, {{'A', {0, -1, .6f, 1, 0, 310}}, {'L', {0, -.5f, .6f, -.5f}}}},                                         // e
      {.45f, {{'L', {.2f, -1.5f, .2f, 0}}, {'L', {0, -1, .45f, -1}}, {'L', {.2f, -1.5f, .45f, -1.5f}}}},            // f
      {.6f, {{'A', {0, -1, .6f, 1, 0, 360}}, {'L', {.6f, -1, .6f, .25f}}, {'A', {0, 0, .6f, .5f, 0, -180}}}},       // g
      {.6f, {{'L', {0, -1.5f, 0, 0}}, {'A', {0, -1, .6f, .8f, 180, -180}}, {'L', {.6f, -.6f, .6f, 0}}}},            // h
      {.2f, {{'L', {.1f, -1, .1f, 0}}, {'L', {.1f, -1.38f, .1f, -1.3f}}}},                                          // i
      {.4f, {{'L', {.3f, -1, .3f, .25f}}, {'A', {-.1f, 0, .4f, .5f, 0, -180}}, {'L', {.3f, -1.38f, .3f, -1.3f}}}},  // j
      {.55f, {{'L', {0, -1.5f, 0, 0}}, {'L', {.5f, -1, 0, -.4f}}, {'L', {.15f, -.55f, .55f, 0}}}},                  // k
      {.2f, {{'L', {.1f, -1.5f, .1f, 0}}}},                                                                         // l
      {.9f,
       {{'L', {0, -1, 0, 0}},
        {'A', {0, -1, .45f, .8f, 180, -180}},
        {'L', {.45f, -.6f, .45f, 0}},
        {'A', {.45f, -1, .45f, .8f, 180, -180}},
        {'L', {.9f, -.6f, .9f, 0}}}},                                                                    // m
      {.6f, {{'L', {0, -1, 0, 0}}, {'A', {0, -1, .6f, .8f, 180, -180}}, {'L', {.6f, -.6f, .6f, 0}}}},    // n
      {.6f, {{'A', {0, -1, .6f, 1, 0, 360}}, {'L', {0, -1, 0, .5f}}}},                                   // p
      {.6f, {{'A', {0, -1, .6f, 1, 0, 360}}, {'L', {.6f, -1, .6f, .5f}}}},                               // q
      {.45f, {{'L', {0, -1, 0, 0}}, {'A', {0, -1, .7f, .8f, 180, -90}}}},                                // r
      {.55f, {{'A', {0, -1, .55f, .5f, 20, 250}}, {'A', {0, -.5f, .55f, .5f, 90, -250}}}},               // s
      {.45f, {{'L', {.2f, -1.3f, .2f, 0}}, {'L', {0, -1, .45f, -1}}}},                                   // t
      {.6f, {{'L', {.6f, -1, .6f, 0}}, {'A', {0, -.8f, .6f, .8f, 180, 180}}, {'L', {0, -1, 0, -.4f}}}},  // u
      {.6f, {{'L', {0, -1, .3f, 0}}, {'L', {.3f, 0, .6f, -1}}}},                                         // v
      {.8f,
       {{'L', {0, -1, .2f, 0}},
        {'L', {.2f, 0, .4f, -.7f}},
        {'L', {.4f, -.7f, .6f, 0}},
        {'L', {.6f, 0, .8f, -1}}}},                                                     // w
      {.6f, {{'L', {0, -1, .6f, 0}}, {'L', {.6f, -1, 0, 0}}}},                          // x
      {.6f, {{'L', {0, -1, .3f, 0}}, {'L', {.6f, -1, .15f, .5f}}}},                     // y
      {.6f, {{'L', {0, -1, .6f, -1}}, {'L', {.6f, -1, 0, 0}}, {'L', {0, 0, .6f, 0}}}},  // z
      {.8f, {{'L', {0, -1.5f, .8f, -1.5f}}, {'L', {.4f, -1.5f, .4f, 0}}}},              // T
      {.6f,
       {{'L', {0, -1.5f, 0, 0}},
        {'L', {0, -1.5f, .6f, -1.5f}},
        {'L', {0, -.75f, .5f, -.75f}},
        {'L', {0, 0, .6f, 0}}}},                                                                         // E
      {.7f, {{'L', {0, -1.5f, 0, 0}}, {'L', {.7f, -1.5f, .7f, 0}}, {'L', {0, -.75f, .7f, -.75f}}}},      // H
      {.8f, {{'L', {0, 0, .4f, -1.5f}}, {'L', {.4f, -1.5f, .8f, 0}}, {'L', {.17f, -.6f, .63f, -.6f}}}},  // A
  };
  return glyphs;
}
constexpr int Lowercase = 26;  // the first 26 glyphs; the rest are capitals

QPainterPath GlyphPath(const Glyph& glyph) {
  QPainterPath path;
  for (const Piece& p : glyph.pieces) {
    if (p.kind == 'L') {
      path.moveTo(p.v[0], p.v[1]);
      path.lineTo(p.v[2], p.v[3]);
    } else {
      const QRectF box(p.v[0], p.v[1], p.v[2], p.v[3]);
      path.arcMoveTo(box, p.v[4]);
      path.arcTo(box, p.v[4], p.v[5]);
    }
  }
  return path;
}

void Add(Drawing& drawing, const QPainterPath& path, double pen) {
  drawing.push_back({path, pen, path.boundingRect().adjusted(-pen, -pen, pen, pen)});
}

// A pseudo-word with its baseline starting at origin, x-height xh mm; its width.
double Word(Drawing& drawing, Chance& chance, QPointF origin, double xh, double pen, int letters) {
  const auto& glyphs = Glyphs();
  double x = origin.x();
  for (int i = 0; i < letters; ++i) {
    const bool capital = i == 0 && chance.Uniform() < 0.2;
    const Glyph& glyph =
        glyphs[capital ? chance.Whole(Lowercase, int(glyphs.size()) - 1) : chance.Whole(0, Lowercase - 1)];
    Add(drawing, QTransform(xh, 0, 0, xh, x, origin.y()).map(GlyphPath(glyph)), pen);
    x += (glyph.width + 0.35) * xh;
  }
  return x - origin.x() - 0.35 * xh;
}

// A line of words from left to at most right, filled to fill of its length.
void Line(Drawing& drawing, Chance& chance, double left, double right, double baseline, double xh, double pen,
          double fill = 1) {
  const double end = left + (right - left) * fill;
  double x = left;
  for (;;) {
    const int letters = chance.Whole(1, 8);
    if (x + letters * 0.95 * xh > end) break;
    x += Word(drawing, chance, {x, baseline}, xh, pen, letters) + 1.0 * xh;
  }
}

}  // namespace

Text LayOutText(QSizeF pageMm, Chance& chance) {
  Text text;
  const double w = pageMm.width(), h = pageMm.height();
  const double left = 0.12 * w, right = 0.92 * w, bottom = 0.93 * h;
  const int block = std::clamp(int(h / 40), 1, 8);  // body lines before the thin line and the pencil
  double y = 0.07 * h + 4.5;
  Line(text.ink, chance, left, right, y, 3.0, 0.6, 0.6);  // the heading
  y += 10;
  int line = 0;
  for (; y < bottom; ++line) {
    if (line == block) {
      Line(text.ink, chance, left, right, y, 2.0, 0.15);  // thin strokes
    } else if (line >= 2 * block + 1 && line < 2 * block + 4) {
      Line(text.faint, chance, left, right, y, 2.0, 0.3);  // pencil
    } else {
      const bool paragraphEnd = line % 9 == 8;
      Line(text.ink, chance, left, right, y, 2.0, 0.3, paragraphEnd ? chance.Uniform(0.4, 0.9) : 1);
      if (paragraphEnd) y += 3;
    }
    y += 5.2;
  }
  return text;
}

Drawing StampDrawing(QSizeF pageMm, Chance& chance) {
  Drawing stamp;
  const double radius = std::min(13.0, 0.22 * std::min(pageMm.width(), pageMm.height()));
  const QPointF centre(0.62 * pageMm.width(), 0.5 * pageMm.height());
  QPainterPath outer, inner;
  outer.addEllipse(centre, radius, radius);
  inner.addEllipse(centre, 0.8 * radius, 0.8 * radius);
  Add(stamp, outer, 0.08 * radius);
  Add(stamp, inner, 0.04 * radius);
  const double xh = 0.22 * radius;
  Drawing word;
  const double width = Word(word, chance, {0, 0}, xh, 0.04 * radius, 4);
  QTransform turn;
  turn.translate(centre.x(), centre.y());
  turn.rotate(chance.Uniform(-20, 20));
  turn.translate(-width / 2, 0.5 * xh);
  for (Stroke& s : word) Add(stamp, turn.map(s.path), s.pen);
  return stamp;
}

std::vector<std::uint8_t> Coverage(const Drawing& drawing, int w, int h, double dpi) {
  constexpr int Samples = 4, Band = 64;
  std::vector<std::uint8_t> coverage(std::size_t(w) * std::size_t(h), 0);
  const double scale = Samples * dpi / 25.4, mmPerPixel = 25.4 / dpi;
  QImage fine(w * Samples, Band * Samples, QImage::Format_Grayscale8);
  for (int top = 0; top < h; top += Band) {
    const int rows = std::min(Band, h - top);
    fine.fill(0);
    QPainter painter(&fine);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.translate(0, -top * Samples);
    painter.scale(scale, scale);
    const QRectF visible(0, top * mmPerPixel, w * mmPerPixel, rows * mmPerPixel);
    for (const Stroke& stroke : drawing) {
      if (!stroke.bounds.intersects(visible)) continue;
      painter.setPen(QPen(Qt::white, stroke.pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.drawPath(stroke.path);
    }
    painter.end();
    for (int y = 0; y < rows; ++y) {
      std::uint8_t* out = &coverage[std::size_t(top + y) * std::size_t(w)];
      for (int x = 0; x < w; ++x) {
        int count = 0;
        for (int sy = 0; sy < Samples; ++sy) {
          const uchar* line = fine.constScanLine(y * Samples + sy) + x * Samples;
          for (int sx = 0; sx < Samples; ++sx) count += line[sx] != 0;
        }
        out[x] = std::uint8_t((count * 255 + 8) / 16);
      }
    }
  }
  return coverage;
}

}  // namespace quality
