#include "formats/codecs.h"
#include "window/model/image_files.h"
#include "window/form1.h"
#include "window/model/skip_and_continue.h"
#include "window/forms/runtime.h"
#include "window/layout.h"

#include <QFileInfo>

using namespace platform;
using namespace imagefiles;

namespace {

// A new picture in Picture1; the undo history starts over with it.
void LoadNewPicture(Form1& form, const QString& path) {
  form.Picture1->setPicture(LoadPicture(path));
  form.UndoHistory.Clear(form.Picture1->Image());
  form.Runs.NewPicture(path);
}

// What opening does with the file chosen: file is its path, fileTitle its
// name, both as the open dialog returns them.
void OpenChosenFile(Form1& form, ResumeNext& step, const QString& file, const QString& fileTitle) {
  QString chosenPath;
  step([&] { chosenPath = BeforeNul(file); });

  if (step.If([&] { return IsSupportedGraphic(chosenPath); })) {
    step([&] { form.Picture1->setAutoRedraw(true); });
    bool loaded = false;
    step([&] {
      LoadNewPicture(form, chosenPath);
      loaded = true;
    });
    // A file that passes the name check but cannot be decoded keeps the old
    // picture, and the user is told why.
    if (!loaded) {
      const QString description = Err().Reason();
      step([&] { form.Dialogs().MsgBox(FailureMessage(CannotReadLead(), description)); });
    }
  } else {
    step([&] { form.Dialogs().MsgBox(NotSupportedMessage()); });
  }

  qsizetype pathLength = 0, titleLength = 0;
  step([&] { form.Text1->setText(file); });
  step([&] { pathLength = form.Text1->Text().size(); });
  step([&] { form.Text1->setText(fileTitle); });
  step([&] { titleLength = form.Text1->Text().size(); });
  step([&] { form.File1[0]->setPath(FolderByLength(file, pathLength, titleLength)); });
  step([&] { form.File1[0]->Refresh(); });
}

}  // namespace

void Form1::OpenImage() {
  ResumeNext step;
  OPENFILENAME ofn;
  long confirmed = 0;
  step([&] { ofn = OpenDialogRecord(hWnd()); });
  step([&] { confirmed = Dialogs().GetOpenFileNameA(ofn); });
  if (confirmed == 0) return;
  OpenChosenFile(*this, step, ofn.lpstrFile, ofn.lpstrFileTitle);
}

void Form1::OpenDroppedFile(const QString& path) {
  ResumeNext step;
  const QChar nul(u'\0');
  OpenChosenFile(*this, step, path + nul, QFileInfo(path).fileName() + nul);
}

void Form1::File1_Click(std::int16_t) {
  ResumeNext step;
  step([&] { Picture1->setVisible(true); });
  step([&] { LoadNewPicture(*this, ListFilePath(File1[0]->Path(), File1[0]->FileName())); });
  step([&] { Picture1->setLeft(static_cast<float>(app::CentredOffset(Picture2->Width(), Picture1->Width()))); });
  step([&] { Picture1->setTop(static_cast<float>(app::CentredOffset(Picture2->Height(), Picture1->Height()))); });
  if (Err().Failed()) {
    const QString description = Err().Reason();
    step([&] { Dialogs().MsgBox(FailureMessage(CannotReadLead(), description)); });
  }
}

void Form1::SaveImageAs() {
  ResumeNext step;
  OPENFILENAME ofn;
  long confirmed = 0;
  step([&] { ofn = SaveDialogRecord(hWnd()); });
  step([&] { confirmed = Dialogs().GetSaveFileNameA(ofn); });
  if (confirmed == 0) return;
  QString SavePath;
  step([&] { SavePath = BeforeNul(ofn.lpstrFile); });
  step([&] { Picture1->setPicture(Picture1->Image()); });
  bool saved = false;
  QString failure;
  step([&] {
    SavePicture(Picture1->Picture(), SaveName(SavePath));
    saved = true;
  });
  if (!saved) failure = Err().Reason();
  step([&] { Picture1->setLeft(static_cast<float>(app::CentredOffset(Picture2->Width(), Picture1->Width()))); });
  step([&] { Picture1->setTop(static_cast<float>(app::CentredOffset(Picture2->Height(), Picture1->Height()))); });
  // A save that did not happen is never passed over in silence.
  if (!saved) step([&] { Dialogs().MsgBox(FailureMessage(CannotSaveLead(), failure)); });
}

void Form1::Command2_Click() {
  Clipboard::Clear();
  Clipboard::SetData(Picture1->Image());
}
