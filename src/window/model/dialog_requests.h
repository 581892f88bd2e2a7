#pragma once
// What the window asks of the file and colour dialogs, and what they answer:
// plain data, so that what the window asks is testable without a window. The
// dialogs themselves are window/forms/dialogs.h.

#include "core/numbers.h"

#include <QList>
#include <QString>

#include <array>

namespace platform {

// One entry of a file dialog's type list: "imágenes bmp-gif-jpg" with "*.*".
// Patterns are separated by ';'; "*.*" stands for every file.
struct FileFilter {
  QString description;
  QString pattern;
};

// A file dialog: the window fills in what it asks, the dialog what the user
// confirmed.
struct FileRequest {
  QString title;
  QList<FileFilter> filters;  // the first is chosen when the dialog opens
  // The file selected when the dialog opens, in the folder it opens in;
  // empty: the dialog's own choice.
  QString initialFile;
  // Added as "." + defaultExtension to a confirmed name that does not already
  // end in it, before the overwrite question is asked; empty: nothing added.
  QString defaultExtension;
  bool fileMustExist = false;  // a name that is not there is not taken
  bool askOverwrite = false;   // an existing file is only taken after a yes
  QString chosenPath;          // the file confirmed, its folder included
  QString chosenName;          // the same without its folder
};

using CustomColorTable = std::array<ColorValue, 16>;

// The colour dialog.
struct ColourRequest {
  // The colour shown when the dialog opens; once confirmed, the colour chosen.
  ColorValue colour = 0;
  // The custom colours shown, and as the user left them once confirmed.
  CustomColorTable customColours{};
};

// A confirmed name with a default extension: "." + extension is added unless
// the name already ends in it, in any case.
QString WithDefaultExtension(const QString& path, const QString& extension);

}  // namespace platform
