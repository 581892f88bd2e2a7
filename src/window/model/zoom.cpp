#include "window/model/zoom.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace platform {

int ShownSize(int size, double zoom) {
  if (size <= 0) return 0;
  return std::max(1, static_cast<int>(std::lround(size * zoom)));
}

int PixelUnder(double offset, int size, int shown) {
  if (shown <= 0 || shown == size) return static_cast<int>(std::floor(offset));
  return static_cast<int>(std::floor(offset * size / shown));
}

int DeviceSpan::PixelAt(double device) const {
  const std::int64_t n = std::max(size, 1), d = std::max(count, 1);
  // A position a hair short of a whole device pixel, as a pointer's position
  // comes back after its division by the ratio, is taken as on it.
  const double at = device - first + 1e-6;
  if (d < n) return static_cast<int>(std::floor(at * double(n) / double(d)));
  const auto k = static_cast<std::int64_t>(std::floor(at));
  return static_cast<int>(k >= 0 ? k * n / d : -((-k * n + d - 1) / d));
}

int DeviceEdge(double at) { return static_cast<int>(std::ceil(at - 0.5)); }

DeviceSpan SpanOnDevice(double origin, int shown, double ratio, int size) {
  const int first = DeviceEdge(origin);
  return {first, std::max(1, DeviceEdge(origin + shown * ratio) - first), size};
}

double ZoomIn(double zoom) {
  const double step = std::exp2(std::floor(std::log2(zoom) + 1e-9) + 1);
  return std::clamp(step, MinZoom, MaxZoom);
}

double ZoomOut(double zoom) {
  const double step = std::exp2(std::ceil(std::log2(zoom) - 1e-9) - 1);
  return std::clamp(step, MinZoom, MaxZoom);
}

double FitZoom(int width, int height, int frameWidth, int frameHeight) {
  if (width <= 0 || height <= 0) return 1;
  double zoom = std::min(double(std::max(frameWidth, 1)) / width, double(std::max(frameHeight, 1)) / height);
  if (zoom >= 1) zoom = std::floor(zoom);
  return std::clamp(zoom, MinZoom, MaxZoom);
}

QString ZoomText(double zoom) {
  const double percent = std::round(zoom * 1000) / 10;
  return QStringLiteral("Zoom %1 %")
      .arg(QLocale(QLocale::Spanish).toString(percent, 'f', percent == std::floor(percent) ? 0 : 1));
}

void AverageColumns(const QImage& source, QImage& view, int first, int last) {
  const std::int64_t w = source.width(), h = source.height(), vw = view.width(), vh = view.height();
  first = std::max(first, 0);
  last = std::min<int>(last, int(vw) - 1);
  if (first > last || w == 0 || h == 0) return;
  const auto startOf = [](std::int64_t v, std::int64_t n, std::int64_t shown) { return v * n / shown; };
  const auto endOf = [&](std::int64_t v, std::int64_t n, std::int64_t shown) {
    return std::max(startOf(v, n, shown) + 1, startOf(v + 1, n, shown));
  };
  const std::int64_t sx0 = startOf(first, w, vw), sx1 = endOf(last, w, vw);
  std::vector<std::uint64_t> sums(std::size_t(last - first + 1) * 3);
  for (std::int64_t vy = 0; vy < vh; ++vy) {
    std::fill(sums.begin(), sums.end(), 0);
    const std::int64_t sy0 = startOf(vy, h, vh), sy1 = endOf(vy, h, vh);
    for (std::int64_t sy = sy0; sy < sy1; ++sy) {
      const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(int(sy)));
      std::int64_t vx = first, next = endOf(vx, w, vw);
      for (std::int64_t sx = sx0; sx < sx1; ++sx) {
        while (sx >= next && vx < last) next = endOf(++vx, w, vw);
        std::uint64_t* s = &sums[std::size_t(vx - first) * 3];
        s[0] += qRed(line[sx]), s[1] += qGreen(line[sx]), s[2] += qBlue(line[sx]);
      }
    }
    auto* out = reinterpret_cast<QRgb*>(view.scanLine(int(vy)));
    for (std::int64_t vx = first; vx <= last; ++vx) {
      const std::uint64_t n = std::uint64_t(endOf(vx, w, vw) - startOf(vx, w, vw)) * std::uint64_t(sy1 - sy0);
      const std::uint64_t* s = &sums[std::size_t(vx - first) * 3];
      out[vx] = qRgb(int((s[0] + n / 2) / n), int((s[1] + n / 2) / n), int((s[2] + n / 2) / n));
    }
  }
}

}  // namespace platform
