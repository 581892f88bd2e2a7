#include "core/paper_surface.h"

#include "core/row_walk.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace filters {

namespace {

constexpr double MillimetresPerInch = 25.4;

// About a quarter of a millimetre: small enough that a stroke's edge lies
// within a block of its darkest pixels, large enough that the surfaces cost
// little beside the picture.
int BlockPixels(double dpi) { return std::max(1, int(std::lround(dpi / 100))); }

// Blocks in the given length on paper, at least one.
int BlocksIn(double millimetres, double dpi, int blockPixels) {
  return std::max(1, int(std::lround(millimetres * dpi / MillimetresPerInch / blockPixels)));
}

// The radius of the closing that finds the paper: wider than any stroke of
// text (a bold heading's is well under a millimetre), narrower than a stain.
constexpr double PaperRadiusMm = 2.0;
// How far from paper to black the darkest ink around must reach for a place
// to hold ink at all: the back page showing through and noise stay below,
// pencil goes well past.
constexpr double InkContrast = 0.24;
// Where between the darkest ink around and the paper the limit lies: about
// halfway, a little toward the paper, as the darkest pixel read lies below
// the ink's own shade by the noise.
constexpr double InkShare = 0.54;
// The same for keeping a shade on white paper: more of a stroke's soft edge
// than black and white takes, so that no pixel of the stroke is lost.
constexpr double ShadeShare = 0.7;
// How much darker than the paper a pixel must be to be anything but paper.
constexpr double PaperShade = 0.06;

// The planes and rows a thread measures pages with, kept from one page to
// the next: pages of one size need no new memory from the system, which
// it would hand over page by page, zeroed, at a cost beside which the
// measuring itself is small.
struct Room {
  BlockPlane mean, least, wide;
  std::vector<std::uint8_t> columns, run;
  std::vector<QRgb> tint;
};
thread_local Room room;

// A plane of the given size whose values are left as they were: every one
// is written before it is read.
void Shape(BlockPlane& plane, int width, int height) {
  plane.width = width;
  plane.height = height;
  plane.values.resize(std::size_t(width) * std::size_t(height));
}

// One pixel of each block of every fourth row of blocks, read for the
// paper's tint on the way.
constexpr int TintRows = 4;

// Each block's mean and smallest brightness, one pass over the picture, and
// the first pixel of each block in every TintRows-th row of blocks.
void Reduce(const QImage& picture, int kx, int ky, BlockPlane& mean, BlockPlane& least, std::vector<QRgb>& tint) {
  const int width = picture.width(), height = picture.height();
  std::vector<std::uint16_t> sums(static_cast<std::size_t>(width));
  std::vector<std::uint8_t> minima(static_cast<std::size_t>(width));
  std::vector<std::uint8_t> bright(static_cast<std::size_t>(width));
  for (int by = 0; by < mean.height; ++by) {
    const int top = by * ky, rows = std::min(ky, height - top);
    std::fill(sums.begin(), sums.end(), 0);
    std::fill(minima.begin(), minima.end(), 255);
    if (by % TintRows == 0) {
      const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(top));
      for (int x = 0; x < width; x += kx) tint.push_back(line[x]);
    }
    // Through plain pointers: a store of a byte may alias anything, and the
    // compiler would reload a vector's own pointer after each.
    std::uint16_t* const sum = sums.data();
    std::uint8_t *const low = minima.data(), *const lit = bright.data();
    for (int y = top; y < top + rows; ++y) {
      BrightnessRow(reinterpret_cast<const QRgb*>(picture.constScanLine(y)), width, lit);
      for (int x = 0; x < width; ++x) {
        sum[x] = std::uint16_t(sum[x] + lit[x]);
        low[x] = std::min(low[x], lit[x]);
      }
    }
    std::uint8_t* meanRow = mean.row(by);
    std::uint8_t* leastRow = least.row(by);
    // The mean by a reciprocal in 2^-16ths rather than a division for each block.
    const auto reciprocal = [rows](int columns) { return ((1u << 16) + (columns * rows) / 2) / (columns * rows); };
    const std::uint32_t whole = reciprocal(kx);
    for (int bx = 0; bx < mean.width; ++bx) {
      const int left = bx * kx, columns = std::min(kx, width - left);
      std::uint32_t total = 0;
      std::uint8_t darkest = 255;
      for (int x = left; x < left + columns; ++x) {
        total += sum[x];
        darkest = std::min(darkest, low[x]);
      }
      const std::uint32_t share = columns == kx ? whole : reciprocal(columns);
      meanRow[bx] = std::uint8_t(std::min<std::uint32_t>(255, (total * share + (1u << 15)) >> 16));
      leastRow[bx] = darkest;
    }
  }
}

