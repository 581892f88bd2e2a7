#pragma once
// The jobs of a batch: which files are read, where each result is written,
// and the run that loads, filters and writes them several at a time.

#include "batch/options.h"

#include <QString>

#include <atomic>
#include <functional>
#include <vector>

namespace batch {

struct Job {
  QString input;   // as given, or the folder as given joined with the file's name
  QString output;  // in the output folder: the input's base name with the format's extension
};

// The inputs with every folder replaced by the regular files directly in it
// that are pictures of the formats the help names (BMP, GIF, JPEG, PNG, TIFF)
// by their extension or their first bytes, in name order, whatever bytes the
// names hold. Each with its output. Two inputs with one output, an output
// that is one of the inputs, an output folder that is a file, or a list with
// no file at all throw UsageError. Nothing is written.
std::vector<Job> PlanJobs(const Options& options);

struct Result {
  bool written = false;
  QString reason;  // why not, in Spanish
};

// Loads the input, applies the steps and writes the output through a new
// file that takes its place when complete. Only a regular file is read. Never
// throws.
Result ProcessOne(const Job& job, const Options& options);

struct Totals {
  int written = 0;
  int failed = 0;
};

// Runs the jobs, up to jobs at once (every core when 0). done() is called as
// each job finishes, with its index and result, and tick() about once a
// second while they run; never two calls at a time. Once stopping turns
// true, no new job is begun and those under way are finished.
Totals RunJobs(const std::vector<Job>& jobs, const Options& options,
               const std::function<void(std::size_t index, const Result& result)>& done,
               const std::function<void()>& tick = {}, const std::atomic<bool>* stopping = nullptr);

}  // namespace batch
