// The Shift preview over a 100-megapixel picture in a 1280 x 900 view: one
// update is a new preview and a whole repaint of the view with it, as when
// the pointer moves. The goal is 30 updates a second or more at any zoom.
// Run with: build/bench/tintaborra_bench --benchmark_filter=Preview
#include "varied_picture.h"
#include "window/forms/picturebox.h"

#include <QImage>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <memory>

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

template <class MakePreview>
void RunPreview(benchmark::State& state, MakePreview makePreview) {
  QWidget frame;
  frame.resize(ViewW, ViewH);
  auto* box = new platform::PictureBox(&frame, QStringLiteral("Picture1"));
  box->setAutoSize(true);
  box->setPicture(Hundred());
  box->setZoom(ZoomOf(state.range(0)));
  QImage screen(frame.size(), QImage::Format_RGB32);
  int i = 0;
  for (auto _ : state) {
    box->setPreview(makePreview(i++));
    frame.render(&screen);
    benchmark::DoNotOptimize(screen.constBits());
  }
  state.SetItemsProcessed(state.iterations());  // updates
  state.SetLabel(QStringLiteral("zoom %1").arg(box->Zoom()).toStdString());
}

// Shift over the picture: a new target at every update, as the pointer moves.
void BM_PreviewTintFollowingThePointer(benchmark::State& state) {
  RunPreview(state, [](int i) {
    return filters::ChangesTinted(filters::RemovalRule(i % 256, (i * 7) % 256, (i * 13) % 256, 0xFFFFFF));
  });
}
BENCHMARK(BM_PreviewTintFollowingThePointer)->Arg(8)->Arg(1)->Arg(104)->Unit(benchmark::kMillisecond);

// Shift over "Blanco y negro": the grey-type filter's result.
void BM_PreviewGreyType(benchmark::State& state) {
  RunPreview(state, [](int) { return filters::GreyTypeRule(140, 20); });
}
BENCHMARK(BM_PreviewGreyType)->Arg(8)->Arg(1)->Arg(104)->Unit(benchmark::kMillisecond);

}  // namespace
