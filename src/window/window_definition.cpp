#include "window/window_definition.h"

#include "core/colors.h"

namespace app {

using platform::SystemWindowBackground;
using platform::SystemWindowText;

namespace {
constexpr FontDef Default{};
constexpr FontDef Arial975{"Arial", 9.75, 400};
constexpr FontDef Arial12{"Arial", 12, 400};
constexpr FontDef Arial12Bold{"Arial", 12, 700};
constexpr FontDef Arial1425{"Arial", 14.25, 400};
constexpr FontDef Arial18{"Arial", 18, 400};
constexpr platform::ColorValue White = 0xFFFFFF;
}  // namespace

const WindowDef MainWindowDef{"", 0x808000, 11880, 10575, ":/pictures/icon.ico"};

// clang-format off
const std::array<ControlDef, 23> MainWindowControls{{
  // name                  kind                 container       left  top   width height tab text                         font         back                    fore              picture             visible tooltip
  {"exitButton",         Kind::CommandButton, nullptr,        9000, 0,    1335, 735,  22, nullptr,                     Default,     White,                  DefaultColor,     ":/pictures/A.jpg", true,  "Salir"},
  {"pictureFrame",       Kind::PictureBox,    nullptr,        1920, 720,  8775, 8055, 20, nullptr,                     Default,     SystemWindowBackground, SystemWindowText, nullptr,            true,  nullptr},
  {"pictureBox",         Kind::PictureBox,    "pictureFrame", 120,  0,    6945, 4320, 21, nullptr,                     Default,     SystemWindowBackground, SystemWindowText, ":/pictures/H.jpg", true,  nullptr},
  {"replacementButton",  Kind::CommandButton, nullptr,        0,    9960, 1935, 495,  19, "Reemplazar por este color", Arial975,    White,                  DefaultColor,     nullptr,            true,  nullptr},
  {"removeColourButton", Kind::CommandButton, nullptr,        0,    9480, 1935, 495,  18, "Quitar este color",         Arial12,     White,                  DefaultColor,     nullptr,            true,  nullptr},
  {"chosenNameBox",      Kind::TextBox,       nullptr,        7920, 0,    975,  495,  16, "Text1",                     Default,     DefaultColor,           DefaultColor,     nullptr,            false, nullptr},
  {"saveButton",         Kind::CommandButton, nullptr,        0,    7080, 1935, 855,  15, nullptr,                     Default,     White,                  DefaultColor,     ":/pictures/C.jpg", true,  "Guardar como BMP"},
  {"openButton",         Kind::CommandButton, nullptr,        0,    0,    1935, 735,  14, nullptr,                     Default,     White,                  DefaultColor,     ":/pictures/B.jpg", true,  "Abrir imagen"},
  {"stopButton",         Kind::CommandButton, nullptr,        0,    8760, 1935, 735,  10, nullptr,                     Default,     White,                  DefaultColor,     ":/pictures/D.jpg", true,  "Parar"},
  {"toleranceBox",       Kind::TextBox,       nullptr,        960,  6120, 615,  375,  9,  "20",                        Arial12Bold, DefaultColor,           DefaultColor,     nullptr,            true,  nullptr},
  {"meanBox",            Kind::TextBox,       nullptr,        5520, 0,    855,  735,  8,  "",                          Arial18,     DefaultColor,           DefaultColor,     nullptr,            true,  nullptr},
  {"blueBox",            Kind::TextBox,       nullptr,        3600, 0,    855,  735,  7,  "",                          Arial1425,   0xFF8080,               DefaultColor,     nullptr,            true,  nullptr},
  {"greenBox",           Kind::TextBox,       nullptr,        2760, 0,    855,  735,  6,  "",                          Arial1425,   0x00FF00,               DefaultColor,     nullptr,            true,  nullptr},
  {"redBox",             Kind::TextBox,       nullptr,        1920, 0,    855,  735,  5,  "",                          Arial1425,   0x0000FF,               DefaultColor,     nullptr,            true,  nullptr},
  {"greyTypeBox",        Kind::TextBox,       nullptr,        120,  6120, 615,  375,  4,  "140",                       Arial12Bold, DefaultColor,           DefaultColor,     nullptr,            true,  nullptr},
  {"copyButton",         Kind::CommandButton, nullptr,        0,    7920, 1935, 855,  3,  nullptr,                     Default,     White,                  DefaultColor,     ":/pictures/E.jpg", true,  "Copiar al portapapeles"},
  {"greyTypeButton",     Kind::CommandButton, nullptr,        0,    5160, 1935, 855,  2,  nullptr,                     Default,     White,                  DefaultColor,     ":/pictures/F.jpg", true,  "Blanco y negro por tipo gris"},
  {"whitenButton",       Kind::CommandButton, nullptr,        0,    4320, 1935, 855,  1,  nullptr,                     Default,     White,                  DefaultColor,     ":/pictures/G.jpg", true,  "Blanquear todo lo que no sea negro puro"},
  {"fileList",           Kind::FileListBox,   nullptr,        0,    720,  1935, 3690, 0,  nullptr,                     Arial975,    DefaultColor,           DefaultColor,     nullptr,            true,  nullptr},
  {"progressLabel",      Kind::Label,         nullptr,        7200, 120,  1215, 495,  17, "%",                         Arial18,     DefaultColor,           DefaultColor,     nullptr,            true,  nullptr},
  {"meanLabel",          Kind::Label,         nullptr,        4560, 120,  795,  330,  13, "Media",                     Arial1425,   DefaultColor,           DefaultColor,     nullptr,            true,  nullptr},
  {"greyTypeLabel",      Kind::Label,         nullptr,        120,  6480, 735,  375,  12, "tipo gris",                 Arial975,    DefaultColor,           DefaultColor,     nullptr,            true,  nullptr},
  {"toleranceLabel",     Kind::Label,         nullptr,        960,  6480, 975,  495,  11, "distancia media",           Arial975,    DefaultColor,           DefaultColor,     nullptr,            true,  nullptr},
}};
// clang-format on

}  // namespace app