// The largest or smallest over a window of 2 * radius + 1 values, for every
// position of a run of count values spaced step apart, the run's ends
// repeated beyond it: values doubled in span until the window is covered.
template <bool Largest>
void SlideRun(std::uint8_t* values, int count, std::ptrdiff_t step, int radius, std::vector<std::uint8_t>& room) {
  if (radius <= 0 || count <= 1) return;
  const int window = 2 * radius + 1, length = count + 2 * radius;
  room.resize(std::size_t(length));
  std::uint8_t* const r = room.data();
  for (int i = 0; i < length; ++i) r[i] = values[std::clamp(i - radius, 0, count - 1) * step];
  const auto pick = [](std::uint8_t a, std::uint8_t b) { return Largest ? std::max(a, b) : std::min(a, b); };
  int span = 1;
  for (; span * 2 <= window; span *= 2)
    for (int i = 0; i + span < length; ++i) r[i] = pick(r[i], r[i + span]);
  for (int i = 0; i < count; ++i) values[i * step] = pick(r[i], r[i + window - span]);
}

// The same down the columns, whole rows at a time.
template <bool Largest>
void SlideColumns(BlockPlane& plane, int radius) {
  if (radius <= 0 || plane.height <= 1) return;
  const int window = 2 * radius + 1, length = plane.height + 2 * radius, width = plane.width;
  std::vector<std::uint8_t>& rows = room.columns;
  rows.resize(std::size_t(length) * std::size_t(width));
  const auto line = [&](int i) { return rows.data() + std::ptrdiff_t(i) * width; };
  for (int i = 0; i < length; ++i) std::copy_n(plane.row(std::clamp(i - radius, 0, plane.height - 1)), width, line(i));
  const auto merge = [width](std::uint8_t* __restrict into, const std::uint8_t* __restrict from) {
    for (int x = 0; x < width; ++x) into[x] = Largest ? std::max(into[x], from[x]) : std::min(into[x], from[x]);
  };
  int span = 1;
  for (; span * 2 <= window; span *= 2)
    for (int i = 0; i + span < length; ++i) merge(line(i), line(i + span));
  for (int y = 0; y < plane.height; ++y) {
    std::copy_n(line(y), width, plane.row(y));
    merge(plane.row(y), line(y + window - span));
  }
}

template <bool Largest>
void Slide(BlockPlane& plane, int radiusX, int radiusY) {
  std::vector<std::uint8_t>& run = room.run;
  for (int y = 0; y < plane.height; ++y) SlideRun<Largest>(plane.row(y), plane.width, 1, radiusX, run);
  SlideColumns<Largest>(plane, radiusY);
}

// value * 255 / paper, rounded, at most 255: a brightness set against the
// paper's, by a table of reciprocals rather than a division for each block.
class AgainstPaper {
 public:
  AgainstPaper() {
    for (std::uint32_t p = 1; p < 256; ++p) reciprocal_[p] = ((255u << 16) + p / 2) / p;
  }
  std::uint8_t operator()(std::uint32_t value, std::uint8_t paper) const {
    return std::uint8_t(std::min<std::uint32_t>(255, (value * reciprocal_[paper] + (1u << 15)) >> 16));
  }

 private:
  std::array<std::uint32_t, 256> reciprocal_{};
};

// The closing of a plane: the largest within the radii, then the smallest of
// those. The largest are also taken half a radius beyond the plane's edges,
// of what lies within the plane, so that paper darkening toward an edge (the
// spine's shadow) is followed nearly to the edge rather than held at its
// lightest; a line of ink along the edge, narrower than half the window,
// still has paper within it.
void Close(BlockPlane& plane, int radiusX, int radiusY) {
  const int beyondX = radiusX / 2, beyondY = radiusY / 2;
  BlockPlane& wide = room.wide;
  Shape(wide, plane.width + 2 * beyondX, plane.height + 2 * beyondY);
  std::fill(wide.values.begin(), wide.values.end(), 0);
  for (int y = 0; y < plane.height; ++y) std::copy_n(plane.row(y), plane.width, wide.row(y + beyondY) + beyondX);
  SlideMaximum(wide, radiusX, radiusY);
  SlideMinimum(wide, radiusX, radiusY);
  for (int y = 0; y < plane.height; ++y) std::copy_n(wide.row(y + beyondY) + beyondX, plane.width, plane.row(y));
}

std::uint8_t Byte(double v) { return std::uint8_t(std::clamp(v + 0.5, 0.0, 255.0)); }

// The paper's level (PaperSurface::paperLevel): the middle of every block's,
// as most of a page is paper; never below that of a page of light ink on
// its paper.
double PaperLevel(const BlockPlane& mean, const BlockPlane& paper, const AgainstPaper& against) {
  std::array<std::size_t, 256> counts{};
  for (std::size_t i = 0; i < mean.values.size(); ++i) ++counts[against(mean.values[i], paper.values[i])];
  std::size_t seen = 0;
  int level = 0;
  while (level < 255 && (seen += counts[level]) * 2 < mean.values.size()) ++level;
  return std::clamp(level, 230, 255);
}

