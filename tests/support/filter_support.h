#pragma once
// Pictures and expected results for the filter tests.

#include "core/colors.h"
#include "core/pixel_rules.h"
#include "core/numbers.h"
#include "support/test_window.h"

#include <QImage>

#include <functional>
#include <string>

namespace filtertest {

using platform::ColorValue;
using platform::RGB;

// Every column holds, from the top, in turn: pure black, a dark grey, pure
// white, a grey just outside the default greyness tolerance (mean 100, red and
// blue 21 away), and a colour that changes with the position. Each filter with
// its start-up settings changes pixels in every column.
inline ColorValue Mixed(int x, int y) {
  switch (y % 5) {
    case 0:
      return filters::Black;
    case 1:
      return RGB(10 + x % 7, 10, 12);
    case 2:
      return filters::White;
    case 3:
      return RGB(121, 100, 79);
    default: {
      const unsigned h = (static_cast<unsigned>(x) * 2654435761u) ^ (static_cast<unsigned>(y) * 40503u);
      return static_cast<ColorValue>((h >> 5) & 0xFFFFFF);
    }
  }
}

inline QImage MixedPicture(int width, int height) { return testsupport::MakePicture(width, height, Mixed); }

// The first pixel where a and b differ, or empty, readable in a failure message.
inline std::string Difference(const QImage& a, const QImage& b) {
  return testsupport::FirstDifference(a, b).toStdString();
}

// image with rule applied to the columns first to last.
template <class Rule>
QImage WithColumns(QImage image, int first, int last, const Rule& rule) {
  image = image.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = first; x <= last && x < image.width(); ++x)
      image.setPixel(x, y, platform::ToQRgb(rule(platform::FromQRgb(image.pixel(x, y)))));
  return image;
}

template <class Rule>
QImage WithRule(const QImage& image, const Rule& rule) {
  return WithColumns(image, 0, image.width() - 1, rule);
}

}  // namespace filtertest
