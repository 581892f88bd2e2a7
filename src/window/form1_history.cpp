// Undoing, redoing and repeating the filter runs.
#include "window/form1.h"
#include "window/forms/runtime.h"
#include "window/scan_frame.h"

#include <exception>

namespace filters::detail {

namespace {
// The steps of the undo history that are undone.
int Undone(const History& history) { return history.Steps() - history.Done(); }
}  // namespace

RecordedRun::RecordedRun(Form1& form) : form_(form), exceptions_(std::uncaught_exceptions()) {
  form.Runs.BeginRun(Undone(form.UndoHistory));
  form.UndoHistory.BeginRun(form.Picture1->Image());
}

void RecordedRun::Column(const RowStep& rule) { form_.Runs.Column(rule); }

void RecordedRun::LeavesOut() { form_.Runs.ColumnLeftOut(); }

RecordedRun::~RecordedRun() {
  if (std::uncaught_exceptions() > exceptions_) form_.Runs.ColumnLeftOut();
  form_.Runs.EndRun();
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

void Form1::CopyRepeatCommand() {
  const filters::RunLog::Command command = Runs.Repeat(UndoHistory.Steps() - UndoHistory.Done());
  if (command.text.isEmpty()) {
    Dialogs().MsgBox(command.refusal);
    return;
  }
  platform::Clipboard::SetText(command.text);
}
