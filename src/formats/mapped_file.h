#pragma once
// A regular file's bytes read in place: the file is mapped into memory, not
// copied, so that a picture of hundreds of megabytes costs no second copy
// and no fresh memory to hold it. A file cut short while it is mapped would
// end the process (SIGBUS) where its lost pages are read; here they read as
// zeros instead, and cut() tells that it happened. A file written in place
// meanwhile shows its new bytes: what reads them must, as for any file, trust
// nothing in them.

#include "formats/filenames.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstddef>

namespace platform {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps the file at path, whatever bytes its name holds, with the outcomes
  // of ReadWholeFile (filenames.h); a file that cannot be mapped, and the
  // pictures built into the program (":/..."), are read into memory instead.
  ReadResult open(const QString& path, qint64 maxBytes);
  // Valid while this lives; never to be written.
  const QByteArray& bytes() const { return bytes_; }
  // Whether the file lost bytes while mapped (they read as zeros).
  bool cut() const;

 private:
  void close();

  QByteArray bytes_;
  void* map_ = nullptr;
  std::size_t mapped_ = 0;
  int slot_ = -1;  // where the guard against a cut file knows the mapping
};

}  // namespace platform