// v * paper / 255, rounded: a brightness against white set at a paper's.
std::uint8_t AtPaper(std::uint32_t v, std::uint32_t paper) {
  const std::uint32_t x = v * paper + 128;
  return std::uint8_t((x + (x >> 8)) >> 8);
}

// The limits of a plane for every darkest ink around, against white: a
// share of the way from that ink to the paper's level, or 0 where the ink
// is too faint to count.
std::array<std::uint8_t, 256> LimitsFor(double level, double share) {
  std::array<std::uint8_t, 256> limits{};
  for (int darkest = 0; darkest < 256; ++darkest)
    if (level - darkest >= InkContrast * level) limits[darkest] = Byte(darkest + share * (level - darkest));
  return limits;
}

void Limits(const PaperSurface& surface, double share, BlockPlane& limits) {
  const std::array<std::uint8_t, 256> at = LimitsFor(surface.paperLevel, share);
  Shape(limits, surface.paper.width, surface.paper.height);
  const std::uint8_t *darkest = surface.darkest.values.data(), *paper = surface.paper.values.data();
  std::uint8_t* out = limits.values.data();
  for (std::size_t i = 0; i < limits.values.size(); ++i) out[i] = AtPaper(at[darkest[i]], paper[i]);
}

}  // namespace

void InkLimits(const PaperSurface& surface, BlockPlane& limits) { Limits(surface, InkShare, limits); }
void ShadeLimits(const PaperSurface& surface, BlockPlane& limits) { Limits(surface, ShadeShare, limits); }

void MeasureTint(PaperSurface& surface) {
  // The pixels read on the way that are as bright as paper where they lie.
  const std::uint8_t light = Byte(surface.paperLevel * (1 - PaperShade));
  std::uint64_t sums[3] = {0, 0, 0}, brightness = 0;
  const int width = surface.paper.width;
  const std::vector<QRgb>& pixels = room.tint;
  for (std::size_t row = 0; row * width < pixels.size(); ++row) {
    const std::uint8_t* paper = surface.paper.row(int(row) * TintRows);
    for (int x = 0; x < width; ++x) {
      const QRgb p = pixels[row * width + std::size_t(x)];
      const std::uint32_t b = Brightness(qRed(p), qGreen(p), qBlue(p));
      if (b < AtPaper(light, paper[x])) continue;
      sums[0] += qRed(p);
      sums[1] += qGreen(p);
      sums[2] += qBlue(p);
      brightness += b;
    }
  }
  for (int c = 0; c < 3; ++c)
    surface.tint[c] =
        sums[c] == 0 ? 256
                     : std::uint32_t(std::clamp<std::uint64_t>((brightness * 256 + sums[c] / 2) / sums[c], 128, 512));
}

void ReleasePaperRoom() { room = Room(); }

void SlideMaximum(BlockPlane& plane, int radiusX, int radiusY) { Slide<true>(plane, radiusX, radiusY); }
void SlideMinimum(BlockPlane& plane, int radiusX, int radiusY) { Slide<false>(plane, radiusX, radiusY); }

bool MeasurePaper(const QImage& picture, double dpiX, double dpiY, PaperSurface& surface,
                  const std::atomic<bool>* stop) {
  const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
  const int kx = BlockPixels(dpiX), ky = BlockPixels(dpiY);
  const int width = (picture.width() + kx - 1) / kx, height = (picture.height() + ky - 1) / ky;
  surface.blockWidth = kx;
  surface.blockHeight = ky;
  BlockPlane &mean = room.mean, &least = room.least;
  Shape(mean, width, height);
  Shape(least, width, height);
  std::vector<QRgb>& tint = room.tint;
  tint.clear();
  tint.reserve(std::size_t(width) * std::size_t((height + TintRows - 1) / TintRows));
  Reduce(picture, kx, ky, mean, least, tint);
  if (stopped()) return false;

  BlockPlane& paper = surface.paper;
  paper = mean;
  Close(paper, BlocksIn(PaperRadiusMm, dpiX, kx), BlocksIn(PaperRadiusMm, dpiY, ky));
  for (std::uint8_t& v : paper.values) v = std::max(v, PaperFloor);
  const AgainstPaper against;
  const double level = PaperLevel(mean, paper, against);
  surface.paperLevel = int(level);
  if (stopped()) return false;

  // The darkest ink around each block, against the paper, 255 for paper itself.
  BlockPlane& darkest = surface.darkest;
  darkest = least;
  for (std::size_t i = 0; i < darkest.values.size(); ++i)
    darkest.values[i] = against(darkest.values[i], paper.values[i]);
  SlideMinimum(darkest, 1, 1);
  return !stopped();
}

}  // namespace filters
