#pragma once
// Dialogs for tests and benchmarks: each call is recorded with the record it
// was given, and answered by the next scripted answer (or cancelled when none
// is left).

#include "window/forms/dialogs.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace testsupport {

class ScriptedDialogs : public platform::Dialogs {
 public:
  using FileAnswer = std::function<long(platform::OPENFILENAME&)>;
  using ColourAnswer = std::function<long(platform::CHOOSECOLOR&)>;

  // An answer that confirms path, filling the buffers as a real dialog does.
  static FileAnswer Choose(const QString& path);
  static ColourAnswer ChooseColour(platform::ColorValue colour);
  static long Cancel(platform::OPENFILENAME&) { return 0; }

  long GetOpenFileNameA(platform::OPENFILENAME& ofn) override;
  long GetSaveFileNameA(platform::OPENFILENAME& ofn) override;
  long ChooseColorA(platform::CHOOSECOLOR& cc) override;
  int MsgBox(const QString& prompt, int buttons) override;

  std::deque<FileAnswer> openAnswers, saveAnswers;
  std::deque<ColourAnswer> colourAnswers;
  // Runs inside each message box, as the user's reaction while it is open.
  std::function<int(const QString& prompt, int buttons)> onMessage;

  std::vector<platform::OPENFILENAME> openCalls, saveCalls;
  std::vector<platform::CHOOSECOLOR> colourCalls;
  std::vector<platform::CustomColorTable> customColoursShown;
  QStringList messages;
};

}  // namespace testsupport
