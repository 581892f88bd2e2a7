#pragma once
// A file written beside its target and put in the target's place only once
// it is complete: a write cut short (a full disk, a killed process) leaves
// either the old file or the new one, and nothing else. Where the file system
// allows, the new file has no name until it is complete, so that not even a
// killed process leaves one behind; elsewhere it is a short hidden name
// (".tb-" and six characters) in the target's folder. The rename replaces a
// symbolic link at the target itself, never the file it points to.

#include <QFile>
#include <QString>
#include <QStringList>

namespace platform {

class ReplacingFile {
 public:
  // The target, whatever bytes its name holds (see filenames.h).
  explicit ReplacingFile(const QString& path);
  ~ReplacingFile();  // a file never committed is discarded
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the new file; false with error() set when it cannot.
  bool open();
  // Where the new contents are written; what is written can be read back
  // (a TIFF writer reads its own directories to link the next one).
  QFile& device() { return file_; }
  // Writes out what is buffered, makes it durable and puts it in the target's
  // place; false with error() set, the target untouched and nothing left.
  bool commit();
  // Drops the new file.
  void discard();
  // The system's error number of the last failure (0 when unknown).
  int error() const { return error_; }

 private:
  bool fail(int error);
  bool linkUnnamed();
  bool copyToNamed();

  QByteArray folder_, name_;  // the target's folder and name, as the system's bytes
  int folderFd_ = -1, fd_ = -1;
  QByteArray temporary_;  // the new file's own name, empty while it has none
  int mode_ = -1;         // the permissions of the file replaced, if any
  QFile file_;
  int error_ = 0;
};

// Files written into a hidden folder (".tb-" and six characters) beside
// their targets, and put in their places together once all are complete: a
// run cut short leaves none of them in place. Dropped, with what it holds,
// unless committed. While it exists, the run that made it holds a lock on a
// file in it, so that a process killed before it could drop the folder
// leaves one that a later run can tell is dead (RemoveAbandonedStaging).
class StagedFolder {
 public:
  // The folder the files go to, whatever bytes its name holds.
  explicit StagedFolder(const QString& folder);
  ~StagedFolder();  // a folder never committed is removed with its files
  StagedFolder(const StagedFolder&) = delete;
  StagedFolder& operator=(const StagedFolder&) = delete;

  // Creates the hidden folder; false with error() set when it cannot.
  bool open();
  // Where the file that is to be called name is written meanwhile.
  QString stagedPath(const QString& name) const;
  // Renames each of names into the folder, in their order, once every target
  // is found free to be replaced (none is a folder); false with error() set,
  // and failedName() the name at fault, when one is not or a rename fails
  // (those before it stay in place). The hidden folder is removed either way.
  bool commit(const QStringList& names);
  // Removes the hidden folder and every file in it.
  void discard();
  int error() const { return error_; }
  QString failedName() const { return failedName_; }

 private:
  QByteArray folder_, staging_;  // as the system's bytes; staging_ empty when none
  int lockFd_ = -1;
  int error_ = 0;
  QString failedName_;
};

// Removes the hidden folders that StagedFolder left in the folder when its
// process was killed: only those whose lock no living process holds.
void RemoveAbandonedStaging(const QString& folder);

// Removes every hidden folder this process holds open, whatever thread
// writes into them: for a process about to end at once.
void DiscardStagingNow();

// Creates the folder and those above it that are missing, whatever bytes its
// name holds; false when it is not a folder afterwards.
bool MakeFolder(const QString& path);

}  // namespace platform
