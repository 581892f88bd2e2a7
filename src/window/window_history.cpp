// Undoing, redoing and repeating the filter runs.
#include "window/forms/runtime.h"
#include "window/main_window.h"
#include "window/scan_frame.h"

#include <exception>
#include <utility>

namespace filters::detail {

namespace {
// The steps of the undo history that are undone.
int Undone(const History& history) { return history.Steps() - history.Done(); }
}  // namespace

RecordedRun::RecordedRun(MainWindow& window) : window_(window), exceptions_(std::uncaught_exceptions()) {
  window.replacedPictures.DropLater();
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
  if (undoHistory.Done() == 0 && !undoHistory.Running() && !runs.Running() && replacedPictures.CanGoBack())
    return showHeldPicture(replacedPictures.Back(takeShownPicture()));
  pictureBox->EditImage([this](QImage& image) { undoHistory.Undo(image); });
  pictureBox->CopyAhead();
}

void MainWindow::redoStep() {
  if (undoHistory.Done() == undoHistory.Steps() && !undoHistory.Running() && !runs.Running() &&
      replacedPictures.CanGoForward())
    return showHeldPicture(replacedPictures.Forward(takeShownPicture()));
  pictureBox->EditImage([this](QImage& image) { undoHistory.Redo(image); });
  pictureBox->CopyAhead();
}

bool MainWindow::keepReplacedPicture() {
  if (undoHistory.Running() || runs.Running()) return true;
  // The load follows what the picture shows now: its undone runs can no
  // longer be redone, as after a new run.
  runs.DropUndone(undoHistory.Steps() - undoHistory.Done());
  undoHistory.DropUndone();
  return replacedPictures.Replaced(takeShownPicture());
}

filters::HeldPicture MainWindow::takeShownPicture() {
  filters::HeldPicture held{pictureBox->Picture(),
                            pictureBox->Image(),
                            std::exchange(undoHistory, filters::History(undoHistory.limits())),
                            std::exchange(runs, filters::RunLog()),
                            chosenNameBox->Text(),
                            fileList->Path(),
                            pictureBox->Zoom(),
                            pictureBox->Left(),
                            pictureBox->Top()};
  return held;
}

void MainWindow::showHeldPicture(filters::HeldPicture&& held) {
  pictureBox->setPicture(held.picture);
  pictureBox->EditImage([&held](QImage& image) { image = held.image; });
  pictureBox->CopyAhead();
  if (held.zoom != 1) pictureBox->setZoom(held.zoom);
  pictureBox->Move(held.left, held.top);
  undoHistory = std::move(held.history);
  runs = std::move(held.runs);
  chosenNameBox->setText(held.chosenName);
  // A folder gone since leaves the list where it is.
  if (fileList->Path() != held.listFolder) {
    try {
      fileList->setPath(held.listFolder);
    } catch (const platform::Failure&) {
    }
  }
}

void MainWindow::copyRepeatCommand() {
  const filters::RunLog::Command command = runs.Repeat(undoHistory.Steps() - undoHistory.Done());
  if (command.text.isEmpty()) {
    dialogs().ShowMessage(command.refusal);
    return;
  }
  platform::Clipboard::SetText(command.text);
}
