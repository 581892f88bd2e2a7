#include "window/layout.h"

#include "core/numbers.h"

#include <algorithm>

namespace app {

double LayoutScale(int neededWidth, int neededHeight, int availableWidth, int availableHeight) {
  if (neededWidth <= 0 || neededHeight <= 0 || availableWidth <= 0 || availableHeight <= 0) return 1;
  return std::min({1.0, double(availableWidth) / neededWidth, double(availableHeight) / neededHeight});
}

std::int32_t CentredOffset(float outer, float inner) { return platform::IntDiv(outer - inner, 2); }

}  // namespace app
