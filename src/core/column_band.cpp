// The exchange between the image and the band is built by Highway for each
// instruction set it knows, like the walker (row_walk.cpp): both take the
// best one the processor runs, and row_kernels.h's UseOnly picks for both.
// This file's own path as included from src/: it changes when the file moves.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "core/column_band.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "core/column_band.h"

#include <algorithm>
#include <cstddef>

#ifndef PLATFORM_COLUMN_BAND_ONCE
#define PLATFORM_COLUMN_BAND_ONCE

namespace platform {
namespace {

// The image is taken eight rows at a time; the rows this far ahead are
// fetched meanwhile, since the processor's own prefetcher stops at the end of
// each row's few lines.
constexpr std::size_t Ahead = 16;

// dst[c * dstStride + r] = src[r * srcStride + c] for r < n, c < m.
inline void transposeSmall(const QRgb* src, std::ptrdiff_t srcStride, QRgb* dst, std::ptrdiff_t dstStride,
                           std::size_t n, std::size_t m) {
  for (std::size_t r = 0; r < n; ++r)
    for (std::size_t c = 0; c < m; ++c)
      dst[std::ptrdiff_t(c) * dstStride + std::ptrdiff_t(r)] = src[std::ptrdiff_t(r) * srcStride + std::ptrdiff_t(c)];
}

// The image's rows [y0, y0 + n) and the band's columns [c0, c0 + m), n and m
// at most 8, exchanged one way (take) or the other.
inline void blockPlain(QRgb* image, std::ptrdiff_t stride, QRgb* band, std::ptrdiff_t rows, std::size_t n,
                       std::size_t m, bool take) {
  if (take)
    transposeSmall(image, stride, band, rows, n, m);
  else
    transposeSmall(band, rows, image, stride, m, n);
}

inline void prefetchRows(const uchar* bits, std::ptrdiff_t bpl, std::ptrdiff_t x0, std::size_t columns,
                         std::size_t from, std::size_t to) {
  for (std::size_t y = from; y < to; ++y) {
    const uchar* line = bits + std::ptrdiff_t(y) * bpl + x0 * 4;
    for (std::size_t b = 0; b < columns * 4; b += 64) __builtin_prefetch(line + b);
  }
}

}  // namespace
}  // namespace platform

#endif  // PLATFORM_COLUMN_BAND_ONCE

HWY_BEFORE_NAMESPACE();
namespace platform::HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR && HWY_MAX_BYTES >= 32 && HWY_ARCH_X86
// Vectors of eight pixels: eight rows of eight, each row src + i * srcStride,
// become eight columns, each column dst + i * dstStride. Instruction sets
// with shorter vectors exchange the pixels one by one.
constexpr bool EightAtOnce = true;
using D8 = hn::FixedTag<std::uint32_t, 8>;

