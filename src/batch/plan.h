#pragma once
// What a batch reads and writes, settled before anything is written: the
// inputs, each a single picture or a document of pages, the pages taken from
// each, and the files those pages go to.

#include "batch/options.h"
#include "formats/documents/document.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <memory>
#include <vector>

namespace batch {

struct Source {
  QString input;           // as given, or the folder as given joined with the file's name
  bool document = false;   // a PDF, or a TIFF of more than one page
  int pageCount = 1;       // 0 for a document that could not be opened to count them
  std::vector<int> pages;  // the pages taken, from 0, in the order written
  // The document as opened to count its pages, kept for reading them; only
  // the first few are kept open (KeptOpen), the others are opened anew.
  std::shared_ptr<documents::DocumentReader> reader;
  QString failure;  // why it cannot be read, when that is known before any work
  // A list's entry that names no file to read (an empty line, a folder):
  // failure tells why, and it has no output file of its own.
  bool refused = false;
};

// Documents held open from the plan to their reading, at most.
constexpr int KeptOpen = 16;

struct Output {
  enum class Kind {
    Picture,    // one picture file for a single picture
    PageFiles,  // one picture file for each page taken from a document
    Document,   // one PDF or TIFF document of every page of its sources
  };
  Kind kind = Kind::Picture;
  QString path;                      // the picture or the document
  QStringList pageFiles;             // PageFiles: one for each page taken, in the same order
  std::vector<std::size_t> sources;  // in order: one, or every source for --unir
  // Why a target cannot be written (it is a folder, its name is too long):
  // the output fails before any work, named by the target.
  QString problem, problemTarget;
};

struct Plan {
  std::vector<Source> sources;
  std::vector<Output> outputs;
  std::vector<Output> done;  // --continuar: outputs already whole in the output folder, not written again
  QStringList warnings;      // in Spanish: a file named twice, read once
  int pageCount() const;     // pages to be written, all outputs together
};

// The inputs with every folder replaced by the regular files directly in it
// that are pictures of the formats the help names (BMP, GIF, JPEG, PNG, TIFF)
// or PDF documents, by their extension or their first bytes, in name order,
// whatever bytes the names hold. Each list's names (options.lists) come
// where the list stands among the inputs; a folder or an empty line in a list
// is an input that fails with its reason, and a name that is not a readable
// file fails as it would on the command line. Documents are opened to count their pages
// (the documents module is loaded only then: for a PDF, or a TIFF that the
// decoder finds more than one page in).
// Two inputs with one output, an output that is one of the inputs, an output
// folder that is a file, a page asked for past an input's end, or a list with
// no file at all throw UsageError. Nothing is written. A target that cannot
// be written is told in its output's problem. With options.resume, the
// outputs whose every file is already in the output folder, whole, go to done.
Plan PlanWork(const Options& options);

// "escaneo-07.png": a page's file name, its number (from 1) as wide as the
// document's page count needs.
QString PageFileName(const QString& baseName, int page, int pageCount, const QString& extension);

}  // namespace batch
