#pragma once
// The main window as data: every control with its name, kind, container, geometry in twips, tab index, text, font,
// colours and picture.

#include "core/numbers.h"

#include <array>

namespace app {

enum class Kind { CommandButton, PictureBox, TextBox, Label, FileListBox };

// A colour left to the platform's default for that kind of control.
constexpr platform::ColorValue DefaultColor = static_cast<platform::ColorValue>(0x80000000u);

struct FontDef {
  const char* face = nullptr;  // nullptr: the platform's default font
  double points = 0;
  int weight = 400;
};

struct ControlDef {
  const char* name;  // the control's object name, unique in the window
  Kind kind;
  const char* container;  // the name of the control it lies in; nullptr: the window itself
  float left, top, width, height;
  int tabIndex;
  const char* text;  // caption or text; nullptr for none
  FontDef font;
  platform::ColorValue backColor;
  platform::ColorValue foreColor;
  const char* picture;  // resource name of the picture, nullptr for none
  bool visible;
  const char* toolTip;  // what a picture-only button does, for tooltips and screen readers
};

struct WindowDef {
  const char* caption;
  platform::ColorValue backColor;
  int clientWidthTwips, clientHeightTwips;
  const char* icon;
};

extern const WindowDef MainWindowDef;
// In creation order.
extern const std::array<ControlDef, 23> MainWindowControls;

}  // namespace app
