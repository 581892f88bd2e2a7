// The three filters on a 4000 x 3000 picture of varied colours:
//  - PlainCopy/BackToBack: memcpy of the picture's bytes from one buffer to
//    another, again and again, the memory-bandwidth floor;
//  - PlainCopy/AsRowOrder: the same memcpy, timed the way RowOrder times its
//    rules: before each copy the picture is restored from the original
//    outside the timing, so that the copy reads it from the same place in the
//    caches as the rules do. The figure to set beside RowOrder;
//  - BarePass/<rule>/<w>/<h>: the rule over every pixel, column after column,
//    as the picture box walks them, with no events in between (also at
//    10000 x 10000);
//  - RowOrder/<rule>: the rule over every pixel in row order, in place, as
//    tintaborra-lote runs it (vectorised), to set beside PlainCopy/AsRowOrder.
//    In place, each line is read and written back; the copy writes to lines
//    of a second buffer, which the processor usually reads in before writing
//    them, so a rule at memory speed can come out faster than the copy;
//  - FullRun/<filter>: the filter's click handler on a shown MainWindow on the
//    offscreen platform, with the real yield (QCoreApplication::processEvents:
//    column repaints and the label are painted), the message box answered by a
//    Dialogs whose messages return at once;
//  - PeakMemory: the process's peak resident size after loading such a
//    picture from a BMP file and running the three filters over it.
#include "formats/codecs.h"
#include "core/colors.h"
#include "core/pixel_rules.h"
#include "core/row_walk.h"
#include "varied_picture.h"
#include "window/main_window.h"
#include "window/forms/picturebox.h"
#include "window/forms/runtime.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr int W = 4000, H = 3000;

const filters::RemovalRule Removal(128, 128, 128, filters::White);
const filters::GreyTypeRule GreyType(140, 20);
const filters::WhiteningRule Whitening;

void PlainCopy(benchmark::State& state, bool restored) {
  const QImage original = VariedPicture(W, H);
  QImage source = original.copy();
  QImage target(W, H, QImage::Format_RGB32);
  target.fill(0);
  const auto bytes = static_cast<std::size_t>(source.sizeInBytes());
  for (auto _ : state) {
    if (restored) {
      state.PauseTiming();
      std::memcpy(source.bits(), original.constBits(), bytes);
      state.ResumeTiming();
    }
    std::memcpy(target.bits(), source.constBits(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * source.sizeInBytes());
}
BENCHMARK_CAPTURE(PlainCopy, BackToBack, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PlainCopy, AsRowOrder, true)->Unit(benchmark::kMillisecond);

// Every column through the picture box's TransformColumn, with no events in
// between, then the image read back, on a picture the box already holds a
// copy of its own of (as after the first run).
template <class Rule>
void BarePass(benchmark::State& state, const Rule& rule) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const QImage original = VariedPicture(w, h);
  platform::PictureBox box(nullptr, "Picture1");
  box.setAutoRedraw(true);
  for (auto _ : state) {
    state.PauseTiming();
    box.setPicture(original);
    box.PSet(0, 0, box.Point(0, 0));  // the box's own copy, made now and not timed
    state.ResumeTiming();
    for (int x = 0; x < w; ++x) box.TransformColumn(x, h - 1, rule);
    benchmark::DoNotOptimize(box.Image().constBits());
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK_CAPTURE(BarePass, Removal, Removal)->Args({W, H})->Args({10000, 10000})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BarePass, GreyType, GreyType)->Args({W, H})->Args({10000, 10000})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BarePass, Whitening, Whitening)->Args({W, H})->Args({10000, 10000})->Unit(benchmark::kMillisecond);

void RowOrder(benchmark::State& state, const filters::RowStep& step) {
  const QImage original = VariedPicture(W, H);
  QImage image = original.copy();
  const std::vector<filters::RowStep> steps{step};
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(image.bits(), original.constBits(), static_cast<std::size_t>(image.sizeInBytes()));
    state.ResumeTiming();
    filters::ApplyInRowOrder(image, steps);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * image.sizeInBytes());
}
BENCHMARK_CAPTURE(RowOrder, Removal, Removal)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RowOrder, GreyType, GreyType)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RowOrder, Whitening, Whitening)->Unit(benchmark::kMillisecond);

class SilentDialogs : public platform::Dialogs {
 public:
  bool ChooseFileToOpen(platform::FileRequest&) override { return false; }
  bool ChooseFileToSave(platform::FileRequest&) override { return false; }
  bool ChooseColour(platform::ColourRequest&) override { return false; }
  void ShowMessage(const QString&) override {}
};

std::unique_ptr<MainWindow> shownForm(SilentDialogs& dialogs) {
  platform::testing::SetScreenPixels(1024, 768);
  auto form = std::make_unique<MainWindow>(dialogs);
  form->start();
  form->show();
  form->targetRed = 128;
  form->targetGreen = 128;
  form->targetBlue = 128;
  QCoreApplication::processEvents();
  return form;
}

void FullRun(benchmark::State& state, void (MainWindow::*handler)()) {
  const QImage original = VariedPicture(W, H);
  SilentDialogs dialogs;
  const auto form = shownForm(dialogs);
  for (auto _ : state) {
    state.PauseTiming();
    form->pictureBox->setPicture(original);
    QCoreApplication::processEvents();
    state.ResumeTiming();
    ((*form).*handler)();
  }
  state.SetItemsProcessed(state.iterations() * W * H);
  state.counters["columns"] = W + 1;
}
BENCHMARK_CAPTURE(FullRun, Removal, &MainWindow::removeColourClicked)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FullRun, GreyType, &MainWindow::greyTypeClicked)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FullRun, Whitening, &MainWindow::whitenClicked)->Unit(benchmark::kMillisecond);

long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field) + 1));
  return -1;
}

// The peak since the high-water mark was reset (Linux: clear_refs 5); the
// mark is reset once the BMP file is written, so the figure counts loading
// and filtering, not the making of the test picture.
void BM_PeakMemory(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("varied.bmp"));
  platform::SavePicture(VariedPicture(W, H), path);
  SilentDialogs dialogs;
  auto form = shownForm(dialogs);
  for (auto _ : state) {
    std::ofstream("/proc/self/clear_refs") << "5";
    state.counters["before_MB"] = statusKiB("VmRSS:") / 1024.0;
    form->pictureBox->setPicture(platform::LoadPicture(path));
    form->removeColourClicked();
    form->greyTypeClicked();
    form->whitenClicked();
    state.counters["peak_MB"] = statusKiB("VmHWM:") / 1024.0;
  }
  state.counters["limit_MB"] = 3 * 48 + 100;
}
BENCHMARK(BM_PeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
