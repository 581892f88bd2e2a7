// A whole session on one picture, for measuring the program's peak memory
// with /usr/bin/time -v (see bench/memory.sh): open, every filter, copy, save.
//   whole_session <picture> <save path without .bmp>
#include "formats/codecs.h"
#include "support/scripted_dialogs.h"
#include "window/forms/runtime.h"
#include "window/main_window.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: whole_session <picture> <save path>\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  platform::InitCodecs();
  using Dialogs = testsupport::ScriptedDialogs;
  Dialogs dialogs;  // confirming the picture to open, then the save path
  dialogs.openAnswers.push_back(Dialogs::Choose(QString::fromLocal8Bit(argv[1])));
  dialogs.saveAnswers.push_back(Dialogs::Choose(QString::fromLocal8Bit(argv[2])));
  MainWindow window(dialogs);
  window.start();

  const struct {
    const char* name;
    void (MainWindow::*step)();
  } steps[] = {{"open", &MainWindow::openImage},
               {"copy", &MainWindow::copyClicked},
               {"colour removal", &MainWindow::removeColourClicked},
               {"grey-type", &MainWindow::greyTypeClicked},
               {"whitening", &MainWindow::whitenClicked},
               {"copy", &MainWindow::copyClicked},
               {"save", &MainWindow::saveImageAs}};
  for (const auto& s : steps) {
    QElapsedTimer timer;
    timer.start();
    (window.*s.step)();
    std::printf("%-15s %7lld ms\n", s.name, static_cast<long long>(timer.elapsed()));
  }
  for (const QString& m : dialogs.messages)
    if (m != QStringLiteral("Dibujo terminado")) std::printf("message: %s\n", qPrintable(m));
  std::printf("picture %d x %d\n", window.pictureBox->Image().width(), window.pictureBox->Image().height());
  std::printf("undo history %zu MB\n", window.undoHistory.Bytes() / 1048576);
  return dialogs.messages.count(QStringLiteral("Dibujo terminado")) == 3 ? 0 : 1;
}
