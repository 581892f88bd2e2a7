#pragma once
// The dialogs as the user sees them: Qt's own file, colour and message dialogs.

#include "window/forms/dialogs.h"

#include <QList>
#include <QString>

class QAbstractItemView;
class QDialogButtonBox;
class QFileDialog;
class QItemSelectionModel;
class QLineEdit;
class QWidget;

namespace platform {

// Every text of Qt's own dialogs in Spanish, whatever the system's locale:
// Spanish is made the default locale, Qt's Spanish translations are loaded
// and the few texts they lack are supplied. Called once the application exists.
void InstallSpanishTexts();

// The parts of Qt's own (not native) file dialog that its public interface
// does not reach. The name box and the button box are found by the object
// names Qt gives them; the views, as those showing the dialog's proxy model.
// A later Qt may rename a part: it is then null or empty here, and the file
// dialog goes without what needs it.
struct FileDialogParts {
  QLineEdit* name = nullptr;            // "fileNameEdit"
  QDialogButtonBox* buttons = nullptr;  // "buttonBox"
  QList<QAbstractItemView*> views;
  QList<QItemSelectionModel*> selections;  // the views', each once
};
FileDialogParts FindFileDialogParts(const QFileDialog& dialog);

// The width a window needs for its title to show whole in the window
// manager's title bar, with the bar's own icon and buttons.
int TitleBarWidth(const QString& title, const QWidget& window);

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
  void setOwner(QWidget* owner) { owner_ = owner; }

  bool ChooseFileToOpen(FileRequest& request) override;
  bool ChooseFileToSave(FileRequest& request) override;
  bool ChooseColour(ColourRequest& request) override;
  void ShowMessage(const QString& text) override;

 private:
  bool runFileDialog(FileRequest& request, bool save);
  QWidget* owner_;
};

}  // namespace platform
