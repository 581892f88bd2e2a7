#pragma once
// Dialogs for tests and benchmarks: each call is recorded with the request it
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
  using FileAnswer = std::function<bool(platform::FileRequest&)>;
  using ColourAnswer = std::function<bool(platform::ColourRequest&)>;

  // An answer that confirms path, as a real dialog does.
  static FileAnswer Choose(const QString& path);
  static ColourAnswer ChooseColour(platform::ColorValue colour);
  static bool Cancel(platform::FileRequest&) { return false; }

  bool ChooseFileToOpen(platform::FileRequest& request) override;
  bool ChooseFileToSave(platform::FileRequest& request) override;
  bool ChooseColour(platform::ColourRequest& request) override;
  void ShowMessage(const QString& text) override;

  std::deque<FileAnswer> openAnswers, saveAnswers;
  std::deque<ColourAnswer> colourAnswers;
  // Runs inside each message box, as the user's reaction while it is open.
  std::function<void(const QString& text)> onMessage;

  std::vector<platform::FileRequest> openCalls, saveCalls;
  std::vector<platform::ColourRequest> colourCalls;
  QStringList messages;
};

}  // namespace testsupport
