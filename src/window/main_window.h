#pragma once
// The program's only window: its controls, its state, the handlers of its
// controls and its procedures. The handlers are grouped by subsystem, a file each:
//   main_window.cpp     start-up, layout, dispatch
//   window_files.cpp    opening, the file list, saving, copying
//   window_colour.cpp   sampling, target and replacement colours
//   window_filters.cpp  the three filters and the stop button
//   window_pages.cpp    the two page steps, run off the window's thread
//   window_history.cpp  undoing, redoing and repeating the filter runs
// The window's shortcuts are set up in shortcuts.cpp, its dropped files taken
// in dropped_files.cpp, the picture's menu of filters built in filter_menu.cpp.

#include "window/forms/controls.h"
#include "window/forms/dialogs.h"
#include "window/forms/picturebox.h"
#include "window/model/history.h"
#include "window/model/page_jobs.h"
#include "window/model/repeat_command.h"
#include "window/model/replaced_pictures.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class MainWindow : public QWidget {
 public:
  explicit MainWindow(platform::Dialogs& dialogs, QWidget* parent = nullptr);

  // The controls, named as in the window definition.
  platform::CommandButton* exitButton;
  platform::PictureBox* pictureFrame;           // the frame the picture is dragged in
  platform::PictureBox* pictureBox;             // the picture itself
  platform::CommandButton* replacementButton;   // its face shows the replacement colour
  platform::CommandButton* removeColourButton;  // its face shows the target colour
  platform::TextBox* chosenNameBox;             // hidden; ends holding the name of the file opened
  platform::CommandButton* saveButton;
  platform::CommandButton* openButton;
  platform::CommandButton* stopButton;
  platform::TextBox* toleranceBox;  // the grey-type run's greyness tolerance
  platform::TextBox* meanBox;       // the sampled colour and the mean of its channels
  platform::TextBox* blueBox;       // the sampled colour's channels
  platform::TextBox* greenBox;
  platform::TextBox* redBox;
  platform::TextBox* greyTypeBox;  // the grey-type run's darkness threshold
  platform::CommandButton* copyButton;
  platform::CommandButton* greyTypeButton;
  platform::CommandButton* whitenButton;
  platform::FileListBox* fileList;  // the pictures' folder
  platform::Label* progressLabel;
  platform::Label* meanLabel;
  platform::Label* greyTypeLabel;
  platform::Label* toleranceLabel;

  // Every control, in creation order.
  const std::vector<platform::Control*>& controls() const { return controls_; }

  // Set by the stop button; a run that honours it clears it when it starts.
  bool stopRequested = false;
  // The colour last sampled under the pointer, and its channels.
  std::int32_t sampledColour = 0;
  std::int32_t sampledRed = 0;
  double sampledGreen = 0;
  double sampledBlue = 0;
  // The colour that colour removal replaces, taken from the sample by a press.
  std::int32_t targetRed = 0;
  double targetGreen = 0;
  std::int16_t targetBlue = 0;
  // Where in the picture the press that drags it happened, in its pixels.
  float dragStartX = 0;
  std::int32_t dragStartY = 0;
  // The filter runs that Ctrl+Z undoes and Ctrl+Y redoes.
  filters::History undoHistory;
  // The runs applied to the picture, for the batch command that repeats them.
  filters::RunLog runs;
  // The pictures that loads replaced, which Ctrl+Z goes back to once the
  // runs on the picture shown are all undone, and Ctrl+Y forward again.
  filters::ReplacedPictures replacedPictures{undoHistory.limits()};
  // Shows a short notice where the zoom is shown, for a while.
  std::function<void(const QString&)> showStatus;

  platform::Dialogs& dialogs() const { return dialogs_; }

  // What the window does once built, before it shows.
  void start();

  // The controls' handlers.
  void removeColourClicked();
  void greyTypeClicked();
  void whitenClicked();
  void whiteBackgroundClicked();
  void localBlackWhiteClicked();
  void stopClicked();
  void copyClicked();
  void exitClicked();
  void fileListClicked();
  void picturePressed(float x, float y);
  void pointerMoved(int button, float x, float y);

  // Procedures of the window.
  void fitToScreen();
  // Draws every control but the picture smaller by scale, fonts included;
  // the picture's frame only moves.
  void scaleLayout(double scale);
  void openImage();
  void saveImageAs();
  void pickReplacementColour();
  void undoStep();
  void redoStep();
  // Keeps the picture shown, with its history and what the window shows of
  // it, for undoing the load about to replace it; false when it does not fit
  // the undo history's memory. Nothing is kept while a run goes on.
  bool keepReplacedPicture();
  // Copies the tintaborra-lote command that repeats the runs in force on the
  // picture's file, or says why there is none.
  void copyRepeatCommand();
  // Opens a file dropped on the window as if chosen in the open dialog.
  void openDroppedFile(const QString& path);
  // Opens the file named on the command line as if chosen in the open
  // dialog; a relative name is taken in the current folder.
  void openStartFile(const QString& path);
  // Runs a page step on a copy of the picture off the window's thread, the
  // window handling its events meanwhile, and puts the result in place as
  // one run; a stop, or another picture, leaves the picture as it was.
  void runPageStep(const filters::Step& step);

  // Called on the window's thread when a result of pageResults has come in.
  std::function<void()> pageResultReady;
  // The page steps' results on the picture, computed ahead for showing them.
  // Declared after the state its threads' calls reach, so that they have
  // ended before that goes.
  filters::PageResults pageResults;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void wireHandlers();
  // The picture shown with its history and what the window shows of it,
  // taken out of the window; and such a picture put back in.
  filters::HeldPicture takeShownPicture();
  void showHeldPicture(filters::HeldPicture&& held);
  template <class Handler>
  void dispatch(Handler&& handler);

  platform::Dialogs& dialogs_;
  std::vector<platform::Control*> controls_;
};
