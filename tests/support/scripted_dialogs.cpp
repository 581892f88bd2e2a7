#include "support/scripted_dialogs.h"

namespace testsupport {

ScriptedDialogs::FileAnswer ScriptedDialogs::Choose(const QString& path) {
  return [path](platform::FileRequest& request) {
    request.chosenPath = path;
    request.chosenName = path.mid(path.lastIndexOf(u'/') + 1);
    return true;
  };
}

ScriptedDialogs::ColourAnswer ScriptedDialogs::ChooseColour(platform::ColorValue colour) {
  return [colour](platform::ColourRequest& request) {
    request.colour = colour;
    return true;
  };
}

namespace {
template <class Request, class Answer>
bool answer(Request& request, std::vector<Request>& calls, std::deque<Answer>& answers) {
  calls.push_back(request);
  if (answers.empty()) return false;
  auto next = std::move(answers.front());
  answers.pop_front();
  return next(request);
}
}  // namespace

bool ScriptedDialogs::ChooseFileToOpen(platform::FileRequest& request) {
  return answer(request, openCalls, openAnswers);
}

bool ScriptedDialogs::ChooseFileToSave(platform::FileRequest& request) {
  return answer(request, saveCalls, saveAnswers);
}

bool ScriptedDialogs::ChooseColour(platform::ColourRequest& request) {
  return answer(request, colourCalls, colourAnswers);
}

void ScriptedDialogs::ShowMessage(const QString& text) {
  messages << text;
  if (onMessage) onMessage(text);
}

}  // namespace testsupport
