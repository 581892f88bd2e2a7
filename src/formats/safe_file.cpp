#include "formats/safe_file.h"

#include "formats/filenames.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
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
  bool done = true;
  for (const QString& name : names) {
    const QByteArray native = EncodeFileName(name);
    if (::rename((staging_ + '/' + native).constData(), (folder_ + '/' + native).constData()) != 0) {
      error_ = errno;
      done = false;
      break;
    }
  }
  discard();
  return done;
}

void StagedFolder::discard() {
  if (staging_.isEmpty()) return;
  // Only this folder's own files: it was made empty and hidden by open().
  if (DIR* dir = ::opendir(staging_.constData())) {
    while (const dirent* entry = ::readdir(dir))
      if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
        ::unlinkat(::dirfd(dir), entry->d_name, 0);
    ::closedir(dir);
  }
  ::rmdir(staging_.constData());
  staging_.clear();
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
