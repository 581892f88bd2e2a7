#pragma once
// The colour arithmetic of the window: the mean of a sample's channels, the
// drag of the picture and the colour dialog's request. The channel splits are
// in colors.h.

#include "core/colors.h"
#include "core/numbers.h"
#include "window/model/dialog_requests.h"

#include <cstdint>

namespace colour {

using platform::Blue;
using platform::ColorValue;
using platform::OutsidePicture;
using platform::White;

// (red + green + blue) \ 3, kept as a 16-bit integer.
std::int16_t MeanOf(std::int32_t red, double green, double blue);

// The new position in twips of a box dragged by the point (startX, startY) of
// its own pixels, now reported at (x, y): the pressed point comes back under
// the pointer.
struct Position {
  float left, top;
};
Position DraggedTo(float left, float top, float startX, std::int32_t startY, float x, float y);

// The custom colours the colour dialog shows: blue first, the rest white.
platform::CustomColorTable FreshCustomColours();

// The colour dialog's request: opening at initial, with fresh custom colours.
platform::ColourRequest ReplacementColourRequest(ColorValue initial);

}  // namespace colour
