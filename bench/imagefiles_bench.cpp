// Opening, list-loading, saving and copying a 10000 x 10000 picture (100
// megapixels, 400 MB in memory, 300 MB as a BMP file), with the peak memory
// of each. peak_MB is the process's high-water mark during the run; extra_MB
// is how far it rose above what was resident when the run began. One whole
// picture is 381 MB: an open or a list load needs one, a save or copy none.
#include "formats/codecs.h"
#include "support/scripted_dialogs.h"
#include "window/main_window.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr int Side = 10000;

double statusMB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::stod(line.substr(key.size())) / 1024.0;
  return 0;
}

// Starts a new high-water mark at the current resident size.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The folder with the big BMP file, written once for all benchmarks.
struct BigFile {
  QTemporaryDir dir;
  QString path;
  BigFile() {
    QImage picture(Side, Side, QImage::Format_RGB32);
    for (int y = 0; y < Side; ++y) {
      auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
      for (int x = 0; x < Side; ++x) line[x] = qRgb(x % 256, y % 256, (x ^ y) % 256);
    }
    path = dir.filePath("grande.bmp");
    platform::SavePicture(picture, path);
  }
};

BigFile& bigFile() {
  static BigFile file;
  return file;
}

struct Session {
  using Dialogs = testsupport::ScriptedDialogs;
  Dialogs dialogs;
  std::unique_ptr<MainWindow> window;
  const QString savePath = bigFile().dir.filePath("copia");
  Session() {
    window = std::make_unique<MainWindow>(dialogs);
    window->start();
  }
  ~Session() { QFile::remove(savePath + ".bmp"); }
  // The dialogs confirm the big picture and the copy beside it.
  void open() {
    dialogs.openAnswers.push_back(Dialogs::Choose(bigFile().path));
    window->openImage();
  }
  void save() {
    dialogs.saveAnswers.push_back(Dialogs::Choose(savePath));
    window->saveImageAs();
  }
  // Opens the big picture and draws on it, as a filter would.
  void openAndDraw() {
    open();
    window->pictureBox->setDrawWidth(1);
    window->pictureBox->PSet(0, 0, 0);
  }
};

void report(benchmark::State& state, const Session& s, double before) {
  if (!s.dialogs.messages.isEmpty()) state.SkipWithError(s.dialogs.messages.join(" | ").toStdString().c_str());
  const double peak = statusMB("VmHWM");
  state.counters["peak_MB"] = peak;
  state.counters["extra_MB"] = peak - before;
  state.SetBytesProcessed(state.iterations() * qint64(Side) * Side * 4);
}

void BM_OpenImage(benchmark::State& state) {
  Session s;
  const QImage small(8, 8, QImage::Format_RGB32);
  const double before = statusMB("VmRSS");
  resetPeak();
  for (auto _ : state) {
    s.open();
    state.PauseTiming();
    s.window->pictureBox->setPicture(small);
    state.ResumeTiming();
  }
  report(state, s, before);
}
BENCHMARK(BM_OpenImage)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ListLoad(benchmark::State& state) {
  Session s;
  s.window->fileList->setPath(bigFile().dir.path());
  const QImage small(8, 8, QImage::Format_RGB32);
  const double before = statusMB("VmRSS");
  resetPeak();
  for (auto _ : state) {
    s.window->fileList->setCurrentRow(0);  // loads through fileListClicked
    state.PauseTiming();
    s.window->fileList->clearSelection();
    s.window->pictureBox->setPicture(small);
    state.ResumeTiming();
  }
  report(state, s, before);
}
BENCHMARK(BM_ListLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

// A save after a filter has drawn on the picture.
void BM_SaveImageAs(benchmark::State& state) {
  Session s;
  s.openAndDraw();
  const double before = statusMB("VmRSS");
  resetPeak();
  for (auto _ : state) s.save();
  report(state, s, before);
}
BENCHMARK(BM_SaveImageAs)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenAndSave(benchmark::State& state) {
  Session s;
  const double before = statusMB("VmRSS");
  resetPeak();
  for (auto _ : state) {
    s.open();
    s.save();
  }
  report(state, s, before);
}
BENCHMARK(BM_OpenAndSave)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Copy(benchmark::State& state) {
  Session s;
  s.openAndDraw();
  const double before = statusMB("VmRSS");
  resetPeak();
  for (auto _ : state) s.window->copyClicked();
  report(state, s, before);
}
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
