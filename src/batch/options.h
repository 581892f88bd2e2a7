#pragma once
// The command line of tintaborra-lote:
//   tintaborra-lote -o CARPETA [--formato pdf|tif|png|bmp|jpg] [--unir ARCHIVO]
//                   [--paginas 1-3,17] [--ppp N] [--calidad N] [-j N] [--lista ARCHIVO] [--lista0 ARCHIVO]
//                   [--continuar] [--informe ARCHIVO] [PASO...] ENTRADA...

#include "core/page_steps.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace batch {

// The resolutions a drawn page may be asked for, in dots per inch.
constexpr int LowestDpi = 50, HighestDpi = 1200;

// A file of input names (--lista, --lista0), "-" for standard input, read
// where it stands among the inputs: before inputs[position].
struct InputList {
  QString path;
  bool nulSeparated = false;
  qsizetype position = 0;
};

struct Options {
  bool help = false;
  bool version = false;
  QString outputFolder;
  QString format = QStringLiteral("png");  // also the extension of what is written
  bool formatGiven = false;
  QString join;                            // --unir: the one document every page goes into, in the output folder
  std::vector<std::pair<int, int>> pages;  // --paginas: first and last, from 1, in the order given; empty: all
  int dpi = 300;                           // of pages drawn rather than taken from their picture
  int quality = 0;                         // --calidad, 1 to 100; 0 when not given
  int jobs = 0;                            // 0: one for each core
  std::vector<filters::Step> steps;        // in the order given
  QStringList inputs;                      // files and folders, as given
  std::vector<InputList> lists;            // in the order given
  bool resume = false;                     // --continuar: inputs whose outputs are all present are skipped
  QString report;                          // --informe: a CSV line for each input as it ends; "-" standard output
  QStringList warnings;                    // about settings read as the window reads them, in Spanish

  bool writesDocuments() const { return format == u"pdf" || format == u"tif" || !join.isEmpty(); }
  // The quality of a JPEG picture written, and of JPEG pages in a document
  // (0: every pixel kept).
  int jpegQuality() const { return quality ? quality : 90; }
  int pageQuality() const { return quality; }
};

// A command line that cannot be carried out; the message is Spanish, without
// the program's name. A mistake in how the command is written (an unknown
// option, a bad or missing value) is a mistake of syntax, told with the
// synopsis; one found in the files it names (two inputs landing on one
// output, a page an input lacks) is not.
struct UsageError {
  QString message;
  bool syntax = true;
};

// Reads the arguments that follow the program's name. Long options take their
// value after a blank or "="; short ones after a blank or joined ("-j4").
// "--" ends the options. Throws UsageError.
Options ParseArguments(const QStringList& arguments);

// "R,G,B" (three whole numbers 0 to 255) or "#RRGGBB", as a colour value.
// Throws UsageError.
platform::ColorValue ParseColour(const QString& text);

}  // namespace batch
