#pragma once
// --continuar: what a run stopped or killed before left whole in the output
// folder is not written again.

#include "batch/plan.h"

#include <QString>

namespace batch {

// Whether the file at path is one this command wrote whole in the format:
// a regular file (never a link), not empty, that begins as the format's
// files begin. A file only takes its name once complete, so one that is
// ours by these marks is complete.
bool WrittenWhole(const QString& path, const QString& format);

// Moves to plan.done every output whose files are all written whole; those
// that fail before any work stay, to be told.
void SetAsideDone(Plan& plan, const QString& format);

}  // namespace batch
