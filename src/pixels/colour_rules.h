#pragma once
// The colour arithmetic of the window: splitting a sample into channels, their
// mean, SplitRGB's split, the drag of the picture and the colour dialog's record.

#include "pixels/dialog_records.h"
#include "pixels/vb.h"

#include <cstdint>

namespace colour {

using platform::ColorValue;

// What Point reads outside the picture.
constexpr ColorValue OutsidePicture = -1;
constexpr ColorValue Blue = 0xFF0000;
constexpr ColorValue White = 0xFFFFFF;

// The inline split used by the sampling and the filters. For every colour the
// results are its three bytes; -1 gives -1, -65281 and 255.
constexpr std::int32_t RedOf(std::int32_t c) { return c % 256; }
constexpr double GreenOf(std::int32_t c) { return (c & static_cast<std::int32_t>(0xFF00FF00u)) / 256; }
constexpr double BlueOf(std::int32_t c) { return (c & 0xFF0000) / 65536; }

// (red + green + blue) \ 3, kept as a 16-bit integer.
std::int16_t MeanOf(std::int32_t red, double green, double blue);

// SplitRGB's split: each channel masked to one byte after a division that
// truncates toward zero (-1 gives 255, 0, 0).
struct Channels {
  std::int32_t red, green, blue;
};
constexpr Channels SplitChannels(std::int32_t color) {
  return {color & 0xFF, (color / 256) & 0xFF, (color / 65536) & 0xFF};
}

// The new position in twips of a box dragged by the point (startX, startY) of
// its own pixels, now reported at (x, y): the pressed point comes back under
// the pointer.
struct Position {
  float left, top;
};
Position DraggedTo(float left, float top, float startX, std::int32_t startY, float x, float y);

// The custom colours the colour dialog shows: blue first, the rest white.
platform::CustomColorTable FreshCustomColours();

constexpr std::uint32_t ChooseColorFlags =
    platform::CC_RGBINIT | platform::CC_FULLOPEN | platform::CC_PREVENTFULLOPEN | platform::CC_ANYCOLOR;

// The colour dialog's record, opening at initial with the given custom colours.
platform::CHOOSECOLOR ReplacementColourRecord(std::uintptr_t owner, std::uintptr_t instance, ColorValue initial,
                                              platform::CustomColorTable* customColours);

}  // namespace colour
