#include "core/page_steps.h"

#include "core/paper_surface.h"

#include <algorithm>
#include <array>
#include <cmath>

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
  PaperSurface surface;
  if (!Measure(picture, surface, stop)) return false;
  if (picture.isNull()) return true;
  const int width = picture.width();
  SpreadRows limits(surface.inkLimit, surface, width);
  for (int y = 0; y < picture.height(); ++y)
    WalkRowBelow(reinterpret_cast<QRgb*>(picture.scanLine(y)), width, limits(y));
  return true;
}

bool WhitenBackground(QImage& picture, const std::atomic<bool>* stop) {
  PaperSurface surface;
  if (!Measure(picture, surface, stop)) return false;
  if (picture.isNull()) return true;
  const int width = picture.width(), height = picture.height();
  // What brings each block's paper to white, in 256ths.
  std::vector<std::uint16_t> gains(surface.paper.values.size());
  for (std::size_t i = 0; i < gains.size(); ++i) {
    const std::uint32_t paper = surface.paper.values[i] * std::uint32_t(surface.paperLevel);
    gains[i] = std::uint16_t((255u * 255 * 256 + paper / 2) / paper);
  }
  SpreadRows limits(surface.inkLimit, surface, width), lights(surface.lightLimit, surface, width);
  // Whether each pixel is ink, for the row above, this one and the one below;
  // a pixel next to ink keeps its shade (the stroke's soft edge), any other
  // becomes white.
  std::array<std::vector<std::uint8_t>, 3> ink;
  for (auto& r : ink) r.assign(std::size_t(width) + 2, 0);
  std::vector<std::uint8_t> near(static_cast<std::size_t>(width));
  std::vector<std::uint16_t> rowGains(static_cast<std::size_t>(width));
  const auto markInk = [&](int y, std::vector<std::uint8_t>& into) {
    if (y >= height) return std::fill(into.begin(), into.end(), 0);
    InkMask(reinterpret_cast<const QRgb*>(picture.constScanLine(y)), width, limits(y), into.data() + 1);
  };
  markInk(0, ink[1]);
  for (int y = 0; y < height; ++y) {
    markInk(y + 1, ink[2]);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t column = ink[0][x + 1] | ink[1][x + 1] | ink[2][x + 1];
      near[x] = column;
    }
    for (int x = 0; x < width; ++x)
      near[x] = near[x] | ink[0][x] | ink[1][x] | ink[2][x] | ink[0][x + 2] | ink[1][x + 2] | ink[2][x + 2];
    const std::uint16_t* blockGains = gains.data() + std::ptrdiff_t(y / surface.blockHeight) * surface.paper.width;
    for (int x = 0, b = 0; x < width; x += surface.blockWidth, ++b)
      std::fill_n(rowGains.data() + x, std::min(surface.blockWidth, width - x), blockGains[b]);
    KeepInk(reinterpret_cast<QRgb*>(picture.scanLine(y)), width, near.data(), lights(y), rowGains.data(), surface.tint);
    std::rotate(ink.begin(), ink.begin() + 1, ink.end());
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
