#pragma once
// Dialogs for benchmarks: the file dialogs confirm fixed paths, the colour
// dialog is cancelled and message boxes are only recorded.

#include "window/forms/dialogs.h"

#include <QFileInfo>
#include <QStringList>

class QuietDialogs : public platform::Dialogs {
 public:
  QString openPath, savePath;
  QStringList messages;

  long GetOpenFileNameA(platform::OPENFILENAME& ofn) override { return confirm(ofn, openPath); }
  long GetSaveFileNameA(platform::OPENFILENAME& ofn) override { return confirm(ofn, savePath); }
  long ChooseColorA(platform::CHOOSECOLOR&) override { return 0; }
  int MsgBox(const QString& prompt, int) override {
    messages << prompt;
    return platform::vbOK;
  }

 private:
  static long confirm(platform::OPENFILENAME& ofn, const QString& path) {
    ofn.lpstrFile = path + QChar(u'\0');
    ofn.lpstrFileTitle = QFileInfo(path).fileName() + QChar(u'\0');
    return 1;
  }
};
