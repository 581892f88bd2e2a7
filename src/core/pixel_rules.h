#pragma once
// The per-pixel rules of the three filters: pure functions from the colour
// read at a position to the colour that position holds afterwards (the same
// colour when the pixel is left alone). They accept every ColorValue, the -1
// read outside the picture included, and split it as the sampling does:
//   red = c mod 256, green = (c AND &HFF00FF00) / 256, blue = (c AND &HFF0000) / 65536.
// They are branch-free, so a scan over a picture of mixed colours does not
// stall on mispredicted jumps.

#include "core/colors.h"
#include "core/numbers.h"

#include <cstdint>

namespace filters {

using platform::ColorValue;

using platform::Black;
using platform::Channels;
using platform::SplitChannels;
using platform::White;

// A pixel's brightness, 0 to 255, weighing red, green and blue as the eye
// does (77, 150 and 29 parts in 256): grey g gives g.
constexpr std::uint32_t Brightness(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return (red * 77 + green * 150 + blue * 29 + 128) >> 8;
}

// when ? a : b, computed without a jump.
constexpr ColorValue Select(bool when, ColorValue a, ColorValue b) {
  return b ^ ((a ^ b) & -static_cast<ColorValue>(when));
}

// How far each channel may lie from the target's for colour removal to take
// a colour: 24 either way, as the window always has it.
constexpr int RemovalTolerance = 24;

// A whole number v with |v - target| <= within (for a whole target, and so
// |v - target| < within + 1 for any), as lo <= v <= hi.
struct ChannelRange {
  std::int32_t lo, hi;
  static ChannelRange Around(double target, int within = RemovalTolerance);
  constexpr bool Holds(std::int32_t v) const { return (v >= lo) & (v <= hi); }
};

// Whitening: every colour but pure black (exactly 0) becomes white.
struct WhiteningRule {
  constexpr ColorValue operator()(ColorValue c) const { return Select(c == Black, Black, White); }
};

// Colour removal: a colour other than pure white whose three channels each
// differ from the target's by at most the tolerance (by less than 25 in the
// window) becomes the replacement colour.
class RemovalRule {
 public:
  RemovalRule(double targetRed, double targetGreen, double targetBlue, ColorValue replacement,
              int tolerance = RemovalTolerance)
      : red_(ChannelRange::Around(targetRed, tolerance)),
        green_(ChannelRange::Around(targetGreen, tolerance)),
        blue_(ChannelRange::Around(targetBlue, tolerance)),
        replacement_(replacement) {}

  ColorValue operator()(ColorValue c) const {
    const Channels ch = SplitChannels(c);
    const bool near = blue_.Holds(ch.blue) & red_.Holds(ch.red) & green_.Holds(ch.green);
    return Select((c != White) & near, replacement_, c);
  }

  // The settings as the rule holds them, for walks that apply it many pixels
  // at a time.
  ChannelRange red() const { return red_; }
  ChannelRange green() const { return green_; }
  ChannelRange blue() const { return blue_; }
  ColorValue replacement() const { return replacement_; }

 private:
  ChannelRange red_, green_, blue_;
  ColorValue replacement_;
};

// Grey-type binarisation: a colour other than pure black or pure white
// becomes black when its mean m = (red + green + blue) \ 3 lies below the
// darkness threshold T and each channel differs from m by less than the
// greyness tolerance D; otherwise it becomes white.
// A threshold beyond the range of a double ("1e999" reads as +infinity) lies
// above every mean, so the greyness test alone decides; one below it
// (-infinity) lets no pixel pass, like any threshold of 0 or less.
class GreyTypeRule {
 public:
  GreyTypeRule(double darknessThreshold, std::int16_t greynessTolerance);

  ColorValue operator()(ColorValue c) const {
    const Channels ch = SplitChannels(c);
    const std::int32_t m = (ch.red + ch.green + ch.blue) / 3;
    const bool dark = m <= highestDarkMean_;
    const std::int32_t low = m - tolerance_, high = m + tolerance_;  // |m - v| < D as low < v < high
    const bool grey =
        (ch.red > low) & (ch.red < high) & (ch.green > low) & (ch.green < high) & (ch.blue > low) & (ch.blue < high);
    return Select((c == Black) | (c == White), c, Select(dark & grey, Black, White));
  }

  // The settings as the rule holds them, for walks that apply it many pixels
  // at a time.
  std::int32_t highestDarkMean() const { return highestDarkMean_; }
  std::int32_t tolerance() const { return tolerance_; }

 private:
  std::int32_t highestDarkMean_;  // the largest whole m with m < T
  std::int32_t tolerance_;
};

}  // namespace filters
