#pragma once
// File names as the system stores them: bytes, which are UTF-8 for nearly
// every name but need not be (a Latin-1 "año.bmp" from an old disk holds the
// byte F1). Qt reads names as UTF-8 only and passes over the others, so the
// file list and the open dialog read folders here. A byte that is not part of
// valid UTF-8 is kept in the name as the lone surrogate U+DC00 + byte, which
// no valid name contains: every name read maps back to the same bytes.

#include <QFile>
#include <QString>
#include <QStringList>

namespace platform {

// The length of the valid UTF-8 sequence at bytes (of which n, at least 1, may be read),
// or 0 when none starts there: no overlong form, no surrogate, nothing past
// U+10FFFF.
int Utf8SequenceLength(const char* bytes, qsizetype n);

QString DecodeFileName(const QByteArray& native);
QByteArray EncodeFileName(const QString& name);
// Whether the name holds a byte kept as above.
bool HasKeptBytes(const QString& name);
// The name as the user reads it: each kept byte shown as the Latin-1
// character it stands for ("año.bmp").
QString DisplayFileName(const QString& name);

enum class FileKind { Missing, Folder, File };
// What the path names, following symbolic links.
FileKind KindOf(const QString& path);

// The files of a folder, hidden ones (a leading dot) and folders left out,
// sorted by their shown names ignoring case; empty when it cannot be read.
// With namesNotUtf8Only, only those whose name holds a kept byte.
QStringList FolderFiles(const QString& folder, bool namesNotUtf8Only = false);

// Opens file for reading at path, whatever bytes its name holds.
bool OpenForReading(QFile& file, const QString& path);

enum class ReadResult { Read, Missing, Folder, NotRegular, Unreadable, TooLarge };
// Reads the whole file at path, whatever bytes its name holds, into bytes.
// Only a regular file is read, and never more than it held when opened, so a
// file that grows meanwhile cannot make the reading endless; one that shrinks
// gives fewer bytes. A pipe, a device or a socket is not waited on. Files of
// more than maxBytes are not read. The pictures built into the program
// (":/...") are read too.
ReadResult ReadWholeFile(const QString& path, QByteArray& bytes, qint64 maxBytes);
#ifdef Q_OS_UNIX
// Opens path to read it, whatever bytes its name holds, without blocking on a
// pipe or taking a terminal: Read, with fd open and size set, for a regular
// file within maxBytes; otherwise why not, with nothing left open.
ReadResult OpenForReading(const QString& path, qint64 maxBytes, int& fd, qint64& size);
#endif

}  // namespace platform
