#pragma once
// The runtime's colours, &H00BBGGRR with red in the low byte: the named ones,
// the two ways a colour is split into channels, and the conversions to and
// from Qt's colours.

#include "core/numbers.h"

#include <QColor>
#include <QRgb>

namespace platform {

inline constexpr ColorValue Black = 0;
inline constexpr ColorValue White = 0xFFFFFF;
inline constexpr ColorValue Blue = 0xFF0000;
// What Point reads outside the picture.
inline constexpr ColorValue OutsidePicture = -1;

struct Channels {
  std::int32_t red, green, blue;
};

// The split of the sampling and of the filters' rules:
//   red = c mod 256, green = (c AND &HFF00FF00) / 256, blue = (c AND &HFF0000) / 65536.
// For every colour these are its three bytes; -1 (outside the picture) gives
// -1, -65281 and 255.
constexpr Channels SplitChannels(ColorValue c) {
  return {c % 256, (c & static_cast<std::int32_t>(0xFF00FF00u)) / 256, (c & 0xFF0000) / 65536};
}

// SplitRGB's split: each channel masked to one byte after a division that
// truncates toward zero. The same three bytes for every colour; -1 gives
// 255, 0 and 0.
constexpr Channels MaskedChannels(ColorValue c) { return {c & 0xFF, (c / 256) & 0xFF, (c / 65536) & 0xFF}; }

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
