#include "core/page_steps.h"

#include "core/paper_surface.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace filters {

namespace {

constexpr double MetresPerInch = 0.0254;

double LikelyDpi(int dotsPerMetre) {
  const double dpi = dotsPerMetre * MetresPerInch;
  return dpi >= 100 && dpi <= 2400 ? dpi : 300;
}

// A block plane's row spread over the picture's pixels: values[x / blockWidth].
void Spread(const std::uint8_t* blocks, int blockWidth, int width, std::uint8_t* pixels) {
  for (int x = 0, b = 0; x < width; x += blockWidth, ++b)
    std::fill_n(pixels + x, std::min(blockWidth, width - x), blocks[b]);
}

// The rows of a block plane spread over the pixels, each made once.
class SpreadRows {
 public:
  SpreadRows(const BlockPlane& plane, const PaperSurface& surface, int width)
      : plane_(plane),
        blockWidth_(surface.blockWidth),
        blockHeight_(surface.blockHeight),
        row_(static_cast<std::size_t>(width)) {}
  const std::uint8_t* operator()(int y) {
    const int block = y / blockHeight_;
    if (block != made_) {
      Spread(plane_.row(block), blockWidth_, int(row_.size()), row_.data());
      made_ = block;
    }
    return row_.data();
  }

 private:
  const BlockPlane& plane_;
  int blockWidth_, blockHeight_;
  std::vector<std::uint8_t> row_;
  int made_ = -1;
};

// The brightness of most of the page's paper, where there is paper: the
// tenth brightest of its blocks; 0 for a page without.
std::uint32_t TypicalPaper(const BlockPlane& paper) {
  std::vector<std::uint8_t> lit;
  for (const std::uint8_t v : paper.values)
    if (v > PaperFloor) lit.push_back(v);
  if (lit.empty()) return 0;
  const auto tenth = lit.begin() + std::ptrdiff_t(lit.size() / 10);
  std::nth_element(lit.begin(), tenth, lit.end(), std::greater<>());
  return *tenth;
}

// What a thread keeps from one page to the next, as MeasurePaper keeps its
// own: the surface and the white background's gains.
struct StepRoom {
  PaperSurface surface;
  BlockPlane limits;
  std::vector<std::uint16_t> gains, rowGains;
};
thread_local StepRoom room;

// Pages larger than this give their memory back when done, so that a huge
// picture leaves nothing behind; smaller ones keep it for the next page.
constexpr qint64 KeptPixels = 40'000'000;

class Keeping {
 public:
  explicit Keeping(const QImage& picture) : large_(qint64(picture.width()) * picture.height() > KeptPixels) {}
  ~Keeping() {
    if (!large_) return;
    room = StepRoom();
    ReleasePaperRoom();
  }
  Keeping(const Keeping&) = delete;
  Keeping& operator=(const Keeping&) = delete;

 private:
  bool large_;
};

bool Measure(QImage& picture, PaperSurface& surface, const std::atomic<bool>* stop) {
  if (picture.isNull()) return !(stop && stop->load());
  if (picture.format() != QImage::Format_RGB32) {
    QImage converted = picture.convertToFormat(QImage::Format_RGB32);
    if (!MeasurePaper(converted, LikelyDpi(picture.dotsPerMeterX()), LikelyDpi(picture.dotsPerMeterY()), surface, stop))
      return false;
    picture = std::move(converted);
    return true;
  }
  return MeasurePaper(picture, LikelyDpi(picture.dotsPerMeterX()), LikelyDpi(picture.dotsPerMeterY()), surface, stop);
}

}  // namespace

double PageDpi(const QImage& picture) { return LikelyDpi(picture.dotsPerMeterX()); }

bool LocalBlackAndWhite(QImage& picture, const std::atomic<bool>* stop) {
  const Keeping keeping(picture);
  PaperSurface& surface = room.surface;
  if (!Measure(picture, surface, stop)) return false;
  if (picture.isNull()) return true;
  const int width = picture.width();
  InkLimits(surface, room.limits);
  SpreadRows limits(room.limits, surface, width);
  for (int y = 0; y < picture.height(); ++y)
    WalkRowBelow(reinterpret_cast<QRgb*>(picture.scanLine(y)), width, limits(y));
  return true;
}

bool WhitenBackground(QImage& picture, const std::atomic<bool>* stop) {
  const Keeping keeping(picture);
  PaperSurface& surface = room.surface;
  if (!Measure(picture, surface, stop)) return false;
  if (picture.isNull()) return true;
  const int width = picture.width(), height = picture.height();
  // What brings each block's paper to white, in 256ths. A block darker
  // than any paper lies in a wide stretch of ink, which keeps the shade it
  // has against the page's paper elsewhere (or as it is on a page of no paper).
  const std::uint32_t elsewhere = TypicalPaper(surface.paper);
  std::vector<std::uint16_t>& gains = room.gains;
  gains.resize(surface.paper.values.size());
  for (std::size_t i = 0; i < gains.size(); ++i) {
    const std::uint32_t block = surface.paper.values[i] > PaperFloor ? surface.paper.values[i] : elsewhere;
    const std::uint32_t paper = block * std::uint32_t(surface.paperLevel);
    gains[i] = block == 0 ? 256 : std::uint16_t((255u * 255 * 256 + paper / 2) / paper);
  }
  ShadeLimits(surface, room.limits);
  MeasureTint(surface);
  SpreadRows limits(room.limits, surface, width);
  std::vector<std::uint16_t>& rowGains = room.rowGains;
  rowGains.resize(static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    const std::uint16_t* blockGains = gains.data() + std::ptrdiff_t(y / surface.blockHeight) * surface.paper.width;
    for (int x = 0, b = 0; x < width; x += surface.blockWidth, ++b)
      std::fill_n(rowGains.data() + x, std::min(surface.blockWidth, width - x), blockGains[b]);
    KeepInk(reinterpret_cast<QRgb*>(picture.scanLine(y)), width, limits(y), rowGains.data(), surface.tint);
  }
  return true;
}

void ApplySteps(QImage& picture, const std::vector<Step>& steps) {
  std::vector<RowStep> rules;
  const auto flush = [&] {
    ApplyInRowOrder(picture, rules);
    rules.clear();
  };
  for (const Step& step : steps) {
    if (std::holds_alternative<WhiteBackgroundStep>(step)) {
      flush();
      WhitenBackground(picture);
    } else if (std::holds_alternative<LocalBlackWhiteStep>(step)) {
      flush();
      LocalBlackAndWhite(picture);
    } else {
      std::visit(
          [&](const auto& rule) {
            if constexpr (std::is_constructible_v<RowStep, decltype(rule)>) rules.emplace_back(rule);
          },
          step);
    }
  }
  flush();
}

}  // namespace filters
