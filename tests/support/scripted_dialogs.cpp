#include "support/scripted_dialogs.h"

#include <QFileInfo>

namespace testsupport {

ScriptedDialogs::FileAnswer ScriptedDialogs::Choose(const QString& path) {
  return [path](platform::OPENFILENAME& ofn) -> long {
    const QString title = path.mid(path.lastIndexOf(u'/') + 1);
    ofn.lpstrFile = path + QChar(u'\0');
    ofn.lpstrFileTitle = title + QChar(u'\0');
    return 1;
  };
}

ScriptedDialogs::ColourAnswer ScriptedDialogs::ChooseColour(platform::ColorValue colour) {
  return [colour](platform::CHOOSECOLOR& cc) -> long {
    cc.rgbResult = colour;
    return 1;
  };
}

long ScriptedDialogs::GetOpenFileNameA(platform::OPENFILENAME& ofn) {
  openCalls.push_back(ofn);
  if (openAnswers.empty()) return 0;
  auto answer = std::move(openAnswers.front());
  openAnswers.pop_front();
  return answer(ofn);
}

long ScriptedDialogs::GetSaveFileNameA(platform::OPENFILENAME& ofn) {
  saveCalls.push_back(ofn);
  if (saveAnswers.empty()) return 0;
  auto answer = std::move(saveAnswers.front());
  saveAnswers.pop_front();
  return answer(ofn);
}

long ScriptedDialogs::ChooseColorA(platform::CHOOSECOLOR& cc) {
  colourCalls.push_back(cc);
  customColoursShown.push_back(cc.lpCustColors ? *cc.lpCustColors : platform::CustomColorTable{});
  if (colourAnswers.empty()) return 0;
  auto answer = std::move(colourAnswers.front());
  colourAnswers.pop_front();
  return answer(cc);
}

int ScriptedDialogs::MsgBox(const QString& prompt, int buttons) {
  messages << prompt;
  return onMessage ? onMessage(prompt, buttons) : platform::vbOK;
}

}  // namespace testsupport
