// Undoing and redoing the filter runs.
#include "window/form1.h"
#include "window/scan_frame.h"

namespace filters::detail {

RecordedRun::RecordedRun(Form1& form) : form_(form) { form.UndoHistory.BeginRun(form.Picture1->Image()); }

RecordedRun::~RecordedRun() {
  form_.UndoHistory.EndRun(form_.Picture1->Image());
  // The next run starts a step that holds the picture as it is now.
  if (!form_.UndoHistory.Running()) form_.Picture1->CopyAhead();
}

}  // namespace filters::detail

void Form1::UndoStep() {
  Picture1->EditImage([this](QImage& image) { UndoHistory.Undo(image); });
  Picture1->CopyAhead();
}

void Form1::RedoStep() {
  Picture1->EditImage([this](QImage& image) { UndoHistory.Redo(image); });
  Picture1->CopyAhead();
}
