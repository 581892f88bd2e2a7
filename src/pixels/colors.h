#pragma once
// Colour conversions between the runtime's &H00BBGGRR values and Qt's colours.

#include "pixels/vb.h"

#include <QColor>
#include <QRgb>

namespace platform {

// Swaps red and blue: 0xAARRGGBB <-> 0x00BBGGRR (alpha dropped).
constexpr ColorValue FromQRgb(QRgb p) {
  return static_cast<ColorValue>(((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu));
}
constexpr QRgb ToQRgb(ColorValue c) {
  const auto u = static_cast<std::uint32_t>(c);
  return 0xFF000000u | ((u & 0xFFu) << 16) | (u & 0xFF00u) | ((u >> 16) & 0xFFu);
}

// The system colours &H800000nn&; other values are plain colours.
constexpr ColorValue SystemWindowBackground = static_cast<ColorValue>(0x80000005u);
constexpr ColorValue SystemWindowText = static_cast<ColorValue>(0x80000008u);
QColor ToQColor(ColorValue c);

// The relative luminance of a plain colour, from 0 (black) to 1 (white): the
// sRGB channels made linear and weighted 0.2126 red, 0.7152 green, 0.0722 blue.
double RelativeLuminance(ColorValue c);

// Whether text on the background c is easier to read in white than in black.
// The contrast ratio of two colours is (L1 + 0.05) / (L2 + 0.05), the lighter
// over the darker; white wins below the luminance where both ratios are equal,
// sqrt(1.05 * 0.05) - 0.05 = 0.1791. System colours are never dark: they keep
// the text colour the platform gives them.
bool IsDarkBackground(ColorValue c);

}  // namespace platform
