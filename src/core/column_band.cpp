#include "core/column_band.h"

#include "core/cpu_features.h"

#include <algorithm>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define TINTABORRA_AVX2_BAND 1
#endif

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

void prefetchRows(const uchar* bits, std::ptrdiff_t bpl, std::ptrdiff_t x0, std::size_t columns, std::size_t from,
                  std::size_t to) {
  for (std::size_t y = from; y < to; ++y) {
    const uchar* line = bits + std::ptrdiff_t(y) * bpl + x0 * 4;
    for (std::size_t b = 0; b < columns * 4; b += 64) __builtin_prefetch(line + b);
  }
}

// The image's rows [y0, y0 + n) and the band's columns [c0, c0 + m), n and m
// at most 8, exchanged one way (take) or the other.
using Block = void (*)(QRgb* image, std::ptrdiff_t stride, QRgb* band, std::ptrdiff_t rows, std::size_t n,
                       std::size_t m, bool take);

void blockPlain(QRgb* image, std::ptrdiff_t stride, QRgb* band, std::ptrdiff_t rows, std::size_t n, std::size_t m,
                bool take) {
  if (take)
    transposeSmall(image, stride, band, rows, n, m);
  else
    transposeSmall(band, rows, image, stride, m, n);
}

#ifdef TINTABORRA_AVX2_BAND
// Eight rows of eight pixels, each row src + i * srcStride, become eight
// columns, each column dst + i * dstStride.
[[gnu::target("avx2")]] inline void transpose8(const QRgb* src, std::ptrdiff_t srcStride, QRgb* dst,
                                               std::ptrdiff_t dstStride) {
  const auto* in = reinterpret_cast<const float*>(src);
  const __m256 r0 = _mm256_loadu_ps(in), r1 = _mm256_loadu_ps(in + srcStride), r2 = _mm256_loadu_ps(in + 2 * srcStride),
               r3 = _mm256_loadu_ps(in + 3 * srcStride), r4 = _mm256_loadu_ps(in + 4 * srcStride),
               r5 = _mm256_loadu_ps(in + 5 * srcStride), r6 = _mm256_loadu_ps(in + 6 * srcStride),
               r7 = _mm256_loadu_ps(in + 7 * srcStride);
  const __m256 t0 = _mm256_unpacklo_ps(r0, r1), t1 = _mm256_unpackhi_ps(r0, r1);
  const __m256 t2 = _mm256_unpacklo_ps(r2, r3), t3 = _mm256_unpackhi_ps(r2, r3);
  const __m256 t4 = _mm256_unpacklo_ps(r4, r5), t5 = _mm256_unpackhi_ps(r4, r5);
  const __m256 t6 = _mm256_unpacklo_ps(r6, r7), t7 = _mm256_unpackhi_ps(r6, r7);
  const __m256 s0 = _mm256_shuffle_ps(t0, t2, 0x44), s1 = _mm256_shuffle_ps(t0, t2, 0xEE);
  const __m256 s2 = _mm256_shuffle_ps(t1, t3, 0x44), s3 = _mm256_shuffle_ps(t1, t3, 0xEE);
  const __m256 s4 = _mm256_shuffle_ps(t4, t6, 0x44), s5 = _mm256_shuffle_ps(t4, t6, 0xEE);
  const __m256 s6 = _mm256_shuffle_ps(t5, t7, 0x44), s7 = _mm256_shuffle_ps(t5, t7, 0xEE);
  auto* out = reinterpret_cast<float*>(dst);
  _mm256_storeu_ps(out, _mm256_permute2f128_ps(s0, s4, 0x20));
  _mm256_storeu_ps(out + dstStride, _mm256_permute2f128_ps(s1, s5, 0x20));
  _mm256_storeu_ps(out + 2 * dstStride, _mm256_permute2f128_ps(s2, s6, 0x20));
  _mm256_storeu_ps(out + 3 * dstStride, _mm256_permute2f128_ps(s3, s7, 0x20));
  _mm256_storeu_ps(out + 4 * dstStride, _mm256_permute2f128_ps(s0, s4, 0x31));
  _mm256_storeu_ps(out + 5 * dstStride, _mm256_permute2f128_ps(s1, s5, 0x31));
  _mm256_storeu_ps(out + 6 * dstStride, _mm256_permute2f128_ps(s2, s6, 0x31));
  _mm256_storeu_ps(out + 7 * dstStride, _mm256_permute2f128_ps(s3, s7, 0x31));
}

[[gnu::target("avx2")]] void blockAvx2(QRgb* image, std::ptrdiff_t stride, QRgb* band, std::ptrdiff_t rows,
                                       std::size_t n, std::size_t m, bool take) {
  if (n < 8 || m < 8) return blockPlain(image, stride, band, rows, n, m, take);
  if (take)
    transpose8(image, stride, band, rows);
  else
    transpose8(band, rows, image, stride);
}

Block bestBlock() { return HasAvx2() ? blockAvx2 : blockPlain; }
#else
Block bestBlock() { return blockPlain; }
#endif

// Walks the image eight rows at a time and the band's columns first..last
// eight at a time, exchanging each block of pixels.
void exchange(uchar* bits, std::ptrdiff_t bpl, std::ptrdiff_t x0, std::size_t first, std::size_t last, std::size_t rows,
              QRgb* band, bool take) {
  static const Block block = bestBlock();
  const std::ptrdiff_t stride = bpl / std::ptrdiff_t(sizeof(QRgb));
  const std::size_t columns = last + 1 - first;
  for (std::size_t y0 = 0; y0 < rows; y0 += 8) {
    const std::size_t n = std::min<std::size_t>(8, rows - y0);
    prefetchRows(bits, bpl, x0 + std::ptrdiff_t(first), columns, std::min(rows, y0 + Ahead),
                 std::min(rows, y0 + Ahead + n));
    QRgb* line = reinterpret_cast<QRgb*>(bits + std::ptrdiff_t(y0) * bpl) + x0;
    for (std::size_t c0 = first; c0 <= last; c0 += 8)
      block(line + c0, stride, band + c0 * rows + y0, std::ptrdiff_t(rows), n, std::min<std::size_t>(8, last + 1 - c0),
            take);
  }
}

}  // namespace

void TakeColumns(const uchar* bits, std::ptrdiff_t bytesPerLine, std::ptrdiff_t x0, std::size_t columns,
                 std::size_t rows, QRgb* band) {
  if (columns == 0) return;
  // Only read: the image's pixels are handed through the same walk as PutColumns.
  exchange(const_cast<uchar*>(bits), bytesPerLine, x0, 0, columns - 1, rows, band, true);
}

void PutColumns(const QRgb* band, std::size_t rows, std::size_t first, std::size_t last, uchar* bits,
                std::ptrdiff_t bytesPerLine, std::ptrdiff_t x0) {
  if (first > last) return;
  exchange(bits, bytesPerLine, x0, first, last, rows, const_cast<QRgb*>(band), false);
}

}  // namespace platform
