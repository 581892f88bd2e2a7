#include "window/model/colour_rules.h"

#include "core/numbers.h"

namespace colour {

std::int16_t MeanOf(std::int32_t red, double green, double blue) {
  return platform::CInt(platform::IntDiv(red + green + blue, 3));
}

Position DraggedTo(float left, float top, float startX, std::int32_t startY, float x, float y) {
  const double twips = platform::TwipsPerPixel;
  return {static_cast<float>(left + (double(x) - startX) * twips),
          static_cast<float>(top + (double(y) - startY) * twips)};
}

platform::CustomColorTable FreshCustomColours() {
  platform::CustomColorTable table;
  table.fill(White);
  table[0] = Blue;
  return table;
}

platform::ColourRequest ReplacementColourRequest(ColorValue initial) {
  platform::ColourRequest request;
  request.colour = initial;
  request.customColours = FreshCustomColours();
  return request;
}

}  // namespace colour
