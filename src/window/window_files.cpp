#include "formats/codecs.h"
#include "window/forms/runtime.h"
#include "window/layout.h"
#include "window/main_window.h"
#include "window/model/image_files.h"
#include "window/model/skip_and_continue.h"

#include <QFileInfo>

using namespace platform;
using namespace imagefiles;

namespace {

// A new picture in the picture box; the undo history starts over with it.
// The picture it replaces is kept, so that Ctrl+Z brings it back.
void LoadNewPicture(MainWindow& window, const QString& path) {
  const QImage loaded = LoadPicture(path);
  const bool kept = window.keepReplacedPicture();
  window.pictureBox->setPicture(loaded);
  window.undoHistory.Clear(window.pictureBox->Image());
  window.runs.NewPicture(path);
  // Said where the zoom is shown, once the load has reset it.
  if (!kept && window.showStatus)
    window.showStatus(
        QStringLiteral("La imagen anterior no cabe en la memoria de deshacer: Ctrl+Z no podrá volver a ella."));
}

// What opening does with the file chosen: path is its path, name its name
// without the folder.
void OpenChosenFile(MainWindow& window, ResumeNext& step, const QString& path, const QString& name) {
  if (step.If([&] { return IsSupportedGraphic(path); })) {
    step([&] { window.pictureBox->setAutoRedraw(true); });
    bool loaded = false;
    step([&] {
      LoadNewPicture(window, path);
      loaded = true;
    });
    // A file that passes the name check but cannot be decoded keeps the old
    // picture, and the user is told why.
    if (!loaded) {
      const QString description = Err().Reason();
      step([&] { window.dialogs().ShowMessage(FailureMessage(CannotReadLead(), description)); });
    }
  } else {
    step([&] { window.dialogs().ShowMessage(NotSupportedMessage()); });
  }

  // The file list shows the file's folder: the path without the name, as the
  // hidden box holds them.
  qsizetype pathLength = 0, nameLength = 0;
  step([&] { window.chosenNameBox->setText(path); });
  step([&] { pathLength = window.chosenNameBox->Text().size(); });
  step([&] { window.chosenNameBox->setText(name); });
  step([&] { nameLength = window.chosenNameBox->Text().size(); });
  step([&] { window.fileList->setPath(FolderByLength(path, pathLength, nameLength)); });
  step([&] { window.fileList->Refresh(); });
}

}  // namespace

void MainWindow::openImage() {
  ResumeNext step;
  FileRequest request;
  bool confirmed = false;
  step([&] { request = OpenDialogRequest(); });
  step([&] { confirmed = dialogs().ChooseFileToOpen(request); });
  if (!confirmed) return;
  OpenChosenFile(*this, step, request.chosenPath, request.chosenName);
}

void MainWindow::openDroppedFile(const QString& path) {
  ResumeNext step;
  OpenChosenFile(*this, step, path, QFileInfo(path).fileName());
}

void MainWindow::fileListClicked() {
  ResumeNext step;
  step([&] { pictureBox->setVisible(true); });
  step([&] { LoadNewPicture(*this, ListFilePath(fileList->Path(), fileList->FileName())); });
  step(
      [&] { pictureBox->setLeft(static_cast<float>(app::CentredOffset(pictureFrame->Width(), pictureBox->Width()))); });
  step([&] {
    pictureBox->setTop(static_cast<float>(app::CentredOffset(pictureFrame->Height(), pictureBox->Height())));
  });
  if (Err().Failed()) {
    const QString description = Err().Reason();
    step([&] { dialogs().ShowMessage(FailureMessage(CannotReadLead(), description)); });
  }
}

void MainWindow::saveImageAs() {
  ResumeNext step;
  FileRequest request;
  bool confirmed = false;
  step([&] { request = SaveDialogRequest(); });
  step([&] { confirmed = dialogs().ChooseFileToSave(request); });
  if (!confirmed) return;
  const QString savePath = request.chosenPath;
  step([&] { pictureBox->setPicture(pictureBox->Image()); });
  bool saved = false;
  QString failure;
  step([&] {
    SavePicture(pictureBox->Picture(), SaveName(savePath));
    saved = true;
  });
  if (!saved) failure = Err().Reason();
  step(
      [&] { pictureBox->setLeft(static_cast<float>(app::CentredOffset(pictureFrame->Width(), pictureBox->Width()))); });
  step([&] {
    pictureBox->setTop(static_cast<float>(app::CentredOffset(pictureFrame->Height(), pictureBox->Height())));
  });
  // A save that did not happen is never passed over in silence.
  if (!saved) step([&] { dialogs().ShowMessage(FailureMessage(CannotSaveLead(), failure)); });
}

void MainWindow::copyClicked() {
  Clipboard::Clear();
  Clipboard::SetData(pictureBox->Image());
}
