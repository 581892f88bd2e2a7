// Point and PSet over every pixel of a 4000 x 3000 picture, against the same
// loop over the picture's scan lines.
#include "varied_picture.h"
#include "window/forms/picturebox.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int W = 4000, H = 3000;

// The same work per pixel as the Point/PSet loop below: read, convert to a
// colour value, change, convert back, write.
inline void invertLine(QRgb* line) {
  for (int x = 0; x < W; ++x) line[x] = platform::ToQRgb(platform::FromQRgb(line[x]) ^ 0x00FFFFFF);
}

void BM_ScanLinesDirect(benchmark::State& state) {
  QImage image = VariedPicture(W, H);
  for (auto _ : state) {
    for (int y = 0; y < H; ++y) invertLine(reinterpret_cast<QRgb*>(image.scanLine(y)));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_ScanLinesDirect)->Unit(benchmark::kMillisecond);

// The same loop one pixel at a time, as the compiler gives it without SIMD:
// what a per-pixel accessor can be measured against.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-vectorize")))
#endif
void BM_ScanLinesDirectScalar(benchmark::State& state) {
  QImage image = VariedPicture(W, H);
  for (auto _ : state) {
    for (int y = 0; y < H; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
#if defined(__clang__)
#pragma clang loop vectorize(disable)
#endif
      for (int x = 0; x < W; ++x) line[x] = platform::ToQRgb(platform::FromQRgb(line[x]) ^ 0x00FFFFFF);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_ScanLinesDirectScalar)->Unit(benchmark::kMillisecond);

void BM_PointAndPSet(benchmark::State& state) {
  platform::PictureBox box(nullptr, "Picture1");
  box.setPicture(VariedPicture(W, H));
  box.setAutoRedraw(true);
  box.PSet(0, 0, box.Point(0, 0));  // the first write takes the box's own copy of the picture
  for (auto _ : state) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) box.PSet(x, y, box.Point(x, y) ^ 0x00FFFFFF);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_PointAndPSet)->Unit(benchmark::kMillisecond);

}  // namespace
