#pragma once
// The modal dialogs and message boxes, behind one interface so that tests can
// script them. The requests say what the window asks and carry the answers.

#include "window/model/dialog_requests.h"

#include <QString>

namespace platform {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // True when the user confirmed a file, then in request.chosenPath and
  // request.chosenName; false on cancel or failure, the request untouched.
  virtual bool ChooseFileToOpen(FileRequest& request) = 0;
  virtual bool ChooseFileToSave(FileRequest& request) = 0;
  // True when the user confirmed a colour, then in request.colour.
  virtual bool ChooseColour(ColourRequest& request) = 0;
  // Modal, one OK button, no icon, titled with the program's title.
  virtual void ShowMessage(const QString& text) = 0;
};

}  // namespace platform
