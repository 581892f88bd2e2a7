// Undoing, redoing and repeating the filter runs.
#include "window/forms/runtime.h"
#include "window/main_window.h"
#include "window/scan_frame.h"

#include <exception>

namespace filters::detail {

namespace {
// The steps of the undo history that are undone.
int Undone(const History& history) { return history.Steps() - history.Done(); }
}  // namespace

RecordedRun::RecordedRun(MainWindow& window) : window_(window), exceptions_(std::uncaught_exceptions()) {
  window.runs.BeginRun(Undone(window.undoHistory));
  window.undoHistory.BeginRun(window.pictureBox->Image());
}

void RecordedRun::Column(const Step& rule) { window_.runs.Column(rule); }

void RecordedRun::LeavesOut() { window_.runs.ColumnLeftOut(); }

RecordedRun::~RecordedRun() {
  if (std::uncaught_exceptions() > exceptions_) window_.runs.ColumnLeftOut();
  window_.runs.EndRun();
  window_.undoHistory.EndRun(window_.pictureBox->Image(), std::move(undo_));
  // The next run starts a step that holds the picture as it is now.
  if (!window_.undoHistory.Running()) window_.pictureBox->CopyAhead();
}

}  // namespace filters::detail

void MainWindow::undoStep() {
  pictureBox->EditImage([this](QImage& image) { undoHistory.Undo(image); });
  pictureBox->CopyAhead();
}

void MainWindow::redoStep() {
  pictureBox->EditImage([this](QImage& image) { undoHistory.Redo(image); });
  pictureBox->CopyAhead();
}

void MainWindow::copyRepeatCommand() {
  const filters::RunLog::Command command = runs.Repeat(undoHistory.Steps() - undoHistory.Done());
  if (command.text.isEmpty()) {
    dialogs().ShowMessage(command.refusal);
    return;
  }
  platform::Clipboard::SetText(command.text);
}
