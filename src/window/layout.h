#pragma once
// The arithmetic of the screen-filling layout, in twips.

#include <cstdint>

namespace app {

// The gap left between the frame and the screen's right and bottom edges.
constexpr float ScreenMargin = 50.0f;

// The scale at which a layout needing neededWidth x neededHeight pixels fits
// into availableWidth x availableHeight: 1 when it fits as it is, else the
// tighter side's ratio, so that the whole layout shrinks as one piece.
double LayoutScale(int neededWidth, int neededHeight, int availableWidth, int availableHeight);

// The offset that centres a box of size inner in a container of size outer:
// the difference rounded to a whole twip (halves to even), halved toward zero,
// so an odd twip is left on the right or bottom side.
std::int32_t CentredOffset(float outer, float inner);

}  // namespace app
