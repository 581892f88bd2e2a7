// The Shift preview over a 100-megapixel picture in a 1280 x 900 view: one
// update is a new preview and a whole repaint of the view with it, as when
// the pointer moves. The goal is 30 updates a second or more at any zoom.
// Zoomed out (1/8, 1/4), every picture pixel in view goes through the rule at
// full size and is averaged as the view averages the picture, on the threads
// the machine has: updates are counted by the clock, not by this thread's CPU.
// Run with: build/bench/tintaborra_bench --benchmark_filter=Preview
#include "varied_picture.h"
#include "window/forms/picturebox.h"

#include <QImage>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>

namespace {

constexpr int Side = 10000;  // 100 megapixels
constexpr int ViewW = 1280, ViewH = 900;

// One picture for every run: making it takes longer than the runs.
const QImage& Hundred() {
  static const QImage picture = VariedPicture(Side, Side);
  return picture;
}

// state.range(0): the zoom's denominator at 1/8, or 1, or the zoom above 1 as 100 + zoom.
double ZoomOf(std::int64_t code) { return code > 100 ? double(code - 100) : 1.0 / double(code); }

// state.range(1), when given: the screen's device pixels to the pixel, in hundredths.
template <class MakePreview>
void RunPreview(benchmark::State& state, MakePreview makePreview) {
  const double ratio = state.range(1) / 100.0;
  QWidget frame;
  frame.resize(ViewW, ViewH);
  auto* box = new platform::PictureBox(&frame, QStringLiteral("Picture1"));
  box->setAutoSize(true);
  box->setPicture(Hundred());
  box->setZoom(ZoomOf(state.range(0)));
  QImage screen((QSizeF(frame.size()) * ratio).toSize(), QImage::Format_RGB32);
  screen.setDevicePixelRatio(ratio);
  int i = 0;
  for (auto _ : state) {
    box->setPreview(makePreview(i++));
    frame.render(&screen);
    benchmark::DoNotOptimize(screen.constBits());
  }
  state.SetItemsProcessed(state.iterations());  // updates
  state.SetLabel(QStringLiteral("zoom %1 ratio %2").arg(box->Zoom()).arg(ratio).toStdString());
}

// Shift over the picture: a new target at every update, as the pointer moves.
void BM_PreviewTintFollowingThePointer(benchmark::State& state) {
  RunPreview(state, [](int i) {
    return filters::ChangesTinted(filters::RemovalRule(i % 256, (i * 7) % 256, (i * 13) % 256, 0xFFFFFF));
  });
}
BENCHMARK(BM_PreviewTintFollowingThePointer)
    ->Args({8, 100})
    ->Args({4, 100})
    ->Args({1, 100})
    ->Args({104, 100})
    ->Args({1, 150})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Shift over "Blanco y negro": the grey-type filter's result.
void BM_PreviewGreyType(benchmark::State& state) {
  RunPreview(state, [](int) { return filters::GreyTypeRule(140, 20); });
}
BENCHMARK(BM_PreviewGreyType)
    ->Args({8, 100})
    ->Args({4, 100})
    ->Args({1, 100})
    ->Args({104, 100})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// No preview: the view itself repainted whole, as after a scroll, on a
// screen of 1 and of 1.5 device pixels to the pixel.
void BM_ViewRepaint(benchmark::State& state) {
  RunPreview(state, [](int) { return std::optional<filters::Preview>(); });
}
BENCHMARK(BM_ViewRepaint)
    ->Args({8, 100})
    ->Args({1, 100})
    ->Args({104, 100})
    ->Args({8, 150})
    ->Args({1, 150})
    ->Args({104, 150})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
