#pragma once
// The program's only window: its controls, form-level variables, handlers and
// private procedures. The handlers are grouped by subsystem, a file each:
//   form1.cpp             start-up, layout, dispatch
//   form1_imagefiles.cpp  opening, the file list, saving, copying
//   form1_colour.cpp      sampling, target and replacement colours
//   form1_filters.cpp     the three filters and the stop button
//   form1_history.cpp     undoing, redoing and repeating the filter runs
// The window's shortcuts are set up in shortcuts.cpp, its dropped files taken
// in dropped_files.cpp.

#include "window/model/history.h"
#include "window/model/repeat_command.h"
#include "window/forms/controls.h"
#include "window/forms/dialogs.h"
#include "window/forms/picturebox.h"

#include <QWidget>

#include <cstdint>
#include <vector>

class Form1 : public QWidget {
 public:
  explicit Form1(platform::Dialogs& dialogs, QWidget* parent = nullptr);

  // Controls, by the names and array indexes of the window definition.
  platform::CommandButton* Command8;
  platform::PictureBox* Picture2;
  platform::PictureBox* Picture1;
  platform::CommandButton* Command7;
  platform::CommandButton* Command6;
  platform::TextBox* Text1;
  platform::CommandButton* Command5[2];
  platform::CommandButton* Command4;
  platform::TextBox* Text5;
  platform::TextBox* Text4;
  platform::TextBox* Text3[3];
  platform::TextBox* Text2;
  platform::CommandButton* Command2;
  platform::CommandButton* Command1;
  platform::CommandButton* Command3;
  platform::FileListBox* File1[1];
  platform::Label* Label1;
  platform::Label* Label3;
  platform::Label* Label2[2];

  // Every control, in creation order.
  const std::vector<platform::Control*>& Controls() const { return controls_; }

  // Form-level variables.
  bool StopRequested = false;
  std::int32_t SampledColor = 0;
  std::int32_t SampledRed = 0;
  double SampledGreen = 0;
  double SampledBlue = 0;
  std::int32_t TargetRed = 0;
  double TargetGreen = 0;
  std::int16_t TargetBlue = 0;
  float DragStartX = 0;
  std::int32_t DragStartY = 0;
  // The filter runs that Ctrl+Z undoes and Ctrl+Y redoes.
  filters::History UndoHistory;
  // The runs applied to the picture, for the batch command that repeats them.
  filters::RunLog Runs;

  platform::ColorValue ForeColor() const { return foreColor_; }
  void setForeColor(platform::ColorValue c) { foreColor_ = c; }
  std::uintptr_t hWnd() const;
  static std::uintptr_t hInstance() { return 0; }
  platform::Dialogs& Dialogs() const { return dialogs_; }

  // Event handlers.
  void Form_Load();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Command5_Click(std::int16_t Index);
  void Command6_Click();
  void Command7_Click();
  void Command8_Click();
  void File1_Click(std::int16_t Index);
  void Picture1_MouseDown(int Button, int Shift, float X, float Y);
  void Picture1_MouseMove(int Button, int Shift, float X, float Y);

  // Procedures of the window.
  void FitToScreen();
  // Draws every control but the picture smaller by scale, fonts included;
  // the picture's frame only moves.
  void ScaleLayout(double scale);
  void OpenImage();
  void SaveImageAs();
  void PickReplacementColor();
  void UndoStep();
  void RedoStep();
  // Copies the tintaborra-lote command that repeats the runs in force on the
  // picture's file, or says why there is none.
  void CopyRepeatCommand();
  // Opens a file dropped on the window as if chosen in the open dialog.
  void OpenDroppedFile(const QString& path);
  static void SplitRGB(std::int32_t Color, std::int32_t& Red, std::int32_t& Green, std::int32_t& Blue);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void wireHandlers();
  template <class Handler>
  void dispatch(Handler&& handler);

  platform::Dialogs& dialogs_;
  platform::ColorValue foreColor_ = 0;
  std::vector<platform::Control*> controls_;
};
