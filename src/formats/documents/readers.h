#pragma once
// What the document readers share: the file they read, held open.

#include "formats/documents/document.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace documents {

// A regular file held open while a document is read. Each library that reads
// it opens the same file anew through reopenPath(), with a place of its own
// in it, so that one never moves another's reading place; the name the user
// gave is looked up once, and a file put in its place meanwhile is not seen.
class HeldFile {
 public:
  HeldFile(int fd, qint64 bytes) : fd_(fd), bytes_(bytes) {}
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  qint64 bytes() const { return bytes_; }
  QByteArray reopenPath() const;
  // A new descriptor of the same file, open for reading (-1 on failure).
  int reopen() const;

 private:
  int fd_;
  qint64 bytes_;
};

std::unique_ptr<DocumentReader> OpenPdf(std::shared_ptr<HeldFile> file, int renderDpi, ReadingLimits limits);
std::unique_ptr<DocumentReader> OpenTiff(std::shared_ptr<HeldFile> file);

// Throws platform::Failure: "Documento dañado o incompleto: <reason>".
[[noreturn]] void RaiseDamaged(const QString& reason);

}  // namespace documents
