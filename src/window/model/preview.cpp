#include "window/model/preview.h"

#include "core/row_walk.h"
#include "window/model/zoom.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <new>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

namespace filters {

namespace {
// The far end of one channel from a range centred on the target's value.
int FarFrom(const ChannelRange& range) { return (range.lo + range.hi) / 2 < 128 ? 255 : 0; }
}  // namespace

ChangesTinted::ChangesTinted(const RemovalRule& rule)
    : rule_(rule), tint_(qRgb(FarFrom(rule.red()), FarFrom(rule.green()), FarFrom(rule.blue()))) {}

QRgb ChangesTinted::operator()(QRgb pixel) const {
  const ColorValue c = platform::FromQRgb(pixel);
  return rule_(c) == c ? pixel : Tinted(pixel);
}

QRgb ChangesTinted::Tinted(QRgb pixel) const {
  // Each channel halfway to the tint's: 0xFE masks keep the halves from
  // carrying into the next channel.
  return 0xFF000000u | ((((pixel & 0xFEFEFEu) >> 1) + ((tint_ & 0xFEFEFEu) >> 1)) & 0xFFFFFFu);
}

void PreviewRow(QRgb* row, std::ptrdiff_t count, const Preview& preview) {
  std::visit(
      [&](const auto& rule) {
        using Kind = std::decay_t<decltype(rule)>;
        if constexpr (std::is_same_v<Kind, ChangesTinted>) {
          // The removal walked over a copy says which pixels it changes.
          constexpr std::ptrdiff_t Chunk = 1024;
          QRgb removed[Chunk];
          for (std::ptrdiff_t at = 0; at < count; at += Chunk) {
            const std::ptrdiff_t n = std::min(Chunk, count - at);
            std::copy(row + at, row + at + n, removed);
            WalkRow(removed, n, rule.rule());
            for (std::ptrdiff_t i = 0; i < n; ++i)
              if (((removed[i] ^ row[at + i]) & 0xFFFFFFu) != 0) row[at + i] = rule.Tinted(row[at + i]);
          }
        } else if constexpr (std::is_same_v<Kind, ComputedResult>) {
          (void)row;
        } else {
          WalkRow(row, count, rule);
        }
      },
      preview);
}

namespace {

// Below this many picture pixels in view, the preview is made on one thread.
constexpr std::int64_t ThreadedPixels = std::int64_t(4) << 20;

// Zoomed out: the visible blocks of the picture at full size, each row passed
// through the preview, then averaged as AverageColumns averages the view, so
// that a stroke thinner than a device pixel shows as it will after the run.
QImage AveragedView(const QImage& source, const platform::DeviceSpan& x, const platform::DeviceSpan& y, QRect area,
                    const Preview& preview) {
  const std::int64_t w = source.width(), h = source.height(), cx = std::max(x.count, 1), cy = std::max(y.count, 1);
  const auto startOf = [](std::int64_t v, std::int64_t n, std::int64_t shown) {
    return std::clamp<std::int64_t>(v * n / shown, 0, n - 1);
  };
  const auto endOf = [&](std::int64_t v, std::int64_t n, std::int64_t shown) {
    return std::clamp<std::int64_t>(std::max(v * n / shown + 1, (v + 1) * n / shown), 1, n);
  };
  QImage shown(area.size(), QImage::Format_RGB32);
  if (shown.isNull()) return shown;
  // The source columns of each device column, counted from the first one shown.
  const int width = area.width();
  std::vector<std::int32_t> from(std::size_t(width) + 1);
  const std::int64_t v0 = area.left() - x.first, base = startOf(v0, w, cx);
  for (int i = 0; i < width; ++i) from[std::size_t(i)] = std::int32_t(startOf(v0 + i, w, cx) - base);
  from[std::size_t(width)] = std::int32_t(endOf(v0 + width - 1, w, cx) - base);
  std::vector<std::int32_t> to(static_cast<std::size_t>(width));
  for (int i = 0; i < width; ++i) to[std::size_t(i)] = std::int32_t(endOf(v0 + i, w, cx) - base);
  const std::size_t length = static_cast<std::size_t>(from[std::size_t(width)]);
  // Device rows j0 to j1 - 1 of shown. Each source column's channels are
  // summed down the rows of a device row, a channel to an array so that the
  // sums are taken many at once.
  struct Sums {
    std::vector<QRgb> row;
    std::vector<std::uint32_t> reds, greens, blues;
  };
  const auto rows = [&](Sums& sums, int j0, int j1) {
    std::vector<QRgb>& row = sums.row;
    std::vector<std::uint32_t>&reds = sums.reds, &greens = sums.greens, &blues = sums.blues;
    for (int j = j0; j < j1; ++j) {
      const std::int64_t vy = area.top() - y.first + j, sy0 = startOf(vy, h, cy), sy1 = endOf(vy, h, cy);
      std::fill(reds.begin(), reds.end(), 0u);
      std::fill(greens.begin(), greens.end(), 0u);
      std::fill(blues.begin(), blues.end(), 0u);
      for (std::int64_t sy = sy0; sy < sy1; ++sy) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(int(sy))) + base;
        std::copy(line, line + length, row.begin());
        PreviewRow(row.data(), std::ptrdiff_t(length), preview);
        const QRgb* pixels = row.data();
        std::uint32_t *r = reds.data(), *g = greens.data(), *b = blues.data();
        for (std::size_t k = 0; k < length; ++k) {
          r[k] += (pixels[k] >> 16) & 0xFFu;
          g[k] += (pixels[k] >> 8) & 0xFFu;
          b[k] += pixels[k] & 0xFFu;
        }
      }
      auto* out = reinterpret_cast<QRgb*>(shown.scanLine(j));
      for (int i = 0; i < width; ++i) {
        std::uint64_t r = 0, g = 0, b = 0;
        for (std::int32_t k = from[std::size_t(i)]; k < to[std::size_t(i)]; ++k)
          r += reds[std::size_t(k)], g += greens[std::size_t(k)], b += blues[std::size_t(k)];
        const std::uint64_t n = std::uint64_t(to[std::size_t(i)] - from[std::size_t(i)]) * std::uint64_t(sy1 - sy0);
        out[i] = qRgb(int((r + n / 2) / n), int((g + n / 2) / n), int((b + n / 2) / n));
      }
    }
  };
  // A large part in view is shared out among threads by device rows; without
  // a thread to spare, one does it all.
  const std::int64_t work = std::int64_t(length) * h * area.height() / cy;
  const int helpers = work < ThreadedPixels ? 0 : int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u)) - 1;
  std::vector<Sums> sums;
  std::vector<std::thread> threads;
  try {
    for (int t = 0; t <= helpers; ++t)
      sums.push_back({std::vector<QRgb>(length), std::vector<std::uint32_t>(length), std::vector<std::uint32_t>(length),
                      std::vector<std::uint32_t>(length)});
    threads.reserve(std::size_t(helpers));
  } catch (const std::bad_alloc&) {
    return {};  // no memory for it
  }
  const int height = area.height();
  for (int t = 1; t <= helpers; ++t) {
    const int j0 = height * t / (helpers + 1), j1 = height * (t + 1) / (helpers + 1);
    try {
      threads.emplace_back(rows, std::ref(sums[std::size_t(t)]), j0, j1);
    } catch (const std::system_error&) {
      rows(sums[std::size_t(t)], j0, j1);
    }
  }
  rows(sums[0], 0, height / (helpers + 1));
  for (std::thread& thread : threads) thread.join();
  return shown;
}

}  // namespace

