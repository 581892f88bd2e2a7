#pragma once
// What the page steps learn about a page before they write it: the paper's
// brightness at each place and how dark an ink must be there to count, both
// in blocks of a few pixels (about a quarter of a millimetre), and the
// paper's tint.
//
// The paper is found by a closing of the blocks' mean brightness (the
// largest mean within about 2 mm, then the smallest of those): ink strokes
// narrower than that vanish into the paper around them, while a stain, a
// shadow or light falling off are wider and are kept, edges and all. Each
// block's darkest pixel against that paper tells how dark the ink nearby is;
// a place where nothing reaches a quarter of the way from paper to black has
// no ink, whatever faint marks it holds (the back page showing through,
// noise), and elsewhere the limit lies halfway between the paper and the
// darkest ink around, so that a pencil line counts as fully as a pen's.

#include "core/pixel_rules.h"

#include <QImage>

#include <atomic>
#include <cstdint>
#include <vector>

namespace filters {

// A plane of bytes, one for each block.
struct BlockPlane {
  int width = 0, height = 0;
  std::vector<std::uint8_t> values;
  std::uint8_t* row(int y) { return values.data() + std::ptrdiff_t(y) * width; }
  const std::uint8_t* row(int y) const { return values.data() + std::ptrdiff_t(y) * width; }
};

struct PaperSurface {
  int blockWidth = 1, blockHeight = 1;  // pixels of a block across and down
  BlockPlane paper;                     // the paper's brightness, never below PaperFloor
  BlockPlane darkest;                   // the darkest ink around, against the paper (255)
  // The paper's tint, once MeasureTint has found it: what each channel is
  // multiplied by, in 256ths, to make the paper grey (all 256 for grey paper).
  std::uint32_t tint[3] = {256, 256, 256};
  // The brightness the paper comes to once each block is set against the
  // paper found there: a little under 255, as the closing keeps the
  // brightest of the noise.
  int paperLevel = 255;
};

// Paper is never taken to be darker than this: a page black all over stays black.
inline constexpr std::uint8_t PaperFloor = 60;

// The surface of an RGB32 picture at dpiX by dpiY dots per inch, or false
// when *stop turned true first.
bool MeasurePaper(const QImage& picture, double dpiX, double dpiY, PaperSurface& surface,
                  const std::atomic<bool>* stop);

// A pixel darker than the limit of its block is ink (InkLimits), or keeps
// its shade on white paper (ShadeLimits, which take more of a stroke's soft
// edge); the limits are 0 where there is no ink.
void InkLimits(const PaperSurface& surface, BlockPlane& limits);
void ShadeLimits(const PaperSurface& surface, BlockPlane& limits);

// Finds surface.tint from pixels read by the last MeasurePaper on this thread.
void MeasureTint(PaperSurface& surface);

// Gives back the memory this thread keeps for measuring the next page like
// the last (about a byte for each of the last page's pixels).
void ReleasePaperRoom();

// Sets every value to the largest (or smallest) within radiusX blocks across
// and radiusY blocks down, the plane's edge repeated beyond it.
void SlideMaximum(BlockPlane& plane, int radiusX, int radiusY);
void SlideMinimum(BlockPlane& plane, int radiusX, int radiusY);

}  // namespace filters
