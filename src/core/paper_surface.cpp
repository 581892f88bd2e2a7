#include "core/paper_surface.h"

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
// Where between the darkest ink around and the paper the limit lies.
constexpr double InkShare = 0.5;
// How much darker than the paper a pixel must be to be anything but paper.
constexpr double PaperShade = 0.06;

BlockPlane Plane(int width, int height, std::uint8_t value = 0) {
  BlockPlane plane;
  plane.width = width;
  plane.height = height;
  plane.values.assign(std::size_t(width) * std::size_t(height), value);
  return plane;
}

// Each block's mean and smallest brightness, one pass over the picture.
void Reduce(const QImage& picture, int kx, int ky, BlockPlane& mean, BlockPlane& least) {
  const int width = picture.width(), height = picture.height();
  std::vector<std::uint16_t> sums(static_cast<std::size_t>(width));
  std::vector<std::uint8_t> minima(static_cast<std::size_t>(width));
  std::vector<std::uint8_t> bright(static_cast<std::size_t>(width));
  for (int by = 0; by < mean.height; ++by) {
    const int top = by * ky, rows = std::min(ky, height - top);
    std::fill(sums.begin(), sums.end(), 0);
    std::fill(minima.begin(), minima.end(), 255);
    for (int y = top; y < top + rows; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
      for (int x = 0; x < width; ++x) {
        const QRgb p = line[x];
        bright[x] = std::uint8_t(Brightness(qRed(p), qGreen(p), qBlue(p)));
      }
      for (int x = 0; x < width; ++x) {
        sums[x] = std::uint16_t(sums[x] + bright[x]);
        minima[x] = std::min(minima[x], bright[x]);
      }
    }
    std::uint8_t* meanRow = mean.row(by);
    std::uint8_t* leastRow = least.row(by);
    for (int bx = 0; bx < mean.width; ++bx) {
      const int left = bx * kx, columns = std::min(kx, width - left);
      std::uint32_t sum = 0;
      std::uint8_t low = 255;
      for (int x = left; x < left + columns; ++x) {
        sum += sums[x];
        low = std::min(low, minima[x]);
      }
      const std::uint32_t count = std::uint32_t(columns) * std::uint32_t(rows);
      meanRow[bx] = std::uint8_t((sum + count / 2) / count);
      leastRow[bx] = low;
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
  for (int i = 0; i < length; ++i) room[i] = values[std::clamp(i - radius, 0, count - 1) * step];
  const auto pick = [](std::uint8_t a, std::uint8_t b) { return Largest ? std::max(a, b) : std::min(a, b); };
  int span = 1;
  for (; span * 2 <= window; span *= 2)
    for (int i = 0; i + span < length; ++i) room[i] = pick(room[i], room[i + span]);
  for (int i = 0; i < count; ++i) values[i * step] = pick(room[i], room[i + window - span]);
}

// The same down the columns, whole rows at a time.
template <bool Largest>
void SlideColumns(BlockPlane& plane, int radius) {
  if (radius <= 0 || plane.height <= 1) return;
  const int window = 2 * radius + 1, length = plane.height + 2 * radius, width = plane.width;
  std::vector<std::uint8_t> room(std::size_t(length) * std::size_t(width));
  const auto line = [&](int i) { return room.data() + std::ptrdiff_t(i) * width; };
  for (int i = 0; i < length; ++i) std::copy_n(plane.row(std::clamp(i - radius, 0, plane.height - 1)), width, line(i));
  const auto merge = [&](std::uint8_t* into, const std::uint8_t* from) {
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
  std::vector<std::uint8_t> room;
  for (int y = 0; y < plane.height; ++y) SlideRun<Largest>(plane.row(y), plane.width, 1, radiusX, room);
  SlideColumns<Largest>(plane, radiusY);
}

std::uint8_t Byte(double v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

// The paper's level (PaperSurface::paperLevel): the middle of every block's,
// as most of a page is paper; never below that of a page of light ink on
// its paper.
double PaperLevel(const BlockPlane& mean, const BlockPlane& paper) {
  std::array<std::size_t, 256> counts{};
  for (std::size_t i = 0; i < mean.values.size(); ++i)
    ++counts[std::min<std::uint32_t>(255,
                                     (std::uint32_t(mean.values[i]) * 255 + paper.values[i] / 2) / paper.values[i])];
  std::size_t seen = 0;
  int level = 0;
  while (level < 255 && (seen += counts[level]) * 2 < mean.values.size()) ++level;
  return std::clamp(level, 230, 255);
}

// Multipliers that make the paper grey, from the pixels of every fourth row
// as bright as paper where they lie.
void MeasureTint(const QImage& picture, PaperSurface& surface) {
  std::uint64_t sums[3] = {0, 0, 0}, brightness = 0;
  for (int y = 0; y < picture.height(); y += 4) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    const std::uint8_t* light = surface.lightLimit.row(y / surface.blockHeight);
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb p = line[x];
      const std::uint32_t b = Brightness(qRed(p), qGreen(p), qBlue(p));
      if (b < light[x / surface.blockWidth]) continue;
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

}  // namespace

void SlideMaximum(BlockPlane& plane, int radiusX, int radiusY) { Slide<true>(plane, radiusX, radiusY); }
void SlideMinimum(BlockPlane& plane, int radiusX, int radiusY) { Slide<false>(plane, radiusX, radiusY); }

bool MeasurePaper(const QImage& picture, double dpiX, double dpiY, PaperSurface& surface,
                  const std::atomic<bool>* stop) {
  const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
  const int kx = BlockPixels(dpiX), ky = BlockPixels(dpiY);
  const int width = (picture.width() + kx - 1) / kx, height = (picture.height() + ky - 1) / ky;
  surface.blockWidth = kx;
  surface.blockHeight = ky;
  BlockPlane mean = Plane(width, height), least = Plane(width, height);
  Reduce(picture, kx, ky, mean, least);
  if (stopped()) return false;

  BlockPlane& paper = surface.paper;
  paper = mean;
  SlideMaximum(paper, BlocksIn(PaperRadiusMm, dpiX, kx), BlocksIn(PaperRadiusMm, dpiY, ky));
  SlideMinimum(paper, BlocksIn(PaperRadiusMm, dpiX, kx), BlocksIn(PaperRadiusMm, dpiY, ky));
  for (std::uint8_t& v : paper.values) v = std::max(v, PaperFloor);
  const double level = PaperLevel(mean, paper);
  surface.paperLevel = int(level);
  if (stopped()) return false;

  // The darkest ink within a block, against the paper, 255 for paper itself.
  BlockPlane& ink = least;
  for (std::size_t i = 0; i < ink.values.size(); ++i)
    ink.values[i] = std::uint8_t(
        std::min<std::uint32_t>(255, (std::uint32_t(ink.values[i]) * 255 + paper.values[i] / 2) / paper.values[i]));
  SlideMinimum(ink, 1, 1);

  surface.inkLimit = Plane(width, height);
  surface.lightLimit = Plane(width, height);
  for (std::size_t i = 0; i < ink.values.size(); ++i) {
    const double darkest = ink.values[i], scale = paper.values[i] / 255.0;
    const bool holdsInk = level - darkest >= InkContrast * level;
    surface.inkLimit.values[i] = holdsInk ? Byte((darkest + InkShare * (level - darkest)) * scale) : 0;
    surface.lightLimit.values[i] = Byte(level * (1 - PaperShade) * scale);
  }
  MeasureTint(picture, surface);
  return !stopped();
}

}  // namespace filters
