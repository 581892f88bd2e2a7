#pragma once
// What the page maker draws, in millimetres on the page, and its coverage of
// each pixel: the text, the pencil lines, the stamp and the back page.

#include "random.h"

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

#include <cstdint>
#include <vector>

namespace quality {

struct Stroke {
  QPainterPath path;  // millimetres
  double pen = 0.3;   // width, millimetres
  QRectF bounds;      // the path's, widened by the pen
};
using Drawing = std::vector<Stroke>;

struct Text {
  Drawing ink;    // the heading, the body, the line of thin strokes
  Drawing faint;  // the lines left for pencil
};

// Pseudo-words in lines over a page of the size given.
Text LayOutText(QSizeF pageMm, Chance& chance);

// A ring and letters, slightly turned, over the body text.
Drawing StampDrawing(QSizeF pageMm, Chance& chance);

// How much of each pixel of a w x h picture at dpi the drawing covers,
// 0 (none) to 255 (all) in steps of 1/16: 4 x 4 samples a pixel, without
// antialiasing. Drawn in bands, so that 600 dpi needs no giant picture.
std::vector<std::uint8_t> Coverage(const Drawing& drawing, int w, int h, double dpi);

}  // namespace quality
