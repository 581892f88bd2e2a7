#include "filters/row_walk.h"

#include "platform/colors.h"

#include <algorithm>

namespace filters {

namespace {

// The loop the compiler turns into vector code: every pixel is read, mapped
// and written back, with no test that could jump. The rule is a copy of its
// own, which no pixel store can alias.
template <class Rule>
inline void walk(QRgb* __restrict row, std::ptrdiff_t count, const Rule& columnRule) {
  const Rule rule = columnRule;
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const platform::ColorValue c = platform::FromQRgb(row[i]);
    // A pixel's colour has no sign; knowing it spares the vector code the sign
    // corrections of the rules' divisions.
    if (c < 0) __builtin_unreachable();
    row[i] = platform::ToQRgb(rule(c));
  }
}

}  // namespace

// Each is compiled for the baseline processor, for AVX2 and for AVX-512 (whose
// masks make the rules' many comparisons cheap); the loader picks the best
// one the processor runs.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define TINTABORRA_ROW_CLONES [[gnu::target_clones("arch=x86-64-v4", "avx2", "default")]]
#else
#define TINTABORRA_ROW_CLONES
#endif

TINTABORRA_ROW_CLONES void WalkRow(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) { walk(row, count, rule); }
TINTABORRA_ROW_CLONES void WalkRow(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) { walk(row, count, rule); }
TINTABORRA_ROW_CLONES void WalkRow(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule) { walk(row, count, rule); }

void ApplyInRowOrder(QImage& picture, const std::vector<RowStep>& steps) {
  if (steps.empty() || picture.isNull()) return;
  if (picture.format() != QImage::Format_RGB32) picture.convertTo(QImage::Format_RGB32);
  // About 256 KB of pixels at a time: the band stays in the second-level cache
  // from one step to the next.
  // A band whose lines carry no padding is walked as one run of pixels.
  const std::ptrdiff_t width = picture.width(), height = picture.height();
  const std::ptrdiff_t bandRows = std::max<std::ptrdiff_t>(1, (1 << 16) / width);
  uchar* const bits = picture.bits();
  const std::ptrdiff_t bpl = picture.bytesPerLine();
  for (std::ptrdiff_t top = 0; top < height; top += bandRows) {
    const std::ptrdiff_t rows = std::min(height - top, bandRows);
    for (const RowStep& step : steps)
      std::visit(
          [&](const auto& rule) {
            if (bpl == width * 4)
              return WalkRow(reinterpret_cast<QRgb*>(bits + top * bpl), rows * width, rule);
            for (std::ptrdiff_t y = top; y < top + rows; ++y) WalkRow(reinterpret_cast<QRgb*>(bits + y * bpl), width, rule);
          },
          step);
  }
}

}  // namespace filters
