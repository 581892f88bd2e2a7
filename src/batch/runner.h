#pragma once
// The jobs of a batch: which files are read, where each result is written,
// and the run that loads, filters and writes them several at a time.

#include "batch/options.h"

#include <QString>

#include <functional>
#include <vector>

namespace batch {

struct Job {
  QString input;   // as given, or the folder as given joined with the file's name
  QString output;  // in the output folder: the input's base name with the format's extension
};

// The inputs with every folder replaced by the picture files directly in it,
// in name order: those whose name carries an extension of a format the loader
// knows, or whose first bytes it recognises. Each with its output. Two inputs
// with one output, or an output that is one of the inputs, throw UsageError,
// and so does a list with no file at all. Nothing is written.
std::vector<Job> PlanJobs(const Options& options);

struct Result {
  bool written = false;
  QString reason;  // why not, in Spanish
};

// Loads the input, applies the steps and writes the output through a
// temporary file renamed over it when complete. Never throws.
Result ProcessOne(const Job& job, const Options& options);

struct Totals {
  int written = 0;
  int failed = 0;
};

// Runs the jobs, up to jobs at once (every core when 0). done() is called as
// each job finishes, with its index and result, and tick() about once a
// second while they run; never two calls at a time.
Totals RunJobs(const std::vector<Job>& jobs, const Options& options,
               const std::function<void(std::size_t index, const Result& result)>& done,
               const std::function<void()>& tick = {});

}  // namespace batch
