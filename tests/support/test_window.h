#pragma once
// A window for tests: scripted dialogs (or the real ones given), a 1024 x 768
// screen, a yield that runs a scripted action, and the start-up already done.

#include "support/scripted_dialogs.h"
#include "window/main_window.h"

#include <QImage>
#include <QKeySequence>

#include <functional>
#include <memory>

namespace testsupport {

class TestWindow {
 public:
  explicit TestWindow(bool start = true, platform::Dialogs* real = nullptr);
  ~TestWindow();

  MainWindow& window() { return *window_; }
  MainWindow* operator->() { return window_.get(); }
  ScriptedDialogs dialogs;
  // Called at every yield of a filter run with the count of yields so far.
  std::function<void(int)> onYield;
  int yields = 0;

 private:
  std::unique_ptr<MainWindow> window_;
};

// Ending the program in a test: End() throws instead of stopping the process,
// and fails the test unless the end comes inside ExpectEnd. The tests' main()
// installs this once; ExpectEnd puts it back.
void FailTheTestOnEnd();
// Runs action, which must end the program.
void ExpectEnd(const std::function<void()>& action);

// While it lives, files this process writes may not grow beyond bytes: a
// write past that fails half-way, as it does on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(long bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  long saved_;
};

// picture encoded as "bmp" or "jpg" (quality 100), or empty when it cannot be.
QByteArray Encode(const QImage& picture, const char* format, bool progressive = false);

// Shows the window and waits until it is the active one.
void Activate(QWidget& window);
// Presses keys as the user does: the window is shown and made active first,
// and the keys go to the widget with the focus, through the window's shortcuts.
void Press(QWidget& window, const QKeySequence& keys);

// A picture of the given size filled by fn(x, y) -> colour as &H00BBGGRR.
QImage MakePicture(int width, int height, const std::function<platform::ColorValue(int, int)>& fn);
// The first pixel where a and b differ, as "(x, y): a=&H.. b=&H..", or empty.
QString FirstDifference(const QImage& a, const QImage& b);

}  // namespace testsupport
