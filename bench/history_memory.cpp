// What the undo history holds after filter runs on a big picture, and the
// process's peak memory: the figures behind the history's limits.
//   history_memory <width> <height> <runs> varied|whole
// varied: colour removals of colours taken from the benchmarks' varied
//         picture, each repainting the part of it near that colour;
// whole:  removals that repaint every pixel of a plain picture, turn about
//         from grey to red and back, so that every step changes everything.
#include "core/numbers.h"
#include "support/scripted_dialogs.h"
#include "varied_picture.h"
#include "window/main_window.h"

#include <QApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: history_memory <width> <height> <runs> varied|whole\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int width = std::atoi(argv[1]), height = std::atoi(argv[2]), runs = std::atoi(argv[3]);
  const bool whole = std::strcmp(argv[4], "whole") == 0;
  const platform::ColorValue grey = platform::RGB(128, 128, 128), red = platform::RGB(200, 0, 0);
  QImage picture = VariedPicture(width, height);
  if (whole) picture.fill(platform::ToQRgb(grey));

  testsupport::ScriptedDialogs dialogs;
  MainWindow window(dialogs);
  window.start();
  window.pictureBox->setPicture(picture);
  window.undoHistory.Clear(window.pictureBox->Image());
  for (int i = 0; i < runs; ++i) {
    platform::ColorValue target =
        whole ? (i % 2 ? red : grey) : window.pictureBox->Point(i * 7 % width, i * 13 % height);
    window.targetRed = target & 0xFF;
    window.targetGreen = (target >> 8) & 0xFF;
    window.targetBlue = static_cast<std::int16_t>((target >> 16) & 0xFF);
    window.replacementButton->setBackColor(whole ? (i % 2 ? grey : red) : platform::RGB(255, 255, 254));
    QElapsedTimer timer;
    timer.start();
    window.removeColourClicked();
    const filters::History& h = window.undoHistory;
    std::printf("run %2d: %6lld ms, %2d steps, %8.1f MiB (newest %s)\n", i + 1, static_cast<long long>(timer.elapsed()),
                h.Steps(), h.Bytes() / 1048576.0, h.KeepsChangesOnly(h.Steps() - 1) ? "changes only" : "whole picture");
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("picture %.1f MiB; history %.1f MiB in %d steps; peak resident %.1f MiB\n",
              picture.sizeInBytes() / 1048576.0, window.undoHistory.Bytes() / 1048576.0, window.undoHistory.Steps(),
              usage.ru_maxrss / 1024.0);
  return 0;
}
