#pragma once
// The run of a batch: pages are the unit of work, several at a time across
// every input, each through the one path a single picture takes; a
// document's pages are added in their order, and an output is in its place
// only once every page of it is.

#include "batch/plan.h"

#include <QString>

#include <functional>
#include <stop_token>
#include <vector>

namespace batch {

struct Totals {
  int pictures = 0;             // single pictures written as picture files
  int pageFiles = 0;            // pages written as picture files...
  int pagedDocuments = 0;       // ...from this many documents
  int documents = 0;            // PDF and TIFF documents written
  int documentPages = 0;        // the pages they hold
  int failed = 0;               // inputs named with what went wrong
  int unfinished = 0;           // outputs left unwritten when the run was stopped
  bool documentsAsked = false;  // PDF or TIFF documents were to be written
  bool pageFilesAsked = false;  // documents' pages were to be written as picture files
  int alreadyDone = 0;          // --continuar: inputs whose outputs were all there already
  int blankPages = 0;           // pages written that had content and came out of the steps all one colour
  bool resumeAsked = false;
};

// What went wrong with an input: page from 1, or 0 for the input as a whole.
// Or, with notice set, a line of what its reader mended to read it.
struct Report {
  QString input;
  int page = 0;
  QString reason;
  bool notice = false;
};

// A page that had content and came out of the steps all one colour: its
// source, and its page from 1 (0 for a single picture).
struct BlankPage {
  std::size_t source = 0;
  int page = 0;
};

// An output at its end: written whole, or failed because of its source
// (reason, as reported), seconds after its first page was begun; the pages
// of it written blank, in order.
struct Ended {
  std::size_t output = 0;
  bool written = false;
  std::size_t source = 0;
  QString reason;
  double seconds = 0;
  std::vector<BlankPage> blank;
};

// Runs the plan, up to options.jobs pages at once (every core when 0). An
// input that fails is reported and nothing is written for its output (for
// --unir, the joined document is then not written either, and that is
// reported too); the other outputs are still written. pageDone() is called as
// each page is written or given up, tick() about once a second while they
// run; never two calls at a time. Once a stop is asked through `stop`, no
// new page is begun, the pages under way are finished, and an output not complete then
// is discarded. The documents the plan kept open are taken from it, and each
// is closed once its pages are done. ended() is called as each output is
// written or fails, never two calls at a time nor with the others. Never throws.
Totals Run(Plan& plan, const Options& options, const std::function<void(const Report&)>& failed,
           const std::function<void()>& pageDone = {}, const std::function<void()>& tick = {},
           std::stop_token stop = {}, const std::function<void(const Ended&)>& ended = {});

}  // namespace batch
