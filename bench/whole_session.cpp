// A whole session on one picture, for measuring the program's peak memory
// with /usr/bin/time -v (see bench/memory.sh): open, every filter, copy, save.
//   whole_session <picture> <save path without .bmp>
#include "formats/codecs.h"
#include "support/scripted_dialogs.h"
#include "window/form1.h"
#include "window/forms/runtime.h"

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
  Form1 form(dialogs);
  form.Form_Load();

  const struct {
    const char* name;
    void (Form1::*step)();
  } steps[] = {{"open", &Form1::OpenImage},
               {"copy", &Form1::Command2_Click},
               {"colour removal", &Form1::Command6_Click},
               {"grey-type", &Form1::Command1_Click},
               {"whitening", &Form1::Command3_Click},
               {"copy", &Form1::Command2_Click},
               {"save", &Form1::SaveImageAs}};
  for (const auto& s : steps) {
    QElapsedTimer timer;
    timer.start();
    (form.*s.step)();
    std::printf("%-15s %7lld ms\n", s.name, static_cast<long long>(timer.elapsed()));
  }
  for (const QString& m : dialogs.messages)
    if (m != QStringLiteral("Dibujo terminado")) std::printf("message: %s\n", qPrintable(m));
  std::printf("picture %d x %d\n", form.Picture1->Image().width(), form.Picture1->Image().height());
  std::printf("undo history %zu MB\n", form.UndoHistory.Bytes() / 1048576);
  return dialogs.messages.count(QStringLiteral("Dibujo terminado")) == 3 ? 0 : 1;
}