HWY_INLINE void transpose8(const QRgb* src, std::ptrdiff_t srcStride, QRgb* dst, std::ptrdiff_t dstStride) {
  const D8 d;
  const hn::Repartition<std::uint64_t, D8> d64;
  using V = hn::Vec<D8>;
  V r[8];
  for (int i = 0; i < 8; ++i) r[i] = hn::LoadU(d, src + i * srcStride);
  // Within each half: pairs of rows interleaved, then pairs of pairs.
  const V t0 = hn::InterleaveLower(d, r[0], r[1]), t1 = hn::InterleaveUpper(d, r[0], r[1]);
  const V t2 = hn::InterleaveLower(d, r[2], r[3]), t3 = hn::InterleaveUpper(d, r[2], r[3]);
  const V t4 = hn::InterleaveLower(d, r[4], r[5]), t5 = hn::InterleaveUpper(d, r[4], r[5]);
  const V t6 = hn::InterleaveLower(d, r[6], r[7]), t7 = hn::InterleaveUpper(d, r[6], r[7]);
  const auto lower = [&](V a, V b) HWY_ATTR {
    return hn::BitCast(d, hn::InterleaveLower(d64, hn::BitCast(d64, a), hn::BitCast(d64, b)));
  };
  const auto upper = [&](V a, V b) HWY_ATTR {
    return hn::BitCast(d, hn::InterleaveUpper(d64, hn::BitCast(d64, a), hn::BitCast(d64, b)));
  };
  const V s0 = lower(t0, t2), s1 = upper(t0, t2), s2 = lower(t1, t3), s3 = upper(t1, t3);
  const V s4 = lower(t4, t6), s5 = upper(t4, t6), s6 = lower(t5, t7), s7 = upper(t5, t7);
  // Then the halves: rows 0..3 of a column from the first four, 4..7 from the others.
  hn::StoreU(hn::ConcatLowerLower(d, s4, s0), d, dst);
  hn::StoreU(hn::ConcatLowerLower(d, s5, s1), d, dst + dstStride);
  hn::StoreU(hn::ConcatLowerLower(d, s6, s2), d, dst + 2 * dstStride);
  hn::StoreU(hn::ConcatLowerLower(d, s7, s3), d, dst + 3 * dstStride);
  hn::StoreU(hn::ConcatUpperUpper(d, s4, s0), d, dst + 4 * dstStride);
  hn::StoreU(hn::ConcatUpperUpper(d, s5, s1), d, dst + 5 * dstStride);
  hn::StoreU(hn::ConcatUpperUpper(d, s6, s2), d, dst + 6 * dstStride);
  hn::StoreU(hn::ConcatUpperUpper(d, s7, s3), d, dst + 7 * dstStride);
}
#else
constexpr bool EightAtOnce = false;
void transpose8(const QRgb*, std::ptrdiff_t, QRgb*, std::ptrdiff_t) {}
#endif

}  // namespace

// Walks the image eight rows at a time and the band's columns first..last
// eight at a time, exchanging each block of pixels.
void Exchange(uchar* bits, std::ptrdiff_t bpl, std::ptrdiff_t x0, std::size_t first, std::size_t last, std::size_t rows,
              QRgb* band, bool take) {
  const std::ptrdiff_t stride = bpl / std::ptrdiff_t(sizeof(QRgb));
  const std::size_t columns = last + 1 - first;
  for (std::size_t y0 = 0; y0 < rows; y0 += 8) {
    const std::size_t n = std::min<std::size_t>(8, rows - y0);
    prefetchRows(bits, bpl, x0 + std::ptrdiff_t(first), columns, std::min(rows, y0 + Ahead),
                 std::min(rows, y0 + Ahead + n));
    QRgb* line = reinterpret_cast<QRgb*>(bits + std::ptrdiff_t(y0) * bpl) + x0;
    for (std::size_t c0 = first; c0 <= last; c0 += 8) {
      const std::size_t m = std::min<std::size_t>(8, last + 1 - c0);
      QRgb* const image = line + c0;
      QRgb* const at = band + c0 * rows + y0;
      if (!EightAtOnce || n < 8 || m < 8)
        blockPlain(image, stride, at, std::ptrdiff_t(rows), n, m, take);
      else if (take)
        transpose8(image, stride, at, std::ptrdiff_t(rows));
      else
        transpose8(at, std::ptrdiff_t(rows), image, stride);
    }
  }
}

}  // namespace platform::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace platform {

HWY_EXPORT(Exchange);

void TakeColumns(const uchar* bits, std::ptrdiff_t bytesPerLine, std::ptrdiff_t x0, std::size_t columns,
                 std::size_t rows, QRgb* band) {
  if (columns == 0) return;
  // Only read: the image's pixels are handed through the same walk as PutColumns.
  HWY_DYNAMIC_DISPATCH(Exchange)(const_cast<uchar*>(bits), bytesPerLine, x0, 0, columns - 1, rows, band, true);
}

void PutColumns(const QRgb* band, std::size_t rows, std::size_t first, std::size_t last, uchar* bits,
                std::ptrdiff_t bytesPerLine, std::ptrdiff_t x0) {
  if (first > last) return;
  HWY_DYNAMIC_DISPATCH(Exchange)(bits, bytesPerLine, x0, first, last, rows, const_cast<QRgb*>(band), false);
}

}  // namespace platform

#endif  // HWY_ONCE
