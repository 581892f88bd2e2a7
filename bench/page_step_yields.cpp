// How long the window goes without handling its events while a page step
// runs on a large picture: the longest wait between two yields, and the work
// left to the window's thread after the last one (putting the result in
// place, the undo step), beside the whole run.
//   page_step_yields [side]   (a side x side picture, 10000 for 100 megapixels)
#include "support/scripted_dialogs.h"
#include "varied_picture.h"
#include "window/forms/runtime.h"
#include "window/main_window.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int side = argc > 1 ? std::atoi(argv[1]) : 10000;
  testsupport::ScriptedDialogs dialogs;
  MainWindow window(dialogs);
  window.start();
  window.pictureBox->setPicture(VariedPicture(side, side));

  const struct {
    const char* name;
    void (MainWindow::*run)();
  } runs[] = {{"fondo blanco", &MainWindow::whiteBackgroundClicked},
              {"blanco y negro local", &MainWindow::localBlackWhiteClicked}};
  for (const auto& r : runs) {
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    int yields = 0;
    platform::testing::SetDoEvents([&] {
      const qint64 now = clock.nsecsElapsed();
      longest = std::max(longest, now - last);
      last = now;
      ++yields;
      QCoreApplication::processEvents();
    });
    clock.start();
    (window.*r.run)();
    const qint64 total = clock.nsecsElapsed();
    std::printf("%-22s %dx%d: run %.0f ms, %d yields, longest between yields %.1f ms, after the last %.1f ms\n", r.name,
                side, side, total / 1e6, yields, longest / 1e6, (total - last) / 1e6);
  }
  return 0;
}
