#pragma once
// The picture the benchmarks work on.

#include "core/colors.h"
#include "core/pixel_rules.h"
#include "core/numbers.h"

#include <QImage>

#include <cstdint>

// Mostly unrelated colours, with pure black, pure white, greys and colours
// near the removal target sprinkled in, so that every rule takes every path.
inline QImage VariedPicture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      std::uint32_t h = static_cast<std::uint32_t>(x) * 2654435761u ^ static_cast<std::uint32_t>(y) * 2246822519u;
      h ^= h >> 15;
      h *= 2654435761u;
      const int g = (h >> 8) & 0xFF, d = static_cast<int>((h >> 16) % 41) - 20;
      platform::ColorValue c;
      switch (h % 16) {
        case 0:
          c = filters::Black;
          break;
        case 1:
          c = filters::White;
          break;
        case 2:
        case 3:
          c = platform::RGB(g, g, g);
          break;
        case 4:
          c = platform::RGB(128 + d, 128 - d / 2, 128 + d / 3);
          break;
        default:
          c = static_cast<platform::ColorValue>((h >> 4) & 0xFFFFFF);
      }
      line[x] = platform::ToQRgb(c);
    }
  }
  return image;
}
