#include "formats/safe_file.h"

#include "formats/filenames.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// ".tb-" and six letters or digits: short enough for beside any name the
// folder can hold.
QByteArray temporaryName() {
  static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  QByteArray name(".tb-");
  for (int i = 0; i < 6; ++i) name += letters[QRandomGenerator::system()->bounded(int(sizeof letters) - 1)];
  return name;
}

// A file without a name is given one through /proc, which links what a
// descriptor holds; without /proc mounted, the new file is named from the start.
bool unnamedFilesLinkable() { return ::access("/proc/self/fd", X_OK) == 0; }

}  // namespace

ReplacingFile::ReplacingFile(const QString& path) {
  const QByteArray native = EncodeFileName(path);
  const qsizetype slash = native.lastIndexOf('/');
  folder_ = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : native.left(slash);
  name_ = native.mid(slash + 1);
}

ReplacingFile::~ReplacingFile() { discard(); }

bool ReplacingFile::fail(int error) {
  error_ = error;
  discard();
  return false;
}

bool ReplacingFile::open() {
  discard();
  error_ = 0;
  if (name_.isEmpty() || name_ == "." || name_ == "..") return fail(EISDIR);
  folderFd_ = ::open(folder_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd_ < 0) return fail(errno);
  struct stat st {};
  if (::fstatat(folderFd_, name_.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(st.st_mode)) return fail(EISDIR);
    if (S_ISREG(st.st_mode)) mode_ = int(st.st_mode & 07777);  // kept for the new file
  } else if (errno != ENOENT) {
    return fail(errno);  // a name too long, among others
  }
#ifdef O_TMPFILE
  if (unnamedFilesLinkable()) {
    fd_ = ::openat(folderFd_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    // Refused by a file system that has no unnamed files: a named one then.
    if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return fail(errno);
  }
#endif
  for (int tries = 0; fd_ < 0 && tries < 100; ++tries) {
    temporary_ = temporaryName();
    fd_ = ::openat(folderFd_, temporary_.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) {
      temporary_.clear();
      return fail(errno);
    }
  }
  if (fd_ < 0) {
    temporary_.clear();
    return fail(EEXIST);
  }
  if (mode_ >= 0) (void)::fchmod(fd_, mode_t(mode_));
  if (!file_.open(fd_, QIODevice::ReadWrite, QFileDevice::DontCloseHandle)) return fail(0);
  return true;
}

// Gives the unnamed file the name, in the target's folder; the error number
// when it cannot (EEXIST when the name is taken).
static int linkAs(int fd, int folderFd, const QByteArray& name) {
  char proc[64];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, proc, folderFd, name.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

bool ReplacingFile::commit() {
  if (fd_ < 0) return fail(error_ ? error_ : EBADF);
  errno = 0;
  if (!file_.flush()) return fail(errno);
  file_.close();
  if (::fsync(fd_) != 0 && errno != EINVAL) return fail(errno);
  if (temporary_.isEmpty()) {
    // A new target is linked straight under its name; one that exists (a
    // file, a link) is replaced through a short temporary name.
    int error = linkAs(fd_, folderFd_, name_);
    for (int tries = 0; error == EEXIST && tries < 100; ++tries) {
      const QByteArray name = temporaryName();
      error = linkAs(fd_, folderFd_, name);
      if (error == 0) temporary_ = name;
    }
    if (error != 0) return fail(error);
  }
  if (!temporary_.isEmpty()) {
    if (::renameat(folderFd_, temporary_.constData(), folderFd_, name_.constData()) != 0) return fail(errno);
    temporary_.clear();
  }
  (void)::fsync(folderFd_);  // the new name made durable where the system allows
  discard();
  return true;
}

void ReplacingFile::discard() {
  file_.close();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.isEmpty() && folderFd_ >= 0) ::unlinkat(folderFd_, temporary_.constData(), 0);
  temporary_.clear();
  if (folderFd_ >= 0) ::close(folderFd_);
  folderFd_ = -1;
}

namespace {

// The file a living StagedFolder holds locked, named as no page file can be.
constexpr char LockName[] = ".tb-vivo";

// The hidden folders open in this process, for DiscardStagingNow().
std::mutex openFoldersMutex;
std::set<QByteArray> openFolders;

// Removes the folder's files and the folder itself.
void removeFolder(const QByteArray& path) {
  if (DIR* dir = ::opendir(path.constData())) {
    while (const dirent* entry = ::readdir(dir))
      if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
        ::unlinkat(::dirfd(dir), entry->d_name, 0);
    ::closedir(dir);
  }
  ::rmdir(path.constData());
}

bool isStagingName(const char* name) {
  return std::strlen(name) == 10 && std::strncmp(name, ".tb-", 4) == 0 && std::strchr(name + 4, '.') == nullptr;
}

}  // namespace

StagedFolder::StagedFolder(const QString& folder) : folder_(EncodeFileName(folder)) {
  if (folder_.isEmpty()) folder_ = ".";
}

StagedFolder::~StagedFolder() { discard(); }

bool StagedFolder::open() {
  discard();
  QByteArray name = folder_ + "/.tb-XXXXXX";
  if (!::mkdtemp(name.data())) {
    error_ = errno;
    return false;
  }
  staging_ = name;
  {
    const std::lock_guard lock(openFoldersMutex);
    openFolders.insert(staging_);
  }
  lockFd_ = ::open((staging_ + '/' + LockName).constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
  if (lockFd_ < 0 || ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    error_ = errno;
    discard();
    return false;
  }
  error_ = 0;
  return true;
}

QString StagedFolder::stagedPath(const QString& name) const {
  return DecodeFileName(staging_ + '/' + EncodeFileName(name));
}

bool StagedFolder::commit(const QStringList& names) {
  if (staging_.isEmpty()) {
    error_ = EBADF;
    return false;
  }
  const auto failAt = [&](const QString& name, int error) {
    error_ = error;
    failedName_ = name;
    discard();
    return false;
  };
  // Every target is looked at before the first is replaced: a folder in the
  // way of the last leaves the first untouched too.
  for (const QString& name : names) {
    struct stat st {};
    if (::lstat((folder_ + '/' + EncodeFileName(name)).constData(), &st) == 0 && S_ISDIR(st.st_mode))
      return failAt(name, EISDIR);
  }
  for (const QString& name : names) {
    const QByteArray native = EncodeFileName(name);
    if (::rename((staging_ + '/' + native).constData(), (folder_ + '/' + native).constData()) != 0)
      return failAt(name, errno);
  }
  discard();
  return true;
}

void StagedFolder::discard() {
  if (staging_.isEmpty()) return;
  removeFolder(staging_);
  {
    const std::lock_guard lock(openFoldersMutex);
    openFolders.erase(staging_);
  }
  staging_.clear();
  if (lockFd_ >= 0) ::close(lockFd_);  // the lock goes with the folder
  lockFd_ = -1;
}

void RemoveAbandonedStaging(const QString& folder) {
  const QByteArray native = EncodeFileName(folder);
  DIR* dir = ::opendir(native.constData());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    if (!isStagingName(entry->d_name)) continue;
    const QByteArray path = native + '/' + entry->d_name;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    const int lock = ::open((path + '/' + LockName).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (lock < 0) {
      // No lock yet: a run may be making it this moment; an empty folder
      // older than a minute is of one that never got so far.
      if (errno == ENOENT && st.st_mtime < ::time(nullptr) - 60) ::rmdir(path.constData());
      continue;
    }
    if (::flock(lock, LOCK_EX | LOCK_NB) == 0) removeFolder(path);  // its owner is gone
    ::close(lock);
  }
  ::closedir(dir);
}

void DiscardStagingNow() {
  std::unique_lock lock(openFoldersMutex, std::try_to_lock);
  if (!lock.owns_lock()) return;  // a later run removes them
  for (const QByteArray& path : openFolders) removeFolder(path);
  openFolders.clear();
}

bool MakeFolder(const QString& path) {
  const QByteArray native = EncodeFileName(path);
  for (qsizetype at = native.indexOf('/', 1); at > 0; at = native.indexOf('/', at + 1))
    (void)::mkdir(native.left(at).constData(), 0777);
  (void)::mkdir(native.constData(), 0777);
  struct stat st {};
  return ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform
