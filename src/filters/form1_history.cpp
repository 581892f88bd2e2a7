// Undoing and redoing the filter runs.
#include "app/form1.h"
#include "filters/scan_frame.h"

namespace filters::detail {

RecordedRun::RecordedRun(Form1& form) : form_(form) { form.UndoHistory.BeginRun(form.Picture1->Image()); }

RecordedRun::~RecordedRun() { form_.UndoHistory.EndRun(form_.Picture1->Image()); }

}  // namespace filters::detail

void Form1::UndoStep() {
  Picture1->EditImage([this](QImage& image) { UndoHistory.Undo(image); });
}

void Form1::RedoStep() {
  Picture1->EditImage([this](QImage& image) { UndoHistory.Redo(image); });
}
