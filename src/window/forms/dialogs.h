#pragma once
// The modal dialogs and message boxes, behind one interface so that tests can
// script them. The records carry the fields the procedures fill in.

#include "window/model/dialog_records.h"

#include <QString>

namespace platform {

constexpr int vbOKOnly = 0;
constexpr int vbOK = 1;

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Nonzero when the user confirmed a file; 0 on cancel or failure.
  virtual long GetOpenFileNameA(OPENFILENAME& ofn) = 0;
  virtual long GetSaveFileNameA(OPENFILENAME& ofn) = 0;
  // 1 when the user confirmed a colour, then in rgbResult; 0 on cancel.
  virtual long ChooseColorA(CHOOSECOLOR& cc) = 0;
  // Modal, one OK button, no icon, titled with the program's title.
  virtual int MsgBox(const QString& prompt, int buttons = vbOKOnly) = 0;
};

}  // namespace platform
