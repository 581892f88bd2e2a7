#pragma once
// The one failure type of the libraries: a reason in Spanish, ready to show
// or print, and the kind of failure, for the callers that act on it.

#include <QString>

namespace platform {

enum class FailureKind {
  Damaged,      // a picture or document whose data is not valid
  OutOfMemory,  // too large to hold, or memory ran out
  NotFound,     // no file or folder by that name
  Access,       // the file could not be read, created or written
  Arithmetic,   // a number out of range, a division by zero
  Invalid,      // an argument out of its range (a page that does not exist)
};

struct Failure {
  FailureKind kind = FailureKind::Invalid;
  QString reason;
};

[[noreturn]] void Fail(FailureKind kind, const QString& reason);

}  // namespace platform
