#pragma once
// What both kinds of document writer share: the new file that takes the
// target's place only once the document is complete, and the failures told
// in the user's words.

#include "formats/safe_file.h"

#include <QString>

class QIODevice;

namespace documents {

class WriterFile {
 public:
  // Throws platform::Failure when the new file cannot be made.
  explicit WriterFile(const QString& target);
  QIODevice& device();
  // Puts the complete document in the target's place; throws, leaving the
  // target as it was and nothing behind.
  void commit();
  // Drops the new file and throws: the document could not be written, for
  // the system's reason `error` or, when it is 0, for `reason`.
  [[noreturn]] void fail(int error, const QString& reason = {});

 private:
  platform::ReplacingFile file_;
};

// A document written without any page.
[[noreturn]] void RaiseNoPages();

}  // namespace documents
