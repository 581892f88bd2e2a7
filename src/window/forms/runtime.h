#pragma once
// The event loop's yield, ending the program, the screen size and the clipboard.

#include <QImage>

#include <functional>

namespace platform {

// Runs the handlers of all pending events, then returns.
void DoEvents();
// Stops the process at once; no handler runs.
[[noreturn]] void End();

// The display's size in twips.
struct Screen {
  static float Width();
  static float Height();
  // The part of it that windows may take (without panels and docks), in twips.
  static float AvailableWidth();
  static float AvailableHeight();
};

namespace Clipboard {
void Clear();
// Puts a picture on the clipboard as a bitmap.
void SetData(const QImage& picture);
// Puts a text on the clipboard.
void SetText(const QString& text);
}  // namespace Clipboard

// Replacements for tests: a scripted yield, a screen of a given size in pixels
// and an ending that does not stop the test process. Passing an empty value
// restores the real behaviour.
namespace testing {
void SetDoEvents(std::function<void()> yield);
void SetScreenPixels(int width, int height);
void ClearScreenPixels();
void SetEnd(std::function<void()> end);
}  // namespace testing

}  // namespace platform
