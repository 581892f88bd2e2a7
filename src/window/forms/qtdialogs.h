#pragma once
// The dialogs as the user sees them: Qt's own file, colour and message dialogs.

#include "window/forms/dialogs.h"

class QWidget;

namespace platform {

// Every text of Qt's own dialogs in Spanish, whatever the system's locale:
// Spanish is made the default locale, Qt's Spanish translations are loaded
// and the few texts they lack are supplied. Called once the application exists.
void InstallSpanishTexts();

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
  void setOwner(QWidget* owner) { owner_ = owner; }

  long GetOpenFileNameA(OPENFILENAME& ofn) override;
  long GetSaveFileNameA(OPENFILENAME& ofn) override;
  long ChooseColorA(CHOOSECOLOR& cc) override;
  int MsgBox(const QString& prompt, int buttons = vbOKOnly) override;

 private:
  long runFileDialog(OPENFILENAME& ofn, bool save);
  QWidget* owner_;
};

}  // namespace platform