QImage PreviewView(const QImage& picture, const platform::DeviceSpan& x, const platform::DeviceSpan& y, QRect area,
                   const Preview& preview) {
  if (picture.isNull() || area.isEmpty()) return {};
  const auto* result = std::get_if<ComputedResult>(&preview);
  if (result && (result->picture.size() != picture.size() || result->picture.format() != QImage::Format_RGB32))
    return {};
  const QImage& source = result ? result->picture : picture;
  if (x.count < source.width() || y.count < source.height()) return AveragedView(source, x, y, area, preview);
  QImage shown(area.size(), QImage::Format_RGB32);
  if (shown.isNull()) return shown;
  const auto on = [](const platform::DeviceSpan& span, int device, int size) {
    return std::clamp(span.PixelAt(device), 0, size - 1);
  };
  std::vector<int> columns(std::size_t(area.width()));
  for (int i = 0; i < area.width(); ++i) columns[std::size_t(i)] = on(x, area.left() + i, source.width());
  for (int j = 0; j < area.height(); ++j) {
    const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(on(y, area.top() + j, source.height())));
    auto* out = reinterpret_cast<QRgb*>(shown.scanLine(j));
    for (int i = 0; i < area.width(); ++i) out[i] = line[columns[std::size_t(i)]];
    PreviewRow(out, area.width(), preview);
  }
  return shown;
}

}  // namespace filters
