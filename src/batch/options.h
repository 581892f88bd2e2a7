#pragma once
// The command line of tintaborra-lote:
//   tintaborra-lote -o CARPETA [--formato png|bmp|tif|jpg] [-j N] PASO... ENTRADA...

#include "pixels/row_walk.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace batch {

struct Options {
  bool help = false;
  bool version = false;
  QString outputFolder;
  QString format = QStringLiteral("png");  // also the extension of what is written
  int jobs = 0;                            // 0: one for each core
  std::vector<filters::RowStep> steps;     // in the order given
  QStringList inputs;                      // files and folders, as given
  QStringList warnings;                    // about settings read as the window reads them, in Spanish
};

// A command line that cannot be carried out; the message is Spanish, without
// the program's name.
struct UsageError {
  QString message;
};

// Reads the arguments that follow the program's name. Long options take their
// value after a blank or "="; short ones after a blank or joined ("-j4").
// "--" ends the options. Throws UsageError.
Options ParseArguments(const QStringList& arguments);

// "R,G,B" (three whole numbers 0 to 255) or "#RRGGBB", as a colour value.
// Throws UsageError.
platform::ColorValue ParseColour(const QString& text);

}  // namespace batch
