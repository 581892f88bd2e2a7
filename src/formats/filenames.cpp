#include "formats/filenames.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

constexpr char16_t KeptByteBase = 0xDC00;

bool isKeptByte(char16_t c) { return c >= KeptByteBase + 0x80 && c <= KeptByteBase + 0xFF; }

}  // namespace

int Utf8SequenceLength(const char* bytes, qsizetype n) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes);
  const unsigned char b = s[0];
  if (b < 0x80) return 1;
  int length;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (b >= 0xC2 && b <= 0xDF)
    length = 2;
  else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0)
      low = 0xA0;  // no overlong forms
    else if (b == 0xED)
      high = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0)
      low = 0x90;
    else if (b == 0xF4)
      high = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return 0;
  }
  if (n < length || s[1] < low || s[1] > high) return 0;
  for (int i = 2; i < length; ++i)
    if ((s[i] & 0xC0) != 0x80) return 0;
  return length;
}

QString DecodeFileName(const QByteArray& native) {
  const auto* s = reinterpret_cast<const unsigned char*>(native.constData());
  const qsizetype n = native.size();
  QString name;
  name.reserve(n);
  qsizetype validFrom = 0, i = 0;
  while (i < n) {
    const int length = Utf8SequenceLength(native.constData() + i, n - i);
    if (length > 0) {
      i += length;
      continue;
    }
    name += QString::fromUtf8(native.constData() + validFrom, i - validFrom);
    name += QChar(char16_t(KeptByteBase + s[i]));
    validFrom = ++i;
  }
  name += QString::fromUtf8(native.constData() + validFrom, n - validFrom);
  return name;
}

QByteArray EncodeFileName(const QString& name) {
  QByteArray native;
  native.reserve(name.size());
  qsizetype validFrom = 0;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t c = name.at(i).unicode();
    // A low surrogate right after a high one is half of a valid character.
    if (!isKeptByte(c) || (i > 0 && name.at(i - 1).isHighSurrogate())) continue;
    native += QStringView(name).mid(validFrom, i - validFrom).toUtf8();
    native += char(c - KeptByteBase);
    validFrom = i + 1;
  }
  native += QStringView(name).mid(validFrom).toUtf8();
  return native;
}

bool HasKeptBytes(const QString& name) {
  for (qsizetype i = 0; i < name.size(); ++i)
    if (isKeptByte(name.at(i).unicode()) && !(i > 0 && name.at(i - 1).isHighSurrogate())) return true;
  return false;
}

QString DisplayFileName(const QString& name) {
  if (!HasKeptBytes(name)) return name;
  QString shown = name;
  for (qsizetype i = 0; i < shown.size(); ++i)
    if (isKeptByte(shown.at(i).unicode()) && !(i > 0 && name.at(i - 1).isHighSurrogate()))
      shown[i] = QChar(char16_t(shown.at(i).unicode() - KeptByteBase));
  return shown;
}

FileKind KindOf(const QString& path) {
#ifdef Q_OS_UNIX
  if (HasKeptBytes(path)) {
    struct stat st {};
    if (::stat(EncodeFileName(path).constData(), &st) != 0) return FileKind::Missing;
    return S_ISDIR(st.st_mode) ? FileKind::Folder : FileKind::File;
  }
#endif
  // Qt's own view, which also knows the pictures built into the program.
  const QFileInfo info(path);
  return path.isEmpty() || !info.exists() ? FileKind::Missing : info.isDir() ? FileKind::Folder : FileKind::File;
}

QStringList FolderFiles(const QString& folder, bool namesNotUtf8Only) {
  QStringList names;
#ifdef Q_OS_UNIX
  DIR* dir = ::opendir(EncodeFileName(folder).constData());
  if (!dir) return names;
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;  // hidden, or the folder itself and its parent
    const QString name = DecodeFileName(QByteArray(entry->d_name));
    if (namesNotUtf8Only && !HasKeptBytes(name)) continue;
    struct stat st {};
    if (::fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)) names << name;
  }
  ::closedir(dir);
#else
  if (!namesNotUtf8Only) names = QDir(folder).entryList(QDir::Files);
#endif
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int c = DisplayFileName(a).compare(DisplayFileName(b), Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  return names;
}

bool OpenForReading(QFile& file, const QString& path) {
#ifdef Q_OS_UNIX
  if (HasKeptBytes(path)) {
    const int fd = ::open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) return true;
    ::close(fd);
    return false;
  }
#endif
  file.setFileName(path);
  return file.open(QIODevice::ReadOnly);
}

#ifdef Q_OS_UNIX
ReadResult OpenForReading(const QString& path, qint64 maxBytes, int& fd, qint64& size) {
  size = 0;
  fd = ::open(EncodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Unreadable;
  struct stat st {};
  ReadResult result = ReadResult::Read;
  if (::fstat(fd, &st) != 0)
    result = ReadResult::Unreadable;
  else if (S_ISDIR(st.st_mode))
    result = ReadResult::Folder;
  else if (!S_ISREG(st.st_mode))
    result = ReadResult::NotRegular;
  else if (st.st_size > maxBytes)
    result = ReadResult::TooLarge;
  if (result != ReadResult::Read) {
    ::close(fd);
    fd = -1;
  } else {
    size = st.st_size;
  }
  return result;
}
#endif

ReadResult ReadWholeFile(const QString& path, QByteArray& bytes, qint64 maxBytes) {
  bytes.clear();
#ifdef Q_OS_UNIX
  if (!path.startsWith(u':')) {
    int fd = -1;
    qint64 size = 0;
    ReadResult result = OpenForReading(path, maxBytes, fd, size);
    if (result == ReadResult::Read) {
      bytes.resize(qsizetype(size));
      qsizetype done = 0;
      while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result = ReadResult::Unreadable;
        if (n <= 0) break;
        done += n;
      }
      bytes.truncate(done);
      ::close(fd);
    }
    if (result != ReadResult::Read) bytes.clear();
    return result;
  }
#endif
  const FileKind kind = KindOf(path);
  if (kind != FileKind::File) return kind == FileKind::Missing ? ReadResult::Missing : ReadResult::Folder;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return ReadResult::Unreadable;
  if (file.size() > maxBytes) return ReadResult::TooLarge;
  bytes = file.read(maxBytes);
  return file.error() == QFileDevice::NoError ? ReadResult::Read : ReadResult::Unreadable;
}

}  // namespace platform
